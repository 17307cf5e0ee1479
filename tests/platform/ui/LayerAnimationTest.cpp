#include <cmath>
#include <vector>

#include "UiTestSupport.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/AnimationEngine.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Transaction.h"
#include "platform/ui/View.h"

namespace platform::ui {
namespace {

using LayerAnimationTest = testing::UiTest;
using testing::basic;

// Notes starts and stops (finished or cut short) into a log that several delegates share.
struct Recorder : AnimationDelegate {
    explicit Recorder(std::vector<std::string>& log) : events(log) {}
    void animationDidStart(const Animation& a) override { events.push_back("start " + a.keyPath); }
    void animationDidStop(const Animation& a, bool finished) override {
        events.push_back(std::string(finished ? "stop " : "cut ") + a.keyPath);
    }
    std::vector<std::string>& events;
};

double opacityShown(const Layer& layer) {
    return std::get<double>(*layer.presentationValue("opacity"));
}

TEST_F(LayerAnimationTest, BasicAnimationFollowsTheClockExactly) {
    auto layer = Layer::make();
    std::vector<std::string> events;
    auto fade = basic("opacity", 1.0, 0.0, 2.0);
    fade->beginTime = Layer::currentMediaTime() + 1.0;
    fade->delegate = std::make_shared<Recorder>(events);
    layer->addAnimation(fade, "fade");
    fade->duration = 100;  // the layer kept its own copy
    advance(0.5);
    EXPECT_TRUE(events.empty());
    EXPECT_DOUBLE_EQ(opacityShown(*layer), 1.0);  // before the begin time: the model value
    advance(1.0);
    EXPECT_EQ(events, std::vector<std::string>{"start opacity"});
    EXPECT_DOUBLE_EQ(opacityShown(*layer), 0.75);
    advance(1.0);
    EXPECT_DOUBLE_EQ(opacityShown(*layer), 0.25);
    advance(0.5);
    EXPECT_EQ(events, (std::vector<std::string>{"start opacity", "stop opacity"}));
    EXPECT_EQ(layer->animationForKey("fade"), nullptr);  // removed on completion
    EXPECT_DOUBLE_EQ(opacityShown(*layer), 1.0);
    layer->addAnimation(basic("transform.rotation.z", std::nullopt, M_PI, 1.0), "spin");
    advance(0.25);
    EXPECT_NEAR(layer->presentation().transform.rotationAngle(), M_PI / 4, 1e-9);
    // Once nothing runs, the engine stops ticking.
    advance(1.0);
    AnimationEngine::shared().tick();
    EXPECT_EQ(AnimationEngine::shared().trackedCount(), 0u);
}

TEST_F(LayerAnimationTest, ReplacingOrRemovingAnAnimationStopsItUnfinished) {
    auto layer = Layer::make();
    std::vector<std::string> log;
    auto recorder = std::make_shared<Recorder>(log);
    auto a = Animation::basic("opacity");
    a->delegate = recorder;
    layer->addAnimation(a, "k");
    advance(0.1);
    auto b = basic("cornerRadius", std::nullopt, 8.0, 0.25);
    b->delegate = recorder;
    layer->addAnimation(b, "k");
    advance(0.05);
    layer->removeAnimation("k");
    advance(1.0);
    // A finished animation that stayed attached has had its stop; replacing it adds none.
    auto kept = Animation::basic("opacity");
    kept->removedOnCompletion = false;
    kept->delegate = recorder;
    layer->addAnimation(kept, "k");
    advance(1.0);
    layer->addAnimation(Animation::basic("opacity"), "k");
    layer->removeAllAnimations();
    EXPECT_EQ(log, (std::vector<std::string>{"start opacity", "cut opacity", "start cornerRadius",
                                             "cut cornerRadius", "start opacity", "stop opacity"}));
}

TEST_F(LayerAnimationTest, ImplicitActionsUseTheActionsTableAndTransactionsSwitchThemOff) {
    auto parent = Layer::make();
    auto fin = Layer::make();
    parent->addSublayer(fin);
    fin->setActions({{"opacity", basic("opacity", std::nullopt, std::nullopt, 0.7)},
                     {"cornerRadius", nullptr}});
    {
        ScopedTransaction noActions;
        fin->setOpacity(1.0);
        fin->setPosition({5, 5});
    }
    EXPECT_TRUE(fin->animationKeys().empty());
    fin->setOpacity(0.3);  // the table's 0.7 s animation, from the old model value
    EXPECT_DOUBLE_EQ(opacityShown(*fin), 1.0);
    advance(0.35);
    EXPECT_NEAR(opacityShown(*fin), 0.65, 1e-9);
    fin->setCornerRadius(4);  // switched off by a null entry
    EXPECT_EQ(fin->animationForKey("cornerRadius"), nullptr);
    fin->setPosition({10, 10});  // no entry: the default action
    EXPECT_NE(fin->animationForKey("position"), nullptr);
    advance(1.0);
    EXPECT_DOUBLE_EQ(opacityShown(*fin), 0.3);
    // Layers outside a tree and a view's own layer do not animate implicitly.
    auto loose = Layer::make();
    loose->setOpacity(0.5);
    EXPECT_TRUE(loose->animationKeys().empty());
    auto view = View::create(Rect{0, 0, 10, 10});
    view->setAlphaValue(0.5);
    EXPECT_TRUE(view->layer().animationKeys().empty());
    // Outside any transaction the setting lasts until the main loop turns.
    Transaction::setDisableActions(true);
    EXPECT_TRUE(Transaction::disableActions());
    advance(0);
    EXPECT_FALSE(Transaction::disableActions());
}

// A toast-like view: fades from 1 s to 2 s after it is shown; the delegate removes it.
struct RemoveOnStop : AnimationDelegate {
    std::weak_ptr<View> view;
    int stops = 0;
    void animationDidStart(const Animation&) override {
        if (auto v = view.lock()) v->layer().setOpacity(0.0);
    }
    void animationDidStop(const Animation&, bool) override {
        ++stops;
        if (auto v = view.lock()) v->removeFromSuperview();
        view.reset();
    }
};

std::shared_ptr<RemoveOnStop> fadeOut(const ViewPtr& toast) {
    auto delegate = std::make_shared<RemoveOnStop>();
    delegate->view = toast;
    auto fade = basic("opacity", 1.0, 0.0, 1.0);
    fade->beginTime = toast->layer().convertTime(Layer::currentMediaTime(), nullptr) + 1.0;
    fade->removedOnCompletion = false;
    fade->delegate = delegate;
    toast->layer().addAnimation(fade, "hide animation");
    return delegate;
}

// Toasts remove themselves when their fade stops, also after they left the tree, and one
// whose last owner was the tree goes away with its animation.
TEST_F(LayerAnimationTest, FadingViewsAreRemovedWhenTheirAnimationStops) {
    auto host = View::create(Rect{0, 0, 300, 200});
    ViewPtr toasts[3];
    std::shared_ptr<RemoveOnStop> delegates[3];
    std::weak_ptr<View> fading, dropped;
    for (int i = 0; i < 3; ++i) {
        toasts[i] = View::create(Rect{0, 0, 300, 200});
        host->addSubview(toasts[i]);
        delegates[i] = fadeOut(toasts[i]);
    }
    fading = toasts[0];
    dropped = toasts[2];
    toasts[0].reset();
    toasts[2].reset();
    advance(0.5);
    toasts[1]->removeFromSuperview();  // still owned by the test
    dropped.lock()->removeFromSuperview();
    EXPECT_TRUE(dropped.expired());
    advance(1.0);
    EXPECT_DOUBLE_EQ(opacityShown(fading.lock()->layer()), 0.5);
    advance(0.6);
    EXPECT_EQ(delegates[0]->stops, 1);
    EXPECT_TRUE(fading.expired());
    EXPECT_EQ(delegates[1]->stops, 1);  // stops at its time and finds no superview
    EXPECT_EQ(delegates[2]->stops, 0);  // its layer is gone, and so its animation
    EXPECT_TRUE(host->subviews().empty());
}

TEST_F(LayerAnimationTest, AnimationGroupCompletesAfterItsAnimationsEnd) {
    auto view = View::create(Rect{0, 0, 10, 10});
    view->setAlphaValue(0.0);
    bool done = false;
    AnimationContext::runAnimationGroup(
        [&](AnimationContext& context) {
            context.duration = 0.2;
            context.timing = TimingFunction::Linear;
            animator(*view).setAlphaValue(1.0);
        },
        [&] { done = true; });
    EXPECT_DOUBLE_EQ(view->alphaValue(), 1.0);  // the model value changes at once
    advance(0.1);
    EXPECT_DOUBLE_EQ(opacityShown(view->layer()), 0.5);
    EXPECT_FALSE(done);
    advance(0.1);
    advance(0);  // the completion is queued on the main queue when the last one stops
    EXPECT_TRUE(done);
    bool emptyDone = false;
    AnimationContext::runAnimationGroup([](AnimationContext&) {}, [&] { emptyDone = true; });
    EXPECT_FALSE(emptyDone);  // completions run from the main queue
    advance(0);
    EXPECT_TRUE(emptyDone);
}

}  // namespace
}  // namespace platform::ui
