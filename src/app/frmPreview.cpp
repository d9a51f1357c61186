#include "app/frmPreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include "app/ChangedLinesView.h"
#include "app/FileReportModel.h"
#include "app/FileTable.h"
#include "app/SkippedFilesView.h"
#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"

namespace tralex {

namespace {

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// The first line of the window: how many files would change and how many replacements.
QString summaryOf(const RunResult& result, bool stopped)
{
    qint64 replacements = 0;
    for (const FileReport& report : result.files)
        replacements += qMax<qint64>(report.replacements, 0);
    QString summary = QStringLiteral("置換されるファイル %1件（置換 %2箇所）。ファイルはまだ変更されていません。")
                          .arg(result.changed.size())
                          .arg(replacements);
    if (stopped)
        summary += QStringLiteral("\n途中で中断したため、中断までに調べたファイルだけを表示しています。");
    return summary;
}

// Text files show changed lines; office files their changed cell, paragraph or header texts.
QString unitOf(const FileReport& report)
{
    return report.encoding.isEmpty() ? QStringLiteral("箇所") : QStringLiteral("行");
}

}  // namespace

frmPreview::frmPreview(const RunResult& result, bool stopped, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint),
      mModel(new FileReportModel(true, false, this)),
      mlstFiles(MakeFileTable(mModel, QStringLiteral("lstFiles"), this)),
      mlblTicked(makeLabel(QStringLiteral("lblTicked"), this)), mlblLines(makeLabel(QStringLiteral("lblLines"), this)),
      mtxtLines(new ChangedLinesView(this)),
      mcmdAllLines(makeButton(QStringLiteral("すべての行を表示"), QStringLiteral("cmdAllLines"), this)),
      mSkipped(new SkippedFilesView(this)),
      mcmdReplace(makeButton(QStringLiteral("選択したファイルを置換"), QStringLiteral("cmdReplace"), this))
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("置換のプレビュー"));
    setModal(true);
    setFont(GothicFont(9));
    mtxtLines->setObjectName(QStringLiteral("txtLines"));
    // A long path in the heading is cut rather than widening the window.
    mlblLines->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* summary = makeLabel(QStringLiteral("lblSummary"), this);
    summary->setText(summaryOf(result, stopped));
    summary->setFont(GothicFont(9, true));
    QPalette navy = summary->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    summary->setPalette(navy);
    auto* tickAll = makeButton(QStringLiteral("すべて選択"), QStringLiteral("cmdTickAll"), this);
    auto* untickAll = makeButton(QStringLiteral("すべて解除"), QStringLiteral("cmdUntickAll"), this);
    auto* close = makeButton(QStringLiteral("閉じる"), QStringLiteral("cmdClose"), this);
    mcmdReplace->setFont(GothicFont(9, true));

    auto* files = new QWidget(this);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->addWidget(mlstFiles);
    auto* ticks = new QHBoxLayout;
    ticks->addWidget(tickAll);
    ticks->addWidget(untickAll);
    ticks->addWidget(mlblTicked);
    ticks->addStretch();
    filesLayout->addLayout(ticks);

    auto* lines = new QWidget(this);
    auto* linesLayout = new QVBoxLayout(lines);
    linesLayout->setContentsMargins(0, 0, 0, 0);
    auto* linesHead = new QHBoxLayout;
    linesHead->addWidget(mlblLines, 1);
    linesHead->addWidget(mcmdAllLines);
    linesLayout->addLayout(linesHead);
    linesLayout->addWidget(mtxtLines);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(files);
    splitter->addWidget(lines);
    splitter->addWidget(mSkipped);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setStretchFactor(2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(mcmdReplace);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(summary);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(mModel, &FileReportModel::tickedCountChanged, this, [this](qsizetype count) { tickedChanged(count); });
    mModel->setResult(result);
    mSkipped->setLines(result.skipped);
    lines->setVisible(!result.changed.isEmpty());
    files->setVisible(!result.changed.isEmpty());

    connect(mlstFiles->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { chooseRow(); });
    connect(tickAll, &QPushButton::clicked, this, [this] { mModel->setAllTicked(true); });
    connect(untickAll, &QPushButton::clicked, this, [this] { mModel->setAllTicked(false); });
    connect(mcmdAllLines, &QPushButton::clicked, this, [this] { showAllLines(); });
    connect(mcmdReplace, &QPushButton::clicked, this, [this] { replaceTicked(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    if (mModel->rowCount() > 0)
        mlstFiles->setCurrentIndex(mModel->index(0, FileReportModel::Path));
    chooseRow();
    resize(960, 640);
}

void frmPreview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FitColumns(mlstFiles, FileReportModel::Path);
    mSkipped->fitColumns();
    CenterWindow(this);
}

void frmPreview::tickedChanged(qsizetype count)
{
    mlblTicked->setText(QStringLiteral("%1件中 %2件を選択").arg(mModel->rowCount()).arg(count));
    mcmdReplace->setEnabled(count > 0);
}

void frmPreview::chooseRow()
{
    const QModelIndex current = mlstFiles->currentIndex();
    if (!current.isValid()) {
        mlblLines->setText(QStringLiteral("変更される行"));
        mtxtLines->clear();
        mcmdAllLines->setEnabled(false);
        return;
    }
    showLines(mModel->report(current.row()));
}

void frmPreview::showLines(const FileReport& report)
{
    const QString unit = unitOf(report);
    const qint64 shown = report.lines.size();
    QString heading = QStringLiteral("変更される%1: %2").arg(unit, report.path);
    if (shown < report.changedLines)
        heading += QStringLiteral("（全%1%2のうち最初の%3%2）").arg(report.changedLines).arg(unit).arg(shown);
    else
        heading += QStringLiteral("（全%1%2）").arg(report.changedLines).arg(unit);
    mlblLines->setText(heading);
    mlblLines->setToolTip(heading);
    mtxtLines->setLines(report.lines);
    mcmdAllLines->setEnabled(shown < report.changedLines && bool(mAllLines));
}

void frmPreview::showAllLines()
{
    const QModelIndex current = mlstFiles->currentIndex();
    if (!current.isValid() || !mAllLines)
        return;
    const int row = current.row();
    const std::optional<FileReport> all = mAllLines(mModel->report(row));
    if (!all)
        return;
    mModel->setReport(row, *all);
    if (mlstFiles->currentIndex().row() == row)
        showLines(*all);
}

void frmPreview::replaceTicked()
{
    mChosen = mModel->tickedReports();
    accept();
}

}  // namespace tralex
