#include "platform/backends/PlatformBackends.h"

#include <unistd.h>

#include <vector>

#include "platform/audio/AudioHardware.h"
#include "platform/capture/CaptureServices.h"
#include "platform/capture/CaptureStream.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/Workspace.h"
#include "platform/hid/HidApi.h"
#include "platform/hid/RealHidApi.h"
#include "platform/hid/SerialPorts.h"
#include "platform/net/BackendHosts.h"
#include "platform/screens/DisplayServer.h"
#include "platform/sim/SimulatedHidApi.h"
#include "platform/ui/Screen.h"

namespace platform::backends {

namespace {

// The folder of this user's SimMacs, in the temporary folder that every user shares.
std::string simMacsFolder() {
    return foundation::appendPathComponent(foundation::temporaryDirectory(),
                                           "Tavro3D-SimMac-" + std::to_string(::getuid()));
}

}  // namespace

std::string simMacHomeFolder(const std::string& machineName) {
    return foundation::appendPathComponent(simMacsFolder(),
                                           machineName.empty() ? "mac" : machineName);
}

foundation::Result<std::unique_ptr<PlatformBackends>> PlatformBackends::install(
    BackendChoice choice) {
    std::unique_ptr<PlatformBackends> backends(new PlatformBackends);
    backends->previousHome_ = foundation::homeDirectory();
    const bool simulated = choice.machine == BackendChoice::Machine::Simulated;
    if (simulated) {
        if (choice.homeFolder.empty()) {
            // Another user could have put a link or a folder of theirs under this name, to
            // have the run write (and truncate) files where they choose, or read its files.
            if (auto unsafe = foundation::claimPrivateFolder(simMacsFolder())) {
                unsafe->localizedDescription =
                    "the simulated Macs' folder is unsafe: " + unsafe->localizedDescription;
                return *unsafe;
            }
        }
        backends->home_ =
            choice.homeFolder.empty() ? simMacHomeFolder(choice.machineName) : choice.homeFolder;
        if (choice.freshHome) foundation::removeItem(backends->home_);
    } else {
        backends->home_ = choice.homeFolder;
    }
    if (!backends->home_.empty()) {
        // The SimMac's files are its user's alone, as a Mac's home folder is.
        const auto access =
            simulated ? foundation::FolderAccess::OwnerOnly : foundation::FolderAccess::Default;
        for (const char* folder : {"Documents", "Library/Application Support", "Library/Caches",
                                   "Library/Preferences"}) {
            auto path = foundation::appendPathComponent(backends->home_, folder);
            if (auto error = foundation::createDirectory(path, true, access)) return *error;
        }
        foundation::setHomeDirectory(backends->home_);
    } else {
        backends->home_ = foundation::homeDirectory();
    }
    foundation::Workspace::shared().clearOpenedURLs();

    if (simulated) {
        backends->mac_ = std::make_unique<sim::SimMac>(std::move(choice.profile));
        backends->installSimMac();
    } else {
        backends->installReal();
    }
    return backends;
}

void PlatformBackends::installSimMac() {
    sim::SimMac& mac = *mac_;
    foundation::setMachineValues(mac.profile().machine);
    // The interface's screens follow the display server, and so does the cursor.
    screens::installDisplayServer(mac.displayServer());
    ui::setScreenSource(nullptr);
    audio::installAudioHardware(mac.audioHardware());
    capture::installCaptureMachine(mac.captureMachine());
    capture::installFrameSource(mac.frameSource());
    hid::installSerialPortSource(hid::registrySerialPorts(mac.usbBus().usbRegistry()));
    hid::setHidApi(sim::makeSimulatedHidApi(mac.usbBus().hidBus()));
    const std::string address = mac.backend().baseAddress();
    net::BackendHosts::setCurrent({address, address});
}

void PlatformBackends::installReal() {
    foundation::clearMachineValues();
    screens::installDisplayServer(nullptr);
    // Not the interface's default screen: this machine has no display server of ours.
    ui::setScreenSource(std::make_shared<ui::FixedScreenSource>(std::vector<ui::Screen>{}));
    audio::installAudioHardware(nullptr);
    capture::installCaptureMachine(nullptr);
    capture::installFrameSource(nullptr);
    hid::installSerialPortSource(nullptr);
    hid::setHidApi(hid::makeRealHidApi());
    net::BackendHosts::setCurrent(net::BackendHosts::deployment());
}

PlatformBackends::~PlatformBackends() {
    hid::setHidApi(nullptr);
    ui::setScreenSource(nullptr);
    if (mac_) {
        // The machine goes first, so that its devices leave while its parts are still the
        // platform's; what a test installed in place of a part stays.
        const auto displays = mac_->displayServer();
        const auto audio = mac_->audioHardware();
        const auto capture = mac_->captureMachine();
        const auto frames = mac_->frameSource();
        mac_.reset();
        hid::installSerialPortSource(nullptr);
        if (screens::displayServer() == displays) screens::installDisplayServer(nullptr);
        if (audio::audioHardware() == audio) audio::installAudioHardware(nullptr);
        if (capture::captureMachine() == capture) capture::installCaptureMachine(nullptr);
        if (capture::frameSource() == frames) capture::installFrameSource(nullptr);
        foundation::clearMachineValues();
        net::BackendHosts::setCurrent(net::BackendHosts::deployment());
    }
    foundation::setHomeDirectory(previousHome_);
}

}  // namespace platform::backends
