#include "widgets/Toast/ActivityView.h"

using namespace platform::ui;

std::shared_ptr<ActivityView> ActivityView::init() {
    return std::make_shared<ActivityView>(Passkey{});
}

ActivityView::ActivityView(Passkey) : _indicator(std::make_shared<ProgressIndicator>()) {
    setWantsLayer(true);
}

void ActivityView::viewDidMoveToSuperview() {
    View::viewDidMoveToSuperview();
    if (superview()) layoutActivity();
}

void ActivityView::layoutActivity() {
    View* host = superview();
    if (!host) return;
    setFrame(host->bounds());
    const Size side = style_.activitySize();
    _indicator->setFrame({frame().size.width / 2 - side.width / 2,
                          frame().size.height / 2 - side.height / 2, side.width, side.height});
    layer().setBackgroundColor(Color::grayColor().withAlpha(0.6));
    addSubview(_indicator);
    _indicator->startAnimation();
}
