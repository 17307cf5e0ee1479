// The files of a run, the log and the pictures: what was not written is reported as not
// written, and nothing in their place is followed or waited on.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/foundation/FileSystem.h"
#include "platform/sim/RunLog.h"
#include "platform/sim/ScreenRecorder.h"
#include "platform/ui/Alert.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TemporaryHome.h"

using namespace platform::sim;
namespace fdn = platform::foundation;

namespace {

std::string contentsOf(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The first line the disk does not take ends the file; it is told once on standard error
// and stays with the log for the run's result.
TEST(RunFiles, ALogLineThatWasNotWrittenIsReportedOnce) {
    const test_support::TemporaryFolder folder("tavro-run-files");
    const std::string path = folder.file("run.log");
    RunLog log(path, false);
    log.line("first");
    EXPECT_TRUE(log.failure().empty());
    ::testing::internal::CaptureStderr();
    {
        const test_support::FileSizeLimit full(fdn::attributesOfItem(path)->size + 4);
        log.line("not taken");
        log.line("nor this");
    }
    log.line("after the disk has room again");
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.failure().find("cannot write " + path), std::string::npos) << log.failure();
    EXPECT_EQ(told.find("run log: "), 0u) << told;
    EXPECT_EQ(told.find("run log: ", 1), std::string::npos) << "told once: " << told;
    const std::string written = contentsOf(path);
    EXPECT_NE(written.find("] first\n"), std::string::npos) << written;
    EXPECT_EQ(written.find("after"), std::string::npos) << written;

    ASSERT_EQ(::mkfifo(folder.file("fifo.log").c_str(), 0600), 0);
    ::testing::internal::CaptureStderr();
    RunLog onFifo(folder.file("fifo.log"), false);  // returns: no reader is waited for
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(onFifo.failure().empty());
}

// Only pictures written whole are recorded; one that was not is logged as such, and a link
// in its place is not written through.
TEST(RunFiles, APictureThatWasNotWrittenIsLoggedAndNotRecorded) {
    const test_support::TemporaryFolder folder("tavro-run-files");
    const std::string pictures = folder.file("pictures");
    ASSERT_FALSE(fdn::createDirectory(pictures, true));
    ASSERT_EQ(::symlink(folder.file("elsewhere").c_str(), (pictures + "/001-alert.png").c_str()),
              0);
    auto log = std::make_shared<RunLog>(folder.file("run.log"), false);
    ScreenRecorder recorder(nullptr, pictures, log);
    platform::ui::Alert alert;
    alert.setMessageText("Alert");
    alert.addButtonWithTitle("OK");
    recorder.runAlert(alert);
    recorder.runAlert(alert);
    EXPECT_EQ(recorder.record().pictures, std::vector<std::string>{pictures + "/002-alert.png"});
    EXPECT_FALSE(fdn::fileExists(folder.file("elsewhere")));
    EXPECT_NE(contentsOf(folder.file("run.log"))
                  .find("picture not written: cannot open " + pictures + "/001-alert.png"),
              std::string::npos);
}

}  // namespace
