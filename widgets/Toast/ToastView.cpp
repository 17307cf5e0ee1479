#include "widgets/Toast/ToastView.h"

#include "platform/ui/TextLayer.h"
#include "platform/ui/TextMeasurement.h"

using namespace platform::ui;

std::shared_ptr<ToastView> ToastView::initWithMessage(const std::string& message) {
    return std::make_shared<ToastView>(Passkey{}, message, std::make_shared<DefaultStyle>());
}

ToastView::ToastView(Passkey, std::string message, std::shared_ptr<const Style> style)
    : message_(std::move(message)), style_(std::move(style)) {
    labelSize_ = sizeOfText(message_, style_->font());
    setFrame({0, 0, labelSize_.width + 2 * style_->horizontalPadding(),
              labelSize_.height + 2 * style_->verticalPadding()});
    setWantsLayer(true);
}

void ToastView::viewDidMoveToSuperview() {
    View::viewDidMoveToSuperview();
    if (superview()) layoutToast();
}

void ToastView::layoutToast() {
    View* host = superview();
    if (!host) return;
    setFrame(host->bounds());

    const Point origin = style_->labelOrigin();
    const Rect textRect{origin, labelSize_};
    const Size bubbleSize{textRect.size.width + 2 * style_->horizontalPadding(),
                          textRect.size.height + 2 * style_->verticalPadding()};

    auto bubble = Layer::make();
    bubble->setFrame({0, 0, bubbleSize.width, bubbleSize.height});
    bubble->setPosition({host->frame().size.width / 2, host->frame().size.height / 2});
    bubble->setBackgroundColor(style_->backgroundColor());
    bubble->setCornerRadius(style_->cornerRadius());
    layer().addSublayer(bubble);

    auto text = TextLayer::make();
    text->setFrame(textRect);
    text->setPosition({bubbleSize.width / 2, bubbleSize.height / 2});
    text->setString(message_);
    text->setFont(Font::systemFont(style_->fontSize()));
    text->setFontSize(style_->fontSize());
    text->setAlignmentMode(TextAlignment::Center);
    text->setForegroundColor(style_->textColor());
    text->setBackgroundColor(style_->backgroundColor());
    text->setContentsScale(layer().contentsScale());
    bubble->addSublayer(text);
}
