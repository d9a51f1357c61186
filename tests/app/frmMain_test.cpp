// The main window used as a person uses it: fields typed, modes and buttons clicked, the messages
// and windows that open answered, and the outcome read from the window, the settings file and the
// files on disk.
#include "app/frmMain.h"
#include "app/frmResultList.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTableView>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "dialogs/Msg_Waiting.h"
#include "engines/TralexEngine.h"
#include "platform/FileRenewal.h"
#include "platform/ProgramError.h"
#include "dialogs/basFormLayout.h"
#include "platform/SettingsFolder.h"
#include "services/basIniControl.h"
#include "support/ModalAnswerer.h"
#include "support/ResultTable.h"
#include "support/TestFiles.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

using namespace tralex;
using namespace tralex::test;

namespace {

const QString NoFiles = QStringLiteral("置換対象ファイルはありませんでした");
const QString Finished = QStringLiteral("終了しました");

// The two lines of a message window, joined by "|".
QString messageOf(QWidget* window)
{
    return child<QLabel>(window, QStringLiteral("lblMessage(0)"))->text() + QLatin1Char('|') +
           child<QLabel>(window, QStringLiteral("lblMessage(1)"))->text();
}

QStringList linesOf(QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

// Backups of `name` in `folder`: "Bk" + 12 digits + "_" + name.
QStringList backupsOf(const QString& folder, const QString& name)
{
    QStringList found;
    for (const QString& entry : QDir(folder).entryList(QDir::Files)) {
        if (entry.size() == 15 + name.size() && entry.startsWith(QLatin1String("Bk")) && entry.endsWith(QLatin1Char('_') + name))
            found << entry;
    }
    return found;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OverrideSettingsFolder(settings.path());
    }

    void TearDown() override
    {
        if (window) {
            window->close();
            delete window;
        }
        OverrideSettingsFolder(QString());
    }

    frmMain* open()
    {
        window = new frmMain;
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return window;
    }

    template <class T = QWidget>
    T* control(const QString& name) { return child<T>(window, name); }

    void setText(const QString& name, const QString& text)
    {
        auto* edit = control<QLineEdit>(name);
        edit->clear();
        typeText(edit, text);
    }

    void chooseType(const QString& type)
    {
        auto* box = control<QComboBox>(QStringLiteral("cboExtension"));
        box->setFocus();
        box->clearEditText();
        typeText(box->lineEdit(), type);
    }

    void addPair(const QString& find, const QString& replace)
    {
        auto* fnd = control<QPlainTextEdit>(QStringLiteral("txtFndStr"));
        auto* rep = control<QPlainTextEdit>(QStringLiteral("txtRepStr"));
        fnd->clear();
        typeText(fnd, find);
        rep->clear();
        typeText(rep, replace);
        click(window, QStringLiteral("cmdAction(4)"));
    }

    // Opens the window set up to replace abc with xyz in a folder of three such text files.
    QString openOnThreeFiles()
    {
        const QString folder = files.mkdir(QStringLiteral("target"));
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            files.write(QStringLiteral("target/") + QLatin1String(name), "abc");
        open();
        setText(QStringLiteral("txtPath"), folder);
        chooseType(QStringLiteral("txt"));
        addPair(QStringLiteral("abc"), QStringLiteral("xyz"));
        return folder;
    }

    void selectLine(int row)
    {
        auto* list = control<QListWidget>(QStringLiteral("lstTralex"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
    }

    QStringList listLines() { return linesOf(control<QListWidget>(QStringLiteral("lstTralex"))); }

    // Clicks a button and answers the warning it shows; returns the warning's lines ("" if none)
    // and, when the result list opens, its lines in `results`.
    QString clickAndRead(const QString& button, QStringList* results = nullptr)
    {
        QString message;
        ModalAnswerer answer;
        answer.then(QStringLiteral("Msg_Warning"), [&](QWidget* w) {
            message = messageOf(w);
            click(w, QStringLiteral("cmdOK"));
        });
        if (results) {
            answer.then(QStringLiteral("frmResultList"), [&](QWidget* w) {
                *results = resultLines(w);
                w->close();
            });
        }
        click(window, button);
        waitFor([&] { return answer.allAnswered(); });
        return message;
    }

    // The window is ready for the next command: enabled, no progress window, no engine at work.
    void expectUsable()
    {
        EXPECT_TRUE(window->isEnabled());
        EXPECT_FALSE(Msg_Waiting::instance().isLoaded());
        EXPECT_TRUE(control(QStringLiteral("cmdAction(0)"))->isEnabled());
    }

    TempFolder settings;
    TempFolder files;
    frmMain* window = nullptr;
};

TEST_F(MainWindowTest, ComesUpInReplaceModeWithTheStoredBackupFolderAndTheEngineTypes)
{
    WriteIniValue(frmMain::IniFilePath(), QStringLiteral("COMMON"), QStringLiteral("BKPATH"),
                  QStringLiteral("/tmp/"));
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tralex"));
    EXPECT_TRUE(control<QRadioButton>(QStringLiteral("optAction(0)"))->isChecked());
    auto* backup = control<QLineEdit>(QStringLiteral("txtBackUpPath"));
    EXPECT_FALSE(backup->isEnabled());
    EXPECT_EQ(backup->text(), QStringLiteral("/tmp/"));
    EXPECT_TRUE(control<QCheckBox>(QStringLiteral("chkRetryOption"))->isChecked());
    EXPECT_FALSE(control<QCheckBox>(QStringLiteral("chkUcaseOption"))->isChecked());
    EXPECT_FALSE(control<QCheckBox>(QStringLiteral("chkSubFolder"))->isChecked());

    auto* types = control<QComboBox>(QStringLiteral("cboExtension"));
    QStringList offered;
    for (int i = 0; i < types->count(); ++i)
        offered << types->itemText(i);
    EXPECT_EQ(offered.mid(0, 4), (QStringList{"doc", "xls", "txt", "rtf"}));
    EXPECT_TRUE(types->currentText().isEmpty());
}

TEST_F(MainWindowTest, AnEditedTypeFileChangesTheTypeListAtTheNextStart)
{
    settings.write(QStringLiteral("TextFile.tfd"), "txt\r\nmd\r\n");
    open();
    auto* types = control<QComboBox>(QStringLiteral("cboExtension"));
    QStringList offered;
    for (int i = 0; i < types->count(); ++i)
        offered << types->itemText(i);
    EXPECT_TRUE(offered.contains(QStringLiteral("md")));
    EXPECT_FALSE(offered.contains(QStringLiteral("java")));
}

TEST_F(MainWindowTest, ModesReshapeTheWindow)
{
    open();
    const int fullHeight = window->height();
    struct Row {
        int mode;
        bool listShown;
        bool backupEnabled;
        int heightLoss;   // twips
        int runTop;       // twips
    } rows[] = {
        {1, false, false, 2430, 2010},
        {0, true, false, 0, 4470},
        {2, true, true, 0, 4470},
        {1, false, false, 2430, 2010},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        click(window, QStringLiteral("optAction(%1)").arg(row.mode));
        EXPECT_EQ(control(QStringLiteral("fraTralexList"))->isVisible(), row.listShown);
        EXPECT_EQ(control(QStringLiteral("fraTralex"))->isVisible(), row.listShown);
        EXPECT_EQ(control(QStringLiteral("txtBackUpPath"))->isEnabled(), row.backupEnabled);
        EXPECT_EQ(control(QStringLiteral("cmdAction(8)"))->isEnabled(), row.backupEnabled);
        EXPECT_EQ(window->height(), fullHeight - Twips(row.heightLoss));
        EXPECT_EQ(control(QStringLiteral("cmdAction(0)"))->y(), Twips(row.runTop));
        // The progress label stays inside the window in every mode.
        auto* label = control(QStringLiteral("lblTarget"));
        EXPECT_LE(label->mapTo(window, QPoint(0, label->height())).y(), window->height());
    }
}

TEST_F(MainWindowTest, ClosingStoresOnlyAnExistingBackupFolderOrAnEmptyOne)
{
    const QString folder = files.mkdir(QStringLiteral("bk"));
    struct Row {
        QString typed;
        QString stored;
    } rows[] = {
        {folder, folder},
        {folder.chopped(1), folder},                    // without the final "/": kept as it was
        {files.file(QStringLiteral("none/")), folder},  // no such folder
        {QString(), QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        open();
        click(window, QStringLiteral("optAction(2)"));
        setText(QStringLiteral("txtBackUpPath"), row.typed);
        window->close();
        delete window;
        window = nullptr;
        EXPECT_EQ(ReadIniValue(frmMain::IniFilePath(), QStringLiteral("COMMON"), QStringLiteral("BKPATH")),
                  row.stored);
    }
}

TEST_F(MainWindowTest, MenuItemsRunTheCommandShowTheAboutBoxAndClose)
{
    open();
    struct Row {
        const char* item;
        QString window;
    } rows[] = {{"mnuSS_Go", "Msg_Warning"}, {"mnuEditVer", "frmAbout"}};
    for (const Row& row : rows) {
        ModalAnswerer answer;
        answer.then(row.window, [](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
        window->findChild<QAction*>(QString::fromLatin1(row.item))->trigger();
        EXPECT_TRUE(answer.allAnswered()) << row.item;
        expectUsable();
    }
    click(window, QStringLiteral("optAction(2)"));
    setText(QStringLiteral("txtBackUpPath"), files.path());
    window->findChild<QAction*>(QStringLiteral("mnuEditEnd"))->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadIniValue(frmMain::IniFilePath(), QStringLiteral("COMMON"), QStringLiteral("BKPATH")), files.path());
}

// The encoding for files of ASCII alone: one of three menu items, UTF-8 at first, stored when
// chosen, offered again at the next start, and used by the run for a folder without evidence.
TEST_F(MainWindowTest, AsciiFileEncodingIsOneOfThreeMenuItemsStoredAndUsedByTheRun)
{
    open();
    const auto item = [this](int i) {
        return window->findChild<QAction*>(QStringLiteral("mnuAsciiCode(%1)").arg(i));
    };
    const auto checkedItems = [&] {
        QList<int> checked;
        for (int i = 0; i < 3; ++i)
            if (item(i)->isChecked())
                checked << i;
        return checked;
    };
    EXPECT_EQ(item(0)->text(), QStringLiteral("自動"));
    EXPECT_EQ(item(1)->text(), QStringLiteral("Shift_JIS"));
    EXPECT_EQ(checkedItems(), QList<int>({2}));
    item(1)->trigger();
    EXPECT_EQ(checkedItems(), QList<int>({1}));
    EXPECT_EQ(ReadIniValue(frmMain::IniFilePath(), QStringLiteral("COMMON"), QStringLiteral("ASCIICODE")),
              QStringLiteral("SJIS"));

    const QString folder = files.mkdir(QStringLiteral("target"));
    files.write(QStringLiteral("target/a.bas"), "x = abc\r\n");
    setText(QStringLiteral("txtPath"), folder);
    chooseType(QStringLiteral("bas"));
    addPair(QStringLiteral("abc"), QStringLiteral("表"));
    QStringList rows;
    QStringList text;
    QString message;
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_Warning"), [&](QWidget* w) {
        message = messageOf(w);
        click(w, QStringLiteral("cmdOK"));
    });
    answer.then(QStringLiteral("frmResultList"), [&](QWidget* w) {
        rows = tableRows(child<QTableView>(w, QStringLiteral("lstTarget")));
        text = frmResultList::ListLines(frmResultList::instance().Result());
        w->close();
    });
    click(window, QStringLiteral("cmdAction(0)"));
    waitFor([&] { return answer.allAnswered(); });
    EXPECT_EQ(message, QLatin1Char('|') + Finished);
    EXPECT_EQ(readBytes(files.file(QStringLiteral("target/a.bas"))), QByteArray("x = \x95\x5C\r\n"));
    // The encoding chosen for the file of ASCII alone: in its column, and in the list as text.
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].section(QLatin1Char('\t'), 3, 3), QStringLiteral("Shift_JIS"));
    EXPECT_TRUE(text.join(QLatin1Char('\n')).contains(QStringLiteral("a.bas (Shift_JIS)")))
        << text.join(QLatin1Char('\n')).toStdString();

    window->close();
    delete window;
    window = nullptr;
    open();
    EXPECT_EQ(checkedItems(), QList<int>({1}));
}

TEST_F(MainWindowTest, FocusColoursAndTheRetryOptionFollowTheFileType)
{
    open();
    auto* path = control<QLineEdit>(QStringLiteral("txtPath"));
    const QColor normal = path->palette().color(QPalette::Base);
    path->setText(QStringLiteral("/data/"));
    path->setFocus();
    waitFor([&] { return path->selectedText() == QStringLiteral("/data/"); });
    EXPECT_EQ(path->palette().color(QPalette::Base), QColor(255, 255, 192));
    EXPECT_EQ(path->selectedText(), QStringLiteral("/data/"));

    auto* retry = control<QCheckBox>(QStringLiteral("chkRetryOption"));
    struct Row {
        QString type;
        bool retryEnabled;
    } rows[] = {{"xls", false}, {"txt", true}, {"doc", false}, {"XLS", true}};
    for (const Row& row : rows) {
        chooseType(row.type);
        path->setFocus();
        EXPECT_EQ(retry->isEnabled(), row.retryEnabled) << row.type.toStdString();
        EXPECT_TRUE(retry->isChecked());
        // A disabled caption is grey like the disabled buttons', not the enabled dark blue.
        const QPalette::ColorGroup group = row.retryEnabled ? QPalette::Active : QPalette::Disabled;
        EXPECT_EQ(retry->palette().color(group, QPalette::WindowText) == QColor(0, 0, 128),
                  row.retryEnabled) << row.type.toStdString();
    }
    control(QStringLiteral("txtFndStr"))->setFocus();
    EXPECT_EQ(path->palette().color(QPalette::Base), normal);
}

TEST_F(MainWindowTest, ListEditorAddsUpdatesDeletesAndClears)
{
    open();
    const QString arrow = QStringLiteral("  ⇒  ");
    addPair(QStringLiteral("abc"), QStringLiteral("xyz"));
    addPair(QStringLiteral("株式会社"), QStringLiteral("(株)"));
    addPair(QStringLiteral("c"), QString());
    EXPECT_EQ(listLines(), (QStringList{"abc" + arrow + "xyz", "株式会社" + arrow + "(株)", "c" + arrow}));
    EXPECT_EQ(window->PairList()->Item(1), QStringLiteral("abc\x1F  ⇒  \x1Fxyz\x1F"));
    EXPECT_TRUE(control<QPlainTextEdit>(QStringLiteral("txtFndStr"))->toPlainText().isEmpty());

    // Update the second entry: its place in the list stays.
    selectLine(1);
    EXPECT_EQ(control<QPlainTextEdit>(QStringLiteral("txtFndStr"))->toPlainText(), QStringLiteral("株式会社"));
    auto* rep = control<QPlainTextEdit>(QStringLiteral("txtRepStr"));
    rep->clear();
    typeText(rep, QStringLiteral("㈱"));
    click(window, QStringLiteral("cmdAction(7)"));
    EXPECT_EQ(listLines().at(1), QStringLiteral("株式会社") + arrow + QStringLiteral("㈱"));
    EXPECT_TRUE(control<QListWidget>(QStringLiteral("lstTralex"))->selectedItems().isEmpty());

    selectLine(0);
    click(window, QStringLiteral("cmdAction(5)"));
    EXPECT_EQ(listLines().size(), 2);
    EXPECT_EQ(listLines().at(0), QStringLiteral("株式会社") + arrow + QStringLiteral("㈱"));

    // Without a chosen line, update and delete change nothing and say why.
    for (const char* button : {"cmdAction(7)", "cmdAction(5)"}) {
        EXPECT_EQ(clickAndRead(QString::fromLatin1(button)), QStringLiteral("|置換リストが選択されていません"));
        EXPECT_EQ(window->PairList()->Count(), 2);
    }

    control<QPlainTextEdit>(QStringLiteral("txtFndStr"))->setPlainText(QStringLiteral("kept"));
    click(window, QStringLiteral("cmdAction(6)"));
    EXPECT_TRUE(listLines().isEmpty());
    EXPECT_EQ(window->PairList()->Count(), 0);
    EXPECT_EQ(control<QPlainTextEdit>(QStringLiteral("txtFndStr"))->toPlainText(), QStringLiteral("kept"));
}

TEST_F(MainWindowTest, TypedLineBreaksAreStoredAsCrLfAndSeparatorCharactersAreRefused)
{
    open();
    auto* fnd = control<QPlainTextEdit>(QStringLiteral("txtFndStr"));
    fnd->setFocus();
    typeText(fnd, QStringLiteral("a"));
    QTest::keyClick(fnd, Qt::Key_Return);
    typeText(fnd, QStringLiteral("b\u00A0c"));
    click(window, QStringLiteral("cmdAction(4)"));
    EXPECT_EQ(window->PairList()->Item(1).section(QChar(31), 0, 0), QStringLiteral("a\r\nb\u00A0c"));
    selectLine(0);
    EXPECT_EQ(fnd->toPlainText(), QStringLiteral("a\nb c"));   // the box shows the break as its own

    for (const QChar separator : {QChar(30), QChar(31)}) {
        fnd->setPlainText(QStringLiteral("x") + separator);
        EXPECT_FALSE(clickAndRead(QStringLiteral("cmdAction(4)")).isEmpty());
        EXPECT_EQ(window->PairList()->Count(), 1);
    }
}

TEST_F(MainWindowTest, FieldChecksStopTheRunWithTheirMessageInOrder)
{
    const QString folder = files.mkdir(QStringLiteral("target"));
    files.write(QStringLiteral("target/a.txt"), "abc");
    struct Row {
        int mode;
        QString backup;
        QString path;
        QString type;
        QString message;
    } rows[] = {
        {2, "", "", "", "BackUpファイルを作成するフォルダを指定してください"},
        {2, files.file("none/"), "", "", "BackUpファイルを作成するフォルダが正しくありません"},
        {2, folder.chopped(1), folder, "txt", "BackUpファイルを作成するフォルダが正しくありません"},
        {0, "", "", "", "検索するフォルダを指定してください"},
        {0, "", folder.chopped(1), "txt", "検索するフォルダが正しくありません"},
        {1, "", folder, "", "削除するファイルの拡張子を選択してください"},
        {0, "", folder, "", "検索するファイルの拡張子を選択してください"},
        {0, "", "   ", "", "検索するファイルの拡張子を選択してください"},   // blanks pass both folder checks
        {0, "", folder, "xls", "置換対象ファイルはありませんでした"},   // the office engines find none
        {0, "", folder, "doc", "置換対象ファイルはありませんでした"},
    };
    open();
    addPair(QStringLiteral("abc"), QStringLiteral("xyz"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message.toStdString());
        click(window, QStringLiteral("optAction(%1)").arg(row.mode));
        setText(QStringLiteral("txtBackUpPath"), row.backup);
        setText(QStringLiteral("txtPath"), row.path);
        chooseType(row.type);
        const QString message = clickAndRead(QStringLiteral("cmdAction(0)"));
        EXPECT_TRUE(message.startsWith(QLatin1Char('|') + row.message)) << message.toStdString();
        expectUsable();
    }
    EXPECT_EQ(readBytes(files.file(QStringLiteral("target/a.txt"))), QByteArray("abc"));
}

TEST_F(MainWindowTest, AnEngineErrorLeavesTheWindowReadyForTheNextRun)
{
    const QString folder = files.mkdir(QStringLiteral("target"));
    files.write(QStringLiteral("target/a.txt"), "abc");
    open();
    setText(QStringLiteral("txtPath"), folder);
    chooseType(QStringLiteral("txt"));
    EXPECT_EQ(clickAndRead(QStringLiteral("cmdAction(0)")), QStringLiteral("|置換が設定されていません"));
    expectUsable();

    addPair(QStringLiteral("abc"), QStringLiteral("xyz"));
    QStringList results;
    EXPECT_EQ(clickAndRead(QStringLiteral("cmdAction(0)"), &results), QLatin1Char('|') + Finished);
    EXPECT_EQ(results.size(), 1);
    EXPECT_EQ(readBytes(files.file(QStringLiteral("target/a.txt"))), QByteArray("xyz"));
    expectUsable();
}

TEST_F(MainWindowTest, OutcomeSaysWhatTheRunChangedAndSkippedInTheRightColour)
{
    const QColor navy(0, 0, 128);
    const QColor red(255, 0, 0);
    const QString folder = files.mkdir(QStringLiteral("target"));
    files.write(QStringLiteral("target/other.txt"), "nothing to find");
    open();
    setText(QStringLiteral("txtPath"), folder);
    chooseType(QStringLiteral("txt"));
    addPair(QStringLiteral("abc"), QStringLiteral("xyz"));
    // Each row adds files to the folder (changed files are changed back by the next row's files).
    struct Row {
        int toChange;
        int binaries;
        QString message;
        QColor colour;
    } rows[] = {
        {0, 0, QLatin1Char('|') + NoFiles, red},
        {0, 1, QStringLiteral("変更したファイルはありません|処理できなかったファイルが1件あります"), red},
        {2, 2, QStringLiteral("終了しました（2件）|処理できなかったファイルが2件あります"), navy},
        {1, 0, QLatin1Char('|') + Finished, navy},
    };
    int made = 0;
    for (const Row& row : rows) {
        QDir(files.file(QStringLiteral("target"))).removeRecursively();
        files.mkdir(QStringLiteral("target"));
        for (int i = 0; i < row.toChange; ++i)
            files.write(QStringLiteral("target/c%1.txt").arg(made++), "abc");
        for (int i = 0; i < row.binaries; ++i)
            files.write(QStringLiteral("target/binary%1.txt").arg(i), QByteArray("abc\0def", 7));
        QColor colour;
        QStringList results;
        ModalAnswerer answer;
        QString message;
        answer.then(QStringLiteral("Msg_Warning"), [&](QWidget* w) {
            message = messageOf(w);
            colour = child<QLabel>(w, QStringLiteral("lblMessage(1)"))->palette().color(QPalette::WindowText);
            click(w, QStringLiteral("cmdOK"));
        });
        if (row.toChange + row.binaries > 0) {
            answer.then(QStringLiteral("frmResultList"), [&](QWidget* w) {
                results = resultLines(w);
                w->close();
            });
        }
        click(window, QStringLiteral("cmdAction(0)"));
        waitFor([&] { return answer.allAnswered(); });
        EXPECT_EQ(message, row.message);
        EXPECT_EQ(colour, row.colour) << row.message.toStdString();
        EXPECT_EQ(results.join(QLatin1Char('\n')).count(QStringLiteral("binary")), row.binaries);
    }
}

// A run is taken back from its result list, after one question with the number of files; the
// history then shows it taken back and the undo itself, and 元に戻す finds nothing left to undo.
// Folders on the list of folders to leave out, edited from the menu, are not entered.
TEST_F(MainWindowTest, UndoTakesTheRunBackAndTheHistoryShowsIt)
{
    const QString folder = openOnThreeFiles();
    files.write(QStringLiteral("target/node_modules/d.txt"), "abc");
    control<QCheckBox>(QStringLiteral("chkSubFolder"))->setChecked(true);
    {
        ModalAnswerer answer;
        answer.then(QStringLiteral("frmExcludedFolders"), [](QWidget* w) {
            auto* patterns = child<QPlainTextEdit>(w, QStringLiteral("txtPatterns"));
            patterns->setPlainText(patterns->toPlainText() + QStringLiteral("\nnode_modules"));
            click(w, QStringLiteral("cmdOK"));
        });
        window->findChild<QAction*>(QStringLiteral("mnuExcluded"))->trigger();
        EXPECT_TRUE(answer.allAnswered());
    }
    QString question;
    QStringList undone;
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_Warning"), [](QWidget* w) { click(w, QStringLiteral("cmdOK")); });
    answer.then(QStringLiteral("frmResultList"), [](QWidget* w) { click(w, QStringLiteral("cmdUndo")); });
    answer.then(QStringLiteral("Msg_YesNo"), [&](QWidget* w) {
        question = messageOf(w);
        click(w, QStringLiteral("cmdOK"));
    });
    answer.then(QStringLiteral("Msg_Warning"), [](QWidget* w) { click(w, QStringLiteral("cmdOK")); });
    answer.then(QStringLiteral("frmResultList"), [&](QWidget* w) {
        undone = resultLines(w);
        w->close();
    });
    click(window, QStringLiteral("cmdAction(0)"));
    waitFor([&] { return answer.allAnswered(); });
    EXPECT_TRUE(question.contains(QStringLiteral("3件"))) << question.toStdString();
    EXPECT_EQ(undone.size(), 3);
    for (const char* name : {"a.txt", "b.txt", "c.txt", "node_modules/d.txt"})
        EXPECT_EQ(readBytes(folder + QLatin1String(name)), "abc") << name;

    ModalAnswerer history;
    QStringList states;
    history.then(QStringLiteral("frmHistory"), [&](QWidget* w) {
        auto* runs = child<QTreeWidget>(w, QStringLiteral("lstRuns"));
        for (int i = 0; i < runs->topLevelItemCount(); ++i)
            states << runs->topLevelItem(i)->text(5);
        w->close();
    });
    window->findChild<QAction*>(QStringLiteral("mnuHistory"))->trigger();
    ASSERT_EQ(states.size(), 2);
    EXPECT_EQ(states[0], QStringLiteral("元に戻した実行"));
    EXPECT_TRUE(states[1].startsWith(QStringLiteral("元に戻しました")));
    QString nothing;
    ModalAnswerer last;
    last.then(QStringLiteral("Msg_Warning"), [&](QWidget* w) {
        nothing = messageOf(w);
        click(w, QStringLiteral("cmdOK"));
    });
    window->findChild<QAction*>(QStringLiteral("mnuUndo"))->trigger();
    EXPECT_EQ(nothing, QStringLiteral("|元に戻せる実行はありません"));
}

TEST_F(MainWindowTest, StopEndsALargeRunEarlyAndTheWindowRunsAgain)
{
    const QString folder = files.mkdir(QStringLiteral("target"));
    constexpr int FileCount = 2000;
    for (int i = 0; i < FileCount; ++i)
        files.write(QStringLiteral("target/f%1.txt").arg(i, 4, 10, QLatin1Char('0')), "abc");
    open();
    setText(QStringLiteral("txtPath"), folder);
    chooseType(QStringLiteral("txt"));
    addPair(QStringLiteral("abc"), QStringLiteral("xyz"));

    // STOP is pressed once the run has come to the hundredth file ("f0100.txt を置換中...").
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        Msg_Waiting& waiting = Msg_Waiting::instance();
        if (waiting.isLoaded() && control<QLabel>(QStringLiteral("lblTarget"))->text().mid(1, 4).toInt() >= 100) {
            click(&waiting, QStringLiteral("cmdStop"));
            stopper.stop();
        }
    });
    stopper.start(5);
    QStringList results;
    EXPECT_EQ(clickAndRead(QStringLiteral("cmdAction(0)"), &results), QLatin1Char('|') + Finished);
    EXPECT_FALSE(stopper.isActive());
    EXPECT_GT(results.size(), 0);
    EXPECT_LT(results.size(), FileCount);
    expectUsable();

    // The files the run reached are changed, the others are as they were; a second run does the rest.
    const int changed = int(QDir(folder).entryList({QStringLiteral("Bk*")}, QDir::Files).size());
    EXPECT_EQ(changed, results.size());
    results.clear();
    EXPECT_EQ(clickAndRead(QStringLiteral("cmdAction(0)"), &results), QLatin1Char('|') + Finished);
    EXPECT_EQ(results.size(), FileCount - changed);
}

