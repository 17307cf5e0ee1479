#pragma once
// What the delegate's behaviour asks of the panels, the backend services and the AI-3D mode,
// gathered in one place so that the launch, plug and quit code reads as the steps it takes.
// Main thread unless a line says otherwise.

#include <cstdint>

#include "backend/BehaviorEventType.h"
#include "platform/ui/ViewController.h"

class AppDelegate;

namespace shell {

enum class Panel { Home, Start, FirmwareUpdate, Connected };

// Creates the five panel controllers into the delegate's fields.
void createPanels(AppDelegate& delegate);
// The delegate's controller of that panel (null before createPanels). Any thread.
platform::ui::ViewControllerPtr panelController(Panel panel);
// The connected popover's controller.
platform::ui::ViewControllerPtr connectedPopoverController();
// A new exit screen controller (each right click gets its own).
platform::ui::ViewControllerPtr makeExitScreen();
// Puts the firmware-update panel back to its first look.
void resetDfuView();
// Makes the firmware-update panel start its update as soon as it is shown.
void beginUpdateWhenShown();
// Puts the start panel into the main window, its name label showing the current glasses.
void showStartPanel(AppDelegate& delegate);

// A usage event for the backend; `store` keeps it in the usage table for a later upload
// instead of posting it now. Any thread.
void recordUsageEvent(BehaviorEventType type, bool store);
void createUsageTable();
// The quit's waits for the usage table begin: the finishUsageTableWrites calls that follow
// wait one second of real time between them.
void beginUsageTableQuit();
// Waits until the usage table's queued writes are done (quit: the stored events must be in
// the file before the process ends), within what is left of the quit's second; the events
// still not stored then are named in the log.
void finishUsageTableWrites();
// Uploads the stored usage rows, reading the table a batch at a time.
void uploadStoredUsageEvents();
// A new foreground-application monitor, stored in the delegate and started.
void startAppMonitor(AppDelegate& delegate);
// The shared reporting instance, stored in the delegate.
void takeReportingManager(AppDelegate& delegate);

// Stops the AI-3D mode when the delegate holds its manager.
void stopAI3D(AppDelegate& delegate);

}  // namespace shell
