// Process entry. For now the application starts its main loop on the simulated platform
// and quits once the loop has run; the application itself is built on top of this.
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/SystemInfo.h"

int main() {
    using namespace platform::foundation;
    mainQueue()->async([] {
        systemLog("Tavro3D " +
                  Bundle::main().objectForInfoDictionaryKey("CFBundleShortVersionString").text() +
                  " started on the simulated platform");
        MainLoop::stop();
    });
    MainLoop::run();
    return 0;
}
