#pragma once
// A spinning progress indicator drawn by a layer: indeterminate, a ring of fin layers whose
// highlight steps from fin to fin (advancePosition, run by the animation timer); determinate,
// a ring with a pie for the fraction done. The creator supplies the fins, their colour and
// fade-down opacity and the timer; the layer keeps the fins laid out about its centre.
// Main thread only.

#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/ui/Layer.h"

class SpinningProgressIndicatorLayer : public platform::ui::Layer {
  public:
    static std::shared_ptr<SpinningProgressIndicatorLayer> make() {
        return std::make_shared<SpinningProgressIndicatorLayer>();
    }
    SpinningProgressIndicatorLayer() = default;
    // Stops and takes every fin away.
    ~SpinningProgressIndicatorLayer() override;

    bool isRunning = false;
    bool _isDeterminate = false;
    double maxValue = 0;
    double _doubleValue = 0;
    std::shared_ptr<platform::foundation::DispatchTimer> animationTimer;
    long fposition = 0;
    std::optional<platform::ui::Color> foreColor;
    double fadeDownOpacity = 0;

    long numFins() const { return static_cast<long>(finLayers_.size()); }
    const std::vector<platform::ui::LayerPtr>& finLayers() const { return finLayers_; }
    // Makes `fins` the ring (as sublayers, in order around it) and lays them out.
    void setFinLayers(std::vector<platform::ui::LayerPtr> fins);

    // Lights the next fin, which then fades down by its implicit opacity action.
    void advancePosition();
    void setBounds(const platform::ui::Rect& bounds) override;
    void drawInContext(platform::ui::GraphicsContext& context) override;

  private:
    void layoutFins();
    std::vector<platform::ui::LayerPtr> finLayers_;
};
