#pragma once
// What the AI-3D pipeline asks of its depth model: a depth map for a captured picture.
// No learned model is shipped; the model the pipeline prepares is TavroCpuDepthModel (see
// DepthEstimate.h), which works the depth out from the picture itself. Another model can
// be installed in its place (tests install one of a known depth).
//
// predict runs on the capture queue of the pipeline that owns the model; a model is used
// by one pipeline at a time.

#include <memory>

#include "stereo3d/DepthMap.h"
#include "stereo3d/StereoFrame.h"

class TavroDepthModel {
  public:
    virtual ~TavroDepthModel() = default;
    virtual DepthMap predict(const StereoFrame& frame) = 0;
};

// The estimate of DepthEstimate.h behind the model interface.
class TavroCpuDepthModel final : public TavroDepthModel {
  public:
    DepthMap predict(const StereoFrame& frame) override;
};

using TavroDepthModelPtr = std::shared_ptr<TavroDepthModel>;
