#include "TAVRO_3D/DepthFilterParameters.h"

#include "appstate/AppDelegate.h"
#include "platform/foundation/AssertMainThread.h"
#include "stereo3d/TavroDepth3DViewController.h"
#include "stereo3d/TavroDepthCustomManager.h"

void applyDepthFilterParameters() {
    TAVRO_ASSERT_MAIN_THREAD();
    // Before the AI-3D mode has been started there is neither a manager nor its view.
    auto manager = AppDelegate::shared().depthManager.get();
    if (!manager) return;
    if (auto controller = manager->deopth3DViewController()) controller->setDepthFilterParameters();
}
