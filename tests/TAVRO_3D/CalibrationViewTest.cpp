// The temperature-drift calibration screen: the hover looks, the close rules, the reset
// with its message, and the bias wait that ends when the table is complete (or more than
// complete) or the glasses are gone.
#include <chrono>

#include "PanelFixture.h"
#include "TAVRO_3D/TavroTemperatureDriftCalibrationView.h"
#include "common/GlobalHelpers.h"
#include "localnet/TavroLocalServer.h"
#include "tests/support/LoopbackClient.h"
#include "widgets/ColorFromHex.h"

namespace {

using namespace panel_fixture;
using Calibration = TavroTemperatureDriftCalibrationView;

class CalibrationViewTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        window_ = ui::Window::make({100, 100, 420, 620}, ui::WindowStyleTitled);
        window_->setContentView(host_);
        window_->makeKeyAndOrderFront();
        view_ = Calibration::fromDescription();  // after the reset: it installs monitors
        ASSERT_TRUE(view_);
        host_->addSubview(view_);
    }
    // Sends a mouse event at the centre of a view of the content box.
    void mouseOver(const std::shared_ptr<ui::View>& view) {
        const ui::Rect f = view->frame();
        send(ui::EventType::MouseMoved,
             inWindow(*view_->contentBgView.lock(),
                      {f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2}));
    }
    bool isShown() const { return view_->superview() == host_.get(); }

    std::shared_ptr<ui::View> host_ = std::make_shared<ui::View>(ui::Rect{0, 0, 420, 620});
    std::shared_ptr<Calibration> view_;
};

TEST_F(CalibrationViewTest, HoverLooksFollowTheMouseOfTheirWindowOnly) {
    auto reset = view_->resetButton.lock();
    auto close = view_->closeButton.lock();
    mouseOver(reset);
    EXPECT_EQ(close->image()->name(), "close");
    mouseOver(close);
    EXPECT_EQ(reset->layer().backgroundColor(), initWithHexString("#FFFFFF"));
    EXPECT_EQ(close->image()->name(), "close_hover");
    send(ui::EventType::MouseMoved, inWindow(*view_->contentBgView.lock(), {5, 5}));
    EXPECT_EQ(close->image()->name(), "close");
    mouseOver(close);
    auto other = ui::Window::make({0, 0, 100, 100}, ui::WindowStyleTitled);
    ui::Application::shared().sendEvent(ui::Event::mouse(ui::EventType::MouseMoved, {5, 5}, other));
    EXPECT_EQ(close->image()->name(), "close_hover");
}

TEST_F(CalibrationViewTest, AClickOutsideTheBoxClosesOnlyWhileTheSuccessBoxShows) {
    int callbacks = 0;
    view_->closeCallBack = [&] { ++callbacks; };
    const ui::Point outside{10, 10};
    send(ui::EventType::LeftMouseUp, outside);
    EXPECT_TRUE(isShown());
    view_->successBgView.lock()->setHidden(false);
    send(ui::EventType::LeftMouseUp, inWindow(*view_->contentBgView.lock(), {20, 20}));
    EXPECT_TRUE(isShown());
    send(ui::EventType::LeftMouseUp, outside);
    EXPECT_FALSE(isShown());
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(view_->calibrateStatus, -1);
    // The close button closes at any time, and forgets the failed readings.
    host_->addSubview(view_);
    view_->errorDataCount = 4;
    view_->closeButton.lock()->performClick();
    EXPECT_FALSE(isShown());
    EXPECT_EQ(view_->errorDataCount, 0);
}

TEST_F(CalibrationViewTest, ClosingDimsTheBuiltInDisplayOnlyWhileThePrivacyScreenIsOn) {
    boot("macbook");
    window_->setContentView(host_);
    AppDelegate& delegate = AppDelegate::shared();
    const float bright = common::builtinBrightness(delegate.builtinDisplayID);
    ASSERT_GT(bright, 0);
    for (int64_t privacy : {0, 1}) {
        SCOPED_TRACE(privacy);
        delegate.privacyScreenLockButtonState = privacy;
        host_->addSubview(view_);
        view_->closeButton.lock()->performClick();
        ASSERT_FALSE(isShown());
        // A fade saves the brightness it starts from.
        EXPECT_EQ(delegate.defaultBrightness.load(), privacy == 1 ? bright : 0.0f);
    }
}

// With the companion server's client connected, the glasses plugged and the clock fast.
class CalibrationServerTest : public CalibrationViewTest {
  protected:
    void SetUp() override {
        CalibrationViewTest::SetUp();
        scopedClock_.reset();
        scopedClock_.emplace(std::make_shared<fdn::RealClock>(50.0));
        client_.emplace(server_.port());
        ASSERT_TRUE(client_->connected());
        ASSERT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return server_.hasClient(); }, 5));
        server_.setBiasDict(TavroLocalServer::BiasDict{9997, server_.biasArray()});
        AppDelegate::shared().glassStatus = true;
    }
    void TearDown() override {
        AppDelegate::shared().glassStatus = false;
        client_.reset();
        // The server takes one client at a time: the next test's must find it free.
        fdn::MainLoop::runUntilSeconds([&] { return !server_.hasClient(); }, 250);
        server_.setBiasDict(std::nullopt);
        CalibrationViewTest::TearDown();
    }
    // The table went out: its line names the table's 9997.
    void expectTableSent() {
        auto line = client_->readLine();
        ASSERT_TRUE(line);
        EXPECT_NE(line->find("9997"), std::string::npos);
    }
    TavroLocalServer& server_ = TavroLocalServer::shareManager();
    std::optional<LoopbackClient> client_;
    std::atomic<int> completions_{0};
};

TEST_F(CalibrationServerTest,
       ResetWithoutGlassesSendsTheTableAtOnceAndShowsItsMessageOnTheViewThatStays) {
    AppDelegate::shared().glassStatus = false;
    server_.biasArray()->addObject({fdn::Value(1.0)});
    server_.setBiasCount(3);
    view_->resetButton.lock()->performClick();
    EXPECT_FALSE(isShown());
    EXPECT_EQ(server_.biasCount(), 0);
    EXPECT_EQ(server_.biasArray()->count(), 0u);
    expectTableSent();
    // The message arrives on the main queue, after the view has gone: on its host.
    fdn::MainLoop::drain();
    bool toastOnHost = false;
    for (const auto& sub : host_->subviews()) toastOnHost |= sub->className() == "ToastView";
    EXPECT_TRUE(toastOnHost);
}

TEST_F(CalibrationServerTest, TheBiasWaitEndsWhenTheCountReachesOrPassesTheTablesSize) {
    for (int replies : {8, 9}) {
        SCOPED_TRACE(replies);
        Calibration::sendBiasTable([this](bool done) { completions_ += done ? 1 : 0; });
        EXPECT_FALSE(client_->readLine(std::chrono::milliseconds(100)));
        for (int i = 0; i < replies; ++i) server_.biasArray()->addObject({fdn::Value(i)});
        server_.setBiasCount(replies);
        expectTableSent();
    }
    EXPECT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return completions_ == 2; }, 50));
}

TEST_F(CalibrationServerTest, WithoutRepliesTheBiasWaitLastsUntilTheGlassesAreGone) {
    Calibration::sendBiasTable([this](bool) { ++completions_; });
    EXPECT_FALSE(client_->readLine(std::chrono::milliseconds(200)));  // 10 s of clock time
    EXPECT_EQ(completions_, 0);
    AppDelegate::shared().glassStatus = false;
    EXPECT_TRUE(client_->readLine());
    EXPECT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return completions_ == 1; }, 50));
}

}  // namespace
