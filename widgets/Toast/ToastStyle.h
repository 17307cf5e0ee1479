#pragma once
// The looks and timings of toasts and activity overlays: font size, paddings, corner
// radius, colours, fade timings, where the text starts in the bubble and the size of the
// activity indicator. DefaultStyle is the toast's; IndicatorStyle (quicker fades, a dark
// background) is the activity overlay's. Values; read on the main thread.

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

class Style {
  public:
    virtual ~Style() = default;

    virtual double fontSize() const { return 16; }
    virtual double horizontalPadding() const { return 22; }
    virtual double verticalPadding() const { return 14; }
    virtual double cornerRadius() const { return 24; }
    virtual platform::ui::Font font() const { return platform::ui::Font::systemFont(fontSize()); }
    virtual platform::ui::Color backgroundColor() const = 0;
    virtual platform::ui::Color textColor() const;
    virtual double fadeInOutDuration() const = 0;
    virtual double fadeInOutDelay() const = 0;
    virtual platform::ui::Point labelOrigin() const {
        return {horizontalPadding(), verticalPadding()};
    }
    virtual platform::ui::Size activitySize() const { return {100, 100}; }
};

class DefaultStyle : public Style {
  public:
    platform::ui::Color backgroundColor() const override;
    double fadeInOutDuration() const override { return 1.0; }
    double fadeInOutDelay() const override { return 1.0; }
};

class IndicatorStyle : public Style {
  public:
    double fadeInOutDurationValue = 0.1;
    double fadeInOutDelayValue = 0.0;
    platform::ui::Color backgroundColorValue = platform::ui::Color::blackColor().withAlpha(0.8);

    platform::ui::Color backgroundColor() const override { return backgroundColorValue; }
    double fadeInOutDuration() const override { return fadeInOutDurationValue; }
    double fadeInOutDelay() const override { return fadeInOutDelayValue; }
};

// The activity overlays' style, made on first use.
const IndicatorStyle& sharedIndicatorStyle();
