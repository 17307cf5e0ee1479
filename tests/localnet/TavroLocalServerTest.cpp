#include <gtest/gtest.h>

#include <random>

#include "appstate/AppDelegate.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/SystemInfo.h"
#include "tests/support/LoopbackClient.h"

using platform::foundation::Value;
using platform::foundation::ValueDictionary;

namespace {

class TavroLocalServerTest : public ::testing::Test {
  protected:
    void TearDown() override { AppDelegate::shared().glassStatus = false; }
    // The highest free port: a taken one falls to the next lower.
    TavroLocalServer server{0xFFFF};
};

TEST(TavroLocalServerShared, ListensOnLoopbackFromFirstUse) {
    TavroLocalServer& shared = TavroLocalServer::shareManager();
    ASSERT_GT(shared.port(), 0);
    EXPECT_LE(shared.port(), 19463);
    EXPECT_TRUE(LoopbackClient(shared.port()).connected());
    shared.changeImmersion(3);  // no glasses server to hand it to: nothing happens
}

TEST_F(TavroLocalServerTest, TakenPortFallsToTheNextLowerOne) {
    TavroLocalServer second(server.port());
    EXPECT_GT(second.port(), 0);
    EXPECT_LT(second.port(), server.port());
}

TEST_F(TavroLocalServerTest, SendsOneJsonObjectPerCrLfLine) {
    LoopbackClient client(server.port());
    ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));

    server.sendTextMessageWithDict(ValueDictionary{{"type", 1}});
    server.sendTextMessageWithDict(Value(ValueDictionary{}));  // empty: nothing
    // The glasses' own messages go out only while glasses are there.
    for (int type : {5, 7, 8}) server.sendTextMessageWithDict(ValueDictionary{{"type", type}});
    AppDelegate::shared().glassStatus = true;
    server.sendTextMessageWithDict(ValueDictionary{{"type", 7}, {"name", "镜"}});
    server.sendTextMessageWithDict(ValueDictionary{{"type", 8}});

    EXPECT_EQ(client.readLine(), "{\"type\":1}\r\n");
    EXPECT_EQ(client.readLine(), "{\"name\":\"镜\",\"type\":7}\r\n");
    EXPECT_EQ(client.readLine(), "{\"type\":8}\r\n");
}

// One client at a time: a second is turned away while the first is served; once the
// first leaves, it is forgotten and the next one is served.
TEST_F(TavroLocalServerTest, OneClientAtATime) {
    {
        LoopbackClient first(server.port());
        ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));
        LoopbackClient second(server.port());
        EXPECT_TRUE(second.closedByServer());
        server.sendTextMessageWithDict(ValueDictionary{{"type", 2}});
        EXPECT_EQ(first.readLine(), "{\"type\":2}\r\n");
    }
    ASSERT_TRUE(waitUntil([&] { return !server.hasClient(); }));
    server.sendTextMessageWithDict(ValueDictionary{{"type", 3}});  // nobody to send to

    LoopbackClient next(server.port());
    ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));
    server.sendTextMessageWithDict(ValueDictionary{{"type", 4}});
    EXPECT_EQ(next.readLine(), "{\"type\":4}\r\n");
}

TEST_F(TavroLocalServerTest, GarbageFromTheClientNeitherCrashesNorBlocksTheServer) {
    LoopbackClient client(server.port());
    ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));
    std::mt19937 random(7);
    std::string garbage(1 << 20, '\0');
    for (char& byte : garbage) byte = static_cast<char>(random());
    ASSERT_TRUE(client.send(garbage + "{\"type\":\r\n\xff\xfe{}}}}\r\n"));

    server.sendTextMessageWithDict(ValueDictionary{{"type", 6}});
    EXPECT_EQ(client.readLine(), "{\"type\":6}\r\n");
}

TEST_F(TavroLocalServerTest, ClientThatNeverReadsDoesNotBlockSenders) {
    LoopbackClient client(server.port());
    ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));
    const std::string big(60'000, 'x');
    for (int i = 0; i < 200; ++i) {  // far more than the socket buffers hold
        server.sendTextMessageWithDict(ValueDictionary{{"type", 1}, {"blob", big}});
    }
    auto line = client.readLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->substr(0, 9), "{\"blob\":\"");
}

TEST(TavroLocalServerModel, FamiliesFromTheModelIdentifier) {
    auto familyOf = [](const char* model) {
        platform::foundation::MachineValues values;
        if (model) values.model = model;
        platform::foundation::setMachineValues(values);
        return TavroLocalServer::getDeviceModel();
    };
    EXPECT_EQ(familyOf("Macmini9,1"), "Mac mini");
    EXPECT_EQ(familyOf("Mac16,10"), "Mac mini");
    EXPECT_EQ(familyOf("SomeMacmini"), "Mac mini");
    EXPECT_EQ(familyOf("MacBookPro18,3"), "MacBook Pro");
    EXPECT_EQ(familyOf("Mac14,2"), "MacBook Air");
    EXPECT_EQ(familyOf("iMacPro1,1"), "iMac Pro");
    EXPECT_EQ(familyOf("iMac21,1"), "iMac");
    EXPECT_EQ(familyOf("Mac13,1"), "Mac Studio");
    EXPECT_EQ(familyOf("Mac99,9"), "Mac");
    EXPECT_EQ(familyOf(nullptr), "Mac");
    platform::foundation::clearMachineValues();
}

}  // namespace
