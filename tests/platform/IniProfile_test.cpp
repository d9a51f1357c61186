#include "platform/IniProfile.h"

#include "platform/CodePage.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace tralex;
using tralex::test::TempFolder;
using tralex::test::readBytes;

namespace {

QString u(const char16_t* text)
{
    return QStringView(text).toString();
}

QByteArray cp932(const char16_t* text)
{
    return *EncodeText(u(text), TextEncoding::Windows31J);
}

// Comments, blanks, mixed case, duplicate keys and a second section of the same name.
const QByteArray Sample =
    "; comment BKPATH=in a comment\r\n"
    "orphan=before any section\r\n"
    "[Common]\r\n"
    "  BkPath  =  /data/old/  \r\n"
    "bkpath=second of the same key\r\n"
    ";BKPATH=commented out\r\n"
    "empty=\r\n"
    "noequals\r\n"
    "\tTabbed\t=\tvalue with = inside\t\r\n"
    " [ other ] trailing\r\n"
    "BKPATH=other section\n"
    "[COMMON]\r\n"
    "late=in the second section of the same name\r\n";

TEST(IniProfileRead, FollowsProfileRules)
{
    TempFolder folder;
    const QString file = folder.write("Tralex.ini", Sample);
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"COMMON", "BKPATH", "/data/old/"},        // blanks trimmed, first key wins
        {"common", "bkpath", "/data/old/"},        // case-insensitive
        {" COMMON ", " BKPATH ", "/data/old/"},    // blanks around the asked names too
        {"COMMON", "TABBED", "value with = inside"},
        {"COMMON", "empty", ""},
        {"COMMON", "noequals", ""},
        {"COMMON", "late", ""},                    // the first section of a name is the section
        {"COMMON", "orphan", ""},                  // lines before any section belong to none
        {"OTHER", "bkpath", "other section"},
        {"COMMON", "missing", ""},
        {"missing", "BKPATH", ""},
        {"; comment BKPATH", "in a comment", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, file), QString::fromUtf8(c.value))
            << c.section << "/" << c.key;

    EXPECT_EQ(GetPrivateProfileString("COMMON", "BKPATH", folder.file("missing.ini")), QString());
    EXPECT_EQ(GetPrivateProfileString("COMMON", "BKPATH", folder.file("")), QString());
    const QString binary = folder.write("binary.ini", "[COMMON]\r\nBKPATH=\x93\xfa\x80\r\n");
    EXPECT_EQ(GetPrivateProfileString("COMMON", "BKPATH", binary), QString());
}

// Each write changes only what it must; every other byte stays.
TEST(IniProfileWrite, ChangesOnlyTheLineItMust)
{
    const struct {
        const char* name;
        QByteArray before;
        const char* section;
        const char* key;
        const char* value;
        QByteArray after;
    } cases[] = {
        {"value replaced in place, key spelling and blanks kept",
         "; c\r\n[Common]\r\n  BkPath  =  old  \r\nx=1\n\n[B]\rk=v", "COMMON", "bkpath", "new",
         "; c\r\n[Common]\r\n  BkPath  =  new\r\nx=1\n\n[B]\rk=v"},
        {"only the first of duplicate keys", "[A]\r\nk=1\r\nK=2\r\n", "a", "K", "3",
         "[A]\r\nk=3\r\nK=2\r\n"},
        {"key added at the end of its section, before blank lines",
         "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\ny=2\r\n", "A", "z", "3",
         "[A]\r\nx=1\r\n; note\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
        {"key added to an empty section", "[A]\r\n[B]\r\n", "A", "k", "v",
         "[A]\r\nk=v\r\n[B]\r\n"},
        {"key added after an unended last line, with the file's line end", "[A]\nx=1", "A", "y",
         "2", "[A]\nx=1\ny=2\n"},
        {"section added at the end", "[A]\r\nx=1\r\n", "B", "k", "v",
         "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"section added after an unended last line", "[A]\r\nx=1", "B", "k", "v",
         "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"section added to an empty file", "", "COMMON", "BKPATH", "/x/",
         "[COMMON]\r\nBKPATH=/x/\r\n"},
        {"empty value", "[A]\r\nk=old\r\n", "A", "k", "", "[A]\r\nk=\r\n"},
        {"lines before any section are not the section", "k=1\r\n[A]\r\n", "A", "k", "2",
         "k=1\r\n[A]\r\nk=2\r\n"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString file = folder.write("a.ini", c.before);
        EXPECT_TRUE(WritePrivateProfileString(c.section, c.key, c.value, file)) << c.name;
        EXPECT_EQ(readBytes(file), c.after) << c.name << "\n" << readBytes(file).toStdString();
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, file), QString::fromUtf8(c.value))
            << c.name;
    }
}

TEST(IniProfileWrite, CreatesANewFileWithCrLf)
{
    TempFolder folder;
    const QString file = folder.file("Tralex.ini");
    ASSERT_TRUE(WritePrivateProfileString("COMMON", "BKPATH", "/backup/", file));
    ASSERT_TRUE(WritePrivateProfileString("COMMON", "OTHER", "1", file));
    ASSERT_TRUE(WritePrivateProfileString("SECOND", "KEY", "2", file));
    EXPECT_EQ(readBytes(file), "[COMMON]\r\nBKPATH=/backup/\r\nOTHER=1\r\n[SECOND]\r\nKEY=2\r\n");
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Tralex.ini"});
}

