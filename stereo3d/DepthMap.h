#pragma once
// A depth map: one depth per cell of a grid laid over a picture, from 0 (far) to 1 (near),
// rows from the top. The grid is coarser than the picture (each cell covers `cellSize`
// × `cellSize` pixels) because depth changes slowly across a picture. Value type.

#include <cstddef>
#include <cstdint>
#include <vector>

struct DepthMap {
    size_t width = 0;   // cells
    size_t height = 0;  // cells
    size_t cellSize = 1;
    std::vector<float> depth;  // width × height

    bool empty() const { return depth.empty(); }
    float at(size_t x, size_t y) const { return depth[y * width + x]; }
};
