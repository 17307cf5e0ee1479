#include "platform/ui/QtSupport.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace platform::ui::qt {

namespace {

constexpr int kDotsPerMeterAt72Dpi = 2835;
// The largest canvas painted: 16384 pixels each way and 2^26 pixels (256 MB) in all.
constexpr double kMaxCanvasSide = 16384;
constexpr double kMaxCanvasPixels = 1 << 26;
// Qt's limit for window sizes (QWIDGETSIZE_MAX), used for coordinates too.
constexpr double kQtGeometryLimit = 16777215;

bool xServerReachable() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    std::string name(display);
    // Local displays (":N" or ":N.S") have a socket; a remote one is trusted as given.
    if (name[0] != ':') return true;
    std::string number = name.substr(
        1, name.find('.') == std::string::npos ? std::string::npos : name.find('.') - 1);
    return std::filesystem::exists("/tmp/.X11-unix/X" + number);
}

void loadSystemFonts() {
    const char* dir = std::getenv("TAVRO_FONT_DIR");
    std::filesystem::path folder = dir && *dir ? dir : "/usr/share/fonts/truetype/dejavu";
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"}) {
        auto path = folder / file;
        if (std::filesystem::exists(path))
            QFontDatabase::addApplicationFont(QString::fromStdString(path.string()));
    }
}

}  // namespace

bool ensureApplication(Platform platform, std::string* error) {
    if (QCoreApplication::instance()) {
        bool display = isDisplayPlatform();
        if (platform == Platform::Display && !display) {
            if (error) *error = "the interface already runs offscreen";
            return false;
        }
        return true;
    }
    const char* name = "offscreen";
    if (platform == Platform::Display) {
        if (!xServerReachable()) {
            if (error) *error = "no X server is reachable (DISPLAY)";
            return false;
        }
        name = "xcb";
    }
    static int argc = 3;
    static char arg0[] = "tavro";
    static char arg1[] = "-platform";
    static char arg2[16];
    std::snprintf(arg2, sizeof arg2, "%s", name);
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    // Kept for the life of the process: Qt wants its application to outlive every font,
    // image and window it made.
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
    QApplication::setQuitOnLastWindowClosed(false);
    loadSystemFonts();
    return true;
}

bool isDisplayPlatform() {
    return QCoreApplication::instance() && QGuiApplication::platformName() == "xcb";
}

QFont toQFont(const Font& font) {
    ensureApplication();
    QFont q(QString::fromStdString(font.family.empty() ? Font::systemFamily() : font.family));
    q.setPointSizeF(font.pointSize > 0 ? font.pointSize : 13);
    static const QFont::Weight weights[] = {QFont::ExtraLight, QFont::Thin,      QFont::Light,
                                            QFont::Normal,     QFont::Medium,    QFont::DemiBold,
                                            QFont::Bold,       QFont::ExtraBold, QFont::Black};
    q.setWeight(weights[static_cast<int>(font.weight)]);
    q.setHintingPreference(QFont::PreferNoHinting);
    q.setKerning(true);
    return q;
}

QColor toQColor(const Color& color) {
    QColor q;
    q.setRgbF(static_cast<float>(std::clamp(color.red, 0.0, 1.0)),
              static_cast<float>(std::clamp(color.green, 0.0, 1.0)),
              static_cast<float>(std::clamp(color.blue, 0.0, 1.0)),
              static_cast<float>(std::clamp(color.alpha, 0.0, 1.0)));
    return q;
}

QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QImage makeCanvas(int width, int height) {
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(kDotsPerMeterAt72Dpi);
    image.setDotsPerMeterY(kDotsPerMeterAt72Dpi);
    image.fill(Qt::transparent);
    return image;
}

std::optional<QSize> canvasPixels(Size size, double scale) {
    const double width = std::max(std::ceil(size.width * scale), 1.0);
    const double height = std::max(std::ceil(size.height * scale), 1.0);
    // Written so that not-a-number fails every test.
    if (!(width <= kMaxCanvasSide && height <= kMaxCanvasSide &&
          width * height <= kMaxCanvasPixels)) {
        return std::nullopt;
    }
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

int toQtInt(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<int>(std::clamp(value, -kQtGeometryLimit, kQtGeometryLimit));
}

namespace {
const QImage& measuringDevice() {
    static const QImage device = makeCanvas(1, 1);
    return device;
}
}  // namespace

std::vector<TextLine> layoutLines(const QString& text, const QFont& font, double wrapWidth) {
    std::vector<TextLine> lines;
    QFontMetricsF metrics(font, &measuringDevice());
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (const QString& paragraph : paragraphs) {
        if (wrapWidth <= 0 || paragraph.isEmpty()) {
            lines.push_back({paragraph, metrics.horizontalAdvance(paragraph)});
            continue;
        }
        QTextLayout layout(paragraph, font, const_cast<QImage*>(&measuringDevice()));
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(wrapWidth);
            QString piece = paragraph.mid(line.textStart(), line.textLength());
            while (piece.endsWith(QLatin1Char(' '))) piece.chop(1);
            lines.push_back({piece, std::min(line.naturalTextWidth(), wrapWidth)});
        }
        layout.endLayout();
    }
    return lines;
}

double lineHeight(const QFont& font, bool withLeading) {
    QFontMetricsF metrics(font, &measuringDevice());
    return withLeading ? metrics.height() + std::max(0.0, metrics.leading()) : metrics.height();
}

PixelBuffer toPixelBuffer(const QImage& image) {
    QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    PixelBuffer out;
    out.width = straight.width();
    out.height = straight.height();
    out.argb.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(straight.constScanLine(y));
        std::copy(row, row + out.width, out.argb.begin() + static_cast<ptrdiff_t>(y) * out.width);
    }
    return out;
}

QImage toQImage(const PixelBuffer& pixels) {
    QImage image(pixels.width, pixels.height, QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        std::copy(pixels.argb.begin() + static_cast<ptrdiff_t>(y) * pixels.width,
                  pixels.argb.begin() + static_cast<ptrdiff_t>(y + 1) * pixels.width, row);
    }
    return image;
}

}  // namespace platform::ui::qt
