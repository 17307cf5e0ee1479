#pragma once
// A scratch folder under the temporary directory, removed at the end (kept when
// TAVRO_KEEP_TEST_FILES is set); and such a folder as the home folder while it lives, so
// that what a test writes (defaults, logs, tables) never reaches the user's. Main thread.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/foundation/FileSystem.h"

namespace test_support {

class TemporaryFolder {
  public:
    // `prefix`: the start of the folder's name, to tell whose it is.
    explicit TemporaryFolder(const std::string& prefix)
        : path_(platform::foundation::temporaryDirectory() + "/" + prefix + "-XXXXXX") {
        if (!::mkdtemp(path_.data())) path_.clear();
    }
    ~TemporaryFolder() {
        if (!path_.empty() && !std::getenv("TAVRO_KEEP_TEST_FILES"))
            platform::foundation::removeItem(path_);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

class TemporaryHome {
  public:
    explicit TemporaryHome(const std::string& prefix) : folder_(prefix) {
        platform::foundation::setHomeDirectory(folder_.path());
    }
    // Back to the home of the scope around (a test's inside the program's), never the user's.
    ~TemporaryHome() { platform::foundation::setHomeDirectory(previous_); }
    const std::string& path() const { return folder_.path(); }

  private:
    std::string previous_ = platform::foundation::homeDirectory();
    TemporaryFolder folder_;
};

// Gives the whole test program a temporary home; call it at namespace scope of one source
// file: `[[maybe_unused]] static auto* const home = addTemporaryHomeEnvironment("tavro-x");`.
inline ::testing::Environment* addTemporaryHomeEnvironment(const std::string& prefix) {
    struct Environment : ::testing::Environment {
        explicit Environment(std::string p) : prefix(std::move(p)) {}
        void SetUp() override { home.emplace(prefix); }
        void TearDown() override { home.reset(); }
        std::string prefix;
        std::optional<TemporaryHome> home;
    };
    return ::testing::AddGlobalTestEnvironment(new Environment(prefix));
}

}  // namespace test_support
