#include "backend/AppMonitor.h"

#include "appstate/AppDelegate.h"
#include "backend/TavroUserBehaviorReporting.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/WorkspaceNotifications.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace fdn = platform::foundation;

namespace {

double clockSeconds() {
    return fdn::Clock::toSeconds(fdn::Clock::current().now().time_since_epoch());
}

const fdn::Value& applicationOf(const fdn::Notification& note) {
    return note.userInfo[fdn::kWorkspaceApplicationKey];
}

std::string nameOf(const fdn::Value& application) {
    const fdn::Value& name = application[fdn::kWorkspaceApplicationLocalizedNameKey];
    if (name.isText() && !name.text().empty()) return name.text();
    return application[fdn::kWorkspaceApplicationBundleIdentifierKey].text();
}

bool isThisApplication(const fdn::Value& application) {
    const std::string& identifier =
        application[fdn::kWorkspaceApplicationBundleIdentifierKey].text();
    return !identifier.empty() && identifier == fdn::Bundle::main().bundleIdentifier();
}

void report(double seconds, const std::string& name) {
    BehaviorEventDetails details;
    details.duration = seconds;
    details.appName = name;
    TavroUserBehaviorReporting::shared()->recordEvent(BehaviorEventType::other_apps_monitor, false,
                                                      details);
}

}  // namespace

AppMonitor::~AppMonitor() {
    tearDownAppMonitor();
}

void AppMonitor::setUpAppMonitor() {
    auto& workspace = fdn::NotificationCenter::workspaceCenter();
    auto activated = workspace.addObserver(
        fdn::kWorkspaceDidActivateApplicationNotification, std::nullopt, nullptr,
        [this](const fdn::Notification& note) { applicationActivated(note); });
    auto terminated = workspace.addObserver(
        fdn::kWorkspaceDidTerminateApplicationNotification, std::nullopt, nullptr,
        [this](const fdn::Notification& note) { applicationTerminated(note); });
    MutexLock lock(mutex_);
    observers_.push_back(std::move(activated));
    observers_.push_back(std::move(terminated));
}

void AppMonitor::tearDownAppMonitor() {
    std::vector<fdn::Subscription> observers;  // they go after the lock
    MutexLock lock(mutex_);
    observers.swap(observers_);
}

bool AppMonitor::endStay(double now, double& seconds, std::string& name) {
    if (useAppName_.empty()) return false;
    endTimer_ = now;
    seconds = endTimer_ - startTimer_;
    name = useAppName_;
    useAppName_.clear();
    startTimer_ = 0;
    return seconds > kMinimumStaySeconds && AppDelegate::shared().glassStatus.load();
}

void AppMonitor::applicationActivated(const fdn::Notification& note) {
    const fdn::Value& application = applicationOf(note);
    double now = clockSeconds();
    double seconds = 0;
    std::string ended;
    bool reportIt = false;
    {
        MutexLock lock(mutex_);
        reportIt = endStay(now, seconds, ended);
        if (!isThisApplication(application)) {
            useAppName_ = nameOf(application);
            startTimer_ = now;
        }
    }
    // Outside the lock: the report reads the delegate and queues network work.
    if (reportIt) report(seconds, ended);
}

void AppMonitor::applicationTerminated(const fdn::Notification& note) {
    std::string name = nameOf(applicationOf(note));
    double seconds = 0;
    std::string ended;
    bool reportIt = false;
    {
        MutexLock lock(mutex_);
        if (name.empty() || name != useAppName_) return;
        reportIt = endStay(clockSeconds(), seconds, ended);
    }
    if (reportIt) report(seconds, ended);
}

double AppMonitor::startTimer() const {
    MutexLock lock(mutex_);
    return startTimer_;
}

double AppMonitor::endTimer() const {
    MutexLock lock(mutex_);
    return endTimer_;
}

std::string AppMonitor::useAppName() const {
    MutexLock lock(mutex_);
    return useAppName_;
}
