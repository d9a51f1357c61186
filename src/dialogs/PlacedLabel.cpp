#include "dialogs/PlacedLabel.h"

#include <QLabel>

#include "dialogs/basFormLayout.h"

namespace tralex {

QLabel* PlacedLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                    const QColor& colour, const QRect& twips)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setGeometry(TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return label;
}

}  // namespace tralex
