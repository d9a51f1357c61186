#include "app/ChangedLinesView.h"

#include <QTextBlock>
#include <QTextCursor>

#include "dialogs/basFormLayout.h"

namespace tralex {

namespace {

// Writes one side of a changed line: its number, its side and its text, the marked spans in the
// mark colour.
void writeSide(QTextCursor& cursor, qint64 number, const QString& side, const QString& text,
               const QList<TextSpan>& marks, const QColor& mark, const QColor& sideColour)
{
    if (!cursor.atStart())
        cursor.insertBlock();
    QTextCharFormat plain;
    QTextCharFormat lead;
    lead.setForeground(QColor(128, 128, 128));
    cursor.insertText(QStringLiteral("%1 ").arg(number > 0 ? QString::number(number) : QString(), 7), lead);
    QTextCharFormat sideFormat;
    sideFormat.setForeground(sideColour);
    sideFormat.setFontWeight(QFont::Bold);
    cursor.insertText(side + QStringLiteral("│"), sideFormat);
    QTextCharFormat marked;
    marked.setBackground(mark);
    qsizetype at = 0;
    for (const TextSpan& span : marks) {
        const qsizetype start = qBound<qsizetype>(at, span.start, text.size());
        const qsizetype end = qBound<qsizetype>(start, span.start + span.length, text.size());
        cursor.insertText(text.mid(at, start - at), plain);
        cursor.insertText(text.mid(start, end - start), marked);
        at = end;
    }
    cursor.insertText(text.mid(at), plain);
}

}  // namespace

ChangedLinesView::ChangedLinesView(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(GothicFont(9));
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

QColor ChangedLinesView::BeforeMark()
{
    return QColor(255, 190, 190);
}

QColor ChangedLinesView::AfterMark()
{
    return QColor(170, 235, 170);
}

void ChangedLinesView::setLines(const QList<ChangedLine>& lines)
{
    clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (ChangedLine line : lines) {
        if (Unmarked(line))
            MarkDifferences(line);
        if (line.beforeLine > 0 || !line.before.isEmpty())
            writeSide(cursor, line.beforeLine, QStringLiteral("前"), line.before, line.beforeMarks,
                      BeforeMark(), QColor(160, 0, 0));
        if (line.afterLine > 0 || !line.after.isEmpty())
            writeSide(cursor, line.afterLine, QStringLiteral("後"), line.after, line.afterMarks,
                      AfterMark(), QColor(0, 110, 0));
    }
    cursor.endEditBlock();
    moveCursor(QTextCursor::Start);
}

}  // namespace tralex
