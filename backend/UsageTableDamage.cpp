#include "backend/UsageTableDamage.h"

#include <sqlite3.h>
#include <sys/stat.h>

namespace usagetable {

std::optional<std::string> unusableItem(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    if (S_ISREG(info.st_mode)) return std::nullopt;
    // Opening through a link would write the events wherever it points, a device included.
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link";
    if (S_ISDIR(info.st_mode)) return "it is a folder";
    // A named pipe would block the database queue, and with it the quit, at the first read.
    return "it is not a regular file";
}

bool isDamage(int code) {
    switch (code & 0xFF) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_CONSTRAINT:
        case SQLITE_MISMATCH:
        // The statements are the application's own: one that no longer compiles or runs
        // against the file met a schema that is not the usage table's.
        case SQLITE_ERROR:
            return true;
        default:
            return false;
    }
}

}  // namespace usagetable
