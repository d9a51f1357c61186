#include "cli/CliProgress.h"

#include <algorithm>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tralex {

namespace {

// Columns a character takes on a terminal: two for East Asian wide characters (kana, kanji,
// full-width forms), else one. Close enough to keep the line on one row.
int columnsOf(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
                   || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6)
               ? 2
               : 1;
}

// The text cut to fit `columns`, its end kept (a file's name is at the end of a path).
QString fitted(const QString& text, int columns)
{
    int used = 0;
    qsizetype start = text.size();
    while (start > 0 && used + columnsOf(text.at(start - 1)) <= columns) {
        used += columnsOf(text.at(start - 1));
        --start;
    }
    return start == 0 ? text : QStringLiteral("…") + text.mid(start + 1);
}

}  // namespace

CliProgress::CliProgress(std::FILE* stream) : mStream(stream), mTerminal(::isatty(fileno(stream)) == 1)
{
    winsize size = {};
    if (mTerminal && ::ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        mColumns = size.ws_col;
}

void CliProgress::Count(qint64 done, qint64 found)
{
    mCount = done;
    mFound = found;
}

void CliProgress::Report(const QString& text)
{
    // The file in hand comes after the ones done.
    const qint64 number = mCount + 1;
    if (!mTerminal) {
        std::fprintf(mStream, "%lld/%lld\t%s\n", static_cast<long long>(number),
                     static_cast<long long>(std::max(mFound, number)), text.toUtf8().constData());
        std::fflush(mStream);
        return;
    }
    if (mLastDrawn.isValid() && mLastDrawn.elapsed() < 50)
        return;
    mLastDrawn.start();
    redraw(text);
}

void CliProgress::redraw(const QString& text)
{
    const QString count = QStringLiteral("[%1/%2 件] ").arg(mCount + 1, 6).arg(std::max(mFound, mCount + 1));
    const QString line = count + fitted(text, mColumns - 1 - count.size() - 3);
    std::fprintf(mStream, "\r\033[K%s", line.toUtf8().constData());
    std::fflush(mStream);
    mShown = true;
}

void CliProgress::Clear()
{
    if (!mShown)
        return;
    std::fprintf(mStream, "\r\033[K");
    std::fflush(mStream);
    mShown = false;
}

}  // namespace tralex
