#pragma once
// The local time for stamping many files in a row. Reading the local time asks the time zone
// (on Linux the C library checks /etc/localtime on every call); this clock reads the system time
// alone and asks the time zone for its offset once a minute, so that a change of offset (summer
// time) shows within a minute.
#include <QDateTime>

namespace tralex {

class LocalClock {
public:
    // The current local time, to the second.
    QDateTime Now();

private:
    qint64 mAsked = -1;  // seconds since the epoch when the offset was asked for
    int mOffset = 0;     // seconds ahead of UTC then
};

}  // namespace tralex
