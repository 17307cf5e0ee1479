#pragma once
// Animation groups for views: inside runAnimationGroup, changes made through a view's
// animator become animations of the group's duration and timing; the completion runs
// once every one of them has stopped (on the main queue, after the changes, also when
// nothing was animated). Outside a group, an animator change animates over 0.25 s.
// Main thread only.

#include <functional>
#include <memory>

#include "platform/ui/Animation.h"

namespace platform::ui {

class View;

class AnimationContext {
  public:
    static void runAnimationGroup(const std::function<void(AnimationContext&)>& changes,
                                  std::function<void()> completion = {});
    // The group whose changes are running, or null.
    static AnimationContext* current();

    double duration = 0.25;
    TimingFunction timing = TimingFunction::EaseInEaseOut;

    // Makes `animation` one of the group's (before it is added to a layer).
    void track(Animation& animation);

    struct Group;

  private:
    std::shared_ptr<Group> group_;
};

// Animated changes of a view's properties.
class ViewAnimator {
  public:
    explicit ViewAnimator(View& view) : view_(view) {}
    void setAlphaValue(double alpha);

  private:
    View& view_;
};

inline ViewAnimator animator(View& view) {
    return ViewAnimator(view);
}

}  // namespace platform::ui
