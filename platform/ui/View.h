#pragma once
// A view of the retained view tree: a rectangle in its superview (frame) with its own
// coordinate space (bounds; y-up from the bottom-left corner unless the view is flipped),
// hidden and alpha, subviews, a layer that carries its looks and animations, tracking
// areas, gesture recognisers, drawing, hit testing and coordinate conversion between
// views, windows and screens. Views are held by shared pointers: a superview owns its
// subviews; a view knows its superview and window without owning them. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Event.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Layer.h"
#include "platform/ui/TrackingArea.h"
#include "platform/ui/UiObject.h"

namespace platform::ui {

class GraphicsContext;
class LayoutConstraint;
class Window;
class View;
using ViewPtr = std::shared_ptr<View>;

enum AutoresizingMask : unsigned {
    ViewNotSizable = 0,
    ViewMinXMargin = 1,
    ViewWidthSizable = 2,
    ViewMaxXMargin = 4,
    ViewMinYMargin = 8,
    ViewHeightSizable = 16,
    ViewMaxYMargin = 32,
};

class View : public UiObject {
  public:
    explicit View(Rect frame = {});
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    template <class T = View, class... Args>
    static std::shared_ptr<T> create(Args&&... args) {
        return std::make_shared<T>(std::forward<Args>(args)...);
    }
    // Null for a view that no shared pointer owns.
    ViewPtr sharedView() { return std::static_pointer_cast<View>(weak_from_this().lock()); }
    virtual std::string className() const { return "View"; }

    // Geometry.
    const Rect& frame() const { return frame_; }
    virtual void setFrame(const Rect& frame);
    void setFrameOrigin(Point origin) { setFrame({origin, frame_.size}); }
    void setFrameSize(Size size) { setFrame({frame_.origin, size}); }
    const Rect& bounds() const { return bounds_; }
    void setBoundsOrigin(Point origin) {
        bounds_.origin = origin;
        setNeedsDisplay();
    }
    virtual bool isFlipped() const { return flipped_; }
    void setFlipped(bool flipped) { flipped_ = flipped; }
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }

    // Looks.
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    bool isHiddenOrHasHiddenAncestor() const;
    double alphaValue() const { return layer_->opacity(); }
    void setAlphaValue(double alpha) { layer_->setOpacity(alpha); }
    bool wantsLayer() const { return wantsLayer_; }
    void setWantsLayer(bool wants) { wantsLayer_ = wants; }
    // Every view has its layer; wantsLayer only records that the view asked for one.
    Layer& layer() const { return *layer_; }
    const LayerPtr& layerPtr() const { return layer_; }
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string identifier) { identifier_ = std::move(identifier); }
    virtual int tag() const { return -1; }

    // Tree.
    void addSubview(const ViewPtr& view);
    void insertSubview(const ViewPtr& view, size_t index);
    void removeFromSuperview();
    const std::vector<ViewPtr>& subviews() const { return subviews_; }
    View* superview() const { return superview_; }
    Window* window() const { return window_; }
    bool isDescendantOf(const View* view) const;
    // The first view in this subtree (this view included) whose identifier is `identifier`.
    View* viewWithIdentifier(const std::string& identifier);

    // Hooks.
    virtual void viewWillMoveToSuperview(View* /*newSuperview*/) {}
    virtual void viewDidMoveToSuperview() {}
    virtual void viewDidMoveToWindow() {}
    // After a view description has made the view and bound every outlet and action.
    virtual void awakeFromDescription() {}
    virtual void layout() {}
    // The view's bounds changed size: lays subviews out by their autoresizing masks.
    virtual void resizeSubviews(Size oldSize);

    // Drawing, in the view's bounds coordinates.
    virtual void drawRect(const Rect& dirtyRect, GraphicsContext& context);
    void setNeedsDisplay(bool needs = true) { needsDisplay_ = needs; }
    bool needsDisplay() const { return needsDisplay_; }

    // The deepest visible view under `point` (in the superview's coordinates), or null.
    virtual View* hitTest(Point pointInSuperview);
    bool mouseInRect(Point point, const Rect& rect) const {
        return platform::ui::mouseInRect(point, rect, isFlipped());
    }

    // Conversion; a null view means the window's base coordinates.
    Point convertPointToView(Point point, const View* view) const;
    Point convertPointFromView(Point point, const View* view) const;
    Rect convertRectToView(const Rect& rect, const View* view) const;
    Rect convertRectFromView(const Rect& rect, const View* view) const;
    // Through the window to screen coordinates (window base coordinates without a window).
    Point convertPointToScreen(Point point) const;
    Point convertPointFromScreen(Point point) const;

    // Tracking areas.
    void addTrackingArea(const TrackingAreaPtr& area);
    void removeTrackingArea(const TrackingAreaPtr& area);
    const std::vector<TrackingAreaPtr>& trackingAreas() const { return trackingAreas_; }
    virtual void updateTrackingAreas() {}

    // Gesture recognisers.
    void addGestureRecognizer(const GestureRecognizerPtr& recognizer);
    void removeGestureRecognizer(const GestureRecognizerPtr& recognizer);
    const std::vector<GestureRecognizerPtr>& gestureRecognizers() const { return recognizers_; }

    // Events; by default a view hands mouse and key events on to its superview.
    virtual void mouseDown(const Event& event);
    virtual void mouseUp(const Event& event);
    virtual void mouseDragged(const Event& event);
    virtual void rightMouseDown(const Event& event);
    virtual void rightMouseUp(const Event& event);
    virtual void mouseMoved(const Event& event);
    virtual void mouseEntered(const Event& /*event*/) {}
    virtual void mouseExited(const Event& /*event*/) {}
    virtual void keyDown(const Event& event);
    virtual bool acceptsFirstResponder() const { return false; }
    virtual bool becomeFirstResponder() { return true; }
    virtual bool resignFirstResponder() { return true; }

    // Constraints belong to the view they were added to (they place it or its subviews).
    void addConstraint(const std::shared_ptr<LayoutConstraint>& constraint);
    const std::vector<std::shared_ptr<LayoutConstraint>>& constraints() const {
        return constraints_;
    }

    // Used by Window when the view becomes or stops being part of a window.
    void setWindow(Window* window);

  private:
    // One step up or down the tree, in bounds coordinates.
    Point toSuperview(Point point) const;
    Point fromSuperview(Point point) const;
    Point toWindow(Point point) const;
    Point fromWindow(Point point) const;
    void syncLayerGeometry();

    Rect frame_;
    Rect bounds_;
    bool flipped_ = false;
    bool hidden_ = false;
    bool wantsLayer_ = false;
    bool needsDisplay_ = true;
    unsigned autoresizingMask_ = ViewNotSizable;
    std::string identifier_;
    LayerPtr layer_;
    std::vector<ViewPtr> subviews_;
    View* superview_ = nullptr;
    Window* window_ = nullptr;
    std::vector<TrackingAreaPtr> trackingAreas_;
    std::vector<GestureRecognizerPtr> recognizers_;
    std::vector<std::shared_ptr<LayoutConstraint>> constraints_;
};

}  // namespace platform::ui
