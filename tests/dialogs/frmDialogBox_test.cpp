// The file and folder picker driven as a person would: folders opened by double-clicks, names typed,
// buttons clicked, questions answered; the outcome read from FullPathName and DialogBox.ini.
#include "dialogs/frmDialogBox.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "platform/SettingsFolder.h"
#include "platform/ProgramError.h"
#include "services/basIniControl.h"
#include "support/ModalAnswerer.h"
#include "support/TestFiles.h"

// Failures show texts as texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

using namespace tralex;
using namespace tralex::test;

namespace {

const QString Section = QStringLiteral("COMMON");

QString folderOf(const QListWidgetItem* item) { return item->data(Qt::UserRole).toString(); }

// The two lines of a message window.
QString messageOf(QWidget* window)
{
    return child<QLabel>(window, QStringLiteral("lblMessage(0)"))->text() + QLatin1Char('|') +
           child<QLabel>(window, QStringLiteral("lblMessage(1)"))->text();
}

class PickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OverrideSettingsFolder(settings.path());
        picker = &frmDialogBox::instance();
    }

    void TearDown() override
    {
        if (picker->isVisible())
            picker->reject();
        OverrideSettingsFolder(QString());
    }

    template <class T = QWidget>
    T* control(const char* name) { return child<T>(picker, QString::fromLatin1(name)); }

    // The folder opened in Dir1: the last entry of the chain of open folders.
    QString openedFolder()
    {
        auto* dir1 = control<QListWidget>("Dir1");
        QString opened;
        for (int i = 0; i < dir1->count(); ++i) {
            if (dir1->item(i)->data(Qt::UserRole + 2).toBool())
                opened = folderOf(dir1->item(i));
        }
        return opened;
    }

    void doubleClick(QListWidget* list, QListWidgetItem* item)
    {
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        // As the mouse does it: press, release, then the second press comes as a double-click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    // Opens a folder the way a person does: double-clicking down the folder list, level by level.
    void browseTo(const QString& folder)
    {
        const QString target = QDir::cleanPath(folder);
        auto* dir1 = control<QListWidget>("Dir1");
        for (int guard = 0; guard < 64 && openedFolder() != target; ++guard) {
            QListWidgetItem* step = nullptr;
            for (int i = 0; i < dir1->count(); ++i) {
                const QString path = folderOf(dir1->item(i));
                const bool onTheWay = target == path || target.startsWith(path == "/" ? path : path + "/");
                if (onTheWay && (step == nullptr || path.size() > folderOf(step).size()))
                    step = dir1->item(i);
            }
            ASSERT_NE(step, nullptr) << target.toStdString();
            doubleClick(dir1, step);
        }
        ASSERT_EQ(openedFolder(), target);
    }

    void typeName(const QString& name)
    {
        auto* box = control<QLineEdit>("txtFileName");
        box->clear();
        typeText(box, name);
    }

    QString remembered(const QString& user)
    {
        return ReadIniValue(frmDialogBox::IniFilePath(), Section, QStringLiteral("PREV_") + user);
    }

    // Opens the picker for one use, modeless so that the test can act on it between steps.
    void open(int mode, const QString& user, const QString& mask = QStringLiteral("*.*"))
    {
        picker->setMode(mode);
        picker->setUser(user);
        picker->setMask(mask);
        picker->show();
        ASSERT_TRUE(picker->isVisible());
        picker->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(picker));
    }

    TempFolder settings;
    TempFolder data;
    frmDialogBox* picker = nullptr;
};

TEST_F(PickerTest, ModeZeroIsRefusedWithTheProgramError)
{
    picker->setMode(0);
    try {
        picker->exec();
        FAIL() << "the picker opened without a mode";
    } catch (const ProgramError& error) {
        EXPECT_EQ(error.number(), ProgramError::ObjectError);
        EXPECT_EQ(error.source(), QStringLiteral("frmDialogBox"));
        EXPECT_EQ(error.description(), QStringLiteral("Modeが指定されていません"));
    }
    EXPECT_FALSE(picker->isVisible());
}

