// Text measurement through Qt's font metrics.
#include <QFontMetricsF>

#include "platform/ui/QtSupport.h"
#include "platform/ui/TextMeasurement.h"

namespace platform::ui {

FontMetrics metricsOf(const Font& font) {
    QImage device = qt::makeCanvas(1, 1);
    QFontMetricsF metrics(qt::toQFont(font), &device);
    return {metrics.ascent(), metrics.descent(), std::max(0.0, metrics.leading()),
            metrics.height()};
}

Size sizeOfText(const std::string& text, const Font& font) {
    QFont qfont = qt::toQFont(font);
    auto lines = qt::layoutLines(qt::toQString(text), qfont, 0);
    double width = 0;
    for (const auto& line : lines) width = std::max(width, line.width);
    return {width, qt::lineHeight(qfont, false) * static_cast<double>(lines.size())};
}

Size sizeOfText(const AttributedString& text) {
    return sizeOfText(text.string, text.attributes.font.value_or(Font::systemFont(12)));
}

Rect boundingRectOfText(const std::string& text, Size size, unsigned options,
                        const TextAttributes& attributes) {
    QFont qfont = qt::toQFont(attributes.font.value_or(Font::systemFont(12)));
    bool wraps = (options & UsesLineFragmentOrigin) != 0;
    double spacing = attributes.paragraphStyle ? attributes.paragraphStyle->lineSpacing : 0;
    double wrapWidth = wraps && size.width > 0 ? size.width : 0;
    auto lines = qt::layoutLines(qt::toQString(text), qfont, wrapWidth);
    if (!wraps && lines.size() > 1) lines.resize(1);
    double width = 0;
    for (const auto& line : lines) width = std::max(width, line.width);
    double lineHeight = qt::lineHeight(qfont, (options & UsesFontLeading) != 0);
    double height = lineHeight * static_cast<double>(lines.size()) +
                    spacing * static_cast<double>(lines.size() - 1);
    if (wraps && (options & TruncatesLastVisibleLine) && size.height > 0 && height > size.height) {
        // Only whole lines that fit stay.
        auto fitting = static_cast<size_t>(
            std::max(1.0, std::floor((size.height + spacing) / (lineHeight + spacing))));
        height =
            lineHeight * static_cast<double>(fitting) + spacing * static_cast<double>(fitting - 1);
    }
    return {0, 0, width, height};
}

}  // namespace platform::ui
