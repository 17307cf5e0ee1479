// The SimMac's workspace notices: other applications becoming active and quitting.

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/WorkspaceNotifications.h"
#include "platform/sim/SimMac.h"

namespace platform::sim {

namespace fdn = platform::foundation;

namespace {

void postApplicationNotice(const std::string& name, const std::string& localizedName,
                           const std::string& bundleIdentifier) {
    fdn::ValueDictionary application{
        {fdn::kWorkspaceApplicationLocalizedNameKey, localizedName},
        {fdn::kWorkspaceApplicationBundleIdentifierKey, bundleIdentifier}};
    fdn::NotificationCenter::workspaceCenter().post(
        name, {}, fdn::ValueDictionary{{fdn::kWorkspaceApplicationKey, fdn::Value(application)}});
}

}  // namespace

void SimMac::activateApplication(const std::string& localizedName,
                                 const std::string& bundleIdentifier) {
    postApplicationNotice(fdn::kWorkspaceDidActivateApplicationNotification, localizedName,
                          bundleIdentifier);
}

void SimMac::terminateApplication(const std::string& localizedName,
                                  const std::string& bundleIdentifier) {
    postApplicationNotice(fdn::kWorkspaceDidTerminateApplicationNotification, localizedName,
                          bundleIdentifier);
}

}  // namespace platform::sim
