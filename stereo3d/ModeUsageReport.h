#pragma once
// Reports the usage of a screen mode that has ended ("use_mode_type", uploaded at once)
// through the backend's usage reporting. Any thread.

#include <cstdint>

// `seconds`: how long the mode was in use.
void reportModeUsage(int64_t mode, double seconds);