TEST(IniProfileWrite, JapaneseValuesKeepTheFileReadableAndInWindows31JWhenTheyFit)
{
    TempFolder folder;
    const QString file = folder.file("DialogBox.ini");
    const QString path = u(u"/データ/表ソ①～/");
    ASSERT_TRUE(WritePrivateProfileString("COMMON", u(u"PREV_山田"), path, file));
    EXPECT_EQ(readBytes(file), cp932(u"[COMMON]\r\nPREV_山田=/データ/表ソ①～/\r\n"));
    EXPECT_EQ(GetPrivateProfileString("common", u(u"prev_山田"), file), path);

    // A value Windows-31J cannot hold turns the file into UTF-8 with a byte order mark.
    const QString accented = u(u"/données/日本/");
    ASSERT_TRUE(WritePrivateProfileString("COMMON", "OTHER", accented, file));
    EXPECT_EQ(readBytes(file),
              QByteArray("\xEF\xBB\xBF")
                  + u(u"[COMMON]\r\nPREV_山田=/データ/表ソ①～/\r\nOTHER=/données/日本/\r\n")
                        .toUtf8());
    EXPECT_EQ(GetPrivateProfileString("COMMON", u(u"PREV_山田"), file), path);
    EXPECT_EQ(GetPrivateProfileString("COMMON", "OTHER", file), accented);
}

TEST(IniProfileWrite, KeepsTheEncodingAndTheBytesOfOtherLines)
{
    // Windows-31J with NEC/IBM duplicate codes (ED 40, FA 4A) before and after the changed value,
    // whose length changes: the duplicates are written back as they were.
    const QByteArray before = QByteArray("; \xED\x40\r\n[A]\r\nk=") + cp932(u"短い")
                              + "\r\n; \xFA\x4A\xED\x40\r\n";
    // UTF-8 without a byte order mark stays so, although the text would fit Windows-31J.
    const QByteArray utf8 = u(u"; 日本\n[A]\nk=古い\n").toUtf8();
    const QByteArray utf16 = *EncodeText(u(u"[A]\r\nk=v\r\n; 注\r\n"), TextEncoding::Utf16LeBom);
    const struct {
        const char* name;
        QByteArray before;
        QByteArray after;
    } cases[] = {
        {"windows-31j", before,
         QByteArray("; \xED\x40\r\n[A]\r\nk=") + cp932(u"ずっと長い値") + "\r\n; \xFA\x4A\xED\x40\r\n"},
        {"utf-8", utf8, u(u"; 日本\n[A]\nk=ずっと長い値\n").toUtf8()},
        {"utf-16", utf16,
         *EncodeText(u(u"[A]\r\nk=ずっと長い値\r\n; 注\r\n"), TextEncoding::Utf16LeBom)},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString file = folder.write("a.ini", c.before);
        ASSERT_TRUE(WritePrivateProfileString("A", "k", u(u"ずっと長い値"), file)) << c.name;
        EXPECT_EQ(readBytes(file), c.after) << c.name;
    }
}

TEST(IniProfileWrite, LongValuesAreNeverCut)
{
    TempFolder folder;
    const QString file = folder.file("Tralex.ini");
    const QString ascii = QString(300, u'x');
    const QString japanese = QString(u(u"長")).repeated(300);
    ASSERT_TRUE(WritePrivateProfileString("COMMON", "A", ascii, file));
    ASSERT_TRUE(WritePrivateProfileString("COMMON", "J", japanese, file));
    EXPECT_EQ(GetPrivateProfileString("COMMON", "A", file), ascii);
    EXPECT_EQ(GetPrivateProfileString("COMMON", "J", file), japanese);
}

// Refused writes return false and leave the file as it was.
TEST(IniProfileWrite, RefusesWhatCannotBeStoredAndLeavesTheFile)
{
    const QByteArray before = "[A]\r\nk=v\r\n";
    const struct {
        const char* name;
        QString section;
        QString key;
        QString value;
    } cases[] = {
        {"line feed in value", "A", "k", "one\ntwo"},
        {"carriage return in value", "A", "k", "one\rtwo"},
        {"line break in key", "A", "k\nx", "v"},
        {"line break in section", "A\r\nB", "k", "v"},
        {"empty section", "", "k", "v"},
        {"blank key", "A", "  ", "v"},
        {"= in key", "A", "a=b", "v"},
        {"] in section", "A]x", "k", "v"},
        {"key that reads as a comment", "A", ";k", "v"},
        {"key that reads as a section", "A", "[k", "v"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString file = folder.write("a.ini", before);
        EXPECT_FALSE(WritePrivateProfileString(c.section, c.key, c.value, file)) << c.name;
        EXPECT_EQ(readBytes(file), before) << c.name;
    }

    TempFolder folder;
    // A file that is not text in any encoding is not overwritten.
    const QByteArray binary = "[A]\r\nk=\x93\xfa\x80\r\n";
    const QString undecodable = folder.write("binary.ini", binary);
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "v", undecodable));
    EXPECT_EQ(readBytes(undecodable), binary);

    // A read-only file (no owner write bit) is not written, whoever runs the program.
    const QString readOnly = folder.write("ro.ini", before);
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup));
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "new", readOnly));
    EXPECT_EQ(readBytes(readOnly), before);

    // A file in a folder that does not exist.
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "v", folder.file("no/such/a.ini")));
}

TEST(IniProfileWrite, KeepsThePermissionBitsOfTheFile)
{
    TempFolder folder;
    const QString file = folder.write("a.ini", "[A]\r\nk=v\r\n");
    const auto bits = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(file, bits));
    ASSERT_TRUE(WritePrivateProfileString("A", "k", "w", file));
    EXPECT_EQ(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              bits);
}

}  // namespace
