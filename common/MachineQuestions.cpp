#include <unicode/unistr.h>

#include "common/GlobalHelpers.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"

namespace common {
namespace {

// The failure code task_info gives when it cannot answer.
constexpr int kTaskInfoFailure = 5;

}  // namespace

void postNotification(const std::string& name, const platform::foundation::Value& object) {
    platform::foundation::NotificationCenter::defaultCenter().post(name, object);
}

std::string cpuBrandString() {
    const auto brand = platform::foundation::sysctlString("machdep.cpu.brand_string");
    if (!brand) return {};
    const std::string bytes = brand->substr(0, brand->find('\0'));
    // Invalid sequences become replacement characters rather than losing the whole brand.
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(bytes);
    std::string lowered;
    text.toLower().toUTF8String(lowered);
    return lowered;
}

std::optional<std::pair<uint64_t, uint64_t>> residentMemory() {
    const auto resident = platform::foundation::residentSize();
    if (!resident) {
        platform::foundation::standardOutputLine("Error with task_info(): " +
                                                 std::to_string(kTaskInfoFailure));
        return std::nullopt;
    }
    return std::pair{*resident, platform::foundation::physicalMemory()};
}

bool isChineseLocale() {
    const auto locale = platform::foundation::UserDefaults::standard().stringForKey("AppleLocale");
    if (!locale) return true;
    const size_t separator = locale->rfind('_');
    const std::string region =
        separator == std::string::npos ? *locale : locale->substr(separator + 1);
    return region == "CN";
}

}  // namespace common
