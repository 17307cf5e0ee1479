#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "common/TavroLog.h"
#include "platform/foundation/FileSystem.h"

namespace fs = std::filesystem;

namespace {

using namespace common;

class TavroLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home_ = fs::temp_directory_path() /
                ("tavro-log-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(home_);
        fs::create_directories(home_);
        platform::foundation::setHomeDirectory(home_.string());
    }
    void TearDown() override {
        platform::foundation::setHomeDirectory({});
        fs::remove_all(home_);
    }

    fs::path logFolder() const { return home_ / "Documents" / ".Tavro3D"; }
    fs::path logFile(const std::string& name) const {
        return logFolder() / ("tavri_log_" + name + ".log");
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    fs::path home_;
};

const std::regex kStamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d: )");

TEST_F(TavroLogTest, FirstLineCreatesFolderAndFileHoldingExactlyThatLine) {
    TavroLog::logMessage("hello");
    ASSERT_TRUE(fs::is_directory(logFolder()));
    std::string content = read(logFile("3D-Halvane"));
    EXPECT_TRUE(std::regex_match(content, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d: hello\n)")))
        << content;

    TavroLog::logMessage("again");
    EXPECT_TRUE(
        std::regex_match(read(logFile("3D-Halvane")), std::regex(R"(.*: hello\n.*: again\n)")));
}

TEST_F(TavroLogTest, EmptyMessageWritesNothingAndCreatesNoFolder) {
    TavroLog::logMessage("");
    TavroLog::logMessage("", "ZeroTier");
    EXPECT_FALSE(fs::exists(logFolder()));
}

TEST_F(TavroLogTest, ZeroTierEntryEndsWithAnEmptyLine) {
    TavroLog::logZTMessage("join", 3);
    std::string content = read(logFile("ZeroTier"));
    std::smatch match;
    ASSERT_TRUE(std::regex_search(content, match, kStamp));
    EXPECT_EQ(match.position(0), 0);
    EXPECT_EQ(content.substr(static_cast<size_t>(match.length(0))), "join--3\n\n");
    EXPECT_FALSE(fs::exists(logFile("3D-Halvane")));
}

TEST_F(TavroLogTest, FileAtTheLimitGrowsAndFileAboveItStartsOver) {
    TavroLog::createTavroSpaceDirectories();
    const fs::path atLimit = logFile("at");
    const fs::path aboveLimit = logFile("above");
    std::ofstream(atLimit).put('x');
    std::ofstream(aboveLimit).put('x');
    fs::resize_file(atLimit, TavroLog::kMaximumFileSize);
    fs::resize_file(aboveLimit, TavroLog::kMaximumFileSize + 1);

    TavroLog::logMessage("kept", "at");
    TavroLog::logMessage("fresh", "above");

    EXPECT_GT(fs::file_size(atLimit), TavroLog::kMaximumFileSize);
    std::string fresh = read(aboveLimit);
    EXPECT_TRUE(std::regex_match(fresh, std::regex(R"([^\n]*: fresh\n)"))) << fresh.size();
}

TEST_F(TavroLogTest, ConcurrentWritersProduceWholeLines) {
    constexpr int kLines = 150;
    auto writer = [](std::string tag, std::string name) {
        for (int i = 0; i < kLines; ++i) {
            TavroLog::logMessage(tag + std::string(200, tag[0]) + std::to_string(i), name);
        }
    };
    std::thread a(writer, "a", "shared");
    std::thread b(writer, "b", "shared");
    std::thread c(writer, "c", "other");
    a.join();
    b.join();
    c.join();

    const std::regex whole(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d: ([ab])\1{200}\d+)");
    std::istringstream lines(read(logFile("shared")));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        ASSERT_TRUE(std::regex_match(line, whole)) << line;
    }
    EXPECT_EQ(count, 2 * kLines);
}

}  // namespace
