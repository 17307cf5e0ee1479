// The usage database damaged before the run or while the application holds it open: each
// kind of damage is kept aside as it was, and the event that met it goes into a fresh table.

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "BackendTestSupport.h"
#include "platform/foundation/FileSystem.h"

using namespace backendtest;

namespace {

void execute(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sql << ": " << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// The tables, views and triggers of a database file and the uids its usage table holds;
// nothing when it is not a database. Indexes and columns are left out: a table that lacks
// columns gains them before it is found to refuse records.
std::optional<std::string> databaseContent(const std::string& path) {
    sqlite3* db = nullptr;
    std::string content;
    auto collect = [](void* out, int columns, char** values, char**) {
        for (int i = 0; i < columns; ++i)
            *static_cast<std::string*>(out) += std::string(" ") + (values[i] ? values[i] : "null");
        return 0;
    };
    int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (code == SQLITE_OK) {
        code = sqlite3_exec(db,
                            "SELECT type, name FROM sqlite_master WHERE type != 'index' "
                            "ORDER BY name",
                            collect, &content, nullptr);
    }
    if (code == SQLITE_OK) {
        content += " rows:";
        sqlite3_exec(db, "SELECT uid FROM tavroUserBehaviorTable ORDER BY rowid", collect, &content,
                     nullptr);
    }
    sqlite3_close(db);
    return code == SQLITE_OK ? std::optional(content) : std::nullopt;
}

// What the item at `path` is and holds, without following a link.
std::string describe(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const auto status = fs::symlink_status(path, error);
    if (error) return "nothing";
    if (fs::is_symlink(status)) return "link to " + fs::read_symlink(path).string();
    if (fs::is_directory(status)) {
        std::string names = "folder:";
        for (const auto& entry : fs::directory_iterator(path))
            names += " " + entry.path().filename().string();
        return names;
    }
    if (fs::is_fifo(status)) return "named pipe";
    if (auto content = databaseContent(path)) return "database:" + *content;
    const auto bytes = fdn::readFile(path);
    return bytes ? "file: " + std::string(bytes->begin(), bytes->end()) : "unreadable file";
}

struct Damage {
    const char* kind;
    // Done with the application's connection open, after an event was stored.
    bool whileOpen;
    std::function<void(const std::string& path)> make;
};

const char* const kOlderTable = "CREATE TABLE tavroUserBehaviorTable (uid TEXT, eventType INTEGER";

const std::vector<Damage>& damages() {
    static const std::vector<Damage> all = {
        {"a folder", false,
         [](const std::string& path) {
             ASSERT_FALSE(fdn::createDirectory(path, false).has_value());
             ASSERT_FALSE(fdn::writeFileAtomically(path + "/inside", fdn::Bytes{'x'}).has_value());
         }},
        {"a link to a device", false,
         [](const std::string& path) { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); }},
        {"a dangling link", false,
         [](const std::string& path) {
             ASSERT_EQ(::symlink((path + "-elsewhere").c_str(), path.c_str()), 0);
         }},
        {"a named pipe", false,
         [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"a NOT NULL column no record fills", false,
         [](const std::string& path) {
             execute(path, std::string(kOlderTable) + ", owner TEXT NOT NULL)");
         }},
        {"an INTEGER PRIMARY KEY uid", false,
         [](const std::string& path) {
             execute(path, "CREATE TABLE tavroUserBehaviorTable (uid INTEGER PRIMARY KEY)");
         }},
        {"a view of that name", false,
         [](const std::string& path) {
             execute(path,
                     "CREATE TABLE other (uid TEXT); CREATE VIEW tavroUserBehaviorTable AS "
                     "SELECT * FROM other");
         }},
        {"duplicate uids", false,
         [](const std::string& path) {
             execute(path, std::string(kOlderTable) +
                               "); INSERT INTO tavroUserBehaviorTable VALUES ('a', 1), ('a', 2)");
         }},
        {"a trigger that aborts", false,
         [](const std::string& path) {
             execute(path, std::string(kOlderTable) +
                               "); CREATE TRIGGER refuse BEFORE INSERT ON tavroUserBehaviorTable "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
         }},
        {"replaced while open", true,
         [](const std::string& path) {
             ASSERT_FALSE(fdn::writeFileAtomically(path, fdn::Bytes(3000, 'x')).has_value());
         }},
        {"its table dropped while open", true,
         [](const std::string& path) { execute(path, "DROP TABLE tavroUserBehaviorTable"); }},
        {"its table turned into a view while open", true,
         [](const std::string& path) {
             execute(path,
                     "ALTER TABLE tavroUserBehaviorTable RENAME TO other; CREATE VIEW "
                     "tavroUserBehaviorTable AS SELECT * FROM other");
         }},
        {"a trigger that aborts added while open", true,
         [](const std::string& path) {
             execute(path,
                     "CREATE TRIGGER refuse BEFORE INSERT ON tavroUserBehaviorTable BEGIN "
                     "SELECT RAISE(ABORT, 'refused'); END");
         }},
    };
    return all;
}

}  // namespace

using UsageTableDamageTest = BackendTest;

TEST_F(UsageTableDamageTest, EachDamageIsKeptAsideAndTheEventThatMetItGoesIntoAFreshTable) {
    auto& table = TavroFMDBManager::shareManager();
    const std::string path = table.databasePath();
    ASSERT_FALSE(fdn::createDirectory(fdn::deletingLastPathComponent(path), true).has_value());
    for (const Damage& damage : damages()) {
        SCOPED_TRACE(damage.kind);
        table.closeDatabase();
        for (const std::string& item : {path, path + ".unreadable", path + "-elsewhere"})
            std::filesystem::remove_all(item);
        if (damage.whileOpen) {
            table.insertUserBehavior({{"uid", "before"}});
            ASSERT_EQ(uids(), std::vector<std::string>{"before"});
        }
        damage.make(path);
        const std::string damaged = describe(path);

        table.insertUserBehavior({{"uid", "met-it"}, {"eventType", 2}});
        EXPECT_EQ(uids(), std::vector<std::string>{"met-it"});
        table.closeDatabase();
        EXPECT_EQ(describe(path + ".unreadable"), damaged);
        // The events went into a database at the path itself, not where a link pointed.
        EXPECT_EQ(describe(path + "-elsewhere"), "nothing");
        TavroFMDBManager nextLaunch(path);
        EXPECT_EQ(uids(storedRows(nextLaunch)), std::vector<std::string>{"met-it"});
    }
}