// A caller's whole round: members set, modal run, FullPathName read, folder remembered per use,
// members reset for the next caller; the next use opens at the remembered folder.
TEST_F(PickerTest, OpenModeReturnsTheFileAndRemembersItsFolderForTheUse)
{
    const QString list = data.write("lists/list.slt", "x");
    data.write("lists/other.txt", "x");
    data.write("lists/.hidden.slt", "x");

    picker->setMode(2);
    picker->setUser(QStringLiteral("List_ReadSave"));
    picker->setMask(QStringLiteral("*.slt"));
    picker->setIniFileName(QStringLiteral("start.slt"));
    picker->setTimerSet(7);
    picker->setWindowTitle(QStringLiteral("リスト読込"));
    QStringList listed;
    ModalAnswerer answer;
    answer.then("frmDialogBox", [&](QWidget*) {
        EXPECT_EQ(picker->windowTitle(), QStringLiteral("リスト読込"));
        EXPECT_EQ(openedFolder(), QDir::homePath());   // first use: nothing remembered
        EXPECT_EQ(control<QLineEdit>("txtFileName")->text(), QStringLiteral("start.slt"));
        browseTo(data.file("lists"));
        auto* file1 = control<QListWidget>("File1");
        for (int i = 0; i < file1->count(); ++i)
            listed << file1->item(i)->text();
        QTest::mouseClick(file1->viewport(), Qt::LeftButton, Qt::NoModifier,
                          file1->visualItemRect(file1->item(0)).center());
        EXPECT_EQ(control<QLineEdit>("txtFileName")->text(), QStringLiteral("list.slt"));
        EXPECT_EQ(control<QLabel>("lblFullPath")->text(), list);
        click(picker, QStringLiteral("cmdOK"));
    });
    picker->exec();

    EXPECT_TRUE(answer.allAnswered());
    EXPECT_EQ(listed, QStringList{QStringLiteral("list.slt")});
    EXPECT_FALSE(picker->Cancel());
    EXPECT_EQ(picker->FullPathName(), list);
    EXPECT_EQ(remembered(QStringLiteral("List_ReadSave")), data.file("lists/"));
    EXPECT_TRUE(remembered(QStringLiteral("USER")).isEmpty());
    // What the caller set is reset; the outcome stays.
    EXPECT_EQ(picker->Mode(), 0);
    EXPECT_EQ(picker->User(), QStringLiteral("USER"));
    EXPECT_EQ(picker->Mask(), QStringLiteral("*.*"));
    EXPECT_TRUE(picker->IniFileName().isEmpty());
    EXPECT_EQ(picker->TimerSet(), 0);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("DialogBox"));

    // Same use again: it opens in the remembered folder; another use does not.
    open(2, QStringLiteral("List_ReadSave"), QStringLiteral("*.SLT"));
    EXPECT_EQ(openedFolder(), QDir::cleanPath(data.file("lists")));
    EXPECT_EQ(control<QListWidget>("File1")->count(), 1);   // the mask ignores letter case
    EXPECT_TRUE(control<QLineEdit>("txtFileName")->text().isEmpty());
    picker->reject();
    open(2, QStringLiteral("Folder"));
    EXPECT_EQ(openedFolder(), QDir::homePath());
}

TEST_F(PickerTest, CancelLeavesNoPathAndWritesNothing)
{
    open(2, QStringLiteral("List_ReadSave"), QStringLiteral("*.slt"));
    browseTo(data.path());
    click(picker, QStringLiteral("cmdCancel"));
    EXPECT_FALSE(picker->isVisible());
    EXPECT_TRUE(picker->Cancel());
    EXPECT_TRUE(picker->FullPathName().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(frmDialogBox::IniFilePath()));

    // Escape is Cancel too; a remembered folder that is gone opens without a message.
    WriteIniValue(frmDialogBox::IniFilePath(), Section, QStringLiteral("PREV_USER"), data.file("gone/"));
    open(2, QString());
    EXPECT_EQ(openedFolder(), QDir::homePath());
    press(picker, Qt::Key_Escape);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_TRUE(picker->FullPathName().isEmpty());
    EXPECT_EQ(remembered(QStringLiteral("USER")), data.file("gone/"));
}

