#include "glasses/GlassServer.h"

#include "appstate/AppDelegate.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/Assert.h"

std::shared_ptr<TavroVXServer> glassServer(const AppDelegate& delegate) {
    auto server = std::dynamic_pointer_cast<TavroVXServer>(delegate.vxServer.get());
    TAVRO_ASSERT(server, "the delegate holds its glasses server from its init on");
    return server;
}
