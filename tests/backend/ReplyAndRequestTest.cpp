// The backend's reply envelope and its HTTP layer against the simulated server.

#include <string_view>

#include "BackendTestSupport.h"
#include "backend/ReplyEnvelope.h"

using namespace backendtest;

static fdn::Result<ReplyEnvelope> parse(std::string_view text) {
    return parseReplyEnvelope({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

TEST(ReplyEnvelope, SuccessIsCode200AndAnythingElseIsAnErrorOrUnreadable) {
    auto ok = parse(R"({"code": 200, "msg": "success", "data": {"version": "1.2"}})");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->success);
    EXPECT_EQ(ok->reply.at("data")["version"].text(), "1.2");
    auto refused = parse(R"({"code": 401, "msg": "no"})");
    ASSERT_TRUE(refused);
    EXPECT_EQ(std::pair(refused->success, refused->code), std::pair(false, int64_t{401}));
    for (std::string_view bad : std::initializer_list<std::string_view>{
             "", "[1, 2]", "\"text\"", R"({"code": "200"})", R"({"msg": "x"})",
             R"({"code": 200.5})", "{\"code\": 200", std::string_view("\0\xff", 2)})
        EXPECT_FALSE(parse(bad)) << bad;
}

using RequestTest = BackendTest;

TEST_F(RequestTest, EveryServerFaultEndsInFailureOrAnUnsuccessfulReplyAndEachRegionHasItsHost) {
    struct Outcome {
        std::optional<bool> success;
        std::optional<fdn::ValueDictionary> reply;
        std::optional<fdn::Error> error;
    };
    auto request = [&](Mode mode) {
        server_.setMode(mode);
        Outcome outcome;
        TavroAlamofireManager::requestWithQuery(
            "/api/admin/appPublish/latest", TavroAlamofireManager::HTTPMethod::Get,
            {{"isRelease", 1}},
            [&](bool success, std::optional<fdn::ValueDictionary> reply) {
                outcome.success = success;
                outcome.reply = std::move(reply);
            },
            [&](const fdn::Error& error) { outcome.error = error; });
        EXPECT_TRUE(drainUntil([&] { return outcome.success || outcome.error; }));
        return outcome;
    };
    Outcome normal = request(Mode::Normal);
    EXPECT_EQ(normal.success, true);
    EXPECT_TRUE((*normal.reply)["data"].isDictionary());
    EXPECT_EQ(request(Mode::EnvelopeError).success, false);
    // A server that hangs fails well before the wait for the outcome ends.
    TavroAlamofireManager::setTimeouts(0.3, 0.5);
    for (Mode mode : {Mode::Fail, Mode::Garbage, Mode::Status424, Mode::Hang}) {
        Outcome outcome = request(mode);
        EXPECT_TRUE(outcome.error.has_value()) << static_cast<int>(mode);
        EXPECT_FALSE(outcome.success.has_value());
    }
    EXPECT_EQ(request(Mode::Status424).error->code, 424);
    // The overseas region uses the overseas host; here the domestic one answers nothing.
    platform::net::BackendHosts::setCurrent({"http://127.0.0.1:1", server_.baseAddress()});
    AppDelegate::shared().isOverseas = true;
    EXPECT_EQ(request(Mode::Normal).success, true);
    AppDelegate::shared().isOverseas = false;
    EXPECT_TRUE(request(Mode::Normal).error.has_value());
}
