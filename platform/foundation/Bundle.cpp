// Bundles of Bundle.h. Info.json is read once when the bundle is made (infoDictionary()
// hands out a reference, so it never changes afterwards); the folder list and string
// tables are read on first use and cached under the bundle's mutex.

#include "platform/foundation/Bundle.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/LanguageMatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/StringsFile.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/ValueJson.h"

namespace platform::foundation {

namespace {

constexpr std::string_view kLprojSuffix = ".lproj";

ValueDictionary readInfo(const std::string& folder) {
    auto bytes = readFile(appendPathComponent(folder, "Info.json"));
    if (bytes) {
        std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        auto parsed = parseJsonText(text);
        if (parsed && parsed->isDictionary()) return parsed->dictionary();
    }
    return {};
}

std::vector<std::string> listLocalizations(const std::string& folder) {
    std::vector<std::string> names;
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) return names;
    while (const dirent* entry = ::readdir(directory)) {
        std::string_view name = entry->d_name;
        if (name.size() > kLprojSuffix.size() && name.ends_with(kLprojSuffix) &&
            isDirectory(appendPathComponent(folder, std::string(name)))) {
            name.remove_suffix(kLprojSuffix.size());
            names.emplace_back(name);
        }
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());  // readdir order is arbitrary
    return names;
}

// The executable's folder and a few above it: the build tree links "resources" at its top.
std::string findMainBundlePath() {
    if (const char* named = std::getenv("TAVRO_RESOURCES"); named && *named) return named;
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    std::string folder =
        deletingLastPathComponent(std::string(buffer, static_cast<size_t>(length)));
    for (int level = 0; level < 6 && !folder.empty(); ++level) {
        const std::string candidate = appendPathComponent(folder, "resources");
        if (fileExists(appendPathComponent(candidate, "Info.json"))) return candidate;
        if (folder == "/") break;
        folder = deletingLastPathComponent(folder);
    }
    return {};
}

struct MainBundleHolder {
    Mutex mutex;
    std::shared_ptr<Bundle> current TAVRO_GUARDED_BY(mutex);
    // Bundles that main() once returned stay alive: callers hold plain references.
    std::vector<std::shared_ptr<Bundle>> retired TAVRO_GUARDED_BY(mutex);
};

MainBundleHolder& mainHolder() {
    static auto* holder = new MainBundleHolder;
    return *holder;
}

struct BundleCache {
    Mutex mutex;
    std::map<std::string, std::weak_ptr<Bundle>> bundles TAVRO_GUARDED_BY(mutex);
};

BundleCache& bundleCache() {
    static auto* cache = new BundleCache;
    return *cache;
}

}  // namespace

struct Bundle::State {
    ValueDictionary info;
    mutable Mutex mutex;
    mutable std::optional<std::vector<std::string>> localizations TAVRO_GUARDED_BY(mutex);
    // By file path.
    mutable std::map<std::string, std::shared_ptr<const StringsTable>> tables
        TAVRO_GUARDED_BY(mutex);
    std::shared_ptr<const LookupRoute> route TAVRO_GUARDED_BY(mutex);
};

Bundle::Bundle(std::string path) : path_(std::move(path)), state_(std::make_unique<State>()) {
    if (!path_.empty()) state_->info = readInfo(path_);
}

Bundle::~Bundle() = default;

Bundle& Bundle::main() {
    MainBundleHolder& holder = mainHolder();
    MutexLock lock(holder.mutex);
    if (!holder.current) holder.current = std::make_shared<Bundle>(findMainBundlePath());
    return *holder.current;
}

void Bundle::setMainBundlePath(const std::string& path) {
    auto bundle = std::make_shared<Bundle>(path.empty() ? findMainBundlePath() : path);
    MainBundleHolder& holder = mainHolder();
    MutexLock lock(holder.mutex);
    if (holder.current) holder.retired.push_back(std::move(holder.current));
    holder.current = std::move(bundle);
}

std::shared_ptr<Bundle> Bundle::withPath(const std::string& path) {
    if (!isDirectory(path)) return nullptr;
    // The same folder gives the same bundle while it is in use, so a replaced lookup
    // route is seen by everyone who asks for that folder.
    BundleCache& cache = bundleCache();
    MutexLock lock(cache.mutex);
    if (auto existing = cache.bundles[path].lock()) return existing;
    auto bundle = std::make_shared<Bundle>(path);
    cache.bundles[path] = bundle;
    return bundle;
}

const ValueDictionary& Bundle::infoDictionary() const {
    return state_->info;
}

