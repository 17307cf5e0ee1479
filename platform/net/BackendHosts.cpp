#include "platform/net/BackendHosts.h"

#include "platform/foundation/Mutex.h"

namespace platform::net {

namespace {

struct State {
    foundation::Mutex mutex;
    BackendHosts hosts TAVRO_GUARDED_BY(mutex) = BackendHosts::deployment();
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
    foundation::MutexLock lock(state().mutex);
    return state().hosts;
}

void BackendHosts::setCurrent(BackendHosts hosts) {
    foundation::MutexLock lock(state().mutex);
    state().hosts = std::move(hosts);
}

}  // namespace platform::net
