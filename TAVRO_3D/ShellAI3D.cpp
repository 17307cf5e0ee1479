// The shell's call into the AI-3D mode.
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "platform/foundation/AssertMainThread.h"
#include "stereo3d/TavroDepthCustomManager.h"

namespace shell {

void stopAI3D(AppDelegate& delegate) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (auto manager = delegate.depthManager.get()) manager->stopAI3D();
}

}  // namespace shell
