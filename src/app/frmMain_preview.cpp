// The preview: the run the fields describe, on its thread behind the progress window like a run,
// but writing nothing; its files shown in frmPreview, where the user ticks the files to replace.
// Those are then replaced alone, without searching the folders again, and reported as after a
// run. The fields cannot change meanwhile (the preview window is modal), and the request of the
// preview is the one its follow-up runs use (with all lines, or replacing).
#include "app/frmMain.h"
#include "app/frmPreview.h"

#include <QLabel>

#include "dialogs/Msg_Warning.h"
#include "dialogs/basFormLayout.h"
#include "engines/TralexEngine.h"
#include "run/RunRequest.h"

namespace tralex {

namespace {

void warn(const QString& line1, const QString& line2)
{
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setMessage1(line1);
    warning.setMessage2(line2);
    warning.Show();
}

}  // namespace

void frmMain::cmdPreview_Click()
{
    runGuarded([this] { PreviewCommand(); });
}

void frmMain::PreviewCommand()
{
    // Deleting backups has nothing to preview.
    if (deleting())
        return;
    RunRequest request = runRequest();
    request.preview = true;
    request.Check(QStringLiteral("frmMain"));
    TralexEngine& engine = makeEngine(request);
    const RunEnd end = runShown(engine, QStringLiteral("ただいま、プレビューを作成中です"), false);
    if (!end.failure.isEmpty())
        showError(end.failure);
    if (mblnCloseAfterRun) {
        close();
        return;
    }
    lblTarget->clear();
    if (end.result.isEmpty()) {
        if (end.failure.isEmpty())
            warn(QString(), QStringLiteral("置換対象ファイルはありませんでした"));
        return;
    }
    ShowPreview(request, end);
}

void frmMain::ShowPreview(const RunRequest& request, const RunEnd& end)
{
    frmPreview preview(end.result, end.stopped);
    preview.setAllLines([this, &request, &preview](const FileReport& report) {
        std::optional<FileReport> all;
        runGuarded([&] { all = PreviewAllLines(request, report, &preview); });
        return all;
    });
    if (preview.exec() != QDialog::Accepted || preview.Chosen().isEmpty())
        return;
    ReplaceChosen(request, preview.Chosen());
}

std::optional<FileReport> frmMain::PreviewAllLines(const RunRequest& request, const FileReport& report, QWidget* over)
{
    RunRequest all = request;
    all.previewLines = -1;
    TralexEngine& engine = makeEngine(all);
    engine.setListedFiles({report});
    const RunEnd end = runShown(engine, QStringLiteral("ただいま、変更される行を調べています"), false, over);
    lblTarget->clear();
    if (!end.failure.isEmpty()) {
        showError(end.failure);
        return std::nullopt;
    }
    if (!end.result.files.isEmpty())
        return end.result.files.first();
    // The file was refused (changed since the preview, gone...): its reason follows its path.
    const QString skipped = end.result.skipped.value(0);
    const qsizetype tab = skipped.lastIndexOf(QLatin1Char('\t'));
    if (tab >= 0)
        warn(skipped.left(tab), skipped.mid(tab + 1));
    else
        warn(report.path, QStringLiteral("置換する箇所がなくなりました"));
    return std::nullopt;
}

void frmMain::ReplaceChosen(const RunRequest& request, const QList<FileReport>& chosen)
{
    RunRequest replace = request;
    replace.preview = false;
    TralexEngine& engine = makeEngine(replace);
    engine.setListedFiles(chosen);
    ReportRun(runShown(engine, QStringLiteral("ただいま、検索置換中です"), false));
}

}  // namespace tralex
