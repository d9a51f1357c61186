#pragma once
// What the command line prints on standard output: a line per file the run changed (or backup
// it deleted) or left unchanged, as the run lists them, then one summary line. As text, each line
// is tab-separated: "変更" (or "削除") and the path, with the engine's note when it has one;
// "未処理", the path and the reason; and "集計" with the outcome. A changed file's line ends with
// its replacements ("3件"). A preview lists "変更予定" and the path instead, then each changed
// line as two lines: "-" and "+", the line number and the text before and after.
// With --json each line is one JSON object instead: {"type":"changed"|"deleted"|"preview","path",
// "note"?, "replacements"?, "encoding"?, "backup"?, "lines"?: [{"line","before","after"}],
// "changedLines"?}, {"type":"skipped","path","reason"}, {"type":"summary","action","changed",
// "skipped","stopped","message"} and, for a run that failed, {"type":"error","message"} before
// the summary.
#include "run/RunRequest.h"

#include <QJsonObject>
#include <QString>

#include <cstdio>

namespace tralex {

class TralexEngine;
struct FileReport;

class CliReport {
public:
    CliReport(bool json, RunRequest::Action action, std::FILE* stream = stdout, bool preview = false);

    // Prints the entries the engine listed since the last call.
    void PrintNew(TralexEngine& engine);
    // The error that ended the run.
    void PrintError(const QString& description);
    // The summary line: counts of what was printed, and whether the run was stopped.
    void PrintSummary(bool stopped, bool failed);

    int Changed() const { return mChanged; }
    int Skipped() const { return mSkipped; }

private:
    void printChanged(const QString& entry, const FileReport* report);
    void printLines(const FileReport& report);
    void printSkipped(const QString& entry);
    void printLine(const QStringList& fields, const QJsonObject& object);
    QString message(bool stopped, bool failed) const;

    bool mJson;
    RunRequest::Action mAction;
    bool mPreview;
    std::FILE* mStream;
    int mChanged = 0;
    int mSkipped = 0;
};

}  // namespace tralex
