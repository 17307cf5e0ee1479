#include <gtest/gtest.h>

#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualBootloader.h"
#include "tests/platform/sim/InputRecorder.h"
#include "tests/support/DeviceBytes.h"

using platform::hid::ReportType;
using platform::sim::BootloaderFault;
using platform::sim::VirtualBootloader;

using namespace test_support;

namespace {

// Requests as the updater writes them (report 0, then 64 bytes: command, packet number,
// data) and the replies: the request's byte sum, the packet number plus one, data from 9.
class VirtualBootloaderTest : public ::testing::Test {
  protected:
    void SetUp() override { bus_.plug(loader_); }
    Replies ask(const Bytes& request) {
        loader_->setReport(ReportType::Output, 0, request);
        return replies_.take();
    }

    platform::hid::HIDBus hidBus_;
    platform::sim::SimUsbBus bus_{hidBus_};
    std::shared_ptr<VirtualBootloader> loader_ = std::make_shared<VirtualBootloader>(2, bus_);
    InputRecorder replies_{*loader_};
};

TEST_F(VirtualBootloaderTest, QueriesAreAnsweredWithTheChecksumAndTheNextPacketNumber) {
    EXPECT_EQ(ask(frame(64, {{0, {0xA4}}, {4, {1}}, {8, {1}}})),
              Replies{frame(64, {{0, {0xA6}}, {4, {2}}})});
    EXPECT_EQ(ask(frame(64, {{0, {0xB1}}, {4, {3}}})),
              Replies{frame(64, {{0, {0xB4}}, {4, {4}}, {9, {0x23}}, {13, {2, 0, 0x51, 0x23}}})});
    EXPECT_EQ(ask(frame(64, {{0, {0xA6}}, {4, {5}}})),
              Replies{frame(64, {{0, {0xAB}}, {4, {6}}, {9, {0x23}}})});
    EXPECT_EQ(ask(frame(64, {{0, {0xA2}}, {4, {7}}})),
              Replies{frame(64, {{0, {0xA9}}, {4, {8}}, {9, Bytes(16, 0xFF)}})});
    // A sum above 255 fills both checksum bytes.
    EXPECT_EQ(ask(frame(64, {{0, {0xFF}}, {4, {9}}})),
              Replies{frame(64, {{0, {0x08, 0x01}}, {4, {10}}})});
    EXPECT_EQ(loader_->requestCount(), 5u);
}

TEST_F(VirtualBootloaderTest, ProgrammingWritesTheAnnouncedLengthFromTheAnnouncedStart) {
    // 100 bytes at 0x100: 48 in the first packet, 52 of the continuation's 56.
    EXPECT_EQ(
        ask(frame(64, {{0, {0xA0}}, {4, {9}}, {8, {0, 1, 0, 0, 100}}, {16, Bytes(48, 0x5A)}})),
        Replies{frame(64, {{0, {0xEE, 0x11}}, {4, {10}}})});
    EXPECT_FALSE(loader_->programmingComplete());
    EXPECT_EQ(ask(frame(64, {{4, {11}}, {8, Bytes(56, 0xA5)}})),
              Replies{frame(64, {{0, {0x23, 0x24}}, {4, {12}}})});
    EXPECT_EQ(loader_->bytesProgrammed(), 100u);
    EXPECT_TRUE(loader_->programmingComplete());
    const Bytes aprom = loader_->aprom();
    ASSERT_EQ(aprom.size(), 0x78000u);
    EXPECT_EQ(
        Bytes(aprom.begin() + 0xFF, aprom.begin() + 0x166),
        frame(0x67,
              {{0, {0xFF}}, {1, Bytes(48, 0x5A)}, {49, Bytes(52, 0xA5)}, {101, {0xFF, 0xFF}}}));

    // A further continuation writes nothing; a new first packet starts a new count.
    ask(frame(64, {{4, {13}}, {8, Bytes(56, 0x11)}}));
    EXPECT_EQ(loader_->aprom(), aprom);
    ask(frame(64, {{0, {0xA0}}, {4, {15}}, {8, {0, 0, 0, 0, 200}}}));
    EXPECT_EQ(loader_->bytesProgrammed(), 48u);
    EXPECT_FALSE(loader_->programmingComplete());
}

// The whole image's road is the glasses' return from their bootloader.
TEST_F(VirtualBootloaderTest, TheRunCommandLeavesTheBusWithNoImageWhenItIsNotWhole) {
    std::vector<Bytes> ran;
    loader_->setRunHandler([&](Bytes image) { ran.push_back(std::move(image)); });
    ask(frame(64, {{0, {0xA0}}, {4, {1}}, {8, {0, 0, 0, 0, 50}}, {16, Bytes(48, 7)}}));
    EXPECT_TRUE(ask(frame(64, {{0, {0xAB}}, {4, {3}}})).empty());
    EXPECT_FALSE(bus_.isPlugged(*loader_));
    EXPECT_EQ(ran, Replies(1)) << "48 of 50 bytes are no image";
}

TEST_F(VirtualBootloaderTest, FaultsHitTheChosenRepliesInTheOrderInjected) {
    const Bytes sync1 = frame(64, {{0, {0xA4}}, {4, {1}}, {8, {1}}});
    loader_->injectFault(BootloaderFault::WrongChecksum, 0xA4, 1);
    loader_->injectFault(BootloaderFault::ShortReply, 0xA6);
    EXPECT_EQ(ask(sync1), Replies{frame(64, {{0, {0xA6}}, {4, {2}}})});
    EXPECT_EQ(ask(frame(64, {{0, {0xA6}}, {4, {3}}})),
              Replies{frame(32, {{0, {0xA9}}, {4, {4}}, {9, {0x23}}})});
    EXPECT_EQ(ask(sync1), Replies{frame(64, {{0, {0xA7}}, {4, {2}}})});
    EXPECT_EQ(ask(sync1), Replies{frame(64, {{0, {0xA6}}, {4, {2}}})});

    loader_->injectFault(BootloaderFault::WrongPacketNumber);
    EXPECT_EQ(ask(frame(64, {{0, {0xA6}}, {4, {9}}})),
              Replies{frame(64, {{0, {0xAF}}, {4, {8}}, {9, {0x23}}})});
    // A lost reply loses only the answer: the packet was written.
    loader_->injectFault(BootloaderFault::NoReply, 0xA0);
    EXPECT_TRUE(ask(frame(64, {{0, {0xA0}}, {8, {0, 0, 0, 0, 60}}, {16, Bytes(48, 1)}})).empty());
    EXPECT_EQ(loader_->bytesProgrammed(), 48u);

    loader_->injectFault(BootloaderFault::Unplug);
    loader_->clearFaults();
    EXPECT_EQ(ask(sync1).size(), 1u);
    loader_->injectFault(BootloaderFault::Unplug);
    EXPECT_TRUE(ask(frame(64, {{8, Bytes(56, 2)}})).empty());
    EXPECT_FALSE(bus_.isPlugged(*loader_));
    EXPECT_EQ(loader_->bytesProgrammed(), 48u) << "the device left before writing";
}

}  // namespace
