#include "appstate/AppDelegate.h"

#include "common/TavroFirmwareVersions.h"

AppDelegate& AppDelegate::shared() {
    // Lives until the process ends and is never destroyed: its panels and managers hold
    // registrations in other process-wide registries, which static destruction may already
    // have taken down when it would reach the delegate.
    static auto* instance = new AppDelegate;
    return *instance;
}

AppDelegate::AppDelegate()
    : glassVersion(std::string(common::kGlassVersionMissing)),
      checkVolumeVersion_V1(common::checkVolumeVersion_V1),
      checkVolumeVersion_V2(common::checkVolumeVersion_V2),
      checkVolumeVersion_V2Pro(common::checkVolumeVersion_V2Pro),
      dfuUpdateVersion_V2(common::dfuUpdateVersion_V2),
      dfuUpdateVersion_V2Pro(common::dfuUpdateVersion_V2Pro) {}
