#pragma once
// The usage table "tavroUserBehaviorTable" in the SQLite database "Halvane3D.db" of the
// (simulated) Mac's Application Support folder. Every database operation runs on one
// serial queue, in the order it was asked for; the connection opens on first use, at the
// Application Support folder of that moment, and reopens after closeDatabase().
//
// Any thread may call; completions run on the database queue.

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

    // Waits until every operation asked for so far has finished (the quit's clean-up
    // calls it, so that stored events reach the file before the process ends).
    void drainDatabaseQueue();
    // Drains, then closes the connection; the next operation opens it again.
    void closeDatabase();

    std::string databasePath() const;
    const platform::foundation::DispatchQueuePtr& queue() const { return queue_; }

  private:
    struct Connection;
    std::string configuredPath_;
    platform::foundation::DispatchQueuePtr queue_;
    // Touched on the database queue only.
    std::unique_ptr<Connection> connection_;

    Connection* open();
};
