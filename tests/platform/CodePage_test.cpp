#include "platform/CodePage.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>

using namespace tralex;
using tralex::test::iconvTo;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QString u(const char16_t* text)
{
    return QStringView(text).toString();  // keeps a leading U+FEFF, unlike fromUtf16
}

std::string show(const QByteArray& bytes)
{
    return bytes.toHex(' ').toStdString();
}

struct Detection {
    const char* name;
    QByteArray bytes;
    bool decodes;
    TextEncoding encoding;  // when decodes
    QString text;           // when decodes
    qsizetype failure;      // when it does not
};

class CodePageDetection : public ::testing::TestWithParam<Detection> {};

TEST_P(CodePageDetection, DecidesEncodingTextAndFailureOffset)
{
    const Detection& d = GetParam();
    CodePageFailure failure;
    failure.position = 12345;
    const auto decoded = DecodeText(d.bytes, &failure);
    ASSERT_EQ(decoded.has_value(), d.decodes) << d.name;
    if (d.decodes) {
        EXPECT_EQ(decoded->encoding, d.encoding) << d.name;
        EXPECT_EQ(decoded->text, d.text) << d.name;
        EXPECT_TRUE(decoded->kept.isEmpty()) << d.name;
        EXPECT_EQ(failure.position, -1) << d.name;
    } else {
        EXPECT_EQ(failure.position, d.failure) << d.name;
    }
    // The check without decoding comes to the same answer.
    CodePageFailure checked;
    const auto detected = DetectEncoding(d.bytes, &checked);
    ASSERT_EQ(detected.has_value(), d.decodes) << d.name;
    if (d.decodes) {
        EXPECT_EQ(*detected, d.encoding) << d.name;
    }
    EXPECT_EQ(checked.position, d.decodes ? -1 : d.failure) << d.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CodePageDetection,
    ::testing::Values(
        Detection{"empty", {}, true, TextEncoding::Utf8, {}, -1},
        Detection{"ascii", "a\\b~\r\n", true, TextEncoding::Utf8, "a\\b~\r\n", -1},
        Detection{"ascii controls stay themselves", hex("1a 1c 7f 00"), true, TextEncoding::Utf8,
                  u(u"\x1a\x1c\x7f") + QChar(0), -1},
        Detection{"utf8 bom", hex("ef bb bf e6 97 a5 41"), true, TextEncoding::Utf8Bom, u(u"日A"),
                  -1},
        Detection{"utf8 bom only", hex("ef bb bf"), true, TextEncoding::Utf8Bom, {}, -1},
        Detection{"second utf8 bom is text", hex("ef bb bf ef bb bf 41"), true,
                  TextEncoding::Utf8Bom, u(u"\xfeff" u"A"), -1},
        Detection{"utf16le bom", hex("ff fe e5 65 2c 67 0d 00 0a 00 3d d8 00 de"), true,
                  TextEncoding::Utf16LeBom, u(u"日本\r\n\U0001F600"), -1},
        Detection{"utf16be bom", hex("fe ff 65 e5 67 2c 00 41"), true, TextEncoding::Utf16BeBom,
                  u(u"日本A"), -1},
        Detection{"utf16le bom with nul bytes", hex("ff fe 41 00 00 00"), true,
                  TextEncoding::Utf16LeBom, QStringLiteral("A") + QChar(0), -1},
        // "あい" in UTF-8 is also valid Windows-31J (縺ゅ＞): UTF-8 is tried first.
        Detection{"utf8 that is valid cp932", hex("e3 81 82 e3 81 84"), true, TextEncoding::Utf8,
                  u(u"あい"), -1},
        Detection{"utf8 four bytes", hex("f0 9f 98 80"), true, TextEncoding::Utf8,
                  u(u"\U0001F600"), -1},
        Detection{"cp932 japanese", hex("93 fa 96 7b 8c ea 0d 0a"), true,
                  TextEncoding::Windows31J, u(u"日本語\r\n"), -1},
        Detection{"cp932 ascii controls stay themselves", hex("93 fa 1a 1c 7f"), true,
                  TextEncoding::Windows31J, u(u"日\x1a\x1c\x7f"), -1},
        Detection{"cp932 half-width katakana", hex("b6 c5 41"), true, TextEncoding::Windows31J,
                  u(u"ｶﾅA"), -1},
        Detection{"cp932 trail bytes that are backslashes", hex("95 5c 83 5c 5c"), true,
                  TextEncoding::Windows31J, u(u"表ソ\\"), -1},
        Detection{"cp932 user-defined area", hex("f0 40 f9 fc"), true, TextEncoding::Windows31J,
                  u(u"\xe000\xe757"), -1},
        // Refused: the offset is where Windows-31J decoding stopped.
        Detection{"undefined cp932 row", hex("41 42 93 fa 85 40"), false, TextEncoding::Utf8, {},
                  4},
        Detection{"lead byte before a line end", hex("93 fa 81 0a"), false, TextEncoding::Utf8,
                  {}, 2},
        Detection{"lead byte at the end", hex("41 93 fa 93"), false, TextEncoding::Utf8, {}, 3},
        Detection{"byte 80", hex("93 fa 80"), false, TextEncoding::Utf8, {}, 2},
        Detection{"byte a0", hex("a0"), false, TextEncoding::Utf8, {}, 0},
        Detection{"byte ff", hex("41 ff"), false, TextEncoding::Utf8, {}, 1},
        // Not UTF-8 (overlong, surrogate, above U+10FFFF) and not Windows-31J either.
        Detection{"overlong utf8", hex("c0 80"), false, TextEncoding::Utf8, {}, 1},
        Detection{"utf8 surrogate", hex("ed a0 80"), false, TextEncoding::Utf8, {}, 2},
        Detection{"above U+10FFFF", hex("f4 90 80 80"), false, TextEncoding::Utf8, {}, 2},
        // With a byte order mark the mark decides: no fall-back to another encoding.
        Detection{"utf8 bom with cp932 text", hex("ef bb bf 41 93 fa"), false, TextEncoding::Utf8,
                  {}, 4},
        Detection{"utf16le odd length", hex("ff fe 41 00 42"), false, TextEncoding::Utf8, {}, 4},
        Detection{"utf16le lone surrogate", hex("ff fe 41 00 3d d8 41 00"), false,
                  TextEncoding::Utf8, {}, 4},
        Detection{"utf16be lone low surrogate", hex("fe ff de 00"), false, TextEncoding::Utf8, {},
                  2},
        Detection{"utf32le", hex("ff fe 00 00 41 00 00 00"), false, TextEncoding::Utf8, {}, 0},
        Detection{"utf32be", hex("00 00 fe ff 00 00 00 41"), false, TextEncoding::Utf8, {}, 0}),
    [](const ::testing::TestParamInfo<Detection>& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

// Characters whose Windows-31J bytes differ from plain Shift_JIS, and characters whose second
// byte is a backslash: both directions, exact bytes.
TEST(CodePageWindows31J, MapsWindowsSpecificCharactersBothWays)
{
    const struct {
        const char16_t* text;
        const char* bytes;
    } cases[] = {
        {u"①", "87 40"}, {u"～", "81 60"}, {u"―", "81 5c"}, {u"∥", "81 61"},
        {u"－", "81 7c"}, {u"￥", "81 8f"}, {u"＼", "81 5f"}, {u"表", "95 5c"},
        {u"ソ", "83 5c"}, {u"髙", "fb fc"}, {u"ｱ", "b1"},   {u"\\~", "5c 7e"},
    };
    for (const auto& c : cases) {
        const QString text = u(c.text);
        CodePageFailure failure;
        const auto encoded = EncodeText(text, TextEncoding::Windows31J, {}, &failure);
        ASSERT_TRUE(encoded) << c.bytes;
        EXPECT_EQ(*encoded, hex(c.bytes)) << c.bytes << " got " << show(*encoded);
        EXPECT_EQ(failure.position, -1);
        const auto decoded = DecodeAs(hex(c.bytes), TextEncoding::Windows31J);
        ASSERT_TRUE(decoded) << c.bytes;
        EXPECT_EQ(decoded->text, text) << c.bytes;
        EXPECT_TRUE(decoded->kept.isEmpty()) << c.bytes;
    }
}

// NEC and IBM duplicates decode to one character each; the original bytes are kept so that
// encoding gives back exactly what was read.
TEST(CodePageWindows31J, KeepsDuplicateCodesThroughDecodeAndEncode)
{
    const struct {
        const char* bytes;
        const char16_t* character;
        const char* canonical;
    } cases[] = {
        {"ed 40", u"纊", "fa 5c"},  // NEC-selected IBM -> IBM
        {"fa 4a", u"Ⅰ", "87 54"},  // IBM -> NEC row 13
        {"ee f9", u"￢", "81 ca"},  // NEC-selected IBM -> JIS
        {"fa 54", u"￢", "81 ca"},  // IBM -> JIS
        {"87 9a", u"∵", "81 e6"},  // NEC row 13 -> JIS
        {"ee e0", u"髙", "fb fc"},
    };
    for (const auto& c : cases) {
        const QByteArray original = hex("41 ") + hex(c.bytes) + hex(" 93 fa");
        const auto decoded = DecodeText(original);
        ASSERT_TRUE(decoded) << c.bytes;
        EXPECT_EQ(decoded->encoding, TextEncoding::Windows31J);
        EXPECT_EQ(decoded->text, QStringLiteral("A") + u(c.character) + u(u"日"));
        ASSERT_EQ(decoded->kept.size(), 1) << c.bytes;
        EXPECT_EQ(decoded->kept[0].position, 1);
        EXPECT_EQ(decoded->kept[0].bytes, hex(c.bytes));

        const auto back = EncodeText(decoded->text, TextEncoding::Windows31J, decoded->kept);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, original) << c.bytes << " got " << show(*back);
        // Without the kept bytes the character takes its canonical code.
        EXPECT_EQ(*EncodeText(decoded->text, TextEncoding::Windows31J),
                  hex("41 ") + hex(c.canonical) + hex(" 93 fa"));
    }
    // The canonical codes themselves need nothing kept.
    for (const char* canonical : {"fa 5c", "87 54", "81 ca", "81 e6"}) {
        const auto decoded = DecodeAs(hex(canonical), TextEncoding::Windows31J);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(decoded->kept.isEmpty()) << canonical;
    }
}

// The caller moves kept positions when it edits the text; the encoder writes kept bytes where
// they are now, and passes over entries that no longer stand for the character there.
TEST(CodePageWindows31J, EncodesKeptBytesAtPositionsMovedByTheCaller)
{
    const QByteArray original = hex("ed 40 41 42 fa 4a 43 ee f9");  // 纊AB Ⅰ C ￢
    auto decoded = DecodeText(original);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->text, u(u"纊ABⅠC￢"));
    ASSERT_EQ(decoded->kept.size(), 3);
    EXPECT_EQ(decoded->kept[0].position, 0);
    EXPECT_EQ(decoded->kept[1].position, 3);
    EXPECT_EQ(decoded->kept[2].position, 5);

    // "AB" becomes "日本語xyz" (+4 units): the entries after it move by 4.
    QString text = decoded->text;
    text.replace(1, 2, u(u"日本語xyz"));
    QList<KeptBytes> kept = decoded->kept;
    kept[1].position += 4;
    kept[2].position += 4;
    auto encoded = EncodeText(text, TextEncoding::Windows31J, kept);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(*encoded, hex("ed 40 93 fa 96 7b 8c ea 78 79 7a fa 4a 43 ee f9"))
        << show(*encoded);

    // The middle duplicate was replaced by another character: its entry no longer applies and
    // the new character is written with its own code; the others keep their bytes.
    text = decoded->text;
    text[3] = QChar(u'Ⅱ');
    encoded = EncodeText(text, TextEncoding::Windows31J, decoded->kept);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(*encoded, hex("ed 40 41 42 87 55 43 ee f9")) << show(*encoded);

    // Entries beyond the end of the text are passed over.
    QList<KeptBytes> stale = decoded->kept;
    stale.append({99, hex("ed 40")});
    encoded = EncodeText(decoded->text, TextEncoding::Windows31J, stale);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(*encoded, original);
}

