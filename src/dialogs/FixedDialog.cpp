#include "dialogs/FixedDialog.h"

#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

#include "dialogs/basFormLayout.h"

namespace tralex {

FixedDialog::FixedDialog(const QString& name)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint), mClient(new QWidget(this))
{
    setObjectName(name);
    mClient->setObjectName(QStringLiteral("client"));
    mClient->move(FrameWidth, FrameWidth);
    setSizeGripEnabled(false);
}

void FixedDialog::setClientSize(const QSize& size)
{
    mClient->setFixedSize(size);
    setFixedSize(size + QSize(2 * FrameWidth, 2 * FrameWidth));
}

void FixedDialog::setSelfSizingText(QLabel* label, const QString& text,
                                    const QList<QWidget*>& centred)
{
    label->setText(text);
    const QFontMetrics metrics(label->font());
    // The advance and the inked extent can differ for emboldened glyphs: take the wider, plus one
    // pixel, so that no stroke is cut at the label's edge.
    const int width = text.isEmpty()
                          ? 0
                          : qMax(metrics.horizontalAdvance(text), metrics.boundingRect(text).width()) + 1;
    const int height = qMax(label->height(), metrics.height());
    const double centre = label->x() + label->width() / 2.0;
    label->setGeometry(qRound(centre - width / 2.0), label->y(), width, height);

    if (width <= mClient->width())
        return;
    setClientSize(QSize(width + Twips(200) - 2 * FrameWidth, mClient->height()));
    for (QWidget* control : centred)
        control->move((mClient->width() - control->width()) / 2, control->y());
}

void FixedDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

}  // namespace tralex
