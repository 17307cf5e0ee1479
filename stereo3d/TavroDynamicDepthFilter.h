#pragma once
// Temporal smoothing of the depth maps of successive frames, so that the stereo picture
// does not flicker as the per-frame estimate jitters, while a cut to a new scene is
// followed at once. For each pixel, with p the previous filtered depth and n the new
// estimate:
//
//   alpha             how much of the change from p to n one frame takes over:
//                     p + alpha * (n - p). Small values smooth more and follow slower.
//   sceneChangeThresh the mean absolute difference between n and p (depths 0..1) above
//                     which the frame counts as a new scene: the filter drops its history
//                     and takes n as it is.
//   eta               the largest step a pixel's depth may make in one frame (depth units),
//                     so that a single wrong estimate cannot make an object jump.
//
// One instance belongs to one pipeline; it is used by one thread at a time (the capture
// queue); setParameters and reset may come from any thread and take effect at the next
// frame.

#include <vector>

#include "platform/foundation/Mutex.h"
#include "stereo3d/DepthMap.h"

class TavroDynamicDepthFilter {
  public:
    struct Parameters {
        float alpha = 0.05f;
        float sceneChangeThresh = 0.05f;
        float eta = 0.2f;
        bool operator==(const Parameters&) const = default;
    };

    void setParameters(const Parameters& parameters);
    Parameters parameters() const;
    // Forgets the history: the next frame is taken as it is.
    void reset();

    // Filters `depth` in place against the history and keeps the result as the history.
    // Returns true when the frame counted as a scene change (or started the history).
    bool apply(DepthMap& depth);

  private:
    mutable platform::foundation::Mutex mutex_;
    Parameters parameters_ TAVRO_GUARDED_BY(mutex_);
    bool resetRequested_ TAVRO_GUARDED_BY(mutex_) = true;
    DepthMap history_;  // apply() only, on the capture queue
};
