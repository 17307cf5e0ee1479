#pragma once
// Reads a TavroLocalizationHelper from the platform's keyed archive: an XML property list
// with "$archiver", "$objects" and "$top" whose root object's class is the helper's and
// whose "language" is a raw value (held directly or through an object reference). Outside
// input: anything else, binary archives included, is an error, never a crash.
// Pure function, thread-safe.

#include <cstdint>
#include <span>

#include "common/TavroLocalizationHelper.h"
#include "platform/foundation/Result.h"

namespace common {

platform::foundation::Result<TavroLocalizationHelper::Language> unarchiveLocalizationHelper(
    std::span<const uint8_t> bytes);

}  // namespace common
