#include <gtest/gtest.h>

#include "platform/foundation/Dispatch.h"
#include "platform/screens/DisplayServices.h"
#include "platform/sim/SimMac.h"
#include "platform/ui/Application.h"
#include "platform/ui/Event.h"
#include "platform/ui/Screen.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/Window.h"
#include "tests/support/InstalledSimMac.h"

using namespace platform;

namespace {

sim::MachineProfile macBook() {
    auto profile = sim::parseMachineProfile(R"({
        "model": "MacBookPro18,3", "cpuBrand": "Apple M1 Pro",
        "builtinDisplay": {"name": "Built-in Retina Display",
                           "modes": [{"width": 1512, "height": 982, "refreshRate": 120}]},
        "glassesDisplay": "extended"})");
    return profile.value();
}

// Asks the machine's frame source for a picture of `display`, running the main queue.
std::shared_ptr<capture::PixelBuffer> frameOf(uint32_t display, size_t width, size_t height) {
    std::shared_ptr<capture::PixelBuffer> picture;
    bool arrived = false;
    capture::frameSource()->requestFrame(display, width, height, [&](auto buffer) {
        picture = buffer;
        arrived = true;
    });
    foundation::MainLoop::runUntilSeconds([&] { return arrived; }, 5);
    return picture;
}

uint32_t pixel(capture::PixelBuffer& buffer, size_t x, size_t y) {
    buffer.lockBaseAddress();
    uint32_t value =
        reinterpret_cast<uint32_t*>(buffer.baseAddress() + y * buffer.bytesPerRow())[x];
    buffer.unlockBaseAddress();
    return value;
}

}  // namespace

TEST(SimScreens, TheInterfacesScreensFollowTheGlassesAndShareOneCursor) {
    test_support::InstalledSimMac mac;
    mac.boot(macBook());
    auto screens = ui::Screen::screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].localizedName, "Built-in Retina Display");
    EXPECT_EQ(screens[0].frame, (ui::Rect{0, 0, 1512, 982}));
    EXPECT_EQ(screens[0].visibleFrame, (ui::Rect{0, 0, 1512, 982 - ui::kMenuBarHeight}));

    auto glasses = sim::SimMac::makeDevice({});
    mac->plugDevice(glasses);
    screens = ui::Screen::screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[1].localizedName, "TAVRO Glass");
    // Extended to the right, top edges aligned: y-up frames put it 98 points lower.
    EXPECT_EQ(screens[1].frame, (ui::Rect{1512, 982 - 1080, 1920, 1080}));
    EXPECT_EQ(screens[1].visibleFrame, screens[1].frame);  // the menu bar is on the main one
    mac->unplugDevice(glasses);
    EXPECT_EQ(ui::Screen::screens().size(), 1u);

    // The interface's pointer is the display server's cursor, in each one's coordinates.
    ui::Event::setMouseLocation({100, 900});
    EXPECT_EQ(mac->displays().cursorPosition(), (screens::Point{100, 82}));
    screens::warpMouseCursorPosition({40, 2});
    EXPECT_EQ(ui::Event::mouseLocation(), (ui::Point{40, 980}));
}