TEST_F(PickerTest, OpenModeRefusesABlankOrMissingNameAndStaysOpen)
{
    open(2, QStringLiteral("List_ReadSave"), QStringLiteral("*.slt"));
    browseTo(data.path());
    QStringList shown;
    {
        ModalAnswerer answer;
        answer.then("Msg_Warning", [&](QWidget* w) { shown << messageOf(w); click(w, "cmdOK"); });
        typeName(QStringLiteral("   "));
        click(picker, QStringLiteral("cmdOK"));
        answer.then("Msg_Warning", [&](QWidget* w) { shown << messageOf(w); click(w, "cmdOK"); });
        typeName(QStringLiteral("ない.slt"));
        click(picker, QStringLiteral("cmdOK"));
        EXPECT_TRUE(answer.allAnswered());
    }
    EXPECT_EQ(shown, (QStringList{QStringLiteral("|ファイル名が指定されていません"),
                                  QStringLiteral("|「ない.slt」は存在しません")}));
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(control<QLabel>("lblFullPath")->text(), data.file("ない.slt"));
    EXPECT_FALSE(QFileInfo::exists(frmDialogBox::IniFilePath()));

    // A folder is not a file to open.
    data.mkdir("sub.slt");
    ModalAnswerer answer;
    answer.then("Msg_Warning", [&](QWidget* w) { shown << messageOf(w); click(w, "cmdOK"); });
    typeName(QStringLiteral("sub.slt"));
    click(picker, QStringLiteral("cmdOK"));
    EXPECT_EQ(shown.last(), QStringLiteral("|「sub.slt」は存在しません"));
    EXPECT_TRUE(picker->isVisible());
}

// The save modes add the mask's extension to a name that lacks it, whatever its letter case.
TEST_F(PickerTest, SaveModeAppliesTheExtensionRule)
{
    struct Case {
        const char* mask;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {"*.slt", "list", "list.slt"},        {"*.slt", "LIST.SLT", "LIST.SLT"},
        {"*.slt", "list.txt", "list.txt.slt"}, {"*.*", "list", "list"},
        {"*.html", "page", "page.html"},       {"*", "notes", "notes"},
    };
    for (const Case& c : cases) {
        open(3, QStringLiteral("Save"), QString::fromLatin1(c.mask));
        browseTo(data.path());
        typeName(QString::fromLatin1(c.typed));
        click(picker, QStringLiteral("cmdOK"));
        EXPECT_FALSE(picker->isVisible()) << c.mask << " " << c.typed;
        EXPECT_EQ(picker->FullPathName(), data.file(QString::fromLatin1(c.expected))) << c.mask << " " << c.typed;
    }
    EXPECT_EQ(remembered(QStringLiteral("Save")), data.path());

    open(3, QStringLiteral("Save"), QStringLiteral("*.slt"));
    ModalAnswerer answer;
    QString shown;
    answer.then("Msg_Warning", [&](QWidget* w) { shown = messageOf(w); click(w, "cmdOK"); });
    typeName(QString());
    click(picker, QStringLiteral("cmdOK"));
    EXPECT_EQ(shown, QStringLiteral("|ファイル名が指定されていません"));
    EXPECT_TRUE(picker->isVisible());
    picker->reject();

    // A mode the program does not know takes whatever is shown, even no name at all.
    open(7, QStringLiteral("Save"), QStringLiteral("*.slt"));
    typeName(QString());
    click(picker, QStringLiteral("cmdOK"));
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(picker->FullPathName(), data.path());
}

