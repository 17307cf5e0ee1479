#pragma once
// The HTTP client (libcurl underneath). perform() blocks the calling thread until the
// exchange ends, always within the request's time limits; send() performs on the default
// global queue and hands the result to the queue the caller names. Loopback addresses are
// never sent through a proxy, so the simulated backend is reached whatever the
// environment's proxy settings. A reply body larger than the request allows ends the
// exchange as a failure, so a reply cannot grow memory without bound. Once the application
// quits (BackgroundWork::stopping()) an exchange in progress is abandoned as a failure
// within a twentieth of a second, and send() holds BackgroundWork until its completion has
// run. Thread-safe: any number of exchanges may run at once.

#include <functional>

#include "platform/foundation/Dispatch.h"
#include "platform/net/HttpRequest.h"

namespace platform::net {

class HttpClient {
  public:
    static HttpResult perform(const HttpRequest& request);
    static void send(HttpRequest request, platform::foundation::DispatchQueuePtr completionQueue,
                     std::function<void(HttpResult)> completion);

    HttpClient() = delete;
};

}  // namespace platform::net