TEST(CodePageWindows31J, ReportsTheFirstUnencodableCharacter)
{
    const struct {
        const char16_t* text;
        qsizetype position;
    } cases[] = {
        {u"abcé", 3},            // Latin-1 letters are not in Windows-31J
        {u"日本\U0001F600x", 2},  // a character outside the BMP: index of its first unit
        {u"¥", 0},               // U+00A5 is not 5C: that byte reads back as a backslash
        {u"a—", 1},              // U+2014 EM DASH: Windows-31J has U+2015 instead
        {u"〜", 0},              // U+301C WAVE DASH: Windows-31J has U+FF5E instead
        {u"−", 0},               // U+2212 MINUS SIGN: Windows-31J has U+FF0D instead
        {u"x\xfeff", 1},         // ICU would drop U+FEFF silently
        {u"\xe758", 0},          // just past the user-defined area
        {u"ab\xd800" u"c", 2},   // lone surrogate
    };
    for (const auto& c : cases) {
        const QString text = u(c.text);
        CodePageFailure failure;
        EXPECT_FALSE(EncodeText(text, TextEncoding::Windows31J, {}, &failure))
            << text.toStdString();
        EXPECT_EQ(failure.position, c.position) << text.toStdString();
        EXPECT_FALSE(CanEncode(text, TextEncoding::Windows31J)) << text.toStdString();
        EXPECT_EQ(CanEncode(text, TextEncoding::Utf8), !text.contains(QChar(0xd800)));
    }
    EXPECT_TRUE(CanEncode(u(u"日本語①～ｱ\\~\x7f"), TextEncoding::Windows31J));
}

