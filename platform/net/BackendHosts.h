#pragma once
// The backend's addresses by region: the domestic and the overseas host ("scheme://host[:port]",
// no trailing "/"). They are deployment values; the simulated Mac points both at its own
// backend server while it lives. Thread-safe.

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
