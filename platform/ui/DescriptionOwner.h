#pragma once
// The owner of a view description's outlets and actions: a view controller, or a view
// that loads its own description. The owner declares each outlet (a weak reference of a
// given type) and each action by name; the loader binds them and reports what does not
// match. Outlets are weak, as the views belong to the tree. Main thread only.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UiObject.h"

namespace platform::ui {

class DescriptionOwner {
  public:
    virtual ~DescriptionOwner() = default;
    // The name used in error messages (a controller's class name).
    virtual std::string ownerName() const = 0;

    using Action = std::function<void(UiObject& sender)>;

    // Loader side.
    bool hasOutlet(const std::string& name) const { return outlets_.count(name) != 0; }
    // Binds `object` to the outlet; false (with the expected type in `expected`) when the
    // object is not of the outlet's type.
    bool bindOutlet(const std::string& name, const std::shared_ptr<UiObject>& object,
                    std::string* expected);
    std::vector<std::string> outletNames() const;
    const Action* actionNamed(const std::string& name) const;

  protected:
    template <class T>
    void declareOutlet(const std::string& name, std::weak_ptr<T>* slot) {
        outlets_[name] = {[slot](const std::shared_ptr<UiObject>& object) {
                              auto typed = std::dynamic_pointer_cast<T>(object);
                              if (!typed) return false;
                              *slot = typed;
                              return true;
                          },
                          readableTypeName(typeid(T).name())};
    }
    void declareAction(const std::string& name, Action action) {
        actions_[name] = std::move(action);
    }

  private:
    static std::string readableTypeName(const char* mangled);
    struct Outlet {
        std::function<bool(const std::shared_ptr<UiObject>&)> bind;
        std::string typeName;
    };
    std::map<std::string, Outlet> outlets_;
    std::map<std::string, Action> actions_;
};

}  // namespace platform::ui
