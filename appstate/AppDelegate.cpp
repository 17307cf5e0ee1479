#include "appstate/AppDelegate.h"

#include "common/TavroFirmwareVersions.h"

AppDelegate& AppDelegate::shared() {
    static AppDelegate instance;
    return instance;
}

AppDelegate::AppDelegate()
    : glassVersion(std::string(common::kGlassVersionMissing)),
      checkVolumeVersion_V1(common::checkVolumeVersion_V1),
      checkVolumeVersion_V2(common::checkVolumeVersion_V2),
      checkVolumeVersion_V2Pro(common::checkVolumeVersion_V2Pro),
      dfuUpdateVersion_V2(common::dfuUpdateVersion_V2),
      dfuUpdateVersion_V2Pro(common::dfuUpdateVersion_V2Pro) {}
