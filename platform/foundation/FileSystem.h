#pragma once
// File locations and file operations the application uses. Locations live under the
// user's home folder, which a test may override (setHomeDirectory, or the TAVRO_HOME
// environment variable), mirroring the Mac layout:
//   Documents            <home>/Documents
//   Application Support  <home>/Library/Application Support
//   Caches               <home>/Library/Caches
//   Preferences          <home>/Library/Preferences
// Thread-safe; failures are reported as Error results, never exceptions.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/foundation/Result.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

std::string homeDirectory();
void setHomeDirectory(std::string path);  // empty: back to TAVRO_HOME or $HOME
std::string documentsDirectory();
std::string applicationSupportDirectory();
std::string cachesDirectory();
std::string preferencesDirectory();
std::string temporaryDirectory();

// "a/b" + "c" = "a/b/c", without doubling the separator.
std::string appendPathComponent(const std::string& path, const std::string& component);
std::string lastPathComponent(const std::string& path);
std::string deletingLastPathComponent(const std::string& path);
// `path` with the folders above it resolved to where they really are (their links followed,
// "." and ".." and doubled separators gone), and its last component kept as it is spelled:
// a link in a folder above is the user's own layout, while a link in the item's own place
// is for the caller to refuse. `path` unchanged when its folder cannot be resolved.
std::string resolvingFolders(const std::string& path);

enum class FileType { Regular, Directory, Other };

// Of the item itself, or of what it links to when it is a symbolic link.
struct FileAttributes {
    uint64_t size = 0;
    FileType type = FileType::Other;
    Date modificationDate;
};

bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
enum class FolderAccess {
    Default,    // as the process's umask allows
    OwnerOnly,  // readable by its owner alone
};
// Each folder it makes gets `access`; an existing folder is taken as it is.
std::optional<Error> createDirectory(const std::string& path, bool withIntermediates,
                                     FolderAccess access = FolderAccess::Default);
// Makes a folder that did not exist: `path`, or when that name is taken the first free
// "<path>-2", "<path>-3", ...; the folders above it are made as needed. An existing folder
// is never taken, so that two processes asking for one name at once get one folder each.
// Answers the path of the folder it made.
Result<std::string> createNewDirectory(const std::string& path);
// For a folder in a place where every user may create files (the temporary folder): makes
// `path` readable by its owner alone, or takes the folder there when it is this user's own
// (and makes it private); refuses a symbolic link or a folder of another user, which would
// let that user choose where this user's files are written or read them.
std::optional<Error> claimPrivateFolder(const std::string& path);
Result<FileAttributes> attributesOfItem(const std::string& path);
std::optional<Error> removeItem(const std::string& path);  // files and whole folders
// Renames within one file system; fails rather than replace an existing `to`.
std::optional<Error> moveItem(const std::string& from, const std::string& to);
// Moves a file that cannot be read as what it should hold to the first free
// "<path>.unreadable" ("<path>.unreadable-2", "-3", ...), so that what replaces it does not
// destroy what it held; answers the name it now has.
Result<std::string> moveUnreadableAside(const std::string& path);
// Appends to a regular file, created when missing; a link in its place is not followed and a
// FIFO or device is refused at once (see WritableFile.h).
std::optional<Error> appendToFile(const std::string& path, std::span<const uint8_t> bytes);
// Writes the whole file through a temporary file in the same folder and a rename, so a
// reader sees the old or the new content, never a part. A link in the file's place is
// replaced, not written through; a write that fails (a full disk) is an error.
std::optional<Error> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
Result<Bytes> readFile(const std::string& path);
// For files named from outside: only a regular file (or a link to one) of at most
// `maxSize` bytes is read; anything else (a FIFO, a device, a folder, a larger file) is an
// error at once, without blocking.
Result<Bytes> readRegularFile(const std::string& path, uint64_t maxSize);

}  // namespace platform::foundation
