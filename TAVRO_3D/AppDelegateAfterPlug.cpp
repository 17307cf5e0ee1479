#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "common/TavroFirmwareVersions.h"
#include "display/ScreenRecognition.h"
#include "glasses/GlassAudioVolume.h"
#include "glasses/GlassServer.h"
#include "platform/foundation/AssertMainThread.h"
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

// The un-mirroring and the search for the glasses screen. False when the glasses went
// meanwhile.
bool waitForGlassScreen(AppDelegate& delegate, uint64_t generation) {
    for (;;) {
        if (!shell::plugIsCurrent(generation)) return false;
        if (cancelMirroring(true, true)) break;
        if (!shell::sleepWhileCurrent(1.25, generation)) return false;
    }
    const int lookLimit = delegate.isCPUARM.load() ? 5 : 15;
    for (int looks = 0;; ++looks) {
        if (!shell::sleepWhileCurrent(1, generation)) return false;
        if (lookForGlassScreen(delegate) || looks == lookLimit) return true;
    }
}

// Asks the glasses for their version again every 2 s until it is there (a bootloader has
// none to give). False when the glasses went meanwhile.
bool waitForGlassVersion(AppDelegate& delegate, TavroVXServer& server, uint64_t generation) {
    int polls = 0;
    while (shell::plugIsCurrent(generation) &&
           common::isGlassVersionMissing(delegate.glassVersion.get())) {
        if (server.connectedDeviceIsBootloader()) break;
        if (!shell::sleepWhileCurrent(0.25, generation)) return false;
        if (++polls == 8) {
            server.getTavroGlassFirmwareVersion();
            polls = 0;
        }
    }
    return shell::plugIsCurrent(generation);
}

// The firmware decision's steps; true when the glasses' volume is to be followed.
bool setUpAfterDfuCheck(AppDelegate& delegate, bool needsDfu, uint64_t generation) {
    shell::PlugSequenceScope running;
    if (!shell::plugIsCurrent(generation)) return false;
    if (needsDfu) {
        delegate.isDfuUpdate = true;
        fd::mainQueue()->async([&delegate, generation] {
            if (shell::plugIsCurrent(generation)) delegate.showFirmwareUpdatePanel();
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
    showStartPanelLater(delegate, generation);
    if (!sendSetUpCommands(delegate, *server, generation)) return false;
    return delegate.checkExtendedDisplay() && server->glassGeneration() == 2;
}

}  // namespace

void AppDelegate::startGlassSetup(uint64_t plugGeneration) {
    // An update check answered late (after an unplug, or dropped by the quit) sets nothing
    // up.
    if (!shell::plugIsCurrent(plugGeneration)) return;
    fd::globalQueue()->async([this, plugGeneration] { waitForGlassDisplay(plugGeneration); });
}

void AppDelegate::waitForGlassDisplay(uint64_t plugGeneration) {
    // Counted before the look at the generation, so that a quit either sees this sequence
    // running and waits for it, or has ended the sequences before the look.
    shell::PlugSequenceScope running;
    if (!shell::plugIsCurrent(plugGeneration)) return;
    auto server = glassServer(*this);
    // Glasses that come up in their bootloader bring no screen: waiting for one (or for a
    // second screen to un-mirror) would last as long as the bootloader stays.
    if (!server->connectedDeviceIsBootloader() && !waitForGlassScreen(*this, plugGeneration))
        return;
    if (!waitForGlassVersion(*this, *server, plugGeneration)) return;
    shell::PlugDfuCheckHandler handler(*this, plugGeneration);
    server->checkDfuUpdate(handler);
}

void AppDelegate::handleDfuCheckResult(bool needsDfu, uint64_t plugGeneration) {
    // The listener waits for the glasses' audio device for as long as the glasses stay; the
    // wait ends at the quit, which waits for this sequence.
    if (setUpAfterDfuCheck(*this, needsDfu, plugGeneration)) addAudioOutputVolumeListener();
}

void AppDelegate::showFirmwareUpdatePanel() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (glassServer(*this)->connectedDeviceIsBootloader()) shell::beginUpdateWhenShown();
    if (auto mainWindow = window.get()) {
        mainWindow->setContentViewController(shell::panelController(shell::Panel::FirmwareUpdate));
    }
}
