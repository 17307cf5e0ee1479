#include "UiTestSupport.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/ViewDescription.h"

namespace platform::ui {
namespace {

namespace fdn = platform::foundation;

using ViewDescriptionTest = testing::UiTest;
using testing::near;

class OutletTestController : public ViewController {
  public:
    explicit OutletTestController(bool declareExtra = false) {
        declareOutlet("label", &label);
        declareOutlet("button", &button);
        if (declareExtra) declareOutlet("missing", &missing);
        declareAction(
            "go:", [this](UiObject& sender) { senders.push_back(dynamic_cast<Button*>(&sender)); });
    }
    std::string className() const override { return "OutletTestController"; }
    void viewDidLoad() override { ++loads; }
    std::weak_ptr<TextField> label;
    std::weak_ptr<Button> button;
    std::weak_ptr<View> missing;
    std::vector<Button*> senders;
    int loads = 0;
};

TEST_F(ViewDescriptionTest, ControllerLoadsItsViewOnceAndBindsOutletsAndActions) {
    auto controller = std::make_shared<OutletTestController>();
    EXPECT_FALSE(controller->isViewLoaded());
    controller->view();
    controller->view();
    EXPECT_EQ(controller->loads, 1);
    EXPECT_FALSE(controller->loadError().has_value());
    ASSERT_TRUE(controller->label.lock());
    EXPECT_EQ(controller->label.lock()->stringValue(), "Hello");
    EXPECT_FALSE(controller->label.lock()->isEditable());
    auto button = controller->button.lock();
    ASSERT_TRUE(button);
    button->performClick();
    EXPECT_EQ(controller->senders, std::vector<Button*>{button.get()});
    // An owner that declares an outlet the description never connects.
    auto extra = std::make_shared<OutletTestController>(true);
    extra->view();
    ASSERT_TRUE(extra->loadError());
    EXPECT_NE(extra->loadError()->localizedDescription.find(
                  "outlet 'missing' of OutletTestController is not connected"),
              std::string::npos);
    EXPECT_EQ(extra->loads, 1);  // still loads once, with an empty view
    EXPECT_TRUE(extra->view()->subviews().empty());
}

std::string errorOf(const ViewDescription::Result& result) {
    return result ? "" : result.error().localizedDescription;
}

TEST_F(ViewDescriptionTest, BadDescriptionsGiveErrorsNamingTheProblem) {
    struct Case {
        const char* json;
        const char* expected;
        bool owned = false;  // with an OutletTestController as the owner
    };
    const Case cases[] = {
        {R"({"class": "View", "subviews": [{"class": "View", "outlet": "nope"}]})",
         "root.subviews[0]: outlet 'nope' is not an outlet of OutletTestController", true},
        {R"({"class": "View", "subviews": [{"class": "ImageView", "outlet": "label"},
            {"class": "Button", "outlet": "button"}]})",
         "outlet 'label' of OutletTestController cannot hold this element (TextField expected)",
         true},
        {R"({"class": "View", "subviews": [{"class": "Label", "outlet": "label"},
            {"class": "Label", "outlet": "label"}, {"class": "Button", "outlet": "button"}]})",
         "outlet 'label' is bound twice", true},
        {R"({"class": "View", )", "not valid JSON"},
        {R"([1, 2])", "an element must be an object"},
        {R"({"frame": [0, 0, 1, 1]})", "property 'class' is missing"},
        {R"({"class": "Slider"})", "unknown class 'Slider'"},
        {R"({"class": "View", "frme": [0, 0, 1, 1]})", "unknown property 'frme'"},
        {R"({"class": "View", "frame": [0, 0, -1, 1]})", "property 'frame' must be"},
        {R"({"class": "View", "layer": {"backgroundColor": "#12345"}})",
         "root.layer: property 'backgroundColor'"},
        {R"({"class": "Button", "font": {"size": 12, "weight": "fat"}})", "known weight"},
        {R"({"class": "Button", "action": "fly:"})", "action 'fly:' is not an action of any owner"},
        {R"({"class": "ImageView", "image": "no-such-picture"})",
         "image 'no-such-picture' is not in the bundle"},
        {R"({"class": "View", "subviews": [{"class": "View", "subviews": [3]}]})",
         "root.subviews[0].subviews[0]"},
        {R"({"class": "View", "gestureRecognizers": [{"class": "Swipe"}]})",
         "unknown gesture recogniser class"},
        {R"({"class": "View", "constraints": [{"attribute": "diagonal", "constant": 1}]})",
         "known 'attribute'"},
        {R"({"class": "View", "outlet": "x"})", "has no owner"},
        {R"({"class": "Button", "tag": 1.5})", "property 'tag' must be a whole number"},
        {R"({"class": "View", "autoresizingMask": 64})", "must be 0 to 63"}};
    std::string deep = R"({"class": "View"})";
    for (int i = 0; i < 100; ++i) deep = R"({"class": "View", "subviews": [)" + deep + "]}";
    EXPECT_NE(errorOf(ViewDescription::fromJson(deep, "Deep", nullptr)).find("nest deeper than 64"),
              std::string::npos);
    OutletTestController owner;
    for (const Case& c : cases) {
        auto result = ViewDescription::fromJson(c.json, "Broken", c.owned ? &owner : nullptr);
        std::string error = errorOf(result);
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.json << " gave: " << error;
        EXPECT_EQ(error.rfind("view description Broken", 0), 0u) << error;
    }
    EXPECT_NE(errorOf(ViewDescription::load("NoSuchDescription", nullptr))
                  .find("ui/NoSuchDescription.json"),
              std::string::npos);
}

