#include "app/frmCompare.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/ChangedLinesView.h"
#include "dialogs/basFormLayout.h"
#include "platform/CodePage.h"
#include "services/TextDiff.h"

#include <optional>

namespace tralex {

namespace {

const QColor ChangedLineShade(255, 250, 205);

// The text of a file's bytes: in the encoding the run named, else in the one the bytes show.
std::optional<QString> decoded(const QByteArray& bytes, const QString& encodingName)
{
    if (const std::optional<TextEncoding> encoding = EncodingNamed(encodingName)) {
        const qsizetype bom = bytes.startsWith(ByteOrderMark(*encoding)) ? ByteOrderMarkSize(*encoding) : 0;
        if (const std::optional<DecodedText> text = DecodeAs(bytes.mid(bom), *encoding))
            return text->text;
    }
    if (const std::optional<DecodedText> text = DecodeText(bytes))
        return text->text;
    return std::nullopt;
}

std::optional<QByteArray> readAll(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QPlainTextEdit* makePane(const QString& name, QWidget* parent)
{
    auto* pane = new QPlainTextEdit(parent);
    pane->setObjectName(name);
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setFont(GothicFont(9));
    return pane;
}

QLabel* makeHeading(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path is cut rather than widening the window.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

// The marks of one side: the changed line shaded across the pane, its differing characters in
// the mark colour.
void addMarks(QList<QTextEdit::ExtraSelection>& marks, QPlainTextEdit* pane, qint64 line,
              const QList<TextSpan>& spans, const QColor& colour)
{
    const QTextBlock block = pane->document()->findBlockByNumber(int(line - 1));
    if (!block.isValid())
        return;
    QTextEdit::ExtraSelection shade;
    shade.cursor = QTextCursor(block);
    shade.format.setBackground(ChangedLineShade);
    shade.format.setProperty(QTextFormat::FullWidthSelection, true);
    marks.append(shade);
    for (const TextSpan& span : spans) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(block);
        const qsizetype end = block.length() - 1;  // the block's length counts its break
        mark.cursor.setPosition(block.position() + int(qMin(span.start, end)));
        mark.cursor.setPosition(block.position() + int(qMin(span.start + span.length, end)), QTextCursor::KeepAnchor);
        mark.format.setBackground(colour);
        marks.append(mark);
    }
}

}  // namespace

frmCompare::frmCompare(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint),
      mlblBackUp(makeHeading(QStringLiteral("lblBackUp"), this)), mlblFile(makeHeading(QStringLiteral("lblFile"), this)),
      mlblSummary(makeHeading(QStringLiteral("lblSummary"), this)),
      mtxtBackUp(makePane(QStringLiteral("txtBackUp"), this)), mtxtFile(makePane(QStringLiteral("txtFile"), this))
{
    setObjectName(QStringLiteral("frmCompare"));
    mlblSummary->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setWindowTitle(QStringLiteral("バックアップと比較"));
    setModal(true);
    setFont(GothicFont(9));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* panes = new QGridLayout;
    auto* beforeTitle = new QLabel(QStringLiteral("バックアップ（置換前）"), this);
    auto* afterTitle = new QLabel(QStringLiteral("現在のファイル（置換後）"), this);
    for (QLabel* title : {beforeTitle, afterTitle})
        title->setFont(GothicFont(9, true));
    panes->addWidget(beforeTitle, 0, 0);
    panes->addWidget(afterTitle, 0, 1);
    panes->addWidget(mlblBackUp, 1, 0);
    panes->addWidget(mlblFile, 1, 1);
    panes->addWidget(mtxtBackUp, 2, 0);
    panes->addWidget(mtxtFile, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(mlblSummary);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes);
    layout->addLayout(buttons);

    // The panes scroll together; replacements seldom change the number of lines.
    QScrollBar* left = mtxtBackUp->verticalScrollBar();
    QScrollBar* right = mtxtFile->verticalScrollBar();
    connect(left, &QScrollBar::valueChanged, right, &QScrollBar::setValue);
    connect(right, &QScrollBar::valueChanged, left, &QScrollBar::setValue);
    resize(980, 560);
}

bool frmCompare::load(const FileReport& report, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (report.rawBackUp.isEmpty())
        return fail(QStringLiteral("このファイルにはバックアップがありません"));
    const std::optional<QByteArray> backUp = readAll(report.rawBackUp);
    if (!backUp)
        return fail(QStringLiteral("バックアップを読み込めません: ") + report.backUp);
    const std::optional<QByteArray> file = readAll(report.absolutePath);
    if (!file)
        return fail(QStringLiteral("ファイルを読み込めません: ") + report.path);
    const std::optional<QString> before = decoded(*backUp, report.encoding);
    const std::optional<QString> after = decoded(*file, report.encoding);
    if (!before || !after)
        return fail(QStringLiteral("テキストとして読めないため比較できません"));
    mlblBackUp->setText(report.backUp);
    mlblFile->setText(QFile::decodeName(report.absolutePath));
    showTexts(*before, *after);
    return true;
}

void frmCompare::showTexts(const QString& before, const QString& after)
{
    // The panes hold the lines without their breaks, so that block n is line n + 1 whatever the
    // file's line ends are.
    mtxtBackUp->setPlainText(SplitLines(before).join(QLatin1Char('\n')));
    mtxtFile->setPlainText(SplitLines(after).join(QLatin1Char('\n')));
    const QList<ChangedLine> lines = ChangedLines(before, after, -1, &mChangedLines);
    QList<QTextEdit::ExtraSelection> beforeMarks;
    QList<QTextEdit::ExtraSelection> afterMarks;
    for (const ChangedLine& line : lines) {
        if (line.beforeLine > 0)
            addMarks(beforeMarks, mtxtBackUp, line.beforeLine, line.beforeMarks, ChangedLinesView::BeforeMark());
        if (line.afterLine > 0)
            addMarks(afterMarks, mtxtFile, line.afterLine, line.afterMarks, ChangedLinesView::AfterMark());
    }
    mtxtBackUp->setExtraSelections(beforeMarks);
    mtxtFile->setExtraSelections(afterMarks);
    mlblSummary->setText(mChangedLines == 0 ? QStringLiteral("バックアップと同じ内容です")
                                            : QStringLiteral("異なる行: %1行").arg(mChangedLines));
    // The first difference in view.
    if (!lines.isEmpty()) {
        const qint64 first = lines.first().afterLine > 0 ? lines.first().afterLine : lines.first().beforeLine;
        QTextCursor at(mtxtFile->document()->findBlockByNumber(int(first - 1)));
        mtxtFile->setTextCursor(at);
        mtxtFile->centerCursor();
    }
}

}  // namespace tralex
