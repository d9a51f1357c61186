#include "platform/office/OfficeWatchdog.h"

#include <algorithm>

namespace tralex {

OfficeWatchdog::OfficeWatchdog() : mThread([this] { watch(); }) {}

OfficeWatchdog::~OfficeWatchdog()
{
    {
        std::lock_guard lock(mMutex);
        mQuit = true;
    }
    mWake.notify_all();
    mThread.join();
}

void OfficeWatchdog::Arm(int milliseconds, std::function<void()> onTimeout)
{
    {
        std::lock_guard lock(mMutex);
        mOnTimeout = std::move(onTimeout);
        mDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        mArmed = true;
        mFired = false;
    }
    mWake.notify_all();
}

void OfficeWatchdog::Disarm()
{
    std::lock_guard lock(mMutex);
    mArmed = false;
}

bool OfficeWatchdog::Fired() const
{
    std::lock_guard lock(mMutex);
    return mFired;
}

bool OfficeWatchdog::Armed() const
{
    std::lock_guard lock(mMutex);
    return mArmed;
}

void OfficeWatchdog::setStopFlag(const std::atomic<bool>* flag, int graceMs)
{
    std::lock_guard lock(mMutex);
    mStopFlag = flag;
    mStopGrace = std::chrono::milliseconds(graceMs);
}

void OfficeWatchdog::watch()
{
    // How often a set stop flag is looked for while a time runs.
    constexpr std::chrono::milliseconds StopPoll{50};
    std::unique_lock lock(mMutex);
    while (!mQuit) {
        if (!mArmed) {
            mWake.wait(lock);
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (mStopFlag && mStopFlag->load() && mDeadline > now + mStopGrace)
            mDeadline = now + mStopGrace;
        const auto until = mStopFlag ? std::min(mDeadline, now + StopPoll) : mDeadline;
        if (mWake.wait_until(lock, until) == std::cv_status::timeout && mArmed
            && std::chrono::steady_clock::now() >= mDeadline) {
            mArmed = false;
            mFired = true;
            mOnTimeout();
        }
    }
}

}  // namespace tralex
