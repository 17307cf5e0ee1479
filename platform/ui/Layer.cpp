#include "platform/ui/Layer.h"

#include <algorithm>

#include "platform/foundation/Clock.h"
#include "platform/ui/AnimationEngine.h"
#include "platform/ui/Transaction.h"

namespace platform::ui {

namespace fdn = platform::foundation;

Layer::~Layer() {
    for (auto& sub : sublayers_) sub->superlayer_ = nullptr;
}

double Layer::currentMediaTime() {
    return fdn::Clock::toSeconds(fdn::Clock::current().now().time_since_epoch());
}

// --- model values -----------------------------------------------------------------------

bool Layer::setOn(LayerAppearance& a, const std::string& key, const AnimatableValue& value) {
    if (key == "opacity" && std::holds_alternative<double>(value))
        a.opacity = std::get<double>(value);
    else if (key == "cornerRadius" && std::holds_alternative<double>(value))
        a.cornerRadius = std::get<double>(value);
    else if (key == "position" && std::holds_alternative<Point>(value))
        a.position = std::get<Point>(value);
    else if (key == "anchorPoint" && std::holds_alternative<Point>(value))
        a.anchorPoint = std::get<Point>(value);
    else if (key == "bounds" && std::holds_alternative<Rect>(value))
        a.bounds = std::get<Rect>(value);
    else if (key == "bounds.size" && std::holds_alternative<Size>(value))
        a.bounds.size = std::get<Size>(value);
    else if (key == "backgroundColor" && std::holds_alternative<Color>(value))
        a.backgroundColor = std::get<Color>(value);
    else if (key == "transform" && std::holds_alternative<AffineTransform>(value))
        a.transform = std::get<AffineTransform>(value);
    else if ((key == "transform.rotation.z" || key == "transform.rotation") &&
             std::holds_alternative<double>(value))
        a.transform = AffineTransform::rotation(std::get<double>(value));
    else
        return false;
    return true;
}

std::optional<AnimatableValue> Layer::getFrom(const LayerAppearance& a, const std::string& key) {
    if (key == "opacity") return a.opacity;
    if (key == "cornerRadius") return a.cornerRadius;
    if (key == "position") return a.position;
    if (key == "anchorPoint") return a.anchorPoint;
    if (key == "bounds") return a.bounds;
    if (key == "bounds.size") return a.bounds.size;
    if (key == "backgroundColor") return a.backgroundColor.value_or(Color::clearColor());
    if (key == "transform") return a.transform;
    if (key == "transform.rotation.z" || key == "transform.rotation")
        return a.transform.rotationAngle();
    return std::nullopt;
}

std::optional<AnimatableValue> Layer::valueForKeyPath(const std::string& keyPath) const {
    return getFrom(model_, keyPath);
}

bool Layer::setValueForKeyPath(const std::string& keyPath, const AnimatableValue& value) {
    auto old = getFrom(model_, keyPath);
    if (!old || !setOn(model_, keyPath, value)) return false;
    changed(keyPath, *old);
    return true;
}

void Layer::setBounds(const Rect& bounds) {
    setValueForKeyPath("bounds", bounds);
}
void Layer::setPosition(Point position) {
    setValueForKeyPath("position", position);
}
void Layer::setAnchorPoint(Point anchor) {
    setValueForKeyPath("anchorPoint", anchor);
}
void Layer::setTransform(const AffineTransform& transform) {
    setValueForKeyPath("transform", transform);
}
void Layer::setOpacity(double opacity) {
    setValueForKeyPath("opacity", opacity);
}
void Layer::setCornerRadius(double radius) {
    setValueForKeyPath("cornerRadius", radius);
}

void Layer::setBackgroundColor(std::optional<Color> color) {
    if (!color) {
        model_.backgroundColor.reset();
        return;
    }
    setValueForKeyPath("backgroundColor", *color);
}

Rect Layer::frame() const {
    const Rect& b = model_.bounds;
    return {model_.position.x - model_.anchorPoint.x * b.size.width,
            model_.position.y - model_.anchorPoint.y * b.size.height, b.size.width, b.size.height};
}

void Layer::setFrame(const Rect& frame) {
    setBounds({model_.bounds.origin, frame.size});
    setPosition({frame.origin.x + model_.anchorPoint.x * frame.size.width,
                 frame.origin.y + model_.anchorPoint.y * frame.size.height});
}

void Layer::changed(const std::string& keyPath, const AnimatableValue& oldValue) {
    needsDisplay_ = true;
    if (viewLayer_ || Transaction::disableActions()) return;
    // A layer outside any tree has nothing on screen to animate from.
    if (!superlayer_) return;
    AnimationPtr action;
    if (auto it = actions_.find(keyPath); it != actions_.end()) {
        if (!it->second) return;  // the table switches this key's action off
        action = std::make_shared<Animation>(*it->second);
    } else {
        action = Animation::basic(keyPath);
        action->duration = Transaction::animationDuration();
        action->timing = TimingFunction::EaseInEaseOut;
    }
    action->keyPath = keyPath;
    if (!action->fromValue) action->fromValue = oldValue;
    addAnimation(action, keyPath);
}

// --- tree ---------------------------------------------------------------------------------

void Layer::addSublayer(const LayerPtr& layer) {
    insertSublayer(layer, sublayers_.size());
}

void Layer::insertSublayer(const LayerPtr& layer, size_t index) {
    if (!layer || layer.get() == this) return;
    LayerPtr keep = layer;
    keep->removeFromSuperlayer();
    index = std::min(index, sublayers_.size());
    sublayers_.insert(sublayers_.begin() + static_cast<ptrdiff_t>(index), keep);
    keep->superlayer_ = this;
}

void Layer::removeFromSuperlayer() {
    if (!superlayer_) return;
    auto& siblings = superlayer_->sublayers_;
    auto self = weak_from_this().lock();  // keep alive while the superlayer lets go
    superlayer_ = nullptr;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), self), siblings.end());
}

