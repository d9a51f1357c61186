// The picker's life: loading at the remembered folder, the OK and Cancel rules of each mode, the
// shortcut buttons and the new-folder panel, the keys, and remembering the folder at unload.
#include "dialogs/frmDialogBox.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "dialogs/Msg_Warning.h"
#include "dialogs/Msg_YesNo.h"
#include "dialogs/basWindowEffects.h"
#include "platform/FolderPath.h"
#include "platform/SettingsFolder.h"
#include "platform/ProgramError.h"
#include "services/basDataChange.h"
#include "services/basIniControl.h"
#include "services/basInformationRetrieval.h"
#include "desktop/basKeysControl.h"
#include "services/basMake.h"
#include "services/basPathControl.h"

namespace tralex {

namespace {

const QString IniSection = QStringLiteral("COMMON");
const QString DesignCaption = QStringLiteral("DialogBox");
const QColor FocusColor(255, 255, 192);
constexpr int VirtualKeyTab = 9;

}  // namespace

frmDialogBox::frmDialogBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmDialogBox"));
    setWindowTitle(DesignCaption);
    setModal(true);
    createControls();
    // Window managers that honour size hints let the height move in whole list steps only.
    setMinimumSize(288, 222);
    setBaseSize(0, 54);
    setSizeIncrement(1, 84);
    resetControls();
}

frmDialogBox::~frmDialogBox() = default;

frmDialogBox& frmDialogBox::instance()
{
    // Made on first use and kept for the rest of the process, like the program's other windows.
    static QPointer<frmDialogBox> picker;
    if (!picker)
        picker = new frmDialogBox();
    return *picker;
}

QString frmDialogBox::IniFilePath() { return WithFinalSlash(SettingsFolder()) + QStringLiteral("DialogBox.ini"); }

void frmDialogBox::setMask(const QString& vstrMask)
{
    mstrMask = vstrMask;
    if (mblnLoaded)
        fillFileList();
}

int frmDialogBox::exec()
{
    if (!mblnLoaded)
        load();
    return QDialog::exec();
}

void frmDialogBox::setVisible(bool visible)
{
    if (visible && !mblnLoaded)
        load();
    QDialog::setVisible(visible);
}

void frmDialogBox::done(int r)
{
    if (mblnLoaded)
        unload();
    QDialog::done(r);
}

// Opens the window at the folder remembered for this use, with the design layout.
void frmDialogBox::load()
{
    mblnNewFolderMode = false;
    if (mintMode == 0)
        throw ProgramError(QStringLiteral("frmDialogBox"), QStringLiteral("Modeが指定されていません"));

    resetControls();
    mblnCancel = true;

    if (mlngPosTop + mlngPosLeft != 0)
        move(mlngPosLeft / 15, mlngPosTop / 15);
    else
        CenterWindow(this);

    if (mstrUser.trimmed().isEmpty())
        mstrUser = QStringLiteral("USER");
    mstrFullPathName = ReadIniValue(IniFilePath(), IniSection, QStringLiteral("PREV_") + mstrUser);

    // Without a remembered folder the lists start in the user's home folder.
    fillDriveList();
    openFolder(QDir::homePath());
    if (!mstrFullPathName.trimmed().isEmpty()) {
        // Each part is tried on its own: a folder that is gone leaves the lists where they are.
        try {
            openFolder(GetFolderPart(mstrFullPathName));
        } catch (const ProgramError&) {
        }
        try {
            txtFileName->setText(GetFileName(mstrFullPathName));
        } catch (const ProgramError&) {
        }
    }
    if (txtFileName->text().trimmed().isEmpty())
        txtFileName->setText(mstrIniFileName);
    fillFileList();
    setFullPathLabel(fileFolder());

    mblnLoaded = true;
    arrangeControls();
    // The first control in tab order that is shown takes the focus.
    if (mintMode == 1)
        Drive1->setFocus(Qt::OtherFocusReason);
    else
        txtFileName->setFocus(Qt::OtherFocusReason);
}

// Remembers the confirmed folder and resets what the caller set, keeping the outcome.
void frmDialogBox::unload()
{
    mblnLoaded = false;
    if (mblnCancel)
        mstrFullPathName.clear();
    else {
        // A settings file that cannot be written only costs the memory of the folder.
        try {
            WriteIniValue(IniFilePath(), IniSection, QStringLiteral("PREV_") + mstrUser,
                          GetFolderPart(mstrFullPathName));
        } catch (const ProgramError&) {
        }
    }
    mintMode = 0;
    mstrIniFileName.clear();
    mstrMask = QStringLiteral("*.*");
    mstrUser = QStringLiteral("USER");
    mlngTimerSet = 0;
    mblnNewFolderMode = false;
    setWindowTitle(DesignCaption);
}

