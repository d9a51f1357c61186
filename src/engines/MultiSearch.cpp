#include "engines/MultiSearch.h"

#include <algorithm>

namespace tralex {

MultiSearch::MultiSearch(std::vector<ByteFinder> needles, bool fold)
    : mNeedles(std::move(needles)), mFold(fold)
{
    if (mNeedles.empty())
        return;
    mShortest = mNeedles.front().size();
    for (const ByteFinder& needle : mNeedles)
        mShortest = std::min(mShortest, needle.size());
    mBlock = std::min<qsizetype>(2, mShortest);
    // A block that is in no needle's first L bytes lets the window move past it whole.
    const qsizetype farthest = std::min<qsizetype>(mShortest - mBlock + 1, 255);
    mShift.assign(mBlock == 2 ? 65536 : 256, quint8(farthest));
    for (size_t k = 0; k < mNeedles.size(); ++k) {
        const uchar* bytes = reinterpret_cast<const uchar*>(mNeedles[k].needle().constData());
        for (qsizetype q = 0; q + mBlock <= mShortest; ++q) {
            quint8& shift = mShift[blockAt(bytes + q)];
            shift = std::min(shift, quint8(std::min<qsizetype>(mShortest - mBlock - q, 255)));
        }
        mNeedlesEndingWith[blockAt(bytes + mShortest - mBlock)].push_back(k);
    }
}

MultiSearch::Match MultiSearch::find(const uchar* data, qsizetype size, qsizetype from) const
{
    const qsizetype end = mShortest - mBlock;  // the window's last block, from its start
    for (qsizetype p = from; p + mShortest <= size;) {
        const unsigned block = blockAt(data + p + end);
        if (const quint8 shift = mShift[block]; shift > 0) {
            p += shift;
            continue;
        }
        for (const size_t k : mNeedlesEndingWith.at(block)) {
            const ByteFinder& needle = mNeedles[k];
            if (p + needle.size() <= size && needle.matchesAt(data + p))
                return {p, k};
        }
        ++p;
    }
    return {};
}

}  // namespace tralex