// Holds the run inside its first file until the test lets it go, as a slow disk or a large
// workbook would.
class HeldRenewal : public FileRenewal {
public:
    std::atomic<bool> entered{false};
    std::atomic<bool> released{false};

    ReadOutcome OpenForRun(int folder, const QByteArray& name, FileSnapshot& snapshot) override
    {
        if (!entered.exchange(true)) {
            while (!released)
                QThread::msleep(1);
        }
        return FileRenewal::OpenForRun(folder, name, snapshot);
    }
};

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

TEST_F(MainWindowTest, WindowPaintsAndStopAnswersWhileTheEngineIsBusy)
{
    const QString folder = openOnThreeFiles();
    HeldRenewal* held = nullptr;
    TralexEngine* running = nullptr;
    window->setEngineSetUp([&](TralexEngine& engine) {
        auto renewal = std::make_unique<HeldRenewal>();
        held = renewal.get();
        running = &engine;
        engine.setFileRenewal(std::move(renewal));
    });

    bool checked = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!held || !held->entered)
            return;
        probe.stop();
        // The engine is inside its first file. The progress it reported before reaches the label,
        // and the windows paint.
        auto* label = control<QLabel>(QStringLiteral("lblTarget"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return label->text() == QStringLiteral("a.txt を置換中..."); }, 60000));
        Msg_Waiting& waiting = Msg_Waiting::instance();
        PaintCounter paints;
        waiting.installEventFilter(&paints);
        waiting.update();
        EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count > 0; }, 60000));
        waiting.removeEventFilter(&paints);
        // STOP reaches the engine at once, not at its next file.
        EXPECT_FALSE(running->StopFlag());
        click(&waiting, QStringLiteral("cmdStop"));
        EXPECT_TRUE(running->StopFlag());
        EXPECT_EQ(waiting.Message2(), QStringLiteral("処理を中断しています．．．"));
        checked = true;
        held->released = true;
    });
    probe.start(1);
    QStringList results;
    EXPECT_EQ(clickAndRead(QStringLiteral("cmdAction(0)"), &results), QLatin1Char('|') + Finished);
    EXPECT_TRUE(checked);
    // The file in hand is finished; the run stops before the next one.
    EXPECT_EQ(results, (QStringList{QStringLiteral("1:\t") + folder + QStringLiteral("a.txt")}));
    EXPECT_EQ(readBytes(folder + QStringLiteral("b.txt")), QByteArray("abc"));
    expectUsable();
}

