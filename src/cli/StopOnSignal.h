#pragma once
// Ctrl-C (SIGINT) and SIGTERM ask a run to stop, as the window's STOP does: the run ends after
// the file in hand and reports what it did. The signal handler only writes the signal's number
// to a pipe; a thread of this object reads it and calls the stop action, so the action may do
// what a handler may not (and reaches an office engine's watchdog while a call hangs). A second
// signal of the same kind ends the program at once, as it would without this object.
#include <atomic>
#include <functional>
#include <thread>

namespace tralex {

class StopOnSignal {
public:
    // Installs the handlers; `stop` runs on the watching thread at the first signal.
    explicit StopOnSignal(std::function<void()> stop);
    // Puts the former handlers back and ends the watching thread.
    ~StopOnSignal();
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    // The signal that asked for the stop, or 0.
    int Signal() const { return mSignal.load(); }

private:
    void watch();

    std::function<void()> mStop;
    std::atomic<int> mSignal{0};
    std::thread mWatcher;
};

}  // namespace tralex
