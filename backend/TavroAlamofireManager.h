#pragma once
// The backend's HTTP layer. Requests go to the region's host (the overseas host when the
// delegate's isOverseas is true) followed by the path; parameters travel in the query or
// as a JSON body. A reply readable as the backend's envelope reaches the success closure
// with its success flag and the reply dictionary; a transport failure, an HTTP status
// outside 200-299 (424 included) or an unreadable body reaches the failure closure.
// Every request ends within its time limits, so no caller waits for ever.
//
// Requests run on the default global queue; the closures run on the queue the caller
// names, the main queue by default. perform* block the calling thread (worker queues
// only). Thread-safe.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backend/ReplyEnvelope.h"
#include "platform/foundation/Dispatch.h"
#include "platform/net/HttpRequest.h"

class TavroAlamofireManager {
  public:
    using HTTPMethod = platform::net::HttpMethod;
    // In the order they are sent.
    using Parameters = std::vector<std::pair<std::string, platform::foundation::Value>>;
    using SuccessBlock = std::function<void(
        bool success, std::optional<platform::foundation::ValueDictionary> reply)>;
    using FailureBlock = std::function<void(const platform::foundation::Error& error)>;
    using Outcome = platform::foundation::Result<ReplyEnvelope>;

    static void requestWithQuery(const std::string& path, HTTPMethod method, Parameters parameters,
                                 SuccessBlock success, FailureBlock failure,
                                 platform::foundation::DispatchQueuePtr queue = nullptr);
    static void requestWithJSONBody(const std::string& path, HTTPMethod method,
                                    platform::foundation::ValueDictionary body,
                                    SuccessBlock success, FailureBlock failure,
                                    platform::foundation::DispatchQueuePtr queue = nullptr);

    static Outcome performWithQuery(const std::string& path, HTTPMethod method,
                                    const Parameters& parameters);
    static Outcome performWithJSONBody(const std::string& path, HTTPMethod method,
                                       const platform::foundation::ValueDictionary& body);

    // The region's host, and its API base address (the host followed by "/api").
    static std::string regionHost();
    static std::string apiBaseAddress();
    // The parameters as query text, in their order ("appName=3DHalvane&platform=mac").
    static std::string queryText(const Parameters& parameters);

    // Time limits of every later request (tests shorten them); non-positive: the defaults.
    static void setTimeouts(double connectSeconds, double totalSeconds);

    TavroAlamofireManager() = delete;
};
