#pragma once
// Shared set-up of the backend tests: a home folder of the test's own (so the usage
// database starts empty), a simulated backend server that both region hosts point at,
// short request time limits, and the rows the usage table holds.

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "appstate/AppDelegate.h"
#include "backend/TavroAlamofireManager.h"
#include "backend/TavroFMDBManager.h"
#include "platform/foundation/Dispatch.h"
#include "platform/net/BackendHosts.h"
#include "platform/sim/SimBackendServer.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/Waits.h"

namespace backendtest {

namespace fdn = platform::foundation;
using Mode = platform::sim::SimBackendServer::Mode;
using test_support::drainUntil;

class BackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TavroFMDBManager::shareManager().closeDatabase();
        platform::net::BackendHosts::setCurrent({server_.baseAddress(), server_.baseAddress()});
        TavroAlamofireManager::setTimeouts(1, 1.5);
        AppDelegate::shared().glassStatus = false;
        AppDelegate::shared().isOverseas = false;
    }
    void TearDown() override {
        TavroFMDBManager::shareManager().closeDatabase();
        server_.stop();
        fdn::MainLoop::drain();
        platform::net::BackendHosts::setCurrent(platform::net::BackendHosts::deployment());
        TavroAlamofireManager::setTimeouts(0, 0);
        AppDelegate::shared().glassStatus = false;
    }
    static TavroFMDBManager::Rows storedRows(
        TavroFMDBManager& table = TavroFMDBManager::shareManager()) {
        std::promise<TavroFMDBManager::Rows> rows;
        table.selectAll([&](auto found, int64_t, std::string) { rows.set_value(found); });
        return rows.get_future().get();
    }
    // The "uid" column of the stored rows, or of `rows`.
    static std::vector<std::string> uids(const TavroFMDBManager::Rows& rows = storedRows()) {
        std::vector<std::string> found;
        for (const auto& row : rows) found.push_back(row.at("uid").text());
        return found;
    }
    test_support::TemporaryHome home_{"tavro-backend"};
    platform::sim::SimBackendServer server_;
};

}  // namespace backendtest
