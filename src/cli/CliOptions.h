#pragma once
// The command line's arguments, read into a run request, and its help text.
//
//   tralex-cli [options] FOLDER TYPE
//
// Options may stand before, between and after the two operands; "--" ends them. Pairs apply in
// the order they are given, those of each --list where it stands.
#include "run/RunRequest.h"

#include <QString>
#include <QStringList>
#include <stdexcept>

namespace tralex {

// A usage error: what is wrong with the arguments, in the words the user reads.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString& message);
    const QString& message() const { return mMessage; }

private:
    QString mMessage;
};

struct CliOptions {
    enum class Mode { Run, Help, Version, Undo, History };

    Mode mode = Mode::Run;
    RunRequest request;
    bool json = false;
    QString undoId;  // with --undo: the run to take back; empty for the last one

    // Reads the arguments (without the program's name). List files are read here, so that one
    // that cannot be read is a usage error. Raises UsageError, or ProgramError for a list file.
    static CliOptions Parse(const QStringList& arguments);

    // The help text: English when the locale of messages is English, else Japanese.
    static QString HelpText(bool english);
    // Whether LC_ALL, LC_MESSAGES or LANG (the first one set) names an English locale.
    static bool EnglishLocale();
};

}  // namespace tralex
