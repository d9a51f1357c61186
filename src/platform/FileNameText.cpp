#include "platform/FileNameText.h"

#include "platform/CodePage.h"
#include "platform/FolderHandle.h"

#include <QFile>

namespace tralex {

FileNameText DecodeFileName(const QByteArray& raw)
{
    if (NameSurvivesText(raw))
        return {QFile::decodeName(raw), NameForm::Utf8};
    // Kept bytes are codes that read as the same character as other bytes (NEC and IBM
    // duplicates): that text would not name the entry again, so it is not taken as its name.
    const std::optional<DecodedText> decoded = DecodeAs(raw, TextEncoding::Windows31J);
    if (decoded && decoded->kept.isEmpty())
        return {decoded->text, NameForm::ShiftJis};
    return {QFile::decodeName(raw), NameForm::NotText};
}

QString ShownFileName(const FileNameText& name)
{
    return name.form == NameForm::ShiftJis ? name.text + ShiftJisNameMark : name.text;
}

}  // namespace tralex
