// The service the interface code reaches and the C bridge in front of it.
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <sys/socket.h>

#include <array>
#include <regex>

#include "glasses/BridgeFunctions.h"
#include "glasses/GlassReportState.h"
#include "glasses/TavroUSBServiceOC.h"
#include "headtracking/HeadTracker.h"
#include "platform/capture/CaptureServices.h"

namespace capture = platform::capture;
namespace fd = platform::foundation;

namespace {

class TavroUSBServiceOCTest : public ::testing::Test {
  protected:
    void TearDown() override { capture::installCaptureMachine(nullptr); }
    TavroUSBServiceOC& service_ = TavroUSBServiceOC::shareManager();
};

TEST_F(TavroUSBServiceOCTest, ScreenRecordingIsCheckedWithoutPromptAndPromptedOnRequest) {
    EXPECT_FALSE(service_.canRecordScreen());  // no machine to ask
    auto machine = std::make_shared<capture::CaptureMachine>(false, true);
    capture::installCaptureMachine(machine);
    EXPECT_FALSE(service_.canRecordScreen());
    EXPECT_EQ(machine->screenRecordingPrompts(), 0);
    service_.showScreenRecordingPrompt();
    EXPECT_EQ(machine->screenRecordingPrompts(), 1);
    machine->setScreenRecordingAllowed(true);
    EXPECT_TRUE(service_.canRecordScreen());
    service_.showScreenRecordingPrompt();
    EXPECT_EQ(machine->screenRecordingPrompts(), 1);
}

TEST_F(TavroUSBServiceOCTest, SyntheticKeysAndScrollsAreKeptInOrder) {
    auto machine = std::make_shared<capture::CaptureMachine>(true, true);
    capture::installCaptureMachine(machine);
    service_.handleThreeFingerSwipeIsLeft(4);
    service_.handleThreeFingerSwipeIsLeft(-1);
    service_.handleThreeFingerSwipeIsLeft(2);
    service_.simulateThreeFingerSwipeUp();
    // Type, key, flags, scroll phase, count and delta of each event, all from the HID system.
    using Event = std::tuple<capture::EventType, int, uint64_t, int64_t, int64_t, double>;
    std::vector<Event> posted;
    for (const auto& [tap, event] : machine->postedEvents()) {
        EXPECT_EQ(event.source, capture::EventSourceState::HidSystem);
        posted.emplace_back(event.type, event.keyCode, event.flags, event.scrollPhase,
                            event.scrollCount, event.deltaAxis1);
    }
    using enum capture::EventType;
    EXPECT_EQ(posted, (std::vector<Event>{{KeyDown, 59, capture::kEventFlagControl, 0, 0, 0},
                                          {KeyDown, 123, 0, 0, 0, 0},
                                          {KeyUp, 123, 0, 0, 0, 0},
                                          {KeyUp, 59, 0, 0, 0, 0},
                                          {ScrollWheel, 0, 0, 1, 3, 0},
                                          {ScrollWheel, 0, 0, 2, 0, -15},
                                          {ScrollWheel, 0, 0, 4, 0, 0}}));
}

TEST_F(TavroUSBServiceOCTest, CapturedFramesBecomeImagesAndDataOfTheirPaddedRows) {
    auto pixels = std::make_shared<capture::PixelBuffer>(2, 2, 16);  // 8 bytes of padding
    pixels->lockBaseAddress();
    uint8_t* base = pixels->baseAddress();
    const uint8_t bgra[4] = {10, 20, 30, 255};
    std::copy(bgra, bgra + 4, base + 16 + 4);  // row 1, column 1
    pixels->unlockBaseAddress();
    const capture::SampleBuffer sample{pixels};

    const fd::ValueArray image = service_.bufferToImage(sample);
    ASSERT_EQ(image.size(), 3u);
    auto bitmap = image[0].objectAs<capture::BitmapImage>();
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(image[1], fd::Value(2));
    EXPECT_EQ(image[2], fd::Value(2));
    const std::vector<uint8_t> rgba(bitmap->rgba.begin() + 12, bitmap->rgba.end());
    EXPECT_EQ(rgba, (std::vector<uint8_t>{30, 20, 10, 255}));

    const fd::ValueArray data = service_.bufferToData(sample);
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0].data().size(), 32u);
    EXPECT_EQ(data[0].data()[20], 10);
    EXPECT_EQ(pixels->baseAddress(), nullptr);  // both unlocked again
    EXPECT_TRUE(service_.bufferToImage({}).empty());
}

