#pragma once
// Start-up set-up of the Japanese look that every window relies on.
#include <QString>

namespace tralex {

// The font family names the windows ask for. They are the names of the Windows fonts; this
// program maps them to the IPA fonts, which have the same metrics and half-width grid.
inline const QString GothicFamily = QStringLiteral("ＭＳ ゴシック");
inline const QString MinchoFamily = QStringLiteral("ＭＳ 明朝");

// Maps "ＭＳ ゴシック" and "MS Gothic" to IPAGothic and "ＭＳ 明朝" and "MS Mincho" to IPAMincho, and
// loads Qt's own Japanese texts (the context menus of text boxes, standard buttons). Call it once,
// after the application object exists and before the first window is made. Calling it again does
// no harm. Returns false when Qt's Japanese texts could not be loaded (the windows still work).
bool InstallJapaneseFonts();

}  // namespace tralex
