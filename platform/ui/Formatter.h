#pragma once
// Formatters attached to text fields: the hook that decides whether a partly typed text
// may stand. The number formatting itself is done with ICU elsewhere; subclasses that
// only check input override isPartialStringValid. Main thread only.

#include <string>

namespace platform::ui {

class Formatter {
  public:
    virtual ~Formatter() = default;
    // Whether `partial` may become the field's text. A formatter may propose a replacement
    // (`newEditingString`) or describe the problem (`errorDescription`); both may be null.
    virtual bool isPartialStringValid(const std::string& /*partial*/,
                                      std::string* /*newEditingString*/,
                                      std::string* /*errorDescription*/) {
        return true;
    }
};

class NumberFormatter : public Formatter {};

}  // namespace platform::ui
