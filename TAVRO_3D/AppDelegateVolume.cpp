// The volume keys for first-generation glasses, whose volume is set over HID in seven levels
// that the Mac's own volume keys do not reach. Main thread (the event monitors deliver there).

#include <algorithm>

#include "appstate/AppDelegate.h"
#include "common/DateFormat.h"
#include "glasses/GlassServer.h"
#include "glasses/NumericCompare.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Event.h"

namespace fdn = platform::foundation;
namespace ui = platform::ui;

namespace {

constexpr int16_t kMediaKeySubtype = 8;
constexpr int64_t kVolumeUpReleased = 0x00000B00;
constexpr int64_t kVolumeDownReleased = 0x00010B00;
constexpr int64_t kMuteReleased = 0x00070B00;
constexpr double kKeyDebounceMilliseconds = 10;
constexpr int64_t kLowestLevel = 0;
constexpr int64_t kHighestLevel = 6;

constexpr const char* kVolumeChangedNotification = "change_tavro_glass_volume_NSNotificationName";
constexpr const char* kVolumeLevelKey = "displayVolumeLevel_UserDefaultsKey";
constexpr const char* kSoundOffKey = "displayVolumeLevel_isSoundOff_UserDefaultsKey";

void store(const fdn::Value& value, const char* key) {
    auto& defaults = fdn::UserDefaults::standard();
    defaults.setObject(value, key);
    defaults.synchronize();
}

}  // namespace

void AppDelegate::handleMediaKey(const ui::Event& event) {
    TAVRO_ASSERT_MAIN_THREAD();
    handleMediaKeyAt(event, common::secondsSince1970Now() * 1000.0);
}

void AppDelegate::handleMediaKeyAt(const ui::Event& event, double now) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (event.type != ui::EventType::SystemDefined || event.subtype != kMediaKeySubtype) return;
    if (event.data1 != kVolumeUpReleased && event.data1 != kVolumeDownReleased &&
        event.data1 != kMuteReleased) {
        return;
    }
    // A wall clock set back (by hand or by time sync) would otherwise leave the last key's
    // time in the future and ignore every key until the clock caught up with it.
    double last = changeVolumeTime.load();
    if (now - last <= kKeyDebounceMilliseconds && now >= last) return;

    if (event.data1 == kVolumeUpReleased) {
        setGlassVolume(volumeLevel.load() + 1, false);
    } else if (event.data1 == kVolumeDownReleased) {
        setGlassVolume(volumeLevel.load() - 1, false);
    } else {
        bool mute = !isSoundOff.load();
        isSoundOff.store(mute);
        setGlassVolume(volumeLevel.load(), mute);
    }
    changeVolumeTime.store(now);
}

void AppDelegate::setGlassVolume(int64_t level, bool mute) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto server = glassServer(*this);
    if (server->glassGeneration() != 1) return;
    if (numericCompare(glassVersion.get(), checkVolumeVersion_V1) < 0) return;

    auto& center = fdn::NotificationCenter::defaultCenter();
    if (mute) {
        (void)server->change_display_volume(0);
        center.post(kVolumeChangedNotification);
        store(fdn::Value(true), kSoundOffKey);
        return;
    }
    isSoundOff.store(false);
    volumeLevel.store(std::clamp(level, kLowestLevel, kHighestLevel));
    (void)server->change_display_volume(volumeLevel.load());
    store(fdn::Value(volumeLevel.load()), kVolumeLevelKey);
    store(fdn::Value(false), kSoundOffKey);
    center.post(kVolumeChangedNotification);
}
