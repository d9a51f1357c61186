#pragma once
// The program's working window: the mode, the target folder and file type, the backup folder, the
// find and replace boxes, the replacement list with its options, the run button and the one-line
// progress label, and the two menus.
//
// Made once by the start-up; its constructor loads it (fields, type list, the backup folder kept
// in "Tralex.ini") in mode "置換". Closing it stores the backup folder and ends the program.
//
// The window is split by concern: frmMain.cpp (load, unload, modes, focus colours, menus, browse
// buttons and the one failure handler of the buttons), frmMain_layout.cpp (controls and their
// places), frmMain_list.cpp (the replacement list editor), frmMain_run.cpp (the run command) and
// frmMain_preview.cpp (the preview of a run and the replacing of the files chosen from it).
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "engines/RunResult.h"
#include "services/OrderedList.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tralex {

struct RunRequest;
class TralexEngine;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The button array: 0 run, 1 browse for the target folder, 2 load list, 3 save list, 4 add,
    // 5 delete, 6 clear list, 7 update, 8 browse for the backup folder. Every action runs under the
    // one failure handler, which leaves the window enabled and shows the error's description.
    void cmdAction_Click(int index);
    // "プレビュー": the run the fields describe, shown before anything is written (frmPreview);
    // the files ticked there are then replaced alone. Under the same failure handler.
    void cmdPreview_Click();
    // The three modes: 0 "置換", 1 "BackUpファイル削除", 2 "BackUpフォルダ指定 置換".
    void optAction_Click(int index);

    // The replacement pairs in the order they are applied; handed to the engine as it is.
    OrderedListRef PairList() const { return mPairList; }

    // Called with each engine once the window has set it up, before it runs; tests use it to
    // put a fault in the engine's way.
    void setEngineSetUp(std::function<void(TralexEngine&)> setUp) { mEngineSetUp = std::move(setUp); }

    // "Tralex.ini" in the settings folder, which keeps the backup folder as "BKPATH" and the
    // encoding for files of ASCII alone as "ASCIICODE" (AUTO, SJIS or UTF8).
    static QString IniFilePath();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Load, unload, modes, focus, menus (frmMain.cpp).
    void Form_Load();
    void InitFields();
    void Form_Unload();
    void runGuarded(const std::function<void()>& action);
    // Runs an action; the description of the error it ended with, or an empty text. Callable on
    // any thread.
    static QString failureOf(const std::function<void()>& action);
    void showError(const QString& description);
    void browseFolder(QLineEdit* field, const QString& user, const QString& caption);
    void setFocusColour(QWidget* control, bool focused);
    void cboExtension_LostFocus();
    void mnuEditUse_Click();
    void mnuEditVer_Click();
    // Chooses, shows and stores the encoding for files of ASCII alone (0 自動, 1 Shift_JIS,
    // 2 UTF-8).
    void mnuAsciiCode_Click(int index);

    // Controls and their places (frmMain_layout.cpp).
    void createControls();
    void createMenus();
    void setTabOrderOfControls();
    void setOuterHeight(int vlngTwips);
    void placeRunButton(int vlngTop);

    // The replacement list editor (frmMain_list.cpp).
    void AddPair(const QString& vstrFndStr, const QString& vstrRepStr);
    void ClearPairs();
    void RefreshList();
    void lstTralex_Click();
    void AddFromFields();
    void UpdateSelected();
    void DeleteSelected();
    void ClearList();
    void SaveList();
    void LoadList();
    int selectedLine() const;
    int chosenLine();
    QString fieldText(const QPlainTextEdit* box) const;
    void clearFields();
    void checkStorable(const QString& vstrFndStr, const QString& vstrRepStr) const;

    // How a run shown behind the progress window ended: the error that ended it (empty when
    // none), what it did, its journal, and whether STOP was pressed.
    struct RunEnd {
        QString failure;
        RunResult result;
        QString journal;
        bool stopped = false;
    };

    // The run command (frmMain_run.cpp).
    void RunCommand();
    void RunText();
    void RunExcel();
    void RunWord();
    void RunEngine(std::shared_ptr<TralexEngine>& slot,
                   const std::function<std::shared_ptr<TralexEngine>()>& make);
    QString runOnThread(TralexEngine& engine, bool deleteMode);
    RunRequest runRequest() const;
    void configureEngine(TralexEngine& engine);
    void ExecutionMessage(const QString& vstrMsg);
    void ReportOutcome(const RunResult& result, const QString& journal = QString());
    void ReportFailure(const QString& description, const RunResult& result);
    void ShowResultList(const RunResult& result, const QString& journal = QString());
    // Shows the progress window in front of `over` (this window when none), runs a set-up engine
    // on its thread and returns how it ended, the engine released.
    RunEnd runShown(TralexEngine& engine, const QString& busyText, bool deleteMode, QWidget* over = nullptr);
    // The outcome of a run in the warning window and the result list (or its error and what it
    // had done); then the window closes when it was asked to during the run.
    void ReportRun(const RunEnd& end);
    // A new engine for the request in its slot, set up as the request says.
    TralexEngine& makeEngine(const RunRequest& request);

    // The preview (frmMain_preview.cpp).
    void PreviewCommand();
    void ShowPreview(const RunRequest& request, const RunEnd& end);
    // A preview of one file alone with all its changed lines, in front of `over`; nothing when
    // the file cannot be previewed again (the user is told why).
    std::optional<FileReport> PreviewAllLines(const RunRequest& request, const FileReport& report, QWidget* over);
    // Replaces the files chosen from a preview, alone, and reports as after a run.
    void ReplaceChosen(const RunRequest& request, const QList<FileReport>& chosen);

    // Taking runs back, the history and the folders left out (frmMain_undo.cpp).
    void mnuUndo_Click();
    void mnuHistory_Click();
    void mnuExcluded_Click();
    // Asks, then takes back the run of a journal; says so when it was taken back before.
    void UndoRun(const QString& journal);
    void ReleaseEngines();
    bool deleting() const;

    OrderedListRef mPairList;
    std::shared_ptr<TralexEngine> mobjSS_Text;
    std::shared_ptr<TralexEngine> mobjSS_Excel;
    std::shared_ptr<TralexEngine> mobjSS_Word;
    bool mblnRunning = false;
    bool mblnCloseAfterRun = false;
    QString mstrProgress;          // the engine's last progress text in this run
    std::function<void(TralexEngine&)> mEngineSetUp;
    int mAsciiCode = 2;            // the encoding for files of ASCII alone: a mnuAsciiCode index

    // Controls, named as their objectName.
    QGroupBox* Frame2 = nullptr;
    QRadioButton* optAction[3] = {};
    QLineEdit* txtBackUpPath = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtPath = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cboExtension = nullptr;
    QCheckBox* chkSubFolder = nullptr;
    QGroupBox* fraTralexList = nullptr;
    QListWidget* lstTralex = nullptr;
    QCheckBox* chkRetryOption = nullptr;
    QCheckBox* chkUcaseOption = nullptr;
    QGroupBox* fraTralex = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* txtFndStr = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* txtRepStr = nullptr;
    QPushButton* cmdAction[9] = {};
    QPushButton* cmdPreview = nullptr;
    QLabel* lblTarget = nullptr;

    QMenu* mnuEditFile = nullptr;
    QAction* mnuSS_Go = nullptr;
    QAction* mnuPreview = nullptr;
    QAction* mnuEditEnd = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuHistory = nullptr;
    QAction* mnuExcluded = nullptr;
    QMenu* mnuAsciiCodeMenu = nullptr;
    QAction* mnuAsciiCode[3] = {};
    QMenu* mnuEditHelp = nullptr;
    QAction* mnuEditUse = nullptr;
    QAction* mnuEditVer = nullptr;
};

}  // namespace tralex
