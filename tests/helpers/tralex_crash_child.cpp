// Child program of the crash test: runs the text engine over a folder and its subfolders with
// the test's two pairs, keeping a journal in SETTINGS_FOLDER/Journal/, so that the test can kill
// it at any moment. With --pair it runs one
// given pair instead and prints the files it changed, one per line, so that the test can run two
// of them at once on one folder.
//
//   tralex_crash_child SETTINGS_FOLDER TARGET_FOLDER [BACKUP_FOLDER]
//   tralex_crash_child SETTINGS_FOLDER TARGET_FOLDER --pair FIND REPLACE
#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"
#include "platform/ProgramError.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    tralex::OverrideSettingsFolder(args[1]);
    try {
        tralex::clsTextTralex engine;
        const bool givenPair = args.size() == 6 && args[3] == QStringLiteral("--pair");
        if (args.size() > 3 && !givenPair)
            engine.setBackUpPath(args[3]);
        // Every run keeps a journal, so that a killed one can be taken back.
        engine.setJournalFolder(args[1] + QStringLiteral("Journal/"));
        engine.setTargetPath(args[2]);
        engine.setTargetType(QStringLiteral("txt"));
        engine.setSubFolder(true);
        if (givenPair) {
            engine.AddTarget(args[4], args[5]);
        } else {
            engine.AddTarget(QStringLiteral("tralexkey"), QStringLiteral("置換済み"));
            engine.AddTarget(QStringLiteral("second"), QStringLiteral("2nd"));
        }
        engine.TralexGo();
        std::printf("%d %d\n", engine.CountResult(), engine.CountSkipped());
        if (givenPair) {
            for (const QString& path : engine.ItemResult()->items())
                std::printf("%s\n", qPrintable(path));
        }
    } catch (const tralex::ProgramError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