// A fault that ends a run at its second file, as an engine error would.
class FailingAtSecondFile : public FileRenewal {
public:
    ReadOutcome OpenForRun(int folder, const QByteArray& name, FileSnapshot& snapshot) override
    {
        if (++opened == 2)
            throw ProgramError(QStringLiteral("test"), QStringLiteral("ディスクが応答しません"));
        return FileRenewal::OpenForRun(folder, name, snapshot);
    }
    int opened = 0;
};

TEST_F(MainWindowTest, RunThatFailsMidwayShowsItsErrorAndThenWhatItHadChanged)
{
    const QString folder = openOnThreeFiles();
    window->setEngineSetUp([](TralexEngine& engine) { engine.setFileRenewal(std::make_unique<FailingAtSecondFile>()); });
    QStringList results;
    EXPECT_TRUE(clickAndRead(QStringLiteral("cmdAction(0)"), &results).contains(QStringLiteral("ディスクが応答しません")));
    EXPECT_EQ(results, (QStringList{QStringLiteral("1:\t") + folder + QStringLiteral("a.txt")}));
    EXPECT_EQ(readBytes(folder + QStringLiteral("a.txt")), QByteArray("xyz"));
    expectUsable();
}

TEST_F(MainWindowTest, DeletingBackupsRunsTheTextEngineForOfficeTypesToo)
{
    const QString folder = files.mkdir(QStringLiteral("target"));
    open();
    click(window, QStringLiteral("optAction(1)"));
    setText(QStringLiteral("txtPath"), folder);
    for (const QString& type : {QStringLiteral("xls"), QStringLiteral("doc")}) {
        const QString backup = QStringLiteral("Bk202401021530_a.") + type;
        files.write(QStringLiteral("target/") + backup, "old");
        chooseType(type);
        QStringList results;
        EXPECT_EQ(clickAndRead(QStringLiteral("cmdAction(0)"), &results), QLatin1Char('|') + Finished);
        EXPECT_EQ(results, (QStringList{QStringLiteral("1:\t") + folder + backup}));
        EXPECT_FALSE(QFile::exists(folder + backup));
    }
}

