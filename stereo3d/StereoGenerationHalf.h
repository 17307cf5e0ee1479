#pragma once
// Draws one eye of the stereo pair: the captured picture shifted sideways by a disparity
// that grows with nearness. For a pixel whose depth cell holds depth d (0 far, 1 near),
// the disparity is depthValue × picture width × d pixels, rounded to the nearest pixel.
// It is added to the column an output pixel is taken from for the right eye and
// subtracted for the left: the right eye shows the picture moved left by it, the left eye
// moved right. The eyes' copies of near content cross (the left eye's lies to the right of
// the right eye's), so near content stands out in front of far content, the more so the
// larger depthValue. Pixels that would come from outside the picture repeat its edge
// column.
//
// Each row is drawn as runs of neighbouring cells that share a shift; the inside of a run
// is moved in one copy, and only where a run meets the picture's edge are pixels repeated.
// Pixels are carried as they are, alpha included: the capture makes its frames opaque
// (StereoFrame.h), so the eyes are opaque too.
//
// Pure function; any thread. Output rows are `outputStride` pixels apart.

#include <cstddef>
#include <cstdint>

#include "stereo3d/DepthMap.h"
#include "stereo3d/StereoFrame.h"

enum class StereoEye { Left, Right };

void drawStereoEye(const StereoFrame& frame, const DepthMap& depth, float depthValue, StereoEye eye,
                   uint32_t* output, size_t outputStride);
