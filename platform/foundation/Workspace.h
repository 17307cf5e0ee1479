#pragma once
// The workspace: opening locations (System Settings panes, web addresses) with the
// machine's default handler. Here no handler runs; every opened location is recorded, so
// that the simulated Mac and the tests can see what the application asked to open.
// Thread-safe.

#include <string>
#include <vector>

namespace platform::foundation {

// Notices the workspace posts on NotificationCenter::workspaceCenter().
inline constexpr const char* kWorkspaceScreensDidSleepNotification =
    "NSWorkspaceScreensDidSleepNotification";
inline constexpr const char* kWorkspaceScreensDidWakeNotification =
    "NSWorkspaceScreensDidWakeNotification";
inline constexpr const char* kWorkspaceWillSleepNotification = "NSWorkspaceWillSleepNotification";
inline constexpr const char* kWorkspaceDidWakeNotification = "NSWorkspaceDidWakeNotification";

class Workspace {
  public:
    static Workspace& shared();

    // True when the location was handed on (always, here: it is recorded).
    bool openURL(const std::string& url);

    std::vector<std::string> openedURLs() const;
    void clearOpenedURLs();
};

}  // namespace platform::foundation
