#pragma once
// Names of the workspace centre's application notices. Their user info holds, under
// kWorkspaceApplicationKey, a dictionary describing the application: its localised name
// and bundle identifier.

namespace platform::foundation {

inline constexpr const char* kWorkspaceDidActivateApplicationNotification =
    "NSWorkspaceDidActivateApplicationNotification";
inline constexpr const char* kWorkspaceDidTerminateApplicationNotification =
    "NSWorkspaceDidTerminateApplicationNotification";
inline constexpr const char* kWorkspaceApplicationKey = "NSWorkspaceApplicationKey";
inline constexpr const char* kWorkspaceApplicationLocalizedNameKey = "localizedName";
inline constexpr const char* kWorkspaceApplicationBundleIdentifierKey = "bundleIdentifier";

}  // namespace platform::foundation
