#include "display/CreateVirtualDisplay.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "display/VirtualDisplayRegistry.h"
#include "platform/foundation/SystemInfo.h"

namespace screens = platform::screens;
using platform::foundation::systemLog;

screens::VirtualDisplayDescriptor dummyDescriptor(const DummyDefinition& definition,
                                                  const std::string& name, uint32_t serialNum) {
    const int64_t aw = definition.aspectWidth;
    const int64_t ah = definition.aspectHeight;
    const int64_t step = definition.multiplierStep;
    const int64_t max = definition.maxMultiplier;
    screens::VirtualDisplayDescriptor descriptor;
    descriptor.setQueue(
        platform::foundation::globalQueue(platform::foundation::QualityOfService::UserInteractive));
    descriptor.setName(name);
    descriptor.setWhitePoint({0.313, 0.328});
    descriptor.setRedPrimary({0.654, 0.329});
    descriptor.setGreenPrimary({0.284, 0.6});
    descriptor.setBluePrimary({0.14, 0.064});
    descriptor.setMaxPixelsWide(uint32_t(aw * step * max));
    descriptor.setMaxPixelsHigh(uint32_t(ah * step * max));
    // A 24-inch diagonal whatever the aspect ratio.
    const double diagonal = 24 * 25.4;
    const double aspectDiagonal = std::sqrt(double(aw * aw + ah * ah));
    descriptor.setSizeInMillimeters(
        {diagonal / aspectDiagonal * double(aw), diagonal / aspectDiagonal * double(ah)});
    descriptor.setSerialNum(serialNum);
    descriptor.setProductID(
        uint32_t(std::min<int64_t>(aw - 1, 255) * 256 + std::min<int64_t>(ah - 1, 255)));
    descriptor.setVendorID(kDummyVendorID);
    return descriptor;
}

std::shared_ptr<screens::VirtualDisplay> createVirtualDisplay(const DummyDefinition& definition,
                                                              const std::string& name,
                                                              uint32_t serialNum, bool hiDPI) {
    systemLog("Creating virtual display: " + name);
    auto descriptor = dummyDescriptor(definition, name, serialNum);
    systemLog("- Preparing descriptor...");
    auto display = screens::VirtualDisplay::make(descriptor);
    if (!display) return nullptr;
    systemLog("- 创建虚拟屏，配置models..");

    // One mode per multiplier; with several rates the last one stays.
    std::map<int64_t, screens::VirtualDisplayMode> modes;
    for (int64_t m = definition.minMultiplier; m <= definition.maxMultiplier; ++m) {
        for (double rate : definition.refreshRates) {
            modes[m] = {uint32_t(definition.aspectWidth * m * definition.multiplierStep),
                        uint32_t(definition.aspectHeight * m * definition.multiplierStep), rate};
        }
    }
    screens::VirtualDisplaySettings settings;
    systemLog("- 准备虚拟屏设置..");
    settings.hiDPI = hiDPI ? 1 : 0;
    for (const auto& [multiplier, mode] : modes) settings.modes.push_back(mode);
    if (!display->applySettings(settings)) return nullptr;
    systemLog("- 设置虚拟屏成功。虚拟屏ID是 " + std::to_string(display->displayID()));
    virtualDisplayRegistry().store(serialNum, display);
    return display;
}
