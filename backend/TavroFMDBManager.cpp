#include "backend/TavroFMDBManager.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>
#include <utility>

#include "backend/UsageTableDamage.h"
#include "backend/UserBehaviorRecord.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/ValueJson.h"

namespace fdn = platform::foundation;

namespace {

constexpr auto kBusyStep = std::chrono::milliseconds(10);

int64_t steadyNow() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

}  // namespace

// The quit's writes: their limit, what wakes a wait for the file when the quit sets it, the
// time the quit has waited so far, and the events queued and not yet through, to be named
// when the quit stops waiting for them.
struct TavroFMDBManager::QuitWrites {
    fdn::Mutex mutex;
    fdn::ConditionVariable set;
    // The steady-clock time (in nanoseconds) past which no statement waits for the file any
    // more; 0 while the quit's writes are not running.
    std::atomic<int64_t> steadyLimit{0};
    std::atomic<std::chrono::steady_clock::duration> waited{};
    uint64_t lastEntry TAVRO_GUARDED_BY(mutex) = 0;
    std::map<uint64_t, std::string> unstored TAVRO_GUARDED_BY(mutex);  // "name uid"

    uint64_t remember(std::string event) {
        fdn::MutexLock lock(mutex);
        unstored.emplace(++lastEntry, std::move(event));
        return lastEntry;
    }
    void forget(uint64_t entry) {
        fdn::MutexLock lock(mutex);
        unstored.erase(entry);
    }
    // Each event once: what the queue does with it later is past the quit's end.
    std::map<uint64_t, std::string> takeUnstored() {
        fdn::MutexLock lock(mutex);
        return std::exchange(unstored, {});
    }
};

namespace {

struct BusyWait {
    fdn::Clock::TimePoint since{};  // when the current statement found the file held
    TavroFMDBManager::QuitWrites* quit = nullptr;
};

// Another process (a second copy at start-up) may hold the file for a moment: wait for it
// in steps of clock time, at most kBusySeconds a statement. During the quit the steps are
// real time and end at the quit's limit, whatever the clock's speed.
int waitWhileBusy(void* user, int attempt) {
    auto* wait = static_cast<BusyWait*>(user);
    auto clock = fdn::Clock::current();
    const auto now = clock.now();
    if (attempt == 0) wait->since = now;
    if (now - wait->since >= fdn::Clock::fromSeconds(TavroFMDBManager::kBusySeconds)) return 0;
    auto& quit = *wait->quit;
    if (const int64_t limit = quit.steadyLimit.load(); limit != 0) {
        if (steadyNow() >= limit) return 0;
        std::this_thread::sleep_for(kBusyStep);
        return 1;
    }
    fdn::MutexLock lock(quit.mutex);
    clock.waitUntil(quit.mutex, quit.set, fdn::Clock::later(now, kBusyStep),
                    [&] { return quit.steadyLimit.load() != 0; });
    return 1;
}

}  // namespace

struct TavroFMDBManager::Connection {
    sqlite3* db = nullptr;
    bool tableReady = false;
    std::set<std::string> columns;  // of the table, once ready
    BusyWait busy;

    ~Connection() { sqlite3_close_v2(db); }
};

namespace {

std::string sqlName(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    return out + "\"";
}

const std::string& tableName() {
    // Never destroyed: work on the database queue may still run while the process ends.
    static const auto* name = new std::string(sqlName(TavroFMDBManager::kTableName));
    return *name;
}

// What a failed step left: SQLite's result code and its message.
struct Outcome {
    int code = SQLITE_OK;
    std::string message;
    explicit operator bool() const { return code == SQLITE_OK; }
};

Outcome failure(sqlite3* db, int code) {
    return {code == SQLITE_OK ? SQLITE_ERROR : code, sqlite3_errmsg(db)};
}

Outcome exec(sqlite3* db, const std::string& sql) {
    const int code = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    return code == SQLITE_OK ? Outcome{} : failure(db, code);
}

struct Statement {
    sqlite3_stmt* handle = nullptr;
    Statement(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &handle, nullptr) != SQLITE_OK)
            handle = nullptr;
    }
    ~Statement() { sqlite3_finalize(handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return handle != nullptr; }
};

