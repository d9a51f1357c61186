#include "platform/LocalClock.h"

namespace tralex {

QDateTime LocalClock::Now()
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (mAsked < 0 || now < mAsked || now - mAsked >= 60) {
        mOffset = QDateTime::fromSecsSinceEpoch(now).offsetFromUtc();
        mAsked = now;
    }
    return QDateTime::fromSecsSinceEpoch(now, Qt::OffsetFromUTC, mOffset);
}

}  // namespace tralex
