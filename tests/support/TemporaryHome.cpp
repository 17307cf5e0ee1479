#include "tests/support/TemporaryHome.h"

#include <stdlib.h>

#include <optional>

#include "platform/foundation/FileSystem.h"

namespace test_support {

namespace fd = platform::foundation;

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::string pattern = fd::temporaryDirectory() + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    if (!path_.empty() && !std::getenv("TAVRO_KEEP_TEST_FILES")) fd::removeItem(path_);
}

TemporaryHome::TemporaryHome(const std::string& prefix)
    : folder_(prefix), previous_(fd::homeDirectory()) {
    fd::setHomeDirectory(folder_.path());
}

// Back to the home of the scope around (a test's inside the program's), never the user's.
TemporaryHome::~TemporaryHome() {
    fd::setHomeDirectory(previous_);
}

::testing::Environment* addTemporaryHomeEnvironment(const std::string& prefix) {
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
