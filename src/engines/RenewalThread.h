#pragma once
// A thread of its own for putting files' new content in place, so that the renewal of one file
// (its writes, links and renames) runs while the run reads and replaces the next one. One job at
// a time: the run waits for the job before, and reports it, before it starts the next.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tralex {

class RenewalThread {
public:
    RenewalThread();
    // Waits for the job in hand, then ends the thread.
    ~RenewalThread();
    RenewalThread(const RenewalThread&) = delete;
    RenewalThread& operator=(const RenewalThread&) = delete;

    // Starts a job; the one before must have been waited for.
    void Start(std::function<void()> job);
    // Waits for the job started last; throws what it threw.
    void Wait();

private:
    void serve();

    std::mutex mMutex;
    std::condition_variable mChanged;
    std::function<void()> mJob;   // started, not yet taken by the thread
    bool mBusy = false;           // started and not yet ended
    bool mQuit = false;
    std::exception_ptr mError;
    std::thread mThread;          // last: it starts once the members above exist
};

}  // namespace tralex
