#pragma once
// A thread of its own for the part of a file's handling that can run while the run reads and
// replaces the next file: putting its new content in place (its writes, links and renames), or
// what a preview notes of it. One job at a time: the run waits for the job before, and reports
// it, before it starts the next.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tralex {

class JobThread {
public:
    JobThread();
    // Waits for the job in hand, then ends the thread.
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

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
