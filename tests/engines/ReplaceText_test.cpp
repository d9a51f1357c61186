// ReplaceText against a literal, slow transcription of the replacement steps (the reference):
// a table of known cases, then several hundred thousand random cases over small alphabets where
// overlaps, the inner position, empty replace texts, the retry rule and the case option all occur.
#include "engines/ReplaceText.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <QStringList>
#include <random>

using namespace tralex;

namespace {

// InStr with positions from 1: the first place of t in s at or after start, 0 when none.
qsizetype InStr(qsizetype start, const QString& s, const QString& t)
{
    if (start - 1 > s.size())
        return 0;
    return s.indexOf(t, start - 1) + 1;
}

// The comparison form of a text, per code point from ICU: a character of the Basic Multilingual
// Plane becomes its simple upper case when that is one unit too (so a position in the copy is the
// same position in the text); characters above U+FFFF and lone surrogates stay as they are.
QString ReferenceUpper(const QString& s)
{
    QString out;
    for (qsizetype i = 0; i < s.size();) {
        const char32_t c = s.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out += s.mid(i, 2);
            i += 2;
            continue;
        }
        const UChar32 upper = u_toupper(UChar32(c));
        out += QChar(upper < 0x10000 && !QChar::isSurrogate(char32_t(upper)) && !QChar::isSurrogate(c)
                         ? char16_t(upper)
                         : char16_t(c));
        ++i;
    }
    return out;
}

struct Result {
    QString text;
    qint64 count = 0;
};

// The nine steps, one by one, rebuilding the text and the comparison copy at every replacement.
Result Reference(const QString& text, const QString& find, const QString& replace, bool retry,
                 bool ucase)
{
    // 1. An empty find text changes nothing.
    if (find.isEmpty())
        return {text, 0};
    // 2. Work text and comparison copies.
    auto cmpOf = [ucase](const QString& s) { return ucase ? ReferenceUpper(s) : s; };
    QString work = text;
    QString cmp = cmpOf(work);
    const QString cf = cmpOf(find);
    const QString cr = cmpOf(replace);
    // 3. Inner position.
    const qsizetype inner = InStr(1, cr, cf);
    // 4. Search start.
    qsizetype start = 1;
    qint64 count = 0;
    for (;;) {
        // 5. Next occurrence.
        const qsizetype a = InStr(start, cmp, cf);
        if (a == 0)
            break;
        // 6. Retry rule.
        bool yes = true;
        if (retry) {
            const qsizetype c = std::max<qsizetype>(a - inner + 1, 1);
            const QString chars = cmp.mid(c - 1, replace.size());
            if (chars == cr && inner >= 1)
                yes = false;
        }
        // 7. Replace and rebuild the comparison copy.
        if (yes) {
            work = work.left(a - 1) + replace + work.mid(a - 1 + find.size());
            ++count;
            cmp = cmpOf(work);
        }
        // 8. Resume behind the replace text.
        start = a + replace.size();
    }
    // 9.
    return {work, count};
}

Result Fast(const QString& text, const QString& find, const QString& replace, bool retry,
            bool ucase, QList<TextEdit>* edits = nullptr)
{
    QString t = text;
    const qint64 n = ReplaceText(t, find, replace, retry, ucase, edits);
    return {t, n};
}

// Whether ReplaceText gives the reference's text and count.
::testing::AssertionResult AgreesWithReference(const QString& text, const QString& find,
                                               const QString& replace, bool retry, bool ucase)
{
    const Result ref = Reference(text, find, replace, retry, ucase);
    const Result fast = Fast(text, find, replace, retry, ucase);
    if (fast.text == ref.text && fast.count == ref.count)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "text " << text.toStdString() << " find " << find.toStdString() << " replace "
           << replace.toStdString() << " retry " << retry << " ucase " << ucase << ": "
           << fast.text.toStdString() << "/" << fast.count << " instead of "
           << ref.text.toStdString() << "/" << ref.count;
}

struct Case {
    const char* name;
    QString find, replace, text;
    bool retry, ucase;
    QString expected;
    qint64 count;
};

}  // namespace

