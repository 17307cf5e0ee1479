#pragma once
// What an HTTP exchange carries: the request (method, address, query parameters in their
// order, an optional JSON body, headers, time limits) and the response (status and body).
// Plain values; not synchronised.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Result.h"

namespace platform::net {

enum class HttpMethod { Get, Post, Put, Delete };

const char* methodName(HttpMethod method);

// Query parameters keep their order: servers and logs see them as the caller wrote them.
using QueryParameters = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    // Every exchange ends within these limits; a limit that is not a positive finite number
    // is replaced by its default, so no request can wait for ever.
    static constexpr double kDefaultConnectTimeoutSeconds = 10;
    static constexpr double kDefaultTimeoutSeconds = 30;

    HttpMethod method = HttpMethod::Get;
    std::string url;  // without the query
    QueryParameters query;
    // Sent with "Content-Type: application/json" when not empty.
    std::string jsonBody;
    std::vector<std::pair<std::string, std::string>> headers;
    double connectTimeoutSeconds = kDefaultConnectTimeoutSeconds;
    double timeoutSeconds = kDefaultTimeoutSeconds;  // the whole exchange
    // A reply body beyond this many bytes ends the exchange as a failure; 0: the default.
    static constexpr size_t kDefaultMaxResponseBytes = size_t{1} << 20;
    size_t maxResponseBytes = kDefaultMaxResponseBytes;
};

struct HttpResponse {
    long statusCode = 0;
    std::string body;
};

// Errors of the transport (no connection, time limit passed, bad address) have the domain
// kHttpErrorDomain; their code is the transport's own.
inline constexpr const char* kHttpErrorDomain = "TavroHttpErrorDomain";
using HttpResult = platform::foundation::Result<HttpResponse>;

}  // namespace platform::net
