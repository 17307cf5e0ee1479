#include "platform/ui/DescriptionOwner.h"

#include <cxxabi.h>

#include <cstdlib>

namespace platform::ui {

bool DescriptionOwner::bindOutlet(const std::string& name, const std::shared_ptr<UiObject>& object,
                                  std::string* expected) {
    auto it = outlets_.find(name);
    if (it == outlets_.end()) return false;
    if (it->second.bind(object)) return true;
    if (expected) *expected = it->second.typeName;
    return false;
}

std::string DescriptionOwner::readableTypeName(const char* mangled) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    const std::string prefix = "platform::ui::";
    if (name.rfind(prefix, 0) == 0) name.erase(0, prefix.size());
    return name;
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
