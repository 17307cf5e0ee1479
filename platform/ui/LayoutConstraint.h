#pragma once
// A layout constraint holding one edge or dimension of a view at a constant: changing the
// constant moves or resizes the view at once. Only what the interfaces change at run time
// is modelled (a view's leading offset in its superview, and its other edges and sizes);
// everything else of a layout is fixed in the view description. Main thread only.

#include <memory>

#include "platform/ui/UiObject.h"

namespace platform::ui {

class View;

enum class LayoutAttribute { Leading, Trailing, Top, Bottom, Width, Height, CenterX, CenterY };

class LayoutConstraint : public UiObject {
  public:
    LayoutConstraint(std::weak_ptr<View> item, LayoutAttribute attribute, double constant)
        : item_(std::move(item)), attribute_(attribute), constant_(constant) {}

    double constant() const { return constant_; }
    void setConstant(double constant);
    LayoutAttribute attribute() const { return attribute_; }
    std::shared_ptr<View> item() const { return item_.lock(); }
    bool isActive() const { return active_; }
    void setActive(bool active);

    // Places the view by the constant (relative to its superview's bounds).
    void apply() const;

  private:
    std::weak_ptr<View> item_;
    LayoutAttribute attribute_;
    double constant_;
    bool active_ = true;
};

using LayoutConstraintPtr = std::shared_ptr<LayoutConstraint>;

}  // namespace platform::ui