TEST(ReplaceText, KnownCases)
{
    const Case cases[] = {
        {"overlapping find, shorter replace", "aa", "a", "aaaa", false, false, "aa", 2},
        {"retry protects a replace text", "a", "ab", "ab", true, false, "ab", 0},
        {"without retry it is replaced again", "a", "ab", "ab", false, false, "abb", 1},
        {"retry protects every copy", "a", "ab", "abab", true, false, "abab", 0},
        {"retry compares from c = 1", "b", "abc", "xbx", true, false, "xabcx", 1},
        {"skipped occurrence still moves the start", "b", "abc", "abcb", true, false, "abcb", 0},
        {"upper-case option", "ABC", "x", "abc Abc", false, true, "x x", 2},
        {"case respected without the option", "ABC", "x", "abc Abc", false, false, "abc Abc", 0},
        {"replace text keeps its own case", "abc", "Xyz", "abc", false, true, "Xyz", 1},
        {"empty replace text", "b", "", "abba", false, false, "aa", 2},
        {"empty replace removes runs", "ab", "", "aabbab", false, false, "ab", 2},
        {"inner position after the start", "a", "aXa", "aXaXa", true, false, "aXaXaXa", 1},
        {"find across a line end", "a\r\nb", "Z", "xa\r\nbx", false, false, "xZx", 1},
        {"empty find changes nothing", "", "x", "abc", false, false, "abc", 0},
        {"inserted text is not searched again", "a", "aa", "aaa", false, false, "aaaaaa", 3},
        {"sharp s has no one-letter upper case", "SS", "x", "ß SS ss", false, true, "ß x x", 2},
        {"dotless i and long s fold to I and S", "IS", "x", "ıſ is IS", false, true, "x x x", 3},
        {"final and medial sigma", "ΣΑ", "x", "σα ςα ΣΑ", false, true, "x x x", 3},
        {"retry with the case option", "b", "AB", "ab xb", true, true, "ab xAB", 1},
        {"Japanese text", "表示", "ソース", "表示と表示", false, false, "ソースとソース", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result ref = Reference(c.text, c.find, c.replace, c.retry, c.ucase);
        const Result fast = Fast(c.text, c.find, c.replace, c.retry, c.ucase);
        EXPECT_EQ(ref.text, c.expected);
        EXPECT_EQ(ref.count, c.count);
        EXPECT_EQ(fast.text, c.expected);
        EXPECT_EQ(fast.count, c.count);
    }
}

TEST(ReplaceText, UpperCaseMapsOneUnitToOneUnit)
{
    EXPECT_EQ(UpperUnit(u'a'), u'A');
    EXPECT_EQ(UpperUnit(u'A'), u'A');
    EXPECT_EQ(UpperUnit(u'ß'), u'ß');
    EXPECT_EQ(UpperUnit(u'ı'), u'I');
    EXPECT_EQ(UpperUnit(u'ſ'), u'S');
    EXPECT_EQ(UpperUnit(u'ς'), u'Σ');
    EXPECT_EQ(UpperUnit(u'ａ'), u'Ａ');  // full-width letters have case too
    EXPECT_EQ(UpperUnit(u'あ'), u'あ');
    EXPECT_EQ(UpperUnit(0xD801), 0xD801);  // surrogates are left alone
    EXPECT_EQ(UpperUnit(0xDC28), 0xDC28);
    // A supplementary letter (Deseret) keeps both its units, so positions never shift.
    const QString deseret = QString::fromUcs4(U"\U00010428x");
    EXPECT_EQ(UpperText(deseret).size(), deseret.size());
    EXPECT_EQ(UpperText(deseret), QString::fromUcs4(U"\U00010428X"));
}

namespace {

// Where each character of the original ends up after the edits, or -1 when it was replaced.
QList<qsizetype> NaiveMove(qsizetype size, const QList<TextEdit>& edits)
{
    QList<qsizetype> to(size);
    for (qsizetype i = 0; i < size; ++i) {
        qsizetype delta = 0;
        bool gone = false;
        for (const TextEdit& e : edits) {
            if (i >= e.position && i < e.position + e.removed)
                gone = true;
            else if (i >= e.position + e.removed)
                delta += e.inserted - e.removed;
        }
        to[i] = gone ? -1 : i + delta;
    }
    return to;
}

}  // namespace

// Random cases: the fast version must give the reference's text and count, its edits must
// rebuild the result from the original, and kept-byte positions must follow the characters.
TEST(ReplaceText, AgreesWithReferenceOnRandomCases)
{
    const QStringList alphabets = {
        QStringLiteral("ab"),
        QStringLiteral("abc"),
        QStringLiteral("aAb"),
        QStringLiteral("aAbB"),
        QStringLiteral("sSßſ"),
        QStringLiteral("iIıs"),
        QStringLiteral("σςΣa"),
        QStringLiteral("a\r\n"),
    };
    std::mt19937 rng(20260612);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto randomText = [&](const QString& alphabet, int maxLen) {
        QString s;
        const int len = pick(maxLen + 1);
        for (int i = 0; i < len; ++i)
            s.append(alphabet[pick(int(alphabet.size()))]);
        return s;
    };

    const int rounds = 300000;
    int replaced = 0, protectedCases = 0;
    for (int round = 0; round < rounds; ++round) {
        const QString& alphabet = alphabets[round % alphabets.size()];
        QString find = randomText(alphabet, 3);
        QString replace = randomText(alphabet, 5);
        // Make the find text part of the replace text often, so the retry rule has work to do.
        if (pick(3) == 0 && !find.isEmpty()) {
            const int at = pick(int(replace.size()) + 1);
            replace.insert(at, find);
        }
        // Build texts out of pieces of find and replace texts as well as random letters.
        QString text;
        const int pieces = pick(6);
        for (int p = 0; p < pieces; ++p) {
            switch (pick(3)) {
            case 0: text += find; break;
            case 1: text += replace; break;
            default: text += randomText(alphabet, 4); break;
            }
        }
        const bool retry = pick(2) == 1;
        const bool ucase = pick(2) == 1;

        const Result ref = Reference(text, find, replace, retry, ucase);
        QList<TextEdit> edits;
        const Result fast = Fast(text, find, replace, retry, ucase, &edits);
        if (ref.text != fast.text || ref.count != fast.count) {
            ADD_FAILURE() << "find=" << find.toStdString() << " replace=" << replace.toStdString()
                          << " text=" << text.toStdString() << " retry=" << retry
                          << " ucase=" << ucase << " reference=" << ref.text.toStdString() << "/"
                          << ref.count << " fast=" << fast.text.toStdString() << "/" << fast.count;
            return;
        }
        ASSERT_EQ(edits.size(), fast.count);
        if (fast.count > 0)
            ++replaced;
        if (retry && ref.count < Reference(text, find, replace, false, ucase).count)
            ++protectedCases;

        // The edits rebuild the result from the original text.
        QString rebuilt;
        qsizetype from = 0;
        for (const TextEdit& e : edits) {
            ASSERT_GE(e.position, from);
            rebuilt += text.mid(from, e.position - from) + replace;
            from = e.position + e.removed;
        }
        rebuilt += text.mid(from);
        ASSERT_EQ(rebuilt, fast.text);

        // Kept bytes on every other character follow that character or disappear with it.
        QList<KeptBytes> kept;
        for (qsizetype i = round % 2; i < text.size(); i += 2)
            kept.append(KeptBytes{i, QByteArray::number(i)});
        const QList<qsizetype> to = NaiveMove(text.size(), edits);
        QList<KeptBytes> expected;
        for (const KeptBytes& k : kept)
            if (to[k.position] >= 0)
                expected.append(KeptBytes{to[k.position], k.bytes});
        ShiftKeptBytes(kept, edits);
        ASSERT_EQ(kept.size(), expected.size());
        for (qsizetype i = 0; i < kept.size(); ++i) {
            ASSERT_EQ(kept[i].position, expected[i].position);
            ASSERT_EQ(kept[i].bytes, expected[i].bytes);
            ASSERT_EQ(fast.text[kept[i].position], text[kept[i].bytes.toLongLong()]);
        }
    }
    // The random cases must really exercise replacements and the retry rule.
    EXPECT_GT(replaced, rounds / 3);
    EXPECT_GT(protectedCases, rounds / 100);
}

// Long texts take the vectorised search path; compare it with the reference over long inputs,
// with matches near both ends and across eight-unit blocks.
TEST(ReplaceText, AgreesWithReferenceOnLongTexts)
{
    std::mt19937 rng(7);
    const QString alphabet = QStringLiteral("abAB表ßſs");
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int len = int(rng() % 200);
        for (int i = 0; i < len; ++i)
            text.append(alphabet[int(rng() % alphabet.size())]);
        QString find;
        const int flen = 1 + int(rng() % 4);
        for (int i = 0; i < flen; ++i)
            find.append(alphabet[int(rng() % 4)]);
        const QString replace = round % 3 == 0 ? QString() : find.left(1) + QStringLiteral("表");
        ASSERT_TRUE(AgreesWithReference(text, find, replace, round % 2 == 1, (round / 2) % 2 == 1));
    }
}

