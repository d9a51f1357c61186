#pragma once
#include <QString>
#include <exception>
#include <string>

namespace tralex {

// The one error type of the program: a number, the source that raised it (class, window or
// operation name) and a Japanese description that the catching window shows as it is.
// Failures of the file system, ICU or LibreOffice are turned into it where they occur.
class ProgramError : public std::exception {
public:
    // The base of user-defined object errors (0x80040000) plus 1001; the progress window uses + 1002.
    static constexpr qint32 ObjectError = static_cast<qint32>(0x800403E9u);
    static constexpr qint32 WaitingError = static_cast<qint32>(0x800403EAu);

    ProgramError(const QString& source, const QString& description, qint32 number = ObjectError);

    qint32 number() const noexcept { return mNumber; }
    const QString& source() const noexcept { return mSource; }
    const QString& description() const noexcept { return mDescription; }
    const char* what() const noexcept override { return mWhat.c_str(); }

private:
    qint32 mNumber;
    QString mSource;
    QString mDescription;
    std::string mWhat;
};

}  // namespace tralex
