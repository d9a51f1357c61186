#pragma once
// The four window operations every window of the program uses: centring on the screen, the zoom
// outline played when a window opens or closes, and enabling or disabling a window for input.
#include <QRect>

class QWidget;

namespace tralex {

// Centres the window (its outer rectangle) on its screen. A window larger than the screen gets a
// negative left or top, as the arithmetic gives; nothing is clamped.
void CenterWindow(QWidget* w);

// Zooms an outline from the window's rectangle turned inside out (right/bottom swapped with
// left/top) to the window's rectangle. Returns when the outline is gone.
void AnimateOpen(QWidget* w);

// Zooms an outline from the window's rectangle to an empty rectangle at a corner of the screen
// chosen at random. The caller hides or destroys the window itself.
void AnimateClose(QWidget* w);

// Enables (true) or disables (false) the window for mouse and keyboard input. Disabling twice is
// harmless; enabling once restores input.
void EnableForm(QWidget* w, bool vblnEnabled);

// The empty rectangle at corner k of a screen (1 top-left, 2 top-right, 3 bottom-left,
// 4 bottom-right) towards which a closing window zooms.
QRect CloseCorner(const QRect& vrctScreen, int vintCorner);

// A corner number 1 to 4, each with the same chance.
int RandomCorner();

// Whether the zoom outlines are drawn: not on platforms without a real screen (offscreen, minimal).
bool AnimationsShown();

}  // namespace tralex
