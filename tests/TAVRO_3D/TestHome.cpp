// Every shell test keeps its user defaults and log lines in a home folder of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/foundation/FileSystem.h"

namespace {

class TemporaryHome : public ::testing::Environment {
  public:
    void SetUp() override {
        home_ =
            std::filesystem::temp_directory_path() / ("tavro-shell-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home_);
        platform::foundation::setHomeDirectory(home_.string());
    }
    void TearDown() override {
        platform::foundation::setHomeDirectory({});
        std::filesystem::remove_all(home_);
    }

  private:
    std::filesystem::path home_;
};

[[maybe_unused]] auto* const gHome = ::testing::AddGlobalTestEnvironment(new TemporaryHome);

}  // namespace
