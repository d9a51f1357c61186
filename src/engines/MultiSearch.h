#pragma once
// Finding the first place where any of many needles occurs, in one pass over the bytes.
//
// Every needle is at least as long as the shortest one, L. The search looks at the two bytes that
// end a window of L bytes: where they occur in no needle's first L bytes, the window moves on as
// far as that allows (up to L - 1 places at once); where they end some needle's first L bytes,
// those needles are compared at the window's start.
#include "engines/ByteSearch.h"

#include <unordered_map>
#include <vector>

namespace tralex {

class MultiSearch {
public:
    MultiSearch() = default;
    // The needles (each with its own comparison, as ByteFinder has it); none may be empty.
    // With fold, the search takes every ASCII letter in upper case, as a folding needle compares
    // it; it must be set when any needle folds.
    MultiSearch(std::vector<ByteFinder> needles, bool fold);

    bool empty() const { return mNeedles.empty(); }

    struct Match {
        qsizetype at = -1;  // -1: none
        size_t needle = 0;  // the index of a needle found there (the first, when several are)
    };
    // The first place at or after `from` where a needle occurs.
    Match find(const uchar* data, qsizetype size, qsizetype from) const;

private:
    unsigned blockAt(const uchar* p) const
    {
        const unsigned first = mFold ? UpperAscii(p[0]) : p[0];
        if (mBlock == 1)
            return first;
        return (first << 8) | (mFold ? UpperAscii(p[1]) : p[1]);
    }

    std::vector<ByteFinder> mNeedles;
    qsizetype mShortest = 0;
    qsizetype mBlock = 2;          // bytes looked at together: 1 when a needle is one byte long
    bool mFold = false;
    std::vector<quint8> mShift;    // per block: how far the window may move
    std::unordered_map<unsigned, std::vector<size_t>> mNeedlesEndingWith;  // their first L bytes
};

}  // namespace tralex