Value Bundle::objectForInfoDictionaryKey(const std::string& key) const {
    auto found = state_->info.find(key);
    return found == state_->info.end() ? Value() : found->second;
}

std::string Bundle::bundleIdentifier() const {
    return objectForInfoDictionaryKey("CFBundleIdentifier").text();
}

std::optional<std::string> Bundle::pathForResource(const std::string& name, const std::string& type,
                                                   const std::string& subdirectory) const {
    if (path_.empty() || name.empty()) return std::nullopt;
    std::string file = name;
    if (!type.empty()) file += type.front() == '.' ? type : "." + type;
    const std::string relative =
        subdirectory.empty() ? file : appendPathComponent(subdirectory, file);
    std::string candidate = appendPathComponent(path_, relative);
    if (fileExists(candidate)) return candidate;
    // Then in the chosen localisation, as the platform looks in the .lproj folder too.
    const std::string localization = preferredLocalization();
    if (!localization.empty() && !lastPathComponent(path_).ends_with(kLprojSuffix)) {
        candidate =
            appendPathComponent(path_, localization + std::string(kLprojSuffix) + "/" + relative);
        if (fileExists(candidate)) return candidate;
    }
    return std::nullopt;
}

std::vector<std::string> Bundle::localizations() const {
    MutexLock lock(state_->mutex);
    if (!state_->localizations) state_->localizations = listLocalizations(path_);
    return *state_->localizations;
}

std::string Bundle::preferredLocalization() const {
    const std::string folderName = lastPathComponent(path_);
    if (folderName.size() > kLprojSuffix.size() && folderName.ends_with(kLprojSuffix)) {
        return folderName.substr(0, folderName.size() - kLprojSuffix.size());
    }
    const std::vector<std::string> available = localizations();
    if (available.empty()) return {};
    if (auto match = matchLanguages(preferredLanguages(), available)) return *match;
    const std::string region = objectForInfoDictionaryKey("CFBundleDevelopmentRegion").text();
    if (auto match = matchLanguages({region}, available); match && !region.empty()) return *match;
    if (std::find(available.begin(), available.end(), "en") != available.end()) return "en";
    return available.front();
}

std::string Bundle::localizedStringForKey(const std::string& key, const std::string& value,
                                          const std::string& table) const {
    std::shared_ptr<const LookupRoute> route;
    {
        MutexLock lock(state_->mutex);
        route = state_->route;
    }
    // The route runs without the lock: it may well call back into this bundle.
    if (route) return (*route)(*this, key, value, table);
    return standardLocalizedStringForKey(key, value, table);
}

std::string Bundle::standardLocalizedStringForKey(const std::string& key, const std::string& value,
                                                  const std::string& table) const {
    const std::string fallback = value.empty() ? key : value;
    if (path_.empty()) return fallback;
    const std::string localization = preferredLocalization();
    std::string folder = path_;
    if (!localization.empty() && !lastPathComponent(path_).ends_with(kLprojSuffix)) {
        folder = appendPathComponent(path_, localization + std::string(kLprojSuffix));
    }
    const std::string file = appendPathComponent(
        folder, (table.empty() ? std::string("Localizable") : table) + ".strings");

    std::shared_ptr<const StringsTable> strings;
    {
        MutexLock lock(state_->mutex);
        if (auto cached = state_->tables.find(file); cached != state_->tables.end()) {
            strings = cached->second;
        }
    }
    if (!strings) {
        // A missing or unreadable table is cached as empty: it is not retried per lookup.
        StringsTable loaded;
        auto bytes = readFile(file);
        if (bytes) {
            auto parsed = parseStringsFile(*bytes);
            if (parsed) {
                loaded = std::move(parsed).value();
            } else {
                systemLog("Bundle: ignoring " + file + ": " + parsed.error().localizedDescription);
            }
        }
        MutexLock lock(state_->mutex);
        // Another thread may have loaded it meanwhile; the first one stored is kept.
        strings =
            state_->tables.emplace(file, std::make_shared<const StringsTable>(std::move(loaded)))
                .first->second;
    }
    auto found = strings->find(key);
    return found == strings->end() ? fallback : found->second;
}

void Bundle::setLookupRoute(LookupRoute route) {
    auto shared = route ? std::make_shared<const LookupRoute>(std::move(route)) : nullptr;
    MutexLock lock(state_->mutex);
    state_->route = std::move(shared);
}

std::string localizedString(const std::string& key) {
    return Bundle::main().localizedStringForKey(key, {}, {});
}

}  // namespace platform::foundation
