#include "common/JsonDictionary.h"

#include <exception>

#include "platform/foundation/ValueJson.h"

namespace common {

std::optional<platform::foundation::ValueDictionary> dictionaryFromJSONText(std::string_view text) {
    if (text.empty()) return std::nullopt;
    try {
        auto parsed = platform::foundation::parseJsonText(text);
        if (!parsed || !parsed->isDictionary()) return std::nullopt;
        return parsed->dictionary();
    } catch (const std::exception&) {
        return std::nullopt;  // allocation failure on a huge text
    }
}

}  // namespace common
