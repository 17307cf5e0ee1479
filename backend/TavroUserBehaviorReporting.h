#pragma once
// Usage reporting: builds one usage record per event (see UserBehaviorRecord.h) and either
// posts it to the backend at once ("/api/admin/appEvent") or stores it in the usage table
// for a later upload (uploadStoredEvents). A record posted at once is sent once; its
// outcome is not awaited.
//
// Any thread: the record is built on the caller's thread, the post runs on a global queue
// and the store on the database queue.

#include <memory>
#include <optional>
#include <string>

#include "backend/BehaviorEventType.h"
#include "platform/foundation/Value.h"

struct BehaviorEventDetails {
    // Seconds; for app_use_duration the time since the reporting instance was created
    // (at launch) when not given.
    std::optional<double> duration;
    std::string appName;
    // The delegate's current screen mode when not given.
    std::optional<int64_t> modeType;
};

class TavroUserBehaviorReporting {
  public:
    static constexpr const char* kAppEventPath = "/api/admin/appEvent";

    // Created on first use.
    static std::shared_ptr<TavroUserBehaviorReporting> shared();

    // Uploads the event at once, or with `store` (and whenever the quit has begun) keeps it
    // in the usage table for a later upload.
    void recordEvent(BehaviorEventType type, bool store, const BehaviorEventDetails& details = {});
    // The record recordEvent would send or store, with a fresh uid.
    platform::foundation::ValueDictionary makeRecord(
        BehaviorEventType type, const BehaviorEventDetails& details = {}) const;

    TavroUserBehaviorReporting();

  private:
    const double createdAt_;  // clock seconds
};
