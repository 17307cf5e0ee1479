#pragma once
// The companion-application server: a TCP server on the loopback address for the companion
// application on the same machine, one client at a time, one JSON object per line ended by
// CR LF. It also holds what the glasses report parser collects for that application: the
// IMU bias table, the offset record and the IMU identifier, and it forwards immersion
// changes to the glasses server.
//
// Any thread may call it: the state is atomic or guarded, sends are queued and written by
// the server's own thread, so a client that does not read never blocks a caller.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "localnet/BiasArray.h"
#include "localnet/LoopbackLineServer.h"
#include "platform/foundation/Guarded.h"
#include "platform/foundation/Value.h"

class TavroLocalServer {
  public:
    // The process-wide server, listening from its first use on.
    static TavroLocalServer& shareManager();
    // "84999" taken as a number and masked to 16 bits: 19463.
    static uint16_t defaultPort();

    // Listens on `preferredPort`, or the next lower free port.
    explicit TavroLocalServer(uint16_t preferredPort);

    uint16_t port() const { return socket_.port(); }
    bool hasClient() const { return socket_.hasClient(); }

    // The bias table object; it lives as long as the server.
    std::shared_ptr<BiasArray> biasArray() const { return biasArray_; }
    int32_t biasCount() const { return biasCount_.load(); }
    void setBiasCount(int32_t count) { biasCount_.store(count); }
    int32_t maxBiasCount1() const { return 8; }

    // {"type": type, "value": the bias table itself}.
    struct BiasDict {
        int64_t type = 0;
        std::shared_ptr<BiasArray> value;
    };
    // The dictionary as it reads now (entries appended since it was set included).
    std::optional<platform::foundation::Value> biasDict() const;
    void setBiasDict(std::optional<BiasDict> dict) { biasDict_.set(std::move(dict)); }

    platform::foundation::Value offsetDict() const { return offsetDict_.get(); }
    void setOffsetDict(platform::foundation::Value dict) { offsetDict_.set(std::move(dict)); }

    int64_t imu_id() const { return imuId_.load(); }
    void setImu_id(int64_t imuId) { imuId_.store(imuId); }

    // Writes the dictionary's JSON text and CR LF to the client. Types 5, 7 and 8 are sent
    // only while glasses are connected; nothing is sent without a client.
    void sendTextMessageWithDict(const platform::foundation::Value& dict);
    // Hands the value to the glasses server, when there is one.
    void changeImmersion(int32_t value);

    // The Mac's model family ("Mac mini", "MacBook Pro", ...) from its model identifier;
    // "Mac" when the identifier is unknown or cannot be read.
    static std::string getDeviceModel();

  private:
    LoopbackLineServer socket_;
    std::shared_ptr<BiasArray> biasArray_ = std::make_shared<BiasArray>();
    std::atomic<int32_t> biasCount_{0};
    std::atomic<int64_t> imuId_{0};
    platform::foundation::Guarded<std::optional<BiasDict>> biasDict_;
    platform::foundation::Guarded<platform::foundation::Value> offsetDict_;
};
