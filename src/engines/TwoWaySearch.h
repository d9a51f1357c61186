#pragma once
// Searching for a long needle in time linear in the haystack, whatever the needle (the Two-Way
// algorithm of Crochemore and Perrin, with a bad-character shift on the needle's last unit).
//
// The needle is split at a critical factorization into a left and a right half. A window is
// compared right half first, left to right; a mismatch there moves the window past the units
// that matched. When the right half matches, the left half is compared right to left, and the
// window moves by the needle's period; for a periodic needle the units already known to match
// are not compared again. Each unit of the haystack is thus compared a bounded number of times.
//
// Units are compared through Canon, which maps a unit to its comparison form (an upper case, or
// the unit itself); the needle is given in that form.
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <vector>

namespace tralex {

template <typename Unit, typename Canon>
class TwoWaySearch {
public:
    TwoWaySearch(const Unit* needle, qsizetype length, Canon canon)
        : mNeedle(needle, needle + length), mCanon(canon)
    {
        mShift.fill(length);
        for (qsizetype i = 0; i < length; ++i) {
            auto& shift = mShift[slot(needle[i])];
            shift = std::min(shift, length - i - 1);
        }
        qsizetype periodLess = 1;
        qsizetype periodMore = 1;
        const qsizetype suffixLess = maximalSuffix(false, periodLess);
        const qsizetype suffixMore = maximalSuffix(true, periodMore);
        // The later of the two maximal suffixes gives a critical factorization.
        if (suffixLess > suffixMore) {
            mSuffix = suffixLess + 1;
            mPeriod = periodLess;
        } else {
            mSuffix = suffixMore + 1;
            mPeriod = periodMore;
        }
        mPeriodic = std::equal(mNeedle.begin(), mNeedle.begin() + mSuffix,
                               mNeedle.begin() + mPeriod);
        if (!mPeriodic)
            mPeriod = std::max(mSuffix, length - mSuffix) + 1;
    }

    // The first position at or after `from` where the needle occurs, or -1.
    qsizetype find(const Unit* hay, qsizetype size, qsizetype from) const
    {
        const qsizetype len = qsizetype(mNeedle.size());
        const Unit* const needle = mNeedle.data();
        qsizetype memory = 0;  // units at the window's start known to match (periodic needle)
        for (qsizetype j = std::max<qsizetype>(from, 0); len > 0 && j <= size - len;) {
            const qsizetype shift = mShift[slot(mCanon(hay[j + len - 1]))];
            if (shift > 0) {
                j += shift;
                memory = 0;
                continue;
            }
            qsizetype i = std::max(mSuffix, memory);
            while (i < len && mCanon(hay[j + i]) == needle[i])
                ++i;
            if (i < len) {
                j += i - mSuffix + 1;
                memory = 0;
                continue;
            }
            qsizetype k = mSuffix - 1;
            while (k >= memory && mCanon(hay[j + k]) == needle[k])
                --k;
            if (k < memory)
                return j;
            j += mPeriod;
            memory = mPeriodic ? len - mPeriod : 0;
        }
        return -1;
    }

private:
    static std::size_t slot(Unit unit) { return std::size_t(unit) & 0xFF; }

    // The start of the needle's maximal suffix in the order (reversed when `reverse`), and the
    // period of that suffix.
    qsizetype maximalSuffix(bool reverse, qsizetype& period) const
    {
        const qsizetype len = qsizetype(mNeedle.size());
        qsizetype best = -1;
        qsizetype j = 0;
        qsizetype k = 1;
        period = 1;
        while (j + k < len) {
            const Unit a = mNeedle[j + k];
            const Unit b = mNeedle[best + k];
            if (a == b) {
                if (k != period) {
                    ++k;
                } else {
                    j += period;
                    k = 1;
                }
            } else if ((a < b) != reverse) {
                j += k;
                k = 1;
                period = j - best;
            } else {
                best = j++;
                k = period = 1;
            }
        }
        return best;
    }

    std::vector<Unit> mNeedle;
    Canon mCanon;
    std::array<qsizetype, 256> mShift;  // per low byte of a unit: the least move that lines a
                                        // needle unit up with it (0: the last unit may match)
    qsizetype mSuffix = 0;              // start of the right half
    qsizetype mPeriod = 1;
    bool mPeriodic = false;
};

}  // namespace tralex
