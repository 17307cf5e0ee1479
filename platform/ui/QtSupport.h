#pragma once
// Qt backend internals shared by the Qt files of this folder: starting the Qt runtime,
// converting fonts and colours, and laying text out in lines. The only header of the
// project that includes Qt. Main thread only.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/PixelBuffer.h"

namespace platform::ui::qt {

enum class Platform { Offscreen, Display };

// Starts the Qt application once: offscreen unless a display is asked for and an X server
// is reachable. Answers whether the running Qt application is of the kind asked for.
bool ensureApplication(Platform platform = Platform::Offscreen, std::string* error = nullptr);
bool isDisplayPlatform();

QFont toQFont(const Font& font);
QColor toQColor(const Color& color);
QString toQString(const std::string& text);

// A 72-dpi device, so that point sizes are pixel sizes.
QImage makeCanvas(int width, int height);

struct TextLine {
    QString text;
    double width = 0;
};

// Lines of `text` in `font`: broken at line breaks, and wrapped at `wrapWidth` when it is
// positive.
std::vector<TextLine> layoutLines(const QString& text, const QFont& font, double wrapWidth);
double lineHeight(const QFont& font, bool withLeading);

PixelBuffer toPixelBuffer(const QImage& image);
QImage toQImage(const PixelBuffer& pixels);

}  // namespace platform::ui::qt
