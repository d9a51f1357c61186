// Character starts and unit steps told from the bytes alone, against decoding.
#include "engines/EncodedCharacters.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>

using namespace tralex;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

std::string show(const QByteArray& bytes)
{
    return bytes.toHex(' ').toStdString();
}

}  // namespace

// Character starts and unit counts found in the bytes alone agree with decoding, in texts whose
// Windows-31J trail bytes look like ASCII (ア 83 41, ソ 83 5C) or like lead bytes (院 89 40 is
// followed by 89 40; 茨 88 E7), with single-byte kana, surrogate pairs and duplicate codes.
TEST(EncodedCharacters, StartsAndUnitStepsMatchTheDecodedText)
{
    struct Case {
        TextEncoding encoding;
        QList<QByteArray> pieces;
    };
    const QList<Case> cases = {
        {TextEncoding::Windows31J,
         {hex("41"), hex("83 41"), hex("83 5c"), hex("89 40"), hex("88 e7"), hex("e0 e0"),
          hex("b1"), hex("ed 40"), hex("0d 0a"), hex("5c")}},
        {TextEncoding::Utf8,
         {hex("41"), hex("c3 a9"), hex("e3 81 82"), hex("f0 9f 98 80"), hex("0a"), hex("5c")}},
    };
    QRandomGenerator random(7);
    for (const Case& c : cases) {
        for (int round = 0; round < 300; ++round) {
            // Byte offsets where each piece (one character) starts, and its UTF-16 units.
            QByteArray bytes;
            QList<qsizetype> starts;
            QList<qsizetype> unitsBefore;  // UTF-16 units before each start
            qsizetype units = 0;
            const int count = random.bounded(1, 40);
            for (int i = 0; i < count; ++i) {
                const QByteArray& piece = c.pieces[random.bounded(c.pieces.size())];
                const qsizetype pieceUnits = DecodeAs(piece, c.encoding)->text.size();
                // A CR LF piece is two characters.
                for (qsizetype k = 0; k < piece.size();) {
                    starts.append(bytes.size() + k);
                    unitsBefore.append(units);
                    const qsizetype step = pieceUnits == piece.size() ? 1 : piece.size();
                    units += pieceUnits == piece.size() ? 1 : pieceUnits;
                    k += step;
                }
                bytes += piece;
            }
            ASSERT_EQ(DecodeAs(bytes, c.encoding)->text.size(), units);
            for (qsizetype p = 0; p < bytes.size(); ++p) {
                const bool isStart = starts.contains(p);
                // Any character start at or before p may serve as the known start.
                const qsizetype known = starts[random.bounded(qsizetype(0),
                    std::max<qsizetype>(1, std::upper_bound(starts.begin(), starts.end(), p)
                                               - starts.begin()))];
                ASSERT_EQ(StartsCharacter(bytes.constData(), known, p, c.encoding), isStart)
                    << show(bytes) << " at " << p << " from " << known;
            }
            for (qsizetype i = 0; i < starts.size(); ++i) {
                for (qsizetype skip = 0; skip <= 3; ++skip) {
                    // The first start whose units reach the wanted count, else the end.
                    qsizetype expected = bytes.size();
                    for (qsizetype j = i; j < starts.size(); ++j) {
                        if (unitsBefore[j] >= unitsBefore[i] + skip) {
                            expected = starts[j];
                            break;
                        }
                    }
                    ASSERT_EQ(SkipUnits(bytes.constData(), bytes.size(), starts[i], skip,
                                        c.encoding),
                              expected)
                        << show(bytes) << " from " << starts[i] << " by " << skip;
                }
            }
        }
    }
}

