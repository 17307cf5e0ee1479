#pragma once
// The name of an object's class without the namespaces it is declared in, for diagnostics:
// "glasses::HIDDevice" is "HIDDevice". Pure functions, thread-safe.

#include <string>
#include <string_view>
#include <typeinfo>

namespace common {

// The part after the last "::" outside template arguments, or the whole name.
std::string classNameFromQualifiedName(std::string_view qualifiedName);
std::string className(const std::type_info& type);

// The dynamic class of a polymorphic object, the static one otherwise.
template <class T>
std::string className(const T& object) {
    return className(typeid(object));
}

}  // namespace common
