#include "platform/foundation/LanguageMatch.h"

#include <algorithm>

#include "platform/foundation/AsciiLowercased.h"

namespace platform::foundation {

namespace {

std::string normalized(const std::string& tag) {
    std::string out = asciiLowercased(tag);
    std::replace(out.begin(), out.end(), '_', '-');
    return out;
}

// The tags to try for one preferred language, most specific first.
std::vector<std::string> candidates(const std::string& language) {
    std::vector<std::string> out;
    std::string tag = normalized(language);
    while (!tag.empty()) {
        out.push_back(tag);
        const size_t dash = tag.rfind('-');
        if (dash == std::string::npos) break;
        tag.resize(dash);
    }
    // "zh-cn" / "zh-tw": folders are named by script ("zh-Hans"), not by region.
    const std::string full = normalized(language);
    if (full.starts_with("zh-") && full.find("-hans") == std::string::npos &&
        full.find("-hant") == std::string::npos) {
        const std::string region = full.substr(3, 2);
        const bool traditional = region == "tw" || region == "hk" || region == "mo";
        out.insert(out.end() - 1, traditional ? "zh-hant" : "zh-hans");
    }
    return out;
}

}  // namespace

std::optional<std::string> matchLanguages(const std::vector<std::string>& preferred,
                                          const std::vector<std::string>& available) {
    for (const std::string& language : preferred) {
        if (language.empty()) continue;
        for (const std::string& candidate : candidates(language)) {
            for (const std::string& folder : available) {
                if (normalized(folder) == candidate) return folder;
            }
        }
    }
    return std::nullopt;
}

}  // namespace platform::foundation
