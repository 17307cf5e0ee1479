#include <gtest/gtest.h>

#include "common/GlobalHelpers.h"
#include "platform/capture/CaptureServices.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TemporaryHome.h"

namespace fd = platform::foundation;
namespace capture = platform::capture;

namespace {

class GlobalHelpersTest : public ::testing::Test {
  protected:
    void SetUp() override { fd::UserDefaults::resetStandard(); }
    void TearDown() override {
        fd::clearMachineValues();
        capture::installCaptureMachine(nullptr);
        fd::UserDefaults::resetStandard();
    }
    test_support::TemporaryHome home_{"tavro-helpers"};
};

TEST_F(GlobalHelpersTest, RegionAndProcessorFacts) {
    const std::pair<std::optional<std::string>, bool> locales[] = {
        {std::nullopt, true}, {"zh_CN", true},  {"en_CN", true},      {"CN", true},
        {"zh_TW", false},     {"zh_cn", false}, {"zh-Hant_HK", false}};
    fd::MachineValues values;
    for (const auto& [locale, chinese] : locales) {
        values.appleLocale = locale;
        fd::setMachineValues(values);
        EXPECT_EQ(common::isChineseLocale(), chinese) << locale.value_or("(none)");
    }
    values.cpuBrand = std::string("Apple M1\0junk", 13);
    fd::setMachineValues(values);
    EXPECT_EQ(common::cpuBrandString(), "apple m1");
}

TEST_F(GlobalHelpersTest, DeviceIdentifierIsCreatedOnceAndKept) {
    EXPECT_TRUE(common::ensureDeviceID());
    EXPECT_FALSE(common::ensureDeviceID());
    const std::string identifier = common::deviceID();
    EXPECT_FALSE(identifier.empty());
    fd::UserDefaults::resetStandard();  // read back from the stored file
    EXPECT_EQ(common::deviceID(), identifier);
}

TEST_F(GlobalHelpersTest, UntrustedAccessibilityPromptsAndPostsOnePointerEvent) {
    auto clock = std::make_shared<fd::ManualClock>();
    fd::ScopedClock scoped(clock);
    const auto pointer = [] { return capture::Point{320, 200}; };
    EXPECT_FALSE(common::checkAccessibility(pointer));  // no machine: never trusted
    auto machine = std::make_shared<capture::CaptureMachine>(true, false);
    capture::installCaptureMachine(machine);
    EXPECT_FALSE(common::checkAccessibility(pointer) || common::checkAccessibility(pointer));
    EXPECT_EQ(machine->accessibilityPrompts(), 2);
    clock->advanceSeconds(0.3);
    fd::MainLoop::drain();
    const auto posted = machine->postedEvents();
    ASSERT_EQ(posted.size(), 1u);  // once per process run
    EXPECT_EQ(posted[0].event.type, capture::EventType::MouseMoved);
    EXPECT_EQ(posted[0].event.location, (capture::Point{320, 200}));
}

}  // namespace
