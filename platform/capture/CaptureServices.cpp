#include "platform/capture/CaptureServices.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/InstalledBackend.h"
#include "platform/foundation/Mutex.h"

namespace platform::capture {
namespace {

constinit foundation::InstalledBackend<CaptureMachine> installed;

}  // namespace

InputEvent mouseEvent(EventSourceState source, EventType type, Point location, uint32_t button) {
    InputEvent event;
    event.type = type;
    event.source = source;
    event.location = location;
    event.mouseButton = button;
    return event;
}

InputEvent keyboardEvent(EventSourceState source, uint16_t keyCode, bool down) {
    InputEvent event;
    event.type = down ? EventType::KeyDown : EventType::KeyUp;
    event.source = source;
    event.keyCode = keyCode;
    return event;
}

InputEvent scrollWheelEvent(EventSourceState source) {
    InputEvent event;
    event.type = EventType::ScrollWheel;
    event.source = source;
    return event;
}

CaptureMachine::CaptureMachine(bool screenRecordingAllowed, bool accessibilityTrusted)
    : screenRecordingAllowed_(screenRecordingAllowed),
      accessibilityTrusted_(accessibilityTrusted) {}

bool CaptureMachine::screenRecordingAllowed() const {
    foundation::MutexLock lock(mutex_);
    return screenRecordingAllowed_;
}

void CaptureMachine::setScreenRecordingAllowed(bool allowed) {
    foundation::MutexLock lock(mutex_);
    screenRecordingAllowed_ = allowed;
}

bool CaptureMachine::accessibilityTrusted() const {
    foundation::MutexLock lock(mutex_);
    return accessibilityTrusted_;
}

void CaptureMachine::setAccessibilityTrusted(bool trusted) {
    foundation::MutexLock lock(mutex_);
    accessibilityTrusted_ = trusted;
}

int CaptureMachine::screenRecordingPrompts() const {
    foundation::MutexLock lock(mutex_);
    return screenRecordingPrompts_;
}

int CaptureMachine::accessibilityPrompts() const {
    foundation::MutexLock lock(mutex_);
    return accessibilityPrompts_;
}

std::shared_ptr<CaptureMachine> captureMachine() {
    return installed.get();
}

void installCaptureMachine(std::shared_ptr<CaptureMachine> machine) {
    installed.install(std::move(machine));
}

bool preflightScreenCaptureAccess() {
    auto machine = captureMachine();
    return machine && machine->screenRecordingAllowed();
}

// Raises the prompt when the permission is missing; returns whether content is available.
bool requestShareableContentPrompt() {
    auto machine = captureMachine();
    if (!machine) return false;
    foundation::MutexLock lock(machine->mutex_);
    if (!machine->screenRecordingAllowed_) ++machine->screenRecordingPrompts_;
    return machine->screenRecordingAllowed_;
}

void requestShareableContent(bool, bool, std::function<void(bool available)> completion) {
    const bool available = requestShareableContentPrompt();
    if (!completion) return;
    foundation::globalQueue()->async(
        [completion = std::move(completion), available] { completion(available); });
}

bool isProcessTrusted(bool prompt) {
    auto machine = captureMachine();
    if (!machine) return false;
    foundation::MutexLock lock(machine->mutex_);
    if (!machine->accessibilityTrusted_ && prompt) ++machine->accessibilityPrompts_;
    return machine->accessibilityTrusted_;
}

void postEvent(EventTap tap, const InputEvent& event) {
    auto machine = captureMachine();
    if (!machine) return;
    machine->posted_.update([&](std::vector<PostedEvent>& posted) {
        posted.push_back({tap, event});
    });
}

}  // namespace platform::capture
