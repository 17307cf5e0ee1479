#pragma once
// Helpers for the storage tests: temporary folders and byte/text conversions.
// Single-threaded use.

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/FileSystem.h"
#include "tests/support/TemporaryHome.h"

namespace storagetest {

// A private temporary folder, removed afterwards, that names the files in it.
class TemporaryFolder : public test_support::TemporaryFolder {
  public:
    TemporaryFolder() : test_support::TemporaryFolder("tavro-test") {}
    std::string file(const std::string& name) const { return path() + "/" + name; }
};

inline std::span<const uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

inline void writeText(const std::string& path, std::string_view text) {
    platform::foundation::removeItem(path);
    platform::foundation::appendToFile(path, bytesOf(text));
}

inline std::string readText(const std::string& path) {
    auto bytes = platform::foundation::readFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<unreadable>";
}

// Entry names of a folder, sorted.
inline std::vector<std::string> folderEntries(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace storagetest
