#include "widgets/OnlyIntegerValueFormatter.h"

#include <algorithm>

#include "platform/foundation/NotificationCenter.h"

bool OnlyIntegerValueFormatter::isPartialStringValid(const std::string& partial,
                                                     std::string* /*newEditingString*/,
                                                     std::string* /*errorDescription*/) {
    platform::foundation::NotificationCenter::defaultCenter().post(kChangeValueNotification, 1);
    return std::all_of(partial.begin(), partial.end(), [](char c) { return c >= '0' && c <= '9'; });
}
