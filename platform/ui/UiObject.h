#pragma once
// The common base of the objects a view description can create and an outlet can refer
// to: views, gesture recognisers and layout constraints. Main thread only.

#include <memory>

namespace platform::ui {

class UiObject : public std::enable_shared_from_this<UiObject> {
  public:
    virtual ~UiObject() = default;
};

}  // namespace platform::ui
