#include "widgets/ProgressHUD/ProgressIndicatorLayer.h"

#include <algorithm>
#include <numbers>

#include "platform/ui/Animation.h"
#include "platform/ui/Transaction.h"

using namespace platform::ui;

namespace {
constexpr double kStepSeconds = 0.05;
constexpr double kFadeSeconds = 0.7;
}  // namespace

std::shared_ptr<ProgressIndicatorLayer> ProgressIndicatorLayer::make(const Color& color,
                                                                     double size) {
    auto layer = std::make_shared<ProgressIndicatorLayer>(Passkey{}, color);
    layer->Layer::setBounds({-size / 2, -size / 2, size, size});
    layer->createFins();
    if (layer->isRunning) layer->startSpinning();
    return layer;
}

ProgressIndicatorLayer::ProgressIndicatorLayer(Passkey, const Color& color) : color_(color) {}

ProgressIndicatorLayer::~ProgressIndicatorLayer() {
    stopSpinning();
    for (const LayerPtr& fin : finLayers_) fin->removeFromSuperlayer();
}

void ProgressIndicatorLayer::layoutFin(Layer& fin) const {
    const Rect& b = bounds();
    const double s = std::min(b.width(), b.height());
    fin.setBounds({0, 0, 0.095 * s, 0.3 * s});
    fin.setAnchorPoint({0.5, -0.63});
    fin.setPosition({b.width() / 2, b.height() / 2});
    fin.setCornerRadius(0.0475 * s);
}

void ProgressIndicatorLayer::createFins() {
    for (const LayerPtr& fin : finLayers_) fin->removeFromSuperlayer();
    finLayers_.clear();
    auto fade = Animation::basic("opacity");
    fade->duration = kFadeSeconds;
    // A new fin takes its looks at once; only its opacity changes animate later.
    ScopedTransaction noActions;
    for (long i = 0; i < numFins_; ++i) {
        auto fin = Layer::make();
        layoutFin(*fin);
        fin->setTransform(AffineTransform::rotation(-static_cast<double>(i) * 2 * std::numbers::pi /
                                                    static_cast<double>(numFins_)));
        fin->setBackgroundColor(color_);
        fin->setOpacity(fadeDownOpacity_);
        fin->setActions({{"opacity", fade}});
        addSublayer(fin);
        finLayers_.push_back(fin);
    }
}

void ProgressIndicatorLayer::setBounds(const Rect& newBounds) {
    Layer::setBounds(newBounds);
    ScopedTransaction noActions;
    for (const LayerPtr& fin : finLayers_) layoutFin(*fin);
}

void ProgressIndicatorLayer::startSpinning() {
    if (animationTimer_) animationTimer_->cancel();
    animationTimer_ = platform::foundation::DispatchTimer::make(platform::foundation::mainQueue());
    std::weak_ptr<Layer> weakSelf = weak_from_this();
    animationTimer_->setEventHandler([weakSelf] {
        if (auto self = std::static_pointer_cast<ProgressIndicatorLayer>(weakSelf.lock())) {
            self->advancePosition();
        }
    });
    animationTimer_->setTimer(platform::foundation::Clock::Duration{0},
                              platform::foundation::Clock::fromSeconds(kStepSeconds));
    animationTimer_->resume();
}

void ProgressIndicatorLayer::stopSpinning() {
    isRunning = false;
    if (animationTimer_) animationTimer_->cancel();
    animationTimer_.reset();
    setNeedsDisplay();
}

void ProgressIndicatorLayer::advancePosition() {
    if (finLayers_.empty()) return;
    ++fposition;
    if (fposition >= static_cast<long>(finLayers_.size()) || fposition < 0) fposition = 0;
    const LayerPtr& fin = finLayers_[static_cast<size_t>(fposition)];
    {
        ScopedTransaction noActions;
        fin->setOpacity(1.0);
    }
    fin->setOpacity(fadeDownOpacity_);
    setNeedsDisplay();
}
