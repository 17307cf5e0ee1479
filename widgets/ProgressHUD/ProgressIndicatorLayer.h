#pragma once
// The progress HUD's spinner: a wheel of 12 fins about the layer's centre (the layer's
// bounds are centred on its origin); while spinning, a main-queue timer lights the next fin
// every 0.05 s and each lit fin fades out over 0.7 s. Made only with its colour and size.
// Main thread only.

#include <memory>
#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/ui/Color.h"
#include "platform/ui/Layer.h"

class ProgressIndicatorLayer : public platform::ui::Layer {
    struct Passkey {};

  public:
    static std::shared_ptr<ProgressIndicatorLayer> make(const platform::ui::Color& color,
                                                        double size);
    ProgressIndicatorLayer(Passkey, const platform::ui::Color& color);
    // Stops the timer and takes the fins away.
    ~ProgressIndicatorLayer() override;

    bool isRunning = false;
    long fposition = 0;

    const platform::ui::Color& color() const { return color_; }
    double fadeDownOpacity() const { return fadeDownOpacity_; }
    long numFins() const { return numFins_; }
    const std::vector<platform::ui::LayerPtr>& finLayers() const { return finLayers_; }
    bool hasTimer() const { return animationTimer_ != nullptr; }

    // (Re)starts the stepping timer; its first step comes at once.
    void startSpinning();
    // Stops stepping: not running, timer cancelled and dropped.
    void stopSpinning();
    void advancePosition();
    void setBounds(const platform::ui::Rect& bounds) override;

  private:
    void createFins();
    void layoutFin(platform::ui::Layer& fin) const;

    platform::ui::Color color_;
    std::shared_ptr<platform::foundation::DispatchTimer> animationTimer_;
    double fadeDownOpacity_ = 0.0;
    long numFins_ = 12;
    std::vector<platform::ui::LayerPtr> finLayers_;
};
