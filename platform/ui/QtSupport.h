#pragma once
// Qt backend internals shared by the Qt files of this folder: starting the Qt runtime,
// converting fonts and colours, and laying text out in lines. The only header of the
// project that includes Qt. Main thread only.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
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

// The pixels of a canvas for a size in points at `scale` pixels per point, rounded up (at
// least one each way); none when the size is not a number or the canvas would be wider,
// taller or larger than a picture the machine can hold.
std::optional<QSize> canvasPixels(Size size, double scale);

// A coordinate or length for Qt's integer geometry: truncated toward zero and held within
// the range Qt's windows accept; not-a-number gives 0.
int toQtInt(double value);

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
