#include "platform/ui/ViewDescription.h"

#include <cmath>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "platform/foundation/Bundle.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/ProgressIndicator.h"
#include "platform/ui/Text.h"
#include "platform/ui/TextField.h"

namespace platform::ui {

namespace fdn = platform::foundation;
using nlohmann::json;

namespace {

std::map<std::string, ViewDescription::Factory>& registry() {
    static std::map<std::string, ViewDescription::Factory> factories;
    return factories;
}

std::optional<Color> parseColor(const json& value) {
    if (value.is_array() && (value.size() == 3 || value.size() == 4)) {
        double c[4] = {0, 0, 0, 1};
        for (size_t i = 0; i < value.size(); ++i) {
            if (!value[i].is_number()) return std::nullopt;
            c[i] = value[i].get<double>();
        }
        return Color::rgb(c[0], c[1], c[2], c[3]);
    }
    if (!value.is_string()) return std::nullopt;
    const std::string text = value.get<std::string>();
    if (!text.starts_with('#')) return std::nullopt;
    return Color::fromHexDigits(std::string_view(text).substr(1));
}

std::optional<TextAlignment> parseAlignment(const std::string& text) {
    static const std::map<std::string, TextAlignment> names = {
        {"left", TextAlignment::Left},
        {"right", TextAlignment::Right},
        {"center", TextAlignment::Center},
        {"justified", TextAlignment::Justified},
        {"natural", TextAlignment::Natural}};
    auto it = names.find(text);
    if (it == names.end()) return std::nullopt;
    return it->second;
}

std::optional<FontWeight> parseWeight(const std::string& text) {
    static const std::map<std::string, FontWeight> names = {{"ultralight", FontWeight::UltraLight},
                                                            {"thin", FontWeight::Thin},
                                                            {"light", FontWeight::Light},
                                                            {"regular", FontWeight::Regular},
                                                            {"medium", FontWeight::Medium},
                                                            {"semibold", FontWeight::Semibold},
                                                            {"bold", FontWeight::Bold},
                                                            {"heavy", FontWeight::Heavy},
                                                            {"black", FontWeight::Black}};
    auto it = names.find(text);
    if (it == names.end()) return std::nullopt;
    return it->second;
}

class Loader;

// One element's properties; remembers which were read so that unknown ones are reported.
class Props {
  public:
    Props(const json& node, std::string path, Loader& loader)
        : node_(node), path_(std::move(path)), loader_(loader) {}
    const std::string& path() const { return path_; }
    bool has(const std::string& key) {
        used_.insert(key);
        return node_.contains(key);
    }
    const json& raw(const std::string& key) {
        used_.insert(key);
        return node_.at(key);
    }
    std::optional<double> number(const std::string& key);
    // A whole number within the range of int.
    std::optional<int> integer(const std::string& key);
    std::optional<bool> boolean(const std::string& key);
    std::optional<std::string> text(const std::string& key);
    std::optional<Rect> rect(const std::string& key);
    std::optional<Color> color(const std::string& key);
    std::optional<Font> font(const std::string& key);
    std::optional<TextAlignment> alignment(const std::string& key);
    // Reports every property that no reader asked for.
    void finish();

  private:
    bool wrong(const std::string& key, const char* expected);
    const json& node_;
    std::string path_;
    Loader& loader_;
    std::set<std::string> used_;
};

class Loader {
  public:
    Loader(std::string name, DescriptionOwner* owner) : name_(std::move(name)), owner_(owner) {}

    bool fail(const std::string& path, const std::string& message) {
        if (error_.empty())
            error_ =
                "view description " + name_ + ": " + (path.empty() ? "" : path + ": ") + message;
        return false;
    }
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

    static constexpr int kMaxDepth = 64;
    ViewPtr build(const json& node, const std::string& path, const ViewPtr& existing,
                  int depth = 0);
    bool finish();

