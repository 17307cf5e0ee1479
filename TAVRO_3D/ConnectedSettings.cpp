#include "TAVRO_3D/ConnectedSettings.h"

#include "appstate/AppDelegate.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"

namespace connected {

namespace fdn = platform::foundation;

namespace {

void post(const std::string& name, fdn::Value type, fdn::Value value) {
    fdn::NotificationCenter::defaultCenter().post(
        name,
        fdn::Value(fdn::ValueDictionary{{"type", std::move(type)}, {"value", std::move(value)}}));
}

}  // namespace

void postDepthPosition(const std::string& name, double position) {
    TAVRO_ASSERT_MAIN_THREAD();
    post(name, fdn::Value(1.0), fdn::Value(position));
}

void postModeChange(const std::string& name, int64_t mode) {
    TAVRO_ASSERT_MAIN_THREAD();
    post(name, fdn::Value(int64_t{2}), fdn::Value(mode));
}

void postPrivacyChange(const std::string& name, int64_t state) {
    TAVRO_ASSERT_MAIN_THREAD();
    post(name, fdn::Value(int64_t{3}), fdn::Value(state));
}

std::optional<ChangeValueMessage> readChangeValue(const fdn::Notification& note) {
    if (!note.object.isDictionary()) return std::nullopt;
    const fdn::Value& type = note.object["type"];
    if (!type.isNumber()) return std::nullopt;
    return ChangeValueMessage{type.asInt64(), note.object["value"].asDouble()};
}

void storeDepth(float depth) {
    TAVRO_ASSERT_MAIN_THREAD();
    AppDelegate::shared().depthValue = depth;
    auto& defaults = fdn::UserDefaults::standard();
    defaults.setFloat(depth, kDepthDefaultsKey);
    defaults.synchronize();
}

void storeScreenMode(int64_t mode) {
    TAVRO_ASSERT_MAIN_THREAD();
    AppDelegate::shared().modelType = mode;
    auto& defaults = fdn::UserDefaults::standard();
    defaults.setInteger(mode, kScreenModeDefaultsKey);
    defaults.synchronize();
}

void storePrivacyState(int64_t state) {
    TAVRO_ASSERT_MAIN_THREAD();
    AppDelegate::shared().privacyScreenLockButtonState = state;
    auto& defaults = fdn::UserDefaults::standard();
    defaults.setInteger(state, kPrivacyDefaultsKey);
    defaults.synchronize();
}

void showModeMarks(const std::array<std::shared_ptr<platform::ui::ImageView>, 3>& marks) {
    TAVRO_ASSERT_MAIN_THREAD();
    const int64_t mode = AppDelegate::shared().modelType.load();
    if (mode < 0 || mode > 2) return;
    for (int64_t i = 0; i < 3; ++i) {
        if (marks[i]) marks[i]->setHidden(i != mode);
    }
}

void setToggleImage(platform::ui::Button& toggle, int64_t state) {
    TAVRO_ASSERT_MAIN_THREAD();
    toggle.setImage(platform::ui::Image::named(state == 1 ? "Toggle_on" : "Toggle_Off"));
}

void showPrivacyState(platform::ui::Button& toggle) {
    TAVRO_ASSERT_MAIN_THREAD();
    const int64_t state = AppDelegate::shared().privacyScreenLockButtonState.load();
    toggle.setState(static_cast<int>(state));
    setToggleImage(toggle, state);
}

void applyPrivacyToggle(int64_t state) {
    TAVRO_ASSERT_MAIN_THREAD();
    AppDelegate& delegate = AppDelegate::shared();
    if (state == 1) {
        delegate.closeBuiltinBrightness();
    } else {
        delegate.restoreBuiltinBrightness();
    }
}

}  // namespace connected
