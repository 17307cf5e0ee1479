#pragma once
// A popover: a content view controller shown in a small borderless window next to a
// rectangle of a view (above it for the maximum-y edge, flipping to the other side when
// the screen has no room). A transient popover closes when the user clicks anywhere
// outside it, in this application or another. Main thread only.

#include <memory>
#include <string>

#include "platform/ui/Geometry.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace platform::ui {

enum class PopoverBehavior { ApplicationDefined = 0, Transient = 1, Semitransient = 2 };
enum class RectEdge { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };

class Popover : public std::enable_shared_from_this<Popover> {
  public:
    static std::shared_ptr<Popover> make() { return std::make_shared<Popover>(); }
    ~Popover();

    const ViewControllerPtr& contentViewController() const { return content_; }
    void setContentViewController(ViewControllerPtr controller);
    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size);
    PopoverBehavior behavior() const { return behavior_; }
    void setBehavior(PopoverBehavior behavior) { behavior_ = behavior; }
    const std::string& appearanceName() const { return appearance_; }
    void setAppearanceName(std::string name) { appearance_ = std::move(name); }
    bool shouldHideAnchor() const { return hideAnchor_; }
    void setShouldHideAnchor(bool hide) { hideAnchor_ = hide; }

    // Shows the content next to `rect` (in `view`'s coordinates). Without content, or with
    // a view outside any window, nothing is shown.
    void showRelativeToRect(const Rect& rect, View& view, RectEdge preferredEdge);
    void close();
    bool isShown() const { return shown_; }
    // The window the popover shows its content in (null until first shown).
    const WindowPtr& window() const { return window_; }

  private:
    ViewControllerPtr content_;
    Size contentSize_;
    PopoverBehavior behavior_ = PopoverBehavior::ApplicationDefined;
    std::string appearance_;
    bool hideAnchor_ = false;
    bool shown_ = false;
    WindowPtr window_;
};

using PopoverPtr = std::shared_ptr<Popover>;

}  // namespace platform::ui
