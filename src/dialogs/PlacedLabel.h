#pragma once
// A label of fixed text, font and colour at a place given in twips, as the windows that are drawn
// once (splash, about box) are made of.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace tralex {

// `twips` holds left, top, width and height in twips. The text is shown as plain text.
QLabel* PlacedLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                    const QColor& colour, const QRect& twips);

}  // namespace tralex
