#pragma once
// The run's progress on standard error, one line per file the run reports, with the file's number
// among the files found so far. On a terminal it is one line redrawn in place
// ("[  12/1000 件] name を置換中..."), cleared at the end; elsewhere (a log file, a pipe) it is a
// line per file ("12/1000", a tab and the text).
#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace tralex {

class CliProgress {
public:
    explicit CliProgress(std::FILE* stream = stderr);

    // The engine's counts: files handled so far and files found so far.
    void Count(qint64 done, qint64 found);
    // One file: its progress text, as the engine raised it.
    void Report(const QString& text);
    // Takes the line off a terminal before the results are printed.
    void Clear();

    qint64 Count() const { return mCount; }

private:
    void redraw(const QString& text);

    std::FILE* mStream;
    bool mTerminal;
    int mColumns = 80;
    qint64 mCount = 0;
    qint64 mFound = 0;
    bool mShown = false;        // a line stands on the terminal
    QElapsedTimer mLastDrawn;   // a terminal is redrawn at most about 20 times a second
};

}  // namespace tralex
