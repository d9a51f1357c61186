// Builds the benchmark corpus: Japanese text files in nested folders, half of them in
// Windows-31J and half in UTF-8, with CR LF or LF line ends, about half of them holding the
// find texts of the benchmark pairs ("tralexkey001" to "tralexkey100").
//
//   make_corpus tree FOLDER [FILES] [TOTAL_MB] [SEED]   a folder tree (defaults 2000, 100, 1)
//   make_corpus single FILE [MB] [SEED]                 one large Windows-31J file (default 512)
#include <unicode/ucnv.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

// Words the text is made of: plain kanji and kana (表 and ソ end in the byte 5C in Windows-31J),
// Windows-31J extras, and ASCII identifiers as in source code.
const QStringList kJapanese = {
    QStringLiteral("置換"), QStringLiteral("表示"), QStringLiteral("ソース"), QStringLiteral("データ"),
    QStringLiteral("ファイル"), QStringLiteral("文字列"), QStringLiteral("設定"), QStringLiteral("です。"),
    QStringLiteral("①②③"), QStringLiteral("～"), QStringLiteral("能力"), QStringLiteral("予定表"),
    QStringLiteral("、"), QStringLiteral("株式会社"), QStringLiteral("構造"), QStringLiteral("（注）"),
};
const QStringList kAscii = {
    QStringLiteral("int"), QStringLiteral("value"), QStringLiteral("return"), QStringLiteral("="),
    QStringLiteral("static"), QStringLiteral("buffer"), QStringLiteral("index"), QStringLiteral(";"),
    QStringLiteral("<td>"), QStringLiteral("</td>"), QStringLiteral("count"), QStringLiteral("2026"),
};

QString findText(int key) { return QStringLiteral("tralexkey%1").arg(key, 3, 10, QLatin1Char('0')); }

QByteArray toWindows31J(const QString& text)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open("windows-31j", &status);
    QByteArray out(text.size() * 2 + 16, '\0');
    const int32_t n = ucnv_fromUChars(conv, out.data(), int32_t(out.size()),
                                      reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &status);
    ucnv_close(conv);
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "encoding failed: %s\n", u_errorName(status));
        std::exit(1);
    }
    out.truncate(n);
    return out;
}

// About targetBytes of text; when withKeys, find texts are sprinkled in (key 1 most often).
QString makeText(QRandomGenerator& rng, qint64 targetBytes, bool withKeys, const QString& lineEnd)
{
    QString text;
    text.reserve(targetBytes);
    qint64 bytes = 0;
    while (bytes < targetBytes) {
        QString line;
        const int words = 4 + int(rng.bounded(12));
        for (int w = 0; w < words; ++w) {
            const int pick = int(rng.bounded(100));
            if (withKeys && pick < 3) {
                const int key = rng.bounded(4) == 0 ? 1 : 1 + int(rng.bounded(100));
                line += findText(key);
            } else if (pick < 55) {
                line += kJapanese.at(int(rng.bounded(kJapanese.size())));
            } else {
                line += kAscii.at(int(rng.bounded(kAscii.size())));
                line += QLatin1Char(' ');
            }
        }
        line += lineEnd;
        for (QChar c : line)  // on disk: one byte for ASCII, two (Windows-31J) or three (UTF-8) else
            bytes += c.unicode() < 0x80 ? 1 : 2;
        text += line;
    }
    return text;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

int makeTree(const QString& root, int files, qint64 totalMb, quint32 seed)
{
    QRandomGenerator rng(seed);
    const qint64 average = totalMb * 1024 * 1024 / files;
    for (int i = 0; i < files; ++i) {
        // Folders three levels deep: d0..d9 / e0..e4 / f0..f3, files spread over all levels.
        QString folder = root + QStringLiteral("/d%1").arg(i % 10);
        if (i % 3 > 0)
            folder += QStringLiteral("/e%1").arg((i / 10) % 5);
        if (i % 3 > 1)
            folder += QStringLiteral("/f%1").arg((i / 50) % 4);
        QDir().mkpath(folder);
        const qint64 size = average / 2 + qint64(rng.bounded(quint32(average)));
        const bool withKeys = i % 2 == 0;
        const bool cp932 = (i / 2) % 2 == 0;
        const QString lineEnd = i % 5 == 0 ? QStringLiteral("\n") : QStringLiteral("\r\n");
        const QString text = makeText(rng, size, withKeys, lineEnd);
        writeFile(folder + QStringLiteral("/file%1.txt").arg(i, 5, 10, QLatin1Char('0')),
                  cp932 ? toWindows31J(text) : text.toUtf8());
    }
    return 0;
}

int makeSingle(const QString& path, qint64 mb, quint32 seed)
{
    QRandomGenerator rng(seed);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    const qint64 target = mb * 1024 * 1024;
    // Whole lines only: the last chunk is cut after its last line break that fits, never inside a
    // character (a file cut there is not Windows-31J text, and every tool would skip it).
    for (;;) {
        const QByteArray chunk = toWindows31J(makeText(rng, 4 * 1024 * 1024, true, QStringLiteral("\r\n")));
        if (f.size() + chunk.size() <= target) {
            f.write(chunk);
            continue;
        }
        const qint64 room = target - f.size();
        const qsizetype fits = room > 0 ? chunk.lastIndexOf('\n', qsizetype(room) - 1) + 1 : 0;
        f.write(chunk.left(fits));
        break;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const QStringList args = [&] {
        QStringList a;
        for (int i = 1; i < argc; ++i)
            a << QString::fromLocal8Bit(argv[i]);
        return a;
    }();
    if (args.size() >= 2 && args[0] == QLatin1String("tree"))
        return makeTree(args[1], args.value(2, QStringLiteral("2000")).toInt(),
                        args.value(3, QStringLiteral("100")).toLongLong(), args.value(4, QStringLiteral("1")).toUInt());
    if (args.size() >= 2 && args[0] == QLatin1String("single"))
        return makeSingle(args[1], args.value(2, QStringLiteral("512")).toLongLong(), args.value(3, QStringLiteral("1")).toUInt());
    std::fprintf(stderr, "usage: make_corpus tree FOLDER [FILES] [TOTAL_MB] [SEED]\n"
                         "       make_corpus single FILE [MB] [SEED]\n");
    return 2;
}
