#include "platform/sim/PlatformBackends.h"

#include <unistd.h>

#include "platform/audio/AudioHardware.h"
#include "platform/capture/CaptureServices.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Workspace.h"
#include "platform/hid/HidApi.h"
#include "platform/hid/SerialPorts.h"
#include "platform/net/BackendHosts.h"
#include "platform/screens/DisplayServer.h"
#include "platform/ui/Screen.h"

namespace platform::sim {

std::string simMacHomeFolder(const std::string& machineName) {
    std::string folder = foundation::temporaryDirectory();
    folder =
        foundation::appendPathComponent(folder, "Tavro3D-SimMac-" + std::to_string(::getuid()));
    return foundation::appendPathComponent(folder, machineName.empty() ? "mac" : machineName);
}

foundation::Result<std::unique_ptr<PlatformBackends>> PlatformBackends::install(
    BackendChoice choice) {
    std::unique_ptr<PlatformBackends> backends(new PlatformBackends);
    const bool simulated = choice.machine == BackendChoice::Machine::Simulated;
    if (simulated) {
        backends->home_ =
            choice.homeFolder.empty() ? simMacHomeFolder(choice.machineName) : choice.homeFolder;
        if (choice.freshHome) foundation::removeItem(backends->home_);
    } else {
        backends->home_ = choice.homeFolder;
    }
    if (!backends->home_.empty()) {
        for (const char* folder : {"Documents", "Library/Application Support", "Library/Caches",
                                   "Library/Preferences"}) {
            auto path = foundation::appendPathComponent(backends->home_, folder);
            if (auto error = foundation::createDirectory(path, true)) return *error;
        }
        foundation::setHomeDirectory(backends->home_);
    } else {
        backends->home_ = foundation::homeDirectory();
    }
    foundation::Workspace::shared().clearOpenedURLs();

    if (simulated) {
        // The SimMac installs its displays (which the interface's screens follow), audio,
        // capture, machine values and serial ports.
        backends->mac_ = std::make_unique<SimMac>(std::move(choice.profile));
        ui::setScreenSource(nullptr);
        hid::setHidApi(hid::makeHidApi(hid::HidApiBackend::Simulated));
    } else {
        screens::installDisplayServer(nullptr);
        audio::installAudioHardware(nullptr);
        capture::installCaptureMachine(nullptr);
        hid::installSerialPortSource(nullptr);
        // Not the interface's default screen: this machine has no display server of ours.
        ui::setScreenSource(std::make_shared<ui::FixedScreenSource>(std::vector<ui::Screen>{}));
        hid::setHidApi(hid::makeHidApi(hid::HidApiBackend::Real));
        net::BackendHosts::setCurrent(net::BackendHosts::deployment());
    }
    return backends;
}

PlatformBackends::~PlatformBackends() {
    hid::setHidApi(nullptr);
    ui::setScreenSource(nullptr);
    mac_.reset();
    foundation::setHomeDirectory({});
}

}  // namespace platform::sim
