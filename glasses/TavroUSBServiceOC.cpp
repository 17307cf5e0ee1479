#include "glasses/TavroUSBServiceOC.h"

#include <cstdio>
#include <cstring>

#include "platform/capture/CaptureServices.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/SystemInfo.h"

namespace capture = platform::capture;
namespace fd = platform::foundation;

TavroUSBServiceOC::TavroUSBServiceOC() : vxService_(std::make_unique<TavroVXServer>()) {}

TavroUSBServiceOC& TavroUSBServiceOC::shareManager() {
    // Never destroyed: its server's thread may still run while the process exits.
    static TavroUSBServiceOC* shared = new TavroUSBServiceOC;
    return *shared;
}

void TavroUSBServiceOC::start() {
    vxService_->shareManager();
    vxService_->setMyDeviceChangeBlock([this](const fd::ValueDictionary&, bool plugged) {
        if (auto block = devicePlugInOrPullOutBlock()) block(plugged);
    });
    fd::systemLog("启动设备");
}

int32_t TavroUSBServiceOC::open3D(bool on) {
    return on ? vxService_->start_display_3d() : vxService_->stop_display_3d();
}

void TavroUSBServiceOC::updateAppPositionWithResult(const fd::Value& result) {
    if (auto block = updateAppPositionBlock()) block(result);
}

void TavroUSBServiceOC::printLog(const std::string& text) {
    if (auto block = printLogOutputBlock()) block(text);
}

fd::ValueArray TavroUSBServiceOC::bufferToImage(const capture::SampleBuffer& sample) {
    const auto& pixels = sample.imageBuffer;
    if (!pixels) return {};
    const int32_t locked = pixels->lockBaseAddress();
    fd::systemLog("success or error result：" + std::to_string(locked));
    const uint8_t* base = pixels->baseAddress();
    const size_t width = pixels->width();
    const size_t height = pixels->height();
    const size_t bytesPerRow = pixels->bytesPerRow();
    fd::systemLog("width：" + std::to_string(width) + ", height：" + std::to_string(height));
    auto image = std::make_shared<capture::BitmapImage>();
    image->width = width;
    image->height = height;
    image->rgba.resize(width * height * 4);
    if (base) {
        // Premultiplied-first alpha in 32-bit little-endian words: B, G, R, A in memory.
        for (size_t y = 0; y < height; ++y) {
            const uint8_t* row = base + y * bytesPerRow;
            uint8_t* out = image->rgba.data() + y * width * 4;
            for (size_t x = 0; x < width; ++x) {
                out[4 * x + 0] = row[4 * x + 2];
                out[4 * x + 1] = row[4 * x + 1];
                out[4 * x + 2] = row[4 * x + 0];
                out[4 * x + 3] = row[4 * x + 3];
            }
        }
    }
    if (locked == 0) pixels->unlockBaseAddress();
    return {fd::Value::object(image), fd::Value(width), fd::Value(height)};
}

fd::ValueArray TavroUSBServiceOC::bufferToData(const capture::SampleBuffer& sample) {
    const auto& pixels = sample.imageBuffer;
    if (!pixels) return {};
    const int32_t locked = pixels->lockBaseAddress();
    const uint8_t* base = pixels->baseAddress();
    fd::Bytes data;
    if (base) data.assign(base, base + pixels->height() * pixels->bytesPerRow());
    if (locked == 0) pixels->unlockBaseAddress();
    return {fd::Value(std::move(data)), fd::Value(pixels->width()), fd::Value(pixels->height())};
}

bool TavroUSBServiceOC::canRecordScreen() {
    return capture::preflightScreenCaptureAccess();
}

void TavroUSBServiceOC::showScreenRecordingPrompt() {
    capture::requestShareableContent(true, true, [](bool) {});
}

void TavroUSBServiceOC::handleThreeFingerSwipeIsLeft(int64_t direction) {
    static constexpr uint16_t kArrows[] = {126, 125, 123, 124};  // up, down, left, right
    static constexpr uint16_t kControl = 59;
    if (direction < 0 || direction > 3) return;
    const auto source = capture::EventSourceState::HidSystem;
    auto controlDown = capture::keyboardEvent(source, kControl, true);
    controlDown.flags = capture::kEventFlagControl;
    const uint16_t arrow = kArrows[direction];
    for (const auto& event : {controlDown, capture::keyboardEvent(source, arrow, true),
                              capture::keyboardEvent(source, arrow, false),
                              capture::keyboardEvent(source, kControl, false)}) {
        capture::postEvent(capture::EventTap::Hid, event);
    }
}

void TavroUSBServiceOC::simulateThreeFingerSwipeUp() {
    const auto source = capture::EventSourceState::HidSystem;
    auto begin = capture::scrollWheelEvent(source);
    begin.scrollPhase = 1;
    begin.scrollCount = 3;
    auto change = capture::scrollWheelEvent(source);
    change.scrollPhase = 2;
    change.deltaAxis1 = -15.0;
    auto end = capture::scrollWheelEvent(source);
    end.scrollPhase = 4;
    capture::postEvent(capture::EventTap::Hid, begin);
    fd::Clock::current().sleepForSeconds(0.05);
    capture::postEvent(capture::EventTap::Hid, change);
    fd::Clock::current().sleepForSeconds(0.05);
    capture::postEvent(capture::EventTap::Hid, end);
}