// Answers the picker with a full path typed into its file name box.
void answerPicker(ModalAnswerer& answer, const QString& path)
{
    answer.then(QStringLiteral("frmDialogBox"), [path](QWidget* w) {
        auto* name = child<QLineEdit>(w, QStringLiteral("txtFileName"));
        name->clear();
        typeText(name, path);
        click(w, QStringLiteral("cmdOK"));
    });
}

TEST_F(MainWindowTest, ListFilesLoadExactlyAndADamagedOneLeavesTheListAsItWas)
{
    // 表 and ソ end in byte 5C; ～ is the Microsoft form of the wave dash.
    const QByteArray windowsList = QByteArray("\x95\x5C\x1F  \x81\xCB  \x1F\x83\x5C\x1F\x1E")
                                   + QByteArray("a\r\nb\x1F  \x81\xCB  \x1F\x81\x60\x1F\x1E\r\n");
    const QString windowsPath = files.write(QStringLiteral("windows.slt"), windowsList);
    const QString damagedPath = files.write(QStringLiteral("damaged.slt"), QByteArray("\x81\x1F\xFF\xFE\x1E\r\n"));
    open();
    addPair(QStringLiteral("before"), QStringLiteral("kept"));

    auto load = [&](const QString& path, bool refused) {
        QString message;
        ModalAnswerer answer;
        answerPicker(answer, path);
        if (refused) {
            answer.then(QStringLiteral("Msg_Warning"), [&](QWidget* w) {
                message = messageOf(w);
                click(w, QStringLiteral("cmdOK"));
            });
        }
        click(window, QStringLiteral("cmdAction(2)"));
        waitFor([&] { return answer.allAnswered(); });
        return message;
    };
    EXPECT_FALSE(load(damagedPath, true).isEmpty());
    EXPECT_EQ(listLines(), (QStringList{QStringLiteral("before  ⇒  kept")}));
    expectUsable();

    load(windowsPath, false);
    ASSERT_EQ(window->PairList()->Count(), 2);
    EXPECT_EQ(window->PairList()->Item(1), QStringLiteral("表\x1F  ⇒  \x1Fソ\x1F"));
    EXPECT_EQ(window->PairList()->Item(2), QStringLiteral("a\r\nb\x1F  ⇒  \x1F～\x1F"));

    // Saved again, the Windows list is the same file byte for byte.
    const QString again = files.file(QStringLiteral("again.slt"));
    ModalAnswerer answer;
    answerPicker(answer, again);
    answer.then(QStringLiteral("Msg_Warning"), [](QWidget* w) { click(w, QStringLiteral("cmdOK")); });
    click(window, QStringLiteral("cmdAction(3)"));
    EXPECT_EQ(readBytes(again), windowsList);
}

