#pragma once
// Turns the version bytes of a firmware-version reply into the text the application holds:
// bytes that are not UTF-8 give the empty text, NUL characters are removed, and the rest is
// upper-cased. Pure; thread-safe.

#include <cstdint>
#include <span>
#include <string>

std::string glassVersionText(std::span<const uint8_t> bytes);
