// The file locations and path-text helpers of FileSystem.h. The home override is
// process-wide, so it is guarded; the mutex is never destroyed because other objects'
// destructors (the standard user defaults) may still ask for a location at exit.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation {

namespace {

struct HomeOverride {
    Mutex mutex;
    std::string path TAVRO_GUARDED_BY(mutex);
};

HomeOverride& homeOverride() {
    static auto* state = new HomeOverride;
    return *state;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string stripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string homeDirectory() {
    {
        HomeOverride& state = homeOverride();
        MutexLock lock(state.mutex);
        if (!state.path.empty()) return state.path;
    }
    if (std::string home = environment("TAVRO_HOME"); !home.empty())
        return stripTrailingSlashes(home);
    if (std::string home = environment("HOME"); !home.empty()) return stripTrailingSlashes(home);
    // Last resort for a process started without an environment.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/tmp";
}

void setHomeDirectory(std::string path) {
    HomeOverride& state = homeOverride();
    MutexLock lock(state.mutex);
    state.path = stripTrailingSlashes(std::move(path));
}

std::string documentsDirectory() {
    return appendPathComponent(homeDirectory(), "Documents");
}

std::string applicationSupportDirectory() {
    return appendPathComponent(homeDirectory(), "Library/Application Support");
}

std::string cachesDirectory() {
    return appendPathComponent(homeDirectory(), "Library/Caches");
}

std::string preferencesDirectory() {
    return appendPathComponent(homeDirectory(), "Library/Preferences");
}

std::string temporaryDirectory() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::temp_directory_path(error);
    if (error || path.empty()) return "/tmp";
    return stripTrailingSlashes(path.string());
}

std::string appendPathComponent(const std::string& path, const std::string& component) {
    if (path.empty()) return component;
    size_t skip = 0;
    while (skip < component.size() && component[skip] == '/') ++skip;
    std::string result = stripTrailingSlashes(path);
    if (skip == component.size()) return result;
    if (result.back() != '/') result.push_back('/');
    result.append(component, skip, std::string::npos);
    return result;
}

std::string lastPathComponent(const std::string& path) {
    std::string trimmed = stripTrailingSlashes(path);
    if (trimmed == "/") return trimmed;
    size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string deletingLastPathComponent(const std::string& path) {
    std::string trimmed = stripTrailingSlashes(path);
    if (trimmed == "/") return trimmed;
    size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) return "";
    if (slash == 0) return "/";
    return stripTrailingSlashes(trimmed.substr(0, slash));
}

}  // namespace platform::foundation
