#pragma once
// The application's empty view controller, kept for interface descriptions that name it;
// nothing shows it. Main thread only.

#include "platform/foundation/Value.h"
#include "platform/ui/ViewController.h"

class ViewController : public platform::ui::ViewController {
  public:
    ViewController() : platform::ui::ViewController("ViewController") {}
    std::string className() const override { return "ViewController"; }

    const platform::foundation::Value& representedObject() const { return representedObject_; }
    void setRepresentedObject(platform::foundation::Value object) {
        representedObject_ = std::move(object);
    }

  private:
    platform::foundation::Value representedObject_;
};
