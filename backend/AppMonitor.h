#pragma once
// The foreground-application monitor: measures how long other applications stay active
// (from their activation on the workspace centre to the next activation, or to their
// quitting) and records usage event 6 (other_apps_monitor, uploaded at once) for each stay
// over 5 s of clock time that ends while glasses are connected. This application's own
// activations end a stay but start none.
//
// The workspace notices arrive on the posting thread; the fields are guarded, so any
// thread may post and read.

#include <string>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"

class AppMonitor {
  public:
    static constexpr double kMinimumStaySeconds = 5;

    AppMonitor() = default;
    ~AppMonitor();
    AppMonitor(const AppMonitor&) = delete;
    AppMonitor& operator=(const AppMonitor&) = delete;

    void setUpAppMonitor();
    // Removes the observers; the destructor does it too.
    void tearDownAppMonitor();

    // The fields, read under the lock.
    double startTimer() const;  // clock seconds at the start of the current stay; 0: none
    double endTimer() const;    // clock seconds at the end of the last stay
    std::string useAppName() const;

  private:
    void applicationActivated(const platform::foundation::Notification& note);
    void applicationTerminated(const platform::foundation::Notification& note);
    // Ends the current stay at `now` (under the lock); true with its length and name when
    // it is to be reported.
    bool endStay(double now, double& seconds, std::string& name) TAVRO_REQUIRES(mutex_);

    mutable platform::foundation::Mutex mutex_;
    std::vector<platform::foundation::Subscription> observers_ TAVRO_GUARDED_BY(mutex_);
    double startTimer_ TAVRO_GUARDED_BY(mutex_) = 0;
    double endTimer_ TAVRO_GUARDED_BY(mutex_) = 0;
    std::string useAppName_ TAVRO_GUARDED_BY(mutex_);
};
