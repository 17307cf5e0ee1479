#pragma once
// The simulated Mac: built from a machine profile, it models the machine (its displays,
// audio hardware, capture permissions, backend server and the simulated USB bus, whose
// devices with a serial interface are its serial ports) and plugs the profile's glasses into
// the bus; tests and scenarios act on it (plug and unplug devices). It installs nothing
// itself: the run's factory (platform/backends) makes its parts the platform's backends.
// Leaving, it unplugs its devices (glasses in the middle of an update do not come back
// later). One SimMac at a time; its operations are thread-safe.

#include <map>
#include <memory>
#include <vector>

#include "platform/audio/AudioHardware.h"
#include "platform/capture/CaptureServices.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/Subscription.h"
#include "platform/sim/MachineProfile.h"
#include "platform/sim/SimBackendServer.h"
#include "platform/sim/SimDisplayFrames.h"
#include "platform/sim/SimDisplayServer.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualGlasses.h"

namespace platform::sim {

class SimMac {
  public:
    explicit SimMac(MachineProfile profile, SimUsbBus& bus = SimUsbBus::shared());
    ~SimMac();
    SimMac(const SimMac&) = delete;
    SimMac& operator=(const SimMac&) = delete;

    const MachineProfile& profile() const { return profile_; }
    SimUsbBus& usbBus() { return bus_; }
    // The machine's displays; glasses on the bus bring their display.
    SimDisplayServer& displays() { return *displays_; }
    // The machine's audio hardware; glasses on the bus bring their audio output device
    // ("TAVRO Glass").
    audio::AudioHardware& audio() { return *audio_; }
    // The audio device of plugged glasses, 0 when they have none (or are not plugged).
    audio::AudioObjectId audioDeviceOf(const std::shared_ptr<VirtualHidDevice>& device) const;
    // Screen-recording permission, accessibility trust and the events the application
    // posted.
    capture::CaptureMachine& capture() { return *capture_; }
    // The machine's backend server, running while the SimMac lives.
    SimBackendServer& backend() { return *backend_; }

    // The parts that the factory installs as the display server, the audio hardware, the
    // capture machine and the frame source; made with the SimMac and never replaced.
    std::shared_ptr<SimDisplayServer> displayServer() const { return displays_; }
    std::shared_ptr<audio::AudioHardware> audioHardware() const { return audio_; }
    std::shared_ptr<capture::CaptureMachine> captureMachine() const { return capture_; }
    std::shared_ptr<SimDisplayFrames> frameSource() const { return frames_; }

    // Another application became the active one, or quit: posted on the workspace centre
    // on the calling thread, as the system's workspace notices are.
    void activateApplication(const std::string& localizedName,
                             const std::string& bundleIdentifier = {});
    void terminateApplication(const std::string& localizedName,
                              const std::string& bundleIdentifier = {});

    // Builds the virtual device a glasses profile describes, unplugged.
    static std::shared_ptr<VirtualHidDevice> makeDevice(const GlassesProfile& glasses);

    // The session and power events of the machine. Each one changes the machine's state and
    // posts what macOS posts: lock and unlock the distributed "com.apple.screenIsLocked" /
    // "com.apple.screenIsUnlocked" (and the session dictionary follows); screens sleep and
    // wake the workspace's screens-did-sleep / screens-did-wake notices; system sleep first
    // puts the screens to sleep, then posts the power notices "can sleep" and "will sleep"
    // and the workspace's will-sleep notice; system wake posts "will power on", "has
    // powered on" and the workspace's did-wake notice, then wakes the screens.
    // Posts are synchronous (observers on the main queue have run when they return, so
    // call them from the main thread or from a thread the main thread is not waiting for).
    void lockScreen();
    void unlockScreen();
    void screensSleep();
    void screensWake();
    void systemSleep();
    void systemWake();

    void plugDevice(const std::shared_ptr<VirtualHidDevice>& device);
    void unplugDevice(const std::shared_ptr<VirtualHidDevice>& device);
    // The devices plugged in from the profile, in its order.
    std::vector<std::shared_ptr<VirtualHidDevice>> profileDevices() const;

  private:
    MachineProfile profile_;
    SimUsbBus& bus_;
    // The machine's parts below are made by the constructor and never replaced.
    mutable foundation::Mutex mutex_;
    std::vector<std::shared_ptr<VirtualHidDevice>> profileDevices_ TAVRO_GUARDED_BY(mutex_);
    std::vector<std::shared_ptr<VirtualHidDevice>> plugged_ TAVRO_GUARDED_BY(mutex_);
    // Every pair of glasses ever plugged in, retired as the machine goes.
    std::vector<std::weak_ptr<VirtualGlasses>> glasses_ TAVRO_GUARDED_BY(mutex_);
    std::shared_ptr<SimDisplayServer> displays_;
    std::map<const hid::BusDevice*, screens::DisplayId> glassesDisplays_ TAVRO_GUARDED_BY(mutex_);
    std::shared_ptr<audio::AudioHardware> audio_;
    std::map<const hid::BusDevice*, audio::AudioObjectId> glassesAudio_ TAVRO_GUARDED_BY(mutex_);
    std::shared_ptr<capture::CaptureMachine> capture_;
    std::shared_ptr<SimDisplayFrames> frames_;
    std::unique_ptr<SimBackendServer> backend_;
    foundation::Subscription busListener_;
};

}  // namespace platform::sim
