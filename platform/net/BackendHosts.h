#pragma once
// The backend's addresses by region: the domestic and the overseas host ("scheme://host[:port]",
// no trailing "/"). They are deployment values; on a simulated Mac the run's factory points
// both at the SimMac's own backend server. Thread-safe.

#include <string>

namespace platform::net {

struct BackendHosts {
    std::string domestic;
    std::string overseas;

    static BackendHosts current();
    static void setCurrent(BackendHosts hosts);
    // The deployment's own hosts.
    static BackendHosts deployment();
};

}  // namespace platform::net
