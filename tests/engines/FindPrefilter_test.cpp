// The prefilter may only pass over a file when no pair can change it. Random files (UTF-8 and
// Windows-31J, with letters of both cases, ı and ſ, kana whose trail bytes look like ASCII) and
// random find texts are checked against decoding and ReplaceText: whenever a pair would match,
// the prefilter must have let the file through, for few and for many find texts.
#include "engines/FindPrefilter.h"
#include "engines/ReplaceText.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace tralex;

namespace {

bool anyPairMatches(const QByteArray& bytes, const QStringList& finds, bool ucase)
{
    auto decoded = DecodeText(bytes);
    if (!decoded)
        return false;
    for (const QString& find : finds) {
        QString text = decoded->text;
        if (ReplaceText(text, find, QStringLiteral("#"), false, ucase) > 0)
            return true;
    }
    return false;
}

}  // namespace

TEST(FindPrefilter, NeverPassesOverAFileThatAPairWouldChange)
{
    const QStringList pieces = {u"a"_qs, u"B"_qs, u"i"_qs, u"S"_qs, u"k"_qs, u"ı"_qs, u"ſ"_qs,
                                u"ア"_qs, u"ソ"_qs, u" "_qs};
    const QStringList findPieces = {u"a"_qs, u"A"_qs, u"b"_qs, u"I"_qs, u"s"_qs, u"K"_qs,
                                    u"\\"_qs, u" "_qs};
    QRandomGenerator random(11);
    int passedOver = 0;
    int letThrough = 0;
    for (int round = 0; round < 40000; ++round) {
        QString text;
        for (int i = random.bounded(30); i > 0; --i)
            text += pieces[random.bounded(pieces.size())];
        const TextEncoding encoding =
            random.bounded(2) ? TextEncoding::Utf8 : TextEncoding::Windows31J;
        if (!CanEncode(text, encoding))
            text.remove(u'ı').remove(u'ſ');
        const QByteArray bytes = *EncodeText(text, encoding);
        QStringList finds;
        // Few find texts are searched one by one, many all at once.
        const int count = random.bounded(2) ? random.bounded(1, 4) : random.bounded(9, 14);
        for (int f = 0; f < count; ++f) {
            QString find;
            for (int i = random.bounded(1, 6); i > 0; --i)
                find += findPieces[random.bounded(findPieces.size())];
            finds << find;
        }
        const bool ucase = random.bounded(2) == 1;
        const bool may = FindPrefilter(finds, ucase).mayMatch(bytes);
        if (!may) {
            ASSERT_FALSE(anyPairMatches(bytes, finds, ucase))
                << text.toStdString() << " / " << finds.join(u'|').toStdString() << " ucase "
                << ucase;
            ++passedOver;
        } else {
            ++letThrough;
        }
    }
    // Both answers occur often enough for the check to mean something.
    EXPECT_GT(passedOver, 4000);
    EXPECT_GT(letThrough, 4000);
}

TEST(FindPrefilter, CasesThatMustGoThrough)
{
    const QByteArray lower("a key here");
    EXPECT_FALSE(FindPrefilter({u"KEY"_qs}, false).mayMatch(lower));
    EXPECT_TRUE(FindPrefilter({u"KEY"_qs}, true).mayMatch(lower));
    // ı is I with the case option, though its bytes are not.
    EXPECT_TRUE(FindPrefilter({u"is"_qs}, true).mayMatch(u"ıs"_qs.toUtf8()));
    // Many find texts: searched all at once, without case with the option too.
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << QStringLiteral("tralexkey%1").arg(i, 3, 10, QLatin1Char('0'));
    EXPECT_TRUE(FindPrefilter(many, true).mayMatch("..TRALEXKEY017.."));
    EXPECT_FALSE(FindPrefilter(many, false).mayMatch("..TRALEXKEY017.."));
    EXPECT_TRUE(FindPrefilter(many, false).mayMatch("..tralexkey017.."));
    // A find text above ASCII, and UTF-16 text, cannot be judged by bytes.
    EXPECT_TRUE(FindPrefilter({u"表"_qs}, false).mayMatch("nothing"));
    EXPECT_TRUE(FindPrefilter({u"a"_qs}, false).mayMatch(QByteArray("\xFF\xFE" "b\0", 4)));
    EXPECT_FALSE(FindPrefilter({u"a"_qs}, false).mayMatch("bcd"));
}