  private:
    ViewPtr make(Props& props, const ViewPtr& existing);
    void applyView(View& view, Props& props);
    void applyControl(Control& control, Props& props);
    void applyButton(Button& button, Props& props);
    void applyTextField(TextField& field, Props& props);
    void applyText(Text& text, Props& props);
    void applyImageView(ImageView& view, Props& props);
    void applyProgress(ProgressIndicator& progress, Props& props);
    ImagePtr image(Props& props, const std::string& key);
    void bindOutlet(Props& props, const std::shared_ptr<UiObject>& object);
    const DescriptionOwner::Action* action(Props& props);
    void addRecognizers(View& view, Props& props);
    void addConstraints(const ViewPtr& view, Props& props);

    std::string name_;
    DescriptionOwner* owner_;
    std::string error_;
    std::set<std::string> bound_;
    std::vector<LayoutConstraintPtr> constraints_;
    std::vector<ViewPtr> created_;
};

bool Props::wrong(const std::string& key, const char* expected) {
    return loader_.fail(path_, "property '" + key + "' must be " + expected);
}

std::optional<double> Props::number(const std::string& key) {
    if (!has(key)) return std::nullopt;
    const json& v = node_.at(key);
    if (!v.is_number()) return wrong(key, "a number"), std::nullopt;
    return v.get<double>();
}

std::optional<int> Props::integer(const std::string& key) {
    auto value = number(key);
    if (!value) return std::nullopt;
    if (*value != std::floor(*value) || *value < -2147483648.0 || *value > 2147483647.0) {
        return wrong(key, "a whole number"), std::nullopt;
    }
    return static_cast<int>(*value);
}

std::optional<bool> Props::boolean(const std::string& key) {
    if (!has(key)) return std::nullopt;
    const json& v = node_.at(key);
    if (!v.is_boolean()) return wrong(key, "true or false"), std::nullopt;
    return v.get<bool>();
}

std::optional<std::string> Props::text(const std::string& key) {
    if (!has(key)) return std::nullopt;
    const json& v = node_.at(key);
    if (!v.is_string()) return wrong(key, "a text"), std::nullopt;
    return v.get<std::string>();
}

std::optional<Rect> Props::rect(const std::string& key) {
    if (!has(key)) return std::nullopt;
    const json& v = node_.at(key);
    if (!v.is_array() || v.size() != 4 || !v[0].is_number() || !v[1].is_number() ||
        !v[2].is_number() || !v[3].is_number() || v[2].get<double>() < 0 ||
        v[3].get<double>() < 0) {
        return wrong(key, "[x, y, width, height] with a width and height not below 0"),
               std::nullopt;
    }
    return Rect{v[0].get<double>(), v[1].get<double>(), v[2].get<double>(), v[3].get<double>()};
}

std::optional<Color> Props::color(const std::string& key) {
    if (!has(key)) return std::nullopt;
    auto color = parseColor(node_.at(key));
    if (!color)
        return wrong(key, "a colour (\"#RRGGBB\", \"#RRGGBBAA\" or [r, g, b, a])"), std::nullopt;
    return color;
}

std::optional<Font> Props::font(const std::string& key) {
    if (!has(key)) return std::nullopt;
    const json& v = node_.at(key);
    const char* expected = "{\"size\": number, \"weight\": text}";
    if (!v.is_object() || !v.contains("size") || !v["size"].is_number() ||
        v["size"].get<double>() <= 0) {
        return wrong(key, expected), std::nullopt;
    }
    Font font = Font::systemFont(v["size"].get<double>());
    for (const auto& [member, value] : v.items()) {
        if (member == "size") continue;
        if (member != "weight" || !value.is_string()) return wrong(key, expected), std::nullopt;
        auto weight = parseWeight(value.get<std::string>());
        if (!weight) return wrong(key, "a font with a known weight"), std::nullopt;
        font.weight = *weight;
    }
    return font;
}

std::optional<TextAlignment> Props::alignment(const std::string& key) {
    auto name = text(key);
    if (!name) return std::nullopt;
    auto alignment = parseAlignment(*name);
    if (!alignment) return wrong(key, "left, right, center, justified or natural"), std::nullopt;
    return alignment;
}

void Props::finish() {
    for (const auto& [key, value] : node_.items()) {
        if (!used_.count(key)) {
            loader_.fail(path_, "unknown property '" + key + "'");
            return;
        }
    }
}

ViewPtr Loader::make(Props& props, const ViewPtr& existing) {
    auto className = props.text("class");
    if (existing) {
        if (className && *className != existing->className()) {
            fail(props.path(),
                 "describes a " + *className + " but the view is a " + existing->className());
            return nullptr;
        }
        return existing;
    }
    if (!className) {
        fail(props.path(), "property 'class' is missing");
        return nullptr;
    }
    const std::string& c = *className;
    if (c == "View") return std::make_shared<View>();
    if (c == "Button") return std::make_shared<Button>();
    if (c == "TextField") return std::make_shared<TextField>();
    if (c == "Label") return TextField::label("");
    if (c == "Text") return std::make_shared<Text>();
    if (c == "ImageView") return std::make_shared<ImageView>();
    if (c == "ProgressIndicator") return std::make_shared<ProgressIndicator>();
    if (auto it = registry().find(c); it != registry().end()) {
        if (auto view = it->second()) return view;
        fail(props.path(), "class '" + c + "' made no view");
        return nullptr;
    }
    fail(props.path(), "unknown class '" + c + "'");
    return nullptr;
}

ImagePtr Loader::image(Props& props, const std::string& key) {
    auto name = props.text(key);
    if (!name) return nullptr;
    auto found = Image::named(*name);
    if (!found) fail(props.path(), "image '" + *name + "' is not in the bundle");
    return found;
}

void Loader::applyView(View& view, Props& props) {
    if (auto frame = props.rect("frame")) view.setFrame(*frame);
    if (auto identifier = props.text("identifier")) view.setIdentifier(*identifier);
    if (auto hidden = props.boolean("hidden")) view.setHidden(*hidden);
    if (auto alpha = props.number("alpha")) view.setAlphaValue(std::clamp(*alpha, 0.0, 1.0));
    if (auto flipped = props.boolean("flipped")) view.setFlipped(*flipped);
    if (auto wants = props.boolean("wantsLayer")) view.setWantsLayer(*wants);
    if (auto mask = props.integer("autoresizingMask")) {
        if (*mask < 0 || *mask > 63)
            fail(props.path(), "property 'autoresizingMask' must be 0 to 63");
        else
            view.setAutoresizingMask(static_cast<unsigned>(*mask));
    }
    if (props.has("layer")) {
        const json& l = props.raw("layer");
        if (!l.is_object()) {
            fail(props.path(), "property 'layer' must be an object");
            return;
        }
        Props layer(l, props.path() + ".layer", *this);
        view.setWantsLayer(true);
        if (auto color = layer.color("backgroundColor")) view.layer().setBackgroundColor(*color);
        if (auto radius = layer.number("cornerRadius")) view.layer().setCornerRadius(*radius);
        if (auto width = layer.number("borderWidth")) view.layer().setBorderWidth(*width);
        if (auto color = layer.color("borderColor")) view.layer().setBorderColor(*color);
        if (auto masks = layer.boolean("masksToBounds")) view.layer().setMasksToBounds(*masks);
        layer.finish();
    }
}

const DescriptionOwner::Action* Loader::action(Props& props) {
    auto name = props.text("action");
    if (!name) return nullptr;
    const DescriptionOwner::Action* found = owner_ ? owner_->actionNamed(*name) : nullptr;
    if (!found) {
        fail(props.path(), "action '" + *name + "' is not an action of " +
                               (owner_ ? owner_->ownerName() : "any owner"));
    }
    return found;
}

void Loader::applyControl(Control& control, Props& props) {
    if (auto tag = props.integer("tag")) control.setTag(*tag);
    if (auto enabled = props.boolean("enabled")) control.setEnabled(*enabled);
    if (auto font = props.font("font")) control.setFont(*font);
    if (auto alignment = props.alignment("alignment")) control.setAlignment(*alignment);
    if (const auto* found = action(props)) {
        DescriptionOwner::Action fn = *found;
        control.setAction([fn](Control& sender) { fn(sender); });
    }
}

void Loader::applyButton(Button& button, Props& props) {
    if (auto title = props.text("title")) button.setTitle(fdn::localizedString(*title));
    if (props.has("image")) button.setImage(image(props, "image"));
    if (props.has("alternateImage")) button.setAlternateImage(image(props, "alternateImage"));
    if (auto bordered = props.boolean("bordered")) button.setBordered(*bordered);
    if (auto state = props.integer("state")) button.setState(*state);
    if (auto tint = props.color("contentTintColor")) button.setContentTintColor(*tint);
    if (auto type = props.text("buttonType")) {
        static const std::map<std::string, ButtonType> types = {
            {"momentaryPushIn", ButtonType::MomentaryPushIn},
            {"pushOnPushOff", ButtonType::PushOnPushOff},
            {"toggle", ButtonType::Toggle},
            {"switch", ButtonType::Switch},
            {"radio", ButtonType::Radio},
            {"momentaryChange", ButtonType::MomentaryChange}};
        auto it = types.find(*type);
        if (it == types.end())
            fail(props.path(), "unknown buttonType '" + *type + "'");
        else
            button.setButtonType(it->second);
    }
}

void Loader::applyTextField(TextField& field, Props& props) {
    if (auto text = props.text("text")) field.setStringValue(fdn::localizedString(*text));
    if (auto placeholder = props.text("placeholder"))
        field.setPlaceholderString(fdn::localizedString(*placeholder));
    if (auto color = props.color("textColor")) field.setTextColor(*color);
    if (auto color = props.color("backgroundColor")) field.setBackgroundColor(*color);
    if (auto draws = props.boolean("drawsBackground")) field.setDrawsBackground(*draws);
    if (auto editable = props.boolean("editable")) field.setEditable(*editable);
    if (auto selectable = props.boolean("selectable")) field.setSelectable(*selectable);
    if (auto bordered = props.boolean("bordered")) field.setBordered(*bordered);
}

void Loader::applyText(Text& text, Props& props) {
    if (auto value = props.text("text")) text.setString(fdn::localizedString(*value));
    if (auto font = props.font("font")) text.setFont(*font);
    if (auto color = props.color("textColor")) text.setTextColor(*color);
    if (auto color = props.color("backgroundColor")) text.setBackgroundColor(*color);
    if (auto draws = props.boolean("drawsBackground")) text.setDrawsBackground(*draws);
    if (auto alignment = props.alignment("alignment")) text.setAlignment(*alignment);
}

void Loader::applyImageView(ImageView& view, Props& props) {
    if (props.has("image")) view.setImage(image(props, "image"));
    if (auto scaling = props.text("imageScaling")) {
        static const std::map<std::string, ImageScaling> names = {
            {"proportionallyDown", ImageScaling::ProportionallyDown},
            {"axesIndependently", ImageScaling::AxesIndependently},
            {"none", ImageScaling::None},
            {"proportionallyUpOrDown", ImageScaling::ProportionallyUpOrDown}};
        auto it = names.find(*scaling);
        if (it == names.end())
            fail(props.path(), "unknown imageScaling '" + *scaling + "'");
        else
            view.setImageScaling(it->second);
    }
}

void Loader::applyProgress(ProgressIndicator& progress, Props& props) {
    if (auto style = props.text("style")) {
        if (*style == "bar")
            progress.setStyle(ProgressIndicatorStyle::Bar);
        else if (*style == "spinning")
            progress.setStyle(ProgressIndicatorStyle::Spinning);
        else
            fail(props.path(), "property 'style' must be bar or spinning");
    }
    if (auto indeterminate = props.boolean("indeterminate"))
        progress.setIndeterminate(*indeterminate);
    if (auto min = props.number("minValue")) progress.setMinValue(*min);
    if (auto max = props.number("maxValue")) progress.setMaxValue(*max);
    if (auto value = props.number("value")) progress.setDoubleValue(*value);
}

void Loader::bindOutlet(Props& props, const std::shared_ptr<UiObject>& object) {
    auto name = props.text("outlet");
    if (!name) return;
    if (!owner_) {
        fail(props.path(), "outlet '" + *name + "' has no owner to bind to");
        return;
    }
    if (!owner_->hasOutlet(*name)) {
        fail(props.path(), "outlet '" + *name + "' is not an outlet of " + owner_->ownerName());
        return;
    }
    if (!bound_.insert(*name).second) {
        fail(props.path(), "outlet '" + *name + "' is bound twice");
        return;
    }
    std::string expected;
    if (!owner_->bindOutlet(*name, object, &expected)) {
        fail(props.path(), "outlet '" + *name + "' of " + owner_->ownerName() +
                               " cannot hold this element (" + expected + " expected)");
        return;
    }
    // Scenarios and tests find a view by the outlet that holds it.
    if (auto* view = dynamic_cast<View*>(object.get()); view && view->identifier().empty())
        view->setIdentifier(*name);
}

void Loader::addRecognizers(View& view, Props& props) {
    if (!props.has("gestureRecognizers")) return;
    const json& list = props.raw("gestureRecognizers");
    if (!list.is_array()) {
        fail(props.path(), "property 'gestureRecognizers' must be a list");
        return;
    }
    for (size_t i = 0; i < list.size() && !failed(); ++i) {
        std::string path = props.path() + ".gestureRecognizers[" + std::to_string(i) + "]";
        if (!list[i].is_object()) {
            fail(path, "must be an object");
            return;
        }
        Props r(list[i], path, *this);
        auto className = r.text("class");
        GestureRecognizerPtr recognizer;
        if (className == "ClickGestureRecognizer")
            recognizer = std::make_shared<ClickGestureRecognizer>();
        else if (className == "PanGestureRecognizer")
            recognizer = std::make_shared<PanGestureRecognizer>();
        else {
            fail(path, "unknown gesture recogniser class '" + className.value_or("") + "'");
            return;
        }
        if (auto enabled = r.boolean("enabled")) recognizer->setEnabled(*enabled);
        if (const auto* found = action(r)) {
            DescriptionOwner::Action fn = *found;
            recognizer->setAction([fn](GestureRecognizer& sender) { fn(sender); });
        }
        bindOutlet(r, recognizer);
        r.finish();
        view.addGestureRecognizer(recognizer);
    }
}

void Loader::addConstraints(const ViewPtr& view, Props& props) {
    if (!props.has("constraints")) return;
    const json& list = props.raw("constraints");
    if (!list.is_array()) {
        fail(props.path(), "property 'constraints' must be a list");
        return;
    }
    static const std::map<std::string, LayoutAttribute> attributes = {
        {"leading", LayoutAttribute::Leading}, {"trailing", LayoutAttribute::Trailing},
        {"top", LayoutAttribute::Top},         {"bottom", LayoutAttribute::Bottom},
        {"width", LayoutAttribute::Width},     {"height", LayoutAttribute::Height},
        {"centerX", LayoutAttribute::CenterX}, {"centerY", LayoutAttribute::CenterY}};
    for (size_t i = 0; i < list.size() && !failed(); ++i) {
        std::string path = props.path() + ".constraints[" + std::to_string(i) + "]";
        if (!list[i].is_object()) {
            fail(path, "must be an object");
            return;
        }
        Props c(list[i], path, *this);
        auto attribute = c.text("attribute");
        auto constant = c.number("constant");
        auto it = attribute ? attributes.find(*attribute) : attributes.end();
        if (it == attributes.end() || !constant) {
            fail(path, "needs a known 'attribute' and a 'constant'");
            return;
        }
        auto constraint = std::make_shared<LayoutConstraint>(view, it->second, *constant);
        bindOutlet(c, constraint);
        c.finish();
        view->addConstraint(constraint);
        constraints_.push_back(constraint);
    }
}

ViewPtr Loader::build(const json& node, const std::string& path, const ViewPtr& existing,
                      int depth) {
    if (depth > kMaxDepth) {
        fail(path, "views nest deeper than " + std::to_string(kMaxDepth) + " levels");
        return nullptr;
    }
    if (!node.is_object()) {
        fail(path, "an element must be an object");
        return nullptr;
    }
    Props props(node, path, *this);
    ViewPtr view = make(props, existing);
    if (!view) return nullptr;
    applyView(*view, props);
    if (auto* control = dynamic_cast<Control*>(view.get())) applyControl(*control, props);
    if (auto* button = dynamic_cast<Button*>(view.get())) applyButton(*button, props);
    if (auto* field = dynamic_cast<TextField*>(view.get())) applyTextField(*field, props);
    if (auto* text = dynamic_cast<Text*>(view.get())) applyText(*text, props);
    if (auto* image = dynamic_cast<ImageView*>(view.get())) applyImageView(*image, props);
    if (auto* progress = dynamic_cast<ProgressIndicator*>(view.get()))
        applyProgress(*progress, props);
    bindOutlet(props, view);
    if (props.has("subviews")) {
        const json& subs = props.raw("subviews");
        if (!subs.is_array()) {
            fail(path, "property 'subviews' must be a list");
            return nullptr;
        }
        for (size_t i = 0; i < subs.size() && !failed(); ++i) {
            auto sub =
                build(subs[i], path + ".subviews[" + std::to_string(i) + "]", nullptr, depth + 1);
            if (sub) view->addSubview(sub);
        }
    }
    addRecognizers(*view, props);
    addConstraints(view, props);
    props.finish();
    created_.push_back(view);
    return failed() ? nullptr : view;
}

bool Loader::finish() {
    if (failed()) return false;
    if (owner_) {
        for (const std::string& name : owner_->outletNames()) {
            if (!bound_.count(name))
                return fail(
                    "", "outlet '" + name + "' of " + owner_->ownerName() + " is not connected");
        }
    }
    for (const auto& constraint : constraints_) constraint->apply();
    for (const auto& view : created_) view->awakeFromDescription();
    return true;
}

}  // namespace

void ViewDescription::registerClass(const std::string& className, Factory factory) {
    registry()[className] = std::move(factory);
}

ViewDescription::Result ViewDescription::fromJson(std::string_view text, const std::string& name,
                                                  DescriptionOwner* owner, const ViewPtr& root) {
    json document = json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        return fdn::Error{"UIViewDescriptionErrorDomain", 2,
                          "view description " + name + ": not valid JSON"};
    }
    Loader loader(name, owner);
    ViewPtr view = loader.build(document, "root", root);
    if (!view || !loader.finish())
        return fdn::Error{"UIViewDescriptionErrorDomain", 3, loader.error()};
    return view;
}

ViewDescription::Result ViewDescription::load(const std::string& name, DescriptionOwner* owner,
                                              const ViewPtr& root) {
    auto path = fdn::Bundle::main().pathForResource(name, "json", "ui");
    if (!path) {
        return fdn::Error{
            "UIViewDescriptionErrorDomain", 1,
            "view description " + name + ": ui/" + name + ".json is not in the bundle"};
    }
    std::ifstream file(*path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    if (!file.good() && !file.eof()) {
        return fdn::Error{"UIViewDescriptionErrorDomain", 1,
                          "view description " + name + ": cannot read " + *path};
    }
    return fromJson(content.str(), name, owner, root);
}

}  // namespace platform::ui
