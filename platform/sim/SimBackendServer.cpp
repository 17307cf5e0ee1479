#include "platform/sim/SimBackendServer.h"

#include <httplib.h>

#include <thread>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/ValueJson.h"

namespace platform::sim {

namespace fdn = platform::foundation;

struct SimBackendServer::State {
    httplib::Server server;
    std::thread listener;
    int port = 0;

    mutable foundation::Mutex mutex;
    foundation::ConditionVariable modeChanged;
    Mode mode TAVRO_GUARDED_BY(mutex) = Mode::Normal;
    bool stopping TAVRO_GUARDED_BY(mutex) = false;
    Release release TAVRO_GUARDED_BY(mutex);
    std::function<bool(const fdn::ValueDictionary&)> reject TAVRO_GUARDED_BY(mutex);
    std::vector<ReceivedEvent> events TAVRO_GUARDED_BY(mutex);
    std::vector<std::string> queries TAVRO_GUARDED_BY(mutex);
    size_t requests TAVRO_GUARDED_BY(mutex) = 0;

    // Holds a request while the server hangs; answers the mode to reply with.
    Mode enter() {
        foundation::MutexLock lock(mutex);
        ++requests;
        modeChanged.wait(lock,
                         [&]() TAVRO_REQUIRES(mutex) { return mode != Mode::Hang || stopping; });
        return mode;
    }
};

namespace {

std::string envelope(int code, const std::string& message, const fdn::Value& data) {
    fdn::ValueDictionary reply{{"code", code}, {"msg", message}, {"data", data}};
    return fdn::jsonText(fdn::Value(reply)).value_or("{}");
}

// Answers for the modes other than Normal; false when the request should be served.
bool answerFault(SimBackendServer::Mode mode, httplib::Response& response) {
    using Mode = SimBackendServer::Mode;
    switch (mode) {
        case Mode::Normal:
            return false;
        case Mode::Hang:  // only while stopping
        case Mode::Fail:
            response.status = 500;
            return true;
        case Mode::Garbage: {
            response.status = 200;
            // Not JSON, and not even text: a proxy's error page cut short.
            static constexpr char kGarbage[] = "<html>\x01\xff not json";
            response.set_content(std::string(kGarbage, sizeof kGarbage - 1), "application/json");
            return true;
        }
        case Mode::Status424:
            response.status = 424;
            response.set_content(envelope(424, "request failed", nullptr), "application/json");
            return true;
        case Mode::EnvelopeError:
            response.status = 200;
            response.set_content(envelope(500, "server error", nullptr), "application/json");
            return true;
        case Mode::Endless:
            response.status = 200;
            // A JSON text that keeps opening arrays, until the client gives up.
            response.set_chunked_content_provider(
                "application/json", [](size_t, httplib::DataSink& sink) {
                    const std::string chunk(64 * 1024, '[');
                    return sink.is_writable() && sink.write(chunk.data(), chunk.size());
                });
            return true;
    }
    return false;
}

std::string queryOf(const std::string& target) {
    auto mark = target.find('?');
    return mark == std::string::npos ? std::string() : target.substr(mark + 1);
}

}  // namespace

SimBackendServer::SimBackendServer() : state_(std::make_shared<State>()) {
    std::string ownVersion =
        fdn::Bundle::main().objectForInfoDictionaryKey("CFBundleShortVersionString").text();
    state_->release = {ownVersion.empty() ? "1.0.0" : ownVersion, "/download/Halvane3D.dmg", ""};

    State* state = state_.get();
    state->server.Get(
        kLatestReleasePath, [state](const httplib::Request& request, httplib::Response& response) {
            Mode mode = state->enter();
            Release release;
            {
                foundation::MutexLock lock(state->mutex);
                state->queries.push_back(queryOf(request.target));
                release = state->release;
            }
            if (answerFault(mode, response)) return;
            fdn::ValueDictionary data{{"version", release.version},
                                      {"downloadUrl", release.downloadUrl},
                                      {"releaseNote", release.releaseNote}};
            response.set_content(envelope(200, "success", fdn::Value(data)), "application/json");
        });
    state->server.Post(
        kAppEventPath, [state](const httplib::Request& request, httplib::Response& response) {
            Mode mode = state->enter();
            if (answerFault(mode, response)) return;
            auto parsed = fdn::parseJsonText(request.body);
            if (!parsed || !parsed->isDictionary()) {
                response.status = 400;
                response.set_content(envelope(400, "bad event", nullptr), "application/json");
                return;
            }
            {
                foundation::MutexLock lock(state->mutex);
                if (state->reject && state->reject(parsed->dictionary())) {
                    response.status = 500;
                    return;
                }
                state->events.push_back({parsed->dictionary(), fdn::Clock::current().now()});
            }
            response.set_content(envelope(200, "success", nullptr), "application/json");
        });

    state->port = state->server.bind_to_any_port("127.0.0.1");
    if (state->port > 0) {
        state->listener = std::thread([state] { state->server.listen_after_bind(); });
        // stop() only reaches a server that has entered its accept loop; the socket already
        // listens, so this start-up wait is short.
        for (int tries = 0; tries < 5000 && !state->server.is_running(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
        state->port = 0;
    }
}

SimBackendServer::~SimBackendServer() {
    stop();
}

std::optional<SimBackendServer::Mode> SimBackendServer::modeNamed(std::string_view name) {
    if (name == "normal") return Mode::Normal;
    if (name == "fail") return Mode::Fail;
    if (name == "hang") return Mode::Hang;
    if (name == "garbage") return Mode::Garbage;
    if (name == "424") return Mode::Status424;
    if (name == "envelopeError") return Mode::EnvelopeError;
    if (name == "endless") return Mode::Endless;
    return std::nullopt;
}

void SimBackendServer::stop() {
    {
        foundation::MutexLock lock(state_->mutex);
        state_->stopping = true;
    }
    state_->modeChanged.notify_all();
    state_->server.stop();
    if (state_->listener.joinable()) state_->listener.join();
}

int SimBackendServer::port() const {
    return state_->port;
}

std::string SimBackendServer::baseAddress() const {
    return "http://127.0.0.1:" + std::to_string(state_->port);
}

void SimBackendServer::setMode(Mode mode) {
    {
        foundation::MutexLock lock(state_->mutex);
        state_->mode = mode;
    }
    state_->modeChanged.notify_all();
}

SimBackendServer::Mode SimBackendServer::mode() const {
    foundation::MutexLock lock(state_->mutex);
    return state_->mode;
}

void SimBackendServer::setLatestRelease(Release release) {
    foundation::MutexLock lock(state_->mutex);
    state_->release = std::move(release);
}

SimBackendServer::Release SimBackendServer::latestRelease() const {
    foundation::MutexLock lock(state_->mutex);
    return state_->release;
}

void SimBackendServer::offerNewerVersion(const std::string& version,
                                         const std::string& releaseNote) {
    setLatestRelease({version, "/download/Halvane3D-" + version + ".dmg", releaseNote});
}

void SimBackendServer::setEventRejection(std::function<bool(const fdn::ValueDictionary&)> reject) {
    foundation::MutexLock lock(state_->mutex);
    state_->reject = std::move(reject);
}

std::vector<SimBackendServer::ReceivedEvent> SimBackendServer::receivedEvents() const {
    foundation::MutexLock lock(state_->mutex);
    return state_->events;
}

std::vector<std::string> SimBackendServer::updateQueries() const {
    foundation::MutexLock lock(state_->mutex);
    return state_->queries;
}

size_t SimBackendServer::requestCount() const {
    foundation::MutexLock lock(state_->mutex);
    return state_->requests;
}

}  // namespace platform::sim
