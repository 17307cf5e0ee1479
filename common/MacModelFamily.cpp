#include "common/MacModelFamily.h"

#include <array>
#include <string_view>

#include "platform/foundation/SystemInfo.h"

namespace {

struct ModelFamily {
    std::string_view model;
    std::string_view family;
};

// Models whose identifier does not name their family.
constexpr std::array kModelTable{
    ModelFamily{"Mac14,3", "Mac mini"},     ModelFamily{"Mac14,12", "Mac mini"},
    ModelFamily{"Mac16,10", "Mac mini"},    ModelFamily{"Mac16,11", "Mac mini"},
    ModelFamily{"Mac13,1", "Mac Studio"},   ModelFamily{"Mac13,2", "Mac Studio"},
    ModelFamily{"Mac14,13", "Mac Studio"},  ModelFamily{"Mac14,14", "Mac Studio"},
    ModelFamily{"Mac15,14", "Mac Studio"},  ModelFamily{"Mac16,9", "Mac Studio"},
    ModelFamily{"Mac14,5", "MacBook Pro"},  ModelFamily{"Mac14,6", "MacBook Pro"},
    ModelFamily{"Mac14,7", "MacBook Pro"},  ModelFamily{"Mac14,9", "MacBook Pro"},
    ModelFamily{"Mac14,10", "MacBook Pro"}, ModelFamily{"Mac15,3", "MacBook Pro"},
    ModelFamily{"Mac15,6", "MacBook Pro"},  ModelFamily{"Mac15,7", "MacBook Pro"},
    ModelFamily{"Mac15,8", "MacBook Pro"},  ModelFamily{"Mac15,9", "MacBook Pro"},
    ModelFamily{"Mac15,10", "MacBook Pro"}, ModelFamily{"Mac15,11", "MacBook Pro"},
    ModelFamily{"Mac16,1", "MacBook Pro"},  ModelFamily{"Mac16,5", "MacBook Pro"},
    ModelFamily{"Mac16,6", "MacBook Pro"},  ModelFamily{"Mac16,7", "MacBook Pro"},
    ModelFamily{"Mac16,8", "MacBook Pro"},  ModelFamily{"Mac14,2", "MacBook Air"},
    ModelFamily{"Mac14,15", "MacBook Air"}, ModelFamily{"Mac15,12", "MacBook Air"},
    ModelFamily{"Mac15,13", "MacBook Air"}, ModelFamily{"Mac16,12", "MacBook Air"},
    ModelFamily{"Mac16,13", "MacBook Air"}, ModelFamily{"Mac15,4", "iMac"},
    ModelFamily{"Mac15,5", "iMac"},         ModelFamily{"Mac16,2", "iMac"},
    ModelFamily{"Mac16,3", "iMac"},         ModelFamily{"Mac14,8", "Mac Pro"},
};

// Older identifiers start with their family's name; longer names come first so that
// "iMacPro" is not taken for "iMac".
constexpr std::array kPrefixTable{
    ModelFamily{"Macmini", "Mac mini"},
    ModelFamily{"MacBookPro", "MacBook Pro"},
    ModelFamily{"MacBookAir", "MacBook Air"},
    ModelFamily{"iMacPro", "iMac Pro"},
    ModelFamily{"iMac", "iMac"},
    ModelFamily{"MacPro", "Mac Pro"},
};

}  // namespace

namespace common {

std::string macModelFamily() {
    auto model = platform::foundation::sysctlString("hw.model");
    if (!model) return "Mac";
    const std::string_view text = *model;
    if (text.find("Macmini") != std::string_view::npos) return "Mac mini";
    for (const auto& entry : kModelTable) {
        if (text == entry.model) return std::string(entry.family);
    }
    for (const auto& entry : kPrefixTable) {
        if (text.starts_with(entry.model)) return std::string(entry.family);
    }
    return "Mac";
}

}  // namespace common
