#pragma once
// The owner of the AI-3D mode: it opens the AI-3D window, puts it full screen on the
// glasses screen, starts the stereo pipeline of its view controller and reports the
// outcome with "TAVRO_Glass_Display_StatusChange_SuccessOrError" (1: running on the
// glasses, 0: the 30 s watchdog fired first, or the Mac cannot run the mode). One instance
// exists for the life of the process.
//
// Threads: startAI3D, stopAI3D and resumeCaptureAfterWake may be called from any thread;
// they do their window work on the main queue. The watchdog runs on a global queue. The
// fields are guarded, so any thread may read them.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "appstate/DepthCaptureControl.h"
#include "platform/foundation/Guarded.h"

namespace platform::ui {
class Window;
}

class TavroDepth3DViewController;

inline constexpr const char* kGlassDisplayStatusSuccessOrErrorNotification =
    "TAVRO_Glass_Display_StatusChange_SuccessOrError";

class TavroDepthCustomManager final : public DepthCaptureControl {
  public:
    // Seconds the start may take before 0 is posted.
    static constexpr double kWatchdogSeconds = 30.0;
    // Seconds between the window leaving full screen and its closing.
    static constexpr double kCloseDelaySeconds = 0.3;
    // Seconds between two looks for the glasses screen while the start waits for it.
    static constexpr double kScreenPollSeconds = 0.1;

    // The one manager, made on first use (which also prepares the depth model).
    static TavroDepthCustomManager& shared();
    // The same instance as a shared pointer, as the delegate keeps it.
    static std::shared_ptr<TavroDepthCustomManager> sharedPointer();

    // The AI-3D window, present once it has been created.
    std::shared_ptr<platform::ui::Window> depthWindow() const { return depthWindow_.get(); }
    // The view controller shown in that window; present from creation.
    std::shared_ptr<TavroDepth3DViewController> deopth3DViewController() const {
        return deopth3DViewController_.get();
    }

    void startAI3D();
    void stopAI3D();
    // true: stop the capture; false: start it when the window is visible, else stop it.
    void resumeCaptureAfterWake(bool stop) override;

    // What the sleep and wake observers use.
    bool hasDepthWindow() const override;
    void stopDepthWindowCapture() override;

    // The timer key of the armed watchdog, empty when none is armed.
    std::string watchdogKey() const;

    TavroDepthCustomManager(const TavroDepthCustomManager&) = delete;
    TavroDepthCustomManager& operator=(const TavroDepthCustomManager&) = delete;

  private:
    TavroDepthCustomManager();
    void armWatchdog();
    void cancelWatchdog();
    // Disarms the watchdog when it is still armed (and, given, is the one armed as
    // `armed`); true for the one caller that disarmed it, which decides the outcome.
    bool claimWatchdog(std::optional<uint64_t> armed);
    // Main queue: the window, its full screen place on the glasses screen, the post of 1.
    void openOnGlasses(uint64_t start);
    void showUnsupported();
    std::shared_ptr<platform::ui::Window> makeWindow();

    platform::foundation::Guarded<std::shared_ptr<platform::ui::Window>> depthWindow_;
    platform::foundation::Guarded<std::shared_ptr<TavroDepth3DViewController>>
        deopth3DViewController_;
    mutable platform::foundation::Mutex watchdogMutex_;  // guards the three watchdog fields
    std::string watchdogKey_ TAVRO_GUARDED_BY(watchdogMutex_);
    uint64_t watchdogSerial_ TAVRO_GUARDED_BY(watchdogMutex_) = 0;
    bool watchdogArmed_ TAVRO_GUARDED_BY(watchdogMutex_) = false;
    // Every start and stop moves this on, so a start still waiting for the glasses screen
    // knows it has been overtaken.
    std::atomic<uint64_t> startGeneration_{0};
};
