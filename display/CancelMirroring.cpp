#include "appstate/AppDelegate.h"
#include "display/ScreenRecognition.h"
#include "display/tavroDisplayManager.h"
#include "platform/screens/DisplayServices.h"

namespace screens = platform::screens;

namespace {

// Stops `display` from mirroring in one permanent configuration; false when the
// completion fails (the configuration is then cancelled).
bool unmirror(uint32_t display) {
    screens::DisplayConfigRef config;
    if (screens::beginDisplayConfiguration(config) != screens::kDisplaySuccess) return false;
    // A refused configure alone does not decide the outcome; the completion does.
    screens::configureDisplayMirrorOfDisplay(config, display, screens::kNullDisplay);
    if (screens::completeDisplayConfiguration(config, screens::kConfigurePermanently) !=
        screens::kDisplaySuccess) {
        screens::cancelDisplayConfiguration(config);
        return false;
    }
    return true;
}

std::optional<uint32_t> hostNumber() {
    if (auto builtin = builtinScreen()) {
        if (auto number = displayNumberOf(*builtin)) return number;
    }
    return screenNumber();
}

std::shared_ptr<tavroDisplayManager> delegateDisplayManager() {
    if (auto manager = AppDelegate::shared().displayManager.get()) return manager;
    return tavroDisplayManager::shared();
}

}  // namespace

bool cancelMirroring(bool requireSecondScreen, bool makeHostMain) {
    auto list = screens::screens();
    size_t count = list.size();
    bool ok = requireSecondScreen ? count > 1 : true;
    for (const auto& screen : list) {
        if (!isTavroGlassScreenName(screen.localizedName)) continue;
        auto id = displayNumberOf(screen);
        if (!id) continue;
        bool unmirrored = !screens::displayIsInMirrorSet(*id) || unmirror(*id);
        if (!unmirrored) ok = false;
        if (!screens::displayIsMain(*id)) continue;
        // The glasses alone are fine as the main display, but not while still mirrored.
        if (count < 2) return unmirrored;
        if (!makeHostMain) {
            ok = false;
            continue;
        }
        if (auto host = hostNumber()) delegateDisplayManager()->setMainDisplay(*host);
    }
    if (count != 1) return ok;

    // One visible screen: the glasses may be hidden in the host's mirror set.
    auto host = hostNumber();
    if (!host) return ok;
    if (screens::displayIsInMirrorSet(*host)) unmirror(screens::mainDisplayId());
    return ok;
}
