#pragma once
// The text of a file or folder name as the file system holds it (bytes).
//
// Names are UTF-8 here. A zip archive made on a Japanese Windows and unpacked on Linux gives
// names in Windows-31J (Shift_JIS) bytes instead: such a name is read as Windows-31J, shown with
// a mark, and still worked on only by its bytes, since its text may equal another entry's UTF-8
// name. A name that is neither is not text at all.
#include <QByteArray>
#include <QString>

namespace tralex {

enum class NameForm {
    Utf8,      // the text gives the bytes back as UTF-8
    ShiftJis,  // not UTF-8, but strict Windows-31J whose text gives the same bytes back
    NotText,   // neither: shown with U+FFFD for each bad byte, never touched
};

struct FileNameText {
    QString text;
    NameForm form = NameForm::Utf8;
};

// What marks a Windows-31J name wherever the user reads it: after the name, before a "/".
inline const QString ShiftJisNameMark = QStringLiteral("（Shift_JIS の名前）");

// UTF-8 first (almost no Windows-31J name is valid UTF-8), then strict Windows-31J.
FileNameText DecodeFileName(const QByteArray& raw);

// The name as the user reads it: its text, and the mark after a Windows-31J name.
QString ShownFileName(const FileNameText& name);

}  // namespace tralex
