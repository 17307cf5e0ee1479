// Any bytes as a JSON text: a dictionary or nothing, never a crash; a dictionary read from
// JSON can always be written again.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/JsonDictionary.h"
#include "common/JsonHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto dictionary = common::dictionaryFromJSONText(text);
    if (dictionary) {
        auto written = common::dictionaryJSONString(*dictionary, false);
        if (written == common::kJsonFailureText) return 0;
        auto again = common::dictionaryFromJSONText(written);
        if (!again ||
            !(platform::foundation::Value(*again) == platform::foundation::Value(*dictionary))) {
            std::abort();
        }
    }
    return 0;
}
