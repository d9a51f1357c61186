// The main window's life: loading with the type list and the remembered backup folder, the modes
// that reshape it, the focus colours, the browse buttons, the menus, the one failure handler of the
// buttons, the encoding for files of ASCII alone (stored when chosen), and the unload that stores
// the backup folder and ends the program.
#include "app/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "about/MakerInfo.h"
#include "about/frmAbout.h"
#include "dialogs/Msg_Waiting.h"
#include "dialogs/Msg_Warning.h"
#include "dialogs/basWindowEffects.h"
#include "dialogs/frmDialogBox.h"
#include "engines/TralexEngine.h"
#include "engines/clsTextTralex.h"
#include "engines/office/OfficeTypes.h"
#include "platform/SettingsFolder.h"
#include "platform/ProgramError.h"
#include "run/RunFailure.h"
#include "services/basIniControl.h"
#include "services/basPathControl.h"
#include "desktop/basRelateExecute.h"

namespace tralex {

namespace {

const QString IniSection = QStringLiteral("COMMON");
const QString IniKeyBackUpPath = QStringLiteral("BKPATH");
// The encoding for files of ASCII alone, by the index of its menu item.
const QString IniKeyAsciiCode = QStringLiteral("ASCIICODE");
const QString AsciiCodeValues[] = {QStringLiteral("AUTO"), QStringLiteral("SJIS"),
                                   QStringLiteral("UTF8")};
const QColor FocusColour(255, 255, 192);

// Heights and run-button tops of the modes, in twips.
constexpr int FullHeightTwips = 6960;
constexpr int ListFrameHeightTwips = 2430;
constexpr int ListFrameTopTwips = 2010;
constexpr int RunButtonTopTwips = 4470;

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tralex"));
    setWindowIcon(QIcon(QStringLiteral(":/tralex.png")));
    createControls();
    Form_Load();
}

frmMain::~frmMain() = default;

QString frmMain::IniFilePath()
{
    return SettingsFolder() + QStringLiteral("Tralex.ini");
}

void frmMain::Form_Load()
{
    InitFields();
    mPairList = makeOrderedList();
    // The window comes up in mode "置換": the first control in tab order takes the focus, and an
    // option button that takes the focus is chosen.
    optAction[0]->setChecked(true);
    optAction_Click(0);
    optAction[0]->setFocus(Qt::OtherFocusReason);
    CenterWindow(this);
    AnimateOpen(this);
}

void frmMain::InitFields()
{
    setOuterHeight(FullHeightTwips);
    txtBackUpPath->clear();
    txtPath->clear();
    lblTarget->clear();
    txtFndStr->clear();
    txtRepStr->clear();
    lstTralex->clear();
    chkSubFolder->setChecked(false);
    chkRetryOption->setChecked(true);
    chkUcaseOption->setChecked(false);

    cboExtension->clear();
    cboExtension->setEditText(QString());
    try {
        clsTextTralex types;
        for (int i = 1; i <= types.CountType(); ++i)
            cboExtension->addItem(types.ItemType()->Item(i));
        cboExtension->addItems(OfficeTypes());
    } catch (const ProgramError& error) {
        // Without a readable type file the window still works: the type can be typed. The reason
        // is shown once the window is on the screen.
        const QString description = error.description();
        QTimer::singleShot(0, this, [this, description] { showError(description); });
    }
    cboExtension->setCurrentIndex(-1);
    cboExtension->setEditText(QString());

    txtBackUpPath->setText(ReadIniValue(IniFilePath(), IniSection, IniKeyBackUpPath));
    // A missing or unknown value is UTF-8, what such files were written in before the setting.
    const QString asciiCode = ReadIniValue(IniFilePath(), IniSection, IniKeyAsciiCode).trimmed();
    mAsciiCode = 2;
    for (int i = 0; i < 3; ++i)
        if (asciiCode.compare(AsciiCodeValues[i], Qt::CaseInsensitive) == 0)
            mAsciiCode = i;
    mnuAsciiCode[mAsciiCode]->setChecked(true);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // A run is inside this window's own call stack; it is stopped and the window closes after it.
    if (mblnRunning) {
        mblnCloseAfterRun = true;
        for (const auto& engine : {mobjSS_Text, mobjSS_Excel, mobjSS_Word}) {
            if (engine)
                engine->setStopFlag(true);
        }
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
    QApplication::quit();
}

void frmMain::Form_Unload()
{
    // Only a backup folder that exists (written with its final "/") or an empty field is kept;
    // anything else leaves the stored value as it was.
    if (PathExists(txtBackUpPath->text()))
        WriteIniValue(IniFilePath(), IniSection, IniKeyBackUpPath, txtBackUpPath->text());
    ReleaseEngines();
    AnimateClose(this);
}

void frmMain::optAction_Click(int index)
{
    // Deleting backups has no preview.
    cmdPreview->setEnabled(index != 1);
    mnuPreview->setEnabled(index != 1);
    fraTralexList->hide();
    fraTralex->hide();
    txtBackUpPath->setEnabled(false);
    cmdAction[8]->setEnabled(false);
    if (index == 1) {
        setOuterHeight(FullHeightTwips - ListFrameHeightTwips);
        placeRunButton(ListFrameTopTwips);
        return;
    }
    if (index == 2) {
        txtBackUpPath->setEnabled(true);
        cmdAction[8]->setEnabled(true);
    }
    setOuterHeight(FullHeightTwips);
    fraTralexList->show();
    fraTralex->show();
    placeRunButton(RunButtonTopTwips);
}

void frmMain::cmdAction_Click(int index)
{
    runGuarded([this, index] {
        switch (index) {
        case 0: RunCommand(); break;
        case 1: browseFolder(txtPath, QStringLiteral("Folder"), QStringLiteral("対象フォルダ選択")); break;
        case 2: LoadList(); break;
        case 3: SaveList(); break;
        case 4: AddFromFields(); break;
        case 5: DeleteSelected(); break;
        case 6: ClearList(); break;
        case 7: UpdateSelected(); break;
        case 8:
            browseFolder(txtBackUpPath, QStringLiteral("BackUpFolder"), QStringLiteral("出力フォルダ指定"));
            break;
        default: break;
        }
    });
}

// The one failure handler of the buttons: whatever failed, the window is enabled again, the
// progress window is gone, the reason is shown, and no engine is kept.
QString frmMain::failureOf(const std::function<void()>& action)
{
    return FailureOf(action);
}

void frmMain::runGuarded(const std::function<void()>& action)
{
    const QString failure = failureOf(action);
    if (failure.isEmpty())
        return;
    // The label keeps the last progress text of a failed run.
    if (mblnRunning)
        lblTarget->setText(mstrProgress);
    mblnRunning = false;
    EnableForm(this, true);
    Msg_Waiting& waiting = Msg_Waiting::instance();
    if (waiting.isLoaded())
        waiting.Unload();
    showError(failure);
    ReleaseEngines();
    if (mblnCloseAfterRun)
        close();
}

void frmMain::showError(const QString& description)
{
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setMessage2(description);
    warning.Show();
}

void frmMain::browseFolder(QLineEdit* field, const QString& user, const QString& caption)
{
    frmDialogBox& picker = frmDialogBox::instance();
    picker.setMode(1);
    picker.setUser(user);
    picker.setCaption(caption);
    picker.exec();
    // A cancel empties the field, as the picker then gives the empty text.
    field->setText(picker.FullPathName());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        auto* control = static_cast<QWidget*>(watched);
        const bool focused = event->type() == QEvent::FocusIn;
        setFocusColour(control, focused);
        if (!focused && control == cboExtension)
            cboExtension_LostFocus();
    }
    return QMainWindow::eventFilter(watched, event);
}

// Light yellow while a field has the focus; text boxes then select their whole text.
void frmMain::setFocusColour(QWidget* control, bool focused)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, focused ? FocusColour : QApplication::palette(control).color(QPalette::Base));
    control->setPalette(palette);
    if (!focused)
        return;
    // Deferred, so that the mouse press that gave the focus does not undo the selection.
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    else if (auto* box = qobject_cast<QPlainTextEdit*>(control))
        QTimer::singleShot(0, box, &QPlainTextEdit::selectAll);
}

// The retry option means nothing to the office engines; its tick is kept and still read.
void frmMain::cboExtension_LostFocus()
{
    const QString type = cboExtension->currentText();
    chkRetryOption->setEnabled(!IsSpreadsheetType(type) && !IsDocumentType(type));
}

void frmMain::mnuEditUse_Click()
{
    try {
        RelateExecute(ReadMePath());
    } catch (const ProgramError& error) {
        showError(error.description());
    }
}

void frmMain::mnuAsciiCode_Click(int index)
{
    mAsciiCode = index;
    mnuAsciiCode[index]->setChecked(true);
    WriteIniValue(IniFilePath(), IniSection, IniKeyAsciiCode, AsciiCodeValues[index]);
}

void frmMain::mnuEditVer_Click()
{
    frmAbout& about = frmAbout::instance();
    about.setPreForm(this);
    about.setTanto(3, MakerName);
    about.Show();
}

}  // namespace tralex
