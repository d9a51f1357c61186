// Times the spreadsheet and document engines against the floor of loading and storing the same
// files through the same LibreOffice process, and the start-up of that process. A benchmark,
// never a test; bench/office_bench.sh runs it.
//
//   office_bench WORK_FOLDER SMALL_FILES BIG_FILES
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "platform/office/OfficeApplication.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeTextDocument.h"
#include "platform/office/OfficeWorkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

using namespace tralex;

namespace {

// Peak resident memory of a process in kB (VmHWM), 0 when it is gone.
long peakMemory(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

QString filterOf(const QString& type)
{
    return type == QLatin1String("xls") ? QStringLiteral("MS Excel 97") : QStringLiteral("MS Word 97");
}

// One small file, copied `small` times, and `big` large ones (about 2 MB each).
void makeFiles(OfficeApplication& office, const QString& folder, const QString& type, int small, int big)
{
    QDir().mkpath(folder);
    const QString first = folder + QStringLiteral("/f0000.") + type;
    const QString bigPath = folder + QStringLiteral("/big0.") + type;
    if (type == QLatin1String("xls")) {
        auto document = office.Create(OfficeApplication::Kind::Spreadsheet);
        OfficeWorkbook book(*document);
        for (int row = 0; row < 20; ++row)
            book.SetCellText(0, 0, row, QStringLiteral("株式会社アルファ 見積 %1").arg(row));
        document->StoreTo(first, filterOf(type));
        for (int row = 20; row < 17000; ++row)
            book.SetCellText(0, row % 8, row, QStringLiteral("株式会社アルファ 見積書 明細行 %1 ................").arg(row));
        document->StoreTo(bigPath, filterOf(type));
    } else {
        auto document = office.Create(OfficeApplication::Kind::Text);
        OfficeTextDocument text(*document);
        for (int i = 0; i < 20; ++i)
            text.AppendParagraph(QStringLiteral("株式会社アルファの報告書、第 %1 段落。").arg(i));
        document->StoreTo(first, filterOf(type));
        for (int i = 20; i < 3500; ++i)
            text.AppendParagraph(QStringLiteral("株式会社アルファの報告書、第 %1 段落。").arg(i).repeated(12));
        document->StoreTo(bigPath, filterOf(type));
    }
    for (int i = 1; i < small; ++i)
        QFile::copy(first, folder + QStringLiteral("/f%1.").arg(i, 4, 10, QLatin1Char('0')) + type);
    for (int i = 1; i < big; ++i)
        QFile::copy(bigPath, folder + QStringLiteral("/big%1.").arg(i) + type);
    if (big == 0)
        QFile::remove(bigPath);
}

struct Timing {
    double run = 0;
    double floor = 0;
    int files = 0;
    long peakKb = 0;
    qint64 bigBytes = 0;  // the size of one large file
};

// The floor: open, store and close every file in one process, nothing else.
double loadAndStore(OfficeApplication& office, const QString& folder, const QString& type)
{
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.") + type}, QDir::Files, QDir::Name);
    const QString stored = office.WorkFolder() + QStringLiteral("/floor.") + type;
    QElapsedTimer clock;
    clock.start();
    for (const QString& name : names) {
        auto document = office.Open(folder + QLatin1Char('/') + name);
        document->StoreTo(stored, document->FilterName());
        document->Close();
    }
    return clock.elapsed() / 1000.0;
}

Timing measure(OfficeEngine& engine, const QString& folder, const QString& type, int small, int big)
{
    Timing t;
    makeFiles(engine.Application(), folder, type, small, big);
    engine.Application().Quit();
    t.bigBytes = QFileInfo(folder + QStringLiteral("/big0.") + type).size();
    OfficeApplication floorOffice;
    floorOffice.Start();
    t.floor = loadAndStore(floorOffice, folder, type);
    floorOffice.Quit();

    engine.AddTarget(QStringLiteral("アルファ"), QStringLiteral("ベータ"));
    engine.setTargetPath(folder);
    engine.setTargetType(type);
    QObject::connect(&engine, &TralexEngine::ExecutionMessage, [&](const QString&) {
        t.peakKb = std::max(t.peakKb, peakMemory(engine.Application().ProcessId()));
    });
    engine.Application().Start();  // paid once, measured apart
    QElapsedTimer clock;
    clock.start();
    engine.TralexGo();
    t.run = clock.elapsed() / 1000.0;
    t.files = engine.CountResult();
    return t;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: office_bench WORK_FOLDER SMALL_FILES BIG_FILES\n");
        return 2;
    }
    const QString work = QString::fromLocal8Bit(argv[1]);
    const int small = atoi(argv[2]);
    const int big = atoi(argv[3]);

    OfficeApplication probe;
    QElapsedTimer clock;
    clock.start();
    probe.Start();
    const double startup = clock.elapsed() / 1000.0;
    probe.Quit();
    std::printf("soffice start-up: %.2f s\n", startup);

    clsExcelControl excel;
    const Timing xls = measure(excel, work + QStringLiteral("/xls"), QStringLiteral("xls"), small, big);
    clsWordControl word;
    const Timing doc = measure(word, work + QStringLiteral("/doc"), QStringLiteral("doc"), small, big);
    for (const auto& [name, t] : {std::pair{"xls", xls}, std::pair{"doc", doc}}) {
        const int files = small + big;
        std::printf("%s: %d files (%d of %.1f MB), %d changed; run %.2f s (%.3f s per file), floor %.2f s "
                    "(%.3f s per file); soffice peak %ld MB\n",
                    name, files, big, t.bigBytes / 1e6, t.files, t.run, t.run / files, t.floor, t.floor / files,
                    t.peakKb / 1024);
    }
    std::printf("ratio xls/floor: %.2f, doc/floor: %.2f\n", xls.run / xls.floor, doc.run / doc.floor);
    return 0;
}
