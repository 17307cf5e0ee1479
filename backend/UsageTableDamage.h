#pragma once
// What tells a usage database that will never take the records from one that fails only
// for the moment. Damage is kept aside and a fresh table starts in its place; a passing
// failure (another process holding the file, a full disk, missing permission, no memory)
// leaves the user's file where it is and only costs the event at hand.
//
// Thread-safe.

#include <optional>
#include <string>

namespace usagetable {

// Why the item at `path` cannot hold the database, judged without following a link: a
// symbolic link (to a device, a folder or nothing at all), a folder, or anything else that
// is not a regular file. Nothing for a regular file, and nothing when there is no item (a
// new file starts) or it cannot be looked at (the open reports why).
std::optional<std::string> unusableItem(const std::string& path);

// Whether a failed statement's SQLite result code shows damage: a file that is not a
// database or whose content is damaged, or a table of that name that refuses the records
// (a constraint a record cannot meet, a uid of the wrong kind, a view, a trigger that
// aborts, a table gone or changed so that the statement no longer fits it). A record whose
// uid is already stored fails a constraint too; only the caller can tell that apart.
bool isDamage(int code);

}  // namespace usagetable
