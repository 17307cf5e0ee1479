#pragma once
// Animations of a layer's key path ("opacity", "position", "bounds", "anchorPoint",
// "cornerRadius", "backgroundColor", "transform", "transform.rotation.z"): from a value to
// a value, starting at a begin time in seconds of Clock::current() (0: when added), over a
// duration, with a timing curve, filling forwards or not, removed on completion or not,
// and telling a delegate when it starts and stops. A layer keeps a copy of the animation
// it is given, so changing an animation after adding it changes nothing. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"

namespace platform::ui {

using AnimatableValue = std::variant<double, Point, Size, Rect, Color, AffineTransform>;

// Linear interpolation between two values of the same kind; `to` when the kinds differ.
AnimatableValue interpolate(const AnimatableValue& from, const AnimatableValue& to, double t);

enum class TimingFunction { Linear, EaseIn, EaseOut, EaseInEaseOut };
double applyTiming(TimingFunction timing, double t);

enum class FillMode { Removed, Forwards, Backwards, Both };

class Animation;

class AnimationDelegate {
  public:
    virtual ~AnimationDelegate() = default;
    virtual void animationDidStart(const Animation&) {}
    virtual void animationDidStop(const Animation&, bool /*finished*/) {}
};

class Animation {
  public:
    static std::shared_ptr<Animation> basic(std::string keyPath) {
        auto animation = std::make_shared<Animation>();
        animation->keyPath = std::move(keyPath);
        return animation;
    }

    std::string keyPath;
    std::optional<AnimatableValue> fromValue;  // none: the value when the animation is added
    std::optional<AnimatableValue> toValue;    // none: the layer's model value
    double beginTime = 0;                      // seconds of Clock::current(); 0: when added
    double duration = 0.25;
    TimingFunction timing = TimingFunction::Linear;
    FillMode fillMode = FillMode::Removed;
    bool removedOnCompletion = true;
    // Held strongly, as the platform's animations hold their delegates.
    std::shared_ptr<AnimationDelegate> delegate;
};

using AnimationPtr = std::shared_ptr<Animation>;

}  // namespace platform::ui
