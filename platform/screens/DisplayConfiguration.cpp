
#include "platform/foundation/Mutex.h"
#include "platform/screens/DisplayLookup.h"
#include "platform/screens/DisplayServices.h"

namespace platform::screens {

class DisplayConfiguration {
  public:
    foundation::Mutex mutex;
    bool open TAVRO_GUARDED_BY(mutex) = true;
    std::vector<ConfigurationChange> changes TAVRO_GUARDED_BY(mutex);
};

namespace {

// Adds a change to an open configuration naming an online display.
DisplayError addChange(const DisplayConfigRef& config, const ConfigurationChange& change) {
    if (!config) return kDisplayIllegalArgument;
    auto displays = detail::snapshot();
    if (!detail::find(displays, change.display)) return kDisplayIllegalArgument;
    if (change.kind == ConfigurationChange::Kind::Mirror && change.master != kNullDisplay &&
        (change.master == change.display || !detail::find(displays, change.master))) {
        return kDisplayIllegalArgument;
    }
    foundation::MutexLock lock(config->mutex);
    if (!config->open) return kDisplayIllegalArgument;
    config->changes.push_back(change);
    return kDisplaySuccess;
}

}  // namespace

DisplayError beginDisplayConfiguration(DisplayConfigRef& config) {
    config = std::make_shared<DisplayConfiguration>();
    return kDisplaySuccess;
}

DisplayError configureDisplayMirrorOfDisplay(const DisplayConfigRef& config, DisplayId display,
                                             DisplayId master) {
    return addChange(config, {ConfigurationChange::Kind::Mirror, display, master, 0, 0});
}

DisplayError configureDisplayOrigin(const DisplayConfigRef& config, DisplayId display, int32_t x,
                                    int32_t y) {
    return addChange(config, {ConfigurationChange::Kind::Origin, display, kNullDisplay, x, y});
}

DisplayError completeDisplayConfiguration(const DisplayConfigRef& config, int32_t option) {
    if (!config || option < kConfigureForAppOnly || option > kConfigurePermanently) {
        return kDisplayIllegalArgument;
    }
    std::vector<ConfigurationChange> changes;
    {
        foundation::MutexLock lock(config->mutex);
        if (!config->open) return kDisplayIllegalArgument;
        changes = config->changes;
    }
    auto server = displayServer();
    DisplayError result = server ? server->applyConfiguration(changes) : kDisplayInvalidConnection;
    // A failed completion leaves the configuration to be cancelled, as the platform does.
    if (result == kDisplaySuccess) {
        foundation::MutexLock lock(config->mutex);
        config->open = false;
    }
    return result;
}

DisplayError cancelDisplayConfiguration(const DisplayConfigRef& config) {
    if (!config) return kDisplayIllegalArgument;
    foundation::MutexLock lock(config->mutex);
    if (!config->open) return kDisplayIllegalArgument;
    config->open = false;
    config->changes.clear();
    return kDisplaySuccess;
}

}  // namespace platform::screens