void bindValue(sqlite3_stmt* statement, int index, const fdn::Value& value) {
    using Kind = fdn::Value::Kind;
    switch (value.kind()) {
        case Kind::Boolean:
        case Kind::Integer:
            sqlite3_bind_int64(statement, index, value.asInt64());
            return;
        case Kind::Float:
        case Kind::Double:
            sqlite3_bind_double(statement, index, value.asDouble());
            return;
        case Kind::Text:
            sqlite3_bind_text(statement, index, value.text().c_str(),
                              static_cast<int>(value.text().size()), SQLITE_TRANSIENT);
            return;
        case Kind::Array:
        case Kind::Dictionary:
            if (auto text = fdn::jsonText(value)) {
                sqlite3_bind_text(statement, index, text->c_str(), static_cast<int>(text->size()),
                                  SQLITE_TRANSIENT);
                return;
            }
            break;
        default:
            break;
    }
    sqlite3_bind_null(statement, index);
}

fdn::Value columnValue(sqlite3_stmt* statement, int index) {
    switch (sqlite3_column_type(statement, index)) {
        case SQLITE_INTEGER:
            return fdn::Value(static_cast<int64_t>(sqlite3_column_int64(statement, index)));
        case SQLITE_FLOAT:
            return fdn::Value(sqlite3_column_double(statement, index));
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, index));
            int size = sqlite3_column_bytes(statement, index);
            return fdn::Value(
                std::string(bytes ? bytes : "", bytes ? static_cast<size_t>(size) : 0));
        }
        default:
            return fdn::Value();
    }
}

// Renamed over or removed since it was opened: the connection would write where no one
// reads again.
bool fileHasMoved(sqlite3* db) {
    int moved = 0;
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
           moved != 0;
}

bool hasUid(sqlite3* db, const std::string& uid) {
    Statement query(
        db, "SELECT 1 FROM " + tableName() + " WHERE " + sqlName(userbehavior::kUid) + " = ?");
    if (!query) return false;
    bindValue(query.handle, 1, fdn::Value(uid));
    return sqlite3_step(query.handle) == SQLITE_ROW;
}

Outcome insertRecord(sqlite3* db, const std::set<std::string>& columns,
                     const fdn::ValueDictionary& record) {
    std::string names, marks;
    std::vector<const fdn::Value*> values;
    for (const auto& [name, value] : record) {
        if (!columns.count(name)) continue;
        if (!names.empty()) {
            names += ", ";
            marks += ", ";
        }
        names += sqlName(name);
        marks += "?";
        values.push_back(&value);
    }
    Statement insert(db, "INSERT INTO " + tableName() + " (" + names + ") VALUES (" + marks + ")");
    int code = insert ? SQLITE_OK : sqlite3_errcode(db);
    for (size_t i = 0; insert && i < values.size(); ++i)
        bindValue(insert.handle, static_cast<int>(i + 1), *values[i]);
    if (insert && (code = sqlite3_step(insert.handle)) == SQLITE_DONE) code = SQLITE_OK;
    return code == SQLITE_OK ? Outcome{} : failure(db, code);
}

std::set<std::string> tableColumns(sqlite3* db) {
    std::set<std::string> names;
    Statement info(db, "PRAGMA table_info(" + tableName() + ")");
    if (!info) return names;
    while (sqlite3_step(info.handle) == SQLITE_ROW) {
        const auto* name = sqlite3_column_text(info.handle, 1);
        if (name) names.insert(reinterpret_cast<const char*>(name));
    }
    return names;
}