TEST(CodePageUnicode, EncodesWithTheByteOrderMarkOfTheEncoding)
{
    const QString text = u(u"A日\U0001F600");
    EXPECT_EQ(*EncodeText(text, TextEncoding::Utf8), hex("41 e6 97 a5 f0 9f 98 80"));
    EXPECT_EQ(*EncodeText(text, TextEncoding::Utf8Bom), hex("ef bb bf 41 e6 97 a5 f0 9f 98 80"));
    EXPECT_EQ(*EncodeText(text, TextEncoding::Utf16LeBom), hex("ff fe 41 00 e5 65 3d d8 00 de"));
    EXPECT_EQ(*EncodeText(text, TextEncoding::Utf16BeBom), hex("fe ff 00 41 65 e5 d8 3d de 00"));
    EXPECT_EQ(*EncodeText(u"", TextEncoding::Utf8Bom), hex("ef bb bf"));
    EXPECT_EQ(*EncodeText(u"", TextEncoding::Windows31J), QByteArray());

    for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom,
                           TextEncoding::Utf16BeBom}) {
        CodePageFailure failure;
        EXPECT_FALSE(EncodeText(u(u"ab\xdc00"), e, {}, &failure));
        EXPECT_EQ(failure.position, 2);
        EXPECT_FALSE(EncodeText(u(u"a\xd800"), e, {}, &failure));
        EXPECT_EQ(failure.position, 1);
        // Every encoding reads back what it wrote.
        const auto decoded = DecodeText(*EncodeText(text, e));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->text, text);
        EXPECT_EQ(decoded->encoding, e);
    }
}

