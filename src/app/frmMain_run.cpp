// The run command: the field checks, the engine chosen by the file type, the run on a thread of
// its own behind the progress window with its progress texts and STOP, and the outcome with the
// result list.
// Failures leave through the buttons' one failure handler (frmMain.cpp).
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "app/frmMain.h"
#include "app/frmResultList.h"
#include "dialogs/Msg_Waiting.h"
#include "dialogs/Msg_Warning.h"
#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"
#include "engines/TralexEngine.h"
#include "engines/clsTextTralex.h"
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "run/RunRequest.h"

#include <thread>

namespace tralex {

namespace {

// The two lines of the outcome, and whether files were changed: a run that changed files is a
// notice of success even when it also skipped some, which its lower line then says.
struct Outcome {
    QString line1;
    QString line2;
    bool success = false;
};

Outcome outcomeOf(const RunResult& result)
{
    const qsizetype changed = result.changed.size();
    const qsizetype skipped = result.skipped.size();
    if (skipped == 0) {
        if (changed < 1)
            return {QString(), QStringLiteral("置換対象ファイルはありませんでした"), false};
        return {QString(), QStringLiteral("終了しました"), true};
    }
    const QString skippedLine = QStringLiteral("処理できなかったファイルが%1件あります").arg(skipped);
    if (changed < 1)
        return {QStringLiteral("変更したファイルはありません"), skippedLine, false};
    return {QStringLiteral("終了しました（%1件）").arg(changed), skippedLine, true};
}

}  // namespace

bool frmMain::deleting() const
{
    return optAction[1]->isChecked();
}

void frmMain::RunCommand()
{
    const RunRequest request = runRequest();
    request.Check(QStringLiteral("frmMain"));
    ReleaseEngines();
    switch (request.EngineFor()) {
    case RunRequest::Engine::Spreadsheet: RunExcel(); break;
    case RunRequest::Engine::Document: RunWord(); break;
    case RunRequest::Engine::Text: RunText(); break;
    }
}

// The run the fields describe.
RunRequest frmMain::runRequest() const
{
    RunRequest request;
    request.action = deleting() ? RunRequest::Action::DeleteBackUps : RunRequest::Action::Replace;
    request.backUpFolderChosen = optAction[2]->isChecked();
    request.backUpPath = txtBackUpPath->text();
    request.targetPath = txtPath->text();
    request.type = cboExtension->currentText();
    request.retry = chkRetryOption->isChecked();
    request.caseSensitive = chkUcaseOption->isChecked();
    request.subFolders = chkSubFolder->isChecked();
    request.pairs = mPairList;
    request.asciiEncoding = clsTextTralex::AsciiFileEncoding(mAsciiCode);
    request.excluded = RunRequest::StoredExclusions(IniFilePath());
    request.journalFolder = RunJournal::DefaultFolder();
    return request;
}

void frmMain::RunText()
{
    RunEngine(mobjSS_Text, [] { return std::make_shared<clsTextTralex>(); });
}

void frmMain::RunExcel()
{
    RunEngine(mobjSS_Excel, [] { return std::make_shared<clsExcelControl>(); });
}

void frmMain::RunWord()
{
    RunEngine(mobjSS_Word, [] { return std::make_shared<clsWordControl>(); });
}

// One run of one engine: the progress window in front, the main window disabled, the engine made
// by `make` and set up here, then run on a thread of its own while this window goes on painting
// and answering STOP; then the window enabled and the outcome reported. A run that failed midway
// shows its error and then what it had done.
void frmMain::RunEngine(std::shared_ptr<TralexEngine>& slot,
                        const std::function<std::shared_ptr<TralexEngine>()>& make)
{
    const bool deleteMode = deleting();
    slot = make();
    configureEngine(*slot);
    ReportRun(runShown(*slot, deleteMode ? QStringLiteral("ただいま、検索削除中です") : QStringLiteral("ただいま、検索置換中です"),
                       deleteMode));
}

TralexEngine& frmMain::makeEngine(const RunRequest& request)
{
    ReleaseEngines();
    std::shared_ptr<TralexEngine>& slot = request.EngineFor() == RunRequest::Engine::Spreadsheet ? mobjSS_Excel
                                          : request.EngineFor() == RunRequest::Engine::Document  ? mobjSS_Word
                                                                                                  : mobjSS_Text;
    slot = request.MakeEngine();
    request.Configure(*slot);
    if (mEngineSetUp)
        mEngineSetUp(*slot);
    return *slot;
}

frmMain::RunEnd frmMain::runShown(TralexEngine& engineRef, const QString& busyText, bool deleteMode, QWidget* over)
{
    Msg_Waiting& waiting = Msg_Waiting::instance();
    waiting.setPreForm(over ? over : this);
    waiting.setMessage1(busyText);
    waiting.setMessage2(QStringLiteral("しばらくお待ちください..."));
    waiting.Show();
    EnableForm(this, false);
    mblnRunning = true;
    mstrProgress.clear();

    TralexEngine* engine = &engineRef;
    // Progress comes from the run's thread and is shown here, in order, before the run's end.
    connect(engine, &TralexEngine::ExecutionMessage, this,
            [this](const QString& vstrMsg) { ExecutionMessage(vstrMsg); }, Qt::QueuedConnection);
    connect(engine, &TralexEngine::ExecutionCount, this,
            [](qint64 done, qint64 found) { Msg_Waiting::instance().ShowCount(done, found); }, Qt::QueuedConnection);
    const QMetaObject::Connection stop = connect(&waiting, &Msg_Waiting::StopRequested, this,
                                                 [engine] { engine->setStopFlag(true); });

    RunEnd end;
    end.failure = runOnThread(*engine, deleteMode);

    disconnect(stop);
    end.result = engine->Result();
    end.journal = engine->JournalId();
    end.stopped = engine->StopFlag();
    ReleaseEngines();
    mblnRunning = false;
    EnableForm(this, true);
    waiting.Unload();
    return end;
}

void frmMain::ReportRun(const RunEnd& end)
{
    if (end.failure.isEmpty())
        ReportOutcome(end.result, end.journal);
    else
        ReportFailure(end.failure, end.result);
    if (mblnCloseAfterRun)
        close();
}

// Runs the engine on a thread of its own and waits for it with the window's events going on.
// Returns the description of the error that ended the run, or an empty text.
//
// The thread is joined before the engine is read or released: a join orders everything the run
// wrote, up to the thread's last step, before what this window does next. (QThread::wait gives the
// same order through Qt's own lock, which ThreadSanitizer cannot see.)
QString frmMain::runOnThread(TralexEngine& engine, bool deleteMode)
{
    QString failure;
    QEventLoop wait;
    std::thread thread([&engine, &failure, &wait, deleteMode] {
        failure = failureOf([&engine, deleteMode] {
            if (deleteMode)
                engine.KillBackUpFile();
            else
                engine.TralexGo();
        });
        // Queued: it ends the wait on the window's thread, also when the loop has not started yet.
        // By name: Qt makes and deletes the call itself. A functor would be built here and
        // destroyed on the window's thread, a hand-over through Qt's event queue that
        // ThreadSanitizer cannot follow.
        QMetaObject::invokeMethod(&wait, "quit", Qt::QueuedConnection);
    });
    wait.exec();
    thread.join();
    // The progress reports the run raised just before it ended are still queued: shown now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return failure;
}

void frmMain::configureEngine(TralexEngine& engine)
{
    runRequest().Configure(engine);
    if (mEngineSetUp)
        mEngineSetUp(engine);
}

// Shows where the run is; the engine raises this at most about 25 times a second.
void frmMain::ExecutionMessage(const QString& vstrMsg)
{
    mstrProgress = vstrMsg;
    lblTarget->setText(vstrMsg);
    Msg_Waiting::instance().ShowItem(vstrMsg);
}

// The outcome in the warning window, then the result list when there is something in it. Files
// the engine left unchanged for a reason are counted in the message and listed apart in the
// result list.
void frmMain::ReportOutcome(const RunResult& result, const QString& journal)
{
    const Outcome outcome = outcomeOf(result);
    Msg_Warning& warning = Msg_Warning::instance();
    if (outcome.success)
        warning.setColor(RGB(0, 0, 128));
    warning.setMessage1(outcome.line1);
    warning.setMessage2(outcome.line2);
    warning.Show();
    lblTarget->clear();
    ShowResultList(result, journal);
}

// The error that ended a run, then the files it had changed and skipped before.
void frmMain::ReportFailure(const QString& description, const RunResult& result)
{
    showError(description);
    ShowResultList(result);
}

void frmMain::ShowResultList(const RunResult& result, const QString& journal)
{
    if (result.isEmpty())
        return;
    frmResultList& list = frmResultList::instance();
    list.setResult(result);
    bool undoAsked = false;
    // The run just listed can be taken back from the list: after it closes, so that one modal
    // window follows another.
    list.setUndo(journal.isEmpty() ? std::function<void()>() : [&undoAsked] { undoAsked = true; });
    list.Show();
    list.setUndo({});
    if (undoAsked)
        runGuarded([this, journal] { UndoRun(journal); });
}

void frmMain::ReleaseEngines()
{
    mobjSS_Text.reset();
    mobjSS_Excel.reset();
    mobjSS_Word.reset();
}

}  // namespace tralex
