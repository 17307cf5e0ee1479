#pragma once
// A toast: a short message in a dark rounded bubble centred in its host. The toast view
// covers its host (so clicks on the host land on it while it shows); the bubble and its
// text are layers built each time the toast is placed in a superview. Made only from a
// message. Main thread only.

#include <memory>
#include <string>

#include "platform/ui/View.h"
#include "widgets/Toast/ToastStyle.h"

class ToastView : public platform::ui::View {
    struct Passkey {};

  public:
    // Sized to the message plus the style's paddings, before it is placed.
    static std::shared_ptr<ToastView> initWithMessage(const std::string& message);
    ToastView(Passkey, std::string message, std::shared_ptr<const Style> style);
    std::string className() const override { return "ToastView"; }

    const std::string& message() const { return message_; }
    platform::ui::Size labelSize() const { return labelSize_; }
    const Style& style() const { return *style_; }

    void viewDidMoveToSuperview() override;
    // Covers the superview and adds a bubble with the message at its centre.
    void layoutToast();

  private:
    std::string message_;
    platform::ui::Size labelSize_;
    std::shared_ptr<const Style> style_;
};
