#pragma once
// Drives layer animations: while any layer has animations, a main-queue timer ticks every
// 1/60 s of Clock::current() time and brings every such layer to the clock's present,
// running the animations' start and stop events in order. With a manual clock a test
// advances the clock and drains the main loop (or calls tick()) to step animations exactly.
// Installing another clock restarts the ticks on it.
// Main thread only.

#include <memory>
#include <vector>

#include "platform/foundation/Dispatch.h"

namespace platform::ui {

class Layer;

class AnimationEngine {
  public:
    static AnimationEngine& shared();

    // Starts ticking for `layer` (held weakly: a layer that goes away stops its animations
    // without events).
    void track(const std::shared_ptr<Layer>& layer);
    // Brings every tracked layer to the present.
    void tick();
    size_t trackedCount() const { return layers_.size(); }

  private:
    void startTimer();
    void restartTimer();
    std::vector<std::weak_ptr<Layer>> layers_;
    std::shared_ptr<platform::foundation::DispatchTimer> timer_;
    bool ticking_ = false;
};

}  // namespace platform::ui
