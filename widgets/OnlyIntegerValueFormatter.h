#pragma once
// A number formatter that lets a text field hold only decimal digits (or nothing). Every
// check is announced with "TextFieldChangeValue_Formatter_NSNotificationName", accepted
// or not. Main thread only (it posts on the calling thread).

#include "platform/ui/Formatter.h"

class OnlyIntegerValueFormatter : public platform::ui::NumberFormatter {
  public:
    static constexpr const char* kChangeValueNotification =
        "TextFieldChangeValue_Formatter_NSNotificationName";

    bool isPartialStringValid(const std::string& partial, std::string* newEditingString,
                              std::string* errorDescription) override;
};
