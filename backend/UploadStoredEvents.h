#pragma once
// Uploads usage records of the usage table: on the default global queue, one row after
// another, each after 0.25 s of clock time; a row is deleted by its uid only once the
// backend took it, so a failed or refused row stays for the next pass.
//
// uploadStoredEvents takes the rows read before; uploadStoredEventsInBatches reads the table
// itself, a bounded batch at a time, so that a large table never sits in memory whole.
//
// One pass at a time: a pass asked for while one runs is skipped (its rows stay in the
// table), and a row that is no longer in the table when its turn comes (a pass from an
// older reading uploaded it) is not sent again. A pass ends, its rows left in the table,
// as soon as the application quits (BackgroundWork), and the quit waits for it. Any
// thread; `done` runs on the global queue with the number of rows uploaded (a skipped
// pass reports 0).

#include <cstddef>
#include <functional>

#include "backend/TavroFMDBManager.h"

void uploadStoredEvents(TavroFMDBManager::Rows rows,
                        std::function<void(size_t uploaded)> done = nullptr);
void uploadStoredEventsInBatches(std::function<void(size_t uploaded)> done = nullptr);

// Rows read and held at once by uploadStoredEventsInBatches.
inline constexpr size_t kUploadBatchRows = 100;
