#pragma once
// The interface language: simplified Chinese or English. One shared helper holds the
// language the interface texts are read in; at launch, outside mainland China, the shell
// routes the main bundle's lookups through it (see common/Bundle.h) and sets it to English.
// The language bundles (the ".lproj" folders of the main bundle) are cached per language.
//
// Thread-safe: the shared helper is made once on whichever thread first asks, its language
// is read and written atomically, and the bundle cache is guarded.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace platform::foundation {
class Bundle;
class UserDefaults;
}  // namespace platform::foundation

namespace common {

class TavroLocalizationHelper {
  public:
    enum class Language : uint8_t { Chinese, English };

    // "zh-Hans" and "en"; any other text is no language.
    static std::string_view rawValue(Language language);
    static std::optional<Language> languageFromRawValue(std::string_view raw);

    // Chinese when the first preferred language is a simplified Chinese one, else English.
    TavroLocalizationHelper();
    explicit TavroLocalizationHelper(Language language) : language_(language) {}

    // The helper archived under "DefaultUserSettings" in the standard user defaults when
    // there is one, else a new helper; made on first use.
    static TavroLocalizationHelper& shared();
    // What shared() makes from `defaults`: the archived helper, else a new one.
    static std::unique_ptr<TavroLocalizationHelper> fromUserDefaults(
        const platform::foundation::UserDefaults& defaults);

    Language language() const { return language_.load(); }
    void setLanguage(Language language) { language_.store(language); }

    // The main bundle's "<raw value>.lproj" folder as a bundle, or null when it has none.
    std::shared_ptr<platform::foundation::Bundle> languageBundle(Language language) const;

    TavroLocalizationHelper(const TavroLocalizationHelper&) = delete;
    TavroLocalizationHelper& operator=(const TavroLocalizationHelper&) = delete;

  private:
    std::atomic<Language> language_;
};

}  // namespace common
