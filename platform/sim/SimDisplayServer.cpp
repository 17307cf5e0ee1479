#include "platform/sim/SimDisplayServer.h"

#include <algorithm>

#include "platform/foundation/Mutex.h"
#include "platform/screens/Reconfiguration.h"

namespace platform::sim {

using screens::ConfigurationChange;
using screens::DisplayError;
using screens::DisplayId;
using screens::DisplayInfo;
using screens::kNullDisplay;

namespace {

DisplayInfo* findIn(std::vector<DisplayInfo>& displays, DisplayId id) {
    for (auto& display : displays) {
        if (display.id == id) return &display;
    }
    return nullptr;
}

bool isOnline(const std::vector<DisplayInfo>& displays, DisplayId id) {
    return std::any_of(displays.begin(), displays.end(),
                       [id](const DisplayInfo& display) { return display.id == id; });
}

// The x just right of every display that shows on its own.
double rightEdge(const std::vector<DisplayInfo>& displays, DisplayId except) {
    double edge = 0;
    for (const auto& display : displays) {
        if (display.id == except || display.mirrorOf != kNullDisplay) continue;
        edge = std::max(edge, display.origin.x + display.mode().width);
    }
    return edge;
}

void extend(std::vector<DisplayInfo>& displays, DisplayInfo& display) {
    display.mirrorOf = kNullDisplay;
    display.origin = {rightEdge(displays, display.id), 0};
}

void unmirror(std::vector<DisplayInfo>& displays, DisplayId id) {
    DisplayInfo* display = findIn(displays, id);
    if (display && display->mirrorOf != kNullDisplay) extend(displays, *display);
    for (auto& other : displays) {
        if (other.mirrorOf == id) extend(displays, other);
    }
}

void mirror(std::vector<DisplayInfo>& displays, DisplayId id, DisplayId master) {
    DisplayInfo* target = findIn(displays, master);
    while (target && target->mirrorOf != kNullDisplay) target = findIn(displays, target->mirrorOf);
    DisplayInfo* display = findIn(displays, id);
    if (!target || !display || target->id == id) return;
    display->mirrorOf = target->id;
    display->origin = target->origin;
    for (auto& other : displays) {
        if (other.mirrorOf != id) continue;
        other.mirrorOf = target->id;
        other.origin = target->origin;
    }
}

// The display at (0, 0) is the main display; when a change left none there, the whole
// arrangement shifts so that the previous main display is there again.
void normalise(std::vector<DisplayInfo>& displays, DisplayId previousMain) {
    for (const auto& display : displays) {
        if (display.mirrorOf == kNullDisplay && display.origin == screens::Point{0, 0}) return;
    }
    const DisplayInfo* anchor = findIn(displays, previousMain);
    if (!anchor || anchor->mirrorOf != kNullDisplay) {
        anchor = nullptr;
        for (const auto& display : displays) {
            if (display.mirrorOf == kNullDisplay) {
                anchor = &display;
                break;
            }
        }
    }
    if (!anchor) return;
    screens::Point shift = anchor->origin;
    for (auto& display : displays) {
        display.origin.x -= shift.x;
        display.origin.y -= shift.y;
    }
}

DisplayId mainIn(const std::vector<DisplayInfo>& displays) {
    for (const auto& display : displays) {
        if (display.mirrorOf == kNullDisplay && display.origin == screens::Point{0, 0}) {
            return display.id;
        }
    }
    return kNullDisplay;
}

}  // namespace

SimDisplayServer::SimDisplayServer(const MachineDisplays& profile)
    : virtualDisplays_(profile.virtualDisplays) {
    if (profile.builtinDisplay) plugDisplay(*profile.builtinDisplay, false, true);
    for (const auto& display : profile.externalDisplays) plugDisplay(display);
}

DisplayProfile SimDisplayServer::glassesDisplay() {
    DisplayProfile glasses;
    glasses.name = "TAVRO Glass";
    glasses.vendor = 0x5441;
    glasses.model = 0x0E01;
    glasses.serial = 0x20240001;
    glasses.modes = {{1920, 1080, 60}, {3840, 1080, 60}};
    return glasses;
}

template <class Change>
auto SimDisplayServer::mutate(Change change) {
    std::vector<DisplayInfo> before;
    std::vector<DisplayInfo> after;
    decltype(change()) result;
    {
        foundation::MutexLock lock(mutex_);
        before = displays_;
        result = change();
        after = displays_;
    }
    screens::announceReconfiguration(before, after);
    return result;
}

DisplayId SimDisplayServer::plugDisplay(const DisplayProfile& profile, bool mirrored,
                                        bool builtin) {
    return mutate([&]() TAVRO_REQUIRES(mutex_) {
        DisplayInfo display;
        display.id = nextId_++;
        display.name = profile.name;
        display.vendor = profile.vendor;
        display.model = profile.model;
        display.serial = profile.serial;
        display.builtin = builtin;
        display.modes = profile.modes;
        display.currentMode = profile.currentMode;
        DisplayId main = mainIn(displays_);
        displays_.push_back(display);
        if (mirrored && main != kNullDisplay) {
            mirror(displays_, display.id, main);
        } else {
            extend(displays_, displays_.back());
        }
        if (builtin) brightness_.emplace_back(display.id, 1.0f);
        return display.id;
    });
}

void SimDisplayServer::remove(DisplayId id) {
    DisplayInfo* leaving = findIn(displays_, id);
    if (!leaving) return;
    DisplayId main = mainIn(displays_);
    screens::Point origin = leaving->origin;
    // The first display that mirrored the leaving one takes its place; the others mirror it.
    DisplayId heir = kNullDisplay;
    for (auto& other : displays_) {
        if (other.mirrorOf != id) continue;
        if (heir == kNullDisplay) {
            heir = other.id;
            other.mirrorOf = kNullDisplay;
            other.origin = origin;
        } else {
            other.mirrorOf = heir;
        }
    }
    std::erase_if(displays_, [id](const DisplayInfo& display) { return display.id == id; });
    normalise(displays_, main == id ? heir : main);
}

void SimDisplayServer::unplugDisplay(DisplayId id) {
    mutate([&]() TAVRO_REQUIRES(mutex_) {
        remove(id);
        std::erase_if(brightness_, [id](const auto& entry) { return entry.first == id; });
        return true;
    });
}

void SimDisplayServer::setLidClosed(bool closed) {
    mutate([&]() TAVRO_REQUIRES(mutex_) {
        if (closed) {
            for (const auto& display : displays_) {
                if (display.builtin) offline_.push_back(display);
            }
            for (const auto& display : offline_) remove(display.id);
            return true;
        }
        for (auto& display : offline_) {
            displays_.push_back(display);
            extend(displays_, displays_.back());
        }
        offline_.clear();
        return true;
    });
}

void SimDisplayServer::setScreenLocked(bool locked) {
    foundation::MutexLock lock(mutex_);
    locked_ = locked;
}

void SimDisplayServer::setSessionAvailable(bool available) {
    foundation::MutexLock lock(mutex_);
    sessionAvailable_ = available;
}

void SimDisplayServer::setSessionEntry(const std::string& key, foundation::Value value) {
    foundation::MutexLock lock(mutex_);
    sessionEntries_[key] = std::move(value);
}

void SimDisplayServer::setRegistryProductNames(DisplayId id, foundation::Value names) {
    foundation::MutexLock lock(mutex_);
    productNames_[id] = std::move(names);
}

void SimDisplayServer::failNextCompletions(int count) {
    foundation::MutexLock lock(mutex_);
    failingCompletions_ = count;
}

int SimDisplayServer::completedConfigurations() const {
    foundation::MutexLock lock(mutex_);
    return completed_;
}

std::optional<screens::Point> SimDisplayServer::cursorPosition() const {
    return cursor_.get();
}

std::vector<DisplayInfo> SimDisplayServer::displays() const {
    foundation::MutexLock lock(mutex_);
    return displays_;
}

DisplayError SimDisplayServer::applyConfiguration(const std::vector<ConfigurationChange>& changes) {
    return mutate([&]() TAVRO_REQUIRES(mutex_) -> DisplayError {
        if (failingCompletions_ > 0) {
            --failingCompletions_;
            return screens::kDisplayFailure;
        }
        std::vector<DisplayInfo> next = displays_;
        DisplayId main = mainIn(next);
        for (const auto& change : changes) {
            if (!findIn(next, change.display)) return screens::kDisplayIllegalArgument;
            if (change.kind == ConfigurationChange::Kind::Mirror) {
                if (change.master == kNullDisplay) {
                    unmirror(next, change.display);
                } else {
                    mirror(next, change.display, change.master);
                }
                continue;
            }
            screens::Point origin{double(change.x), double(change.y)};
            for (auto& display : next) {
                if (display.id == change.display || display.mirrorOf == change.display) {
                    display.origin = origin;
                }
            }
        }
        normalise(next, main);
        displays_ = std::move(next);
        ++completed_;
        return screens::kDisplaySuccess;
    });
}

DisplayError SimDisplayServer::setMode(DisplayId id, const screens::DisplayMode& mode) {
    return mutate([&]() TAVRO_REQUIRES(mutex_) -> DisplayError {
        DisplayInfo* display = findIn(displays_, id);
        if (!display) return screens::kDisplayIllegalArgument;
        auto found = std::find(display->modes.begin(), display->modes.end(), mode);
        if (found == display->modes.end()) return screens::kDisplayIllegalArgument;
        display->currentMode = size_t(found - display->modes.begin());
        return screens::kDisplaySuccess;
    });
}

DisplayId SimDisplayServer::reserveDisplayId() {
    foundation::MutexLock lock(mutex_);
    return nextId_++;
}

bool SimDisplayServer::addVirtualDisplay(DisplayId id,
                                         const screens::VirtualDisplayTraits& traits) {
    return mutate([&]() TAVRO_REQUIRES(mutex_) {
        if (!virtualDisplays_ || traits.modes.empty()) return false;
        if (DisplayInfo* shown = findIn(displays_, id)) {
            shown->modes = traits.modes;
            shown->currentMode = 0;
            return true;
        }
        DisplayInfo display;
        display.id = id;
        display.name = traits.name;
        display.vendor = traits.vendor;
        display.model = traits.product;
        display.serial = traits.serial;
        display.isVirtual = true;
        display.modes = traits.modes;
        displays_.push_back(display);
        extend(displays_, displays_.back());
        return true;
    });
}

void SimDisplayServer::removeVirtualDisplay(DisplayId id) {
    unplugDisplay(id);
}

std::optional<float> SimDisplayServer::brightness(DisplayId display) const {
    foundation::MutexLock lock(mutex_);
    if (!isOnline(displays_, display)) return std::nullopt;
    for (const auto& [id, value] : brightness_) {
        if (id == display) return value;
    }
    return std::nullopt;
}

DisplayError SimDisplayServer::setBrightness(DisplayId display, float value) {
    foundation::MutexLock lock(mutex_);
    if (!isOnline(displays_, display)) return screens::kDisplayFailure;
    for (auto& [id, stored] : brightness_) {
        if (id == display) {
            stored = std::clamp(value, 0.0f, 1.0f);
            return screens::kDisplaySuccess;
        }
    }
    return screens::kDisplayFailure;
}

std::optional<foundation::Value> SimDisplayServer::registryProductNames(DisplayId id) const {
    foundation::MutexLock lock(mutex_);
    auto found = productNames_.find(id);
    if (found == productNames_.end()) return std::nullopt;
    return found->second;
}

std::optional<foundation::ValueDictionary> SimDisplayServer::sessionDictionary() const {
    foundation::MutexLock lock(mutex_);
    if (!sessionAvailable_) return std::nullopt;
    foundation::ValueDictionary session;
    session["kCGSSessionOnConsoleKey"] = true;
    // The platform lists the lock entry only while the screen is locked.
    if (locked_) session["CGSSessionScreenIsLocked"] = true;
    for (const auto& [key, value] : sessionEntries_) session[key] = value;
    return session;
}

DisplayError SimDisplayServer::moveCursor(screens::Point point) {
    cursor_.set(point);
    return screens::kDisplaySuccess;
}

}  // namespace platform::sim
