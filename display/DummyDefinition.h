#pragma once
// A family of virtual-display sizes with one aspect ratio: the sizes are the aspect ratio
// times multiplierStep times each multiplier from minMultiplier to maxMultiplier. A value;
// any thread.

#include <cstdint>
#include <string>
#include <vector>

struct DummyDefinition {
    int64_t aspectWidth = 0;
    int64_t aspectHeight = 0;
    int64_t multiplierStep = 1;
    int64_t minMultiplier = 1;
    int64_t maxMultiplier = 1;
    std::vector<double> refreshRates;
    std::string description;  // its first word names the display
    bool addSeparatorAfter = false;
    bool operator==(const DummyDefinition&) const = default;
};
