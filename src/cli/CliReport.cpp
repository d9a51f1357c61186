#include "cli/CliReport.h"

#include "engines/TralexEngine.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace tralex {

namespace {

struct PathAndNote {
    QString path;
    QString note;
};

// A result entry is the path with the engine's note behind it, " (UTF-8)" for example. The note
// is split off only when the path without it is the file and the whole entry is not.
PathAndNote splitNote(const QString& entry)
{
    static const QRegularExpression note(QStringLiteral(" \\(([^()]*)\\)$"));
    const QRegularExpressionMatch match = note.match(entry);
    if (match.hasMatch() && !QFileInfo::exists(entry)) {
        const QString path = entry.first(match.capturedStart());
        if (QFileInfo::exists(path))
            return {path, match.captured(1)};
    }
    return {entry, QString()};
}

}  // namespace

CliReport::CliReport(bool json, RunRequest::Action action, std::FILE* stream, bool preview)
    : mJson(json), mAction(action), mPreview(preview), mStream(stream)
{
}

void CliReport::PrintNew(TralexEngine& engine)
{
    while (mChanged < engine.CountResult())
        printChanged(engine.ItemResult()->Item(mChanged + 1), engine.ReportAt(mChanged));
    while (mSkipped < engine.CountSkipped())
        printSkipped(engine.ItemSkipped()->Item(mSkipped + 1));
}

void CliReport::printChanged(const QString& entry, const FileReport* report)
{
    ++mChanged;
    const bool deleted = mAction == RunRequest::Action::DeleteBackUps;
    const PathAndNote result = splitNote(entry);
    const QString kind = deleted ? QStringLiteral("deleted") : mPreview ? QStringLiteral("preview") : QStringLiteral("changed");
    QStringList fields{deleted ? QStringLiteral("削除") : mPreview ? QStringLiteral("変更予定") : QStringLiteral("変更"),
                       result.path};
    QJsonObject object{{QStringLiteral("type"), kind}, {QStringLiteral("path"), result.path}};
    if (!result.note.isEmpty()) {
        fields << result.note;
        object.insert(QStringLiteral("note"), result.note);
    }
    if (report && report->replacements >= 0) {
        fields << QStringLiteral("%1件").arg(report->replacements);
        object.insert(QStringLiteral("replacements"), report->replacements);
        if (!report->encoding.isEmpty())
            object.insert(QStringLiteral("encoding"), report->encoding);
        if (!report->backUp.isEmpty())
            object.insert(QStringLiteral("backup"), report->backUp);
    }
    if (report && mPreview && mJson) {
        QJsonArray lines;
        for (const ChangedLine& line : report->lines)
            lines.append(QJsonObject{{QStringLiteral("line"), line.beforeLine ? line.beforeLine : line.afterLine},
                                     {QStringLiteral("before"), line.before},
                                     {QStringLiteral("after"), line.after}});
        object.insert(QStringLiteral("lines"), lines);
        object.insert(QStringLiteral("changedLines"), report->changedLines);
    }
    printLine(fields, object);
    if (report && mPreview && !mJson)
        printLines(*report);
}

// Each changed line as "-" and "+" lines, as a unified difference shows them; the lines not
// shown are counted.
void CliReport::printLines(const FileReport& report)
{
    for (const ChangedLine& line : report.lines) {
        if (line.beforeLine > 0)
            printLine({QStringLiteral("-"), QString::number(line.beforeLine), line.before}, {});
        if (line.afterLine > 0)
            printLine({QStringLiteral("+"), QString::number(line.afterLine), line.after}, {});
    }
    if (report.changedLines > report.lines.size())
        printLine({QStringLiteral("…"), QStringLiteral("ほか%1行").arg(report.changedLines - report.lines.size())}, {});
}

// A skipped entry is the path, a tab and the reason; the reason holds no tab, a path may.
void CliReport::printSkipped(const QString& entry)
{
    ++mSkipped;
    const qsizetype tab = entry.lastIndexOf(QLatin1Char('\t'));
    const QString path = tab < 0 ? entry : entry.first(tab);
    const QString reason = tab < 0 ? QString() : entry.mid(tab + 1);
    printLine({QStringLiteral("未処理"), path, reason},
              {{QStringLiteral("type"), QStringLiteral("skipped")},
               {QStringLiteral("path"), path},
               {QStringLiteral("reason"), reason}});
}

void CliReport::PrintError(const QString& description)
{
    if (mJson) {
        printLine({}, {{QStringLiteral("type"), QStringLiteral("error")},
                       {QStringLiteral("message"), description}});
    }
}

void CliReport::PrintSummary(bool stopped, bool failed)
{
    const bool deleting = mAction == RunRequest::Action::DeleteBackUps;
    printLine({QStringLiteral("集計"), message(stopped, failed)},
              {{QStringLiteral("type"), QStringLiteral("summary")},
               {QStringLiteral("action"), deleting ? QStringLiteral("delete-backups")
                                          : mPreview ? QStringLiteral("preview")
                                                     : QStringLiteral("replace")},
               {QStringLiteral("changed"), mChanged},
               {QStringLiteral("skipped"), mSkipped},
               {QStringLiteral("stopped"), stopped},
               {QStringLiteral("message"), message(stopped, failed)}});
}

// The outcome in the words of the main window, with the counts a script reads.
QString CliReport::message(bool stopped, bool failed) const
{
    if (mChanged == 0 && mSkipped == 0 && !stopped && !failed)
        return QStringLiteral("置換対象ファイルはありませんでした");
    const QString head = failed    ? QStringLiteral("エラーで終了しました")
                         : stopped ? QStringLiteral("中止しました")
                                   : QStringLiteral("終了しました");
    const QString done = mAction == RunRequest::Action::DeleteBackUps ? QStringLiteral("削除")
                         : mPreview                                 ? QStringLiteral("変更予定")
                                                                    : QStringLiteral("変更");
    return QStringLiteral("%1（%2 %3件、処理できなかったファイル %4件）").arg(head, done).arg(mChanged).arg(mSkipped);
}

void CliReport::printLine(const QStringList& fields, const QJsonObject& object)
{
    const QByteArray line = mJson ? QJsonDocument(object).toJson(QJsonDocument::Compact)
                                  : fields.join(QLatin1Char('\t')).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), mStream);
    std::fputc('\n', mStream);
}

}  // namespace tralex
