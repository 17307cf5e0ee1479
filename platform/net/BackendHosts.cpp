#include "platform/net/BackendHosts.h"

#include <mutex>

namespace platform::net {

namespace {

struct State {
    std::mutex mutex;
    BackendHosts hosts = BackendHosts::deployment();
};

// Never destroyed: requests may still ask for the hosts while the process ends.
State& state() {
    static auto* instance = new State;
    return *instance;
}

}  // namespace

BackendHosts BackendHosts::deployment() {
    return {"https://api.halvane3d.cn", "https://api.halvane3d.com"};
}

BackendHosts BackendHosts::current() {
    std::lock_guard lock(state().mutex);
    return state().hosts;
}

void BackendHosts::setCurrent(BackendHosts hosts) {
    std::lock_guard lock(state().mutex);
    state().hosts = std::move(hosts);
}

}  // namespace platform::net
