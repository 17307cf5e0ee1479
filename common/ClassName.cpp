#include "common/ClassName.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace common {

std::string classNameFromQualifiedName(std::string_view qualifiedName) {
    size_t start = 0;
    int templateDepth = 0;
    for (size_t index = 0; index < qualifiedName.size(); ++index) {
        char c = qualifiedName[index];
        if (c == '<') ++templateDepth;
        if (c == '>' && templateDepth > 0) --templateDepth;
        if (c == ':' && templateDepth == 0 && index + 1 < qualifiedName.size() &&
            qualifiedName[index + 1] == ':') {
            start = index + 2;
            ++index;
        }
    }
    return std::string(qualifiedName.substr(start));
}

std::string className(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return classNameFromQualifiedName(status == 0 && demangled ? demangled.get() : type.name());
}

}  // namespace common
