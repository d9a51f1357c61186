// Runs the text engine over a folder without a window, for benchmarks and for trying the engine
// from a shell.
//
//   tralex_bench [--subfolders] [--ignore-case] [--retry] [--backup DIR] [--sync]
//                [--journal DIR] [--pairs FILE] [--preview | --preview-then-all]
//                [--renewal-thread]
//                TYPE FOLDER [FIND REPLACE ...]
//       Replaces in every FOLDER/*.TYPE (with --subfolders, in all subfolders too) with the pairs
//       given as arguments and/or in FILE (one pair per line: find, a tab, replace), in that order.
//       Prints the number of changed and skipped files, the skipped files with their reasons on
//       standard error, and the time the run took.
//   tralex_bench --replace-text [MB] [MATCHES]
//       Times one pair on a text of MB megabytes (default 10) holding MATCHES occurrences
//       (default 100000), without and with the upper-case option.
//
// The type file of the run is written to a temporary settings folder, so the benchmark leaves no
// file behind and accepts any TYPE.
#include "BenchSettings.h"
#include "engines/ReplaceText.h"
#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"
#include "platform/ProgramError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

using namespace tralex;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: tralex_bench [--subfolders] [--ignore-case] [--retry] [--backup DIR]\n"
                 "                    [--sync] [--journal DIR] [--pairs FILE] [--preview | --preview-then-all]\n"
                 "                    [--renewal-thread]\n"
                 "                    TYPE FOLDER [FIND REPLACE ...]\n"
                 "       tralex_bench --replace-text [MB] [MATCHES]\n");
    return 2;
}

int replaceTextBench(const QStringList& args)
{
    const qsizetype megabytes = args.value(0, QStringLiteral("10")).toLongLong();
    const qsizetype matches = args.value(1, QStringLiteral("100000")).toLongLong();
    const qsizetype chars = megabytes * 1000 * 1000 / 2;  // UTF-16: two bytes per unit
    if (megabytes <= 0 || matches <= 0 || chars / matches < 8)
        return usage();
    // Japanese text with some ASCII, an occurrence of the find text at even steps.
    const QString filler = QStringLiteral("日本語のテキストと ASCII text, ");
    QString text;
    text.reserve(chars);
    const qsizetype step = chars / matches;
    for (qsizetype i = 0; i < matches; ++i) {
        text += QStringLiteral("tralexkey");
        while (text.size() < (i + 1) * step)
            text += filler;
        text.truncate((i + 1) * step);
    }
    std::printf("text: %lld units (%.1f MB as UTF-16), %lld occurrences\n",
                static_cast<long long>(text.size()), text.size() * 2 / 1e6,
                static_cast<long long>(matches));
    for (const bool ucase : {false, true}) {
        QString work = text;
        QElapsedTimer timer;
        timer.start();
        const qint64 n = ReplaceText(work, u"tralexkey", u"replaced-text", false, ucase);
        std::printf("ReplaceText %s: %lld replacements in %.3f s\n",
                    ucase ? "ignoring case" : "exact case", static_cast<long long>(n),
                    timer.nsecsElapsed() / 1e9);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QStringLiteral("--replace-text"))
        return replaceTextBench(args.mid(1));

    bool subFolders = false, ignoreCase = false, retry = false, sync = false;
    bool preview = false, thenAll = false, renewalThread = false;
    QString backUp, pairsFile, journal;
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString option = args.takeFirst();
        if (option == QStringLiteral("--subfolders"))
            subFolders = true;
        else if (option == QStringLiteral("--ignore-case"))
            ignoreCase = true;
        else if (option == QStringLiteral("--retry"))
            retry = true;
        else if (option == QStringLiteral("--sync"))
            sync = true;  // flush every new file before it takes the old name
        else if (option == QStringLiteral("--backup") && !args.isEmpty())
            backUp = args.takeFirst();
        else if (option == QStringLiteral("--pairs") && !args.isEmpty())
            pairsFile = args.takeFirst();
        else if (option == QStringLiteral("--journal") && !args.isEmpty())
            journal = args.takeFirst();  // keep a run journal there, as the window does
        else if (option == QStringLiteral("--renewal-thread"))
            renewalThread = true;  // each renewal overlaps the next file's work
        else if (option == QStringLiteral("--preview"))
            preview = true;  // write nothing, as the preview window's run
        else if (option == QStringLiteral("--preview-then-all"))
            preview = thenAll = true;  // then replace every file it found, as chosen from it
        else
            return usage();
    }
    if (args.size() < 2 || args.size() % 2 != 0)
        return usage();
    const QString type = args.takeFirst();
    const QString folder = args.takeFirst();

    QTemporaryDir settings;
    if (!bench::UseTemporarySettings(settings, type))
        return 1;

    try {
        auto renewal = std::make_unique<FileRenewal>();
        renewal->setSyncData(sync);
        clsTextTralex engine;
        engine.setFileRenewal(std::move(renewal));
        if (!backUp.isEmpty())
            engine.setBackUpPath(backUp);
        engine.setJournalFolder(journal);
        engine.setTargetPath(folder);
        engine.setTargetType(type);
        engine.setRetryOption(retry);
        engine.setUcaseOption(ignoreCase);
        engine.setSubFolder(subFolders);
        for (qsizetype i = 0; i + 1 < args.size(); i += 2)
            engine.AddTarget(args[i], args[i + 1]);
        if (!pairsFile.isEmpty()) {
            QFile file(pairsFile);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(pairsFile));
                return 1;
            }
            for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
                const qsizetype tab = line.indexOf(QLatin1Char('\t'));
                if (tab > 0)
                    engine.AddTarget(line.left(tab), line.mid(tab + 1).remove(QLatin1Char('\r')));
            }
        }
        QElapsedTimer timer;
        timer.start();
        engine.setPreview(preview);
        engine.setRenewalThread(renewalThread);
        engine.TralexGo();
        double previewSeconds = 0;
        if (thenAll) {
            previewSeconds = timer.nsecsElapsed() / 1e9;
            // The files the preview found, handed over as the preview window hands the ticked ones.
            const QList<FileReport> chosen = engine.Result().files;
            engine.RemoveFileAll();
            engine.setPreview(false);
            engine.setListedFiles(chosen);
            engine.TralexGo();
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        for (const QString& entry : engine.ItemSkipped()->items())
            std::fprintf(stderr, "skipped: %s\n", qPrintable(entry));
        if (thenAll)
            std::printf("preview %.3f s, chosen %.3f s, ", previewSeconds, seconds - previewSeconds);
        std::printf("changed %d, skipped %d, %.3f s\n", engine.CountResult(),
                    engine.CountSkipped(), seconds);
    } catch (const ProgramError& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(e.source()), qPrintable(e.description()));
        return 1;
    }
    return 0;
}
