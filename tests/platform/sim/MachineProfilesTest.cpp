#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/FileSystem.h"
#include "platform/sim/MachineProfiles.h"
#include "tests/support/TemporaryHome.h"

namespace fd = platform::foundation;
using platform::sim::machineProfileNamed;

namespace {

// A bundle of its own with a profiles folder; the main bundle while it lives.
class ProfileBundle {
  public:
    ProfileBundle() {
        fd::createDirectory(file("machines"), true);
        // Readable as a profile too: loading it by a crafted name must still fail.
        write("Info.json", R"({"CFBundleIdentifier": "com.example.p", "model": "Mac13,1"})");
        write("machines/desk.json", R"({"model": "Mac13,1"})");
        fd::Bundle::setMainBundlePath(folder_.path());
    }
    ~ProfileBundle() { fd::Bundle::setMainBundlePath(""); }
    std::string file(const std::string& name) const { return folder_.file(name); }
    void write(const std::string& name, const std::string& text) const {
        fd::writeFileAtomically(
            file(name), std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }

  private:
    test_support::TemporaryFolder folder_{"tavro-profiles"};
};

bool refused(const std::string& name) {
    return !machineProfileNamed(name).has_value();
}

}  // namespace

TEST(MachineProfiles, ANameReachesNothingOutsideTheProfilesFolder) {
    ProfileBundle bundle;
    EXPECT_FALSE(refused("desk"));
    fd::createDirectory(bundle.file("machines/sub"), true);
    bundle.write("machines/sub/inner.json", R"({"model": "Mac13,1"})");
    for (const char* name : {"../Info", "..", ".desk", "sub/inner", "/etc/passwd", ""}) {
        EXPECT_TRUE(refused(name)) << name;
    }
}

TEST(MachineProfiles, OnlyARegularFileOfSaneSizeIsAProfile) {
    ProfileBundle bundle;
    ASSERT_EQ(::mkfifo(bundle.file("machines/pipe.json").c_str(), 0600), 0);
    auto loading = std::async(std::launch::async, [] { return refused("pipe"); });
    if (loading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Let the stuck reader go before failing.
        int writer = ::open(bundle.file("machines/pipe.json").c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
        FAIL() << "a FIFO as profile hangs the start";
    }
    EXPECT_TRUE(loading.get());

    ASSERT_EQ(::symlink("/dev/zero", bundle.file("machines/endless.json").c_str()), 0);
    EXPECT_TRUE(refused("endless"));
    bundle.write("machines/huge.json",
                 R"({"model": "Mac13,1", "pad": ")" + std::string(2 * 1024 * 1024, ' ') + "\"}");
    EXPECT_TRUE(refused("huge"));
    ASSERT_EQ(::symlink(bundle.file("machines/desk.json").c_str(),
                        bundle.file("machines/linked.json").c_str()),
              0);
    EXPECT_FALSE(refused("linked")) << "a link to a profile is fine";
}
