#include "platform/net/HttpClient.h"

#include <curl/curl.h>

#include <cmath>
#include <memory>
#include <mutex>

#include "platform/foundation/BackgroundWork.h"
#include "platform/net/QueryText.h"

namespace platform::net {

namespace fdn = platform::foundation;

namespace {

void initialiseOnce() {
    // curl_global_init is not thread-safe itself; every exchange passes through here first.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

long milliseconds(double seconds, double fallback) {
    if (!std::isfinite(seconds) || seconds <= 0) seconds = fallback;
    // At least one millisecond: curl reads 0 as "no limit".
    return std::max(1L, static_cast<long>(std::min(seconds, 86400.0) * 1000.0));
}

// How often a transfer in progress looks whether the application is quitting.
constexpr int kQuitCheckMilliseconds = 50;

struct Body {
    std::string bytes;
    size_t limit = 0;
    bool tooLarge = false;
};

size_t appendBody(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const size_t length = size * count;
    if (length > body->limit - body->bytes.size()) {
        // Anything but the length handed in ends the transfer as a failure.
        body->tooLarge = true;
        return 0;
    }
    body->bytes.append(data, length);
    return length;
}

fdn::Error transportError(CURLcode code, const char* detail) {
    std::string text = curl_easy_strerror(code);
    if (detail && *detail) text += std::string(": ") + detail;
    return fdn::Error{kHttpErrorDomain, static_cast<int>(code), text};
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};

// Runs the transfer to its end, or until the application quits (then false, with `code`
// untouched).
bool runTransfer(CURL* easy, CURLcode& code) {
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) {
        code = CURLE_FAILED_INIT;
        return true;
    }
    bool ended = false;
    for (;;) {
        if (platform::foundation::BackgroundWork::stopping()) break;
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            ended = true;
            break;
        }
        if (running == 0) {
            int left = 0;
            code = CURLE_GOT_NOTHING;
            while (CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
                if (message->msg == CURLMSG_DONE) code = message->data.result;
            }
            ended = true;
            break;
        }
        curl_multi_poll(multi.get(), nullptr, 0, kQuitCheckMilliseconds, nullptr);
    }
    curl_multi_remove_handle(multi.get(), easy);
    return ended;
}

}  // namespace

HttpResult HttpClient::perform(const HttpRequest& request) {
    initialiseOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) return fdn::Error{kHttpErrorDomain, CURLE_FAILED_INIT, "cannot start a transfer"};
    CURL* handle = easy.get();

    std::string url = urlWithQuery(request.url, request.query);
    Body body;
    body.limit = request.maxResponseBytes > 0 ? request.maxResponseBytes
                                              : HttpRequest::kDefaultMaxResponseBytes;
    char errorText[CURL_ERROR_SIZE] = {};
    curl_slist* rawHeaders = nullptr;
    for (const auto& [name, value] : request.headers)
        rawHeaders = curl_slist_append(rawHeaders, (name + ": " + value).c_str());
    if (!request.jsonBody.empty())
        rawHeaders = curl_slist_append(rawHeaders, "Content-Type: application/json");
    std::unique_ptr<curl_slist, ListDeleter> headers(rawHeaders);

    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    // Threads other than the main one run transfers: no signals for the resolver's time limit.
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(
        handle, CURLOPT_CONNECTTIMEOUT_MS,
        milliseconds(request.connectTimeoutSeconds, HttpRequest::kDefaultConnectTimeoutSeconds));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                     milliseconds(request.timeoutSeconds, HttpRequest::kDefaultTimeoutSeconds));
    curl_easy_setopt(handle, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
    if (headers) curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());

    switch (request.method) {
        case HttpMethod::Get:
            curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
            break;
        case HttpMethod::Post:
            curl_easy_setopt(handle, CURLOPT_POST, 1L);
            break;
        case HttpMethod::Put:
        case HttpMethod::Delete:
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, methodName(request.method));
            break;
    }
    if (request.method != HttpMethod::Get) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.jsonBody.c_str());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.jsonBody.size()));
    }

    CURLcode code = CURLE_OK;
    if (!runTransfer(handle, code)) {
        return fdn::Error{kHttpErrorDomain, CURLE_ABORTED_BY_CALLBACK,
                          "abandoned: the application quits"};
    }
    if (body.tooLarge) {
        return fdn::Error{kHttpErrorDomain, CURLE_FILESIZE_EXCEEDED,
                          "the reply is larger than " + std::to_string(body.limit) + " bytes"};
    }
    if (code != CURLE_OK) return transportError(code, errorText);
    HttpResponse response;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &response.statusCode);
    response.body = std::move(body.bytes);
    return response;
}

void HttpClient::send(HttpRequest request, fdn::DispatchQueuePtr completionQueue,
                      std::function<void(HttpResult)> completion) {
    if (!completionQueue) completionQueue = fdn::mainQueue();
    // Held until the completion has run: the quit waits for both.
    auto hold = fdn::BackgroundWork::hold();
    fdn::globalQueue(fdn::QualityOfService::Default)
        ->async([request = std::move(request), completionQueue = std::move(completionQueue),
                 completion = std::move(completion), hold]() mutable {
            auto result = std::make_shared<HttpResult>(perform(request));
            if (!completion) return;
            completionQueue->async(
                [result, completion = std::move(completion), hold] { completion(*result); });
        });
}

}  // namespace platform::net
