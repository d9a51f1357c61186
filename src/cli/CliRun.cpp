#include "cli/CliRun.h"

#include "cli/CliProgress.h"
#include "cli/CliReport.h"
#include "cli/StopOnSignal.h"
#include "engines/RunUndo.h"
#include "engines/TralexEngine.h"
#include "platform/ProgramError.h"
#include "run/RunFailure.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace tralex {

int CliRun::Run()
{
    const RunRequest& request = mOptions.request;
    switch (mOptions.mode) {
    case CliOptions::Mode::History: return printHistory();
    case CliOptions::Mode::Undo:
        return runEngine([this]() -> std::shared_ptr<TralexEngine> {
            const QString journals = RunJournal::DefaultFolder();
            QString id = mOptions.undoId;
            if (id.isEmpty()) {
                for (const JournalRun& run : RunJournal::History(journals)) {
                    if (run.undoes.isEmpty() && !run.undone) {
                        id = run.id;
                        break;
                    }
                }
                if (id.isEmpty())
                    throw ProgramError(QStringLiteral("tralex-cli"), QStringLiteral("元に戻せる実行はありません"));
            }
            return std::make_shared<RunUndo>(journals, id);
        });
    default: break;
    }
    return runEngine([&request] {
        request.Check(QStringLiteral("tralex-cli"));
        const std::shared_ptr<TralexEngine> engine = request.MakeEngine();
        request.Configure(*engine);
        return engine;
    });
}

int CliRun::printHistory()
{
    for (const JournalRun& run : RunJournal::History(RunJournal::DefaultFolder())) {
        const QString state = run.undone ? QStringLiteral("undone") : !run.undoes.isEmpty() ? QStringLiteral("undo") : QString();
        QByteArray line;
        if (mOptions.json) {
            QJsonArray pairs;
            for (const auto& [find, replace] : run.pairs)
                pairs.append(QJsonArray{find, replace});
            line = QJsonDocument(QJsonObject{{QStringLiteral("id"), run.id},
                                             {QStringLiteral("started"), run.started.toString(Qt::ISODate)},
                                             {QStringLiteral("folder"), run.folder},
                                             {QStringLiteral("type"), run.type},
                                             {QStringLiteral("files"), run.files.size()},
                                             {QStringLiteral("pairs"), pairs},
                                             {QStringLiteral("state"), state}})
                       .toJson(QJsonDocument::Compact);
        } else {
            line = QStringList{run.id, run.started.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")), run.folder, run.type,
                               QString::number(run.files.size()), state}
                       .join(QLatin1Char('\t'))
                       .toUtf8();
        }
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return Success;
}

int CliRun::runEngine(const std::function<std::shared_ptr<TralexEngine>()>& make)
{
    const RunRequest& request = mOptions.request;
    CliReport report(mOptions.json, request.action, stdout, request.preview);
    CliProgress progress;
    int signal = 0;
    const QString failure = FailureOf([&] {
        const std::shared_ptr<TralexEngine> engine = make();
        // Every file is reported, so that each is counted; the run goes on this thread, so the
        // results it listed so far are read here too.
        engine->setProgressInterval(0);
        QObject::connect(engine.get(), &TralexEngine::ExecutionCount,
                         [&](qint64 done, qint64 found) { progress.Count(done, found); });
        QObject::connect(engine.get(), &TralexEngine::ExecutionMessage, [&](const QString& text) {
            progress.Clear();
            report.PrintNew(*engine);
            progress.Report(text);
        });
        StopOnSignal stop([raw = engine.get()] { raw->setStopFlag(true); });
        const QString runFailure = FailureOf([&] {
            if (request.action == RunRequest::Action::DeleteBackUps)
                engine->KillBackUpFile();
            else
                engine->TralexGo();
        });
        signal = stop.Signal();
        progress.Clear();
        // A run that failed midway still shows what it did before.
        report.PrintNew(*engine);
        if (!runFailure.isEmpty())
            throw ProgramError(engine->ClassName(), runFailure);
    });
    if (!failure.isEmpty()) {
        report.PrintError(failure);
        std::fprintf(stderr, "tralex-cli: %s\n", failure.toUtf8().constData());
    }
    report.PrintSummary(signal != 0, !failure.isEmpty());
    std::fflush(stdout);
    if (!failure.isEmpty())
        return Failure;
    if (signal != 0)
        return 128 + signal;
    return report.Skipped() > 0 ? FilesSkipped : Success;
}

}  // namespace tralex