class FlippedListView : public View, public DescriptionOwner {
  public:
    FlippedListView() { declareOutlet("firstRow", &firstRow); }
    std::string className() const override { return "FlippedListView"; }
    std::string ownerName() const override { return className(); }
    void awakeFromDescription() override { awake = true; }
    std::weak_ptr<View> firstRow;
    bool awake = false;
};

TEST_F(ViewDescriptionTest, AViewCanDescribeItselfAndOwnItsOutlets) {
    auto view = View::create<FlippedListView>();
    auto result = ViewDescription::load("FlippedListView", view.get(), view);
    ASSERT_TRUE(result) << errorOf(result);
    EXPECT_EQ(result.value(), view);
    EXPECT_TRUE(view->awake);
    EXPECT_TRUE(view->isFlipped());
    // In the flipped view, the row at y 0 is the top row: its bottom edge is 20 down.
    EXPECT_EQ(view->firstRow.lock()->convertPointToView({0, 0}, nullptr), (Point{0, 80}));
}

class DemoViewController : public ViewController {
  public:
    DemoViewController() {
        declareOutlet("depthView", &depthView);
        declareOutlet("knobView", &knobView);
        declareOutlet("knobLeading", &knobLeading);
        declareOutlet("modeButton", &modeButton);
        const auto noteTag = [this](UiObject& sender) {
            tags.push_back(dynamic_cast<Control&>(sender).tag());
        };
        declareAction("startClicked:", noteTag);
        declareAction("modeClicked:", noteTag);
        declareAction("depthClicked:", [this](UiObject& sender) { gesture(sender); });
        declareAction("depthPanned:", [this](UiObject& sender) { gesture(sender); });
    }
    std::string className() const override { return "DemoViewController"; }
    void gesture(UiObject& sender) {
        auto& recognizer = dynamic_cast<GestureRecognizer&>(sender);
        auto bar = depthView.lock();
        double x = std::clamp(recognizer.locationInView(bar.get()).x, 0.0, bar->frame().size.width);
        states.push_back(recognizer.state());
        knobLeading.lock()->setConstant(x - 12);
    }
    std::weak_ptr<View> depthView;
    std::weak_ptr<ImageView> knobView;
    std::weak_ptr<LayoutConstraint> knobLeading;
    std::weak_ptr<Button> modeButton;
    std::vector<int> tags;
    std::vector<GestureState> states;
};

TEST_F(ViewDescriptionTest, DemoPanelRendersWhatItDescribesAndReactsToClicksAndDrags) {
    auto controller = std::make_shared<DemoViewController>();
    auto window = Window::make({100, 100, 200, 200}, WindowStyleTitled | WindowStyleClosable);
    window->setContentViewController(controller);
    ASSERT_FALSE(controller->loadError().has_value())
        << controller->loadError()->localizedDescription;
    // The window takes the content's size and keeps its top edge.
    EXPECT_EQ(window->frame(), (Rect{100, 300 - 620, 420, 620}));
    EXPECT_EQ(controller->view()->window(), window.get());
    // The constraint placed the knob in the middle of the 262-point bar.
    EXPECT_DOUBLE_EQ(controller->knobView.lock()->frame().origin.x, 119);
    std::string path = std::string(UI_TEST_OUTPUT_DIR) + "/ui-demo.png";
    fdn::Error error;
    ASSERT_TRUE(writeWindowPng(*window, path, 1.0, &error)) << error.localizedDescription;
    auto pixels = PixelBuffer::readPng(path);
    ASSERT_TRUE(pixels);
    ASSERT_EQ(pixels->height, 620);
    auto px = [&](int x, int y) { return pixels->pixelFromBottom(x, y); };
    EXPECT_TRUE(near(px(5, 5), 0xFFECEDEE));     // panel background
    EXPECT_TRUE(near(px(36, 590), 0xFF068EFF));  // the logo picture, upright in the title bar
    // The card: white at 0.6 over the panel colour.
    EXPECT_TRUE(near(px(30, 310), 0xFFF7F8F8, 3));
    // Progress bar: the filled 40 % in the tint.
    EXPECT_TRUE(near(px(40 + 60, 365), 0xFF058FFF, 3));
    // White title text inside the blue button.
    int white = 0;
    for (int x = 130; x < 290; ++x) white += near(px(x, 142), 0xFFFFFFFF, 40);
    EXPECT_GT(white, 5);
    // The panel reacts to clicks and drags.
    window->makeKeyAndOrderFront();
    click(window, {210, 142});
    click(window, {60, 56});
    click(window, {60, 56});
    EXPECT_EQ(controller->tags, (std::vector<int>{7, 1, 1}));
    EXPECT_EQ(controller->modeButton.lock()->state(), StateOff);  // toggled on, then off
    // A click on the bar recognises at once; a drag begins, changes and ends.
    click(window, {40 + 50, 430});
    EXPECT_DOUBLE_EQ(controller->knobView.lock()->frame().origin.x, 50 - 12);
    controller->states.clear();
    send(EventType::LeftMouseDown, window, {40 + 100, 430});
    send(EventType::LeftMouseDragged, window, {40 + 101, 430});  // within the slop
    send(EventType::LeftMouseDragged, window, {40 + 150, 430});
    send(EventType::LeftMouseDragged, window, {40 + 400, 430});  // past the end
    send(EventType::LeftMouseUp, window, {40 + 400, 430});
    EXPECT_EQ(controller->states,
              (std::vector<GestureState>{GestureState::Began, GestureState::Changed,
                                         GestureState::Ended}));
    EXPECT_DOUBLE_EQ(controller->knobView.lock()->frame().origin.x, 262 - 12);
    window->setContentViewController(nullptr);
    EXPECT_EQ(controller->view()->window(), nullptr);
}

}  // namespace
}  // namespace platform::ui
