#pragma once
// A fast depth estimate from the picture alone, on the CPU, in place of a learned depth
// model. It combines two monocular cues that hold for most desktop content:
//
//   position  what is lower in the picture is nearer (floors, tables, the lower part of a
//             page or a game scene); the cue rises linearly from 0 at the top row to 1 at
//             the bottom row.
//   detail    finely textured, high-contrast regions (text, edges of objects in focus) lie
//             in front of smooth ones (sky, blurred backgrounds, empty page margins). The
//             detail of a cell is its mean absolute difference between horizontally and
//             vertically neighbouring luma samples, divided by the largest detail of the
//             picture.
//
// depth = 0.4 × position + 0.6 × detail per cell of `cellSize` × `cellSize` pixels
// (sampling every fourth pixel of every fourth row of the cell), then smoothed twice with
// a 3 × 3 box so that the stereo shift changes gently across the picture. The result runs
// from 0 (far) to 1 (near). A 1920 × 1080 picture takes well under a millisecond with
// cells of 8. Pure function; any thread.

#include <cstddef>

#include "stereo3d/DepthMap.h"
#include "stereo3d/StereoFrame.h"

inline constexpr size_t kDepthCellSize = 8;

DepthMap estimateDepth(const StereoFrame& frame, size_t cellSize = kDepthCellSize);
