// The application update check: asks the backend for the latest published version while
// the main window shows the home or the start panel, and shows the update view over the
// window when a newer one exists.

#include "appstate/AppDelegate.h"
#include "backend/TavroAlamofireManager.h"
#include "backend/TavroAppUpdateView.h"
#include "common/TavroLog.h"
#include "glasses/NumericCompare.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace fdn = platform::foundation;

namespace {

constexpr const char* kLatestReleasePath = "/api/admin/appPublish/latest";
constexpr const char* kVersionWhenMissing = "1.0.0.0";

// Same object, whatever the pointer types: the panels are known here only by name.
template <class A, class B>
bool sameObject(const std::shared_ptr<A>& a, const std::shared_ptr<B>& b) {
    return a && b && !a.owner_before(b) && !b.owner_before(a);
}

std::string textOf(const fdn::Value& value) {
    return value.isText() ? value.text() : std::string();
}

}  // namespace

void AppDelegate::checkAppUpdate(std::function<void(bool)> completion) {
    TAVRO_ASSERT_MAIN_THREAD();
    // A quit under way asks nothing and lets nothing go on.
    if (fdn::BackgroundWork::stopping()) return;
    auto shownWindow = window.get();
    auto content = shownWindow ? shownWindow->contentViewController() : nullptr;
    // Never over the connected panel or a firmware update.
    if (!sameObject(content, homeNewViewController.get()) &&
        !sameObject(content, homeStartViewController.get())) {
        if (completion) completion(true);
        return;
    }
    TavroAlamofireManager::requestWithQuery(
        kLatestReleasePath, TavroAlamofireManager::HTTPMethod::Get,
        {{"appName", "3DHalvane"}, {"platform", "mac"}, {"isRelease", 1}},
        [this, completion](bool success, std::optional<fdn::ValueDictionary> reply) {
            handleUpdateCheckReply(success, reply, completion);
        },
        [this, completion](const fdn::Error& error) {
            handleUpdateCheckFailure(error, completion);
        });
}

void AppDelegate::handleUpdateCheckReply(bool success,
                                         const std::optional<fdn::ValueDictionary>& reply,
                                         const std::function<void(bool)>& completion) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto goOn = [&](bool value) {
        if (completion) completion(value);
    };
    if (!success || !reply || reply->empty()) return goOn(true);
    auto found = reply->find("data");
    if (found == reply->end() || !found->second.isDictionary()) return goOn(true);
    const fdn::Value& data = found->second;

    std::string serverVersion = textOf(data["version"]);
    fdn::Value ownVersion =
        fdn::Bundle::main().objectForInfoDictionaryKey("CFBundleShortVersionString");
    std::string localVersion = ownVersion.isText() ? ownVersion.text() : kVersionWhenMissing;
    if (numericCompare(localVersion, serverVersion) >= 0) return goOn(true);

    std::string releaseNote = textOf(data["releaseNote"]);
    std::string downloadAddress =
        TavroAlamofireManager::apiBaseAddress() + textOf(data["downloadUrl"]);
    common::TavroLog::logMessage("App Update Url = " + downloadAddress);

    auto shownWindow = window.get();
    auto content = shownWindow ? shownWindow->contentViewController() : nullptr;
    auto view = appUpdateView.get();
    if (!view) {
        view = TavroAppUpdateView::loadFromNib();
        // Without the view the offer could not be seen; the glasses set-up must not stop
        // for it.
        if (!view) return goOn(true);
        appUpdateView.set(view);
    }
    // Also with an empty release note: the set-up stops here, so the offer must be on
    // screen. The kept view follows the panel the window shows now.
    view->showVersionInfo(releaseNote, serverVersion, downloadAddress);
    if (content) {
        const auto& contentView = content->view();
        if (contentView && !view->isDescendantOf(contentView.get())) {
            view->removeFromSuperview();
            contentView->addSubview(view);
        }
    }
    fdn::mainQueue()->async([this] {
        if (auto front = window.get()) front->makeKeyAndOrderFront();
    });
    goOn(false);
}

void AppDelegate::handleUpdateCheckFailure(const fdn::Error& /*error*/,
                                           const std::function<void(bool)>& completion) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (completion) completion(true);
}