// Creates the table or brings an older one up to the current columns, in one transaction,
// so a failure part-way leaves the old table as it was.
Outcome prepareTable(sqlite3* db, std::set<std::string>& columns) {
    if (Outcome begun = exec(db, "BEGIN IMMEDIATE"); !begun) return begun;
    std::string create = "CREATE TABLE IF NOT EXISTS " + tableName() + " (";
    bool first = true;
    for (const auto& column : userbehavior::kColumns) {
        if (!first) create += ", ";
        first = false;
        create += sqlName(column.name) + " " + std::string(column.sqlType);
        if (column.name == userbehavior::kUid) create += " UNIQUE";
    }
    create += ")";
    Outcome outcome = exec(db, create);
    std::set<std::string> existing = outcome ? tableColumns(db) : std::set<std::string>{};
    for (const auto& column : userbehavior::kColumns) {
        if (!outcome || existing.count(std::string(column.name))) continue;
        // SQLite cannot add a UNIQUE column; the uid's uniqueness comes from the index below.
        outcome = exec(db, "ALTER TABLE " + tableName() + " ADD COLUMN " + sqlName(column.name) +
                               " " + std::string(column.sqlType));
    }
    // Rows of an older table without a uid could never be deleted after their upload.
    if (outcome) {
        outcome = exec(db, "UPDATE " + tableName() + " SET " + sqlName(userbehavior::kUid) +
                               " = lower(hex(randomblob(16))) WHERE " +
                               sqlName(userbehavior::kUid) + " IS NULL");
    }
    if (outcome) {
        outcome =
            exec(db, "CREATE UNIQUE INDEX IF NOT EXISTS " + sqlName("tavroUserBehaviorTable_uid") +
                         " ON " + tableName() + " (" + sqlName(userbehavior::kUid) + ")");
    }
    if (outcome) outcome = exec(db, "COMMIT");
    if (!outcome) {
        exec(db, "ROLLBACK");
        return outcome;
    }
    columns = tableColumns(db);
    return {};
}

fdn::ValueDictionary readRow(sqlite3_stmt* statement, int firstColumn) {
    fdn::ValueDictionary row;
    const int count = sqlite3_column_count(statement);
    for (int i = firstColumn; i < count; ++i)
        row[sqlite3_column_name(statement, i)] = columnValue(statement, i);
    return row;
}

std::string eventNameOf(const fdn::ValueDictionary& record) {
    auto name = record.find(userbehavior::kEventName);
    std::string text = name != record.end() && name->second.isText() ? name->second.text() : "";
    return text.empty() ? "an event" : "\"" + text + "\"";
}

}  // namespace

TavroFMDBManager& TavroFMDBManager::shareManager() {
    // Never destroyed: work queued at quit still finds its manager.
    static auto* instance = new TavroFMDBManager();
    return *instance;
}

TavroFMDBManager::TavroFMDBManager(std::string databasePath)
    : configuredPath_(std::move(databasePath)),
      queue_(fdn::makeSerialQueue("com.tavro.userBehaviorDatabase")),
      quit_(std::make_unique<QuitWrites>()) {}

TavroFMDBManager::~TavroFMDBManager() {
    closeDatabase();
}

std::string TavroFMDBManager::databasePath() const {
    if (!configuredPath_.empty()) return configuredPath_;
    return fdn::appendPathComponent(fdn::applicationSupportDirectory(), kDatabaseName);
}

std::unique_ptr<TavroFMDBManager::Connection> TavroFMDBManager::connect(const std::string& path) {
    fdn::createDirectory(fdn::deletingLastPathComponent(path), true);
    auto connection = std::make_unique<Connection>();
    // A link put in place after the look in open() is refused, not followed. SQLite refuses a
    // link anywhere along the path, though, and the folders above (a linked home or temporary
    // folder) are the user's own layout: it is given the path with those resolved.
    int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW;
    const std::string resolved = fdn::resolvingFolders(path);
    if (sqlite3_open_v2(resolved.c_str(), &connection->db, flags, nullptr) != SQLITE_OK) {
        fdn::systemLog("usage table: cannot open " + path + ": " +
                       (connection->db ? sqlite3_errmsg(connection->db) : "out of memory"));
        return nullptr;
    }
    connection->busy.quit = quit_.get();
    sqlite3_busy_handler(connection->db, waitWhileBusy, &connection->busy);
    return connection;
}

