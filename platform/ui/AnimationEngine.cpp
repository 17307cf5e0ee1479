#include "platform/ui/AnimationEngine.h"

#include <algorithm>

#include "platform/ui/Layer.h"

namespace platform::ui {

namespace fdn = platform::foundation;

AnimationEngine& AnimationEngine::shared() {
    static AnimationEngine* engine = [] {
        auto* made = new AnimationEngine();
        // A new clock has its own time line: the ticks start again on it.
        fdn::Clock::addChangeListener([] {
            if (fdn::isMainThread())
                AnimationEngine::shared().restartTimer();
            else
                fdn::mainQueue()->async([] { AnimationEngine::shared().restartTimer(); });
        });
        return made;
    }();
    return *engine;
}

void AnimationEngine::restartTimer() {
    if (timer_) {
        timer_->cancel();
        timer_.reset();
    }
    if (!layers_.empty()) startTimer();
}

void AnimationEngine::track(const std::shared_ptr<Layer>& layer) {
    bool known = std::any_of(layers_.begin(), layers_.end(),
                             [&](const std::weak_ptr<Layer>& w) { return w.lock() == layer; });
    if (!known) layers_.push_back(layer);
    startTimer();
}

void AnimationEngine::startTimer() {
    if (timer_) return;
    timer_ = fdn::DispatchTimer::make(fdn::mainQueue());
    auto interval = fdn::Clock::fromSeconds(1.0 / 60.0);
    timer_->setTimer(interval, interval);
    timer_->setEventHandler([this] { tick(); });
    timer_->resume();
}

void AnimationEngine::tick() {
    if (ticking_) return;  // a delegate that drains the main loop must not re-enter
    ticking_ = true;
    double now = Layer::currentMediaTime();
    // Events may add layers; walk a snapshot and keep what was added meanwhile.
    auto snapshot = layers_;
    std::vector<std::weak_ptr<Layer>> remaining;
    for (auto& weak : snapshot) {
        auto layer = weak.lock();
        if (layer && layer->advanceAnimations(now)) remaining.push_back(weak);
    }
    for (size_t i = snapshot.size(); i < layers_.size(); ++i) remaining.push_back(layers_[i]);
    // A layer that gained animations during its own events is still animating.
    for (auto& weak : snapshot) {
        auto layer = weak.lock();
        if (layer && layer->hasRunningAnimations() &&
            std::none_of(remaining.begin(), remaining.end(),
                         [&](const std::weak_ptr<Layer>& w) { return w.lock() == layer; })) {
            remaining.push_back(weak);
        }
    }
    layers_ = std::move(remaining);
    ticking_ = false;
    if (layers_.empty() && timer_) {
        timer_->cancel();
        timer_.reset();
    }
}

}  // namespace platform::ui
