#include "engines/FindPrefilter.h"

#include "engines/ByteReplace.h"

#include <bit>
#include <cstring>

namespace tralex {

namespace {

// A set of the four-byte sequences of a text, hashed into a bit table: a sequence that is not in
// the table is certainly not in the text. With folding, every byte is taken with bit 5 set, which
// makes an ASCII letter's two cases one (and some other bytes too, which only lets more through).
class QuadGramSet {
public:
    QuadGramSet(const QByteArray& bytes, bool fold) : mFold(fold ? 0x20202020u : 0u)
    {
        quint32 bits = 1u << 12;
        while (bits < quint64(bytes.size()) * 8 && bits < (1u << 24))
            bits <<= 1;
        mShift = 32 - quint32(std::countr_zero(bits));
        mTable.assign(bits / 64, 0);
        const uchar* p = reinterpret_cast<const uchar*>(bytes.constData());
        for (qsizetype i = 0; i + 4 <= bytes.size(); ++i) {
            const quint32 h = hash(p + i);
            mTable[h >> 6] |= quint64(1) << (h & 63);
        }
    }
    // Whether every four-byte sequence of the needle (at least four bytes) is in the set.
    bool mayContain(const QByteArray& needle) const
    {
        const uchar* p = reinterpret_cast<const uchar*>(needle.constData());
        for (qsizetype i = 0; i + 4 <= needle.size(); ++i) {
            const quint32 h = hash(p + i);
            if (!(mTable[h >> 6] & (quint64(1) << (h & 63))))
                return false;
        }
        return true;
    }

private:
    quint32 hash(const uchar* p) const
    {
        quint32 v;
        std::memcpy(&v, p, 4);
        return ((v | mFold) * 0x9E3779B1u) >> mShift;
    }
    quint32 mFold;
    quint32 mShift = 0;
    std::vector<quint64> mTable;
};

}  // namespace

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
        for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows31J})
            for (const QByteArray& trap : CaseFoldTrapBytes(encoding))
                mTraps.push_back(ByteFinder::Of(trap, false));
    mUsable = !mFinders.empty();
}

bool FindPrefilter::mayMatch(const QByteArray& bytes) const
{
    // UTF-16 holds ASCII text as other bytes.
    if (!mUsable || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (const ByteFinder& trap : mTraps)
        if (trap.find(data, bytes.size(), 0) >= 0)
            return true;
    // A few find texts are looked for one by one; for many, one pass builds a table of the
    // file's four-byte sequences that every longer find text is then checked against.
    constexpr qsizetype DirectSearchLimit = 8;
    qsizetype longFinds = 0;
    for (const ByteFinder& finder : mFinders)
        longFinds += finder.size() >= 4 ? 1 : 0;
    const bool direct = longFinds <= DirectSearchLimit;
    for (const ByteFinder& finder : mFinders)
        if ((direct || finder.size() < 4) && finder.find(data, bytes.size(), 0) >= 0)
            return true;
    if (direct || bytes.size() < 4)
        return false;
    const QuadGramSet grams(bytes, mUcase);
    for (const QByteArray& find : mFinds)
        if (find.size() >= 4 && grams.mayContain(find))
            return true;
    return false;
}

}  // namespace tralex
