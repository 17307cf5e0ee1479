#pragma once
// Bundles: the main bundle is the application's resources folder ("resources" holding
// Info.json, found by looking upwards from the executable's folder, or named by the
// TAVRO_RESOURCES environment variable); a bundle can also be made for any folder, such
// as one ".lproj" folder of the main bundle.
//
// Localised-string lookup reads "<table>.strings" (default "Localizable") of the
// bundle's chosen localisation: the bundle itself when it is an ".lproj" folder, else the
// first of the preferred languages it has a folder for, else its development region. The
// main bundle's lookup route can be replaced at run time (the language switch does).
// Thread-safe; tables are read once and cached.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"

namespace platform::foundation {

class Bundle {
  public:
    static Bundle& main();
    // A bundle for the folder at `path`; null when there is no such folder.
    static std::shared_ptr<Bundle> withPath(const std::string& path);

    explicit Bundle(std::string path);
    ~Bundle();

    const std::string& bundlePath() const { return path_; }
    // Info.json of the bundle (a dictionary; empty when missing or unreadable).
    const ValueDictionary& infoDictionary() const;
    Value objectForInfoDictionaryKey(const std::string& key) const;
    std::string bundleIdentifier() const;  // "CFBundleIdentifier"

    // "<name>.<type>" in the bundle (in `subdirectory` when given); null when missing.
    // `type` may be empty when `name` carries its extension.
    std::optional<std::string> pathForResource(const std::string& name, const std::string& type,
                                               const std::string& subdirectory = {}) const;
    // Names of the ".lproj" folders without the extension.
    std::vector<std::string> localizations() const;
    // The localisation the lookup uses.
    std::string preferredLocalization() const;

    // The text for `key`; `value` (or the key itself when `value` is empty) when missing.
    std::string localizedStringForKey(const std::string& key, const std::string& value = {},
                                      const std::string& table = {}) const;
    // The standard lookup, ignoring any replaced route.
    std::string standardLocalizedStringForKey(const std::string& key, const std::string& value,
                                              const std::string& table) const;

    using LookupRoute =
        std::function<std::string(const Bundle& bundle, const std::string& key,
                                  const std::string& value, const std::string& table)>;
    // Replaces this bundle's lookup (empty route: back to the standard one).
    void setLookupRoute(LookupRoute route);

    // Tests: point the main bundle at another folder (empty: the one found as at start).
    // References from main() stay valid.
    static void setMainBundlePath(const std::string& path);

    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

  private:
    struct State;
    std::string path_;
    std::unique_ptr<State> state_;
};

// Main-bundle lookup with the key as its own default: NSLocalizedString.
std::string localizedString(const std::string& key);

}  // namespace platform::foundation
