#include "appstate/AppDelegate.h"
#include "display/ScreenRecognition.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/Dispatch.h"
#include "platform/screens/Screen.h"

namespace {

// Runs on the main queue. `idle` is the server's switch state, shared so that a step
// scheduled before the server went away still works on live memory.
void resolutionStep(const std::shared_ptr<std::atomic<bool>>& idle, bool isBig,
                    const std::function<void(bool)>& complation) {
    idle->store(false);
    const auto report = [&](bool ok) {
        if (complation) complation(ok);
    };
    for (const Screen& screen : platform::screens::screens()) {
        if (!isTavroGlassScreenName(screen.localizedName)) continue;
        const uint32_t display = displayNumberOf(screen).value_or(0);
        switchDisplayResolution(display, isBig ? 3840 : 1920, screen.frame.height, report);
        return;
    }
    report(false);
}

}  // namespace

void TavroVXServer::deviceChangeResolution(bool isBig, std::function<void(bool)> complation) {
    const double delay = isBig && !AppDelegate::shared().isCPUARM.load() ? 5.0 : 2.0;
    if (!resolutionIdle_->load()) return;
    platform::foundation::mainQueue()->asyncAfterSeconds(
        delay, [idle = resolutionIdle_, isBig, complation = std::move(complation)] {
            resolutionStep(idle, isBig, complation);
        });
}
