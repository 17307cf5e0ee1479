#include "platform/ui/View.h"

#include <algorithm>

#include "platform/foundation/Assert.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/Window.h"

namespace platform::ui {

View::View(Rect frame) : frame_(frame), bounds_({0, 0}, frame.size), layer_(Layer::make()) {
    layer_->setViewLayer(true);
    syncLayerGeometry();
}

View::~View() {
    for (auto& sub : subviews_) sub->superview_ = nullptr;
}

// --- geometry -------------------------------------------------------------------------

void View::setFrame(const Rect& frame) {
    TAVRO_ASSERT_MAIN_THREAD();
    Size oldSize = bounds_.size;
    frame_ = frame;
    bounds_.size = frame.size;
    syncLayerGeometry();
    setNeedsDisplay();
    if (oldSize != frame.size) resizeSubviews(oldSize);
}

void View::syncLayerGeometry() {
    layer_->setBounds({{0, 0}, frame_.size});
    layer_->setPosition({frame_.origin.x + layer_->anchorPoint().x * frame_.size.width,
                         frame_.origin.y + layer_->anchorPoint().y * frame_.size.height});
}

void View::resizeSubviews(Size oldSize) {
    double dw = bounds_.size.width - oldSize.width;
    double dh = bounds_.size.height - oldSize.height;
    for (auto& sub : subviews_) {
        unsigned mask = sub->autoresizingMask_;
        if (mask == ViewNotSizable) continue;
        Rect f = sub->frame_;
        auto share = [](double delta, bool minFlex, bool sizeFlex, bool maxFlex, double& origin,
                        double& size) {
            int parts = int(minFlex) + int(sizeFlex) + int(maxFlex);
            if (parts == 0) return;
            double each = delta / parts;
            if (minFlex) origin += each;
            if (sizeFlex) size += each;
        };
        share(dw, mask & ViewMinXMargin, mask & ViewWidthSizable, mask & ViewMaxXMargin, f.origin.x,
              f.size.width);
        // In a flipped view the top margin is the minimum-y one.
        bool minY = isFlipped() ? (mask & ViewMaxYMargin) : (mask & ViewMinYMargin);
        bool maxY = isFlipped() ? (mask & ViewMinYMargin) : (mask & ViewMaxYMargin);
        share(dh, minY, mask & ViewHeightSizable, maxY, f.origin.y, f.size.height);
        sub->setFrame(f);
    }
}

// --- looks ------------------------------------------------------------------------------

void View::setHidden(bool hidden) {
    TAVRO_ASSERT_MAIN_THREAD();
    hidden_ = hidden;
    layer_->setHidden(hidden);
}

bool View::isHiddenOrHasHiddenAncestor() const {
    for (const View* v = this; v; v = v->superview_) {
        if (v->hidden_) return true;
    }
    return false;
}

void View::drawRect(const Rect&, GraphicsContext&) {}

// --- tree -------------------------------------------------------------------------------

void View::addSubview(const ViewPtr& view) {
    insertSubview(view, subviews_.size());
}

void View::insertSubview(const ViewPtr& view, size_t index) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!view || view.get() == this || isDescendantOf(view.get())) return;
    ViewPtr keep = view;
    if (keep->superview_ == this) {
        // Re-adding moves the view to the front, as the platform does.
        auto& subs = subviews_;
        subs.erase(std::remove(subs.begin(), subs.end(), keep), subs.end());
        subs.insert(subs.begin() + static_cast<ptrdiff_t>(std::min(index, subs.size())), keep);
        return;
    }
    keep->viewWillMoveToSuperview(this);
    keep->removeFromSuperview();
    subviews_.insert(subviews_.begin() + static_cast<ptrdiff_t>(std::min(index, subviews_.size())),
                     keep);
    keep->superview_ = this;
    keep->setWindow(window_);
    keep->viewDidMoveToSuperview();
    setNeedsDisplay();
}

void View::removeFromSuperview() {
    TAVRO_ASSERT_MAIN_THREAD();
    View* parent = superview_;
    if (!parent) return;
    ViewPtr self = sharedView();  // the view may have no other owner than its superview
    viewWillMoveToSuperview(nullptr);
    auto& subs = parent->subviews_;
    subs.erase(std::remove(subs.begin(), subs.end(), self), subs.end());
    superview_ = nullptr;
    if (window_) window_->viewWillLeave(this);
    setWindow(nullptr);
    viewDidMoveToSuperview();
    parent->setNeedsDisplay();
}

void View::setWindow(Window* window) {
    if (window_ == window) return;
    window_ = window;
    for (auto& sub : subviews_) sub->setWindow(window);
    viewDidMoveToWindow();
    updateTrackingAreas();
}

bool View::isDescendantOf(const View* view) const {
    for (const View* v = this; v; v = v->superview_) {
        if (v == view) return true;
    }
    return false;
}

