#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "common/TavroLog.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/Threads.h"

namespace fs = std::filesystem;

namespace {

using namespace common;

const std::string kStamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d: )";

class TavroLogTest : public ::testing::Test {
  protected:
    fs::path logFile(const std::string& name) const {
        return fs::path(home_.path()) / "Documents/.Tavro3D" / ("tavri_log_" + name + ".log");
    }
    std::string read(const std::string& name) const {
        std::stringstream content;
        content << std::ifstream(logFile(name), std::ios::binary).rdbuf();
        return content.str();
    }
    test_support::TemporaryHome home_{"tavro-log"};
};

TEST_F(TavroLogTest, LinesAreStampedAndAppendedAndEmptyOnesWriteNothing) {
    TavroLog::logMessage("");
    EXPECT_FALSE(fs::exists(logFile("3D-Halvane").parent_path()));
    TavroLog::logMessage("hello");
    TavroLog::logMessage("again");
    EXPECT_TRUE(
        std::regex_match(read("3D-Halvane"), std::regex(kStamp + "hello\n" + kStamp + "again\n")));
}

TEST_F(TavroLogTest, FileAtTheLimitGrowsAndFileAboveItStartsOver) {
    TavroLog::createTavroSpaceDirectories();
    std::ofstream(logFile("at")).put('x');
    std::ofstream(logFile("above")).put('x');
    fs::resize_file(logFile("at"), TavroLog::kMaximumFileSize);
    fs::resize_file(logFile("above"), TavroLog::kMaximumFileSize + 1);
    TavroLog::logMessage("kept", "at");
    TavroLog::logMessage("fresh", "above");
    EXPECT_GT(fs::file_size(logFile("at")), TavroLog::kMaximumFileSize);
    EXPECT_TRUE(std::regex_match(read("above"), std::regex(kStamp + "fresh\n")));
}

TEST_F(TavroLogTest, ConcurrentWritersProduceWholeLines) {
    constexpr int kLines = 150;
    test_support::onThreads(3, [](int index) {  // a and b share a file, c writes another
        const std::string line(201, "abc"[index]), name = index < 2 ? "shared" : "other";
        for (int i = 0; i < kLines; ++i) TavroLog::logMessage(line + std::to_string(i), name);
    });
    std::istringstream lines(read("shared"));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        ASSERT_TRUE(std::regex_match(line, std::regex(kStamp + R"(([ab])\1{200}\d+)"))) << line;
    }
    EXPECT_EQ(count, 2 * kLines);
}

}  // namespace
