#pragma once
// The facade through which the application shell works on the Mac's displays: the
// "Monitor" virtual display that gives a Mac without a screen of its own a main display
// other than the glasses (created when needed, connected and made main from the start
// panel), making another display main, bulk connect, disconnect and discard of virtual
// displays, the glasses' placement, the sleep and wake handlers and two preference
// toggles.
//
// The application calls it on the main thread, except setMainDisplay, which un-mirroring
// also calls from a global queue. setMainDisplay blocks its thread for 0.5 s and
// connectMonitorAndMakeMain for 2.5 s more (clock time). The flags are atomic.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "display/DummyDefinition.h"
#include "platform/foundation/Guarded.h"
#include "platform/screens/Screen.h"

class tavroDisplayManager : public std::enable_shared_from_this<tavroDisplayManager> {
  public:
    // The one display manager of the process, created on first use.
    static std::shared_ptr<tavroDisplayManager> shared();
    // A new manager on every call; it also sets up the dummy definitions.
    static std::shared_ptr<tavroDisplayManager> sharedInstance();

    static DummyDefinition monitorDefinition();
    static constexpr uint32_t kMonitorSerial = 1624587166;  // 0x60D53B9E
    static constexpr int64_t kMonitorDefinitionId = 0;

    tavroDisplayManager() = default;
    tavroDisplayManager(const tavroDisplayManager&) = delete;
    tavroDisplayManager& operator=(const tavroDisplayManager&) = delete;

    // Creates the Monitor dummy, unconnected, when the Mac needs a virtual main display;
    // stores the dummy preferences either way.
    void createMonitorDummy();
    // Makes the display main by moving origins: the old main to (4224, 0), it to (0, 0).
    void setMainDisplay(std::optional<uint32_t> display);
    void connectMonitorAndMakeMain();

    // 0, or -1 when a dummy associated with a display was skipped.
    int64_t connectVirtualDisplays();
    int64_t connectAllVirtualDisplays();
    int64_t disconnectAllDummies();
    int64_t disconnectAllVirtualDisplays();
    // Drops every dummy and stores the (empty) preferences; 0.
    int64_t discardDummy();
    int64_t removeAllVirtualDisplays();

    // Places each glasses screen right of and above the main screen, on the main queue.
    void moveTavroGlassPosition();
    void arrangeGlassDisplays();

    // Flip the Boolean preferences "disableTempSleep" and "reconnectAfterSleep".
    void disableTempSleep();
    void reconnectAfterSleep();

    void sleepNotification();
    void wakeNotification();

    std::atomic<bool> jump{false};
    std::atomic<bool> layoutDisplayOne{false};
    std::atomic<bool> layoutDisplayTwo{false};
    std::atomic<bool> isSleep{false};
    std::atomic<int64_t> reconfigureID{0};
    std::atomic<bool> skipReconfiguration{false};
    platform::foundation::Guarded<std::string> timerIdentification;
    std::atomic<bool> isLayoutComplete{false};
    std::atomic<double> ultraWidescreenWidth{3840.0};
    std::atomic<bool> isExecution{false};
    platform::foundation::Guarded<std::string> timerIdentificationCheckGlassDisplay;
    platform::foundation::Guarded<std::optional<platform::screens::Screen>> builtinScreen;

  private:
    int64_t connectAllDummies();
    int64_t disconnectAllDummyDisplays();
    int64_t discardAndStore();
    void handleSleep();
    void handleWake();
};
