#pragma once
// Units, fonts and colour values of the windows. Window layouts are written in twips, as they were
// designed; 15 twips are one device-independent pixel. Colour values are 32-bit integers holding red
// in the lowest byte, then green, then blue (0xC0FFFF is RGB(255,255,192)), which is the form the
// callers and the settings of the program use.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QtGlobal>

namespace tralex {

constexpr int TwipsPerPixel = 15;

// A length in twips as whole pixels.
int Twips(double vdblTwips);

// A rectangle given in twips (left, top, width, height) as pixels.
QRect TwipsRect(double vdblLeft, double vdblTop, double vdblWidth, double vdblHeight);

// The gothic font of the windows at a size in points. The size is fixed in pixels (9 pt = 12 px, as
// on the screens the layouts were made for), so that text keeps fitting the fixed-size controls.
QFont GothicFont(double vdblPoints, bool vblnBold = false);
// The mincho font of the windows, sized the same way.
QFont MinchoFont(double vdblPoints, bool vblnBold = false);

// The colour value of red, green and blue (each 0 to 255).
constexpr qint32 RGB(int r, int g, int b)
{
    return static_cast<qint32>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

QColor ColorFromValue(qint32 vlngColor);

}  // namespace tralex