// Find texts long enough for the Two-Way search: periodic ones, over texts made of copies, cut
// copies and altered copies of them, against the reference.
TEST(ReplaceText, LongFindTextsAgreeWithReference)
{
    std::mt19937 rng(11);
    const QString alphabet = QStringLiteral("aAbı");
    auto unit = [&] { return alphabet[int(rng() % alphabet.size())]; };
    for (int round = 0; round < 4000; ++round) {
        QString base;
        for (int i = 1 + int(rng() % 3); i > 0; --i)
            base += unit();
        QString find;
        for (const qsizetype length = 32 + rng() % 40; find.size() < length;)
            find += base;
        if (rng() % 2)
            find[find.size() - 1 - qsizetype(rng() % 3)] = unit();
        QString text;
        for (int p = int(rng() % 8); p > 0; --p) {
            QString piece = find;
            switch (rng() % 4) {
            case 0: break;
            case 1: piece.truncate(qsizetype(rng() % find.size())); break;
            case 2: piece[qsizetype(rng() % find.size())] = unit(); break;
            default: piece = base + unit(); break;
            }
            text += piece;
        }
        const QString replace =
            round % 3 == 0 ? QString() : round % 3 == 1 ? base + find : QStringLiteral("表");
        ASSERT_TRUE(AgreesWithReference(text, find, replace, round % 2 == 1, (round / 2) % 2 == 1));
    }
}

// Many occurrences in a large text: the count must be exact and the text rebuilt once.
TEST(ReplaceText, ManyOccurrences)
{
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("行の中のabcと");
    QString expected = text;
    expected.replace(QStringLiteral("abc"), QStringLiteral("XYZW"));
    EXPECT_EQ(ReplaceText(text, u"abc", u"XYZW", false, false), 100000);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(ReplaceText(text, u"xyzw", u"abc", true, true), 100000);
}
