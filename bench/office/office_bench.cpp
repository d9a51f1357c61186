// Times the spreadsheet and document engines against the floor of loading and storing the same
// files through the same LibreOffice process, and the start-up of that process. A benchmark,
// never a test; bench/office_bench.sh runs it.
//
//   office_bench WORK_FOLDER SMALL_FILES BIG_FILES ROUNDS DENSE
//
// Each round works on fresh copies of the same files, the floor and the run in turns first, and
// the medians over the rounds are printed. The large files hold the find text in one paragraph
// or row of ten, or in every one when DENSE is 1: LibreOffice lays out again, and counts again,
// every paragraph a replacement touches, which no floor of loading and storing includes.
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
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

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

bool isBig(const QString& path)
{
    return QFileInfo(path).fileName().startsWith(QLatin1String("big"));
}

// The company name to replace in line `i` of a large file: in every line when dense, else in one
// line of ten (the others hold text of the same length without it).
QString company(int i, bool dense)
{
    return dense || i % 10 == 0 ? QStringLiteral("株式会社アルファ") : QStringLiteral("株式会社ガンマー");
}

// One small file, copied `small` times, and `big` large ones (about 2 MB each).
void makeFiles(OfficeApplication& office, const QString& folder, const QString& type, int small, int big,
               bool dense)
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
            book.SetCellText(0, row % 8, row, company(row, dense) + QStringLiteral(" 見積書 明細行 %1 ................").arg(row));
        document->StoreTo(bigPath, filterOf(type));
    } else {
        auto document = office.Create(OfficeApplication::Kind::Text);
        OfficeTextDocument text(*document);
        for (int i = 0; i < 20; ++i)
            text.AppendParagraph(QStringLiteral("株式会社アルファの報告書、第 %1 段落。").arg(i));
        document->StoreTo(first, filterOf(type));
        for (int i = 20; i < 3500; ++i)
            text.AppendParagraph((company(i, dense) + QStringLiteral("の報告書、第 %1 段落。").arg(i)).repeated(12));
        document->StoreTo(bigPath, filterOf(type));
    }
    if (small == 0)
        QFile::remove(first);
    for (int i = 1; i < small; ++i)
        QFile::copy(first, folder + QStringLiteral("/f%1.").arg(i, 4, 10, QLatin1Char('0')) + type);
    for (int i = 1; i < big; ++i)
        QFile::copy(bigPath, folder + QStringLiteral("/big%1.").arg(i) + type);
    if (big == 0)
        QFile::remove(bigPath);
}

// Seconds spent on the small and on the large files.
struct Split {
    double small = 0;
    double big = 0;
    double total() const { return small + big; }
    void add(const QString& path, double seconds) { (isBig(path) ? big : small) += seconds; }
};

// The floor: open, store and close every file in one process, nothing else.
Split loadAndStore(const QString& folder, const QString& type)
{
    OfficeApplication office;
    office.Start();
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.") + type}, QDir::Files, QDir::Name);
    const QString stored = office.WorkFolder(QStringLiteral("out")) + QStringLiteral("/floor.") + type;
    Split split;
    QElapsedTimer clock;
    for (const QString& name : names) {
        clock.start();
        auto document = office.Open(folder + QLatin1Char('/') + name);
        document->StoreTo(stored, document->FilterName());
        document->Close();
        split.add(name, clock.nsecsElapsed() / 1e9);
    }
    return split;
}

struct RunResult {
    Split time;
    int changed = 0;
    long peakKb = 0;
};

// A whole run of the engine on the folder; each file is charged the time until the next one starts.
template <typename Engine>
RunResult runEngine(const QString& folder, const QString& type)
{
    Engine engine;
    engine.AddTarget(QStringLiteral("アルファ"), QStringLiteral("ベータ"));
    engine.setTargetPath(folder);
    engine.setTargetType(type);
    RunResult result;
    QElapsedTimer clock;
    QString current;
    auto charge = [&] {
        if (!current.isEmpty())
            result.time.add(current, clock.nsecsElapsed() / 1e9);
        clock.start();
        result.peakKb = std::max(result.peakKb, peakMemory(engine.Application().ProcessId()));
    };
    QObject::connect(&engine, &TralexEngine::ExecutionMessage, [&](const QString& path) {
        charge();
        current = path;
    });
    engine.Application().Start();  // paid once, measured apart
    clock.start();
    engine.TralexGo();
    charge();
    result.changed = engine.CountResult();
    return result;
}