// Long mixed texts (crossing the 8-byte ASCII steps at every alignment) survive a round trip in
// every encoding, with duplicates kept.
TEST(CodePageRoundTrip, RandomMixedTextsComeBackByteForByte)
{
    const QList<QByteArray> pieces = {hex("41"),    hex("0d 0a"), hex("93 fa"), hex("95 5c"),
                                      hex("b1"),    hex("ed 40"), hex("fa 4a"), hex("87 40"),
                                      hex("5c 7e"), hex("20 20 20 20 20 20 20"),
                                      hex("ee f9"), hex("f0 40")};
    QRandomGenerator random(42);
    for (int round = 0; round < 50; ++round) {
        QByteArray original;
        const int count = random.bounded(1, 200);
        for (int i = 0; i < count; ++i)
            original += pieces[random.bounded(pieces.size())];
        const auto decoded = DecodeAs(original, TextEncoding::Windows31J);
        ASSERT_TRUE(decoded) << show(original);
        const auto back = EncodeText(decoded->text, TextEncoding::Windows31J, decoded->kept);
        ASSERT_TRUE(back);
        ASSERT_EQ(*back, original);
        for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16LeBom,
                               TextEncoding::Utf16BeBom}) {
            const auto again = DecodeText(*EncodeText(decoded->text, e));
            ASSERT_TRUE(again);
            ASSERT_EQ(again->text, decoded->text);
        }
    }
}

