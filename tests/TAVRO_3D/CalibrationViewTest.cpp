// The temperature-drift calibration screen: the hover looks, the close rules,
// the reset with its message, and the bias wait that ends when the table is complete (or
// more than complete) or the glasses are gone.
#include <chrono>

#include "PanelFixture.h"
#include "TAVRO_3D/TavroTemperatureDriftCalibrationView.h"
#include "TAVRO_3D/Toast/ToastView.h"
#include "TAVRO_3D/Widgets/ColorFromHex.h"
#include "localnet/TavroLocalServer.h"
#include "tests/support/LoopbackClient.h"

namespace {

using namespace panel_fixture;
using Calibration = TavroTemperatureDriftCalibrationView;

class CalibrationViewTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        host_ = std::make_shared<ui::View>(ui::Rect{0, 0, 420, 620});
        window_ = ui::Window::make({100, 100, 420, 620}, ui::WindowStyleTitled);
        window_->setContentView(host_);
        window_->makeKeyAndOrderFront();
        view_ = Calibration::fromDescription();
        ASSERT_TRUE(view_);
        host_->addSubview(view_);
    }
    void TearDown() override {
        view_.reset();
        PanelFixture::TearDown();
    }
    // Sends a mouse event at a point of the content box.
    void mouseInContent(ui::EventType type, ui::Point inContent) {
        send(type, inWindow(*view_->contentBgView.lock(), inContent));
    }
    static ui::Point centreOf(const ui::View& view) {
        const ui::Rect f = view.frame();
        return {f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
    }
    bool isShown() const { return view_->superview() == host_.get(); }

    std::shared_ptr<ui::View> host_;
    std::shared_ptr<Calibration> view_;
};

TEST_F(CalibrationViewTest, HoverLooksFollowTheMouse) {
    auto reset = view_->resetButton.lock();
    auto close = view_->closeButton.lock();
    mouseInContent(ui::EventType::MouseMoved, centreOf(*reset));
    EXPECT_EQ(reset->layer().backgroundColor(), initWithHexString("#018DFF"));
    EXPECT_EQ(close->image()->name(), "close");
    mouseInContent(ui::EventType::MouseMoved, centreOf(*close));
    EXPECT_EQ(reset->layer().backgroundColor(), initWithHexString("#FFFFFF"));
    EXPECT_EQ(close->image()->name(), "close_hover");
    mouseInContent(ui::EventType::MouseMoved, {5, 5});
    EXPECT_EQ(close->image()->name(), "close");
    // Events of another window leave the looks alone.
    mouseInContent(ui::EventType::MouseMoved, centreOf(*reset));
    auto other = ui::Window::make({0, 0, 100, 100}, ui::WindowStyleTitled);
    ui::Application::shared().sendEvent(ui::Event::mouse(ui::EventType::MouseMoved, {5, 5}, other));
    EXPECT_EQ(reset->layer().backgroundColor(), initWithHexString("#018DFF"));
}

TEST_F(CalibrationViewTest, AClickOutsideTheBoxClosesOnlyWhileTheSuccessBoxShows) {
    int callbacks = 0;
    view_->closeCallBack = [&] { ++callbacks; };
    const ui::Point outside{10, 10};
    send(ui::EventType::LeftMouseUp, outside);
    EXPECT_TRUE(isShown());
    view_->successBgView.lock()->setHidden(false);
    mouseInContent(ui::EventType::LeftMouseUp, {20, 20});  // inside the box
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

TEST_F(CalibrationViewTest,
       ResetWithoutGlassesSendsTheTableAtOnceAndShowsItsMessageOnTheViewThatStays) {
    TavroLocalServer& server = TavroLocalServer::shareManager();
    LoopbackClient client(server.port());
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return server.hasClient(); }, 5));
    server.biasArray()->addObject({fdn::Value(1.0)});
    server.setBiasCount(3);
    server.setBiasDict(TavroLocalServer::BiasDict{9997, server.biasArray()});

    view_->resetButton.lock()->performClick();
    EXPECT_FALSE(isShown());
    EXPECT_EQ(server.biasCount(), 0);
    EXPECT_EQ(server.biasArray()->count(), 0u);
    auto line = client.readLine();
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("9997"), std::string::npos);

    // The message arrives on the main queue, after the view has gone: on its host.
    fdn::MainLoop::drain();
    bool toastOnHost = false;
    for (const auto& sub : host_->subviews()) toastOnHost |= sub->className() == "ToastView";
    EXPECT_TRUE(toastOnHost);
    server.setBiasDict(std::nullopt);
    client.close();
    fdn::MainLoop::runUntilSeconds([&] { return !server.hasClient(); }, 5);
}

// The bias wait, with the clock running fast.
class BiasWaitTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        scopedClock_.reset();
        scopedClock_.emplace(std::make_shared<fdn::RealClock>(50.0));
        server_ = &TavroLocalServer::shareManager();
        client_ = std::make_unique<LoopbackClient>(server_->port());
        ASSERT_TRUE(client_->connected());
        ASSERT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return server_->hasClient(); }, 5));
        server_->setBiasDict(TavroLocalServer::BiasDict{9997, server_->biasArray()});
        AppDelegate::shared().glassStatus = true;
    }
    void TearDown() override {
        AppDelegate::shared().glassStatus = false;
        client_.reset();
        // The server takes one client at a time: the next test's must find it free.
        fdn::MainLoop::runUntilSeconds([&] { return !server_->hasClient(); }, 250);
        server_->setBiasDict(std::nullopt);
        PanelFixture::TearDown();
    }
    TavroLocalServer* server_ = nullptr;
    std::unique_ptr<LoopbackClient> client_;
    std::atomic<int> completions_{0};
};

TEST_F(BiasWaitTest, EndsWhenTheCountReachesOrPassesTheTablesSize) {
    for (int replies : {8, 9}) {
        SCOPED_TRACE(replies);
        Calibration::sendBiasTable([this](bool done) { completions_ += done ? 1 : 0; });
        EXPECT_FALSE(client_->readLine(std::chrono::milliseconds(100)));
        for (int i = 0; i < replies; ++i) server_->biasArray()->addObject({fdn::Value(i)});
        server_->setBiasCount(replies);
        auto line = client_->readLine();
        ASSERT_TRUE(line);
        EXPECT_NE(line->find("9997"), std::string::npos);
    }
    EXPECT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return completions_ == 2; }, 50));
}

TEST_F(BiasWaitTest, WithoutRepliesItWaitsUntilTheGlassesAreGone) {
    Calibration::sendBiasTable([this](bool) { ++completions_; });
    EXPECT_FALSE(client_->readLine(std::chrono::milliseconds(200)));  // 10 s of clock time
    EXPECT_EQ(completions_, 0);
    AppDelegate::shared().glassStatus = false;
    EXPECT_TRUE(client_->readLine());
    EXPECT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return completions_ == 1; }, 50));
}

}  // namespace
