#include "app/frmResultList.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include "app/FileReportModel.h"
#include "app/FileTable.h"
#include "app/SkippedFilesView.h"
#include "app/frmCompare.h"
#include "desktop/ShellOpen.h"
#include "dialogs/Msg_Warning.h"
#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"
#include "dialogs/frmDialogBox.h"
#include "platform/ProgramError.h"
#include "services/basMake.h"
#include "services/basPathControl.h"

namespace tralex {

namespace {

const QString Caption = QStringLiteral("置換の行われたファイル 一覧");

void warn(const QString& line1, const QString& line2)
{
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setMessage1(line1);
    warning.setMessage2(line2);
    warning.Show();
}

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// Where a listed file is: its path as the file system has it, else as the list shows it (a
// deleted backup).
QString localPath(const FileReport& report)
{
    return report.absolutePath.isEmpty() ? report.path : QFile::decodeName(report.absolutePath);
}

// Whether a changed file can be compared with its backup: a text file that has one.
bool comparable(const FileReport& report)
{
    return !report.encoding.isEmpty() && !report.rawBackUp.isEmpty();
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
      mModel(new FileReportModel(false, true, this)),
      mlstTarget(MakeFileTable(mModel, QStringLiteral("lstTarget"), this)),
      mSkipped(new SkippedFilesView(this)), mSplitter(new QSplitter(Qt::Vertical, this)),
      mcmdCompare(makeButton(QStringLiteral("バックアップと比較"), QStringLiteral("cmdCompare"), this)),
      mcmdUndo(makeButton(QStringLiteral("元に戻す"), QStringLiteral("cmdUndo"), this)), mnuRow(new QMenu(this))
{
    setObjectName(QStringLiteral("frmResultList"));
    setWindowTitle(Caption);
    setModal(true);
    setFont(GothicFont(9));
    setOpener({});

    mSplitter->setChildrenCollapsible(false);
    mSplitter->addWidget(mlstTarget);
    mSplitter->addWidget(mSkipped);
    auto* copy = makeButton(QStringLiteral("一覧をコピー"), QStringLiteral("cmdCopy"), this);
    auto* save = makeButton(QStringLiteral("テキストで保存..."), QStringLiteral("cmdSave"), this);
    auto* closeButton = makeButton(QStringLiteral("閉じる"), QStringLiteral("cmdClose"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(mcmdCompare);
    buttons->addWidget(copy);
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(mcmdUndo);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(mSplitter);
    layout->addLayout(buttons);

    makeMenu();
    mlstTarget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mlstTarget, &QTableView::customContextMenuRequested, this, &frmResultList::showMenu);
    connect(mlstTarget, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { openFile(index.row()); });
    connect(mlstTarget->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { chooseRow(); });
    connect(mcmdCompare, &QPushButton::clicked, this, [this] { compare(currentRow()); });
    connect(copy, &QPushButton::clicked, this, [this] { copyList(); });
    connect(save, &QPushButton::clicked, this, [this] { saveList(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(mcmdUndo, &QPushButton::clicked, this, [this] {
        const std::function<void()> undo = mUndo;
        close();
        if (undo)
            undo();
    });
    resize(920, 460);
}

void frmResultList::setOpener(std::function<bool(const QUrl&)> opener)
{
    mOpener = opener ? std::move(opener) : std::function<bool(const QUrl&)>(ShellOpen);
}

QStringList frmResultList::ListLines(const RunResult& result)
{
    QStringList lines;
    lines.reserve(result.changed.size() + result.skipped.size() + 2);
    qsizetype number = 0;
    for (const QString& path : result.changed)
        lines << QString::number(++number) + QStringLiteral(":\t") + path;
    if (result.skipped.isEmpty())
        return lines;
    if (!lines.isEmpty())
        lines << QString();
    lines << SkippedFilesView::Heading(result.skipped.size());
    lines << result.skipped;
    return lines;
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
    if (visible) {
        FitColumns(mlstTarget, FileReportModel::Path);
        mSkipped->fitColumns();
    }
}

void frmResultList::load()
{
    mblnLoaded = true;
    fillLists();
    mcmdUndo->setVisible(bool(mUndo));
    CenterWindow(this);
    AnimateOpen(this);
}

void frmResultList::fillLists()
{
    mModel->setResult(mResult);
    mSkipped->setLines(mResult.skipped);
    mlstTarget->setVisible(!mResult.changed.isEmpty() || mResult.skipped.isEmpty());
    if (mModel->rowCount() > 0)
        mlstTarget->setCurrentIndex(mModel->index(0, FileReportModel::Path));
    chooseRow();
}

int frmResultList::currentRow() const
{
    const QModelIndex current = mlstTarget->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void frmResultList::chooseRow()
{
    const int row = currentRow();
    const bool canCompare = row >= 0 && comparable(mModel->report(row));
    mcmdCompare->setEnabled(canCompare);
    mnuCompare->setEnabled(canCompare);
    mnuOpen->setEnabled(row >= 0);
    mnuOpenFolder->setEnabled(row >= 0);
}

bool frmResultList::open(const QString& path)
{
    if (mOpener(QUrl::fromLocalFile(path)))
        return true;
    warn(path, QStringLiteral("開けませんでした"));
    return false;
}

void frmResultList::openFile(int row)
{
    if (row >= 0)
        open(localPath(mModel->report(row)));
}

void frmResultList::openFolder(int row)
{
    if (row >= 0)
        open(QFileInfo(localPath(mModel->report(row))).path());
}

void frmResultList::compare(int row)
{
    if (row < 0 || !comparable(mModel->report(row)))
        return;
    frmCompare window(this);
    QString error;
    if (!window.load(mModel->report(row), &error)) {
        warn(mModel->report(row).path, error);
        return;
    }
    window.exec();
}

void frmResultList::copyList()
{
    QApplication::clipboard()->setText(ListLines(mResult).join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void frmResultList::saveList()
{
    frmDialogBox& picker = frmDialogBox::instance();
    picker.setMode(4);
    picker.setUser(QStringLiteral("ResultList"));
    picker.setMask(QStringLiteral("*.txt"));
    picker.setCaption(QStringLiteral("一覧を保存"));
    picker.exec();
    const QString path = picker.FullPathName();
    if (IsBlank(path))
        return;
    try {
        WriteTextFile(path, ListLines(mResult).join(QStringLiteral("\r\n")));
    } catch (const ProgramError& error) {
        warn(path, error.description());
        return;
    }
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setColor(RGB(0, 0, 128));
    warning.setMessage2(QStringLiteral("保存しました"));
    warning.Show();
}

// The menu of a row acts on the current row, which the right click has made current.
void frmResultList::makeMenu()
{
    const auto add = [this](const QString& caption, const QString& name, auto action) {
        QAction* item = mnuRow->addAction(caption, this, action);
        item->setObjectName(name);
        return item;
    };
    mnuOpen = add(QStringLiteral("開く"), QStringLiteral("mnuOpen"), [this] { openFile(currentRow()); });
    mnuOpenFolder = add(QStringLiteral("フォルダを開く"), QStringLiteral("mnuOpenFolder"), [this] { openFolder(currentRow()); });
    mnuCompare = add(QStringLiteral("バックアップと比較"), QStringLiteral("mnuCompare"), [this] { compare(currentRow()); });
    mnuRow->addSeparator();
    add(QStringLiteral("一覧をコピー"), QStringLiteral("mnuCopy"), [this] { copyList(); });
    add(QStringLiteral("テキストで保存..."), QStringLiteral("mnuSave"), [this] { saveList(); });
}

void frmResultList::showMenu(const QPoint& at)
{
    chooseRow();
    mnuRow->popup(mlstTarget->viewport()->mapToGlobal(at));
}

void frmResultList::done(int result)
{
    if (mblnLoaded && isVisible())
        AnimateClose(this);
    mblnLoaded = false;
    QDialog::done(result);
}

}  // namespace tralex