TEST(CodePageBinary, NulBytesWithoutUtf16MarkAreBinary)
{
    EXPECT_FALSE(LooksBinary({}));
    EXPECT_FALSE(LooksBinary("plain text"));
    EXPECT_TRUE(LooksBinary(hex("41 42 43 44 45 46 47 48 00")));
    EXPECT_TRUE(LooksBinary(hex("00")));
    EXPECT_TRUE(LooksBinary(hex("ef bb bf 41 00")));
    EXPECT_FALSE(LooksBinary(hex("ff fe 41 00")));
    EXPECT_FALSE(LooksBinary(hex("fe ff 00 41")));
    EXPECT_TRUE(LooksBinary(hex("ff fe 41 00 00 00")));  // a NUL code unit
    EXPECT_TRUE(LooksBinary(hex("fe ff 00 41 00 00")));
    EXPECT_FALSE(LooksBinary(hex("ff fe 00 41 41 00")));  // NUL bytes, no NUL unit
}

TEST(CodePageOwnFile, WritesWindows31JWhenItFitsElseUtf8WithMark)
{
    // Fits: Windows-31J, read back as written.
    const QString japanese = u(u"[COMMON]\r\nBKPATH=/データ/①～\r\n");
    const QByteArray cp932 = EncodeOwnFile(japanese);
    EXPECT_EQ(cp932, *EncodeText(japanese, TextEncoding::Windows31J));
    EXPECT_EQ(DecodeOwnFile(cp932), japanese);

    // Does not fit: UTF-8 with a byte order mark.
    const QString accented = u(u"café 日本");
    const QByteArray utf8 = EncodeOwnFile(accented);
    EXPECT_TRUE(utf8.startsWith(hex("ef bb bf")));
    EXPECT_EQ(utf8.sliced(3), accented.toUtf8());
    EXPECT_EQ(DecodeOwnFile(utf8), accented);

    // Windows-31J bytes that are also valid UTF-8 of another text ("縺ゅ＞" is E3 81 82 E3 81
    // 84 in Windows-31J, which is "あい" in UTF-8) are written as UTF-8 with a mark instead.
    const QString ambiguous = u(u"縺ゅ＞");
    const QByteArray written = EncodeOwnFile(ambiguous);
    EXPECT_TRUE(written.startsWith(hex("ef bb bf")));
    EXPECT_EQ(DecodeOwnFile(written), ambiguous);

    // ASCII is the same in both.
    EXPECT_EQ(EncodeOwnFile(u"txt,log,"), QByteArray("txt,log,"));
    EXPECT_FALSE(DecodeOwnFile(hex("93 fa 80")));
}

}  // namespace

TEST(CodePageBytes, UniqueEncodingExcludesDuplicateCodesAndUnencodableCharacters)
{
    EXPECT_TRUE(HasUniqueEncoding(u"アソ表ｱabc\r\n", TextEncoding::Windows31J));
    EXPECT_FALSE(HasUniqueEncoding(u"a∵", TextEncoding::Windows31J));   // 81 E6 and 87 9A
    EXPECT_FALSE(HasUniqueEncoding(u"纊", TextEncoding::Windows31J));   // ED 40 and FA 5C
    EXPECT_FALSE(HasUniqueEncoding(u"〜", TextEncoding::Windows31J));   // U+301C has no code
    EXPECT_TRUE(HasUniqueEncoding(u"∵纊〜😀", TextEncoding::Utf8));
    EXPECT_FALSE(HasUniqueEncoding(QString(QChar(0xD83D)), TextEncoding::Utf8));
    EXPECT_EQ(ByteOrderMarkSize(TextEncoding::Utf8Bom), 3);
    EXPECT_EQ(ByteOrderMarkSize(TextEncoding::Windows31J), 0);
}

// Text files may also be EUC-JP; bytes valid in Windows-31J and EUC-JP alike are Windows-31J,
// with the other reading flagged.
TEST(CodePageEucJp, DetectionTellsEucJpFromWindows31JByTheBytes)
{
    const struct {
        const char* name;
        QByteArray bytes;
        std::optional<TextEncoding> encoding;
        bool alsoEucJp;
    } cases[] = {
        {"eucjp kanji", hex("c6 fc cb dc b8 ec 0a"), TextEncoding::EucJp, false},
        {"eucjp three-byte form", hex("8f b0 a1 c6 fc cb dc b8 ec"), TextEncoding::EucJp, false},
        {"eucjp hiragana reads as half-width katakana", hex("a4 a2 a4 a4 a4 a6"),
         TextEncoding::Windows31J, true},
        {"cp932 half-width katakana of even length", hex("cd d9 cc df"), TextEncoding::Windows31J,
         true},
        {"cp932 kanji", hex("93 fa 96 7b 8c ea"), TextEncoding::Windows31J, false},
        {"utf8", hex("e6 97 a5 e6 9c ac"), TextEncoding::Utf8, false},
        {"eucjp cut inside a three-byte form", hex("c6 fc cb dc b8 ec 8f b0"), std::nullopt,
         false},
        {"neither", hex("41 80 a0"), std::nullopt, false},
        {"utf8 mark before eucjp", hex("ef bb bf c6 fc cb dc b8 ec"), std::nullopt, false},
    };
    for (const auto& c : cases) {
        bool alsoEucJp = !c.alsoEucJp;
        EXPECT_EQ(DetectFileEncoding(c.bytes, &alsoEucJp), c.encoding) << c.name;
        EXPECT_EQ(alsoEucJp, c.alsoEucJp) << c.name;
    }
}

