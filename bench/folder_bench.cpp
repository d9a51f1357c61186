// Measures folder listing and subfolder collection on a generated tree.
// Usage: build/bench/folder_bench [files per folder] [folders per level] [levels]   (default 2000 6 3)
// The tree goes to a temporary folder and is removed afterwards.
#include "services/OrderedList.h"
#include "services/basPathSearch.h"
#include "services/clsFindFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace tralex;

namespace {

template <typename F>
double bestOf3(F&& run)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

void makeLevel(const QString& folder, int filesPerFolder, int foldersPerLevel, int levelsLeft, int& files,
               int& folders)
{
    for (int i = 0; i < filesPerFolder; ++i) {
        QFile f(folder + QStringLiteral("f%1.%2").arg(i).arg(i % 2 ? QStringLiteral("txt") : QStringLiteral("log")));
        f.open(QIODevice::WriteOnly);
        ++files;
    }
    if (levelsLeft == 0)
        return;
    for (int i = 0; i < foldersPerLevel; ++i) {
        const QString sub = folder + QStringLiteral("Sub%1/").arg(i);
        QDir().mkdir(sub);
        ++folders;
        makeLevel(sub, filesPerFolder / 4, foldersPerLevel, levelsLeft - 1, files, folders);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int filesPerFolder = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int foldersPerLevel = argc > 2 ? std::atoi(argv[2]) : 6;
    const int levels = argc > 3 ? std::atoi(argv[3]) : 3;

    QTemporaryDir tmp;
    const QString root = tmp.path() + QLatin1Char('/');
    int files = 0, folders = 1;
    makeLevel(root, filesPerFolder, foldersPerLevel, levels, files, folders);
    std::printf("tree: %d folders, %d files\n", folders, files);

    int matched = 0;
    const double listSeconds = bestOf3([&] {
        matched = 0;
        clsFindFile find;
        find.setFileMask(root + QStringLiteral("*.txt"));
        while (!find.NextFile().isEmpty())
            ++matched;
    });
    std::printf("clsFindFile *.txt on the top folder: %d names in %.4f s\n", matched, listSeconds);

    int collected = 0;
    const double subSeconds = bestOf3([&] {
        OrderedList list;
        list.Add(root);
        AddSubFolders(list);
        collected = list.Count();
    });
    std::printf("AddSubFolders over the tree: %d folders in %.4f s\n", collected, subSeconds);
    return 0;
}
