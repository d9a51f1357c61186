#pragma once
// The encoding of Tralex's own files (list files, INI files, TextFile.tfd).
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

namespace tralex {

// Windows-31J when every character fits, so that the files stay interchangeable with files
// written on Windows; otherwise UTF-8 with a byte order mark. (Also UTF-8 with a byte order mark
// in the rare case where the Windows-31J bytes would be valid UTF-8 of another text, so that the
// file always reads back as written.)
QByteArray EncodeOwnFile(QStringView text);
// Reads one of Tralex's own files; nothing when its bytes decode as none of the encodings.
std::optional<QString> DecodeOwnFile(const QByteArray& bytes);

}  // namespace tralex
