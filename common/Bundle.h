#pragma once
// The main bundle's localised-string lookup in the chosen interface language: once
// installed, every lookup on the main bundle reads the ".lproj" folder of the shared
// TavroLocalizationHelper's language, and falls back to the bundle's standard lookup when
// that folder is missing. The switch lasts for the life of the process.
// Thread-safe: lookups may come from any thread.

#include <memory>
#include <string>

namespace platform::foundation {
class Bundle;
}

namespace common {

class Bundle {
  public:
    // Routes every later lookup on the main bundle through localizedStringForKey.
    static void installOnMainBundle();

    // The text for `key` in the shared helper's language, looked up for `receiver`.
    static std::string localizedStringForKey(const platform::foundation::Bundle& receiver,
                                             const std::string& key, const std::string& value,
                                             const std::string& table);

    // A bundle for the folder at `path`, or null when there is none.
    static std::shared_ptr<platform::foundation::Bundle> initWithPath(const std::string& path);

    Bundle() = delete;
};

}  // namespace common
