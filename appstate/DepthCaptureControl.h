#pragma once
// What the sleep and wake observers of the display management ask of the AI-3D manager,
// without depending on the stereo pipeline (which is built above them): whether the AI-3D
// window exists, stopping its capture, and resuming it after a wake. The AI-3D manager
// implements it and installs itself when it is made. Operations may be called from any
// thread; installed() is thread-safe.

#include <memory>

class DepthCaptureControl {
  public:
    virtual ~DepthCaptureControl() = default;
    virtual bool hasDepthWindow() const = 0;
    // Stops the capture of the AI-3D window's view controller.
    virtual void stopDepthWindowCapture() = 0;
    // true: stop the capture; false: start it when the AI-3D window is visible, else stop it.
    virtual void resumeCaptureAfterWake(bool stop) = 0;

    // The AI-3D manager, once it exists.
    static std::shared_ptr<DepthCaptureControl> installed();
    static void install(std::shared_ptr<DepthCaptureControl> control);
};
