#include "services/basListFile.h"

#include "platform/CodePage.h"
#include "platform/ProgramError.h"
#include "services/basMake.h"

#include <QFile>
#include <QFileInfo>

namespace tralex {

namespace {

const QChar UnitSep(31);
const QChar RecordSep(30);
const QString CrLf = QStringLiteral("\r\n");

[[noreturn]] void failRead(const QString& description)
{
    throw ProgramError(QStringLiteral("ReadListFile"), description);
}

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        failRead(QStringLiteral("リストファイル「%1」を開けませんでした").arg(path));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        failRead(QStringLiteral("リストファイル「%1」を読み込めませんでした").arg(path));
    return bytes;
}

// The text as the Windows program read it, line by line: a line ends at CR LF or at a lone CR,
// and every line is joined back with CR LF. A lone LF stays inside its line.
QString joinLines(const QString& text)
{
    QString joined;
    joined.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r')) {
            joined += c;
            continue;
        }
        joined += CrLf;
        if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
    }
    if (!joined.isEmpty() && !joined.endsWith(CrLf))
        joined += CrLf;
    return joined;
}

bool isBlankFind(const QString& find)
{
    for (const QChar c : find) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

}  // namespace

QList<ListPair> ReadListFile(const QString& vstrPath)
{
    const QByteArray bytes = readWhole(vstrPath);
    // A NUL byte never stands in a list file: such a file is damaged or not a list at all.
    const std::optional<QString> text = LooksBinary(bytes) ? std::nullopt : DecodeOwnFile(bytes);
    if (!text)
        failRead(QStringLiteral("リストファイル「%1」は壊れているか、読み取れない文字コードです").arg(vstrPath));

    QList<ListPair> pairs;
    const QStringList records = joinLines(*text).split(RecordSep);
    // What follows the last record separator (normally the final CR LF) is no record.
    for (qsizetype i = 0; i + 1 < records.size(); ++i) {
        const PairTexts pair = SplitPairEntry(records.at(i), QString(UnitSep));
        if (!isBlankFind(pair.find))
            pairs.append({pair.find, pair.replace});
    }
    return pairs;
}

void WriteListFile(const QString& vstrPath, const QStringList& entries)
{
    QString text;
    for (const QString& entry : entries)
        text += entry + RecordSep;
    WriteTextFile(vstrPath, text);
}

bool IsStorableListText(const QString& text)
{
    return !text.contains(UnitSep) && !text.contains(RecordSep);
}

}  // namespace tralex