void Layer::drawInContext(GraphicsContext&) {}

// --- animations ---------------------------------------------------------------------------

void Layer::addAnimation(const AnimationPtr& animation, const std::string& key) {
    auto self = weak_from_this().lock();
    // Only layers owned by shared pointers can be ticked by the engine.
    if (!self || !animation || animation->keyPath.empty()) return;
    auto copy = std::make_shared<Animation>(*animation);
    double now = currentMediaTime();
    Running running;
    running.key = key;
    running.animation = copy;
    running.begin = copy->beginTime > 0 ? copy->beginTime : now;
    auto from = copy->fromValue ? copy->fromValue : presentationValue(copy->keyPath);
    if (!from) return;  // not an animatable key
    running.from = *from;
    std::vector<Running> replaced;
    if (!key.empty()) {
        auto it = std::find_if(animations_.begin(), animations_.end(),
                               [&](const Running& r) { return r.key == key; });
        if (it != animations_.end()) {
            replaced.push_back(*it);
            animations_.erase(it);
        }
    }
    animations_.push_back(std::move(running));
    AnimationEngine::shared().track(self);
    for (const Running& old : replaced) {
        // One that already finished (and stayed attached) has had its stop.
        if (old.animation->delegate && !old.finished)
            old.animation->delegate->animationDidStop(*old.animation, false);
    }
}

void Layer::removeAnimation(const std::string& key) {
    auto it = std::find_if(animations_.begin(), animations_.end(),
                           [&](const Running& r) { return r.key == key; });
    if (it == animations_.end()) return;
    Running old = *it;
    animations_.erase(it);
    if (old.animation->delegate && !old.finished)
        old.animation->delegate->animationDidStop(*old.animation, false);
}

void Layer::removeAllAnimations() {
    auto old = std::move(animations_);
    animations_.clear();
    for (const Running& r : old) {
        if (r.animation->delegate && !r.finished)
            r.animation->delegate->animationDidStop(*r.animation, false);
    }
}

AnimationPtr Layer::animationForKey(const std::string& key) const {
    for (const Running& r : animations_) {
        if (r.key == key) return r.animation;
    }
    return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
    std::vector<std::string> keys;
    for (const Running& r : animations_) keys.push_back(r.key);
    return keys;
}

std::optional<AnimatableValue> Layer::animatedValue(const Running& r, double now) const {
    const Animation& a = *r.animation;
    FillMode fill = a.fillMode;
    bool backwards = fill == FillMode::Backwards || fill == FillMode::Both;
    bool forwards = fill == FillMode::Forwards || fill == FillMode::Both;
    double end = r.begin + a.duration;
    if (now < r.begin && !backwards) return std::nullopt;
    if (now >= end && !forwards) return std::nullopt;
    AnimatableValue to = a.toValue ? *a.toValue : getFrom(model_, a.keyPath).value_or(r.from);
    double t = a.duration > 0 ? (now - r.begin) / a.duration : 1.0;
    return interpolate(r.from, to, applyTiming(a.timing, t));
}

void Layer::applyPresentation(LayerAppearance& appearance, const std::string& keyPath,
                              const AnimatableValue& value) const {
    setOn(appearance, keyPath, value);
}

LayerAppearance Layer::presentation() const {
    LayerAppearance shown = model_;
    double now = currentMediaTime();
    for (const Running& r : animations_) {
        if (auto value = animatedValue(r, now))
            applyPresentation(shown, r.animation->keyPath, *value);
    }
    return shown;
}

std::optional<AnimatableValue> Layer::presentationValue(const std::string& keyPath) const {
    return getFrom(presentation(), keyPath);
}

bool Layer::advanceAnimations(double now) {
    auto self = weak_from_this().lock();  // delegates may drop the layer's last owner
    struct Event {
        AnimationPtr animation;
        bool start;
    };
    std::vector<Event> events;
    for (Running& r : animations_) {
        if (!r.started && now >= r.begin) {
            r.started = true;
            events.push_back({r.animation, true});
        }
        if (r.started && !r.finished && now >= r.begin + r.animation->duration) {
            r.finished = true;
            events.push_back({r.animation, false});
            needsDisplay_ = true;
        }
    }
    animations_.erase(std::remove_if(animations_.begin(), animations_.end(),
                                     [](const Running& r) {
                                         return r.finished && r.animation->removedOnCompletion;
                                     }),
                      animations_.end());
    for (const Event& e : events) {
        if (!e.animation->delegate) continue;
        if (e.start)
            e.animation->delegate->animationDidStart(*e.animation);
        else
            e.animation->delegate->animationDidStop(*e.animation, true);
    }
    return hasRunningAnimations();
}

bool Layer::hasRunningAnimations() const {
    // Finished animations that stay attached need no more ticks.
    return std::any_of(animations_.begin(), animations_.end(),
                       [](const Running& r) { return !r.finished; });
}

}  // namespace platform::ui
