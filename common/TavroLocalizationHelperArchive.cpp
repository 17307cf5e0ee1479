// The keyed-archive reader of TavroLocalizationHelperArchive.h. Object references are
// dictionaries {"CF$UID": index} into "$objects"; every index is checked before use and
// references are followed at most one step, so no input can make the reader loop.

#include "common/TavroLocalizationHelperArchive.h"

#include <optional>
#include <string>

#include "platform/foundation/PropertyList.h"

namespace common {

namespace {

using platform::foundation::Error;
using platform::foundation::Value;

constexpr const char* kDomain = "TavroLocalizationHelperArchive";
constexpr std::string_view kClassName = "TavroLocalizationHelper";

Error notAHelper(std::string why) {
    return Error{kDomain, 1, "not an archived helper: " + std::move(why)};
}

// The object a reference points at, or none for anything that is not a valid reference.
std::optional<Value> resolve(const Value& reference, const Value& objects) {
    if (!reference.isDictionary() || reference.count() != 1) return std::nullopt;
    const Value& uid = reference["CF$UID"];
    if (!uid.isInteger()) return std::nullopt;
    const int64_t index = uid.asInt64();
    if (index < 0 || static_cast<uint64_t>(index) >= objects.count()) return std::nullopt;
    return objects.at(static_cast<size_t>(index));
}

bool namesHelperClass(const Value& name) {
    if (!name.isText()) return false;
    const std::string& text = name.text();
    // Classes of a module are archived as "<Module>.<Class>".
    return text == kClassName || (text.size() > kClassName.size() && text.ends_with(kClassName) &&
                                  text[text.size() - kClassName.size() - 1] == '.');
}

bool isHelperClass(const Value& classInfo) {
    if (!classInfo.isDictionary()) return false;
    if (namesHelperClass(classInfo["$classname"])) return true;
    for (const Value& name : classInfo["$classes"].array()) {
        if (namesHelperClass(name)) return true;
    }
    return false;
}

}  // namespace

platform::foundation::Result<TavroLocalizationHelper::Language> unarchiveLocalizationHelper(
    std::span<const uint8_t> bytes) {
    auto parsed = platform::foundation::parsePropertyList(bytes);
    if (!parsed) return notAHelper(parsed.error().localizedDescription);
    const Value& archive = *parsed;
    if (archive["$archiver"].text() != "NSKeyedArchiver") return notAHelper("no keyed archiver");
    const Value& objects = archive["$objects"];
    if (!objects.isArray()) return notAHelper("no object table");

    const auto root = resolve(archive["$top"]["root"], objects);
    if (!root || !root->isDictionary()) return notAHelper("no root object");
    const auto classInfo = resolve((*root)["$class"], objects);
    if (!classInfo || !isHelperClass(*classInfo)) return notAHelper("another class");

    Value language = (*root)["language"];
    if (auto referenced = resolve(language, objects)) language = *referenced;
    if (!language.isText()) return notAHelper("no language");
    if (auto value = TavroLocalizationHelper::languageFromRawValue(language.text())) return *value;
    return notAHelper("unknown language " + language.text());
}

}  // namespace common
