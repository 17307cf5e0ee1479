#include "tests/support/TemporaryHome.h"

#include <stdlib.h>

#include <memory>
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

TemporaryHome::TemporaryHome(const std::string& prefix) : folder_(prefix) {
    fd::setHomeDirectory(folder_.path());
}

TemporaryHome::~TemporaryHome() {
    fd::setHomeDirectory({});
}

namespace {

class TemporaryHomeEnvironment : public ::testing::Environment {
  public:
    explicit TemporaryHomeEnvironment(std::string prefix) : prefix_(std::move(prefix)) {}
    void SetUp() override { home_.emplace(prefix_); }
    void TearDown() override { home_.reset(); }

  private:
    std::string prefix_;
    std::optional<TemporaryHome> home_;
};

}  // namespace

::testing::Environment* addTemporaryHomeEnvironment(const std::string& prefix) {
    return ::testing::AddGlobalTestEnvironment(new TemporaryHomeEnvironment(prefix));
}

}  // namespace test_support
