#pragma once
// An activity overlay: a dimmed cover over its host with a progress indicator at the
// centre, started when the overlay is placed. Made only by init(). Main thread only.

#include <memory>

#include "platform/ui/ProgressIndicator.h"
#include "platform/ui/View.h"
#include "widgets/Toast/ToastStyle.h"

class ActivityView : public platform::ui::View {
    struct Passkey {};

  public:
    static std::shared_ptr<ActivityView> init();
    explicit ActivityView(Passkey);
    std::string className() const override { return "ActivityView"; }

    const std::shared_ptr<platform::ui::ProgressIndicator>& indicator() const { return _indicator; }
    const Style& style() const { return style_; }

    void viewDidMoveToSuperview() override;
    // Covers the superview and centres and starts the indicator.
    void layoutActivity();

  private:
    std::shared_ptr<platform::ui::ProgressIndicator> _indicator;
    IndicatorStyle style_;
};
