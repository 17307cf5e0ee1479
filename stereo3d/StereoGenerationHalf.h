#pragma once
// Draws one eye of the stereo pair: the captured picture shifted sideways by a disparity
// that grows with nearness. For a pixel whose depth cell holds depth d (0 far, 1 near),
// the disparity is depthValue × picture width × d pixels, rounded to the nearest pixel;
// the right eye shows the picture moved right by it, the left eye moved left, so near
// content separates and appears in front of the glasses' screen. Pixels that would come
// from outside the picture repeat its edge column. The output is opaque.
//
// Pure function; any thread. Output rows are `outputStride` pixels apart.

#include <cstddef>
#include <cstdint>

#include "stereo3d/DepthMap.h"
#include "stereo3d/StereoFrame.h"

enum class StereoEye { Left, Right };

void drawStereoEye(const StereoFrame& frame, const DepthMap& depth, float depthValue, StereoEye eye,
                   uint32_t* output, size_t outputStride);
