// tralex-cli: the command line of Tralex, for terminals and scripts (CliOptions.h lists the
// arguments). It runs the engines of the main window with its checks and messages.
#include "TralexVersion.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "run/RunFailure.h"

#include <QCoreApplication>

#include <cstdio>

using namespace tralex;

namespace {

void printTo(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CliOptions options;
    QString usage;
    const QString failure = FailureOf([&] {
        try {
            options = CliOptions::Parse(app.arguments().mid(1));
        } catch (const UsageError& error) {
            usage = error.message();
        }
    });
    if (!usage.isEmpty() || !failure.isEmpty()) {
        printTo(stderr, QStringLiteral("tralex-cli: %1\n").arg(usage.isEmpty() ? failure : usage));
        printTo(stderr, CliOptions::EnglishLocale() ? QStringLiteral("See tralex-cli --help.\n")
                                                    : QStringLiteral("tralex-cli --help で使い方を表示します。\n"));
        return CliRun::Failure;
    }
    switch (options.mode) {
    case CliOptions::Mode::Help: printTo(stdout, CliOptions::HelpText(CliOptions::EnglishLocale())); return 0;
    case CliOptions::Mode::Version:
        printTo(stdout, QStringLiteral("tralex-cli %1\n").arg(AppVersion()));
        return 0;
    case CliOptions::Mode::Run:
    case CliOptions::Mode::Undo:
    case CliOptions::Mode::History: break;  // CliRun tells these apart
    }
    return CliRun(options).Run();
}
