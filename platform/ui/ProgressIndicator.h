#pragma once
// A progress indicator: a bar or a spinning wheel, determinate (a value between a minimum
// and a maximum) or indeterminate, animating between start and stop. The spinning wheel
// lights its fins by Clock time while animating. Main thread only.

#include "platform/ui/View.h"

namespace platform::ui {

enum class ProgressIndicatorStyle { Bar, Spinning };

class ProgressIndicator : public View {
  public:
    explicit ProgressIndicator(Rect frame = {}) : View(frame) {}
    std::string className() const override { return "ProgressIndicator"; }

    ProgressIndicatorStyle style() const { return style_; }
    void setStyle(ProgressIndicatorStyle style) {
        style_ = style;
        setNeedsDisplay();
    }
    bool isIndeterminate() const { return indeterminate_; }
    void setIndeterminate(bool indeterminate) {
        indeterminate_ = indeterminate;
        setNeedsDisplay();
    }
    double minValue() const { return min_; }
    void setMinValue(double value) {
        min_ = value;
        setNeedsDisplay();
    }
    double maxValue() const { return max_; }
    void setMaxValue(double value) {
        max_ = value;
        setNeedsDisplay();
    }
    double doubleValue() const { return value_; }
    // Kept within the minimum and maximum.
    void setDoubleValue(double value);
    bool isAnimating() const { return animating_; }
    void startAnimation() {
        animating_ = true;
        setNeedsDisplay();
    }
    void stopAnimation() {
        animating_ = false;
        setNeedsDisplay();
    }
    bool isDisplayedWhenStopped() const { return displayedWhenStopped_; }
    void setDisplayedWhenStopped(bool displayed) { displayedWhenStopped_ = displayed; }
    // The bar's fill and, once set, the colour of the spinner's fins (dark grey until then,
    // as the platform's spinner is).
    const Color& tintColor() const { return tint_; }
    void setTintColor(const Color& color) {
        tint_ = color;
        tintSet_ = true;
        setNeedsDisplay();
    }

    // The filled share of a determinate indicator, 0...1.
    double fraction() const;
    void drawRect(const Rect& dirtyRect, GraphicsContext& context) override;

  private:
    void drawBar(GraphicsContext& context);
    void drawSpinner(GraphicsContext& context);

    ProgressIndicatorStyle style_ = ProgressIndicatorStyle::Bar;
    bool indeterminate_ = true;
    double min_ = 0;
    double max_ = 100;
    double value_ = 0;
    bool animating_ = false;
    bool displayedWhenStopped_ = true;
    Color tint_ = Color::rgb(0.02, 0.56, 1.0);
    bool tintSet_ = false;
};

}  // namespace platform::ui
