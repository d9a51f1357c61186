#include "app/frmHistory.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/basFormLayout.h"

namespace tralex {

namespace {

const QString Caption = QStringLiteral("履歴");
constexpr int IdRole = Qt::UserRole;
constexpr int UndoneRole = Qt::UserRole + 1;

// Line breaks and tabs of a text shown on one line.
QString oneLine(const QString& text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("↵"));
    line.replace(QLatin1Char('\n'), QStringLiteral("↵"));
    line.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return line;
}

QString stateOf(const JournalRun& run)
{
    if (run.undone)
        return QStringLiteral("元に戻しました（%1）").arg(run.undone->toString(QStringLiteral("M/d H:mm")));
    if (!run.undoes.isEmpty())
        return QStringLiteral("元に戻した実行");
    return QString();
}

}  // namespace

frmHistory::frmHistory(QString journals, std::function<void(const QString&)> undo, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      mJournals(std::move(journals)), mUndo(std::move(undo)), mRuns(new QTreeWidget(this)),
      mcmdUndo(new QPushButton(QStringLiteral("元に戻す"), this))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(Caption);
    setModal(true);
    setFont(GothicFont(9));
    mRuns->setObjectName(QStringLiteral("lstRuns"));
    mRuns->setRootIsDecorated(false);
    mRuns->setUniformRowHeights(true);
    mRuns->setHeaderLabels({QStringLiteral("日時"), QStringLiteral("フォルダ"), QStringLiteral("種類"),
                            QStringLiteral("ファイル数"), QStringLiteral("置換"), QStringLiteral("状態")});
    mcmdUndo->setObjectName(QStringLiteral("cmdUndo"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("cmdClose"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(mcmdUndo);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mRuns);
    layout->addLayout(buttons);

    connect(mcmdUndo, &QPushButton::clicked, this, [this] { undoChosen(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(mRuns, &QTreeWidget::currentItemChanged, this, [this] { chooseRow(); });
    fill();
    resize(760, 320);
}

QString frmHistory::PairsText(const JournalRun& run)
{
    QStringList pairs;
    for (const auto& [find, replace] : run.pairs)
        pairs << oneLine(find) + QStringLiteral(" → ") + oneLine(replace);
    return pairs.join(QStringLiteral("、"));
}

void frmHistory::fill()
{
    mRuns->clear();
    for (const JournalRun& run : RunJournal::History(mJournals)) {
        auto* item = new QTreeWidgetItem(mRuns);
        item->setText(0, run.started.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")));
        item->setText(1, run.folder);
        item->setText(2, run.type);
        item->setText(3, QString::number(run.files.size()));
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(4, run.undoes.isEmpty() ? PairsText(run) : QString());
        item->setText(5, stateOf(run));
        item->setData(0, IdRole, run.id);
        item->setData(0, UndoneRole, run.undone.has_value());
    }
    for (int column = 0; column < mRuns->columnCount() - 1; ++column)
        mRuns->resizeColumnToContents(column);
    mRuns->setCurrentItem(mRuns->topLevelItem(0));
    chooseRow();
}

void frmHistory::chooseRow()
{
    const QTreeWidgetItem* item = mRuns->currentItem();
    mcmdUndo->setEnabled(item && !item->data(0, UndoneRole).toBool());
}

void frmHistory::undoChosen()
{
    const QTreeWidgetItem* item = mRuns->currentItem();
    if (!item)
        return;
    const QString id = item->data(0, IdRole).toString();
    mUndo(id);
    fill();
}

}  // namespace tralex
