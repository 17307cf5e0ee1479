#pragma once
// The usage table "tavroUserBehaviorTable" in the SQLite database "Halvane3D.db" of the
// (simulated) Mac's Application Support folder. Every database operation runs on one
// serial queue, in the order it was asked for; the connection opens on first use, at the
// Application Support folder of that moment, and reopens after closeDatabase().
//
// Damage is logged and kept aside as "Halvane3D.db.unreadable" (or "-2", "-3", ...), and a
// fresh table starts in its place, also when it is met only by an event's insert, which
// then goes into the fresh table: a file that is not a database or a damaged one, an item
// that is not a regular file (a folder, a device, a symbolic link, which is never
// followed), or a table of that name that refuses the records (UsageTableDamage.h). A table
// that only lacks columns gains them. A file replaced or removed while open is opened
// again at the next operation. While another process holds the file, a statement waits
// for it at most 2 s of clock time. The quit waits for the table at most 1 s of real time in
// all (finishBeforeQuit), also for a statement that never returns (a file system that stops
// answering). A held file, like one that cannot be written (a full disk), stays where it
// is, and an event that cannot be stored, or was not stored when the quit stopped waiting,
// is named in the log.
//
// Any thread may call; completions run on the database queue.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Value.h"

class TavroFMDBManager {
  public:
    static constexpr const char* kDatabaseName = "Halvane3D.db";
    static constexpr const char* kTableName = "tavroUserBehaviorTable";
    static constexpr double kBusySeconds = 2;
    // Real time: it guards the end of the process, whatever the clock's speed.
    static constexpr std::chrono::milliseconds kQuitWait{1000};

    using Rows = std::vector<platform::foundation::ValueDictionary>;
    // Rows keyed by column name; the SQLite result code (0 on success) and the error text
    // ("" on success).
    using SelectCompletion = std::function<void(Rows rows, int64_t code, std::string message)>;

    static TavroFMDBManager& shareManager();

    // `databasePath` empty: "Halvane3D.db" in the Application Support folder.
    explicit TavroFMDBManager(std::string databasePath = {});
    ~TavroFMDBManager();
    TavroFMDBManager(const TavroFMDBManager&) = delete;
    TavroFMDBManager& operator=(const TavroFMDBManager&) = delete;

    // Creates the table when it is missing; adds the columns an older table lacks, keeping
    // its rows, and gives rows without a uid one.
    void createFMDBTable();
    // Stores a record (columns the table lacks are ignored); a record without a uid gets one.
    void insertUserBehavior(platform::foundation::ValueDictionary record);
    void deleteUserBehaviorWithUid(std::string uid,
                                   std::function<void(bool deleted)> done = nullptr);
    // Answers on the calling thread, after the work queued before it.
    bool containsUid(const std::string& uid);

    static void selectedUserBehaviorTableCompletion(SelectCompletion completion);
    void selectAll(SelectCompletion completion);

    // Up to `limit` rows stored after the row `afterRowId` (0: from the first), in the order
    // they were stored, and the row id of the last of them (`afterRowId` when there is
    // none). Answers on the calling thread, after the work queued before it, so that a
    // large table is read a bounded part at a time.
    struct Batch {
        Rows rows;
        int64_t lastRowId = 0;
    };
    Batch selectBatch(int64_t afterRowId, size_t limit);

    // Waits until every operation asked for so far has finished.
    void drainDatabaseQueue();
    // The quit's writes begin: the finishBeforeQuit calls that follow wait kQuitWait of real
    // time between them.
    void beginQuitWrites();
    // The quit's clean-up: as drainDatabaseQueue, but it waits no longer than what is left of
    // the quit's kQuitWait, whatever the operations do (a file held by another process gives
    // up by then too). True when they all finished; otherwise the events not stored by then
    // are named in the log.
    bool finishBeforeQuit();
    // Drains, then closes the connection; the next operation opens it again.
    void closeDatabase();

    std::string databasePath() const;
    const platform::foundation::DispatchQueuePtr& queue() const { return queue_; }

    struct QuitWrites;

  private:
    struct Connection;
    std::string configuredPath_;
    platform::foundation::DispatchQueuePtr queue_;
    // Touched on the database queue only.
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<QuitWrites> quit_;

    Connection* open();
    std::unique_ptr<Connection> connect(const std::string& path);
    // Closes the connection and keeps the damaged file aside; true when it is out of the way.
    bool setAsideDamaged(const std::string& path, const std::string& reason);
};
