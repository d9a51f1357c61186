// Replacing in the bytes of a file against decoding, applying ReplaceText pair after pair and
// encoding again: whenever ByteReplacer takes a text on, the bytes and the count must be exactly
// those of the decoded way. Random texts over small alphabets bring in everything that could
// make the two differ: Windows-31J trail bytes that look like ASCII, duplicate codes, single-byte
// kana, characters whose upper case is ASCII (ı, ſ), letters with case outside ASCII, surrogate
// pairs, line breaks, byte order marks, and replace texts that the encoding cannot hold.
#include "engines/ByteReplace.h"
#include "engines/ReplaceText.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace tralex;

namespace {

// The decoded way: nothing when the result cannot be written in the encoding.
std::optional<std::pair<QByteArray, qint64>> Decoded(const QByteArray& bytes,
                                                      TextEncoding encoding,
                                                      const QList<TextPair>& pairs, bool retry,
                                                      bool ucase)
{
    const qsizetype bom = ByteOrderMarkSize(encoding);
    auto decoded = DecodeAs(bytes.sliced(bom), encoding);
    if (!decoded)
        return std::nullopt;
    qint64 total = 0;
    for (const TextPair& pair : pairs) {
        QList<TextEdit> edits;
        const qint64 n = ReplaceText(decoded->text, pair.find, pair.replace, retry, ucase, &edits);
        ShiftKeptBytes(decoded->kept, edits);
        total += n;
    }
    if (total == 0)
        return std::pair{bytes, qint64(0)};
    auto encoded = EncodeText(decoded->text, encoding, decoded->kept);
    if (!encoded)
        return std::nullopt;
    return std::pair{*encoded, total};
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

struct Alphabet {
    TextEncoding encoding;
    QList<QByteArray> textPieces;  // encoded characters a file is made of
    QStringList pairPieces;        // characters find and replace texts are made of
};

QString randomText(QRandomGenerator& random, const QStringList& pieces, int maxLength)
{
    QString text;
    const int length = random.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i)
        text += pieces[random.bounded(pieces.size())];
    return text;
}

QString swapAsciiCase(QString text)
{
    for (QChar& c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 0x20);
        else if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 0x20);
    }
    return text;
}

struct Tally {
    int onePass = 0;   // cases applied in one pass
    int taken = 0;     // cases ByteReplacer took on
    int changed = 0;   // of those, cases with at least one replacement
    int declined = 0;  // cases left to decoding
};