TEST_F(PickerTest, OverwriteQuestionAnsweredBothWays)
{
    data.write("work.slt", "old");
    open(4, QStringLiteral("List_ReadSave"), QStringLiteral("*.slt"));
    browseTo(data.path());
    typeName(QStringLiteral("work"));
    QStringList asked;
    {
        ModalAnswerer answer;
        answer.then("Msg_YesNo", [&](QWidget* w) { asked << messageOf(w); click(w, "cmdCancel"); });
        click(picker, QStringLiteral("cmdOK"));
        EXPECT_TRUE(answer.allAnswered());
    }
    EXPECT_TRUE(picker->isVisible());
    EXPECT_TRUE(picker->Cancel());
    {
        ModalAnswerer answer;
        answer.then("Msg_YesNo", [&](QWidget* w) { asked << messageOf(w); click(w, "cmdOK"); });
        click(picker, QStringLiteral("cmdOK"));
        EXPECT_TRUE(answer.allAnswered());
    }
    const QString question = QStringLiteral("「work.slt」は既に存在します|既存のファイルを書き換えますか？");
    EXPECT_EQ(asked, (QStringList{question, question}));
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(picker->FullPathName(), data.file("work.slt"));

    // A new name is taken without a question.
    open(4, QStringLiteral("List_ReadSave"), QStringLiteral("*.slt"));
    ModalAnswerer none;
    typeName(QStringLiteral("新規"));
    click(picker, QStringLiteral("cmdOK"));
    EXPECT_TRUE(none.leftOpen().isEmpty());
    EXPECT_EQ(picker->FullPathName(), data.file("新規.slt"));
}

// In folder mode the hidden name box still names a folder inside the open one.
TEST_F(PickerTest, FolderModeAsksBeforeCreatingAMissingFolder)
{
    WriteIniValue(frmDialogBox::IniFilePath(), Section, QStringLiteral("PREV_Folder"), data.path());
    picker->setMode(1);
    picker->setUser(QStringLiteral("Folder"));
    picker->setIniFileName(QStringLiteral("new/deeper"));
    picker->show();
    EXPECT_FALSE(control("File1")->isVisible());
    EXPECT_FALSE(control("txtFileName")->isVisible());
    EXPECT_EQ(openedFolder(), QDir::cleanPath(data.path()));

    const QString wanted = data.file("new/deeper/");
    QStringList asked;
    {
        ModalAnswerer answer;
        answer.then("Msg_YesNo", [&](QWidget* w) { asked << messageOf(w); click(w, "cmdCancel"); });
        click(picker, QStringLiteral("cmdOK"));
    }
    EXPECT_TRUE(picker->isVisible());
    EXPECT_FALSE(QFileInfo::exists(data.file("new")));
    {
        ModalAnswerer answer;
        answer.then("Msg_YesNo", [&](QWidget* w) { asked << messageOf(w); click(w, "cmdOK"); });
        click(picker, QStringLiteral("cmdOK"));
    }
    const QString question = QStringLiteral("|「%1」を作成しますか？").arg(wanted);
    EXPECT_EQ(asked, (QStringList{question, question}));
    EXPECT_TRUE(QFileInfo(wanted).isDir());
    EXPECT_EQ(picker->FullPathName(), wanted);
    EXPECT_EQ(remembered(QStringLiteral("Folder")), wanted);

    // With no name the open folder itself is chosen at once.
    open(1, QStringLiteral("Folder"));
    EXPECT_EQ(openedFolder(), QDir::cleanPath(wanted));
    ModalAnswerer none;
    click(picker, QStringLiteral("cmdOK"));
    EXPECT_TRUE(none.leftOpen().isEmpty());
    EXPECT_EQ(picker->FullPathName(), wanted);
}

