#include "cli/CliRun.h"

#include "cli/CliProgress.h"
#include "cli/CliReport.h"
#include "cli/StopOnSignal.h"
#include "engines/TralexEngine.h"
#include "platform/ProgramError.h"
#include "run/RunFailure.h"

#include <cstdio>

namespace tralex {

int CliRun::Run()
{
    const RunRequest& request = mOptions.request;
    CliReport report(mOptions.json, request.action);
    CliProgress progress;
    int signal = 0;
    const QString failure = FailureOf([&] {
        request.Check(QStringLiteral("tralex-cli"));
        const std::shared_ptr<TralexEngine> engine = request.MakeEngine();
        request.Configure(*engine);
        // Every file is reported, so that each is counted; the run goes on this thread, so the
        // results it listed so far are read here too.
        engine->setProgressInterval(0);
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
