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

// Blanks and line breaks only: what a hand-edited file may hold between records, never a pair.
// (A tab is not among them: a lone tab before character 30 may be a find text that lost its
// separators, and is refused as such.)
bool isFiller(QStringView text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            return false;
    }
    return true;
}

// The line a text editor shows for a position of the joined text (where every line break is
// CR LF or a lone LF).
qsizetype lineAt(const QString& joined, qsizetype position)
{
    return QStringView(joined).first(position).count(QLatin1Char('\n')) + 1;
}

// Refuses the whole list, naming the line where the record that cannot be loaded starts.
[[noreturn]] void failRecord(const QString& path, const QString& joined, qsizetype start,
                             const QString& record, const QString& why)
{
    qsizetype offset = 0;
    while (offset < record.size() && isFiller(QStringView(record).sliced(offset, 1)))
        ++offset;
    failRead(QStringLiteral("リストファイル「%1」の %2 行目の置換設定は、%3ため読み込めません。"
                            "置換リストは変更していません")
                 .arg(path)
                 .arg(lineAt(joined, start + offset))
                 .arg(why));
}

}  // namespace

QList<ListPair> ReadListFile(const QString& vstrPath)
{
    const QByteArray bytes = readWhole(vstrPath);
    // A NUL byte never stands in a list file: such a file is damaged or not a list at all.
    const std::optional<QString> text = LooksBinary(bytes) ? std::nullopt : DecodeOwnFile(bytes);
    if (!text)
        failRead(QStringLiteral("リストファイル「%1」は壊れているか、読み取れない文字コードです").arg(vstrPath));

    // Every record must hold a find text, the arrow field and a replace text, each ended by
    // character 31, and nothing after the replace text but that separator. A record that does
    // not would load as a different pair (a lost separator turns "find, replace" into "find ->
    // nothing", which deletes the find text everywhere), so the whole list is refused instead.
    QList<ListPair> pairs;
    const QString joined = joinLines(*text);
    const QStringList records = joined.split(RecordSep);
    qsizetype start = 0;
    for (qsizetype i = 0; i < records.size(); start += records.at(i).size() + 1, ++i) {
        QString record = records.at(i);
        if (i + 1 == records.size()) {
            // After the last separator comes the line break that ends the file. Anything else
            // there is a last record whose separator was lost: it counts like any other.
            if (record.endsWith(CrLf))
                record.chop(CrLf.size());
        }
        if (isFiller(record))
            continue;
        const QStringList fields = record.split(UnitSep);
        if (fields.size() < 3)
            failRecord(vstrPath, joined, start, record,
                       QStringLiteral("検索文字列と置換文字列の区切り（文字コード 31）が足りない"));
        for (qsizetype f = 3; f < fields.size(); ++f) {
            if (!isFiller(fields.at(f)))
                failRecord(vstrPath, joined, start, record,
                           QStringLiteral("置換文字列の後に余分な文字がある"));
        }
        if (!isBlankFind(fields.at(0)))
            pairs.append({fields.at(0), fields.at(2)});
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