TEST_F(PickerTest, EnterMovesTheFocusAndNeverPressesAButton)
{
    data.write("a.txt", "x");
    open(2, QStringLiteral("Keys"));
    browseTo(data.path());
    picker->activateWindow();
    auto* name = control<QLineEdit>("txtFileName");
    name->setFocus();
    typeName(QStringLiteral("a.txt"));
    const QStringList expected = {"Drive1", "Dir1", "File1", "cmdOK", "cmdCancel", "cmdShortCut(0)"};
    for (const QString& next : expected) {
        press(picker, Qt::Key_Return);
        ASSERT_TRUE(waitFor([&] { return picker->focusWidget() && picker->focusWidget()->objectName() == next; }))
            << "focus did not reach " << next.toStdString();
        EXPECT_TRUE(picker->isVisible());
    }
    EXPECT_TRUE(picker->Cancel());
}

TEST_F(PickerTest, InputsTurnYellowWithTheFocusAndTextBoxesSelectTheirText)
{
    open(2, QStringLiteral("Colours"));
    picker->activateWindow();
    auto* name = control<QLineEdit>("txtFileName");
    auto* dir1 = control<QListWidget>("Dir1");
    const QColor normal = control("File1")->palette().color(QPalette::Base);
    typeName(QStringLiteral("名前.txt"));
    dir1->setFocus();
    EXPECT_EQ(dir1->palette().color(QPalette::Base), QColor(255, 255, 192));
    EXPECT_EQ(name->palette().color(QPalette::Base), normal);
    name->setFocus();
    ASSERT_TRUE(waitFor([&] { return name->hasSelectedText(); }));
    EXPECT_EQ(name->selectedText(), QStringLiteral("名前.txt"));
    EXPECT_EQ(name->palette().color(QPalette::Base), QColor(255, 255, 192));
    EXPECT_EQ(dir1->palette().color(QPalette::Base), normal);
}

// A highlighted folder is not the open one: only a double-click opens it. Hidden folders are not shown.
TEST_F(PickerTest, FolderListOpensOnDoubleClickOnly)
{
    data.mkdir("b");
    data.mkdir("A");
    data.mkdir(".cache");
    data.write("A/in-a.txt", "x");
    data.write("top.txt", "x");
    open(3, QStringLiteral("Lists"));
    browseTo(data.path());
    auto* dir1 = control<QListWidget>("Dir1");
    QStringList children;
    for (int i = 0; i < dir1->count(); ++i) {
        if (!dir1->item(i)->data(Qt::UserRole + 2).toBool())
            children << dir1->item(i)->text();
    }
    EXPECT_EQ(children, (QStringList{"A", "b"}));

    QListWidgetItem* a = dir1->item(dir1->count() - 2);
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, Qt::NoModifier, dir1->visualItemRect(a).center());
    typeName(QStringLiteral("x"));
    click(picker, QStringLiteral("cmdOK"));
    EXPECT_EQ(picker->FullPathName(), data.file("x"));

    open(3, QStringLiteral("Lists"));
    browseTo(data.file("A"));
    EXPECT_EQ(control<QListWidget>("File1")->item(0)->text(), QStringLiteral("in-a.txt"));
    // A double-click on a file is OK.
    auto* file1 = control<QListWidget>("File1");
    doubleClick(file1, file1->item(0));
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(picker->FullPathName(), data.file("A/in-a.txt"));
}

