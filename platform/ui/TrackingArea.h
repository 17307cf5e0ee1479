#pragma once
// A rectangle of a view in which the view wants to hear of the mouse entering, leaving and
// moving. Options use the platform's bit values. Main thread only.

#include <cstdint>
#include <memory>

#include "platform/foundation/Value.h"
#include "platform/ui/Geometry.h"

namespace platform::ui {

class View;

enum TrackingAreaOptions : uint32_t {
    TrackingMouseEnteredAndExited = 0x01,
    TrackingMouseMoved = 0x02,
    TrackingCursorUpdate = 0x04,
    TrackingActiveWhenFirstResponder = 0x10,
    TrackingActiveInKeyWindow = 0x20,
    TrackingActiveInActiveApp = 0x40,
    TrackingActiveAlways = 0x80,
    TrackingAssumeInside = 0x100,
    TrackingInVisibleRect = 0x200,
    TrackingEnabledDuringMouseDrag = 0x400,
};

class TrackingArea {
  public:
    TrackingArea(Rect rect, uint32_t options, std::weak_ptr<View> owner,
                 platform::foundation::Value userInfo = {})
        : mouseInside((options & TrackingAssumeInside) != 0),
          rect_(rect),
          options_(options),
          owner_(std::move(owner)),
          userInfo_(std::move(userInfo)) {}

    const Rect& rect() const { return rect_; }
    uint32_t options() const { return options_; }
    std::shared_ptr<View> owner() const { return owner_.lock(); }
    const platform::foundation::Value& userInfo() const { return userInfo_; }

    // Whether the mouse was inside at the last event the window dispatched.
    bool mouseInside;

  private:
    Rect rect_;
    uint32_t options_;
    std::weak_ptr<View> owner_;
    platform::foundation::Value userInfo_;
};

using TrackingAreaPtr = std::shared_ptr<TrackingArea>;

}  // namespace platform::ui
