// The shared helper and the language-bundle cache of TavroLocalizationHelper.h. The cache
// is keyed by the main bundle's folder as well as the language, so that a main bundle
// pointed elsewhere is never answered with another bundle's folder.

#include "common/TavroLocalizationHelper.h"

#include <map>
#include <string>
#include <utility>

#include "common/TavroLocalizationHelperArchive.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace common {

namespace {

constexpr std::string_view kChineseRaw = "zh-Hans";
constexpr std::string_view kEnglishRaw = "en";
constexpr const char* kArchivedHelperKey = "DefaultUserSettings";

TavroLocalizationHelper::Language startLanguage() {
    const auto preferred = platform::foundation::preferredLanguages();
    if (!preferred.empty() && preferred.front().starts_with(kChineseRaw)) {
        return TavroLocalizationHelper::Language::Chinese;
    }
    return TavroLocalizationHelper::Language::English;
}

struct LanguageBundleCache {
    Mutex mutex;
    // By main bundle folder and raw value; never shrinks.
    std::map<std::pair<std::string, std::string>, std::shared_ptr<platform::foundation::Bundle>>
        bundles TAVRO_GUARDED_BY(mutex);
};

LanguageBundleCache& languageBundleCache() {
    static auto* cache = new LanguageBundleCache;
    return *cache;
}

}  // namespace

std::string_view TavroLocalizationHelper::rawValue(Language language) {
    return language == Language::Chinese ? kChineseRaw : kEnglishRaw;
}

std::optional<TavroLocalizationHelper::Language> TavroLocalizationHelper::languageFromRawValue(
    std::string_view raw) {
    if (raw == kChineseRaw) return Language::Chinese;
    if (raw == kEnglishRaw) return Language::English;
    return std::nullopt;
}

TavroLocalizationHelper::TavroLocalizationHelper() : language_(startLanguage()) {}

TavroLocalizationHelper& TavroLocalizationHelper::shared() {
    // Never destroyed: lookups may still arrive from other threads while the process ends.
    static TavroLocalizationHelper* helper =
        fromUserDefaults(platform::foundation::UserDefaults::standard()).release();
    return *helper;
}

std::unique_ptr<TavroLocalizationHelper> TavroLocalizationHelper::fromUserDefaults(
    const platform::foundation::UserDefaults& defaults) {
    if (const auto archived = defaults.dataForKey(kArchivedHelperKey)) {
        auto read = unarchiveLocalizationHelper(*archived);
        if (read) return std::make_unique<TavroLocalizationHelper>(*read);
    }
    return std::make_unique<TavroLocalizationHelper>();
}

std::shared_ptr<platform::foundation::Bundle> TavroLocalizationHelper::languageBundle(
    Language language) const {
    platform::foundation::Bundle& main = platform::foundation::Bundle::main();
    const std::string raw(rawValue(language));
    auto key = std::make_pair(main.bundlePath(), raw);
    LanguageBundleCache& cache = languageBundleCache();
    {
        MutexLock lock(cache.mutex);
        if (auto found = cache.bundles.find(key); found != cache.bundles.end()) {
            return found->second;
        }
    }
    const auto path = main.pathForResource(raw, "lproj");
    if (!path) return nullptr;
    auto bundle = platform::foundation::Bundle::withPath(*path);
    if (!bundle) return nullptr;
    MutexLock lock(cache.mutex);
    // Another thread may have filled the entry meanwhile; the first one stays.
    auto [entry, inserted] = cache.bundles.emplace(std::move(key), std::move(bundle));
    return entry->second;
}

}  // namespace common
