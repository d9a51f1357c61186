// The scan fed in blocks must find what the checks of the whole file find, wherever the cuts
// fall: random files of ASCII, Japanese in each encoding, invalid bytes, CR LF, NUL and byte order
// marks, cut at random, against the whole-file functions.
#include "engines/TextScan.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace tralex;

namespace {

QByteArray randomFile(QRandomGenerator& random)
{
    static const QString japanese = QStringLiteral("あ漢ｱソ表～");
    const TextEncoding encodings[] = {TextEncoding::Utf8, TextEncoding::Windows31J, TextEncoding::EucJp,
                                      TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom};
    const TextEncoding encoding = encodings[random.bounded(5)];
    const bool units = encoding == TextEncoding::Utf16LeBom || encoding == TextEncoding::Utf16BeBom;
    QString text;
    for (int i = random.bounded(40); i > 0; --i) {
        switch (random.bounded(8)) {
        case 0: text += japanese[random.bounded(japanese.size())]; break;
        case 1: text += QStringLiteral("\r\n"); break;
        case 2: text += QLatin1Char('\n'); break;
        case 3: text += QStringLiteral("😀"); break;
        default: text += QStringLiteral("abc ").mid(random.bounded(4)); break;
        }
    }
    QByteArray bytes = EncodeText(text, encoding).value_or(QByteArray("abc"));
    // Now and then a fault, anywhere: an invalid byte, a NUL, a lone surrogate, an odd end, or a
    // byte order mark of another kind in front.
    const qsizetype at = random.bounded(bytes.size() + 1);
    switch (random.bounded(units ? 10 : 8)) {
    case 0: bytes.insert(at, "\x80"); break;
    case 1: bytes.insert(at, "\xE3\x81"); break;
    case 2: bytes.insert(at, QByteArray(1, '\0')); break;
    case 3: bytes.prepend(random.bounded(2) ? "\xEF\xBB\xBF" : "\xFF\xFE"); break;
    case 4: bytes.prepend(QByteArray("\xFF\xFE\0\0", 4)); break;
    case 8: bytes.append('x'); break;
    case 9: bytes.insert(at & ~qsizetype(1), encoding == TextEncoding::Utf16LeBom ? "\x00\xD8" : "\xD8\x00"); break;
    default: break;
    }
    return bytes;
}

struct Found {
    bool utf32 = false, binary = false, mayMatch = false;
    std::optional<TextEncoding> encoding;
    bool alsoEucJp = false, lfOnly = false, ascii = false;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f)
{
    return out << f.utf32 << f.binary << f.mayMatch << (f.encoding ? int(*f.encoding) : -1) << f.alsoEucJp
               << f.lfOnly << f.ascii;
}

// What the whole-file checks say, in the order the text engine asks them.
Found wholeFile(const QByteArray& bytes, const FindPrefilter& prefilter)
{
    Found f;
    f.utf32 = HasUtf32ByteOrderMark(bytes);
    f.binary = !f.utf32 && LooksBinary(bytes);
    f.mayMatch = !f.utf32 && !f.binary && prefilter.mayMatch(bytes);
    if (!f.mayMatch)
        return f;
    f.encoding = DetectFileEncoding(bytes, &f.alsoEucJp);
    if (!f.encoding)
        return f;
    const qsizetype mark = ByteOrderMarkSize(*f.encoding);
    const QString text = DecodeAs(bytes.mid(mark), *f.encoding)->text;
    f.lfOnly = text.contains(QLatin1Char('\n')) && !text.contains(QStringLiteral("\r\n"));
    f.ascii = *f.encoding == TextEncoding::Utf8;
    for (const char c : bytes)
        f.ascii = f.ascii && uchar(c) < 0x80;
    return f;
}

Found scanned(const TextScan& scan)
{
    Found f;
    f.utf32 = scan.Utf32();
    f.binary = scan.Binary();
    f.mayMatch = !f.utf32 && !f.binary && scan.MayMatch();
    if (!f.mayMatch)
        return f;
    f.encoding = scan.Encoding(&f.alsoEucJp);
    if (!f.encoding)
        return f;
    f.lfOnly = scan.LfOnly();
    f.ascii = *f.encoding == TextEncoding::Utf8 && scan.Ascii();
    return f;
}

}  // namespace

TEST(TextScan, FindsWhatTheWholeFileChecksFindWhereverTheBlocksAreCut)
{
    const QStringList findPieces = {u"abc"_qs, u"c a"_qs, u"B"_qs, u"ab"_qs, u"x"_qs};
    QRandomGenerator random(21);
    int kinds[4] = {};  // binary, no match, undecodable, decided
    for (int round = 0; round < 20000; ++round) {
        const QByteArray bytes = randomFile(random);
        QStringList finds;
        for (int i = random.bounded(1, 4); i > 0; --i)
            finds << findPieces[random.bounded(findPieces.size())];
        const FindPrefilter prefilter(finds, random.bounded(2) == 1);
        const Found expected = wholeFile(bytes, prefilter);
        ++kinds[expected.binary ? 0 : !expected.mayMatch ? 1 : !expected.encoding ? 2 : 3];

        TextScan whole(prefilter);
        whole.Feed(bytes, true);
        ASSERT_EQ(scanned(whole), expected) << bytes.toHex().constData();

        // Random cuts, blocks of 0 to 6 bytes or larger; the end said by the last block or apart.
        TextScan cut(prefilter);
        const qsizetype largest = random.bounded(2) ? 7 : bytes.size() + 1;
        const bool apart = random.bounded(2);
        for (qsizetype at = 0; at < bytes.size() || !apart;) {
            const qsizetype n = std::min(bytes.size() - at, qsizetype(random.bounded(largest)));
            const bool last = !apart && at + n == bytes.size() && random.bounded(2);
            cut.Feed(QByteArrayView(bytes).sliced(at, n), last);
            at += n;
            if (last)
                break;
        }
        if (apart)
            cut.Finish();
        ASSERT_EQ(scanned(cut), expected) << bytes.toHex().constData() << " finds " << finds.join(u'|').toStdString();
    }
    // Every outcome was met often.
    for (const int kind : kinds)
        EXPECT_GT(kind, 500);
}
