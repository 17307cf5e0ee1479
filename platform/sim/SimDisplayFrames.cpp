#include "platform/sim/SimDisplayFrames.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/foundation/Dispatch.h"
#include "platform/ui/Application.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace platform::sim {

using capture::PixelBuffer;

namespace {

constexpr size_t kPatternBars = 8;
constexpr uint32_t kPatternColours[kPatternBars] = {0xFFF0F0F0, 0xFFE0E020, 0xFF20E0E0, 0xFF20D020,
                                                    0xFFE020E0, 0xFFE02020, 0xFF2020E0, 0xFF202020};

uint32_t* rowOf(PixelBuffer& buffer, size_t y) {
    return reinterpret_cast<uint32_t*>(buffer.baseAddress() + y * buffer.bytesPerRow());
}

uint32_t blendOver(uint32_t top, uint32_t bottom) {
    uint32_t alpha = top >> 24;
    if (alpha == 0xFF) return top;
    if (alpha == 0) return bottom;
    uint32_t result = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t a = top >> shift & 0xFF;
        uint32_t b = bottom >> shift & 0xFF;
        result |= ((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
    }
    return result;
}

// Renders the visible windows on `screen` into a buffer of the screen's size in points,
// then scales it to the asked size. Main thread.
std::shared_ptr<PixelBuffer> renderScreen(const ui::Screen& screen,
                                          const std::vector<ui::WindowPtr>& windows, size_t width,
                                          size_t height) {
    const size_t screenWidth = std::max<size_t>(1, size_t(screen.frame.width()));
    const size_t screenHeight = std::max<size_t>(1, size_t(screen.frame.height()));
    std::vector<uint32_t> canvas(screenWidth * screenHeight, 0xFF000000);
    // Back to front: the list is front first.
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        ui::Window& window = **it;
        ui::PixelBuffer picture = ui::renderWindow(window);
        if (picture.isEmpty()) continue;
        // Rows from the top: the window's top edge below the screen's top edge.
        const long left = std::lround(window.frame().minX() - screen.frame.minX());
        const long top = std::lround(screen.frame.maxY() - window.frame().maxY());
        for (int y = 0; y < picture.height; ++y) {
            long row = top + y;
            if (row < 0 || row >= long(screenHeight)) continue;
            for (int x = 0; x < picture.width; ++x) {
                long column = left + x;
                if (column < 0 || column >= long(screenWidth)) continue;
                uint32_t& pixel = canvas[size_t(row) * screenWidth + size_t(column)];
                pixel =
                    blendOver(picture.argb[size_t(y) * size_t(picture.width) + size_t(x)], pixel);
            }
        }
    }
    auto buffer = std::make_shared<PixelBuffer>(width, height, width * 4);
    buffer->lockBaseAddress();
    // The words are 0xAARRGGBB: in memory the BGRA bytes a capture hands over.
    std::vector<size_t> columns(width);
    for (size_t x = 0; x < width; ++x) columns[x] = x * screenWidth / width;
    for (size_t y = 0; y < height; ++y) {
        uint32_t* out = rowOf(*buffer, y);
        const uint32_t* in = &canvas[(y * screenHeight / height) * screenWidth];
        if (width == screenWidth) {
            std::memcpy(out, in, width * 4);
        } else {
            for (size_t x = 0; x < width; ++x) out[x] = in[columns[x]];
        }
    }
    buffer->unlockBaseAddress();
    return buffer;
}

}  // namespace

SimDisplayFrames::SimDisplayFrames(std::shared_ptr<SimDisplayServer> displays)
    : displays_(displays) {}

bool SimDisplayFrames::hasDisplay(uint32_t displayId) const {
    auto displays = displays_.lock();
    if (!displays) return false;
    for (const auto& display : displays->displays()) {
        if (display.id == displayId) return true;
    }
    return false;
}

void SimDisplayFrames::drawTestPattern(PixelBuffer& buffer, double seconds) {
    const size_t width = buffer.width();
    const size_t height = buffer.height();
    if (width == 0 || height == 0) return;
    const size_t barWidth = std::max<size_t>(1, width / kPatternBars);
    const size_t shift =
        size_t(std::llround(std::fmod(seconds, double(kPatternBars)) * double(barWidth)));
    // Each column's bar colour, then each row darkened: darker towards the top, so that
    // the picture has a vertical gradient as well.
    std::vector<uint32_t> colours(width);
    for (size_t x = 0; x < width; ++x) {
        colours[x] = kPatternColours[((x + width - shift % width) / barWidth) % kPatternBars];
    }
    buffer.lockBaseAddress();
    for (size_t y = 0; y < height; ++y) {
        uint32_t* out = rowOf(buffer, y);
        const uint32_t shade = uint32_t(96 + 159 * y / std::max<size_t>(1, height - 1));
        for (size_t x = 0; x < width; ++x) {
            const uint32_t colour = colours[x];
            const uint32_t r = (colour >> 16 & 0xFF) * shade >> 8;
            const uint32_t g = (colour >> 8 & 0xFF) * shade >> 8;
            const uint32_t b = (colour & 0xFF) * shade >> 8;
            out[x] = 0xFF000000 | r << 16 | g << 8 | b;
        }
    }
    buffer.unlockBaseAddress();
}

void SimDisplayFrames::requestFrame(uint32_t displayId, size_t width, size_t height,
                                    std::function<void(std::shared_ptr<PixelBuffer>)> deliver) {
    if (!hasDisplay(displayId) || width == 0 || height == 0) {
        deliver(nullptr);
        return;
    }
    foundation::mainQueue()->async([displayId, width, height, deliver = std::move(deliver)] {
        std::optional<ui::Screen> screen;
        for (const auto& candidate : ui::Screen::screens()) {
            if (candidate.displayId == displayId) screen = candidate;
        }
        std::vector<ui::WindowPtr> shown;
        if (screen) {
            for (const auto& window : ui::Application::shared().orderedWindows()) {
                if (window->isVisible() && window->frame().intersects(screen->frame)) {
                    shown.push_back(window);
                }
            }
        }
        if (screen && !shown.empty()) {
            deliver(renderScreen(*screen, shown, width, height));
            return;
        }
        auto pattern = std::make_shared<PixelBuffer>(width, height, width * 4);
        drawTestPattern(*pattern, foundation::Clock::toSeconds(
                                      foundation::Clock::current().now().time_since_epoch()));
        deliver(pattern);
    });
}

}  // namespace platform::sim
