#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "platform/audio/AudioHardware.h"
#include "platform/backends/PlatformBackends.h"
#include "platform/capture/CaptureServices.h"
#include "platform/capture/CaptureStream.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/hid/HidApi.h"
#include "platform/hid/SerialPorts.h"
#include "platform/net/BackendHosts.h"
#include "platform/screens/DisplayServer.h"
#include "platform/sim/VirtualUsbDevice.h"
#include "platform/ui/Screen.h"
#include "tests/support/TemporaryHome.h"

using namespace platform;
using namespace platform::backends;
using platform::sim::MachineProfile;
using platform::sim::SimMac;

namespace {

MachineProfile macbook() {
    auto parsed = sim::parseMachineProfile(R"({
        "model": "MacBookPro18,3", "locale": "en_US",
        "builtinDisplay": {"name": "Built-in Retina Display", "vendorId": 1552,
                           "productId": 41240, "modes": [{"width": 1512, "height": 982}]},
        "externalDisplays": [{"name": "DELL U2723QE", "vendorId": 4268, "productId": 16800,
                              "modes": [{"width": 2560, "height": 1440}]}],
        "permissions": {"screenRecording": false}})");
    return parsed.value();
}

size_t serialPortCount() {
    foundation::ValueDictionary streams = hid::serviceMatching("IOSerialBSDClient").dictionary();
    streams[hid::kIOSerialBSDTypeKey] = std::string(hid::kIOSerialBSDAllTypes);
    auto services = hid::matchingSerialServices(foundation::Value(streams));
    return services ? services->size() : 0;
}

TEST(PlatformBackends, ASimulatedRunReachesOnlyTheSimMac) {
    const test_support::TemporaryHome outer("tavro-backends-outer");
    const test_support::TemporaryFolder folder("tavro-backends");
    const std::string& home = folder.path();
    BackendChoice choice;
    choice.profile = macbook();
    choice.homeFolder = home;
    std::string backendAddress;
    {
        auto installed = PlatformBackends::install(choice);
        ASSERT_TRUE(installed);
        auto& backends = *installed.value();
        ASSERT_TRUE(backends.isSimulated());
        SimMac& mac = *backends.mac();

        // Files go to the SimMac's own home folder.
        EXPECT_EQ(foundation::homeDirectory(), home);
        EXPECT_TRUE(foundation::isDirectory(home + "/Library/Application Support"));
        EXPECT_EQ(foundation::documentsDirectory(), home + "/Documents");
        EXPECT_EQ(foundation::sysctlString("hw.model"), "MacBookPro18,3");
        EXPECT_EQ(foundation::appleLocale(), "en_US");

        // The display server, the interface's screens (main first, y-up), audio, capture.
        EXPECT_EQ(screens::displayServer().get(), &mac.displays());
        auto shown = ui::Screen::screens();
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0].localizedName, "Built-in Retina Display");
        EXPECT_EQ(shown[0].frame.size.width, 1512);
        EXPECT_LT(shown[0].visibleFrame.size.height, shown[0].frame.size.height);
        EXPECT_EQ(shown[1].localizedName, "DELL U2723QE");
        EXPECT_EQ(audio::audioHardware().get(), &mac.audio());
        EXPECT_EQ(capture::captureMachine().get(), &mac.capture());
        EXPECT_EQ(capture::frameSource(), mac.frameSource());
        EXPECT_FALSE(mac.capture().screenRecordingAllowed());

        // Both region hosts reach the SimMac's backend server.
        backendAddress = mac.backend().baseAddress();
        EXPECT_NE(mac.backend().port(), 0);
        EXPECT_EQ(net::BackendHosts::current().domestic, backendAddress);
        EXPECT_EQ(net::BackendHosts::current().overseas, backendAddress);

        // hidapi for the firmware updater reaches the simulated bus, and the serial ports
        // are those of the SimMac's USB devices.
        auto glasses = SimMac::makeDevice({});
        mac.plugDevice(glasses);
        auto api = hid::hidApiShared();
        auto* found = api->hid_enumerate(0x0483, 0);
        EXPECT_NE(found, nullptr);
        api->hid_free_enumeration(found);
        EXPECT_EQ(ui::Screen::screens().size(), 3u) << "the glasses bring their screen";
        mac.unplugDevice(glasses);
        EXPECT_EQ(ui::Screen::screens().size(), 2u);
        auto modem = std::make_shared<sim::VirtualUsbDevice>(sim::VirtualUsbIdentity{
            0x2341, 0x0043, "Modem", "Vendor", "SN1", std::string("/dev/cu.usbmodem1")});
        mac.usbBus().plugUsb(modem);
        EXPECT_EQ(serialPortCount(), 1u);
        mac.usbBus().unplugUsb(modem);
        EXPECT_EQ(serialPortCount(), 0u);
    }
    // Taken down again: the home folder is the one before the run.
    EXPECT_EQ(foundation::homeDirectory(), outer.path());
    EXPECT_EQ(screens::displayServer(), nullptr);
    EXPECT_EQ(audio::audioHardware(), nullptr);
    EXPECT_EQ(capture::captureMachine(), nullptr);
    EXPECT_EQ(capture::frameSource(), nullptr);
    EXPECT_NE(foundation::sysctlString("hw.model"), "MacBookPro18,3");
    EXPECT_EQ(net::BackendHosts::current().domestic, net::BackendHosts::deployment().domestic);
    EXPECT_NE(net::BackendHosts::current().overseas, backendAddress);
}

