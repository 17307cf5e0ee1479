#include "backend/UploadStoredEvents.h"

#include <atomic>

#include "backend/TavroAlamofireManager.h"
#include "backend/TavroUserBehaviorReporting.h"
#include "backend/UserBehaviorRecord.h"
#include "platform/foundation/Clock.h"

namespace fdn = platform::foundation;

namespace {

constexpr double kSecondsBeforeEachRow = 0.25;

std::atomic<bool> passRunning{false};

bool uploadRow(TavroFMDBManager& table, const fdn::ValueDictionary& row) {
    auto uid = row.find(userbehavior::kUid);
    if (uid == row.end() || !uid->second.isText()) return false;
    // An older reading of the table may hold rows another pass has already uploaded.
    if (!table.containsUid(uid->second.text())) return false;
    auto outcome = TavroAlamofireManager::performWithJSONBody(
        TavroUserBehaviorReporting::kAppEventPath, TavroAlamofireManager::HTTPMethod::Post, row);
    if (!outcome || !outcome->success) return false;
    table.deleteUserBehaviorWithUid(uid->second.text());
    return true;
}

}  // namespace

void uploadStoredEvents(TavroFMDBManager::Rows rows, std::function<void(size_t)> done) {
    fdn::globalQueue(fdn::QualityOfService::Default)
        ->async([rows = std::move(rows), done = std::move(done)] {
            if (passRunning.exchange(true)) {
                if (done) done(0);
                return;
            }
            TavroFMDBManager& table = TavroFMDBManager::shareManager();
            size_t uploaded = 0;
            for (const auto& row : rows) {
                fdn::Clock::current().sleepForSeconds(kSecondsBeforeEachRow);
                if (uploadRow(table, row)) ++uploaded;
            }
            // The deletions are queued; the next pass must not read the rows again before them.
            table.drainDatabaseQueue();
            passRunning = false;
            if (done) done(uploaded);
        });
}