TEST(SimScreens, CapturedFramesShowTheWindowsOnTheDisplayOrAMovingPattern) {
    auto clock = std::make_shared<foundation::ManualClock>();
    foundation::ScopedClock scoped(clock);
    test_support::InstalledSimMac mac;
    mac.boot(macBook());
    const uint32_t builtin = screens::mainDisplayId();

    auto first = frameOf(builtin, 1512, 982);
    clock->advanceSeconds(1.0);  // one bar width further
    auto later = frameOf(builtin, 1512, 982);
    ASSERT_TRUE(first && later);
    EXPECT_NE(pixel(*first, 300, 500), pixel(*later, 300, 500));  // the pattern moves

    // A red window at (100, 200) in y-up points: its top left pixel is row 982 - 200 - 50.
    auto window = ui::Window::make({100, 200, 80, 50}, ui::WindowStyleBorderless);
    window->setBackgroundColor(ui::Color{1, 0, 0, 1});
    window->orderFront();
    auto shown = frameOf(builtin, 1512, 982);
    ASSERT_TRUE(shown);
    EXPECT_EQ(pixel(*shown, 100, 732), 0xFFFF0000u);
    EXPECT_EQ(pixel(*shown, 179, 781), 0xFFFF0000u);
    EXPECT_EQ(pixel(*shown, 99, 732), 0xFF000000u);
    EXPECT_EQ(pixel(*shown, 100, 782), 0xFF000000u);
    // Asked at half the size, the picture is scaled down.
    auto half = frameOf(builtin, 756, 491);
    ASSERT_TRUE(half);
    EXPECT_EQ(pixel(*half, 60, 380), 0xFFFF0000u);
    // A display that has gone gives no picture.
    EXPECT_EQ(frameOf(999, 10, 10), nullptr);
    ui::Application::shared().reset();
}

// As on the platform, a window that a display change leaves partly or wholly off the
// screens is moved onto the main screen, and the status items follow the menu bar.
TEST(SimScreens, WindowsADisplayChangeLeavesOffTheScreensMoveOntoTheMainScreen) {
    test_support::InstalledSimMac mac;
    mac.boot(sim::parseMachineProfile(R"({"model": "Macmini9,1", "glassesDisplay": "extended"})")
                 .value());
    EXPECT_TRUE(ui::Screen::screens().empty());
    auto item = ui::StatusBar::system().statusItemWithLength(24);
    auto glasses = sim::SimMac::makeDevice({});
    mac->plugDevice(glasses);
    foundation::MainLoop::drain();
    // The glasses are the only screen: the menu bar, and the status item, are on them.
    EXPECT_EQ(item->window()->frame().maxY(), 1080);
    EXPECT_EQ(item->window()->frame().maxX(), 1920 - 120);
    const auto dell =
        mac->displays().plugDisplay({"DELL P2422H", 4268, 41200, 9, {{1920, 1080, 60}}, 0});
    foundation::MainLoop::drain();
    // One window across both screens, one on the DELL alone, one hidden there.
    auto across = ui::Window::make({1700, 100, 400, 300}, ui::WindowStyleTitled);
    auto onDell = ui::Window::make({2500, 200, 400, 300}, ui::WindowStyleTitled);
    auto hidden = ui::Window::make({2600, 200, 400, 300}, ui::WindowStyleTitled);
    across->orderFront();
    onDell->orderFront();
    mac->displays().plugDisplay({"LG HDR 4K", 7789, 30471, 3, {{1920, 1080, 60}}, 0});
    foundation::MainLoop::drain();
    EXPECT_EQ(across->frame().origin, (ui::Point{1700, 100}));  // wholly on the screens
    mac->displays().unplugDisplay(dell);
    foundation::MainLoop::drain();
    // Into the glasses' area below the menu bar, the least way.
    EXPECT_EQ(across->frame(), (ui::Rect{1520, 100, 400, 300}));
    EXPECT_EQ(onDell->frame(), (ui::Rect{1520, 200, 400, 300}));
    EXPECT_EQ(hidden->frame().origin, (ui::Point{2600, 200}));  // not on show
    // Larger than the screen: its top-left corner comes to the screen's.
    auto large = ui::Window::make({-50, -40, 2400, 1400}, ui::WindowStyleTitled);
    large->orderFront();
    mac->unplugDevice(glasses);
    mac->plugDevice(glasses = sim::SimMac::makeDevice({}));
    foundation::MainLoop::drain();
    EXPECT_EQ(large->frame(), (ui::Rect{0, 1080 - ui::kMenuBarHeight - 1400, 2400, 1400}));
    mac->unplugDevice(glasses);
    ui::StatusBar::system().removeStatusItem(item);
    ui::Application::shared().reset();
}
