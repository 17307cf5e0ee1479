// The SimMac's backend server: where the application's requests go while the SimMac lives,
// and the scenario steps that steer it.

#include <gtest/gtest.h>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/WorkspaceNotifications.h"
#include "platform/net/BackendHosts.h"
#include "platform/sim/SimMac.h"

using namespace platform::sim;
namespace fdn = platform::foundation;

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

TEST(SimBackend, TheSimMacPostsOtherApplicationsComingAndGoing) {
    SimMac mac(MachineProfile{});
    std::vector<std::pair<std::string, std::string>> seen;
    auto& workspace = fdn::NotificationCenter::workspaceCenter();
    auto token =
        workspace.addObserver({}, std::nullopt, nullptr, [&](const fdn::Notification& note) {
            seen.push_back({note.name, note.userInfo[fdn::kWorkspaceApplicationKey]
                                                    [fdn::kWorkspaceApplicationLocalizedNameKey]
                                                        .text()});
        });
    mac.activateApplication("Mail", "com.apple.mail");
    mac.terminateApplication("Mail", "com.apple.mail");
    token.reset();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0],
              std::make_pair(std::string(fdn::kWorkspaceDidActivateApplicationNotification),
                             std::string("Mail")));
    EXPECT_EQ(seen[1].first, fdn::kWorkspaceDidTerminateApplicationNotification);
}

TEST(SimBackend, ScenarioModeNamesSteerTheServer) {
    EXPECT_EQ(SimBackendServer::modeNamed("hang"), SimBackendServer::Mode::Hang);
    EXPECT_EQ(SimBackendServer::modeNamed("424"), SimBackendServer::Mode::Status424);
    EXPECT_EQ(SimBackendServer::modeNamed("slow"), std::nullopt);
}
