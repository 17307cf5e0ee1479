#pragma once
// Choosing a localisation for a list of preferred languages, as the platform's bundles do.
// Internal to the foundation library; pure, thread-safe.

#include <optional>
#include <string>
#include <vector>

namespace platform::foundation {

// The first preferred language that one of `available` serves, as that folder's name.
// A language matches exactly first (case and '-' / '_' aside), then with its subtags
// dropped from the end ("zh-Hans-CN", "zh-Hans", "zh"); a Chinese language without a
// script also tries the script its region writes ("zh-CN" → "zh-Hans").
std::optional<std::string> matchLanguages(const std::vector<std::string>& preferred,
                                          const std::vector<std::string>& available);

}  // namespace platform::foundation
