#pragma once
// What can go wrong while LibreOffice works on a file, as the engines tell it apart: a failure of
// the one file (it is skipped with its reason and the run goes on), a crash of the process, or a
// process that stopped answering and was ended by the watchdog (both need a fresh process), or a
// process that cannot be started at all.
#include <QString>
#include <exception>
#include <string>

namespace tralex {

class OfficeError : public std::exception {
public:
    enum class Kind { File, Crashed, Hung, NotStarted };

    // `detail` is LibreOffice's own message, kept for diagnosis.
    OfficeError(Kind kind, const QString& reason, const QString& detail = QString())
        : mKind(kind), mReason(reason), mWhat((reason + QLatin1String(": ") + detail).toStdString())
    {
    }

    Kind kind() const noexcept { return mKind; }
    // A Japanese text for the user; for Kind::File also the reason the file is skipped.
    const QString& reason() const noexcept { return mReason; }
    const char* what() const noexcept override { return mWhat.c_str(); }

private:
    Kind mKind;
    QString mReason;
    std::string mWhat;
};

}  // namespace tralex
