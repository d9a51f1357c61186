#include "dialogs/basFormLayout.h"

#include <QtMath>

#include "dialogs/JapaneseFonts.h"

namespace tralex {

int Twips(double vdblTwips)
{
    return qRound(vdblTwips / TwipsPerPixel);
}

QRect TwipsRect(double vdblLeft, double vdblTop, double vdblWidth, double vdblHeight)
{
    return QRect(Twips(vdblLeft), Twips(vdblTop), Twips(vdblWidth), Twips(vdblHeight));
}

namespace {

QFont SizedFont(const QString& family, QFont::StyleHint hint, double vdblPoints, bool vblnBold)
{
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(qRound(vdblPoints * 96.0 / 72.0));
    font.setBold(vblnBold);
    return font;
}

}  // namespace

QFont GothicFont(double vdblPoints, bool vblnBold)
{
    return SizedFont(GothicFamily, QFont::TypeWriter, vdblPoints, vblnBold);
}

QFont MinchoFont(double vdblPoints, bool vblnBold)
{
    return SizedFont(MinchoFamily, QFont::Serif, vdblPoints, vblnBold);
}

QColor ColorFromValue(qint32 vlngColor)
{
    const auto v = static_cast<quint32>(vlngColor);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

}  // namespace tralex