void frmDialogBox::cmdOK_Click()
{
    if (mblnNewFolderMode) {
        // The name may hold several levels ("a/b"); every missing one is made.
        const QString path = WithFinalSlash(fileFolder() + txtDir->text()) + QStringLiteral("test.txt");
        if (!createFolders(GetFolderPart(path)))
            return;
        closeNewFolderPanel();
        fillFolderList();
        arrangeControls();
        return;
    }

    // A name written as an absolute path stands for itself, not for a name inside the open folder.
    const QString name = txtFileName->text();
    QString path = name.startsWith(QLatin1Char('/')) ? name : fileFolder() + name;
    setFullPathLabel(path);
    const bool blankName = CleanValue(name, false).toString().isEmpty();

    switch (mintMode) {
    case 1:
        path = WithFinalSlash(path);
        if (!PathExists(path)) {
            if (!askYesNo(QString(), QStringLiteral("「%1」を作成しますか？").arg(path)))
                return;
            if (!createFolders(GetFolderPart(path)))
                return;
        }
        acceptChoice(path);
        return;
    case 2:
        if (blankName) {
            showWarning(QStringLiteral("ファイル名が指定されていません"));
            return;
        }
        if (!FileExists(path)) {
            showWarning(QStringLiteral("「%1」は存在しません").arg(GetFileName(path)));
            return;
        }
        acceptChoice(path);
        return;
    case 3:
        if (blankName) {
            showWarning(QStringLiteral("ファイル名が指定されていません"));
            return;
        }
        acceptChoice(withMaskExtension(path));
        return;
    case 4:
        if (blankName) {
            showWarning(QStringLiteral("ファイル名が指定されていません"));
            return;
        }
        path = withMaskExtension(path);
        if (FileExists(path) &&
            !askYesNo(QStringLiteral("「%1」は既に存在します").arg(GetFileName(path)),
                      QStringLiteral("既存のファイルを書き換えますか？")))
            return;
        acceptChoice(path);
        return;
    default:
        acceptChoice(path);
        return;
    }
}

void frmDialogBox::cmdCancel_Click()
{
    if (mblnNewFolderMode) {
        closeNewFolderPanel();
        arrangeControls();
        return;
    }
    reject();
}

void frmDialogBox::cmdShortCut_Click(int vintIndex)
{
    switch (vintIndex) {
    case 0:
    case 1: {
        // Desktop and documents; a special folder that does not exist leaves the lists as they are.
        const QString folder = GetSpecialFolder(vintIndex == 0 ? 0 : 2);
        if (!folder.trimmed().isEmpty())
            openFolder(WithFinalSlash(folder));
        break;
    }
    case 4:
        mblnNewFolderMode = true;
        for (QWidget* control : {static_cast<QWidget*>(Drive1), static_cast<QWidget*>(Dir1),
                                 static_cast<QWidget*>(File1), static_cast<QWidget*>(fraLink),
                                 static_cast<QWidget*>(txtFileName)})
            control->hide();
        cmdCancel->show();
        fraDir->show();
        txtDir->setFocus(Qt::OtherFocusReason);
        break;
    default:
        break;
    }
    arrangeControls();
}

void frmDialogBox::acceptChoice(const QString& vstrPath)
{
    mblnCancel = false;
    mstrFullPathName = vstrPath;
    accept();
}

void frmDialogBox::closeNewFolderPanel()
{
    mblnNewFolderMode = false;
    showBrowsingControls();
}

// Makes the folders of a path; a failure is shown and the picker stays open.
bool frmDialogBox::createFolders(const QString& vstrFolder)
{
    try {
        MakeFolders(vstrFolder);
        return true;
    } catch (const ProgramError& error) {
        showWarning(error.description());
        return false;
    }
}

// A file to be saved gets the mask's extension when its name lacks it ("list" with "*.slt"
// becomes "list.slt"; "LIST.SLT" stays). A mask ending in ".*" or without an extension adds nothing.
QString frmDialogBox::withMaskExtension(const QString& vstrPath) const
{
    const QString mask = mstrMask.section(QLatin1Char(';'), 0, 0).trimmed();
    if (mask.endsWith(QLatin1String(".*")))
        return vstrPath;
    const qsizetype dot = mask.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return vstrPath;
    const QString extension = mask.mid(dot);
    if (extension.size() < 2 || extension.contains(QLatin1Char('*')) || extension.contains(QLatin1Char('?')))
        return vstrPath;
    if (vstrPath.endsWith(extension, Qt::CaseInsensitive))
        return vstrPath;
    return vstrPath + extension;
}

void frmDialogBox::showWarning(const QString& vstrMessage2)
{
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setMessage2(vstrMessage2);
    warning.setTimerSet(mlngTimerSet);
    warning.Show();
}

bool frmDialogBox::askYesNo(const QString& vstrMessage1, const QString& vstrMessage2)
{
    Msg_YesNo& question = Msg_YesNo::instance();
    question.setMessage1(vstrMessage1);
    question.setMessage2(vstrMessage2);
    question.setTimerSet(mlngTimerSet);
    question.Show();
    return question.YesNo();
}

void frmDialogBox::setFullPathLabel(const QString& vstrText) { lblFullPath->setText(vstrText); }

void frmDialogBox::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (mblnLoaded)
        arrangeControls();
}

// Enter anywhere moves the focus on as Tab does and never presses a button; Escape acts as Cancel.
// The inputs turn light yellow while they hold the focus, and the text boxes select their text.
bool frmDialogBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            SendKeyStrokes({VirtualKeyTab});
            return true;
        }
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            cmdCancel_Click();
            return true;
        }
    } else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        QWidget* input = qobject_cast<QWidget*>(watched);
        if (input == Drive1 || input == Dir1 || input == File1 || input == txtFileName || input == txtDir) {
            const bool focused = event->type() == QEvent::FocusIn;
            QPalette palette = input->palette();
            const QPalette system = QApplication::palette(input);
            palette.setColor(QPalette::Base, focused ? FocusColor : system.color(QPalette::Base));
            if (input == Drive1)
                palette.setColor(QPalette::Button, focused ? FocusColor : system.color(QPalette::Button));
            input->setPalette(palette);
            if (focused) {
                if (auto* edit = qobject_cast<QLineEdit*>(input))
                    QTimer::singleShot(0, edit, &QLineEdit::selectAll);
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmDialogBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        SendKeyStrokes({VirtualKeyTab});
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tralex
