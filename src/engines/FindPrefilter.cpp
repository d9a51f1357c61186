#include "engines/FindPrefilter.h"

#include "engines/ByteReplace.h"

#include <algorithm>


namespace tralex {

FindPrefilter::FindPrefilter(const QStringList& finds, bool ucaseOption) : mUcase(ucaseOption)
{
    for (const QString& find : finds) {
        for (const QChar c : find)
            if (c.unicode() >= 0x80)
                return;  // mUsable stays false
        const QByteArray bytes = find.toLatin1();
        if (bytes.isEmpty() || mFinds.contains(bytes))
            continue;
        mFinds.append(bytes);
        mFinders.push_back(ByteFinder::Of(bytes, ucaseOption));
    }
    if (ucaseOption)
        for (TextEncoding encoding :
             {TextEncoding::Utf8, TextEncoding::Windows31J, TextEncoding::EucJp})
            for (const QByteArray& trap : CaseFoldTrapBytes(encoding))
                mTraps.push_back(ByteFinder::Of(trap, false));
    mUsable = !mFinders.empty();
    for (const ByteFinder& finder : mFinders)
        mOverlap = std::max(mOverlap, finder.size() - 1);
    for (const ByteFinder& trap : mTraps)
        mOverlap = std::max(mOverlap, trap.size() - 1);
    // A few find texts are looked for one by one, many all at once.
    constexpr size_t DirectSearchLimit = 8;
    if (mFinders.size() > DirectSearchLimit)
        mAll = MultiSearch(mFinders, ucaseOption);
}

bool FindPrefilter::mayMatch(const QByteArray& bytes) const
{
    // UTF-16 holds ASCII text as other bytes.
    if (!mUsable || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    return mayMatchIn(bytes);
}

bool FindPrefilter::mayMatchIn(QByteArrayView bytes) const
{
    if (!mUsable)
        return true;
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (const ByteFinder& trap : mTraps)
        if (trap.find(data, bytes.size(), 0) >= 0)
            return true;
    if (!mAll.empty())
        return mAll.find(data, bytes.size(), 0).at >= 0;
    for (const ByteFinder& finder : mFinders)
        if (finder.find(data, bytes.size(), 0) >= 0)
            return true;
    return false;
}

}  // namespace tralex
