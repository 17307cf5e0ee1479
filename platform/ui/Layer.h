#pragma once
// A layer of the drawing tree: geometry (bounds, position, anchor point, transform),
// looks (background colour, corner radius, border, opacity, hidden, contents image),
// sublayers, and animations of its properties that advance with Clock::current() on the
// main loop (see AnimationEngine). Setting an animatable property of a layer that is not
// a view's own layer runs an implicit animation: the layer's actions table entry for the
// key when there is one (a null entry means none), else a 0.25 s ease-in-ease-out
// animation; a transaction with actions disabled suppresses it. Main thread only.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Animation.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"

namespace platform::ui {

class GraphicsContext;
class Layer;
using LayerPtr = std::shared_ptr<Layer>;

// The values a layer shows at one moment: the model values with running animations applied.
struct LayerAppearance {
    Rect bounds;
    Point position;
    Point anchorPoint{0.5, 0.5};
    AffineTransform transform;
    double opacity = 1.0;
    std::optional<Color> backgroundColor;
    double cornerRadius = 0;
};

class Layer : public std::enable_shared_from_this<Layer> {
  public:
    static LayerPtr make() { return std::make_shared<Layer>(); }
    Layer() = default;
    virtual ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // The media time: seconds of Clock::current().
    static double currentMediaTime();
    // Layers share one time base: conversion between layers keeps the time as it is.
    double convertTime(double time, const Layer* /*from*/) const { return time; }

    const Rect& bounds() const { return model_.bounds; }
    virtual void setBounds(const Rect& bounds);
    const Point& position() const { return model_.position; }
    void setPosition(Point position);
    const Point& anchorPoint() const { return model_.anchorPoint; }
    void setAnchorPoint(Point anchor);
    // The bounds placed by position and anchor point (ignoring the transform).
    Rect frame() const;
    void setFrame(const Rect& frame);
    const AffineTransform& transform() const { return model_.transform; }
    void setTransform(const AffineTransform& transform);
    double opacity() const { return model_.opacity; }
    void setOpacity(double opacity);
    const std::optional<Color>& backgroundColor() const { return model_.backgroundColor; }
    void setBackgroundColor(std::optional<Color> color);
    double cornerRadius() const { return model_.cornerRadius; }
    void setCornerRadius(double radius);

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks) { masksToBounds_ = masks; }
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width) { borderWidth_ = width; }
    const std::optional<Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<Color> color) { borderColor_ = color; }
    double contentsScale() const { return contentsScale_; }
    void setContentsScale(double scale) { contentsScale_ = scale; }
    const ImagePtr& contents() const { return contents_; }
    void setContents(ImagePtr image) { contents_ = std::move(image); }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // Tree.
    void addSublayer(const LayerPtr& layer);
    void insertSublayer(const LayerPtr& layer, size_t index);
    void removeFromSuperlayer();
    const std::vector<LayerPtr>& sublayers() const { return sublayers_; }
    Layer* superlayer() const { return superlayer_; }

    // Drawing: what the layer paints over its background, in its own bounds space.
    virtual void drawInContext(GraphicsContext& context);
    void setNeedsDisplay() { needsDisplay_ = true; }
    bool needsDisplay() const { return needsDisplay_; }
    void clearNeedsDisplay() { needsDisplay_ = false; }

    // Implicit actions.
    using ActionTable = std::map<std::string, AnimationPtr>;
    const ActionTable& actions() const { return actions_; }
    void setActions(ActionTable actions) { actions_ = std::move(actions); }
    // A view's own layer runs no implicit animations.
    bool isViewLayer() const { return viewLayer_; }
    void setViewLayer(bool viewLayer) { viewLayer_ = viewLayer; }

    // Explicit animations, by key; an animation added under a key in use replaces the old
    // one (which stops, not finished). Only a layer owned by a shared pointer animates.
    void addAnimation(const AnimationPtr& animation, const std::string& key);
    void removeAnimation(const std::string& key);
    void removeAllAnimations();
    AnimationPtr animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;
    bool hasAnimations() const { return !animations_.empty(); }
    // Animations that still have a start or stop event to come.
    bool hasRunningAnimations() const;

    // Model values by key path; false / none for an unknown key or a value of a wrong kind.
    std::optional<AnimatableValue> valueForKeyPath(const std::string& keyPath) const;
    bool setValueForKeyPath(const std::string& keyPath, const AnimatableValue& value);

    // What the layer shows at the engine's current time.
    LayerAppearance presentation() const;
    std::optional<AnimatableValue> presentationValue(const std::string& keyPath) const;

    // Runs start and stop events of the animations due at `now` (media time); answers
    // whether animations remain. Called by the AnimationEngine.
    bool advanceAnimations(double now);

  private:
    struct Running {
        std::string key;
        AnimationPtr animation;  // the layer's own copy
        double begin = 0;
        AnimatableValue from;
        bool started = false;
        bool finished = false;
    };

    void changed(const std::string& keyPath, const AnimatableValue& oldValue);
    std::optional<AnimatableValue> animatedValue(const Running& running, double now) const;
    void applyPresentation(LayerAppearance& appearance, const std::string& keyPath,
                           const AnimatableValue& value) const;
    static bool setOn(LayerAppearance& appearance, const std::string& keyPath,
                      const AnimatableValue& value);
    static std::optional<AnimatableValue> getFrom(const LayerAppearance& appearance,
                                                  const std::string& keyPath);

    LayerAppearance model_;
    bool hidden_ = false;
    bool masksToBounds_ = false;
    double borderWidth_ = 0;
    std::optional<Color> borderColor_;
    double contentsScale_ = 1.0;
    ImagePtr contents_;
    std::string name_;
    bool needsDisplay_ = false;
    bool viewLayer_ = false;
    ActionTable actions_;
    std::vector<LayerPtr> sublayers_;
    Layer* superlayer_ = nullptr;
    std::vector<Running> animations_;
};

}  // namespace platform::ui
