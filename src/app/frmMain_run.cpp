// The run command: the field checks, the engine chosen by the file type, the run behind the
// progress window with its progress texts and STOP, and the outcome with the result list.
// Failures leave through the buttons' one failure handler (frmMain.cpp).
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
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
#include "engines/office/OfficeBackUpDeletion.h"
#include "engines/office/OfficeTypes.h"
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "platform/ProgramError.h"
#include "services/basPathControl.h"

namespace tralex {

namespace {

constexpr qint64 ProgressIntervalMs = 40;

[[noreturn]] void refuse(const QString& description)
{
    throw ProgramError(QStringLiteral("frmMain"), description);
}

// What the upper line of the outcome says, and whether it is the plain notice of success.
struct Outcome {
    QString line1;
    QString line2;
    bool success = false;
};

Outcome outcomeOf(const TralexEngine& engine)
{
    const int changed = engine.CountResult();
    const int skipped = engine.CountSkipped();
    if (skipped == 0) {
        if (changed < 1)
            return {QString(), QStringLiteral("置換対象ファイルはありませんでした"), false};
        return {QString(), QStringLiteral("終了しました"), true};
    }
    const QString skippedLine = QStringLiteral("処理できなかったファイルが %1 件あります").arg(skipped);
    if (changed < 1)
        return {QStringLiteral("変更したファイルはありません"), skippedLine, false};
    return {QStringLiteral("終了しました（%1 件）").arg(changed), skippedLine, false};
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
    // Today's office types are not text; only their backups are deleted, by a text engine that
    // takes them for that.
    const bool officeBackUps = deleting() && OfficeTypes().contains(cboExtension->currentText());
    std::shared_ptr<clsTextTralex> text;
    RunEngine(mobjSS_Text,
              [&text, officeBackUps] {
                  return text = officeBackUps
                      ? std::shared_ptr<clsTextTralex>(std::make_shared<OfficeBackUpDeletion>())
                      : std::make_shared<clsTextTralex>();
              },
              [this, &text] {
                  if (deleting())
                      text->KillBackUpFile();
                  else
                      text->TralexGo();
              });
}

void frmMain::RunExcel()
{
    RunEngine(mobjSS_Excel, [] { return std::make_shared<clsExcelControl>(); },
              [this] { mobjSS_Excel->TralexGo(); });
}

void frmMain::RunWord()
{
    RunEngine(mobjSS_Word, [] { return std::make_shared<clsWordControl>(); },
              [this] { mobjSS_Word->TralexGo(); });
}

// One run of one engine: the progress window in front, the main window disabled, the engine made
// by `make`, set up and run by `go`, then the window enabled and the outcome reported.
void frmMain::RunEngine(std::shared_ptr<TralexEngine>& slot,
                        const std::function<std::shared_ptr<TralexEngine>()>& make,
                        const std::function<void()>& go)
{
    Msg_Waiting& waiting = Msg_Waiting::instance();
    waiting.setPreForm(this);
    waiting.setMessage1(deleting() ? QStringLiteral("ただいま、検索削除中です")
                                   : QStringLiteral("ただいま、検索置換中です"));
    waiting.setMessage2(QStringLiteral("しばらくお待ちください..."));
    waiting.Show();
    EnableForm(this, false);
    mblnRunning = true;
    mstrProgress.clear();
    mProgressShown.invalidate();

    slot = make();
    TralexEngine* engine = slot.get();
    connect(engine, &TralexEngine::ExecutionMessage, this,
            [this, engine](const QString& vstrMsg) { ExecutionMessage(*engine, vstrMsg); });
    configureEngine(*engine);
    go();

    mblnRunning = false;
    EnableForm(this, true);
    waiting.Unload();
    const std::shared_ptr<TralexEngine> finished = slot;
    ReportOutcome(finished);
    ReleaseEngines();
    if (mblnCloseAfterRun)
        close();
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
}

// Relays STOP to the engine and shows where it is. Pending events run once, so that the label
// repaints and a press of STOP is seen; the flag is read again afterwards so that a STOP pressed
// just now stops the engine before its next file. The label takes a new text at most every
// ProgressIntervalMs: nobody reads faster, and laying out and painting it for every file would
// make a run of many small files markedly slower than the engine alone.
void frmMain::ExecutionMessage(TralexEngine& engine, const QString& vstrMsg)
{
    const Msg_Waiting& waiting = Msg_Waiting::instance();
    if (waiting.StopFlag())
        engine.setStopFlag(true);
    mstrProgress = vstrMsg;
    if (!mProgressShown.isValid() || mProgressShown.elapsed() >= ProgressIntervalMs) {
        lblTarget->setText(vstrMsg);
        mProgressShown.start();
    }
    QCoreApplication::processEvents();
    if (waiting.StopFlag() || mblnCloseAfterRun)
        engine.setStopFlag(true);
}

// The outcome in the warning window, then the result list when there is something in it. Files
// the engine left unchanged for a reason are counted in the message and listed apart in the
// result list.
void frmMain::ReportOutcome(const std::shared_ptr<TralexEngine>& engine)
{
    const Outcome outcome = outcomeOf(*engine);
    Msg_Warning& warning = Msg_Warning::instance();
    if (outcome.success)
        warning.setColor(RGB(0, 0, 128));
    warning.setMessage1(outcome.line1);
    warning.setMessage2(outcome.line2);
    warning.Show();
    lblTarget->clear();
    if (engine->CountResult() < 1 && engine->CountSkipped() < 1)
        return;
    frmResultList& list = frmResultList::instance();
    list.setResult(engine);
    list.Show();
}

void frmMain::ReleaseEngines()
{
    mobjSS_Text.reset();
    mobjSS_Excel.reset();
    mobjSS_Word.reset();
}

}  // namespace tralex
