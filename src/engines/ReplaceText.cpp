#include "engines/ReplaceText.h"

#include "engines/TwoWaySearch.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TRALEX_HAVE_AVX2 1
#endif

namespace tralex {

namespace {

// Upper case of every BMP unit, and for every upper-case value the units that map to it, so that
// a search can look for all spellings of a character without building an upper-cased copy.
struct CaseTables {
    std::array<char16_t, 0x10000> upper{};
    std::array<quint32, 0x10001> preStart{};  // preimages of u: pre[preStart[u] .. preStart[u + 1])
    std::vector<char16_t> pre;

    CaseTables()
    {
        for (quint32 c = 0; c < 0x10000; ++c) {
            char16_t u = char16_t(c);
            if (c < 0xD800 || c > 0xDFFF) {
                const UChar32 mapped = u_toupper(UChar32(c));
                if (mapped >= 0 && mapped < 0x10000 && (mapped < 0xD800 || mapped > 0xDFFF))
                    u = char16_t(mapped);
            }
            upper[c] = u;
        }
        std::array<quint32, 0x10000> counts{};
        for (quint32 c = 0; c < 0x10000; ++c)
            ++counts[upper[c]];
        quint32 sum = 0;
        for (quint32 u = 0; u < 0x10000; ++u) {
            preStart[u] = sum;
            sum += counts[u];
        }
        preStart[0x10000] = sum;
        pre.resize(sum);
        std::array<quint32, 0x10000> fill{};
        for (quint32 c = 0; c < 0x10000; ++c) {
            const char16_t u = upper[c];
            pre[preStart[u] + fill[u]++] = char16_t(c);
        }
    }
};

const CaseTables& caseTables()
{
    static const CaseTables tables;
    return tables;
}

// The units a search accepts at one place of the find text: the unit itself, or with the
// upper-case option every unit whose upper case is the comparison unit.
struct UnitSet {
    const char16_t* units = nullptr;
    qsizetype size = 0;
    char16_t single = 0;

    UnitSet(char16_t compared, bool ucase)
    {
        if (ucase) {
            const CaseTables& t = caseTables();
            units = t.pre.data() + t.preStart[compared];
            size = qsizetype(t.preStart[compared + 1] - t.preStart[compared]);
        }
        if (size == 0) {  // an upper-case value is always its own find unit's image; guard anyway
            single = compared;
            units = &single;
            size = 1;
        }
    }
    UnitSet(const UnitSet&) = delete;
    UnitSet& operator=(const UnitSet&) = delete;

    bool contains(char16_t c) const
    {
        for (qsizetype i = 0; i < size; ++i)
            if (units[i] == c)
                return true;
        return false;
    }
};

// Maps a unit to its comparison form: its upper case when a table is given.
struct UnitCanon {
    const char16_t* upper;
    char16_t operator()(char16_t c) const { return upper ? upper[c] : c; }
};

// Searches hay for the comparison find text cf from position `from` on. With ucase, the units of
// hay are upper-cased before they are compared (cf is upper-cased already). A short find text is
// looked for by its first and last unit, many places at a time; a long one by the Two-Way
// search, so that no text makes the cost grow with the find text's length.
class Finder {
public:
    Finder(QStringView cf, bool ucase)
        : mCf(reinterpret_cast<const char16_t*>(cf.utf16())),
          mLen(cf.size()),
          mUcase(ucase),
          mFirst(mCf[0], ucase),
          mLast(mCf[mLen - 1], ucase)
    {
        if (mLen >= LongFind)
            mLong.emplace(mCf, mLen, UnitCanon{ucase ? caseTables().upper.data() : nullptr});
    }