bool TavroFMDBManager::setAsideDamaged(const std::string& path, const std::string& reason) {
    fdn::systemLog("usage table: " + path + " is unreadable: " + reason);
    connection_.reset();
    auto aside = fdn::moveUnreadableAside(path);
    if (!aside) {
        fdn::systemLog("usage table: cannot keep " + path +
                       " aside: " + aside.error().localizedDescription);
        return false;
    }
    fdn::systemLog("usage table: kept the unreadable " + path + " as " + *aside +
                   "; a new table starts");
    return true;
}

TavroFMDBManager::Connection* TavroFMDBManager::open() {
    const std::string path = databasePath();
    if (connection_ && fileHasMoved(connection_->db)) {
        fdn::systemLog("usage table: " + path + " was replaced or removed; opening it again");
        connection_.reset();
    }
    if (connection_ && connection_->tableReady) return connection_.get();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connection_) {
            if (auto unusable = usagetable::unusableItem(path);
                unusable && !setAsideDamaged(path, *unusable))
                return nullptr;
            if (!(connection_ = connect(path))) return nullptr;
        }
        Outcome prepared = prepareTable(connection_->db, connection_->columns);
        if (prepared) {
            connection_->tableReady = true;
            return connection_.get();
        }
        if (attempt > 0 || !usagetable::isDamage(prepared.code) ||
            !setAsideDamaged(path, prepared.message)) {
            fdn::systemLog("usage table: cannot prepare " + path + ": " + prepared.message);
            return nullptr;
        }
    }
    return nullptr;
}

void TavroFMDBManager::createFMDBTable() {
    queue_->async([this] { open(); });
}

void TavroFMDBManager::insertUserBehavior(fdn::ValueDictionary record) {
    if (!record[userbehavior::kUid].isText() || record[userbehavior::kUid].text().empty())
        record[userbehavior::kUid] = fdn::uuidString();
    const std::string uid = record[userbehavior::kUid].text();
    const uint64_t entry = quit_->remember(eventNameOf(record) + " " + uid);
    queue_->async([this, entry, uid, record = std::move(record)] {
        Outcome stored;
        // A file found damaged only now is set aside, and the record goes into the new one.
        for (int attempt = 0; attempt < 2; ++attempt) {
            Connection* connection = open();
            if (!connection) {
                stored = {SQLITE_CANTOPEN, "the usage table cannot be opened"};
                break;
            }
            stored = insertRecord(connection->db, connection->columns, record);
            if (stored || !usagetable::isDamage(stored.code)) break;
            // A record stored before: the table takes records, only not this one again.
            if ((stored.code & 0xFF) == SQLITE_CONSTRAINT && hasUid(connection->db, uid)) break;
            if (attempt > 0 || !setAsideDamaged(databasePath(), stored.message)) break;
        }
        if (!stored) {
            fdn::systemLog("usage table: not stored: " + eventNameOf(record) + " " + uid + ": " +
                           stored.message);
        }
        quit_->forget(entry);
    });
}

void TavroFMDBManager::deleteUserBehaviorWithUid(std::string uid, std::function<void(bool)> done) {
    queue_->async([this, uid = std::move(uid), done = std::move(done)] {
        bool deleted = false;
        if (Connection* connection = open()) {
            Statement remove(connection->db, "DELETE FROM " + tableName() + " WHERE " +
                                                 sqlName(userbehavior::kUid) + " = ?");
            if (remove) {
                bindValue(remove.handle, 1, fdn::Value(uid));
                deleted = sqlite3_step(remove.handle) == SQLITE_DONE &&
                          sqlite3_changes(connection->db) > 0;
            }
        }
        if (done) done(deleted);
    });
}

bool TavroFMDBManager::containsUid(const std::string& uid) {
    bool found = false;
    queue_->sync([&] {
        if (Connection* connection = open()) found = hasUid(connection->db, uid);
    });
    return found;
}

