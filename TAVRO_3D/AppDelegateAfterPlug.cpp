#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "common/TavroFirmwareVersions.h"
#include "display/ScreenRecognition.h"
#include "glasses/GlassAudioVolume.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/screens/DisplayServices.h"
#include "platform/ui/Window.h"

namespace fd = platform::foundation;

namespace {

// Looks once at the screens: remembers the built-in one and the glasses one (the last
// match wins); true when a glasses screen is there.
bool lookForGlassScreen(AppDelegate& delegate) {
    bool found = false;
    for (const auto& screen : platform::screens::screens()) {
        const auto number = displayNumberOf(screen);
        if (!number) continue;
        if (platform::screens::displayIsBuiltin(*number)) delegate.builtinDisplayID = *number;
        if (isTavroGlassScreenName(screen.localizedName)) {
            delegate.glassDisplayID = *number;
            found = true;
        }
    }
    return found;
}

void showStartPanelLater(AppDelegate& delegate, uint64_t generation) {
    fd::mainQueue()->async([&delegate, generation] {
        if (shell::plugIsCurrent(generation)) shell::showStartPanel(delegate);
    });
}

// The commands that set freshly plugged glasses up, 0.05 s apart; the server sends each
// only to the glasses it concerns. False when the glasses went meanwhile.
bool sendSetUpCommands(AppDelegate& delegate, TavroVXServer& server, uint64_t generation) {
    if (!shell::plugIsCurrent(generation)) return false;
    server.setImmersion(server.getImmersion(), true);
    if (!shell::sleepWhileCurrent(0.05, generation)) return false;
    server.getIMUOffSetNew();
    if (!shell::sleepWhileCurrent(0.05, generation)) return false;
    if (!shell::sleepWhileCurrent(0.05, generation)) return false;
    server.getLightSensorWearInfo();
    if (delegate.isOpen3D.load()) {
        if (!shell::sleepWhileCurrent(0.05, generation)) return false;
        server.setLightSensorWearDetection(true);
    }
    return shell::plugIsCurrent(generation);
}

}  // namespace

void AppDelegate::startGlassSetup() {
    shell::startGlassSetupFor(*this, shell::plugGeneration());
}

void AppDelegate::waitForGlassDisplay() {
    shell::waitForGlassDisplayFor(*this, shell::plugGeneration());
}

void AppDelegate::handleDfuCheckResult(bool needsDfu) {
    shell::handleDfuCheckResultFor(*this, needsDfu, shell::plugGeneration());
}

void AppDelegate::showFirmwareUpdatePanel() {
    if (shell::connectedDeviceIsBootloader(*this)) shell::beginUpdateWhenShown();
    if (auto mainWindow = window.get()) {
        mainWindow->setContentViewController(shell::panelController(shell::Panel::FirmwareUpdate));
    }
}

namespace shell {

void startGlassSetupFor(AppDelegate& delegate, uint64_t generation) {
    fd::globalQueue()->async(
        [&delegate, generation] { waitForGlassDisplayFor(delegate, generation); });
}

void waitForGlassDisplayFor(AppDelegate& delegate, uint64_t generation) {
    PlugSequenceScope running;
    auto server = glassServer(delegate);
    if (!server) return;

    // Glasses that come up in their bootloader bring no screen: waiting for one (or for a
    // second screen to un-mirror) would last as long as the bootloader stays.
    if (!connectedDeviceIsBootloader(delegate)) {
        while (!cancelMirroring(true, true)) {
            if (!plugIsCurrent(generation)) return;
            if (!sleepWhileCurrent(1.25, generation)) return;
        }
        const int lookLimit = delegate.isCPUARM.load() ? 5 : 15;
        for (int looks = 0;; ++looks) {
            if (!sleepWhileCurrent(1, generation)) return;
            if (lookForGlassScreen(delegate) || looks == lookLimit) break;
        }
    }

    int polls = 0;
    while (plugIsCurrent(generation) &&
           common::isGlassVersionMissing(delegate.glassVersion.get())) {
        if (connectedDeviceIsBootloader(delegate)) break;
        if (!sleepWhileCurrent(0.25, generation)) return;
        if (++polls == 8) {
            server->getTavroGlassFirmwareVersion();
            polls = 0;
        }
    }
    if (!plugIsCurrent(generation)) return;
    PlugDfuCheckHandler handler(delegate, generation);
    server->checkDfuUpdate(handler);
}

namespace {

// The firmware decision's steps; true when the glasses' volume is to be followed.
bool setUpAfterDfuCheck(AppDelegate& delegate, bool needsDfu, uint64_t generation) {
    PlugSequenceScope running;
    if (!plugIsCurrent(generation)) return false;
    if (needsDfu) {
        delegate.isDfuUpdate = true;
        fd::mainQueue()->async([&delegate, generation] {
            if (plugIsCurrent(generation)) delegate.showFirmwareUpdatePanel();
        });
        return false;
    }
    if (delegate.isDfuUpdate.load()) {
        // The glasses came back after their update: the panel on screen shows the success.
        delegate.isDfuUpdate = false;
        common::postNotification(common::AppIdentifier() + ".dfuUpdate_status", fd::Value(true));
        return false;
    }
    auto server = glassServer(delegate);
    if (!server) return false;
    showStartPanelLater(delegate, generation);
    if (!sendSetUpCommands(delegate, *server, generation)) return false;
    return delegate.checkExtendedDisplay() && server->glassGeneration() == 2;
}

}  // namespace

void handleDfuCheckResultFor(AppDelegate& delegate, bool needsDfu, uint64_t generation) {
    // Outside the sequence's scope: the listener waits for the glasses' audio device for as
    // long as the glasses stay, and the quit must not wait for that.
    if (setUpAfterDfuCheck(delegate, needsDfu, generation)) addAudioOutputVolumeListener();
}

}  // namespace shell
