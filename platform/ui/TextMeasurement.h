#pragma once
// Text measurement with the fonts the interface draws with (Qt's font metrics at 72 dots
// per inch, so one point is one pixel at scale 1). Main thread only: it starts the Qt
// runtime on first use.

#include <string>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

namespace platform::ui {

enum StringDrawingOptions : unsigned {
    UsesLineFragmentOrigin = 1u << 0,
    UsesFontLeading = 1u << 1,
    UsesDeviceMetrics = 1u << 3,
    TruncatesLastVisibleLine = 1u << 5,
};

struct FontMetrics {
    double ascent = 0;
    double descent = 0;
    double leading = 0;
    double lineHeight = 0;  // ascent + descent
};

FontMetrics metricsOf(const Font& font);

// The size of a text drawn on one line per line break, without wrapping.
Size sizeOfText(const std::string& text, const Font& font);
Size sizeOfText(const AttributedString& text);

// The rectangle a text needs when drawn into `size`: with UsesLineFragmentOrigin it wraps
// at the width and stacks lines (plus the paragraph style's line spacing between them);
// without it, the text is measured as one line. UsesFontLeading adds the font's leading
// to every line. The width is that of the widest line, never more than the size's width
// when wrapping.
Rect boundingRectOfText(const std::string& text, Size size, unsigned options,
                        const TextAttributes& attributes);

}  // namespace platform::ui
