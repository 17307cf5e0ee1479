#pragma once
// A scenario: what the simulated Mac and its user do to a running application, step by
// step, and what they expect to see. Scenarios are JSON files (the bundle's "scenarios"
// folder):
//
//   {"name": "plug-in to the connected panel", "machine": "macbook",
//    "permissions": {"screenRecording": true},
//    "steps": [
//      {"do": "wait", "seconds": 2},
//      {"do": "plug", "device": "glasses", "kind": "gen2", "firmware": "TAVRO2_FW_V1.65"},
//      {"do": "expectPanel", "panel": "TavroHomeStartViewController", "within": 30},
//      {"do": "click", "outlet": "startButton"},
//      {"do": "clickStatusItem", "button": "left"},
//      {"do": "click", "outlet": "depthView", "at": 0.9},
//      {"do": "answerAlert", "button": 2, "message": "..."},
//      {"do": "quit"}]}
//
// Steps ("do"): wait (seconds); plug (device name, glasses kind "gen1" | "gen2" | "gen2pro"
// | "wake" | "bootloader", optional firmware, vendorId, productId, and imuRate: IMU samples
// a second the glasses send while their stream is on); unplug (device; with afterBytes, once its
// update has written that many bytes); click (outlet, in the frontmost window that shows it: an
// open popover before the main window; optional at: where along the view's width, 0 its left
// end to 1 its right end, 0.5 unless told); clickStatusItem (button "left" | "right", "left"
// unless told: the user's click on the status item, which opens its popover); volumeKey (key
// "up" | "down" | "mute"); lock; unlock; sleep; wake; reopen; answerAlert (button, 1 for the
// first; optional message part: answers the next alert whose message holds it); expectPanel
// (panel class, within seconds); expectAlert (message part, within); expectLog (text part of a
// line the application writes to its log files during this run, within); expectFirmware (the
// glasses of a device name carry that "firmware" version, within); expectQuit (the application
// quits by itself, within); backend (the simulated backend's "mode": "normal" | "fail" | "hang"
// | "garbage" | "424" | "envelopeError", and/or "offerVersion" with an optional "releaseNote");
// activateApp and quitApp (another application's "name" becomes active or quits); quit. A
// quit or an expectQuit is the last step: after it there is no application to act on or
// check. Times are clock seconds (a fast clock shortens them). Parsing is pure and never
// throws: anything malformed is an Error naming the step.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Result.h"
#include "platform/sim/MachineProfile.h"

namespace platform::sim {

struct ScenarioStep {
    enum class Action {
        Wait,
        Plug,
        Unplug,
        Click,
        ClickStatusItem,
        VolumeKey,
        Lock,
        Unlock,
        Sleep,
        Wake,
        Reopen,
        AnswerAlert,
        ExpectPanel,
        ExpectAlert,
        ExpectLog,
        ExpectFirmware,
        ExpectQuit,
        Quit,
        Backend,
        ActivateApp,
        QuitApp,
    };
    Action action = Action::Wait;
    double seconds = 0;                  // Wait: how long; Expect*: at most how long
    std::string device;                  // Plug, Unplug
    GlassesProfile glasses;              // Plug ("bootloader" is a kind too)
    double imuRate = 0;                  // Plug
    std::optional<uint64_t> afterBytes;  // Unplug
    // Click: outlet; ClickStatusItem: "left" or "right"; VolumeKey: key; AnswerAlert /
    // Expect*: the part to find.
    std::string text;
    double at = 0.5;  // Click: where along the view's width
    int button = 1;   // AnswerAlert
    // Backend: the mode to switch to (empty: unchanged), the version to offer (empty: none).
    std::string backendMode;
    std::string offerVersion;
    std::string releaseNote;
};

struct Scenario {
    std::string name;
    std::optional<std::string> machine;
    std::optional<Permissions> permissions;
    std::vector<ScenarioStep> steps;
};

foundation::Result<Scenario> parseScenario(std::string_view json);
// Reads and parses the file: only a regular file of at most 1 MiB, opened without blocking.
foundation::Result<Scenario> loadScenario(const std::string& path);

}  // namespace platform::sim
