#pragma once
// The thread a HID device monitor lives on: it runs the monitor's start(), and so its run
// loop, until stopped. The owner (the glasses server) starts it once; stop() and the
// destructor may be called from any other thread and return when the thread has ended.

#include <thread>

#include "glasses/HIDDeviceMonitor.h"

class HIDMonitorThread {
  public:
    explicit HIDMonitorThread(HIDDeviceMonitor& monitor)
        : monitor_(monitor), thread_([this] { monitor_.start(); }) {}
    ~HIDMonitorThread() { stop(); }
    HIDMonitorThread(const HIDMonitorThread&) = delete;
    HIDMonitorThread& operator=(const HIDMonitorThread&) = delete;

    void stop() {
        if (!thread_.joinable()) return;
        monitor_.stop();
        thread_.join();
    }

  private:
    HIDDeviceMonitor& monitor_;
    std::thread thread_;
};
