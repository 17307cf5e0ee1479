#include "TAVRO_3D/DepthFilterParameters.h"

#include "appstate/AppDelegate.h"

void applyDepthFilterParameters() {
    // The AI-3D mode's depth filter reads the mode through the delegate; until the AI-3D
    // manager exists there is no filter to tell.
    if (!AppDelegate::shared().depthManager.get()) return;
}
