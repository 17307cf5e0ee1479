#include "platform/ui/DescriptionOwner.h"

namespace platform::ui {

bool DescriptionOwner::bindOutlet(const std::string& name, const std::shared_ptr<UiObject>& object,
                                  std::string* expected) {
    auto it = outlets_.find(name);
    if (it == outlets_.end()) return false;
    if (it->second.bind(object)) return true;
    if (expected) *expected = it->second.typeName;
    return false;
}

std::vector<std::string> DescriptionOwner::outletNames() const {
    std::vector<std::string> names;
    for (const auto& [name, outlet] : outlets_) names.push_back(name);
    return names;
}

const DescriptionOwner::Action* DescriptionOwner::actionNamed(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : &it->second;
}

}  // namespace platform::ui
