#include "appstate/AppDelegate.h"

#include "common/TavroFirmwareVersions.h"

AppDelegate& AppDelegate::shared() {
    static AppDelegate instance;
    return instance;
}

AppDelegate::AppDelegate()
    : glassVersion(std::string(kGlassVersionMissing)),
      checkVolumeVersion_V1(::checkVolumeVersion_V1),
      checkVolumeVersion_V2(::checkVolumeVersion_V2),
      checkVolumeVersion_V2Pro(::checkVolumeVersion_V2Pro),
      dfuUpdateVersion_V2(::dfuUpdateVersion_V2),
      dfuUpdateVersion_V2Pro(::dfuUpdateVersion_V2Pro) {}