// With longFinds, every find text is a piece repeated to at least 32 characters, so that it is
// searched by the Two-Way search, and the text holds cut copies of it. With bracketed, every find
// text is "<...>" and every replace text "#...", so that no find text can overlap another and no
// replacement can make one (unless two find texts are the same): lists that one pass can apply;
// the text holds stray brackets too.
void compareRandomCases(const Alphabet& alphabet, int rounds, quint32 seed, Tally& tally,
                        bool longFinds = false, bool bracketed = false)
{
    QStringList simplePieces;
    for (const QString& piece : alphabet.pairPieces) {
        bool simple = true;
        for (const QChar c : piece)
            simple = simple && (c.unicode() < 0x80 || (c >= u'\u3040' && c <= u'\u30FF'));
        if (simple)
            simplePieces << piece;
    }
    QRandomGenerator random(seed);
    for (int round = 0; round < rounds; ++round) {
        QList<TextPair> pairs;
        // Many pairs are looked up in a table of the text's four-byte sequences first; they are
        // made of ASCII and kana, so that one pair does not send the whole list to decoding.
        const bool many = random.bounded(4) == 0;
        const QStringList& pairPieces = many ? simplePieces : alphabet.pairPieces;
        const int pairCount = many ? random.bounded(9, 14) : random.bounded(1, 4);
        for (int i = 0; i < pairCount; ++i) {
            QString find = randomText(random, pairPieces, many ? 4 : 2);
            if (find.isEmpty())
                find = pairPieces[random.bounded(pairPieces.size())];
            for (const QString piece = find; longFinds && find.size() < 32;)
                find += piece;
            if (longFinds && random.bounded(2) == 0)
                find += pairPieces[random.bounded(pairPieces.size())];
            QString replace = randomText(random, pairPieces, 4);
            if (bracketed) {
                find = QLatin1Char('<') + find + QLatin1Char('>');
                replace.prepend(QLatin1Char('#'));
            }
            pairs.append({find, replace});
        }
        // The text is made of the alphabet and, now and then, of whole replace or find texts, so
        // that the retry rule finds copies of replace texts to protect.
        const TextEncoding inner =
            alphabet.encoding == TextEncoding::Utf8Bom ? TextEncoding::Utf8 : alphabet.encoding;
        QByteArray bytes = alphabet.encoding == TextEncoding::Utf8Bom ? hex("ef bb bf") : QByteArray();
        const int pieces = random.bounded(12);
        for (int i = 0; i < pieces; ++i) {
            const TextPair& pair = pairs[random.bounded(pairs.size())];
            QString whole = random.bounded(2) ? pair.replace : pair.find;
            if (random.bounded(2) == 0)
                whole = swapAsciiCase(whole);  // found only with the upper-case option
            if (longFinds && random.bounded(2) == 0)
                whole.chop(random.bounded(int(whole.size()) + 1));  // a near miss
            if (random.bounded(4) == 0 && CanEncode(whole, inner))
                bytes += *EncodeText(whole, inner);
            else if (bracketed && random.bounded(3) == 0)
                bytes += "<>#"[random.bounded(3)];
            else
                bytes += alphabet.textPieces[random.bounded(alphabet.textPieces.size())];
        }
        const bool retry = random.bounded(2) == 1;
        const bool ucase = random.bounded(2) == 1;

        const ByteReplacer replacer(pairs, alphabet.encoding, retry, ucase);
        tally.onePass += replacer.appliesInOnePass() ? 1 : 0;
        QByteArray result = bytes;
        const std::optional<qint64> count =
            replacer.Apply(result, ByteOrderMarkSize(alphabet.encoding));
        if (!count) {
            ASSERT_EQ(result, bytes) << "declining must leave the bytes alone";
            ++tally.declined;
            continue;
        }
        const auto expected = Decoded(bytes, alphabet.encoding, pairs, retry, ucase);
        QString described;
        for (const TextPair& p : pairs)
            described += QLatin1Char('[') + p.find + QStringLiteral(" -> ") + p.replace
                         + QLatin1Char(']');
        ASSERT_TRUE(expected.has_value())
            << "bytes took on a text whose result cannot be encoded: " << bytes.toHex(' ').data()
            << " " << described.toStdString();
        ASSERT_EQ(result.toHex(' '), expected->first.toHex(' '))
            << "text " << bytes.toHex(' ').data() << " pairs " << described.toStdString()
            << " retry " << retry << " ucase " << ucase;
        ASSERT_EQ(*count, expected->second);
        ++tally.taken;
        tally.changed += *count > 0 ? 1 : 0;
    }
}

}  // namespace

TEST(ByteReplace, Windows31JGivesExactlyTheDecodedResult)
{
    const Alphabet alphabet{
        TextEncoding::Windows31J,
        // a, A, S, \, ア (83 41), ソ (83 5C), 表 (95 5C), ｱ (B1), ∵ in both codes (81 E6, 87 9A),
        // 纊 (FA 5C and the NEC code ED 40), Ａ, CR, LF
        {hex("61"), hex("41"), hex("53"), hex("5c"), hex("83 41"), hex("83 5c"), hex("95 5c"),
         hex("b1"), hex("81 e6"), hex("87 9a"), hex("fa 5c"), hex("ed 40"), hex("82 60"),
         hex("0d"), hex("0a")},
        {u"a"_qs, u"A"_qs, u"s"_qs, u"\\"_qs, u"ア"_qs, u"ソ"_qs, u"表"_qs, u"ｱ"_qs, u"∵"_qs,
         u"纊"_qs, u"Ａ"_qs, u"ı"_qs, u"〜"_qs, u"\r\n"_qs, u"\n"_qs}};
    Tally tally;
    constexpr int Rounds = 300000;
    compareRandomCases(alphabet, Rounds, 1, tally);
    // The comparison means something only if many cases were taken on and changed.
    EXPECT_GT(tally.taken, Rounds / 4);
    EXPECT_GT(tally.changed, Rounds / 16);
    EXPECT_GT(tally.declined, 0);
}