    qsizetype find(const char16_t* hay, qsizetype size, qsizetype from) const
    {
        if (mLong)
            return mLong->find(hay, size, from);
        const qsizetype lastStart = size - mLen;
        qsizetype i = from;
        if (i > lastStart)
            return -1;
#if defined(TRALEX_HAVE_AVX2)
        static const bool avx2 = __builtin_cpu_supports("avx2");
        if (avx2 && mFirst.size <= 4 && mLast.size <= 4) {
            const qsizetype found = findAvx2(hay, lastStart, i);
            if (found != -2)
                return found;
            i = std::max(i, lastStart - 15);  // the rest, fewer than sixteen places
        }
#endif
#if defined(__SSE2__)
        // Compare eight positions at a time: their first units against the first unit of the find
        // text and the units mLen - 1 further on against its last unit; only where both agree is
        // the whole find text compared.
        if (mFirst.size <= 4 && mLast.size <= 4) {
            __m128i first[4], last[4];
            for (qsizetype k = 0; k < 4; ++k) {
                first[k] = _mm_set1_epi16(short(mFirst.units[std::min(k, mFirst.size - 1)]));
                last[k] = _mm_set1_epi16(short(mLast.units[std::min(k, mLast.size - 1)]));
            }
            const qsizetype lastOff = mLen - 1;
            for (; i + 7 <= lastStart; i += 8) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i));
                const __m128i b =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + lastOff));
                __m128i ea = _mm_cmpeq_epi16(a, first[0]);
                __m128i eb = _mm_cmpeq_epi16(b, last[0]);
                for (qsizetype k = 1; k < mFirst.size; ++k)
                    ea = _mm_or_si128(ea, _mm_cmpeq_epi16(a, first[k]));
                for (qsizetype k = 1; k < mLast.size; ++k)
                    eb = _mm_or_si128(eb, _mm_cmpeq_epi16(b, last[k]));
                unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(ea, eb)));
                while (mask != 0) {
                    const int bit = __builtin_ctz(mask);
                    const qsizetype at = i + bit / 2;
                    if (matchesAt(hay + at))
                        return at;
                    mask &= ~(3u << bit);
                }
            }
        }
#endif
        for (; i <= lastStart; ++i) {
            if (mFirst.contains(hay[i]) && matchesAt(hay + i))
                return i;
        }
        return -1;
    }

private:
#if defined(TRALEX_HAVE_AVX2)
    // The same comparison sixteen places at a time. Returns the match, -1 when there is none, or
    // -2 when fewer than sixteen places remained unsearched.
    __attribute__((target("avx2"))) qsizetype findAvx2(const char16_t* hay, qsizetype lastStart,
                                                       qsizetype i) const
    {
        __m256i first[4], last[4];
        for (qsizetype k = 0; k < 4; ++k) {
            first[k] = _mm256_set1_epi16(short(mFirst.units[std::min(k, mFirst.size - 1)]));
            last[k] = _mm256_set1_epi16(short(mLast.units[std::min(k, mLast.size - 1)]));
        }
        const qsizetype lastOff = mLen - 1;
        for (; i + 15 <= lastStart; i += 16) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + i));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + i + lastOff));
            __m256i ea = _mm256_cmpeq_epi16(a, first[0]);
            __m256i eb = _mm256_cmpeq_epi16(b, last[0]);
            for (qsizetype k = 1; k < mFirst.size; ++k)
                ea = _mm256_or_si256(ea, _mm256_cmpeq_epi16(a, first[k]));
            for (qsizetype k = 1; k < mLast.size; ++k)
                eb = _mm256_or_si256(eb, _mm256_cmpeq_epi16(b, last[k]));
            unsigned mask = unsigned(_mm256_movemask_epi8(_mm256_and_si256(ea, eb)));
            while (mask != 0) {
                const int bit = __builtin_ctz(mask);
                const qsizetype at = i + bit / 2;
                if (matchesAt(hay + at))
                    return at;
                mask &= ~(3u << bit);
            }
        }
        return -2;
    }