TEST(PlatformBackends, ARealRunHasNoSimulatedMachine) {
    BackendChoice choice;
    choice.machine = BackendChoice::Machine::Real;
    auto installed = PlatformBackends::install(choice);
    ASSERT_TRUE(installed);
    auto& backends = *installed.value();
    EXPECT_FALSE(backends.isSimulated());
    EXPECT_EQ(screens::displayServer(), nullptr);
    EXPECT_TRUE(ui::Screen::screens().empty()) << "no made-up default screen";
}

TEST(PlatformBackends, TheDefaultHomeIsTheSameForOneMachineAndApartFromTheUsers) {
    EXPECT_EQ(simMacHomeFolder("macmini"), simMacHomeFolder("macmini"));
    EXPECT_NE(simMacHomeFolder("macmini"), simMacHomeFolder("macbook"));
    const char* user = std::getenv("HOME");
    if (user && *user) {
        EXPECT_NE(simMacHomeFolder("macbook").rfind(user, 0), 0u);
    }
}

// The SimMacs' folder lies in the temporary folder every user shares: made or taken only as
// this user's own private folder, never through a link or in another user's folder.
TEST(PlatformBackends, TheSimMacsFolderIsTheUsersAloneOrTheRunDoesNotStart) {
    const test_support::TemporaryHome outer("tavro-backends-outer");
    const test_support::TemporaryFolder temporary("tavro-backends-tmp");
    const std::optional<std::string> previousTmp =
        std::getenv("TMPDIR") ? std::optional<std::string>(std::getenv("TMPDIR")) : std::nullopt;
    ::setenv("TMPDIR", temporary.path().c_str(), 1);
    const std::string shared = temporary.file("Tavro3D-SimMac-" + std::to_string(::getuid()));
    const auto install = [] {
        BackendChoice choice;
        choice.profile = macbook();
        choice.machineName = "macmini";
        return PlatformBackends::install(choice);
    };
    const auto modeOf = [](const std::string& path) {
        struct stat info {};
        return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
    };
    ASSERT_FALSE(foundation::createDirectory(temporary.file("theirs"), false));
    ASSERT_EQ(::symlink(temporary.file("theirs").c_str(), shared.c_str()), 0);
    auto refused = install();
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().localizedDescription.find(shared + " is a symbolic link"),
              std::string::npos)
        << refused.error().localizedDescription;
    EXPECT_FALSE(foundation::fileExists(temporary.file("theirs/macmini")));
    // An earlier run's folder, open to all, is closed; what the run makes is private.
    ASSERT_FALSE(foundation::removeItem(shared));
    ASSERT_EQ(::mkdir(shared.c_str(), 0755), 0);
    {
        auto installed = install();
        ASSERT_TRUE(installed) << installed.error().localizedDescription;
        for (const char* folder : {"", "/macmini", "/macmini/Library/Preferences"})
            EXPECT_EQ(modeOf(shared + folder), 0700u) << folder;
    }
    if (::chown(shared.c_str(), 65534, 65534) == 0) {
        refused = install();
        ASSERT_FALSE(refused);
        EXPECT_NE(refused.error().localizedDescription.find("belongs to user 65534"),
                  std::string::npos);
    }
    previousTmp ? ::setenv("TMPDIR", previousTmp->c_str(), 1) : ::unsetenv("TMPDIR");
}

}  // namespace