TEST_F(PickerTest, NewFolderPanelCreatesEveryLevelAndKeepsTheOpenFolder)
{
    open(2, QStringLiteral("NewFolder"));
    browseTo(data.path());
    picker->activateWindow();
    click(picker, QStringLiteral("cmdShortCut(4)"));
    auto* panel = control<QGroupBox>("fraDir");
    auto* name = control<QLineEdit>("txtDir");
    EXPECT_TRUE(panel->isVisible());
    for (const char* hidden : {"Drive1", "Dir1", "File1", "fraLink", "txtFileName"})
        EXPECT_FALSE(control(hidden)->isVisible()) << hidden;
    EXPECT_TRUE(control("cmdCancel")->isVisible());
    EXPECT_EQ(control<QLabel>("lblFullPath")->text(), data.path());
    EXPECT_EQ(name->text(), QStringLiteral("新しいフォルダ"));
    EXPECT_TRUE(waitFor([&] { return name->hasFocus() && name->selectedText() == name->text(); }));

    // Cancel closes the panel only.
    click(picker, QStringLiteral("cmdCancel"));
    EXPECT_TRUE(picker->isVisible());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(control("File1")->isVisible());

    click(picker, QStringLiteral("cmdShortCut(4)"));
    name->clear();
    typeText(name, QStringLiteral("資料/2024"));
    click(picker, QStringLiteral("cmdOK"));
    EXPECT_TRUE(QFileInfo(data.file("資料/2024")).isDir());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(openedFolder(), QDir::cleanPath(data.path()));
    auto* dir1 = control<QListWidget>("Dir1");
    EXPECT_EQ(dir1->item(dir1->count() - 1)->text(), QStringLiteral("資料"));
    // One Cancel now closes the picker.
    click(picker, QStringLiteral("cmdCancel"));
    EXPECT_FALSE(picker->isVisible());

    // A name that cannot be made is reported and the panel stays.
    data.write("file", "x");
    open(1, QStringLiteral("NewFolder"));
    browseTo(data.path());
    click(picker, QStringLiteral("cmdShortCut(4)"));
    name->setText(QStringLiteral("file/sub"));
    ModalAnswerer answer;
    answer.then("Msg_Warning", [](QWidget* w) { click(w, "cmdOK"); });
    click(picker, QStringLiteral("cmdOK"));
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_TRUE(panel->isVisible());
    // In folder mode the file list and name stay hidden when the panel closes.
    click(picker, QStringLiteral("cmdCancel"));
    EXPECT_FALSE(control("File1")->isVisible());
    EXPECT_FALSE(control("txtFileName")->isVisible());
    EXPECT_TRUE(control("Dir1")->isVisible());
}

TEST_F(PickerTest, ShortcutsOpenTheDesktopAndDocumentsFolders)
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QDir::cleanPath(data.path()).toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    data.mkdir("Desktop");
    data.mkdir("Documents");
    open(2, QStringLiteral("Shortcuts"));
    click(picker, QStringLiteral("cmdShortCut(0)"));
    const QString desktop = openedFolder();
    click(picker, QStringLiteral("cmdShortCut(1)"));
    const QString documents = openedFolder();
    picker->reject();
    qputenv("HOME", home);
    if (!config.isEmpty())
        qputenv("XDG_CONFIG_HOME", config);
    EXPECT_EQ(desktop, QDir::cleanPath(data.file("Desktop")));
    EXPECT_EQ(documents, QDir::cleanPath(data.file("Documents")));
    EXPECT_EQ(control<QToolButton>("cmdShortCut(0)")->toolTip(), QStringLiteral("ﾃﾞｽｸﾄｯﾌﾟ"));
    EXPECT_EQ(control<QToolButton>("cmdShortCut(1)")->toolTip(), QStringLiteral("ﾏｲﾄﾞｷｭﾒﾝﾄ"));
    EXPECT_EQ(control<QToolButton>("cmdShortCut(4)")->toolTip(), QStringLiteral("ﾌｫﾙﾀﾞ新規作成"));
}

