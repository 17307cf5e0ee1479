#include "platform/ui/LayoutConstraint.h"

#include "platform/ui/View.h"

namespace platform::ui {

void LayoutConstraint::setConstant(double constant) {
    constant_ = constant;
    apply();
}

void LayoutConstraint::setActive(bool active) {
    active_ = active;
    apply();
}

void LayoutConstraint::apply() const {
    auto view = item_.lock();
    if (!view || !active_) return;
    Rect f = view->frame();
    View* parent = view->superview();
    Rect container = parent ? parent->bounds() : Rect{};
    bool flipped = parent && parent->isFlipped();
    switch (attribute_) {
        case LayoutAttribute::Leading:
            f.origin.x = container.minX() + constant_;
            break;
        case LayoutAttribute::Trailing:
            f.origin.x = container.maxX() - constant_ - f.size.width;
            break;
        case LayoutAttribute::CenterX:
            f.origin.x = container.midX() + constant_ - f.size.width / 2;
            break;
        case LayoutAttribute::Top:
            f.origin.y = flipped ? container.minY() + constant_
                                 : container.maxY() - constant_ - f.size.height;
            break;
        case LayoutAttribute::Bottom:
            f.origin.y = flipped ? container.maxY() - constant_ - f.size.height
                                 : container.minY() + constant_;
            break;
        case LayoutAttribute::CenterY:
            f.origin.y = container.midY() + (flipped ? constant_ : -constant_) - f.size.height / 2;
            break;
        case LayoutAttribute::Width:
            f.size.width = constant_;
            break;
        case LayoutAttribute::Height:
            f.size.height = constant_;
            break;
    }
    view->setFrame(f);
}

}  // namespace platform::ui
