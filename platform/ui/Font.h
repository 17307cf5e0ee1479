#pragma once
// Fonts by family, size and weight. The system font is DejaVu Sans, loaded from the files
// the build installs, so that text measures the same on every machine. Value type; safe on
// any thread (measuring happens in TextMeasurement, on the main thread).

#include <string>

namespace platform::ui {

enum class FontWeight { UltraLight, Thin, Light, Regular, Medium, Semibold, Bold, Heavy, Black };

struct Font {
    std::string family;
    double pointSize = 13;
    FontWeight weight = FontWeight::Regular;

    static Font systemFont(double size, FontWeight weight = FontWeight::Regular);
    static Font boldSystemFont(double size) { return systemFont(size, FontWeight::Bold); }
    static const char* systemFamily();

    Font withSize(double size) const { return {family, size, weight}; }
    bool operator==(const Font&) const = default;
};

}  // namespace platform::ui
