// The sixteen-byte UTF-8 check against the byte-by-byte decoder, on random texts made of valid
// characters at the edges of each length, every kind of invalid sequence, truncated characters
// and ASCII runs long enough to fill whole blocks. The valid prefix it reports must decode, must
// not pass the first error, and must reach close to the end of a valid text.
#include "platform/Utf8Check.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace tralex;

TEST(Utf8Check, ValidPrefixAgreesWithTheDecoder)
{
    const QList<QByteArray> valid = {
        "a", "\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xE3\x81\x82", "\xED\x9F\xBF",
        "\xEE\x80\x80", "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF0\x9F\x98\x80",
        "\xF4\x8F\xBF\xBF", "\r\n"};
    const QList<QByteArray> invalid = {
        "\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF",
        "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80",
        "\xFF", "\xFE", "\xE3\x81", "\xF0\x9F\x98", "\xC3", "\xE3\x81\x82\x82"};
    QRandomGenerator random(5);
    int longValid = 0;
    for (int round = 0; round < 200000; ++round) {
        QByteArray bytes;
        const bool broken = random.bounded(3) == 0;
        const int pieces = random.bounded(1, 40);
        const int badAt = broken ? random.bounded(pieces) : -1;
        for (int i = 0; i < pieces; ++i) {
            if (i == badAt)
                bytes += invalid[random.bounded(invalid.size())];
            else if (random.bounded(6) == 0)
                bytes += QByteArray(random.bounded(1, 40), 'x');
            else
                bytes += valid[random.bounded(valid.size())];
        }
        const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
        const qsizetype prefix = ValidUtf8Prefix(data, bytes.size());
        ASSERT_GE(prefix, 0);
        ASSERT_LE(prefix, bytes.size());
        ASSERT_TRUE(DecodeAs(bytes.left(prefix), TextEncoding::Utf8))
            << bytes.toHex(' ').data() << " prefix " << prefix;
        CodePageFailure failure;
        const bool decodes = DecodeAs(bytes, TextEncoding::Utf8, &failure).has_value();
        if (!decodes) {
            ASSERT_LE(prefix, failure.position) << bytes.toHex(' ').data();
        } else if (bytes.size() >= 16) {
            ASSERT_GE(prefix, bytes.size() - 19) << bytes.toHex(' ').data();
            ++longValid;
        }
        // The detection built on it gives the decoder's answer.
        CodePageFailure detected;
        const auto encoding = DetectEncoding(bytes, &detected);
        CodePageFailure expected;
        const auto decoded = DecodeText(bytes, &expected);
        ASSERT_EQ(encoding.has_value(), decoded.has_value()) << bytes.toHex(' ').data();
        if (encoding) {
            ASSERT_EQ(*encoding, decoded->encoding) << bytes.toHex(' ').data();
        }
        ASSERT_EQ(detected.position, expected.position) << bytes.toHex(' ').data();
    }
    EXPECT_GT(longValid, 50000);
}