TEST_F(MainWindowTest, EndToEndReplaceSaveLoadAndDeleteBackups)
{
    const QString folder = files.mkdir(QStringLiteral("作業"));
    files.write(QStringLiteral("作業/a.txt"), "abc and 株式会社\r\n");
    files.write(QStringLiteral("作業/b.txt"), "nothing here\r\n");
    files.write(QStringLiteral("作業/c.html"), "abc\r\n");
    open();
    setText(QStringLiteral("txtPath"), folder);
    chooseType(QStringLiteral("txt"));
    addPair(QStringLiteral("abc"), QStringLiteral("xyz"));
    addPair(QStringLiteral("株式会社"), QStringLiteral("(株)"));

    QStringList results;
    EXPECT_EQ(clickAndRead(QStringLiteral("cmdAction(0)"), &results), QLatin1Char('|') + Finished);
    EXPECT_EQ(results, (QStringList{QStringLiteral("1:\t") + folder + QStringLiteral("a.txt")}));
    EXPECT_EQ(readBytes(files.file(QStringLiteral("作業/a.txt"))), QByteArray("xyz and (株)\r\n"));
    EXPECT_EQ(readBytes(files.file(QStringLiteral("作業/c.html"))), QByteArray("abc\r\n"));
    const QStringList backups = backupsOf(folder, QStringLiteral("a.txt"));
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(readBytes(folder + backups.first()), QByteArray("abc and 株式会社\r\n"));
    EXPECT_TRUE(backupsOf(folder, QStringLiteral("b.txt")).isEmpty());
    EXPECT_TRUE(control<QLabel>(QStringLiteral("lblTarget"))->text().isEmpty());

    // Save the list, clear it, and load it back.
    const QString listPath = files.file(QStringLiteral("lists/pairs.slt"));
    const QStringList shown = listLines();
    {
        ModalAnswerer answer;
        answerPicker(answer, listPath);
        QString saved;
        answer.then(QStringLiteral("Msg_Warning"), [&](QWidget* w) {
            saved = messageOf(w);
            click(w, QStringLiteral("cmdOK"));
        });
        click(window, QStringLiteral("cmdAction(3)"));
        EXPECT_TRUE(answer.allAnswered());
        EXPECT_EQ(saved, QStringLiteral("|保存しました"));
    }
    click(window, QStringLiteral("cmdAction(6)"));
    EXPECT_TRUE(listLines().isEmpty());
    {
        ModalAnswerer answer;
        answerPicker(answer, listPath);
        click(window, QStringLiteral("cmdAction(2)"));
        EXPECT_TRUE(answer.allAnswered());
    }
    EXPECT_EQ(listLines(), shown);

    // Delete the backups of the type.
    click(window, QStringLiteral("optAction(1)"));
    results.clear();
    EXPECT_EQ(clickAndRead(QStringLiteral("cmdAction(0)"), &results), QLatin1Char('|') + Finished);
    EXPECT_EQ(results.size(), 1);
    EXPECT_TRUE(backupsOf(folder, QStringLiteral("a.txt")).isEmpty());
    EXPECT_EQ(readBytes(files.file(QStringLiteral("作業/a.txt"))), QByteArray("xyz and (株)\r\n"));
    expectUsable();
}

}  // namespace

