// The application update check against the simulated backend, with the update view.

#include <filesystem>
#include <fstream>
#include <thread>

#include "BackendTestSupport.h"
#include "backend/TavroAppUpdateView.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Workspace.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using namespace backendtest;
namespace ui = platform::ui;

namespace {

// The check only compares the shown panel with the home and start panels by address.
template <class Panel>
std::shared_ptr<Panel> standIn(const std::shared_ptr<ui::ViewController>& controller) {
    return std::shared_ptr<Panel>(controller, reinterpret_cast<Panel*>(controller.get()));
}

std::shared_ptr<ui::ViewController> makePanel() {
    auto panel = std::make_shared<ui::ViewController>();
    panel->setView(ui::View::create(ui::Rect{0, 0, 420, 620}));
    return panel;
}

fdn::ValueDictionary offer(const std::string& version, const std::string& note = "x") {
    return {{"code", 200},
            {"data", fdn::ValueDictionary{
                         {"version", version}, {"releaseNote", note}, {"downloadUrl", "/d.dmg"}}}};
}

// Whether the glasses set-up may go on after a reply.
std::optional<bool> reply(bool success, const std::optional<fdn::ValueDictionary>& body) {
    std::optional<bool> result;
    AppDelegate::shared().handleUpdateCheckReply(success, body, [&](bool goOn) { result = goOn; });
    return result;
}

}  // namespace

class AppUpdateCheckTest : public BackendTest {
  protected:
    void SetUp() override {
        BackendTest::SetUp();
        useBundle("1.2.9");
        ui::Application::shared().reset();
        window_ = ui::Window::make({0, 0, 420, 620}, ui::WindowStyleTitled);
        window_->setContentViewController(home_panel_);
        AppDelegate::shared().window.set(window_);
        AppDelegate::shared().homeNewViewController.set(
            standIn<TavroHomeNewViewController>(home_panel_));
    }
    void TearDown() override {
        AppDelegate& app = AppDelegate::shared();
        app.window.set(nullptr);
        app.homeNewViewController.set(nullptr);
        app.homeStartViewController.set(nullptr);
        app.appUpdateView.set(nullptr);
        fdn::MainLoop::drain();
        ui::Application::shared().reset();
        fdn::Bundle::setMainBundlePath({});
        BackendTest::TearDown();
    }
    // A bundle of the test's own: its Info.json and, unless told otherwise, the application's
    // view descriptions.
    void useBundle(const std::string& version, bool withViews = true) {
        const std::string bundle = home_.path() + "/Bundle" + std::to_string(++bundles_);
        std::filesystem::create_directories(bundle);
        if (withViews)
            std::filesystem::create_directory_symlink(TAVRO_SOURCE_DIR "/resources/ui",
                                                      bundle + "/ui");
        std::ofstream(bundle + "/Info.json")
            << R"({"CFBundleIdentifier": "com.tavro.Tavro3D", )"
            << R"("CFBundleShortVersionString": ")" << version << "\"}";
        fdn::Bundle::setMainBundlePath(bundle);
    }
    std::optional<bool> check() {
        std::optional<bool> result;
        AppDelegate::shared().checkAppUpdate([&](bool goOn) { result = goOn; });
        drainUntil([&] { return result.has_value(); });
        return result;
    }
    std::shared_ptr<ui::ViewController> home_panel_ = makePanel();
    std::shared_ptr<ui::Window> window_;
    int bundles_ = 0;
};

TEST_F(AppUpdateCheckTest, ANewerVersionShowsTheUpdateViewAndStopsTheSetUp) {
    // Also an offer without a release note is shown: the set-up stops for it.
    EXPECT_EQ(reply(true, offer("1.3.0", "")), false);
    auto view = AppDelegate::shared().appUpdateView.get();
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->isDescendantOf(home_panel_->view().get()));
    // A later offer reuses the view.
    server_.offerNewerVersion("1.2.10", "Faster start");
    EXPECT_EQ(check(), false);
    EXPECT_EQ(server_.updateQueries(),
              std::vector<std::string>{"appName=3DHalvane&platform=mac&isRelease=1"});
    EXPECT_EQ(AppDelegate::shared().appUpdateView.get(), view);
    EXPECT_EQ(view->versionLabel.lock()->stringValue(), "V1.2.10");
    EXPECT_EQ(view->releaseNoteText.lock()->string(), "Faster start");
    fdn::MainLoop::drain();
    EXPECT_EQ(ui::Application::shared().keyWindow(), window_);
    // The download button hands the address to the system.
    view->downloadButton.lock()->performClick();
    EXPECT_EQ(
        fdn::Workspace::shared().openedURLs(),
        std::vector<std::string>{server_.baseAddress() + "/api/download/Halvane3D-1.2.10.dmg"});
    EXPECT_FALSE(view->downloadProgress.lock()->isHidden());
}

TEST_F(AppUpdateCheckTest, OnlyTheHomeAndStartPanelsAskAndOnlyANewerVersionStops) {
    server_.setLatestRelease({"1.2.9", "/d.dmg", "notes"});
    EXPECT_EQ(check(), true);
    EXPECT_FALSE(AppDelegate::shared().appUpdateView.get());
    auto start = makePanel();
    window_->setContentViewController(start);
    AppDelegate::shared().homeStartViewController.set(standIn<TavroHomeStartViewController>(start));
    server_.setLatestRelease({"1.10", "/d.dmg", "notes"});  // compared as numbers: newer
    EXPECT_EQ(check(), false);
    // Over the connected panel, or without a window, the set-up goes on at once.
    window_->setContentViewController(makePanel());
    bool result = false;
    AppDelegate::shared().checkAppUpdate([&](bool goOn) { result = goOn; });
    EXPECT_TRUE(result);
    AppDelegate::shared().window.set(nullptr);
    AppDelegate::shared().checkAppUpdate();  // no completion: nothing to call
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(server_.updateQueries().size(), 2u);
}

TEST_F(AppUpdateCheckTest, RepliesWithoutWhatTheCheckReadsLetTheSetUpGoOn) {
    EXPECT_EQ(reply(true, std::nullopt), true);
    EXPECT_EQ(reply(true, fdn::ValueDictionary{}), true);
    EXPECT_EQ(reply(true, fdn::ValueDictionary{{"data", "1.3"}}), true);
    EXPECT_EQ(reply(false, offer("9.0")), true);
    // An update view that cannot be loaded could not show the offer.
    useBundle("1.0", false);
    EXPECT_EQ(reply(true, offer("9.0")), true);
    EXPECT_FALSE(AppDelegate::shared().appUpdateView.get());
}
