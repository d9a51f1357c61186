// Which names are read as Windows-31J: UTF-8 comes first, a Windows-31J name is taken only when
// its text names it again, and everything else is no text at all.
#include "platform/FileNameText.h"

#include <gtest/gtest.h>

using namespace tralex;

TEST(FileNameText, UtfEightFirstThenStrictWindows31JElseNoText)
{
    const struct Row {
        const char* what;
        QByteArray raw;
        NameForm form;
        QString text;
    } rows[] = {
        {"UTF-8", "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB.txt", NameForm::Utf8,
         QStringLiteral("ファイル.txt")},
        {"Windows-31J", "\x83\x74\x83\x40\x83\x43\x83\x8B.txt", NameForm::ShiftJis,
         QStringLiteral("ファイル.txt")},
        {"a trail byte that is a backslash", "\x95\x5C.txt", NameForm::ShiftJis, QStringLiteral("表.txt")},
        {"half-width katakana", "\xB1\xB2", NameForm::ShiftJis, QStringLiteral("ｱｲ")},
        // ED 40 reads as the character FA 5C stands for: its text would name another entry.
        {"an NEC duplicate", "\xED\x40.txt", NameForm::NotText, QString()},
        {"neither", "\xFF.txt", NameForm::NotText, QString()},
        {"a lead byte at the end", "a\x83", NameForm::NotText, QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const FileNameText name = DecodeFileName(row.raw);
        EXPECT_EQ(name.form, row.form);
        if (row.form != NameForm::NotText)
            EXPECT_EQ(name.text, row.text);
        EXPECT_EQ(ShownFileName(name).endsWith(ShiftJisNameMark), row.form == NameForm::ShiftJis);
    }
}
