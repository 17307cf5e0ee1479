// The SimMac's backend server: where the application's requests go while the SimMac lives.

#include <gtest/gtest.h>

#include "platform/net/BackendHosts.h"
#include "platform/sim/SimMac.h"

using namespace platform::sim;

TEST(SimBackend, BothRegionHostsPointAtTheSimMacsServerWhileItLives) {
    std::string address;
    {
        SimMac mac(MachineProfile{});
        address = mac.backend().baseAddress();
        EXPECT_NE(mac.backend().port(), 0);
        auto hosts = platform::net::BackendHosts::current();
        EXPECT_EQ(hosts.domestic, address);
        EXPECT_EQ(hosts.overseas, address);
    }
    auto hosts = platform::net::BackendHosts::current();
    EXPECT_EQ(hosts.domestic, platform::net::BackendHosts::deployment().domestic);
    EXPECT_NE(hosts.overseas, address);
}