void copyFolder(const QString& from, const QString& to)
{
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), to});
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), from, to});
    QProcess::execute(QStringLiteral("sync"), {});
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

using Part = double (*)(const Split&);
double smallPart(const Split& s) { return s.small; }
double bigPart(const Split& s) { return s.big; }
double totalPart(const Split& s) { return s.total(); }

double medianOf(const std::vector<Split>& splits, Part part)
{
    std::vector<double> values;
    for (const Split& s : splits)
        values.push_back(part(s));
    return median(values);
}

struct Measured {
    std::vector<Split> runs, floors;
    int changed = 0;
    long peakKb = 0;
    qint64 bigBytes = 0;

    double runMedian(Part part) const { return medianOf(runs, part); }
    double floorMedian(Part part) const { return medianOf(floors, part); }
    double ratio(Part part) const { return runMedian(part) / floorMedian(part); }
};

template <typename Engine>
Measured measure(const QString& work, const QString& type, int small, int big, int rounds, bool dense)
{
    Measured m;
    const QString source = work + QStringLiteral("/source-") + type;
    {
        OfficeApplication office;
        makeFiles(office, source, type, small, big, dense);
    }
    m.bigBytes = QFileInfo(source + QStringLiteral("/big0.") + type).size();
    const QString folder = work + QLatin1Char('/') + type;
    for (int round = 0; round < rounds; ++round) {
        // the floor and the run take turns at going first
        for (int step = 0; step < 2; ++step) {
            copyFolder(source, folder);
            if ((step + round) % 2 == 0) {
                m.floors.push_back(loadAndStore(folder, type));
            } else {
                const RunResult r = runEngine<Engine>(folder, type);
                m.runs.push_back(r.time);
                m.changed = r.changed;
                m.peakKb = std::max(m.peakKb, r.peakKb);
            }
        }
    }
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), folder, source});
    return m;
}

void print(const char* name, const Measured& m, int small, int big)
{
    const int files = small + big;
    const double run = m.runMedian(totalPart), floor = m.floorMedian(totalPart);
    std::printf("%s: %d files (%d of %.1f MB), %d changed; run %.2f s (%.3f s per file), floor %.2f s "
                "(%.3f s per file); soffice peak %ld MB\n",
                name, files, big, m.bigBytes / 1e6, m.changed, run, run / files, floor, floor / files,
                m.peakKb / 1024);
    if (small > 0)
        std::printf("  small files: run %.3f s, floor %.3f s per file, ratio %.2f\n", m.runMedian(smallPart) / small,
                    m.floorMedian(smallPart) / small, m.ratio(smallPart));
    if (big > 0)
        std::printf("  large files: run %.2f s, floor %.2f s per file, ratio %.2f\n", m.runMedian(bigPart) / big,
                    m.floorMedian(bigPart) / big, m.ratio(bigPart));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 6) {
        std::fprintf(stderr, "usage: office_bench WORK_FOLDER SMALL_FILES BIG_FILES ROUNDS DENSE\n");
        return 2;
    }
    const QString work = QString::fromLocal8Bit(argv[1]);
    const int small = atoi(argv[2]);
    const int big = atoi(argv[3]);
    const int rounds = std::max(1, atoi(argv[4]));
    const bool dense = atoi(argv[5]) != 0;

    std::vector<double> startups;
    for (int i = 0; i < rounds; ++i) {
        OfficeApplication probe;
        QElapsedTimer clock;
        clock.start();
        probe.Start();
        startups.push_back(clock.elapsed() / 1000.0);
    }
    std::printf("soffice start-up: %.2f s (median of %d); %d rounds, large files %s\n", median(startups), rounds,
                rounds, dense ? "matching in every line" : "matching in one line of ten");
    std::fflush(stdout);

    const Measured xls = measure<clsExcelControl>(work, QStringLiteral("xls"), small, big, rounds, dense);
    print("xls", xls, small, big);
    const Measured doc = measure<clsWordControl>(work, QStringLiteral("doc"), small, big, rounds, dense);
    print("doc", doc, small, big);
    std::printf("ratio xls/floor: %.2f, doc/floor: %.2f\n", xls.ratio(totalPart), doc.ratio(totalPart));
    return 0;
}