// An interface-list entry of the link layer, linked in front of `next`.
struct FakeInterface {
    FakeInterface(const char* named, std::array<uint8_t, 6> address, FakeInterface* next)
        : name(named) {
        link.sll_family = AF_PACKET;
        link.sll_halen = 6;
        std::copy(address.begin(), address.end(), link.sll_addr);
        entry.ifa_next = next ? &next->entry : nullptr;
        entry.ifa_name = name.data();
        entry.ifa_addr = reinterpret_cast<sockaddr*>(&link);
    }
    sockaddr_ll link{};
    ifaddrs entry{};
    std::string name;
};

TEST(BridgeFunctions, HardwareAddressOfTheNamedLinkLayerEntry) {
    FakeInterface third("en0", {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01}, nullptr);
    FakeInterface second("en0", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, &third);
    FakeInterface first("lo", {0x0A, 0xBC, 0x01, 0xFF, 0x00, 0x7E}, &second);
    // The later "en0" entry wins.
    EXPECT_EQ(linkLayerAddressOf(&first.entry, "en0"), "de:ad:be:ef:00:01");
    // Leading zeros stay, letters are lower case.
    EXPECT_EQ(linkLayerAddressOf(&first.entry, "lo"), "0a:bc:01:ff:00:7e");
    EXPECT_EQ(linkLayerAddressOf(&first.entry, "en1"), "00:00:00:00:00:00");
    third.link.sll_halen = 4;  // too short to be a hardware address
    second.link.sll_family = AF_INET;
    EXPECT_EQ(linkLayerAddressOf(&first.entry, "en0"), "00:00:00:00:00:00");
    EXPECT_EQ(linkLayerAddressOf(nullptr, "en0"), "00:00:00:00:00:00");

    EXPECT_TRUE(std::regex_match(en0MacAddress(), std::regex("([0-9a-f]{2}:){5}[0-9a-f]{2}")));
    EXPECT_EQ(hex_byte_string(0x0A), "0a");
    EXPECT_EQ(hex_byte_string(0x1FF), "1ff");
}

TEST(BridgeFunctions, QuaternionFollowsTheLastReportMode) {
    const auto quaternion = [](int32_t mode) {
        glass_report_state::setLastMode(mode);
        std::array<float, 4> quat{9, 9, 9, 9};
        bridge_get_quaternion(quat);
        return quat;
    };
    glass_report_state::setLastOrientation({0.5f, 0.25f, 0.125f, 1});
    EXPECT_EQ(quaternion(1), (std::array<float, 4>{0.5f, 0.25f, 0.125f, 1}));
    EXPECT_EQ(quaternion(2), (std::array<float, 4>{9, 9, 9, 9})) << "no head tracker";
    auto tracker = std::make_shared<headtracking::HeadTracker>();
    tracker->setOrientation({0.1f, 0.2f, 0.3f, 0.9f});
    headtracking::setCurrentHeadTracker(tracker);
    EXPECT_EQ(quaternion(2), (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.9f}));
    headtracking::setCurrentHeadTracker(nullptr);
    EXPECT_EQ(quaternion(3), (std::array<float, 4>{9, 9, 9, 9}));
    glass_report_state::setLastMode(1);
    glass_report_state::setLastOrientation({0, 0, 0, 0});
}

}  // namespace