View* View::viewWithIdentifier(const std::string& identifier) {
    if (identifier_ == identifier) return this;
    for (auto& sub : subviews_) {
        if (View* found = sub->viewWithIdentifier(identifier)) return found;
    }
    return nullptr;
}

// --- hit testing and conversion ------------------------------------------------------------

Point View::toSuperview(Point p) const {
    double ux = p.x - bounds_.origin.x;
    double uy =
        isFlipped() ? bounds_.size.height - (p.y - bounds_.origin.y) : p.y - bounds_.origin.y;
    bool superFlipped = superview_ && superview_->isFlipped();
    return {frame_.origin.x + ux,
            superFlipped ? frame_.origin.y + frame_.size.height - uy : frame_.origin.y + uy};
}

Point View::fromSuperview(Point q) const {
    bool superFlipped = superview_ && superview_->isFlipped();
    double ux = q.x - frame_.origin.x;
    double uy = superFlipped ? frame_.origin.y + frame_.size.height - q.y : q.y - frame_.origin.y;
    return {bounds_.origin.x + ux,
            isFlipped() ? bounds_.origin.y + bounds_.size.height - uy : bounds_.origin.y + uy};
}

Point View::toWindow(Point p) const {
    for (const View* v = this; v; v = v->superview_) p = v->toSuperview(p);
    return p;
}

Point View::fromWindow(Point p) const {
    std::vector<const View*> chain;
    for (const View* v = this; v; v = v->superview_) chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = (*it)->fromSuperview(p);
    return p;
}

Point View::convertPointToView(Point point, const View* view) const {
    Point inWindow = toWindow(point);
    return view ? view->fromWindow(inWindow) : inWindow;
}

Point View::convertPointFromView(Point point, const View* view) const {
    Point inWindow = view ? view->toWindow(point) : point;
    return fromWindow(inWindow);
}

namespace {
Rect rectThrough(const Rect& r, const std::function<Point(Point)>& map) {
    Point a = map({r.minX(), r.minY()});
    Point b = map({r.maxX(), r.maxY()});
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
}
}  // namespace

Rect View::convertRectToView(const Rect& rect, const View* view) const {
    return rectThrough(rect, [&](Point p) { return convertPointToView(p, view); });
}

Rect View::convertRectFromView(const Rect& rect, const View* view) const {
    return rectThrough(rect, [&](Point p) { return convertPointFromView(p, view); });
}

Point View::convertPointToScreen(Point point) const {
    Point inWindow = toWindow(point);
    return window_ ? window_->convertPointToScreen(inWindow) : inWindow;
}

Point View::convertPointFromScreen(Point point) const {
    return fromWindow(window_ ? window_->convertPointFromScreen(point) : point);
}

View* View::hitTest(Point pointInSuperview) {
    if (hidden_) return nullptr;
    Point local = fromSuperview(pointInSuperview);
    if (!mouseInRect(local, bounds_)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        if (View* hit = (*it)->hitTest(local)) return hit;
    }
    return this;
}

// --- tracking areas and recognisers -------------------------------------------------------

void View::addTrackingArea(const TrackingAreaPtr& area) {
    if (area) trackingAreas_.push_back(area);
}

void View::removeTrackingArea(const TrackingAreaPtr& area) {
    trackingAreas_.erase(std::remove(trackingAreas_.begin(), trackingAreas_.end(), area),
                         trackingAreas_.end());
}

void View::addGestureRecognizer(const GestureRecognizerPtr& recognizer) {
    if (!TAVRO_ASSERT(recognizer, "a gesture recognizer to add")) return;
    recognizer->attach(sharedView());  // a view no shared pointer owns is never hit anyway
    recognizers_.push_back(recognizer);
}

void View::removeGestureRecognizer(const GestureRecognizerPtr& recognizer) {
    recognizers_.erase(std::remove(recognizers_.begin(), recognizers_.end(), recognizer),
                       recognizers_.end());
}

void View::addConstraint(const std::shared_ptr<LayoutConstraint>& constraint) {
    if (constraint) constraints_.push_back(constraint);
}

// --- events -------------------------------------------------------------------------------

void View::mouseDown(const Event& event) {
    if (superview_) superview_->mouseDown(event);
}
void View::mouseUp(const Event& event) {
    if (superview_) superview_->mouseUp(event);
}
void View::mouseDragged(const Event& event) {
    if (superview_) superview_->mouseDragged(event);
}
void View::rightMouseDown(const Event& event) {
    if (superview_) superview_->rightMouseDown(event);
}
void View::rightMouseUp(const Event& event) {
    if (superview_) superview_->rightMouseUp(event);
}
void View::mouseMoved(const Event& event) {
    if (superview_) superview_->mouseMoved(event);
}
void View::keyDown(const Event& event) {
    if (superview_) superview_->keyDown(event);
}

}  // namespace platform::ui