TEST(ByteReplace, Utf8GivesExactlyTheDecodedResult)
{
    for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Utf8Bom}) {
        const Alphabet alphabet{
            encoding,
            // a, A, I, i, s, ı, ſ, é, あ, 😀, Ａ, ａ, CR, LF
            {hex("61"), hex("41"), hex("49"), hex("69"), hex("73"), hex("c4 b1"), hex("c5 bf"),
             hex("c3 a9"), hex("e3 81 82"), hex("f0 9f 98 80"), hex("ef bc a1"),
             hex("ef bd 81"), hex("0d"), hex("0a")},
            {u"a"_qs, u"A"_qs, u"i"_qs, u"S"_qs, u"é"_qs, u"あ"_qs, u"😀"_qs, u"Ａ"_qs,
             u"\r\n"_qs, u"\n"_qs, u"\uFEFF"_qs, QString(QChar(0xD83D))}};
        Tally tally;
        constexpr int Rounds = 150000;
        compareRandomCases(alphabet, Rounds, 2 + int(encoding), tally);
        EXPECT_GT(tally.taken, Rounds / 4);
        EXPECT_GT(tally.changed, Rounds / 16);
        EXPECT_GT(tally.declined, 0);
    }
}

// Find texts long enough for the Two-Way search, in both encodings.
TEST(ByteReplace, LongFindTextsGiveExactlyTheDecodedResult)
{
    const Alphabet windows31J{
        TextEncoding::Windows31J,
        // a, A, ア (83 41), ソ (83 5C), ｱ (B1), ∵ (81 E6), LF
        {hex("61"), hex("41"), hex("83 41"), hex("83 5c"), hex("b1"), hex("81 e6"), hex("0a")},
        {u"a"_qs, u"A"_qs, u"ア"_qs, u"ソ"_qs, u"ｱ"_qs, u"∵"_qs, u"\n"_qs}};
    const Alphabet utf8{TextEncoding::Utf8,
                        // a, A, ı, あ, 😀
                        {hex("61"), hex("41"), hex("c4 b1"), hex("e3 81 82"), hex("f0 9f 98 80")},
                        {u"a"_qs, u"A"_qs, u"あ"_qs, u"😀"_qs}};
    for (const Alphabet* alphabet : {&windows31J, &utf8}) {
        Tally tally;
        constexpr int Rounds = 20000;
        compareRandomCases(*alphabet, Rounds, 7, tally, true);
        EXPECT_GT(tally.taken, Rounds / 4);
        EXPECT_GT(tally.changed, Rounds / 50);
    }
}

// Lists of pairs that one pass applies, in both encodings, against pair after pair in the
// decoded text; and lists it must not take (find texts that overlap, a replacement that makes a
// later find text) in the tests above.
TEST(ByteReplace, PairsAppliedInOnePassGiveExactlyTheDecodedResult)
{
    const Alphabet windows31J{
        TextEncoding::Windows31J,
        // a, A, \, ア (83 41), ソ (83 5C), ｱ (B1), LF
        {hex("61"), hex("41"), hex("5c"), hex("83 41"), hex("83 5c"), hex("b1"), hex("0a")},
        {u"a"_qs, u"A"_qs, u"\\"_qs, u"ア"_qs, u"ソ"_qs, u"ｱ"_qs, u"b"_qs}};
    const Alphabet utf8{TextEncoding::Utf8,
                        // a, A, あ, 😀, LF
                        {hex("61"), hex("41"), hex("e3 81 82"), hex("f0 9f 98 80"), hex("0a")},
                        {u"a"_qs, u"A"_qs, u"あ"_qs, u"😀"_qs, u"b"_qs}};
    for (const Alphabet* alphabet : {&windows31J, &utf8}) {
        Tally tally;
        constexpr int Rounds = 40000;
        compareRandomCases(*alphabet, Rounds, 11, tally, false, true);
        EXPECT_GT(tally.onePass, Rounds / 3);
        EXPECT_GT(tally.changed, Rounds / 8);
    }
}