void TavroFMDBManager::selectedUserBehaviorTableCompletion(SelectCompletion completion) {
    shareManager().selectAll(std::move(completion));
}

void TavroFMDBManager::selectAll(SelectCompletion completion) {
    queue_->async([this, completion = std::move(completion)] {
        Rows rows;
        Connection* connection = open();
        if (!connection) {
            if (completion) completion({}, SQLITE_CANTOPEN, "the usage table cannot be opened");
            return;
        }
        Statement select(connection->db, "SELECT * FROM " + tableName() + " ORDER BY rowid");
        int code = select ? SQLITE_OK : sqlite3_errcode(connection->db);
        int step = SQLITE_DONE;
        while (select && (step = sqlite3_step(select.handle)) == SQLITE_ROW)
            rows.push_back(readRow(select.handle, 0));
        if (select && step != SQLITE_DONE) code = step;
        std::string message = code == SQLITE_OK ? "" : sqlite3_errmsg(connection->db);
        if (completion) completion(std::move(rows), code, std::move(message));
    });
}

TavroFMDBManager::Batch TavroFMDBManager::selectBatch(int64_t afterRowId, size_t limit) {
    Batch batch;
    batch.lastRowId = afterRowId;
    queue_->sync([&] {
        Connection* connection = open();
        if (!connection) return;
        Statement select(connection->db, "SELECT rowid, * FROM " + tableName() +
                                             " WHERE rowid > ? ORDER BY rowid LIMIT ?");
        if (!select) return;
        sqlite3_bind_int64(select.handle, 1, afterRowId);
        sqlite3_bind_int64(select.handle, 2, static_cast<sqlite3_int64>(limit));
        while (sqlite3_step(select.handle) == SQLITE_ROW) {
            batch.lastRowId = sqlite3_column_int64(select.handle, 0);
            batch.rows.push_back(readRow(select.handle, 1));
        }
    });
    return batch;
}

void TavroFMDBManager::drainDatabaseQueue() {
    queue_->sync([] {});
}

void TavroFMDBManager::beginQuitWrites() {
    quit_->waited = std::chrono::steady_clock::duration::zero();
}

bool TavroFMDBManager::finishBeforeQuit() {
    using Steady = std::chrono::steady_clock;
    QuitWrites& quit = *quit_;
    const auto begun = Steady::now();
    const auto left = std::max<Steady::duration>(kQuitWait - quit.waited.load(), {});
    const auto deadline = begun + left;
    {
        // A statement waiting for a held file gives up a little before the quit stops waiting,
        // so that the operations queued behind it still end, their events named, in time.
        fdn::MutexLock lock(quit.mutex);
        quit.steadyLimit = (begun + left * 4 / 5).time_since_epoch().count();
    }
    quit.set.notify_all();
    // Not a sync on the queue: a statement that never returns would hold the quit for ever.
    struct Drained {
        fdn::Mutex mutex;
        fdn::ConditionVariable changed;
        bool done TAVRO_GUARDED_BY(mutex) = false;
    };
    auto drained = std::make_shared<Drained>();
    queue_->async([drained] {
        fdn::MutexLock lock(drained->mutex);
        drained->done = true;
        drained->changed.notify_all();
    });
    bool done = false;
    {
        fdn::MutexLock lock(drained->mutex);
        done = drained->changed.wait_until(
            lock, deadline, [&]() TAVRO_REQUIRES(drained->mutex) { return drained->done; });
    }
    quit.waited = quit.waited.load() + (Steady::now() - begun);
    quit.steadyLimit = 0;
    if (!done) {
        for (const auto& [entry, event] : quit.takeUnstored())
            fdn::systemLog("usage table: not stored: " + event +
                           ": the quit did not wait for the usage table any longer");
    }
    return done;
}

void TavroFMDBManager::closeDatabase() {
    queue_->sync([this] { connection_.reset(); });
}
