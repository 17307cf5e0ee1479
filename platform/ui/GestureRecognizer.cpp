#include "platform/ui/GestureRecognizer.h"

#include <cmath>

#include "platform/ui/View.h"

namespace platform::ui {

Point GestureRecognizer::locationInView(const View* view) const {
    return view ? view->convertPointFromView(lastInWindow_, nullptr) : lastInWindow_;
}

void GestureRecognizer::mouseDown(const Event& event) {
    state_ = GestureState::Possible;
    startInWindow_ = event.locationInWindow;
    lastInWindow_ = event.locationInWindow;
}

void GestureRecognizer::setState(GestureState state) {
    state_ = state;
    if (state == GestureState::Possible || state == GestureState::Failed) return;
    if (action_ && enabled_) {
        auto self = weak_from_this().lock();  // the action may drop the last other owner
        action_(*this);
    }
}

namespace {
bool movedBeyond(Point a, Point b, double threshold) {
    return std::hypot(a.x - b.x, a.y - b.y) > threshold;
}
}  // namespace

void ClickGestureRecognizer::mouseDragged(const Event& event) {
    lastInWindow_ = event.locationInWindow;
    if (state() == GestureState::Possible &&
        movedBeyond(startInWindow_, lastInWindow_, kDragThreshold)) {
        setState(GestureState::Failed);
    }
}

void ClickGestureRecognizer::mouseUp(const Event& event) {
    lastInWindow_ = event.locationInWindow;
    if (state() == GestureState::Possible) setState(GestureState::Ended);
}

void PanGestureRecognizer::mouseDragged(const Event& event) {
    lastInWindow_ = event.locationInWindow;
    if (state() == GestureState::Possible) {
        if (movedBeyond(startInWindow_, lastInWindow_, kDragThreshold))
            setState(GestureState::Began);
    } else if (state() == GestureState::Began || state() == GestureState::Changed) {
        setState(GestureState::Changed);
    }
}

void PanGestureRecognizer::mouseUp(const Event& event) {
    lastInWindow_ = event.locationInWindow;
    if (state() == GestureState::Began || state() == GestureState::Changed)
        setState(GestureState::Ended);
    else
        setState(GestureState::Failed);
}

void PanGestureRecognizer::cancel() {
    if (state() == GestureState::Began || state() == GestureState::Changed)
        setState(GestureState::Cancelled);
}

Point PanGestureRecognizer::translationInView(const View* view) const {
    Point a = view ? view->convertPointFromView(startInWindow_, nullptr) : startInWindow_;
    Point b = locationInView(view);
    return {b.x - a.x, b.y - a.y};
}

}  // namespace platform::ui
