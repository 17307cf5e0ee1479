#include "backend/TavroFMDBManager.h"

#include <sqlite3.h>

#include <set>

#include "backend/UserBehaviorRecord.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/ValueJson.h"

namespace fdn = platform::foundation;

struct TavroFMDBManager::Connection {
    sqlite3* db = nullptr;
    bool tableReady = false;
    std::set<std::string> columns;  // of the table, once ready

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
    static const std::string name = sqlName(TavroFMDBManager::kTableName);
    return name;
}

bool exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
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
bool prepareTable(sqlite3* db, std::set<std::string>& columns) {
    if (!exec(db, "BEGIN IMMEDIATE")) return false;
    std::string create = "CREATE TABLE IF NOT EXISTS " + tableName() + " (";
    bool first = true;
    for (const auto& column : userbehavior::kColumns) {
        if (!first) create += ", ";
        first = false;
        create += sqlName(column.name) + " " + std::string(column.sqlType);
        if (column.name == userbehavior::kUid) create += " UNIQUE";
    }
    create += ")";
    bool ok = exec(db, create);
    std::set<std::string> existing = ok ? tableColumns(db) : std::set<std::string>{};
    for (const auto& column : userbehavior::kColumns) {
        if (!ok || existing.count(std::string(column.name))) continue;
        // SQLite cannot add a UNIQUE column; the uid's uniqueness comes from the index below.
        ok = exec(db, "ALTER TABLE " + tableName() + " ADD COLUMN " + sqlName(column.name) + " " +
                          std::string(column.sqlType));
    }
    // Rows of an older table without a uid could never be deleted after their upload.
    ok = ok && exec(db, "UPDATE " + tableName() + " SET " + sqlName(userbehavior::kUid) +
                            " = lower(hex(randomblob(16))) WHERE " + sqlName(userbehavior::kUid) +
                            " IS NULL");
    ok = ok &&
         exec(db, "CREATE UNIQUE INDEX IF NOT EXISTS " + sqlName("tavroUserBehaviorTable_uid") +
                      " ON " + tableName() + " (" + sqlName(userbehavior::kUid) + ")");
    if (!ok) {
        exec(db, "ROLLBACK");
        return false;
    }
    if (!exec(db, "COMMIT")) {
        exec(db, "ROLLBACK");
        return false;
    }
    columns = tableColumns(db);
    return true;
}

}  // namespace

TavroFMDBManager& TavroFMDBManager::shareManager() {
    // Never destroyed: work queued at quit still finds its manager.
    static auto* instance = new TavroFMDBManager();
    return *instance;
}

TavroFMDBManager::TavroFMDBManager(std::string databasePath)
    : configuredPath_(std::move(databasePath)),
      queue_(fdn::makeSerialQueue("com.tavro.userBehaviorDatabase")) {}

TavroFMDBManager::~TavroFMDBManager() {
    closeDatabase();
}

std::string TavroFMDBManager::databasePath() const {
    if (!configuredPath_.empty()) return configuredPath_;
    return fdn::appendPathComponent(fdn::applicationSupportDirectory(), kDatabaseName);
}

TavroFMDBManager::Connection* TavroFMDBManager::open() {
    if (!connection_) {
        std::string path = databasePath();
        fdn::createDirectory(fdn::deletingLastPathComponent(path), true);
        auto connection = std::make_unique<Connection>();
        int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
        if (sqlite3_open_v2(path.c_str(), &connection->db, flags, nullptr) != SQLITE_OK) {
            fdn::systemLog("usage table: cannot open " + path);
            return nullptr;
        }
        // Another process (a second copy at start-up) may hold the file for a moment.
        sqlite3_busy_timeout(connection->db, 2000);
        connection_ = std::move(connection);
    }
    if (!connection_->tableReady)
        connection_->tableReady = prepareTable(connection_->db, connection_->columns);
    return connection_->tableReady ? connection_.get() : nullptr;
}

void TavroFMDBManager::createFMDBTable() {
    queue_->async([this] { open(); });
}

void TavroFMDBManager::insertUserBehavior(fdn::ValueDictionary record) {
    queue_->async([this, record = std::move(record)]() mutable {
        Connection* connection = open();
        if (!connection) return;
        if (!record[userbehavior::kUid].isText() || record[userbehavior::kUid].text().empty())
            record[userbehavior::kUid] = fdn::uuidString();
        std::string names, marks;
        std::vector<const fdn::Value*> values;
        for (const auto& [name, value] : record) {
            if (!connection->columns.count(name)) continue;
            if (!names.empty()) {
                names += ", ";
                marks += ", ";
            }
            names += sqlName(name);
            marks += "?";
            values.push_back(&value);
        }
        Statement insert(connection->db,
                         "INSERT INTO " + tableName() + " (" + names + ") VALUES (" + marks + ")");
        if (!insert) return;
        for (size_t i = 0; i < values.size(); ++i)
            bindValue(insert.handle, static_cast<int>(i + 1), *values[i]);
        if (sqlite3_step(insert.handle) != SQLITE_DONE)
            fdn::systemLog(std::string("usage table: insert failed: ") +
                           sqlite3_errmsg(connection->db));
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
        Connection* connection = open();
        if (!connection) return;
        Statement query(connection->db, "SELECT 1 FROM " + tableName() + " WHERE " +
                                            sqlName(userbehavior::kUid) + " = ?");
        if (!query) return;
        bindValue(query.handle, 1, fdn::Value(uid));
        found = sqlite3_step(query.handle) == SQLITE_ROW;
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
        while (select && (step = sqlite3_step(select.handle)) == SQLITE_ROW) {
            fdn::ValueDictionary row;
            int count = sqlite3_column_count(select.handle);
            for (int i = 0; i < count; ++i)
                row[sqlite3_column_name(select.handle, i)] = columnValue(select.handle, i);
            rows.push_back(std::move(row));
        }
        if (select && step != SQLITE_DONE) code = step;
        std::string message = code == SQLITE_OK ? "" : sqlite3_errmsg(connection->db);
        if (completion) completion(std::move(rows), code, std::move(message));
    });
}

void TavroFMDBManager::drainDatabaseQueue() {
    queue_->sync([] {});
}

void TavroFMDBManager::closeDatabase() {
    queue_->sync([this] { connection_.reset(); });
}
