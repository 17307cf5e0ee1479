#pragma once
// The application's persistent log: one plain-text file per log name in the private folder
// ".Tavro3D" of the user's Documents directory, one time-stamped line per message. A file
// that has grown past 100 MiB is deleted before the next line, which starts a new file.
//
// Any thread may log; the caller's thread does the work. One lock covers every log name,
// so lines never interleave and the size check, deletion and append of a line stay
// together. The writer's own diagnostics go to the system log, never into a log file.

#include <cstdint>
#include <string>

namespace common {

class TavroLog {
  public:
    // Files above this size are deleted before the next line is written.
    static constexpr uint64_t kMaximumFileSize = 104'857'600;

    static TavroLog& shareManager();

    // A line in the application's main log, "3D-Halvane".
    static void logMessage(const std::string& message);
    static void logSunshineMessage(const std::string& message);
    // "<message>--<tag>\n" in the log "ZeroTier".
    static void logZTMessage(const std::string& message, int32_t tag);
    // Appends "<time stamp>: <message>\n"; an empty message writes nothing at all.
    static void logMessage(const std::string& message, const std::string& logName);

    // The file of a log name; creates the log folder first when it is missing.
    static std::string logFilePathWithLogName(const std::string& logName);
    static void createTavroSpaceDirectories();
    static std::string logDirectoryPath();

  private:
    TavroLog() = default;
};

}  // namespace common
