#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "platform/foundation/Dispatch.h"
#include "platform/net/HttpClient.h"
#include "platform/net/QueryText.h"
#include "platform/sim/SimBackendServer.h"

using namespace platform::net;
using platform::sim::SimBackendServer;
namespace fdn = platform::foundation;

TEST(QueryText, KeepsTheOrderAndEscapesReservedBytes) {
    EXPECT_EQ(queryText({{"b", "2"}, {"a", "1"}}), "b=2&a=1");
    EXPECT_EQ(queryText({{"q", "a b&c=d/é"}}), "q=a%20b%26c%3Dd%2F%C3%A9");
    EXPECT_EQ(urlWithQuery("http://h/p", {}), "http://h/p");
    EXPECT_EQ(urlWithQuery("http://h/p?x=1", {{"y", "2"}}), "http://h/p?x=1&y=2");
}

TEST(HttpClient, PostsJsonAndReadsTheReplyOnTheNamedQueue) {
    SimBackendServer server;
    HttpRequest request;
    request.method = HttpMethod::Post;
    request.url = server.baseAddress() + SimBackendServer::kAppEventPath;
    request.jsonBody = R"({"eventName":"app_launcheds","eventType":1})";
    auto queue = fdn::makeSerialQueue("test.http");
    std::promise<std::pair<HttpResult, bool>> done;
    HttpClient::send(request, queue, [&](HttpResult result) {
        done.set_value({result, queue->isCurrent()});
    });
    auto [result, onQueue] = done.get_future().get();
    EXPECT_TRUE(onQueue);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->statusCode, 200);
    ASSERT_EQ(server.receivedEvents().size(), 1u);
    EXPECT_EQ(server.receivedEvents()[0].body.at("eventName").text(), "app_launcheds");
}

TEST(HttpClient, AServerThatNeverAnswersEndsInATimeOut) {
    SimBackendServer server;
    server.setMode(SimBackendServer::Mode::Hang);
    HttpRequest request;
    request.url = server.baseAddress() + SimBackendServer::kLatestReleasePath;
    request.timeoutSeconds = 0.3;
    auto start = std::chrono::steady_clock::now();
    HttpResult result = HttpClient::perform(request);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_FALSE(result);
    EXPECT_LT(seconds, 3.0);
    server.stop();  // releases the held request and refuses new ones
    EXPECT_FALSE(HttpClient::perform(request));
    request.url = "not an address at all";
    EXPECT_FALSE(HttpClient::perform(request));
}
