#pragma once
// A scratch folder under the temporary directory, removed at the end (kept when
// TAVRO_KEEP_TEST_FILES is set); and such a folder as the home folder while it lives, so
// that what a test writes (defaults, logs, tables) never reaches the user's. Main thread.

#include <gtest/gtest.h>

#include <string>

namespace test_support {

class TemporaryFolder {
  public:
    // `prefix`: the start of the folder's name, to tell whose it is.
    explicit TemporaryFolder(const std::string& prefix);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

class TemporaryHome {
  public:
    explicit TemporaryHome(const std::string& prefix);
    ~TemporaryHome();
    const std::string& path() const { return folder_.path(); }

  private:
    TemporaryFolder folder_;
    std::string previous_;
};

// Gives the whole test program a temporary home; call it at namespace scope of one source
// file: `[[maybe_unused]] static auto* const home = addTemporaryHomeEnvironment("tavro-x");`.
::testing::Environment* addTemporaryHomeEnvironment(const std::string& prefix);

}  // namespace test_support
