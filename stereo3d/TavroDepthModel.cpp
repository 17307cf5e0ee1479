#include "stereo3d/TavroDepthModel.h"

#include "stereo3d/DepthEstimate.h"

DepthMap TavroCpuDepthModel::predict(const StereoFrame& frame) {
    return estimateDepth(frame);
}