// The worst case of a search by first and last character: a 10 KB find text that almost occurs
// at every place of a 4 MB text, and occurs once near its end. Both ways must find exactly that
// occurrence; the search must stay linear (its time is left to the benchmarks).
TEST(ByteReplace, LongFindTextOverNearMisses)
{
    const QByteArray find = QByteArray(10 * 1024 - 2, 'a') + "ba";
    const qsizetype at = (4 << 20) - 5000;
    const QByteArray bytes = QByteArray(at, 'a') + find + QByteArray(5000 - find.size() + 1000, 'a');
    const QByteArray expected = QByteArray(at, 'a') + "X" + QByteArray(5000 - find.size() + 1000, 'a');
    for (const bool ucase : {false, true}) {
        for (const TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows31J}) {
            const ByteReplacer replacer({{QString::fromLatin1(find), u"X"_qs}}, encoding, false,
                                        ucase);
            QByteArray result = bytes;
            ASSERT_EQ(replacer.Apply(result, 0), 1);
            EXPECT_TRUE(result == expected);
        }
        QString text = QString::fromLatin1(bytes);
        EXPECT_EQ(ReplaceText(text, QString::fromLatin1(find), u"X", false, ucase), 1);
        EXPECT_TRUE(text == QString::fromLatin1(expected));
    }
}

// The cases where bytes and characters part ways, one by one.
TEST(ByteReplace, DeclinesOrDiffersOnlyWhereDecodingIsNeeded)
{
    const auto apply = [](const QByteArray& bytes, TextEncoding encoding, const QString& find,
                          const QString& replace, bool retry = false, bool ucase = false) {
        QByteArray result = bytes;
        const ByteReplacer replacer({{find, replace}}, encoding, retry, ucase);
        const auto count = replacer.Apply(result, ByteOrderMarkSize(encoding));
        return count ? std::optional<std::pair<QByteArray, qint64>>({result, *count})
                     : std::nullopt;
    };
    // The A inside ア (83 41) is no A.
    auto r = apply(hex("83 41 41"), TextEncoding::Windows31J, u"A"_qs, u"B"_qs);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, hex("83 41 42"));
    EXPECT_EQ(r->second, 1);
    // The \ of ソ (83 5C) is no backslash, with or without the case option.
    r = apply(hex("83 5c 5c"), TextEncoding::Windows31J, u"\\"_qs, u"/"_qs, false, true);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, hex("83 5c 2f"));
    // ∵ is found in either code only by decoding.
    EXPECT_FALSE(apply(hex("87 9a"), TextEncoding::Windows31J, u"∵"_qs, u"x"_qs));
    // ı compares like i with the case option: a file holding it is decoded.
    EXPECT_FALSE(apply(hex("c4 b1"), TextEncoding::Utf8, u"I"_qs, u"x"_qs, false, true));
    r = apply(hex("c4 b1 69"), TextEncoding::Utf8, u"I"_qs, u"x"_qs);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->second, 0);  // without the option, I matches neither
    // A replace text Windows-31J cannot hold is left to decoding when it would be inserted.
    EXPECT_FALSE(apply(hex("61"), TextEncoding::Windows31J, u"a"_qs, u"〜"_qs));
    r = apply(hex("62"), TextEncoding::Windows31J, u"a"_qs, u"〜"_qs);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->second, 0);
    // Fullwidth letters have case: with the option, such a find text is decoded.
    EXPECT_FALSE(apply(hex("82 60"), TextEncoding::Windows31J, u"ａ"_qs, u"x"_qs, false, true));
    // UTF-16 files are always decoded.
    EXPECT_FALSE(apply(hex("ff fe 61 00"), TextEncoding::Utf16LeBom, u"a"_qs, u"b"_qs));
}

// One pair over 10 MB with 100,000 matches: the result is checked, the time left to benchmarks.
TEST(ByteReplace, ManyMatchesInALargeText)
{
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += "\x83\x41" "key" "\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c"
                 "\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c"
                 "\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c"
                 "\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c"
                 "\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c\x95\x5c";
    const ByteReplacer replacer({{u"KEY\\"_qs, u"値"_qs}, {u"key"_qs, u"鍵"_qs}},
                                TextEncoding::Windows31J, true, true);
    QByteArray result = bytes;
    const auto count = replacer.Apply(result, 0);
    ASSERT_TRUE(count);
    EXPECT_EQ(*count, 100000);  // the \ after key is the trail of 表, so only key matches
    EXPECT_EQ(result.count("\x8c\xae"), 100000);  // 鍵
    EXPECT_EQ(result.size(), bytes.size() - 100000);
}