#endif

    bool matchesAt(const char16_t* p) const
    {
        if (!mUcase)
            return std::memcmp(p, mCf, size_t(mLen) * sizeof(char16_t)) == 0;
        const auto& upper = caseTables().upper;
        for (qsizetype k = 0; k < mLen; ++k)
            if (upper[p[k]] != mCf[k])
                return false;
        return true;
    }

    static constexpr qsizetype LongFind = 32;

    const char16_t* mCf;
    qsizetype mLen;
    bool mUcase;
    UnitSet mFirst;
    UnitSet mLast;
    std::optional<TwoWaySearch<char16_t, UnitCanon>> mLong;
};

}  // namespace

char16_t UpperUnit(char16_t unit)
{
    return caseTables().upper[unit];
}

bool HasCaseVariants(char16_t unit)
{
    const CaseTables& t = caseTables();
    const char16_t u = t.upper[unit];
    return t.preStart[u + 1] - t.preStart[u] > 1;
}

QString UpperText(QStringView text)
{
    const auto& upper = caseTables().upper;
    QString result(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    const char16_t* in = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = upper[in[i]];
    return result;
}

qint64 ReplaceText(QString& text, QStringView find, QStringView replace, bool retryOption,
                   bool ucaseOption, QList<TextEdit>* edits)
{
    if (find.isEmpty())
        return 0;
    const QString cf = ucaseOption ? UpperText(find) : find.toString();
    const QString cr = ucaseOption ? UpperText(replace) : replace.toString();
    const qsizetype lenF = find.size();
    const qsizetype lenR = replace.size();
    // First place (from 1) of the find text inside the replace text, 0 when it is not there.
    const qsizetype inner = cr.indexOf(cf) + 1;
    const bool protect = retryOption && inner >= 1;

    const Finder finder(cf, ucaseOption);
    const char16_t* in = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype inSize = text.size();

    // The current text is always `out` followed by in[ipos..]; searching resumes at spos (a
    // position in `in`), which never lies before ipos, so only the unchanged input is searched.
    QString out;
    qsizetype ipos = 0;
    qsizetype spos = 0;
    qint64 count = 0;
    const auto& upper = caseTables().upper;
    const char16_t* crUnits = reinterpret_cast<const char16_t*>(cr.utf16());

    // Whether the current text holds the comparison replace text at position c (its units
    // upper-cased with the option).
    auto replaceTextAt = [&](qsizetype c) {
        const qsizetype outSize = out.size();
        if (c + lenR > outSize + (inSize - ipos))
            return false;
        const char16_t* o = reinterpret_cast<const char16_t*>(out.utf16());
        for (qsizetype k = 0; k < lenR; ++k) {
            const qsizetype p = c + k;
            char16_t u = p < outSize ? o[p] : in[ipos + (p - outSize)];
            if (ucaseOption)
                u = upper[u];
            if (u != crUnits[k])
                return false;
        }
        return true;
    };

    while (spos <= inSize) {
        const qsizetype m = finder.find(in, inSize, spos);
        if (m < 0)
            break;
        bool replaceIt = true;
        if (protect) {
            const qsizetype a = out.size() + (m - ipos);  // position in the current text, from 0
            const qsizetype c = std::max<qsizetype>(a - (inner - 1), 0);
            replaceIt = !replaceTextAt(c);
        }
        if (replaceIt) {
            if (out.isNull())
                out.reserve(inSize + std::max<qsizetype>(lenR - lenF, 0) * 16 + 16);
            out.append(QStringView(in + ipos, m - ipos));
            out.append(replace);
            ipos = m + lenF;
            spos = ipos;  // right behind the inserted text
            ++count;
            if (edits)
                edits->append(TextEdit{m, lenF, lenR});
        } else {
            spos = m + lenR;  // a + length of the replace text, counted from the occurrence
        }
    }
    if (count == 0)
        return 0;
    out.append(QStringView(in + ipos, inSize - ipos));
    text = std::move(out);
    return count;
}

}  // namespace tralex
