// The language route of Bundle.h.

#include "common/Bundle.h"

#include "common/TavroLocalizationHelper.h"
#include "platform/foundation/Bundle.h"

namespace common {

void Bundle::installOnMainBundle() {
    platform::foundation::Bundle::main().setLookupRoute(&Bundle::localizedStringForKey);
}

std::string Bundle::localizedStringForKey(const platform::foundation::Bundle& receiver,
                                          const std::string& key, const std::string& value,
                                          const std::string& table) {
    TavroLocalizationHelper& helper = TavroLocalizationHelper::shared();
    if (auto bundle = helper.languageBundle(helper.language())) {
        return bundle->localizedStringForKey(key, value, table);
    }
    return receiver.standardLocalizedStringForKey(key, value, table);
}

std::shared_ptr<platform::foundation::Bundle> Bundle::initWithPath(const std::string& path) {
    return platform::foundation::Bundle::withPath(path);
}

}  // namespace common
