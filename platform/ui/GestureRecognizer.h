#pragma once
// Gesture recognisers attached to a view: they watch the mouse events of that view and
// its subviews, move through their states and call their action. A click recogniser
// recognises a press and release without a drag; a pan recogniser begins when the mouse
// is dragged, changes with every further drag, and ends on release. Main thread only.

#include <functional>
#include <memory>

#include "platform/ui/Event.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/UiObject.h"

namespace platform::ui {

class View;

enum class GestureState : int {
    Possible = 0,
    Began = 1,
    Changed = 2,
    Ended = 3,
    Cancelled = 4,
    Failed = 5
};

class GestureRecognizer : public UiObject {
  public:
    using Action = std::function<void(GestureRecognizer&)>;

    void setAction(Action action) { action_ = std::move(action); }
    bool hasAction() const { return static_cast<bool>(action_); }
    GestureState state() const { return state_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    View* view() const { return view_.lock().get(); }

    // Where the last event of the gesture happened, in `view`'s coordinates (null: window).
    Point locationInView(const View* view) const;

    // Called by the window's event dispatch.
    virtual void mouseDown(const Event& event);
    virtual void mouseDragged(const Event& event) = 0;
    virtual void mouseUp(const Event& event) = 0;

    void attach(const std::shared_ptr<View>& view) { view_ = view; }

  protected:
    // Sets the state and calls the action for the states that report.
    void setState(GestureState state);
    Point startInWindow_;
    Point lastInWindow_;

    static constexpr double kDragThreshold = 3.0;

  private:
    Action action_;
    GestureState state_ = GestureState::Possible;
    bool enabled_ = true;
    std::weak_ptr<View> view_;
};

class ClickGestureRecognizer final : public GestureRecognizer {
  public:
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
};

class PanGestureRecognizer final : public GestureRecognizer {
  public:
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    // Movement since the gesture began, in `view`'s coordinates.
    Point translationInView(const View* view) const;
    void cancel();
};

using GestureRecognizerPtr = std::shared_ptr<GestureRecognizer>;

}  // namespace platform::ui
