#include "engines/ByteReplace.h"

#include "engines/ByteSearch.h"
#include "engines/EncodedCharacters.h"
#include "engines/ReplaceText.h"
#include "platform/SpareBuffers.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tralex {

namespace {

bool isAsciiLetter(char16_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The units above ASCII whose upper case is ASCII (ı and ſ with ICU's mapping): with the
// upper-case option they compare equal to ASCII letters, so a file holding one is decoded.
const QString& foldTrapUnits()
{
    static const QString units = [] {
        QString found;
        for (quint32 c = 0x80; c < 0x10000; ++c)
            if (UpperUnit(char16_t(c)) < 0x80)
                found.append(QChar(char16_t(c)));
        return found;
    }();
    return units;
}

// Whether with the upper-case option the text compares like bytes with ASCII letters folded:
// none of its characters above ASCII has a case variant.
bool foldsLikeAscii(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80 && HasCaseVariants(c.unicode()))
            return false;
    return true;
}

// The encoding without its byte order mark: the bytes a text is written with inside a file.
TextEncoding innerEncoding(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8Bom ? TextEncoding::Utf8 : encoding;
}

// Whether b, placed `shift` bytes after a's start, agrees with a wherever the two overlap, and
// they do overlap; with fold, every ASCII letter compares without case.
bool agreeAt(const QByteArray& a, const QByteArray& b, qsizetype shift, bool fold)
{
    const qsizetype from = std::max<qsizetype>(0, shift);
    const qsizetype to = std::min(a.size(), shift + b.size());
    for (qsizetype i = from; i < to; ++i) {
        const uchar x = uchar(a[i]);
        const uchar y = uchar(b[i - shift]);
        if (fold ? UpperAscii(x) != UpperAscii(y) : x != y)
            return false;
    }
    return from < to;
}

// Whether an occurrence of b can share a byte with an occurrence of a in some text.
bool canOverlap(const QByteArray& a, const QByteArray& b, bool fold)
{
    for (qsizetype shift = 1 - b.size(); shift < a.size(); ++shift)
        if (agreeAt(a, b, shift, fold))
            return true;
    return false;
}

}  // namespace

QList<QByteArray> CaseFoldTrapBytes(TextEncoding encoding)
{
    QList<QByteArray> traps;
    for (const QChar c : foldTrapUnits())
        if (std::optional<QByteArray> bytes = EncodeText(QStringView(&c, 1), encoding))
            traps.append(*bytes);
    return traps;
}

ByteReplacer::ByteReplacer(const QList<TextPair>& pairs, TextEncoding encoding,
                           bool retryOption, bool ucaseOption)
    : mEncoding(encoding), mRetry(retryOption), mUcase(ucaseOption)
{
    if (encoding != TextEncoding::Utf8 && encoding != TextEncoding::Utf8Bom
        && encoding != TextEncoding::Windows31J) {
        mUsable = false;
        return;
    }
    for (const TextPair& pair : pairs) {
        if (!prepare(pair)) {
            mUsable = false;
            return;
        }
    }
    if (mUcase)
        for (const QByteArray& trap : CaseFoldTrapBytes(innerEncoding(mEncoding)))
            mFoldTraps.push_back(ByteFinder::Of(trap, false));
    prepareOnePass();
}

// Applying pair 1 to the whole text, then pair 2 to the result and so on, is the same as one pass
// that replaces, at each place from left to right, the find text that occurs there, when
//   - no two find texts can overlap (one's end being the other's start, or one inside the
//     other), so that an occurrence of a later pair never loses its place to an earlier match;
//   - no replace text can overlap a later pair's find text, and none is empty unless no pair
//     follows it, so that a replacement never makes a later pair's find text.
// Then every pair's matches in the result of the pairs before it are its matches in the original
// text (the bytes between matches, and so the characters' starts, are left as they were), and at
// each place at most one find text occurs. Overlaps are looked for at every byte, with every
// ASCII letter folded under the upper-case option: more than can really occur, which only leaves
// more lists to the pair-after-pair way.
void ByteReplacer::prepareOnePass()
{
    // The retry option looks around each match for a replace text that holds the find text:
    // such a pair is applied pair after pair only.
    for (const Pair& pair : mPairs)
        if (mRetry && pair.innerBytes >= 0)
            return;
    std::vector<ByteFinder> finders;
    for (size_t j = 0; j < mPairs.size(); ++j) {
        const Pair& later = mPairs[j];
        if (!later.find)
            continue;  // never matches in this encoding
        for (size_t i = 0; i < j; ++i) {
            const Pair& earlier = mPairs[i];
            if (!earlier.find)
                continue;  // never replaces anything
            if (canOverlap(earlier.find->compared, later.find->compared, mUcase))
                return;
            if (earlier.replace
                && (earlier.replace->bytes.isEmpty()
                    || canOverlap(earlier.replace->bytes, later.find->compared, mUcase)))
                return;
        }
        finders.push_back(*later.finder);
        mOnePassPairs.push_back(j);
    }
    if (finders.size() < 2) {
        mOnePassPairs.clear();
        return;  // one pair: its own search is the faster
    }
    mOnePass = MultiSearch(std::move(finders), mUcase);
}

std::optional<ByteReplacer::Encoded> ByteReplacer::encode(const QString& text) const
{
    const TextEncoding encoding = innerEncoding(mEncoding);
    std::optional<QByteArray> bytes = EncodeText(text, encoding);
    if (!bytes)
        return std::nullopt;
    Encoded result{*bytes, *bytes, QByteArray(bytes->size(), '\0')};
    if (!mUcase)
        return result;
    // Only bytes that are whole characters are ASCII letters: a Windows-31J trail byte may have
    // the value of one.
    const char* data = bytes->constData();
    for (qsizetype i = 0; i < bytes->size();) {
        const qsizetype next = SkipUnits(data, bytes->size(), i, 1, encoding);
        if (next == i + 1 && isAsciiLetter(char16_t(uchar(data[i])))) {
            result.fold[i] = '\1';
            result.compared[i] = char(UpperAscii(uchar(data[i])));
        }
        i = next;
    }
    return result;
}

bool ByteReplacer::prepare(const TextPair& pair)
{
    if (mUcase && (!foldsLikeAscii(pair.find) || !foldsLikeAscii(pair.replace)))
        return false;
    // A find text holding half of a surrogate pair can match half of a character.
    if (!CanEncode(pair.find, TextEncoding::Utf8))
        return false;
    const TextEncoding encoding = innerEncoding(mEncoding);
    Pair prepared;
    if (CanEncode(pair.find, encoding)) {
        if (!HasUniqueEncoding(pair.find, encoding))
            return false;
        prepared.find = encode(pair.find);
        prepared.finder.emplace(prepared.find->compared, prepared.find->fold);
        // A long find text whose letters are folded at some places only is searched in the
        // decoded text, where the search stays linear.
        if (!prepared.finder->linear())
            return false;
    }
    // A replace text with a duplicate-coded character is inserted with its usual code, as
    // encoding the decoded text would; but the retry option would have to recognise it in
    // either form.
    if (mRetry && !HasUniqueEncoding(pair.replace, encoding) && CanEncode(pair.replace, encoding))
        return false;
    prepared.replace = encode(pair.replace);
    prepared.replaceUnits = pair.replace.size();
    if (mRetry && prepared.replace) {
        const QString cf = mUcase ? UpperText(pair.find) : pair.find;
        const QString cr = mUcase ? UpperText(pair.replace) : pair.replace;
        const qsizetype inner = cr.indexOf(cf);
        if (inner >= 0)
            prepared.innerBytes = EncodeText(QStringView(pair.replace).left(inner), encoding)->size();
    }
    mPairs.push_back(std::move(prepared));
    return true;
}

std::optional<qint64> ByteReplacer::Apply(QByteArray& bytes, qsizetype start) const
{
    if (!mUsable)
        return std::nullopt;
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (const ByteFinder& trap : mFoldTraps)
        if (trap.find(data, bytes.size(), start) >= 0)
            return std::nullopt;
    if (!mOnePass.empty())
        return applyInOnePass(bytes, start);
    QByteArray current = bytes;  // shared until a pair changes it
    qint64 total = 0;
    // With many pairs, most find texts are not in a given text: a table of the text's four-byte
    // sequences passes over those pairs without a search. Each replacement adds the sequences
    // that reach into the inserted text, so the table always holds all of the current text's.
    constexpr size_t ManyPairs = 8;
    std::optional<QuadGramSet> grams;
    if (mPairs.size() > ManyPairs)
        grams.emplace(current, mUcase);
    QList<qsizetype> inserted;
    for (const Pair& pair : mPairs) {
        if (!pair.find)
            continue;  // its text cannot occur in a file of this encoding
        if (grams && pair.find->bytes.size() >= 4 && !grams->mayContain(pair.find->bytes))
            continue;
        inserted.clear();
        const std::optional<qint64> count =
            applyPair(pair, current, start, grams ? &inserted : nullptr);
        if (!count)
            return std::nullopt;
        for (const qsizetype at : std::as_const(inserted))
            grams->add(current, at - 3, at + pair.replace->bytes.size());
        total += *count;
    }
    if (total > 0)
        SpareBuffers::Give(std::exchange(bytes, std::move(current)));
    return total;
}

std::optional<qint64> ByteReplacer::applyPair(const Pair& pair, QByteArray& bytes,
                                              qsizetype start, QList<qsizetype>* inserted) const
{
    const ByteFinder& finder = *pair.finder;
    const uchar* in = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype inSize = bytes.size();
    const qsizetype lenF = pair.find->bytes.size();
    const bool checkStarts = mEncoding == TextEncoding::Windows31J;
    const bool protect = mRetry && pair.innerBytes >= 0;

    // The current text is `out` followed by in[ipos..], as in ReplaceText; positions count
    // bytes, and the text proper begins at `start`.
    QByteArray out;
    qsizetype ipos = 0;
    qsizetype spos = start;
    qint64 count = 0;

    // Whether a character begins at position c of the current text.
    auto startsAt = [&](qsizetype c) {
        if (!checkStarts)
            return true;
        const qsizetype outSize = out.size();
        if (c >= outSize)
            return StartsCharacter(bytes.constData(), std::max(ipos, start), ipos + (c - outSize),
                                   mEncoding);
        return StartsCharacter(out.constData(), start, c, mEncoding);
    };
    // Whether the current text holds the comparison replace text at position c.
    auto replaceTextAt = [&](qsizetype c) {
        const Encoded& r = *pair.replace;
        const qsizetype lenR = r.bytes.size();
        const qsizetype outSize = out.size();
        if (c + lenR > outSize + (inSize - ipos))
            return false;
        const uchar* o = reinterpret_cast<const uchar*>(out.constData());
        for (qsizetype k = 0; k < lenR; ++k) {
            const qsizetype p = c + k;
            uchar b = p < outSize ? o[p] : in[ipos + (p - outSize)];
            if (r.fold[k])
                b = UpperAscii(b);
            if (b != uchar(r.compared[k]))
                return false;
        }
        return startsAt(c);
    };

    qsizetype known = start;  // a character begins here, at or before spos
    while (spos <= inSize) {
        qsizetype m = finder.find(in, inSize, spos);
        while (m >= 0 && checkStarts && !StartsCharacter(bytes.constData(), known, m, mEncoding)) {
            known = m + 1;  // m is the trail byte of a pair, so a character begins behind it
            m = finder.find(in, inSize, m + 1);
        }
        if (m < 0)
            break;
        bool replaceIt = true;
        if (protect) {
            const qsizetype a = out.size() + (m - ipos);  // position in the current text
            const qsizetype c = std::max(a - pair.innerBytes, start);
            replaceIt = !replaceTextAt(c);
        }
        if (replaceIt) {
            if (!pair.replace)
                return std::nullopt;  // only the decoded text can go on from here
            if (count == 0)
                out = SpareBuffers::Take(inSize + std::max<qsizetype>(pair.replace->bytes.size() - lenF, 0) * 16
                                         + 16);
            out.append(reinterpret_cast<const char*>(in) + ipos, m - ipos);
            if (inserted)
                inserted->append(out.size());
            out.append(pair.replace->bytes);
            ipos = m + lenF;
            spos = ipos;
            ++count;
        } else {
            // Resumes as many characters on as the replace text has, counted from the occurrence.
            spos = SkipUnits(bytes.constData(), inSize, m, pair.replaceUnits, mEncoding);
            if (spos == inSize)
                break;
        }
        known = spos;
    }
    if (count == 0)
        return 0;
    out.append(reinterpret_cast<const char*>(in) + ipos, inSize - ipos);
    SpareBuffers::Give(std::exchange(bytes, std::move(out)));
    return count;
}

std::optional<qint64> ByteReplacer::applyInOnePass(QByteArray& bytes, qsizetype start) const
{
    const uchar* in = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype inSize = bytes.size();
    const bool checkStarts = mEncoding == TextEncoding::Windows31J;
    QByteArray out;
    qsizetype ipos = 0;       // in[ipos..] is not copied to out yet
    qsizetype known = start;  // a character begins here, at or before the search's start
    qint64 count = 0;
    for (qsizetype from = start;;) {
        MultiSearch::Match m = mOnePass.find(in, inSize, from);
        while (m.at >= 0 && checkStarts && !StartsCharacter(bytes.constData(), known, m.at, mEncoding)) {
            known = m.at + 1;  // m.at is the trail byte of a pair, so a character begins behind it
            m = mOnePass.find(in, inSize, m.at + 1);
        }
        if (m.at < 0)
            break;
        const Pair& pair = mPairs[mOnePassPairs[m.needle]];
        if (!pair.replace)
            return std::nullopt;  // only the decoded text can go on from here
        if (count == 0)
            out = SpareBuffers::Take(inSize + inSize / 8 + 16);
        out.append(reinterpret_cast<const char*>(in) + ipos, m.at - ipos);
        out.append(pair.replace->bytes);
        ipos = m.at + pair.find->bytes.size();
        from = known = ipos;
        ++count;
    }
    if (count == 0)
        return 0;
    out.append(reinterpret_cast<const char*>(in) + ipos, inSize - ipos);
    SpareBuffers::Give(std::exchange(bytes, std::move(out)));
    return count;
}

}  // namespace tralex