namespace {

// A folder and every entry below it with its bytes and its modification time in nanoseconds (a
// file made and removed again changes its folder's time).
QMap<QString, QPair<QByteArray, qint64>> treeOf(const QString& folder)
{
    QMap<QString, QPair<QByteArray, qint64>> tree;
    const auto note = [&tree](const QString& path) {
        struct stat info {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
        tree.insert(path, {readBytes(path), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
    };
    note(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        note(it.next());
    return tree;
}

// A preview writes nothing; the files unticked in it stay as they were when the others are
// replaced; all the changed lines of a file are shown on request; the progress window counts the
// files up to the last.
TEST_F(MainWindowTest, PreviewWritesNothingAndReplacesTheTickedFilesAlone)
{
    const QString folder = openOnThreeFiles();
    QByteArray many;
    for (int i = 1; i <= 25; ++i)
        many += "abc " + QByteArray::number(i) + "\n";
    files.write(QStringLiteral("target/d.txt"), many);
    const auto before = treeOf(folder);

    bool unchanged = false;
    QStringList previewed;
    int linesShown = 0;
    int allLines = 0;
    QString message;
    QStringList results;
    ModalAnswerer answer(60000);
    answer.then(QStringLiteral("frmPreview"), [&](QWidget* w) {
        unchanged = treeOf(folder) == before;
        auto* table = child<QTableView>(w, QStringLiteral("lstFiles"));
        previewed = tableRows(table);
        auto* lines = child<QPlainTextEdit>(w, QStringLiteral("txtLines"));
        table->setCurrentIndex(table->model()->index(3, 1));
        linesShown = lines->document()->blockCount();
        click(w, QStringLiteral("cmdAllLines"));
        allLines = lines->document()->blockCount();
        table->setCurrentIndex(table->model()->index(1, 0));
        QTest::keyClick(table, Qt::Key_Space);
        click(w, QStringLiteral("cmdReplace"));
    });
    answer.then(QStringLiteral("Msg_Warning"), [&](QWidget* w) {
        message = messageOf(w);
        click(w, QStringLiteral("cmdOK"));
    });
    answer.then(QStringLiteral("frmResultList"), [&](QWidget* w) {
        results = resultLines(w);
        w->close();
    });
    click(window, QStringLiteral("cmdPreview"));
    waitFor([&] { return answer.allAnswered(); });

    EXPECT_TRUE(unchanged);
    EXPECT_EQ(previewed, (QStringList{QStringLiteral("1\t%1a.txt\t1\tUTF-8").arg(folder), QStringLiteral("2\t%1b.txt\t1\tUTF-8").arg(folder),
                                      QStringLiteral("3\t%1c.txt\t1\tUTF-8").arg(folder), QStringLiteral("4\t%1d.txt\t25\tUTF-8").arg(folder)}));
    EXPECT_EQ(linesShown, 40);
    EXPECT_EQ(allLines, 50);
    EXPECT_EQ(message, QStringLiteral("|終了しました"));
    EXPECT_EQ(results, (QStringList{QStringLiteral("1:\t") + folder + QStringLiteral("a.txt"), QStringLiteral("2:\t") + folder + QStringLiteral("c.txt"),
                                    QStringLiteral("3:\t") + folder + QStringLiteral("d.txt")}));
    EXPECT_EQ(Msg_Waiting::instance().CountText(), QStringLiteral("3 / 3"));
    const auto after = treeOf(folder);
    EXPECT_EQ(after.value(folder + QStringLiteral("b.txt")), before.value(folder + QStringLiteral("b.txt")));
    for (const char* name : {"a.txt", "c.txt"})
        EXPECT_EQ(readBytes(folder + QLatin1String(name)), QByteArray("xyz")) << name;
    EXPECT_TRUE(backupsOf(folder, QStringLiteral("b.txt")).isEmpty());
    EXPECT_EQ(backupsOf(folder, QStringLiteral("d.txt")).size(), 1);
    expectUsable();

    // Deleting backups has nothing to preview.
    click(window, QStringLiteral("optAction(1)"));
    EXPECT_FALSE(control(QStringLiteral("cmdPreview"))->isEnabled());
    EXPECT_FALSE(window->findChild<QAction*>(QStringLiteral("mnuPreview"))->isEnabled());
}

}  // namespace
