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
#include "engines/office/OfficeTypes.h"
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "platform/ProgramError.h"
#include "services/basPathControl.h"

#include <thread>

namespace tralex {

namespace {

[[noreturn]] void refuse(const QString& description)
{
    throw ProgramError(QStringLiteral("frmMain"), description);
}

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
    if (optAction[2]->isChecked()) {
        if (txtBackUpPath->text().isEmpty())
            refuse(QStringLiteral("BackUpファイルを作成するフォルダを指定してください"));
        if (!PathExists(txtBackUpPath->text()))
            refuse(QStringLiteral("BackUpファイルを作成するフォルダが正しくありません"));
    }
    if (txtPath->text().isEmpty())
        refuse(QStringLiteral("検索するフォルダを指定してください"));
    if (!PathExists(txtPath->text()))
        refuse(QStringLiteral("検索するフォルダが正しくありません"));
    ReleaseEngines();

    const QString type = cboExtension->currentText();
    if (deleting()) {
        if (type.isEmpty())
            refuse(QStringLiteral("削除するファイルの拡張子を選択してください"));
        // The backups of today's office types, which the text engine does not take, are deleted
        // by the office engines, through the same loop.
        if (OfficeTypes().contains(type.trimmed()) && IsSpreadsheetType(type))
            RunExcel();
        else if (OfficeTypes().contains(type.trimmed()) && IsDocumentType(type))
            RunWord();
        else
            RunText();
        return;
    }
    if (!optAction[0]->isChecked() && !optAction[2]->isChecked())
        return;
    if (type.isEmpty())
        refuse(QStringLiteral("検索するファイルの拡張子を選択してください"));
    if (IsSpreadsheetType(type))
        RunExcel();
    else if (IsDocumentType(type))
        RunWord();
    else
        RunText();
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
    Msg_Waiting& waiting = Msg_Waiting::instance();
    const bool deleteMode = deleting();
    waiting.setPreForm(this);
    waiting.setMessage1(deleteMode ? QStringLiteral("ただいま、検索削除中です")
                                   : QStringLiteral("ただいま、検索置換中です"));
    waiting.setMessage2(QStringLiteral("しばらくお待ちください..."));
    waiting.Show();
    EnableForm(this, false);
    mblnRunning = true;
    mstrProgress.clear();

    slot = make();
    TralexEngine* engine = slot.get();
    configureEngine(*engine);
    // Progress comes from the run's thread and is shown here, in order, before the run's end.
    connect(engine, &TralexEngine::ExecutionMessage, this,
            [this](const QString& vstrMsg) { ExecutionMessage(vstrMsg); }, Qt::QueuedConnection);
    const QMetaObject::Connection stop = connect(&waiting, &Msg_Waiting::StopRequested, this,
                                                 [engine] { engine->setStopFlag(true); });

    const QString failure = runOnThread(*engine, deleteMode);

    disconnect(stop);
    const RunResult result = engine->Result();
    ReleaseEngines();
    mblnRunning = false;
    EnableForm(this, true);
    waiting.Unload();
    if (failure.isEmpty())
        ReportOutcome(result);
    else
        ReportFailure(failure, result);
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

// The members in the order the engines expect: the backup folder first, then the pairs, the
// folder and type, and the options.
void frmMain::configureEngine(TralexEngine& engine)
{
    if (optAction[2]->isChecked())
        engine.setBackUpPath(txtBackUpPath->text());
    engine.setSsCollection(mPairList);
    engine.setTargetPath(txtPath->text());
    engine.setTargetType(cboExtension->currentText());
    engine.setRetryOption(chkRetryOption->isChecked());
    engine.setUcaseOption(!chkUcaseOption->isChecked());
    engine.setSubFolder(chkSubFolder->isChecked());
    if (auto* text = dynamic_cast<clsTextTralex*>(&engine))
        text->setAsciiFileEncoding(clsTextTralex::AsciiFileEncoding(mAsciiCode));
    if (mEngineSetUp)
        mEngineSetUp(engine);
}

// Shows where the run is; the engine raises this at most about 25 times a second.
void frmMain::ExecutionMessage(const QString& vstrMsg)
{
    mstrProgress = vstrMsg;
    lblTarget->setText(vstrMsg);
}

// The outcome in the warning window, then the result list when there is something in it. Files
// the engine left unchanged for a reason are counted in the message and listed apart in the
// result list.
void frmMain::ReportOutcome(const RunResult& result)
{
    const Outcome outcome = outcomeOf(result);
    Msg_Warning& warning = Msg_Warning::instance();
    if (outcome.success)
        warning.setColor(RGB(0, 0, 128));
    warning.setMessage1(outcome.line1);
    warning.setMessage2(outcome.line2);
    warning.Show();
    lblTarget->clear();
    ShowResultList(result);
}

// The error that ended a run, then the files it had changed and skipped before.
void frmMain::ReportFailure(const QString& description, const RunResult& result)
{
    showError(description);
    ShowResultList(result);
}

void frmMain::ShowResultList(const RunResult& result)
{
    if (result.isEmpty())
        return;
    frmResultList& list = frmResultList::instance();
    list.setResult(result);
    list.Show();
}

void frmMain::ReleaseEngines()
{
    mobjSS_Text.reset();
    mobjSS_Excel.reset();
    mobjSS_Word.reset();
}

}  // namespace tralex
