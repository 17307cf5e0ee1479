#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Dispatch.h"
#include "platform/net/HttpClient.h"
#include "platform/net/QueryText.h"
#include "platform/sim/SimBackendServer.h"
#include "tests/support/Waits.h"

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
    // The quit does not wait for the time limit: it abandons the exchange, and waits for
    // the completion.
    request.timeoutSeconds = 600;
    std::atomic<int> code{0};
    HttpClient::send(request, fdn::globalQueue(),
                     [&](HttpResult ended) { code = ended ? 0 : ended.error().code; });
    ASSERT_TRUE(test_support::waitUntil([&] { return server.requestCount() == 2; }, 10));
    EXPECT_TRUE(fdn::BackgroundWork::finish());
    EXPECT_EQ(code, 42);  // abandoned
    fdn::BackgroundWork::resume();
    server.stop();  // releases the held request and refuses new ones
    EXPECT_FALSE(HttpClient::perform(request));
    request.url = "not an address at all";
    EXPECT_FALSE(HttpClient::perform(request));
}

// The backend's replies are small: one that goes on and on ends as a failure once past the
// cap, long before the exchange's time limit, holding no more than the cap.
TEST(HttpClient, AReplyPastItsCapEndsAsAFailure) {
    SimBackendServer server;
    server.setMode(SimBackendServer::Mode::Endless);
    HttpRequest request;
    request.url = server.baseAddress() + SimBackendServer::kLatestReleasePath;
    request.timeoutSeconds = 20;
    for (size_t cap : {size_t{0}, size_t{100000}}) {
        request.maxResponseBytes = cap;
        HttpResult result = HttpClient::perform(request);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().code, 63) << result.error().localizedDescription;  // too large
        const size_t limit = cap ? cap : HttpRequest::kDefaultMaxResponseBytes;
        EXPECT_NE(result.error().localizedDescription.find(std::to_string(limit)),
                  std::string::npos);
    }
}
