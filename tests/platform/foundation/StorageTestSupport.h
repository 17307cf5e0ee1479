#pragma once
// Helpers for the storage and system tests: text as bytes, files read and written whole,
// parse results that must succeed, and an environment variable put back afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/foundation/FileSystem.h"
#include "tests/support/TemporaryHome.h"

namespace platform::foundation {

inline std::span<const uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

inline void writeText(const std::string& path, std::string_view text) {
    removeItem(path);
    appendToFile(path, bytesOf(text));
}

inline std::string readText(const std::string& path) {
    auto bytes = readFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<unreadable>";
}

inline std::vector<std::string> folderEntries(const std::string& path) {  // sorted
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

template <class Parsed>
auto parsedOrFail(const Parsed& result) -> std::decay_t<decltype(result.value())> {
    if (result) return result.value();
    ADD_FAILURE() << "unexpected error: " << result.error().localizedDescription;
    return {};
}

// set() changes the variable (nullopt unsets it) until the end of the scope.
class ScopedEnvironment {
  public:
    explicit ScopedEnvironment(const char* name) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
    }
    ~ScopedEnvironment() { set(previous_); }
    void set(const std::optional<std::string>& value) const {
        value ? ::setenv(name_, value->c_str(), 1) : ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> previous_;
};

}  // namespace platform::foundation
