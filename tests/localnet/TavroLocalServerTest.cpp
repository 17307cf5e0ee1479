#include <gtest/gtest.h>

#include <atomic>
#include <random>

#include "appstate/AppDelegate.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/SystemInfo.h"
#include "tests/localnet/LoopbackClient.h"

using platform::foundation::Value;
using platform::foundation::ValueArray;
using platform::foundation::ValueDictionary;

namespace {

// A port the system handed out just now, so parallel test runs do not collide.
uint16_t freshPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class TavroLocalServerTest : public ::testing::Test {
  protected:
    void TearDown() override { AppDelegate::shared().glassStatus = false; }
    TavroLocalServer server{freshPort()};
};

TEST(TavroLocalServerShared, ListensOnLoopbackFromFirstUse) {
    EXPECT_EQ(TavroLocalServer::defaultPort(), 19463);
    TavroLocalServer& shared = TavroLocalServer::shareManager();
    EXPECT_EQ(&shared, &TavroLocalServer::shareManager());
    ASSERT_GT(shared.port(), 0);
    EXPECT_LE(shared.port(), 19463);
    EXPECT_EQ(shared.maxBiasCount1(), 8);
    LoopbackClient client(shared.port());
    EXPECT_TRUE(client.connected());
}

TEST(TavroLocalServerPort, TakenPortFallsToTheNextLowerOne) {
    uint16_t port = freshPort();
    TavroLocalServer first(port);
    ASSERT_EQ(first.port(), port);
    TavroLocalServer second(port);
    EXPECT_GT(second.port(), 0);
    EXPECT_LT(second.port(), port);
}

TEST_F(TavroLocalServerTest, SendsOneJsonObjectPerCrLfLine) {
    LoopbackClient client(server.port());
    ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));

    server.sendTextMessageWithDict(ValueDictionary{{"type", 1}});
    server.sendTextMessageWithDict(Value(ValueDictionary{}));                    // empty: nothing
    server.sendTextMessageWithDict(ValueDictionary{{"type", 5}, {"value", 1}});  // no glasses
    AppDelegate::shared().glassStatus = true;
    server.sendTextMessageWithDict(ValueDictionary{{"type", 7}, {"name", "镜"}});

    EXPECT_EQ(client.readLine(), "{\"type\":1}\r\n");
    EXPECT_EQ(client.readLine(), "{\"name\":\"镜\",\"type\":7}\r\n");
}

TEST_F(TavroLocalServerTest, SecondClientIsTurnedAwayAndFirstKeepsBeingServed) {
    LoopbackClient first(server.port());
    ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));
    LoopbackClient second(server.port());
    EXPECT_TRUE(second.closedByServer());

    server.sendTextMessageWithDict(ValueDictionary{{"type", 2}});
    EXPECT_EQ(first.readLine(), "{\"type\":2}\r\n");
}

TEST_F(TavroLocalServerTest, ClientThatLeavesIsForgottenAndTheNextOneIsServed) {
    {
        LoopbackClient leaving(server.port());
        ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));
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

TEST_F(TavroLocalServerTest, CompletionDictionaryShowsTheLiveBiasTable) {
    EXPECT_FALSE(server.biasDict());
    server.biasArray()->addObject(ValueArray{1, 0, 16, 20.0f, 0.1f, 0.2f, 0.3f, 1});
    server.setBiasDict(TavroLocalServer::BiasDict{9997, server.biasArray()});
    server.biasArray()->addObject(ValueArray{2, 20, 20, 25.0f, 0.1f, 0.2f, 0.3f, 2});
    auto dict = server.biasDict();
    ASSERT_TRUE(dict);
    EXPECT_EQ((*dict)["type"], Value(9997));
    EXPECT_EQ((*dict)["value"].count(), 2u);

    server.biasArray()->removeAllObjects();
    EXPECT_EQ((*server.biasDict())["value"].count(), 0u);
}

struct ImmersionRecorder : VXServerInterface {
    void changeImmersion(int32_t value) override { received = value; }
    std::atomic<int32_t> received{-1};
};

TEST_F(TavroLocalServerTest, ImmersionGoesToTheGlassesServerWhenThereIsOne) {
    server.changeImmersion(3);  // no glasses server yet: nothing happens
    auto recorder = std::make_shared<ImmersionRecorder>();
    AppDelegate::shared().vxServer.set(recorder);
    server.changeImmersion(9);
    AppDelegate::shared().vxServer.set(nullptr);
    EXPECT_EQ(recorder->received, 9);
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
