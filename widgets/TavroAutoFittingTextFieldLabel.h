#pragma once
// A label that shrinks its font until its text fits the label's height, when it is made
// from an interface description. The fitted font is always the system font, one point
// smaller than the last size measured, and never shrinks below kMinimumFontSize (a label
// too narrow for any text would otherwise shrink without end). Becoming first responder is
// announced with "notificationName_TextFieldBecomeFirstResponder". Main thread only.

#include "platform/ui/TextField.h"

class TavroAutoFittingTextFieldLabel : public platform::ui::TextField {
  public:
    static constexpr double kMinimumFontSize = 6.0;
    static constexpr const char* kBecomeFirstResponderNotification =
        "notificationName_TextFieldBecomeFirstResponder";

    explicit TavroAutoFittingTextFieldLabel(platform::ui::Rect frame = {}) : TextField(frame) {}
    std::string className() const override { return "TavroAutoFittingTextFieldLabel"; }

    void awakeFromDescription() override;
    bool becomeFirstResponder() override;

    // Sets the system font of the size that lets the text fit the frame's height.
    void fitFont();

    // The height of `text` drawn with `font` in lines `width` wide, with `lineSpacing`
    // between lines (0: the font's own).
    static double heightOfText(const std::string& text, const platform::ui::Font& font,
                               double width, double lineSpacing);
};
