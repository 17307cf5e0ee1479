#pragma once
// Helpers for the storage tests: a private temporary folder removed afterwards, and
// byte/text conversions. Single-threaded use.

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/FileSystem.h"

namespace storagetest {

class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = platform::foundation::temporaryDirectory() + "/tavro-test-XXXXXX";
        if (char* made = ::mkdtemp(pattern.data())) path_ = made;
    }
    ~TemporaryFolder() { platform::foundation::removeItem(path_); }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
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
