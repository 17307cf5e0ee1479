// Property-list reader on arbitrary bytes; whatever it reads must also write and read back
// to an equal value. Dates are left out of the comparison (their fraction is not written)
// and so is NaN (it never equals itself).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/foundation/PropertyList.h"

namespace {

bool holdsInexact(const platform::foundation::Value& value) {
    using platform::foundation::Value;
    switch (value.kind()) {
        case Value::Kind::Date:
            return true;
        case Value::Kind::Float:
        case Value::Kind::Double:
            return value.asDouble() != value.asDouble();
        case Value::Kind::Array:
            for (const Value& element : value.array()) {
                if (holdsInexact(element)) return true;
            }
            return false;
        case Value::Kind::Dictionary:
            for (const auto& [key, element] : value.dictionary()) {
                if (holdsInexact(element)) return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::foundation;
    auto parsed = parsePropertyList(std::span<const uint8_t>(data, size));
    if (!parsed) return 0;
    auto written = serializePropertyList(*parsed);
    if (!written) std::abort();  // everything the reader makes can be written
    auto reread = parsePropertyList(std::span<const uint8_t>(
        reinterpret_cast<const uint8_t*>(written->data()), written->size()));
    if (!reread) std::abort();
    if (!holdsInexact(*parsed) && !(*reread == *parsed)) std::abort();
    return 0;
}
