#include "app/frmResultList.h"

#include <QListWidget>
#include <QPushButton>
#include <QPointer>
#include <QStringList>

#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"

namespace tralex {

namespace {

const QString Caption = QStringLiteral("置換の行われたファイル 一覧");
constexpr int ClientWidth = 9390;
constexpr int ClientHeight = 3195;

// Line i of the changed files: the number, ":", a tab and the path.
QStringList NumberedLines(const QStringList& results)
{
    QStringList lines;
    lines.reserve(results.size());
    int number = 0;
    for (const QString& path : results)
        lines << QString::number(++number) + QStringLiteral(":\t") + path;
    return lines;
}

// A line of the list that is there to be read, not selected.
QListWidgetItem* fixedLine(const QString& text)
{
    auto* item = new QListWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

}  // namespace

frmResultList& frmResultList::instance()
{
    static QPointer<frmResultList> window;
    if (!window)
        window = new frmResultList;
    return *window;
}

frmResultList::frmResultList()
    : QDialog(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                           | Qt::CustomizeWindowHint),
      mlstTarget(new QListWidget(this)), mcmdUndo(new QPushButton(QStringLiteral("元に戻す"), this))
{
    mcmdUndo->setObjectName(QStringLiteral("cmdUndo"));
    mcmdUndo->hide();
    connect(mcmdUndo, &QPushButton::clicked, this, [this] {
        const std::function<void()> undo = mUndo;
        close();
        if (undo)
            undo();
    });
    setObjectName(QStringLiteral("frmResultList"));
    setWindowTitle(Caption);
    setModal(true);
    mlstTarget->setObjectName(QStringLiteral("lstTarget"));
    mlstTarget->setFont(GothicFont(9));
    // Every line is one text line high: the view then lays out tens of thousands of lines at once.
    mlstTarget->setUniformItemSizes(true);
    mlstTarget->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    resize(Twips(ClientWidth), Twips(ClientHeight));
}

QString frmResultList::SkippedHeading(int count)
{
    return QStringLiteral("―― 置換しなかったファイルとその理由（%1件） ――").arg(count);
}

void frmResultList::Show()
{
    exec();
}

void frmResultList::setVisible(bool visible)
{
    if (visible && !mblnLoaded)
        load();
    QDialog::setVisible(visible);
}

void frmResultList::load()
{
    mblnLoaded = true;
    fillList();
    mcmdUndo->setVisible(bool(mUndo));
    layOut();
    CenterWindow(this);
    AnimateOpen(this);
}

void frmResultList::fillList()
{
    mlstTarget->clear();
    mlstTarget->addItems(NumberedLines(mResult.changed));

    const QStringList& skipped = mResult.skipped;
    if (skipped.isEmpty())
        return;
    // The files left unchanged follow after an empty line and a heading, neither of which can be
    // selected, so that nobody takes them for changed files.
    if (mlstTarget->count() > 0)
        mlstTarget->addItem(fixedLine(QString()));
    QListWidgetItem* heading = fixedLine(SkippedHeading(int(skipped.size())));
    QFont bold = mlstTarget->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setForeground(QColor(128, 0, 0));
    mlstTarget->addItem(heading);
    mlstTarget->addItems(skipped);
}

void frmResultList::done(int result)
{
    if (mblnLoaded && isVisible())
        AnimateClose(this);
    mblnLoaded = false;
    QDialog::done(result);
}

void frmResultList::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layOut();
}

// The list fills the window; the undo button, when shown, sits in a row of its own below it.
void frmResultList::layOut()
{
    QRect list = rect();
    if (mcmdUndo->isVisibleTo(this)) {
        const QSize button = mcmdUndo->sizeHint();
        constexpr int Margin = 6;
        list.setBottom(list.bottom() - button.height() - 2 * Margin);
        mcmdUndo->setGeometry(width() - button.width() - Margin, height() - button.height() - Margin,
                              button.width(), button.height());
    }
    mlstTarget->setGeometry(list);
}

}  // namespace tralex