// A volume that went away after the list was made is reported, and the lists go back to the
// drive of the program's own folder.
TEST_F(PickerTest, AVanishedDriveIsReported)
{
    open(2, QStringLiteral("Drives"));
    auto* drive1 = control<QComboBox>("Drive1");
    ASSERT_GE(drive1->count(), 1);
    EXPECT_EQ(drive1->itemData(0).toString(), QStringLiteral("/"));
    drive1->addItem(QStringLiteral("/media/gone"), data.file("unmounted"));
    QString shown;
    ModalAnswerer answer;
    answer.then("Msg_Warning", [&](QWidget* w) { shown = messageOf(w); click(w, "cmdOK"); });
    drive1->setCurrentIndex(drive1->count() - 1);
    emit drive1->activated(drive1->count() - 1);
    EXPECT_EQ(shown, QStringLiteral("|ドライブの準備が出来ていません"));
    EXPECT_NE(drive1->currentIndex(), drive1->count() - 1);
    EXPECT_TRUE(QCoreApplication::applicationDirPath().startsWith(
        drive1->itemData(drive1->currentIndex()).toString()));
}

TEST_F(PickerTest, MessagesGetThePickersTimeOut)
{
    open(2, QStringLiteral("Timer"));
    picker->setTimerSet(60);
    typeName(QStringLiteral("missing"));
    int timeOut = 0;
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_Warning"), [&timeOut](QWidget* w) {
        auto* timer = child<QTimer>(w, QStringLiteral("Timer1"));
        ASSERT_NE(timer, nullptr);
        timeOut = timer->isActive() ? timer->interval() : 0;
        fire(timer);  // the warning answers itself
    });
    click(picker, QStringLiteral("cmdOK"));   // returns when the warning has closed
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_TRUE(answer.leftOpen().isEmpty());
    EXPECT_EQ(timeOut, 60000);
    EXPECT_TRUE(picker->isVisible());
}

// Twips: 15 to a pixel; the outer size is the client area plus a 120 x 390 twip frame.
TEST_F(PickerTest, LayoutSnapsToTheMinimumAndToWholeListSteps)
{
    const auto outer = [&] { return QSize(picker->width() * 15 + 120, picker->height() * 15 + 390); };
    picker->setPosLeft(1500);
    picker->setPosTop(750);
    open(2, QStringLiteral("Layout"));
    EXPECT_EQ(picker->pos(), QPoint(100, 50));
    EXPECT_EQ(outer(), QSize(6000, 4980));   // 4500 snaps to 3 list steps
    auto* dir1 = control("Dir1");
    auto* file1 = control("File1");
    EXPECT_EQ(dir1->height() * 15, 3780);
    EXPECT_EQ(file1->x(), dir1->geometry().right() + 1 + 2);
    EXPECT_EQ(control("txtFileName")->y(), dir1->geometry().bottom() + 1);

    picker->resize(100, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(outer(), QSize(4440, 3720));
    picker->resize(500, 260);   // 7620 x 4290 twips: down to 2 steps
    QCoreApplication::processEvents();
    EXPECT_EQ(outer(), QSize(7620, 3720));
    picker->resize(500, 400);   // 6390 twips high: 4 steps
    QCoreApplication::processEvents();
    EXPECT_EQ(outer(), QSize(7620, 6240));
    EXPECT_EQ(file1->height() * 15, 5040);
    EXPECT_LE(file1->geometry().right(), picker->width());
    EXPECT_LE(control("cmdCancel")->geometry().bottom(), picker->height());
    EXPECT_LT(control("cmdOK")->geometry().right(), control("cmdCancel")->x());
    picker->reject();
    EXPECT_EQ(picker->PosLeft(), 1500);
    EXPECT_EQ(picker->PosTop(), 750);
    picker->setPosLeft(0);
    picker->setPosTop(0);

    // Folder mode: the folder list takes the width, the drive list reaches to the shortcuts.
    open(1, QStringLiteral("Layout"));
    EXPECT_EQ(outer(), QSize(6000, 4980));
    EXPECT_EQ(control("Dir1")->width(), 387);   // 5800 twips
    EXPECT_EQ(control("Drive1")->width(), (6000 - 2070) / 15);
    EXPECT_EQ(control("fraLink")->x(), (6000 - 2070 + 105) / 15);
}

}  // namespace
