#pragma once
// A view controller: its view is loaded once, on first use, from the view description
// named after the controller's class (see ViewDescription), with the controller as the
// owner of the outlets and actions; then viewDidLoad runs, once. A description that
// cannot be loaded gives an empty view and a load error, never a crash. Main thread only.

#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/ui/DescriptionOwner.h"
#include "platform/ui/View.h"

namespace platform::ui {

class ViewController : public UiObject, public DescriptionOwner {
  public:
    // `descriptionName` names the view description; empty: the class name.
    explicit ViewController(std::string descriptionName = {});

    virtual std::string className() const { return "ViewController"; }
    std::string ownerName() const override { return className(); }

    const ViewPtr& view();
    bool isViewLoaded() const { return static_cast<bool>(view_); }
    // Replaces the view without loading a description (viewDidLoad does not run).
    void setView(ViewPtr view) { view_ = std::move(view); }
    const std::optional<platform::foundation::Error>& loadError() const { return loadError_; }

  protected:
    // Builds the view; by default from the description.
    virtual void loadView();
    virtual void viewDidLoad() {}

  private:
    std::string descriptionName_;
    ViewPtr view_;
    std::optional<platform::foundation::Error> loadError_;
    bool loading_ = false;
};

using ViewControllerPtr = std::shared_ptr<ViewController>;

}  // namespace platform::ui
