#include "engines/JobThread.h"

#include <utility>

namespace tralex {

JobThread::JobThread() : mThread([this] { serve(); }) {}

JobThread::~JobThread()
{
    {
        const std::lock_guard lock(mMutex);
        mQuit = true;
    }
    mChanged.notify_all();
    mThread.join();
}

void JobThread::Start(std::function<void()> job)
{
    {
        const std::lock_guard lock(mMutex);
        mJob = std::move(job);
        mBusy = true;
        mError = nullptr;
    }
    mChanged.notify_all();
}

void JobThread::Wait()
{
    std::unique_lock lock(mMutex);
    mChanged.wait(lock, [this] { return !mBusy; });
    if (mError)
        std::rethrow_exception(std::exchange(mError, nullptr));
}

void JobThread::serve()
{
    std::unique_lock lock(mMutex);
    for (;;) {
        mChanged.wait(lock, [this] { return mQuit || mJob; });
        if (!mJob)
            return;  // asked to quit with nothing in hand
        std::function<void()> job = std::exchange(mJob, nullptr);
        lock.unlock();
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        mError = error;
        mBusy = false;
        mChanged.notify_all();
    }
}

}  // namespace tralex
