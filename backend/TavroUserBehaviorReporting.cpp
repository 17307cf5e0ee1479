#include "backend/TavroUserBehaviorReporting.h"

#include <algorithm>
#include <chrono>

#include "appstate/AppDelegate.h"
#include "backend/TavroAlamofireManager.h"
#include "backend/TavroFMDBManager.h"
#include "backend/UserBehaviorRecord.h"
#include "common/GlobalHelpers.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/SystemInfo.h"

namespace fdn = platform::foundation;
namespace ub = userbehavior;

namespace {

double clockSeconds() {
    return fdn::Clock::toSeconds(fdn::Clock::current().now().time_since_epoch());
}

int64_t wallMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

fdn::Value textOrNull(const std::optional<std::string>& text) {
    return text ? fdn::Value(*text) : fdn::Value();
}

}  // namespace

std::shared_ptr<TavroUserBehaviorReporting> TavroUserBehaviorReporting::shared() {
    static const auto instance = std::make_shared<TavroUserBehaviorReporting>();
    return instance;
}

TavroUserBehaviorReporting::TavroUserBehaviorReporting() : createdAt_(clockSeconds()) {}

fdn::ValueDictionary TavroUserBehaviorReporting::makeRecord(
    BehaviorEventType type, const BehaviorEventDetails& details) const {
    AppDelegate& app = AppDelegate::shared();
    std::optional<double> duration = details.duration;
    // Never negative, also when a test has replaced the clock since launch.
    if (!duration && type == BehaviorEventType::app_use_duration)
        duration = std::max(0.0, clockSeconds() - createdAt_);

    fdn::ValueDictionary record;
    record[ub::kUid] = fdn::uuidString();
    record[ub::kEventType] = static_cast<int64_t>(type);
    record[ub::kEventName] = behaviorEventTypeName(type);
    record[ub::kEventTime] = wallMilliseconds();
    record[ub::kDuration] = duration ? fdn::Value(*duration) : fdn::Value();
    record[ub::kAppName] = details.appName.empty() ? fdn::Value() : fdn::Value(details.appName);
    record[ub::kModeType] = details.modeType.value_or(app.modelType.load());
    record[ub::kDeviceId] = common::deviceID();
    record[ub::kAppVersion] =
        fdn::Bundle::main().objectForInfoDictionaryKey("CFBundleShortVersionString");
    record[ub::kDeviceModel] = textOrNull(fdn::sysctlString("hw.model"));
    record[ub::kCpuBrand] = common::cpuBrandString();
    record[ub::kRegion] = app.isOverseas.load() ? "overseas" : "domestic";
    record[ub::kGlassStatus] = app.glassStatus.load() ? 1 : 0;
    record[ub::kGlassVersion] = app.glassVersion.get();
    return record;
}

void TavroUserBehaviorReporting::recordEvent(BehaviorEventType type, bool store,
                                             const BehaviorEventDetails& details) {
    fdn::ValueDictionary record = makeRecord(type, details);
    // Once the quit has begun an upload can no longer run: the event waits in the table
    // for a later upload instead of being lost.
    if (store || fdn::BackgroundWork::stopping()) {
        TavroFMDBManager::shareManager().insertUserBehavior(std::move(record));
        return;
    }
    TavroAlamofireManager::requestWithJSONBody(
        kAppEventPath, TavroAlamofireManager::HTTPMethod::Post, std::move(record), nullptr, nullptr,
        fdn::globalQueue(fdn::QualityOfService::Utility));
}
