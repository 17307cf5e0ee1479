#include "backend/TavroAlamofireManager.h"

#include <atomic>
#include <memory>

#include "appstate/AppDelegate.h"
#include "platform/foundation/ValueJson.h"
#include "platform/net/BackendHosts.h"
#include "platform/net/HttpClient.h"
#include "platform/net/QueryText.h"

namespace fdn = platform::foundation;
namespace net = platform::net;

namespace {

// A request must end well within the time a user waits at the plug-in set-up.
constexpr double kConnectTimeoutSeconds = 5;
constexpr double kTotalTimeoutSeconds = 15;

std::atomic<double> connectTimeout{kConnectTimeoutSeconds};
std::atomic<double> totalTimeout{kTotalTimeoutSeconds};

std::string parameterText(const fdn::Value& value) {
    switch (value.kind()) {
        case fdn::Value::Kind::Text:
            return value.text();
        case fdn::Value::Kind::Boolean:
            return value.asBool() ? "true" : "false";
        case fdn::Value::Kind::Integer:
            return std::to_string(value.asInt64());
        case fdn::Value::Kind::Null:
            return "";
        default:
            break;
    }
    // Other numbers, arrays and dictionaries as their JSON text.
    std::string wrapped = fdn::jsonText(fdn::ValueArray{value}).value_or("[]");
    return wrapped.size() >= 2 ? wrapped.substr(1, wrapped.size() - 2) : std::string();
}

net::HttpRequest baseRequest(const std::string& path, net::HttpMethod method) {
    net::HttpRequest request;
    request.method = method;
    request.url = TavroAlamofireManager::regionHost() + path;
    request.headers.push_back({"Accept", "application/json"});
    request.connectTimeoutSeconds = connectTimeout.load();
    request.timeoutSeconds = totalTimeout.load();
    return request;
}

TavroAlamofireManager::Outcome outcomeOf(const net::HttpResult& result) {
    if (!result) return result.error();
    const net::HttpResponse& response = *result;
    if (response.statusCode < 200 || response.statusCode > 299) {
        return fdn::Error{kTavroBackendErrorDomain, static_cast<int>(response.statusCode),
                          "HTTP status " + std::to_string(response.statusCode)};
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(response.body.data());
    return parseReplyEnvelope({bytes, response.body.size()});
}

void deliver(TavroAlamofireManager::Outcome outcome,
             const TavroAlamofireManager::SuccessBlock& success,
             const TavroAlamofireManager::FailureBlock& failure) {
    if (outcome) {
        if (success) success(outcome->success, std::move(outcome->reply));
    } else if (failure) {
        failure(outcome.error());
    }
}

void sendAsync(net::HttpRequest request, TavroAlamofireManager::SuccessBlock success,
               TavroAlamofireManager::FailureBlock failure, fdn::DispatchQueuePtr queue) {
    net::HttpClient::send(
        std::move(request), queue ? std::move(queue) : fdn::mainQueue(),
        [success = std::move(success), failure = std::move(failure)](net::HttpResult result) {
            deliver(outcomeOf(result), success, failure);
        });
}

net::HttpRequest queryRequest(const std::string& path, net::HttpMethod method,
                              const TavroAlamofireManager::Parameters& parameters) {
    net::HttpRequest request = baseRequest(path, method);
    for (const auto& [name, value] : parameters)
        request.query.push_back({name, parameterText(value)});
    return request;
}

std::optional<net::HttpRequest> bodyRequest(const std::string& path, net::HttpMethod method,
                                            const fdn::ValueDictionary& body) {
    auto text = fdn::jsonText(fdn::Value(body));
    if (!text) return std::nullopt;
    net::HttpRequest request = baseRequest(path, method);
    request.jsonBody = std::move(*text);
    return request;
}

fdn::Error unencodableBody() {
    return fdn::Error{kTavroBackendErrorDomain, 3, "the parameters cannot be written as JSON"};
}

}  // namespace

std::string TavroAlamofireManager::regionHost() {
    net::BackendHosts hosts = net::BackendHosts::current();
    return AppDelegate::shared().isOverseas.load() ? hosts.overseas : hosts.domestic;
}

std::string TavroAlamofireManager::apiBaseAddress() {
    return regionHost() + "/api";
}

std::string TavroAlamofireManager::queryText(const Parameters& parameters) {
    return net::queryText(queryRequest("", HTTPMethod::Get, parameters).query);
}

void TavroAlamofireManager::setTimeouts(double connectSeconds, double totalSeconds) {
    connectTimeout = connectSeconds > 0 ? connectSeconds : kConnectTimeoutSeconds;
    totalTimeout = totalSeconds > 0 ? totalSeconds : kTotalTimeoutSeconds;
}

void TavroAlamofireManager::requestWithQuery(const std::string& path, HTTPMethod method,
                                             Parameters parameters, SuccessBlock success,
                                             FailureBlock failure, fdn::DispatchQueuePtr queue) {
    sendAsync(queryRequest(path, method, parameters), std::move(success), std::move(failure),
              std::move(queue));
}

void TavroAlamofireManager::requestWithJSONBody(const std::string& path, HTTPMethod method,
                                                fdn::ValueDictionary body, SuccessBlock success,
                                                FailureBlock failure, fdn::DispatchQueuePtr queue) {
    auto request = bodyRequest(path, method, body);
    if (!request) {
        if (!queue) queue = fdn::mainQueue();
        queue->async([failure = std::move(failure)] {
            if (failure) failure(unencodableBody());
        });
        return;
    }
    sendAsync(std::move(*request), std::move(success), std::move(failure), std::move(queue));
}

TavroAlamofireManager::Outcome TavroAlamofireManager::performWithQuery(
    const std::string& path, HTTPMethod method, const Parameters& parameters) {
    return outcomeOf(net::HttpClient::perform(queryRequest(path, method, parameters)));
}

TavroAlamofireManager::Outcome TavroAlamofireManager::performWithJSONBody(
    const std::string& path, HTTPMethod method, const fdn::ValueDictionary& body) {
    auto request = bodyRequest(path, method, body);
    if (!request) return unencodableBody();
    return outcomeOf(net::HttpClient::perform(*request));
}
