#pragma once
// Uploads usage records read from the usage table: on the default global queue, one row
// after another, each after 0.25 s of clock time; a row is deleted by its uid only once
// its upload succeeded, so a failed row stays for the next pass.
//
// One pass at a time: a pass asked for while one runs is skipped (its rows stay in the
// table), and a row that is no longer in the table when its turn comes (a pass from an
// older reading uploaded it) is not sent again. Any thread; `done` runs on the global
// queue with the number of rows uploaded (a skipped pass reports 0).

#include <cstddef>
#include <functional>

#include "backend/TavroFMDBManager.h"

void uploadStoredEvents(TavroFMDBManager::Rows rows,
                        std::function<void(size_t uploaded)> done = nullptr);
