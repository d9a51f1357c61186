#pragma once
#include <QString>

namespace tralex {

// Opens a file with the program associated with its type. Raises a ProgramError (source
// "RelateExecute") whose description is the file's name followed by "が見つかりません" when the
// path does not name an ordinary file (FileExists), or by "が開けませんでした" when the desktop
// refuses to open it.
void RelateExecute(const QString& path);

// Lets the desktop open a text: a web or mail address, or the path of a file or folder. Raises a
// ProgramError (source "StringExecute") whose description is the whole text followed by
// "が実行出来ませんでした" when the text stands for nothing that can be opened or the desktop
// refuses it. Command lines are not run.
void StringExecute(const QString& text);

}  // namespace tralex
