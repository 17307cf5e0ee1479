#pragma once
// The simulated backend: an HTTP server on 127.0.0.1 at a free port that answers the
// application-update query ("/api/admin/appPublish/latest") with the latest release and
// keeps every usage event posted to "/api/admin/appEvent". Replies come in the backend's
// envelope: {"code": 200, "msg": "success", "data": ...}; any other code is an error.
//
// Tests and scenarios steer it: fail (HTTP 500), hang (hold every request until the mode
// changes or the server stops), answer garbage, answer 424, answer an envelope error, send
// a reply that never ends, or offer a newer version. Received events are stamped with the
// injectable clock's time.
//
// The server answers on its own threads; every operation here is thread-safe. Stopping
// (or destroying) it releases held requests first.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Value.h"

namespace platform::sim {

class SimBackendServer {
  public:
    static constexpr const char* kLatestReleasePath = "/api/admin/appPublish/latest";
    static constexpr const char* kAppEventPath = "/api/admin/appEvent";

    enum class Mode {
        Normal,
        Fail,           // HTTP 500 with an empty body
        Hang,           // no answer at all while the mode lasts
        Garbage,        // HTTP 200 with bytes that are not JSON
        Status424,      // HTTP 424 with an error envelope
        EnvelopeError,  // HTTP 200 with an envelope whose code is not 200
        Endless,        // HTTP 200 with a body that never ends
    };

    // "normal", "fail", "hang", "garbage", "424", "envelopeError", "endless"; none for
    // another name.
    static std::optional<Mode> modeNamed(std::string_view name);

    struct Release {
        std::string version;
        std::string downloadUrl;  // below the backend's API base address
        std::string releaseNote;
    };

    struct ReceivedEvent {
        platform::foundation::ValueDictionary body;
        platform::foundation::Clock::TimePoint receivedAt;
    };

    // Starts listening; the latest release is the main bundle's own version (no update).
    SimBackendServer();
    ~SimBackendServer();
    SimBackendServer(const SimBackendServer&) = delete;
    SimBackendServer& operator=(const SimBackendServer&) = delete;

    // 0 when the server could not start.
    int port() const;
    // "http://127.0.0.1:<port>".
    std::string baseAddress() const;
    void stop();

    void setMode(Mode mode);
    Mode mode() const;

    void setLatestRelease(Release release);
    Release latestRelease() const;
    // A release newer than any the application has.
    void offerNewerVersion(const std::string& version,
                           const std::string& releaseNote = "Bug fixes");

    // Events for which `reject` answers true get HTTP 500 and are not kept (null: none).
    void setEventRejection(
        std::function<bool(const platform::foundation::ValueDictionary&)> reject);
    std::vector<ReceivedEvent> receivedEvents() const;
    // The query texts of the update requests received, oldest first.
    std::vector<std::string> updateQueries() const;
    // Requests that arrived at either path, answered or not.
    size_t requestCount() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace platform::sim
