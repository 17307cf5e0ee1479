#pragma once
// The choices of the progress HUD: colours (style), what covers the host around the box
// (mask type), where the box sits (position) and what the indicator area shows (mode).
// Each is a kind with the value its `custom` case carries. Value types, safe on any thread
// (a custom mode's view is still touched on the main thread only).

#include <memory>

#include "platform/ui/Color.h"

namespace platform::ui {
class View;
}

struct ProgressHUDStyle {
    enum class Kind { light, dark, custom };
    Kind kind = Kind::light;
    platform::ui::Color foreground;  // custom only
    platform::ui::Color backgroud;   // custom only

    static ProgressHUDStyle light() { return {Kind::light, {}, {}}; }
    static ProgressHUDStyle dark() { return {Kind::dark, {}, {}}; }
    static ProgressHUDStyle custom(platform::ui::Color foreground, platform::ui::Color backgroud) {
        return {Kind::custom, foreground, backgroud};
    }

    // The colour of fins, text, ring and icons.
    platform::ui::Color contentColor() const;
    // The colour of the box, with `opacity` as its alpha.
    platform::ui::Color boxColor(double opacity) const;
};

struct ProgressHUDMaskType {
    enum class Kind { none, clear, black, custom };
    Kind kind = Kind::none;
    platform::ui::Color color;  // custom only

    static ProgressHUDMaskType none() { return {Kind::none, {}}; }
    static ProgressHUDMaskType clear() { return {Kind::clear, {}}; }
    static ProgressHUDMaskType black() { return {Kind::black, {}}; }
    static ProgressHUDMaskType custom(platform::ui::Color color) { return {Kind::custom, color}; }
};

enum class ProgressHUDPosition { top, center, bottom };

struct ProgressHUDMode {
    enum class Kind { indeterminate, determinate, info, success, error, text, custom };
    Kind kind = Kind::indeterminate;
    std::shared_ptr<platform::ui::View> view;  // custom only

    static ProgressHUDMode indeterminate() { return {Kind::indeterminate, nullptr}; }
    static ProgressHUDMode determinate() { return {Kind::determinate, nullptr}; }
    static ProgressHUDMode info() { return {Kind::info, nullptr}; }
    static ProgressHUDMode success() { return {Kind::success, nullptr}; }
    static ProgressHUDMode error() { return {Kind::error, nullptr}; }
    static ProgressHUDMode text() { return {Kind::text, nullptr}; }
    static ProgressHUDMode custom(std::shared_ptr<platform::ui::View> view) {
        return {Kind::custom, std::move(view)};
    }

    // The modes whose indicator is drawn by the HUD itself in an icon-sized area.
    bool drawsIcon() const {
        return kind == Kind::determinate || kind == Kind::info || kind == Kind::success ||
               kind == Kind::error;
    }
};
