#pragma once
// Shared set-up of the backend tests: a home folder of the test's own (so the usage
// database starts empty), a simulated backend server that both region hosts point at,
// short request time limits, and a bounded wait that keeps the main queue running.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "appstate/AppDelegate.h"
#include "backend/TavroAlamofireManager.h"
#include "backend/TavroFMDBManager.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/net/BackendHosts.h"
#include "platform/sim/SimBackendServer.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/Waits.h"

namespace backendtest {

namespace fdn = platform::foundation;

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

    // Runs the main queue until `done` holds, for at most `seconds` of real time.
    static bool waitFor(const std::function<bool()>& done, double seconds = 5) {
        return test_support::drainUntil(done, seconds);
    }

    static TavroFMDBManager::Rows storedRows(
        TavroFMDBManager& table = TavroFMDBManager::shareManager()) {
        std::promise<TavroFMDBManager::Rows> rows;
        table.selectAll([&](TavroFMDBManager::Rows found, int64_t, std::string) {
            rows.set_value(std::move(found));
        });
        return rows.get_future().get();
    }

    platform::sim::SimBackendServer& server() { return server_; }
    test_support::TemporaryHome home_{"tavro-backend"};
    platform::sim::SimBackendServer server_;
};

}  // namespace backendtest