// Real text as iconv writes it, with half-width katakana (8E xx) and JIS X 0212 (8F xx xx), reads
// as the text and is written back byte for byte; iconv's ～ (a JIS X 0212 code that ICU writes
// as A1 C1) keeps its bytes, and a bad byte is found where it is.
TEST(CodePageEucJp, RealTextComesBackAsIconvWroteIt)
{
    const QString text = QStringLiteral(
        "名前\n    tralex - テキストファイルの文字列を一括して置き換える\n"
        "説明\n    変更したファイルの元の内容は、同じフォルダのバックアップ（Bk＋日時＋名前）に残る。\r\n"
        "    半角カナ：ｶﾀｶﾅ ﾃﾞｰﾀ、補助漢字：丂 鷗 ı、記号：§ ∀ ※ ☆ Ω а\n");
    const QByteArray bytes = iconvTo(text, "EUC-JP");
    ASSERT_TRUE(bytes.contains("\x8f\xb0\xa1") && bytes.contains("\x8e\xb6"));
    EXPECT_EQ(DetectFileEncoding(bytes), TextEncoding::EucJp);
    const auto decoded = DecodeAs(bytes, TextEncoding::EucJp);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->text, text);
    EXPECT_TRUE(decoded->kept.isEmpty());
    EXPECT_EQ(EncodeText(decoded->text, TextEncoding::EucJp), bytes);
    EXPECT_TRUE(HasUniqueEncoding(text, TextEncoding::EucJp));

    const QByteArray tilde = iconvTo(QStringLiteral("1～2"), "EUC-JP");
    ASSERT_EQ(tilde, hex("31 8f a2 b7 32"));
    const auto withTilde = DecodeAs(tilde, TextEncoding::EucJp);
    ASSERT_TRUE(withTilde);
    EXPECT_EQ(withTilde->text, QStringLiteral("1～2"));
    EXPECT_EQ(EncodeText(withTilde->text, TextEncoding::EucJp, withTilde->kept), tilde);
    EXPECT_EQ(EncodeText(withTilde->text, TextEncoding::EucJp), hex("31 a1 c1 32"));
    EXPECT_FALSE(HasUniqueEncoding(QStringLiteral("～"), TextEncoding::EucJp));

    CodePageFailure failure;
    EXPECT_FALSE(DecodeAs(hex("c6 fc 41 a1 41"), TextEncoding::EucJp, &failure));
    EXPECT_EQ(failure.position, 3);
    EXPECT_FALSE(EncodeText(QStringLiteral("日本😀"), TextEncoding::EucJp, {}, &failure));
    EXPECT_EQ(failure.position, 2);
}

// Characters typed in their JIS form are written as an EUC-JP file holds them: the bytes iconv
// writes for the typed forms (iconv has no code for the em dash; A1 BD is its horizontal bar).
TEST(CodePageEucJp, InputFormsAreTheFormsTheFileHolds)
{
    const QString typed = QStringLiteral("〜‖−¢£¬—");
    const QString held = QStringLiteral("～∥－￠￡￢―");
    EXPECT_EQ(InFileForms(typed, TextEncoding::EucJp), held);
    EXPECT_EQ(InFileForms(held, TextEncoding::EucJp), held);
    EXPECT_EQ(EncodeText(InFileForms(typed, TextEncoding::EucJp), TextEncoding::EucJp),
              iconvTo(QStringLiteral("〜‖−¢£¬―"), "EUC-JP"));
    EXPECT_EQ(InFileForms(typed, TextEncoding::Utf8), typed);
}
