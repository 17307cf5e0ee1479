#pragma once
// Bytes on a device's wire for tests that assert them: frames written out as the wire
// carries them (zero but for runs of given bytes at given offsets).

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;
using Replies = std::vector<Bytes>;

using Runs = std::initializer_list<std::pair<size_t, Bytes>>;

// The bytes with the runs written over them at their offsets.
inline Bytes overlay(Bytes bytes, Runs runs) {
    for (const auto& [offset, run] : runs)
        std::copy(run.begin(), run.end(), bytes.begin() + offset);
    return bytes;
}
// `size` zero bytes but for the runs.
inline Bytes frame(size_t size, Runs runs) {
    return overlay(Bytes(size, 0), runs);
}

inline Bytes text(std::string_view characters) {
    return {characters.begin(), characters.end()};
}

inline Bytes firstBytes(Bytes bytes, size_t count) {
    bytes.resize(count);
    return bytes;
}

}  // namespace test_support
