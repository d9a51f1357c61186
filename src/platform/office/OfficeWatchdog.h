#pragma once
// Ends a LibreOffice that stopped answering. A call into a hung soffice waits for ever (the pipe
// has no time-out), so a thread of its own watches the time while a file is worked on and, when
// the time is up, kills the process; the waiting call then fails and the caller learns from
// Fired() that the process hung.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tralex {

class OfficeWatchdog {
public:
    OfficeWatchdog();
    ~OfficeWatchdog();
    OfficeWatchdog(const OfficeWatchdog&) = delete;
    OfficeWatchdog& operator=(const OfficeWatchdog&) = delete;

    // Calls onTimeout (on the watchdog's thread) unless Disarm comes within `milliseconds`.
    void Arm(int milliseconds, std::function<void()> onTimeout);
    void Disarm();
    // Whether the last armed time ran out.
    bool Fired() const;
    // Whether a time is running.
    bool Armed() const;
    // A flag looked at while a time runs: once it is set, the time left is cut to `graceMs`.
    void setStopFlag(const std::atomic<bool>* flag, int graceMs);

private:
    void watch();

    mutable std::mutex mMutex;
    std::condition_variable mWake;
    std::function<void()> mOnTimeout;
    std::chrono::steady_clock::time_point mDeadline;
    bool mArmed = false;
    bool mFired = false;
    bool mQuit = false;
    const std::atomic<bool>* mStopFlag = nullptr;
    std::chrono::milliseconds mStopGrace{0};
    std::thread mThread;
};

}  // namespace tralex
