#include "widgets/HoverTrackingArea.h"

#include <vector>

#include "platform/ui/View.h"

void updateHoverTrackingArea(platform::ui::View& view) {
    using namespace platform::ui;
    for (const TrackingAreaPtr& area : std::vector<TrackingAreaPtr>(view.trackingAreas())) {
        view.removeTrackingArea(area);
    }
    constexpr uint32_t kOptions = TrackingMouseEnteredAndExited | TrackingMouseMoved |
                                  TrackingCursorUpdate | TrackingActiveInActiveApp |
                                  TrackingAssumeInside | TrackingInVisibleRect;
    static_assert(kOptions == 0x347);
    view.addTrackingArea(
        std::make_shared<TrackingArea>(view.bounds(), kOptions, view.sharedView()));
}
