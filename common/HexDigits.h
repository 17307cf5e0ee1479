#pragma once
// Bytes as hexadecimal digits, two per byte. Pure function, thread-safe.

#include <cstdint>
#include <span>
#include <string>

namespace common {

std::string hexDigits(std::span<const uint8_t> bytes, bool upperCase);

}  // namespace common
