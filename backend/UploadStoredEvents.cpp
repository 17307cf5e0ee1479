#include "backend/UploadStoredEvents.h"

#include <atomic>
#include <memory>
#include <utility>

#include "backend/TavroAlamofireManager.h"
#include "backend/TavroUserBehaviorReporting.h"
#include "backend/UserBehaviorRecord.h"
#include "platform/foundation/BackgroundWork.h"

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

// Uploads the rows `nextRows` hands over until it hands over none or the quit begins.
void runPass(const std::function<TavroFMDBManager::Rows()>& nextRows,
             const std::function<void(size_t)>& done) {
    if (passRunning.exchange(true)) {
        if (done) done(0);
        return;
    }
    TavroFMDBManager& table = TavroFMDBManager::shareManager();
    size_t uploaded = 0;
    bool going = true;
    while (going) {
        TavroFMDBManager::Rows rows = nextRows();
        if (rows.empty()) break;
        for (const auto& row : rows) {
            going = fdn::BackgroundWork::sleepForSeconds(kSecondsBeforeEachRow);
            if (!going) break;
            if (uploadRow(table, row)) ++uploaded;
        }
    }
    // The deletions are queued; the next pass must not read the rows again before them.
    table.drainDatabaseQueue();
    passRunning = false;
    if (done) done(uploaded);
}

void startPass(std::function<TavroFMDBManager::Rows()> nextRows, std::function<void(size_t)> done) {
    fdn::globalQueue(fdn::QualityOfService::Default)
        ->async([hold = fdn::BackgroundWork::hold(), nextRows = std::move(nextRows),
                 done = std::move(done)] { runPass(nextRows, done); });
}

}  // namespace

void uploadStoredEvents(TavroFMDBManager::Rows rows, std::function<void(size_t)> done) {
    auto handedOver = std::make_shared<TavroFMDBManager::Rows>(std::move(rows));
    startPass([handedOver] { return std::exchange(*handedOver, {}); }, std::move(done));
}

void uploadStoredEventsInBatches(std::function<void(size_t)> done) {
    // Rows stay in the table when they fail: each batch starts after the last one read.
    auto lastRowId = std::make_shared<int64_t>(0);
    startPass(
        [lastRowId] {
            auto batch = TavroFMDBManager::shareManager().selectBatch(*lastRowId, kUploadBatchRows);
            *lastRowId = batch.lastRowId;
            return std::move(batch.rows);
        },
        std::move(done));
}
