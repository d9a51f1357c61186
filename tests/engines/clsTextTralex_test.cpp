// The text engine on real folders: its members and checks, the type file, and runs that replace,
// back up, skip and delete, each checked on the bytes left on disk.
#include "engines/clsTextTralex.h"
#include "engines/BackUpFile.h"
#include "platform/CodePage.h"
#include "platform/SettingsFolder.h"
#include "services/RunJournal.h"
#include "platform/ProgramError.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <functional>
#include <climits>
#include <limits>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace tralex;
using tralex::test::iconvTo;
using tralex::test::readBytes;
using tralex::test::TempFolder;

namespace {

class TextTralexTest : public ::testing::Test {
protected:
    void SetUp() override { OverrideSettingsFolder(settings.path()); }

    // An engine on the data folder with the type "txt" and the given pairs.
    std::unique_ptr<clsTextTralex> engineFor(const QString& folder,
                                             const QList<std::pair<QString, QString>>& pairs,
                                             const QString& type = QStringLiteral("txt"))
    {
        auto engine = std::make_unique<clsTextTralex>();
        engine->setTargetPath(folder);
        engine->setTargetType(type);
        for (const auto& [find, replace] : pairs)
            engine->AddTarget(find, replace);
        engine->setProgressInterval(0);  // a report for every file: tests act at given files
        return engine;
    }

    // The names in a folder, sorted.
    static QStringList names(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                          QDir::System,
                                      QDir::Name);
    }
    static QStringList backUpsIn(const QString& folder)
    {
        QStringList result;
        for (const QString& n : names(folder))
            if (HasBackUpForm(n))
                result.append(n);
        return result;
    }

    static void expectError(const std::function<void()>& action, const QString& description)
    {
        try {
            action();
            ADD_FAILURE() << "no error, expected " << description.toStdString();
        } catch (const ProgramError& e) {
            EXPECT_EQ(e.description(), description);
            EXPECT_EQ(e.source(), QStringLiteral("clsTextTralex"));
            EXPECT_EQ(e.number(), ProgramError::ObjectError);
        }
    }

    static QByteArray encoded(const QString& text, TextEncoding encoding)
    {
        const std::optional<QByteArray> bytes = EncodeText(text, encoding);
        EXPECT_TRUE(bytes.has_value());
        return bytes.value_or(QByteArray());
    }

    TempFolder settings;
    TempFolder data;
};

// Makes the temporary file's write fail as on a full disk, whether the bytes come from the run or
// are copied from where a preview kept them.
class FullDisk : public FileRenewal {
protected:
    int writeAll(int fd, const char* d, size_t n) override
    {
        FileRenewal::writeAll(fd, d, n / 2);
        return ENOSPC;
    }
    int copyAll(int fd, int from, qint64 offset, qint64 size) override
    {
        FileRenewal::copyAll(fd, from, offset, size / 2);
        return ENOSPC;
    }
};

}  // namespace

// ---- members and checks ----

TEST_F(TextTralexTest, PathSettersAcceptExistingFoldersOnly)
{
    clsTextTralex engine;
    const QString folder = data.mkdir(QStringLiteral("f"));
    engine.setTargetPath(folder);
    EXPECT_EQ(engine.TargetPath(), folder);
    engine.setTargetPath(folder.chopped(1));  // without the final "/"
    EXPECT_EQ(engine.TargetPath(), folder.chopped(1));
    engine.setBackUpPath(folder);
    EXPECT_EQ(engine.BackUpPath(), folder);

    const QString file = data.write(QStringLiteral("f/a.txt"), "x");
    for (const QString& bad : {data.file(QStringLiteral("missing/")), file}) {
        expectError([&] { engine.setTargetPath(bad); }, QStringLiteral("指定のディレクトリは存在しません"));
        EXPECT_TRUE(engine.TargetPath().isEmpty());
        expectError([&] { engine.setBackUpPath(bad); }, QStringLiteral("指定のディレクトリは存在しません"));
        EXPECT_TRUE(engine.BackUpPath().isEmpty());
    }
}

TEST_F(TextTralexTest, TargetTypeMustBeInTheTypeList)
{
    clsTextTralex engine;
    engine.setTargetType(QStringLiteral(" txt "));
    EXPECT_EQ(engine.TargetType(), QStringLiteral(" txt "));  // kept untrimmed
    expectError([&] { engine.setTargetType(QStringLiteral("TXT")); },
                QStringLiteral("指定された拡張子には対応していません"));
    EXPECT_TRUE(engine.TargetType().isEmpty());
    expectError([&] { engine.setTargetType(QStringLiteral("log")); },
                QStringLiteral("指定された拡張子には対応していません"));
}

TEST_F(TextTralexTest, RunPreconditionsInTheirOrder)
{
    clsTextTralex engine;
    expectError([&] { engine.TralexGo(); }, QStringLiteral("パスが指定されていません"));
    expectError([&] { engine.KillBackUpFile(); }, QStringLiteral("パスが指定されていません"));
    engine.setTargetPath(data.path());
    expectError([&] { engine.TralexGo(); }, QStringLiteral("ファイルタイプが指定されていません"));
    expectError([&] { engine.KillBackUpFile(); }, QStringLiteral("ファイルタイプが指定されていません"));
    engine.setTargetType(QStringLiteral("txt"));
    expectError([&] { engine.TralexGo(); }, QStringLiteral("置換が設定されていません"));
    // Deleting backups needs no pairs.
    EXPECT_NO_THROW(engine.KillBackUpFile());
    // A failed setter leaves its property empty, so the run stops at the matching check.
    try {
        engine.setTargetPath(data.file(QStringLiteral("missing")));
    } catch (const ProgramError&) {
    }
    engine.AddTarget(QStringLiteral("a"), QStringLiteral("b"));
    expectError([&] { engine.TralexGo(); }, QStringLiteral("パスが指定されていません"));
}

TEST_F(TextTralexTest, PairListIsSharedWithTheCaller)
{
    clsTextTralex engine;
    OrderedListRef mine = makeOrderedList();
    mine->Add(BuildPairEntry(QStringLiteral("1"), QStringLiteral("one")));
    engine.setSsCollection(mine);
    engine.AddTarget(QStringLiteral("2"), QStringLiteral("two"));
    engine.AddTarget(QStringLiteral("3"), QStringLiteral("three"));
    EXPECT_EQ(mine->Count(), 3);
    EXPECT_EQ(engine.ItemTarget(), mine);
    EXPECT_EQ(engine.CountTarget(), 3);
    EXPECT_EQ(mine->Item(2), QStringLiteral("2\x1F  \u21D2  \x1Ftwo\x1F"));

    engine.RemoveTarget(1);
    ASSERT_EQ(mine->Count(), 2);
    EXPECT_EQ(SplitPairEntry(mine->Item(1)).find, QStringLiteral("2"));
    EXPECT_EQ(SplitPairEntry(mine->Item(2)).find, QStringLiteral("3"));
    expectError([&] { engine.RemoveTarget(3); }, QStringLiteral("指定された位置に置換設定がありません"));

    engine.setSepTralex(QStringLiteral("->"));
    engine.AddTarget(QStringLiteral("4"), QStringLiteral("four"));
    EXPECT_EQ(mine->Item(3), QStringLiteral("4\x1F->\x1F" "four\x1F"));
    engine.RemoveTargetAll();
    EXPECT_EQ(mine->Count(), 0);
    EXPECT_EQ(engine.ItemResult(), engine.ItemResult());
}

// ---- the type file ----

TEST_F(TextTralexTest, MissingTypeFileIsWrittenWithTheDefaults)
{
    const QString path = settings.file(QStringLiteral("TextFile.tfd"));
    ASSERT_FALSE(QFile::exists(path));
    clsTextTralex engine;
    EXPECT_EQ(readBytes(path), QByteArray("doc,xls,\r\ntxt,rtf,\r\nhtml,htm,\r\nxml,\r\n"
                                          "vbp,frm,bas,cls,\r\njava,\r\njsp,\r\n\r\n"));
    EXPECT_EQ(engine.ItemType()->items(),
              QStringList({"doc", "xls", "txt", "rtf", "html", "htm", "xml", "vbp", "frm", "bas",
                           "cls", "java", "jsp"}));
    EXPECT_EQ(engine.CountType(), 13);
    // A second engine reads the file it finds.
    clsTextTralex second;
    EXPECT_EQ(second.ItemType()->items(), engine.ItemType()->items());
}

TEST_F(TextTralexTest, TypeFileEntriesAreKeptAsWritten)
{
    settings.write(QStringLiteral("TextFile.tfd"), "txt, log\r\n\r\n ,md,\n\xE8\xA1\xA8,\r\n");
    clsTextTralex engine;
    EXPECT_EQ(engine.ItemType()->items(), QStringList({"txt", " log", "md", "表"}));
    engine.setTargetType(QStringLiteral("log"));  // matched trimmed
    EXPECT_EQ(engine.TargetType(), QStringLiteral("log"));
}

TEST_F(TextTralexTest, UnreadableTypeFileFailsTheCreation)
{
    settings.write(QStringLiteral("TextFile.tfd"), "\x80\xFF\xFE\x81");  // neither UTF-8 nor cp932
    expectError([] { clsTextTralex engine; }, QStringLiteral("ファイルが開けません"));
}

// ---- replacing ----

TEST_F(TextTralexTest, ChangedFileIsBackedUpAndListedUnchangedOneIsNotTouched)
{
    const QString a = data.write(QStringLiteral("a.txt"), "abc abc\r\n");
    const QString b = data.write(QStringLiteral("b.txt"), "nothing here\r\n");
    const QString log = data.write(QStringLiteral("c.log"), "abc\r\n");
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(b).constData(), old, 0);

    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
    QStringList messages;
    QObject::connect(engine.get(), &TralexEngine::ExecutionMessage,
                     [&](const QString& m) { messages.append(m); });
    engine->TralexGo();

    EXPECT_EQ(messages, QStringList({"a.txt を置換中...", "b.txt を置換中..."}));
    EXPECT_EQ(readBytes(a), "xyz xyz\r\n");  // no line end added
    ASSERT_EQ(engine->CountResult(), 1);
    EXPECT_EQ(engine->ItemResult()->Item(1), a);
    const QStringList backUps = backUpsIn(data.path());
    ASSERT_EQ(backUps.size(), 1);
    EXPECT_TRUE(backUps[0].endsWith(QStringLiteral("_a.txt")));
    EXPECT_EQ(readBytes(data.file(backUps[0])), "abc abc\r\n");
    EXPECT_EQ(readBytes(b), "nothing here\r\n");
    EXPECT_EQ(QFileInfo(b).lastModified().toSecsSinceEpoch(), 1000000000);
    EXPECT_EQ(readBytes(log), "abc\r\n");
    EXPECT_EQ(engine->CountSkipped(), 0);
    EXPECT_EQ(names(data.path()).size(), 4);  // a, b, c.log and one backup; no temporary file

    // The result list is not cleared by the next run; RemoveFileAll empties it.
    data.write(QStringLiteral("d.txt"), "abc");
    engine->TralexGo();
    EXPECT_EQ(engine->CountResult(), 2);
    engine->RemoveFileAll();
    EXPECT_EQ(engine->CountResult(), 0);
}

TEST_F(TextTralexTest, EveryEncodingIsWrittenBackAsItWasRead)
{
    const QString before = QStringLiteral("表示する\r\nソース表示\n");
    const QString after = QStringLiteral("ソースを出す\r\nソースソース\n");
    const struct {
        const char* name;
        TextEncoding encoding;
    } cases[] = {
        {"utf8.txt", TextEncoding::Utf8},
        {"utf8bom.txt", TextEncoding::Utf8Bom},
        {"utf16le.txt", TextEncoding::Utf16LeBom},
        {"utf16be.txt", TextEncoding::Utf16BeBom},
        {"sjis.txt", TextEncoding::Windows31J},
    };
    for (const auto& c : cases)
        data.write(QString::fromLatin1(c.name), encoded(before, c.encoding));
    auto engine = engineFor(data.path(), {{QStringLiteral("表示"), QStringLiteral("ソース")},
                                          {QStringLiteral("する"), QStringLiteral("を出す")}});
    engine->TralexGo();
    EXPECT_EQ(engine->CountResult(), 5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readBytes(data.file(QString::fromLatin1(c.name))), encoded(after, c.encoding));
    }
    // Byte order marks stay, UTF-16 stays UTF-16.
    EXPECT_TRUE(readBytes(data.file(QStringLiteral("utf8bom.txt"))).startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(readBytes(data.file(QStringLiteral("utf16le.txt"))).startsWith("\xFF\xFE"));
}

TEST_F(TextTralexTest, BytesOutsideTheMatchesStayAsTheyWere)
{
    // Mixed line ends, a lone CR, no line end at the end; in Windows-31J the NEC duplicate code
    // ED 40 (which would encode back as FA 5C) before and after the match.
    const QByteArray sjisBefore = QByteArray("x\r\ny\nz\rw ") + "\xED\x40" + "\x95\x5C" "abc" +
                                  "\xED\x40" + "\x83\x5C";
    const QByteArray sjisAfter = QByteArray("x\r\ny\nz\rw ") + "\xED\x40" + "\x95\x5C" "XYZW" +
                                 "\xED\x40" + "\x83\x5C";
    data.write(QStringLiteral("sjis.txt"), sjisBefore);
    data.write(QStringLiteral("utf8.txt"), "a\r\rabc\n\r\n  abc");
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("XYZW")}});
    engine->TralexGo();
    EXPECT_EQ(readBytes(data.file(QStringLiteral("sjis.txt"))), sjisAfter);
    EXPECT_EQ(readBytes(data.file(QStringLiteral("utf8.txt"))), "a\r\rXYZW\n\r\n  XYZW");
}

TEST_F(TextTralexTest, DuplicateCodeInsideAMatchIsReplacedWithTheMatch)
{
    // ED 40 and FA 5C read as the same character; a pair may find it and the rest keeps its bytes.
    data.write(QStringLiteral("a.txt"), QByteArray("\xED\x40" "a" "\xED\x40" "b" "\xED\x40"));
    const QString dup = DecodeText(QByteArray("\xFA\x5C"))->text;
    auto engine = engineFor(data.path(), {{dup + QStringLiteral("a"), QStringLiteral("表")}});
    engine->TralexGo();
    EXPECT_EQ(readBytes(data.file(QStringLiteral("a.txt"))),
              QByteArray("\x95\x5C" "\xED\x40" "b" "\xED\x40"));
}

TEST_F(TextTralexTest, LineBreaksOfPairTextsFollowAnLfOnlyFile)
{
    data.write(QStringLiteral("lf.txt"), "end a\nb start\n");
    data.write(QStringLiteral("crlf.txt"), "end a\r\nb start\r\n");
    data.write(QStringLiteral("mixed.txt"), "a\nb a\r\nb");
    auto engine = engineFor(data.path(), {{QStringLiteral("a\r\nb"), QStringLiteral("1\r\n2")}});
    engine->TralexGo();
    EXPECT_EQ(readBytes(data.file(QStringLiteral("lf.txt"))), "end 1\n2 start\n");
    EXPECT_EQ(readBytes(data.file(QStringLiteral("crlf.txt"))), "end 1\r\n2 start\r\n");
    // A file that already holds CR LF keeps the pair's CR LF as it is.
    EXPECT_EQ(readBytes(data.file(QStringLiteral("mixed.txt"))), "a\nb 1\r\n2");
}

TEST_F(TextTralexTest, OptionsReachTheReplacement)
{
    data.write(QStringLiteral("a.txt"), "Abc ABC abcd");
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("abcd")},
                                          {QStringLiteral("   "), QStringLiteral("x")}});
    engine->setUcaseOption(true);
    engine->setRetryOption(true);
    engine->TralexGo();
    // Blank find texts are passed over; "abcd" already there is left alone by the retry rule.
    EXPECT_EQ(readBytes(data.file(QStringLiteral("a.txt"))), "abcd abcd abcd");
}

TEST_F(TextTralexTest, FilesNeedingTheDecodedTextAreHandledLikeTheOthersInTheSameRun)
{
    // With the case option, ı compares like i: the file holding it is matched by character.
    data.write(QStringLiteral("dotless.txt"), QStringLiteral("ın In").toUtf8());
    data.write(QStringLiteral("plain.txt"), QStringLiteral("in IN").toUtf8());
    // The first pair writes 😀, which Windows-31J cannot hold, and the second turns it into ～,
    // which it can: only the final text has to fit.
    data.write(QStringLiteral("wave.txt"), encoded(QStringLiteral("1-2 ソ"), TextEncoding::Windows31J));
    auto engine = engineFor(data.path(), {{QStringLiteral("in"), QStringLiteral("out")},
                                          {QStringLiteral("-"), QStringLiteral("😀")},
                                          {QStringLiteral("😀"), QStringLiteral("～")}});
    engine->setUcaseOption(true);
    engine->TralexGo();
    EXPECT_EQ(engine->CountResult(), 3);
    EXPECT_EQ(engine->CountSkipped(), 0);
    EXPECT_EQ(readBytes(data.file(QStringLiteral("dotless.txt"))), QStringLiteral("out out").toUtf8());
    EXPECT_EQ(readBytes(data.file(QStringLiteral("plain.txt"))), QByteArray("out out"));
    EXPECT_EQ(readBytes(data.file(QStringLiteral("wave.txt"))),
              encoded(QStringLiteral("1～2 ソ"), TextEncoding::Windows31J));
}

TEST_F(TextTralexTest, JisFormsTypedByInputMethodsMatchWindows31JFilesAndUtf8KeepsThem)
{
    // Each character typed in its JIS form, and the form a Windows-31J file holds.
    const QString typed = QStringLiteral("〜‖−¢£¬—");
    const QString held = QStringLiteral("～∥－￠￡￢―");
    QList<std::pair<QString, QString>> pairs;
    QString sjisBefore, sjisAfter;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        pairs.append({typed.mid(i, 1), QLatin1Char('<') + typed.mid(i, 1) + QLatin1Char('>')});
        sjisBefore += QLatin1Char('a') + held.mid(i, 1);
        sjisAfter += QStringLiteral("a<") + held.mid(i, 1) + QLatin1Char('>');
    }
    // The byte path, and the decoded path (the case option with a cased non-ASCII pair).
    for (const bool decoded : {false, true}) {
        SCOPED_TRACE(decoded ? "decoded" : "bytes");
        const TempFolder folder;
        folder.write(QStringLiteral("sjis.txt"), encoded(sjisBefore, TextEncoding::Windows31J));
        folder.write(QStringLiteral("utf8.txt"), QStringLiteral("〜～").toUtf8());
        auto run = pairs;
        if (decoded)
            run.append({QStringLiteral("Ω"), QStringLiteral("Ω")});
        auto engine = engineFor(folder.path(), run);
        engine->setUcaseOption(decoded);
        engine->TralexGo();
        EXPECT_EQ(engine->CountSkipped(), 0);
        EXPECT_EQ(readBytes(folder.file(QStringLiteral("sjis.txt"))),
                  encoded(sjisAfter, TextEncoding::Windows31J));
        EXPECT_EQ(readBytes(folder.file(QStringLiteral("utf8.txt"))),
                  QStringLiteral("<〜>～").toUtf8());
    }
}

// EUC-JP files as iconv writes them, with half-width katakana and JIS X 0212 forms: written back
// in EUC-JP with every byte outside the matches as it was (iconv's ～ is a code ICU would write
// otherwise); JIS forms typed by input methods match the file's forms; a replace text EUC-JP
// cannot hold leaves its file as it was.
TEST_F(TextTralexTest, EucJpFilesAreWrittenBackInEucJpWithOnlyTheMatchesChanged)
{
    const QString before = QStringLiteral(
        "名前\n    tralex - テキストファイルの文字列を置換する\r\n説明\n"
        "    ﾃﾞｰﾀの補助漢字 丂 と ～ は置換の後も残る。\n");
    const QString after = QStringLiteral(
        "名前\n    tralex - テキストファイルの文字列を置き換えする\r\n説明\n"
        "    データの補助漢字 鷗 と ～ は置き換えの後も残る。\n");
    data.write(QStringLiteral("man.txt"), iconvTo(before, "EUC-JP"));
    data.write(QStringLiteral("forms.txt"), iconvTo(QStringLiteral("1−2 3¬4\n"), "EUC-JP"));
    const QByteArray emoji = iconvTo(QStringLiteral("絵文字のある行\n"), "EUC-JP");
    data.write(QStringLiteral("emoji.txt"), emoji);
    auto engine = engineFor(data.path(), {{QStringLiteral("置換"), QStringLiteral("置き換え")},
                                          {QStringLiteral("丂"), QStringLiteral("鷗")},
                                          {QStringLiteral("ﾃﾞｰﾀ"), QStringLiteral("データ")},
                                          {QStringLiteral("−"), QStringLiteral("‖")},
                                          {QStringLiteral("¬"), QStringLiteral("〜")},
                                          {QStringLiteral("絵文字"), QStringLiteral("😀")}});
    engine->TralexGo();
    EXPECT_EQ(readBytes(data.file(QStringLiteral("man.txt"))), iconvTo(after, "EUC-JP"));
    EXPECT_EQ(readBytes(data.file(QStringLiteral("forms.txt"))),
              iconvTo(QStringLiteral("1‖2 3〜4\n"), "EUC-JP"));
    EXPECT_EQ(readBytes(data.file(QStringLiteral("emoji.txt"))), emoji);
    EXPECT_EQ(engine->ItemResult()->items(),
              QStringList({data.file(QStringLiteral("forms.txt")), data.file(QStringLiteral("man.txt"))}));
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({data.file(QStringLiteral("emoji.txt")) +
                           "\t置換後の文字を保存できる文字コードではありません"}));

    // With the case option, EUC-JP's ı (8F A9 C5) compares like i.
    const TempFolder folder;
    folder.write(QStringLiteral("dotless.txt"), iconvTo(QStringLiteral("ın 日本語\n"), "EUC-JP"));
    auto ucase = engineFor(folder.path(), {{QStringLiteral("in"), QStringLiteral("out")}});
    ucase->setUcaseOption(true);
    ucase->TralexGo();
    EXPECT_EQ(readBytes(folder.file(QStringLiteral("dotless.txt"))),
              iconvTo(QStringLiteral("out 日本語\n"), "EUC-JP"));
}

// EUC-JP kana (A4 xx) read in Windows-31J as half-width katakana: such a file is Windows-31J
// unless more files of its folder are EUC-JP than Windows-31J.
TEST_F(TextTralexTest, FileValidInWindows31JAndEucJpAlikeFollowsItsFolder)
{
    const QByteArray kana = iconvTo(QStringLiteral("あいう"), "EUC-JP");
    ASSERT_EQ(kana, QByteArray("\xA4\xA2\xA4\xA4\xA4\xA6"));
    data.write(QStringLiteral("euc/kana.txt"), kana);
    data.write(QStringLiteral("euc/one.txt"), iconvTo(QStringLiteral("東京都千代田区"), "EUC-JP"));
    data.write(QStringLiteral("euc/two.txt"), iconvTo(QStringLiteral("設定を読み込む"), "EUC-JP"));
    data.write(QStringLiteral("euc/sjis.txt"), encoded(QStringLiteral("日本語"), TextEncoding::Windows31J));
    data.write(QStringLiteral("sjis/kana.txt"), kana);
    data.write(QStringLiteral("sjis/one.txt"), iconvTo(QStringLiteral("東京都千代田区"), "EUC-JP"));
    data.write(QStringLiteral("sjis/two.txt"), encoded(QStringLiteral("日本語"), TextEncoding::Windows31J));
    data.write(QStringLiteral("sjis/three.txt"), encoded(QStringLiteral("表示"), TextEncoding::Windows31J));
    auto engine = engineFor(data.path(), {{QStringLiteral("あ"), QStringLiteral("ア")},
                                          {QStringLiteral("ｦ"), QStringLiteral("ヲ")}});
    engine->setSubFolder(true);
    engine->TralexGo();
    EXPECT_EQ(readBytes(data.file(QStringLiteral("euc/kana.txt"))),
              iconvTo(QStringLiteral("アいう"), "EUC-JP"));
    EXPECT_EQ(readBytes(data.file(QStringLiteral("sjis/kana.txt"))),
              QByteArray("\xA4\xA2\xA4\xA4\xA4") + encoded(QStringLiteral("ヲ"), TextEncoding::Windows31J));
    EXPECT_EQ(engine->CountResult(), 2);
}

// A file of ASCII alone gets the replacement's other characters in the encoding most text files
// of its folder have (wherever they come in the run), else in the one set, where "automatic" asks
// the folders above it up to the searched one; the result list names the encoding chosen. A
// result that stays ASCII is written as it is and named nothing.
TEST_F(TextTralexTest, AsciiFileTakesTheEncodingOfItsFolderOrTheOneSet)
{
    using Setting = clsTextTralex::AsciiFileEncoding;
    const QByteArray sjis = encoded(QStringLiteral("日本語"), TextEncoding::Windows31J);
    const QByteArray euc = iconvTo(QStringLiteral("東京都千代田区"), "EUC-JP");
    const QByteArray utf8 = QStringLiteral("日本語").toUtf8();
    const QByteArray ascii = "int abc = 1;\n";
    const QByteArray plain = "no match here\n";
    const QString wave = QStringLiteral("表〜");  // 〜 typed: ～ in the Japanese encodings
    const QByteArray sjisWave = QByteArray("int ") + encoded(QStringLiteral("表～"), TextEncoding::Windows31J) + " = 1;\n";
    const QByteArray eucWave = iconvTo(QStringLiteral("int 表〜 = 1;\n"), "EUC-JP");
    const QByteArray utf8Wave = QStringLiteral("int 表〜 = 1;\n").toUtf8();
    const struct {
        const char* name;
        QList<QByteArray> others;
        Setting setting;
        QString replace;
        QByteArray expected;  // empty: left as it was and reported
        QString note;
        QList<QByteArray> above = {};    // in the searched folder, which holds the file's folder
        QList<QByteArray> outside = {};  // in the folder that holds the searched one
    } cases[] = {
        {"shift_jis folder", {sjis, sjis, utf8, plain}, Setting::Utf8, wave, sjisWave, " (Shift_JIS)"},
        {"euc-jp folder", {euc, euc, sjis}, Setting::ShiftJis, wave, eucWave, " (EUC-JP)"},
        {"utf-8 folder", {utf8}, Setting::ShiftJis, wave, utf8Wave, " (UTF-8)"},
        {"no evidence, automatic", {plain, encoded(QStringLiteral("日本"), TextEncoding::Utf16LeBom)}, Setting::Auto, wave, utf8Wave, " (UTF-8)"},
        {"automatic, shift_jis above", {plain}, Setting::Auto, wave, sjisWave, " (Shift_JIS)", {sjis, sjis, utf8}},
        {"automatic, outside the search", {}, Setting::Auto, wave, utf8Wave, " (UTF-8)", {plain}, {sjis}},
        {"utf-8 set, shift_jis above", {}, Setting::Utf8, wave, utf8Wave, " (UTF-8)", {sjis}},
        {"no evidence, shift_jis", {plain}, Setting::ShiftJis, wave, sjisWave, " (Shift_JIS)"},
        {"no evidence, utf-8", {}, Setting::Utf8, wave, utf8Wave, " (UTF-8)"},
        {"a tie is no evidence", {sjis, utf8}, Setting::ShiftJis, wave, sjisWave, " (Shift_JIS)"},
        {"result stays ascii", {sjis}, Setting::Utf8, QStringLiteral("xyz"), "int xyz = 1;\n", ""},
        {"shift_jis cannot hold it", {sjis}, Setting::Utf8, QStringLiteral("😀"), {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        folder.write(QStringLiteral("run/sub/a.txt"), ascii);
        const auto place = [&](const QString& where, const QList<QByteArray>& files) {
            for (qsizetype i = 0; i < files.size(); ++i)
                folder.write(where + QStringLiteral("other%1.txt").arg(i), files[i]);
        };
        place(QStringLiteral("run/sub/"), c.others);
        place(QStringLiteral("run/"), c.above);
        place(QString(), c.outside);
        auto engine = engineFor(folder.file(QStringLiteral("run/")), {{QStringLiteral("abc"), c.replace}});
        engine->setSubFolder(true);
        engine->setAsciiFileEncoding(c.setting);
        engine->TralexGo();
        const QString path = folder.file(QStringLiteral("run/sub/a.txt"));
        if (c.expected.isEmpty()) {
            EXPECT_EQ(readBytes(path), ascii);
            EXPECT_EQ(engine->CountSkipped(), 1);
            EXPECT_EQ(engine->CountResult(), 0);
            continue;
        }
        EXPECT_EQ(readBytes(path), c.expected);
        EXPECT_EQ(engine->ItemResult()->items(), QStringList({path + c.note}));
        EXPECT_EQ(engine->CountSkipped(), 0);
    }
}

TEST_F(TextTralexTest, FilesThatCannotBeHandledSafelyAreSkippedAndReported)
{
    const QByteArray binary("abc\0def", 7);
    const QByteArray undecodable("abc \x80\xFF");
    data.write(QStringLiteral("bin.txt"), binary);
    data.write(QStringLiteral("bad.txt"), undecodable);
    data.write(QStringLiteral("sjis.txt"), encoded(QStringLiteral("表 abc"), TextEncoding::Windows31J));
    // UTF-16 holds NUL bytes and is text all the same.
    data.write(QStringLiteral("u16.txt"), encoded(QStringLiteral("abc"), TextEncoding::Utf16LeBom));
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("😀")}});
    engine->TralexGo();

    EXPECT_EQ(readBytes(data.file(QStringLiteral("bin.txt"))), binary);
    EXPECT_EQ(readBytes(data.file(QStringLiteral("bad.txt"))), undecodable);
    EXPECT_EQ(readBytes(data.file(QStringLiteral("sjis.txt"))),
              encoded(QStringLiteral("表 abc"), TextEncoding::Windows31J));
    EXPECT_EQ(readBytes(data.file(QStringLiteral("u16.txt"))),
              encoded(QStringLiteral("😀"), TextEncoding::Utf16LeBom));
    EXPECT_EQ(engine->ItemResult()->items(), QStringList({data.file(QStringLiteral("u16.txt"))}));
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({data.file(QStringLiteral("bad.txt")) + "\t文字コードを判別できません",
                           data.file(QStringLiteral("bin.txt")) + "\tバイナリファイルです",
                           data.file(QStringLiteral("sjis.txt")) +
                               "\t置換後の文字を保存できる文字コードではありません"}));
    EXPECT_EQ(backUpsIn(data.path()).size(), 1);
}

// A file that holds no find text at all is "no pair matched", whatever its bytes: it is neither
// changed nor reported.
TEST_F(TextTralexTest, Utf32AndUtf16WithNulUnitsAreReportedAndLeftAsTheyAre)
{
    const struct {
        const char* name;
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"utf32le.txt", QByteArray("\xFF\xFE\0\0a\0\0\0b\0\0\0", 12), "UTF-32"},
        {"utf32be.txt", QByteArray("\0\0\xFE\xFF\0\0\0a\0\0\0b", 12), "UTF-32"},
        {"utf16nul.txt", QByteArray("\xFF\xFE" "a\0b\0\0\0\0\0", 10), "バイナリ"},
    };
    for (const auto& c : cases)
        data.write(QString::fromLatin1(c.name), c.bytes);
    auto engine = engineFor(data.path(), {{QStringLiteral("a"), QStringLiteral("x")}});
    engine->TralexGo();
    EXPECT_EQ(engine->CountResult(), 0);
    const QString skipped = engine->ItemSkipped()->items().join(QLatin1Char('\n'));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readBytes(data.file(QString::fromLatin1(c.name))), c.bytes);
        const QRegularExpression line(QRegularExpression::escape(data.file(QString::fromLatin1(c.name)))
                                      + QStringLiteral("\t.*") + QString::fromUtf8(c.reason));
        EXPECT_TRUE(line.match(skipped).hasMatch()) << skipped.toStdString();
    }
}

TEST_F(TextTralexTest, UndecodableFileWithoutAnyFindTextIsNotReportedButABinaryOneIs)
{
    const QByteArray binary("xyz\0", 4);
    data.write(QStringLiteral("bin.txt"), binary);
    data.write(QStringLiteral("bad.txt"), "xyz \x80\xFF");
    data.write(QStringLiteral("lf.txt"), "a\nb");
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("x")},
                                          {QStringLiteral("a\r\nb"), QStringLiteral("y")}});
    engine->TralexGo();
    // No pair could change bad.txt, whatever its encoding; bin.txt is not text at all.
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({data.file("bin.txt") + QStringLiteral("\tバイナリファイルです")}));
    EXPECT_EQ(readBytes(data.file("bin.txt")), binary);
    EXPECT_EQ(engine->ItemResult()->items(), QStringList({data.file("lf.txt")}));
    EXPECT_EQ(readBytes(data.file("lf.txt")), "y");
}

TEST_F(TextTralexTest, ExistingBackUpNameLeavesTheFileUnchanged)
{
    data.write(QStringLiteral("a.txt"), "abc");
    // Take the backup names of the next seconds, so that the run meets one of them.
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s < 5; ++s)
        data.write(BackUpName(QStringLiteral("a.txt"), BackUpStamp(now.addSecs(s))), "earlier");
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
    engine->TralexGo();
    EXPECT_EQ(readBytes(data.file(QStringLiteral("a.txt"))), "abc");
    EXPECT_EQ(engine->CountResult(), 0);
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({data.file(QStringLiteral("a.txt")) + "\tバックアップファイル名が既に存在します"}));
    for (const QString& n : backUpsIn(data.path()))
        EXPECT_EQ(readBytes(data.file(n)), "earlier");
}

// A preview notes small files on a thread of its own and a large one in turn: its list still has
// the files as the run lists them, each with its own count and lines.
TEST_F(TextTralexTest, PreviewListsTheFilesAsTheRunDoesWhetherNotedApartOrInTurn)
{
    const qsizetype fillerLines = qsizetype(3) << 20;  // 36 MiB: over what is noted apart
    data.write(QStringLiteral("a.txt"), "abc\n");
    data.write(QStringLiteral("b.txt"), QByteArray("filler line\n").repeated(fillerLines) + "abc abc\n");
    data.write(QStringLiteral("c.txt"), "one\nabc\n");
    const QList<std::pair<QString, QString>> pairs = {{QStringLiteral("abc"), QStringLiteral("xyz")}};
    auto preview = engineFor(data.path(), pairs);
    preview->setPreview(true);
    preview->TralexGo();
    const QMap<QString, std::pair<qint64, qint64>> expected = {
        {QStringLiteral("a.txt"), {1, 1}}, {QStringLiteral("b.txt"), {2, fillerLines + 1}}, {QStringLiteral("c.txt"), {1, 2}}};
    QMap<QString, std::pair<qint64, qint64>> seen;  // replacements, and the changed line's number
    for (const FileReport& report : preview->Result().files) {
        ASSERT_EQ(report.lines.size(), 1) << report.path.toStdString();
        EXPECT_EQ(report.lines.first().after.count(QStringLiteral("xyz")), report.replacements);
        ASSERT_TRUE(report.read.has_value());
        EXPECT_EQ(report.read->hash, RunJournal::ContentHash(readBytes(data.file(QFileInfo(report.path).fileName()))));
        seen.insert(QFileInfo(report.path).fileName(), {report.replacements, report.lines.first().afterLine});
    }
    EXPECT_EQ(seen, expected);
    auto run = engineFor(data.path(), pairs);
    run->TralexGo();
    EXPECT_EQ(preview->Result().changed, run->Result().changed);
}

TEST_F(TextTralexTest, FullDiskLeavesTheOldFileAndReportsIt)
{
    data.write(QStringLiteral("a.txt"), "abc");
    // A preview keeps the new content, which the files chosen from it are given.
    const QList<std::pair<QString, QString>> pairs = {{QStringLiteral("abc"), QStringLiteral("xyz")}};
    for (const bool chosen : {false, true}) {
        SCOPED_TRACE(chosen);
        auto engine = engineFor(data.path(), pairs);
        if (chosen) {
            auto preview = engineFor(data.path(), pairs);
            preview->setPreview(true);
            preview->TralexGo();
            ASSERT_TRUE(preview->Result().files.value(0).newContent.has_value());
            engine->setListedFiles(preview->Result().files);
        }
        engine->setFileRenewal(std::make_unique<FullDisk>());
        engine->TralexGo();
        EXPECT_EQ(readBytes(data.file(QStringLiteral("a.txt"))), "abc");
        EXPECT_EQ(engine->CountResult(), 0);
        EXPECT_EQ(engine->ItemSkipped()->items(),
                  QStringList({data.file(QStringLiteral("a.txt")) + "\tファイルを書き込めません"}));
        EXPECT_EQ(names(data.path()), QStringList({"a.txt"}));
    }
}

// A disk that fails when the run puts its writes on it at the end: the change is still listed,
// and the run lists its folder with the reason, so that it does not read as a clean success.
TEST_F(TextTralexTest, DiskThatCannotWriteOutAtTheEndIsReported)
{
    class FailingFlush : public FileSystemFlush {
    protected:
        int syncFileSystem(int) override { return EIO; }
    };
    data.write(QStringLiteral("a.txt"), "abc");
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
    engine->setFileSystemFlush(std::make_unique<FailingFlush>());
    engine->TralexGo();
    EXPECT_EQ(engine->ItemResult()->items(), QStringList({data.file(QStringLiteral("a.txt"))}));
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({engine->TargetPath() + "\t変更がディスクに書き込まれたことを確認できません"}));
}

TEST_F(TextTralexTest, OwnBackUpsAndTemporaryFilesAreNeverTargets)
{
    data.write(QStringLiteral("Bk202601010101_a.txt"), "a");
    data.write(QStringLiteral("Renewal202601010101_a.txt"), "a");
    data.write(QStringLiteral("a.txt"), "a");
    data.write(QStringLiteral("b.txt"), "a");
    // Every replacement makes a new match: a backup seen by the same run would change again.
    auto engine = engineFor(data.path(), {{QStringLiteral("a"), QStringLiteral("aa")}});
    engine->TralexGo();
    EXPECT_EQ(engine->CountResult(), 2);
    EXPECT_EQ(readBytes(data.file(QStringLiteral("Bk202601010101_a.txt"))), "a");
    EXPECT_EQ(readBytes(data.file(QStringLiteral("Renewal202601010101_a.txt"))), "a");
    EXPECT_EQ(readBytes(data.file(QStringLiteral("a.txt"))), "aa");
    EXPECT_EQ(backUpsIn(data.path()).size(), 3);  // the old one and one per changed file
    for (const QString& n : names(data.path()))
        EXPECT_FALSE(n.contains(QStringLiteral("_Bk")) || n.contains(QStringLiteral("_Renewal")))
            << n.toStdString();
}

TEST_F(TextTralexTest, SubfoldersLevelByLevelAndEachFolderOnce)
{
    data.write(QStringLiteral("t.txt"), "a");
    data.write(QStringLiteral("x/t.txt"), "a");
    data.write(QStringLiteral("x/y/t.txt"), "a");
    data.write(QStringLiteral("old.txt/t.txt"), "a");  // a folder whose name matches the type
    data.write(QStringLiteral(".hidden/t.txt"), "a");
    auto engine = engineFor(data.path(), {{QStringLiteral("a"), QStringLiteral("aa")}});
    engine->setSubFolder(true);
    engine->TralexGo();
    EXPECT_EQ(engine->ItemResult()->items(),
              QStringList({data.file("old.txt/t.txt"), data.file("t.txt"), data.file("x/t.txt"),
                           data.file("x/y/t.txt")}));
    EXPECT_EQ(readBytes(data.file("old.txt/t.txt")), "aa");  // once, not twice
    EXPECT_EQ(readBytes(data.file(".hidden/t.txt")), "a");

    // Without subfolders, a folder whose name matches is still searched.
    data.write(QStringLiteral("second/old.txt/t.txt"), "a");
    data.write(QStringLiteral("second/sub/t.txt"), "a");
    auto second = engineFor(data.file("second"), {{QStringLiteral("a"), QStringLiteral("b")}});
    second->TralexGo();
    EXPECT_EQ(second->ItemResult()->items(), QStringList({data.file("second/old.txt/t.txt")}));
}

TEST_F(TextTralexTest, SymbolicLinksAreNotFollowed)
{
    TempFolder outside;
    const QString target = outside.write(QStringLiteral("target.txt"), "a");
    outside.write(QStringLiteral("sub/inner.txt"), "a");
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                        QFile::encodeName(data.file("link.txt")).constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(outside.file("sub")).constData(),
                        QFile::encodeName(data.file("linked")).constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(outside.file("sub")).constData(),
                        QFile::encodeName(data.file("linked.txt")).constData()), 0);
    data.write(QStringLiteral("own.txt"), "a");
    auto engine = engineFor(data.path(), {{QStringLiteral("a"), QStringLiteral("b")}});
    engine->setSubFolder(true);
    engine->TralexGo();
    EXPECT_EQ(engine->ItemResult()->items(), QStringList({data.file("own.txt")}));
    EXPECT_EQ(readBytes(target), "a");
    EXPECT_EQ(readBytes(outside.file("sub/inner.txt")), "a");
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({data.file("link.txt") + "\tシンボリックリンクは対象外です",
                           data.file("linked.txt") + "\tシンボリックリンクは対象外です"}));
}

TEST_F(TextTralexTest, BackUpsGoToTheMirroredFolder)
{
    TempFolder bk;
    const QString a = data.write(QStringLiteral("sub/a.txt"), "abc");
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("x")}});
    engine->setBackUpPath(bk.path());
    engine->setSubFolder(true);
    engine->TralexGo();
    EXPECT_EQ(readBytes(a), "x");
    const QString mirror = bk.path() + data.file("sub/").mid(1);
    const QStringList backUps = backUpsIn(mirror);
    ASSERT_EQ(backUps.size(), 1);
    EXPECT_EQ(readBytes(mirror + backUps[0]), "abc");
    EXPECT_EQ(names(data.file("sub")), QStringList({"a.txt"}));
}

TEST_F(TextTralexTest, StopIsHonouredBeforeTheNextFile)
{
    for (const int stopAt : {1, 2}) {
        SCOPED_TRACE(stopAt);
        TempFolder folder;
        folder.write(QStringLiteral("a.txt"), "a");
        folder.write(QStringLiteral("b.txt"), "a");
        folder.write(QStringLiteral("c.txt"), "a");
        auto engine = engineFor(folder.path(), {{QStringLiteral("a"), QStringLiteral("b")}});
        int seen = 0;
        QObject::connect(engine.get(), &TralexEngine::ExecutionMessage, [&](const QString&) {
            if (++seen == stopAt)
                engine->setStopFlag(true);
        });
        engine->TralexGo();
        EXPECT_EQ(seen, stopAt);
        EXPECT_EQ(engine->CountResult(), stopAt - 1);
    }
}

// However many files a run goes through within one interval, the window is told of the first at
// once and of the last before the run returns.
TEST_F(TextTralexTest, ProgressIsThinnedOutButTheLastFileIsAlwaysReported)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        data.write(QString::fromLatin1(name), "abc");
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
    engine->setProgressInterval(24 * 3600 * 1000);
    QStringList messages;
    QObject::connect(engine.get(), &TralexEngine::ExecutionMessage,
                     [&](const QString& m) { messages.append(m); });
    engine->TralexGo();
    EXPECT_EQ(engine->CountResult(), 4);
    EXPECT_EQ(messages, QStringList({"a.txt を置換中...", "d.txt を置換中..."}));
}

// ---- deleting backups ----

TEST_F(TextTralexTest, KillBackUpFileDeletesBackUpsOfTheTypeOnly)
{
    const QStringList gone = {"Bk202612061831_a.txt", "Bk000000000000_a.txt", "sub/Bk202612061831_c.txt"};
    const QStringList kept = {"bk202612061831_a.txt", "Bk20261206183_a.txt", "Bk202612061831_x.xls",
                              "Renewal202612061831_b.txt", "a.txt"};
    for (const QString& n : gone + kept)
        data.write(n, "x");
    ::chmod(QFile::encodeName(data.file(gone[0])).constData(), 0444);  // read-only all the same

    auto engine = engineFor(data.path(), {});
    engine->setSubFolder(true);
    QStringList messages;
    QObject::connect(engine.get(), &TralexEngine::ExecutionMessage,
                     [&](const QString& m) { messages.append(m); });
    engine->KillBackUpFile();
    for (const QString& n : gone)
        EXPECT_FALSE(QFileInfo::exists(data.file(n))) << n.toStdString();
    for (const QString& n : kept)
        EXPECT_TRUE(QFileInfo::exists(data.file(n))) << n.toStdString();
    EXPECT_EQ(engine->CountResult(), 3);
    EXPECT_TRUE(messages.contains(QStringLiteral("Bk000000000000_a.txt を削除中...")));

    // With the type "xls" only the xls backup goes.
    auto xls = engineFor(data.path(), {}, QStringLiteral("xls"));
    xls->KillBackUpFile();
    EXPECT_EQ(xls->ItemResult()->items(), QStringList({data.file("Bk202612061831_x.xls")}));
    EXPECT_TRUE(QFileInfo::exists(data.file("Renewal202612061831_b.txt")));
}

TEST_F(TextTralexTest, BackUpThatCannotBeDeletedEndsTheRun)
{
    data.write(QStringLiteral("Bk202612061830_a.txt"), "x");
    const QString locked = data.write(QStringLiteral("Bk202612061831_a.txt"), "x");
    data.write(QStringLiteral("Bk202612061832_a.txt"), "x");
    // An immutable file cannot be removed, not even by root.
    const QByteArray name = QFile::encodeName(locked);
    const int fd = ::open(name.constData(), O_RDONLY);
    int flags = 0;
    if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
        (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags)) != 0) {
        if (fd >= 0)
            ::close(fd);
        GTEST_SKIP() << "cannot make a file immutable here";
    }
    auto engine = engineFor(data.path(), {});
    expectError([&] { engine->KillBackUpFile(); },
                QStringLiteral("バックアップファイルを削除できません: ") + locked);
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    // Backups deleted before the failure stay deleted and listed; the rest stays.
    EXPECT_EQ(engine->ItemResult()->items(), QStringList({data.file("Bk202612061830_a.txt")}));
    EXPECT_TRUE(QFileInfo::exists(data.file("Bk202612061832_a.txt")));
}

// ---- hostile folders ----

// A folder swapped for a link to another place while the run goes on is never entered: not the
// folder whose files are being handled, nor one below it that was listed before the swap.
TEST_F(TextTralexTest, FolderSwappedForALinkDuringTheRunIsNotEntered)
{
    TempFolder outside;
    for (const QString& name : {QStringLiteral("sub/a.txt"), QStringLiteral("sub/deep/c.txt")}) {
        data.write(name, "abc");
        outside.write(name.mid(4), "abc");
    }
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
    engine->setSubFolder(true);
    bool swapped = false;
    QObject::connect(engine.get(), &TralexEngine::ExecutionMessage, [&](const QString&) {
        if (std::exchange(swapped, true))
            return;
        ASSERT_EQ(::rename(QFile::encodeName(data.file("sub")).constData(),
                           QFile::encodeName(data.file("moved")).constData()), 0);
        ASSERT_EQ(::symlink(QFile::encodeName(outside.path()).constData(),
                            QFile::encodeName(data.file("sub")).constData()), 0);
    });
    engine->TralexGo();
    EXPECT_EQ(readBytes(outside.file("a.txt")), "abc");
    EXPECT_EQ(readBytes(outside.file("deep/c.txt")), "abc");
    EXPECT_EQ(names(outside.path()), QStringList({"a.txt", "deep"}));
    EXPECT_EQ(names(outside.file("deep")), QStringList({"c.txt"}));
    // The folder that was listed is handled where it now is; the one below it is reported.
    EXPECT_EQ(readBytes(data.file("moved/a.txt")), "xyz");
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({data.file("sub/deep/") + "\t一覧を作った後にフォルダが移動または置き換えられました"}));
}

// A name that is not valid UTF-8 is never touched, since its text may name another entry, and
// it is reported; the real file whose name is that text is handled once.
TEST_F(TextTralexTest, NamesThatAreNotTextAreReportedAndNeverTouched)
{
    const QString real = data.write(QString::fromUtf8("\xEF\xBF\xBD.txt"), "abc");
    const auto writeRaw = [&](const QByteArray& relative) {
        const QByteArray full = QFile::encodeName(data.path()) + relative;
        const int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "abc", 3), 3);
        ::close(fd);
    };
    writeRaw("\xFF.txt");
    ASSERT_EQ(::mkdir((QFile::encodeName(data.path()) + "\xFE").constData(), 0755), 0);
    writeRaw("\xFE/b.txt");
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("abcabc")}});
    engine->setSubFolder(true);
    engine->TralexGo();
    EXPECT_EQ(readBytes(real), "abcabc");
    EXPECT_EQ(engine->ItemResult()->items(), QStringList({real}));
    const QString bad = data.file(QString(QChar(0xFFFD)));
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({bad + "/\t名前を文字に変換できません",
                           bad + ".txt\t名前を文字に変換できません"}));
    for (const QByteArray& relative : {QByteArray("\xFF.txt"), QByteArray("\xFE/b.txt")}) {
        char content[8] = {};
        const int fd = ::open((QFile::encodeName(data.path()) + relative).constData(), O_RDONLY);
        EXPECT_EQ(::read(fd, content, sizeof content), 3);
        EXPECT_EQ(QByteArray(content), "abc");
        ::close(fd);
    }
}

// Folders deeper than a path can name are reached through their parents and handled.
TEST_F(TextTralexTest, FoldersDeeperThanAPathCanNameAreHandled)
{
    const QByteArray piece(200, 'd');
    int fd = ::open(QFile::encodeName(data.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < 25; ++level) {  // 25 x 201 bytes: beyond PATH_MAX
        ASSERT_EQ(::mkdirat(fd, piece.constData(), 0755), 0);
        const int next = ::openat(fd, piece.constData(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
    }
    const int file = ::openat(fd, "a.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "abc", 3), 3);
    ::close(file);
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
    engine->setSubFolder(true);
    engine->TralexGo();
    EXPECT_EQ(engine->CountSkipped(), 0) << engine->ItemSkipped()->items().join('\n').toStdString();
    ASSERT_EQ(engine->CountResult(), 1);
    EXPECT_GT(engine->ItemResult()->Item(1).size(), PATH_MAX);
    char content[8] = {};
    const int check = ::openat(fd, "a.txt", O_RDONLY);
    EXPECT_EQ(::read(check, content, sizeof content), 3);
    EXPECT_EQ(QByteArray(content), "xyz");
    ::close(check);
    ::close(fd);
    // QTemporaryDir cannot remove what no path can name.
    EXPECT_EQ(std::system(("rm -rf " + QFile::encodeName(data.path()) + piece).constData()), 0);
}

// Folders named like the type, nested deep, are each handled once, with subfolders or entered
// for their names alone, however few descriptors the process may open.
TEST_F(TextTralexTest, FoldersNamedLikeTheTypeNestedDeepAreEachHandledOnce)
{
    constexpr int Levels = 300;
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    for (const bool subfolders : {true, false}) {
        SCOPED_TRACE(subfolders);
        TempFolder tree;
        QString folder;  // below the tree
        QString deepest;
        for (int level = 0; level < Levels; ++level, folder += QStringLiteral("d.txt/"))
            deepest = tree.write(folder + QStringLiteral("a.txt"), "abc");
        auto engine = engineFor(tree.path(), {{QStringLiteral("abc"), QStringLiteral("abcabc")}});
        engine->setSubFolder(subfolders);
        rlimit few = saved;
        few.rlim_cur = 64;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
        engine->TralexGo();
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
        EXPECT_EQ(engine->CountSkipped(), 0) << engine->ItemSkipped()->items().join('\n').toStdString();
        EXPECT_EQ(engine->CountResult(), Levels);
        EXPECT_EQ(readBytes(deepest), "abcabc");
        EXPECT_EQ(readBytes(tree.file(QStringLiteral("d.txt/a.txt"))), "abcabc");
    }
}

// A folder whose subfolders cannot be listed for want of memory is reported; its own files and
// every other folder are still handled.
TEST_F(TextTralexTest, RunningOutOfMemoryInTheWalkSkipsThatFolderOnly)
{
    for (const char* name : {"a.txt", "x/a.txt", "x/y/a.txt", "z/a.txt"})
        data.write(QString::fromLatin1(name), "abc");
    struct stat x {};
    ASSERT_EQ(::stat(QFile::encodeName(data.file(QStringLiteral("x"))).constData(), &x), 0);
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
    engine->setSubFolder(true);
    engine->setSubfolderLister([&x](int fd) -> std::optional<QList<FolderEntry>> {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_ino == x.st_ino && st.st_dev == x.st_dev)
            throw std::bad_alloc();
        return ListSubfoldersAt(fd);
    });
    engine->TralexGo();
    EXPECT_EQ(engine->ItemResult()->items(),
              QStringList({data.file("a.txt"), data.file("x/a.txt"), data.file("z/a.txt")}));
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({data.file("x/") + "\tメモリが足りないためサブフォルダを調べられません"}));
    EXPECT_EQ(readBytes(data.file("x/y/a.txt")), "abc");
}

// A file too large for the memory left is skipped with its reason, and the run goes on.
TEST_F(TextTralexTest, FileTooLargeForTheMemoryLeftIsSkipped)
{
    // Sparse files of 8 GB cost no disk; the address space is limited so that they cannot be
    // read. The first begins with text, so only reading it shows what it is; the second is binary
    // from its first bytes and is known as such without being read.
    const QString big = data.write(QStringLiteral("a_big.txt"), QByteArray(100000, 'a') + "abc");
    ASSERT_EQ(::truncate(QFile::encodeName(big).constData(), 8LL << 30), 0);
    data.write(QStringLiteral("b_small.txt"), "abc");
    const QString sparse = data.write(QStringLiteral("c_sparse.txt"), QByteArray());
    ASSERT_EQ(::truncate(QFile::encodeName(sparse).constData(), 8LL << 30), 0);
    auto engine = engineFor(data.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
    engine->setBlockLimits({std::numeric_limits<qint64>::max()});  // every file read whole
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &saved), 0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    const rlim_t inUse = rlim_t(statm.readAll().split(' ').at(0).toULongLong()) * rlim_t(::sysconf(_SC_PAGESIZE));
    rlimit limited = saved;
    limited.rlim_cur = inUse + (1ULL << 30);
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &limited), 0);
    engine->TralexGo();
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &saved), 0);
    EXPECT_EQ(engine->ItemResult()->items(), QStringList({data.file("b_small.txt")}));
    EXPECT_EQ(engine->ItemSkipped()->items(),
              QStringList({big + "\tメモリが足りません", sparse + "\tバイナリファイルです"}));
}

// Where no hard link can be made in the file's own folder, the backup is copied under a name of
// its own, never the new content's temporary name.
TEST_F(TextTralexTest, BackUpIsCopiedWhereNoHardLinkIsAllowed)
{
    class NoHardLinks : public FileRenewal {
    public:
        int error = 0;
        QList<QByteArray> placed;

    protected:
        int linkOpened(int, int, const char*) override { return error; }
        int renameNoReplace(int fromFolder, const char* from, int toFolder, const char* to) override
        {
            placed.append(from);
            return FileRenewal::renameNoReplace(fromFolder, from, toFolder, to);
        }
    };
    for (const int error : {EPERM, ENOTSUP}) {
        SCOPED_TRACE(error);
        TempFolder folder;
        folder.write(QStringLiteral("a.txt"), "abc");
        auto engine = engineFor(folder.path(), {{QStringLiteral("abc"), QStringLiteral("xyz")}});
        auto renewal = std::make_unique<NoHardLinks>();
        renewal->error = error;
        NoHardLinks* seen = renewal.get();
        engine->setFileRenewal(std::move(renewal));
        engine->TralexGo();
        EXPECT_EQ(engine->CountResult(), 1);
        EXPECT_EQ(readBytes(folder.file("a.txt")), "xyz");
        const QStringList backUps = backUpsIn(folder.path());
        ASSERT_EQ(backUps.size(), 1);
        EXPECT_EQ(readBytes(folder.file(backUps[0])), "abc");
        EXPECT_EQ(names(folder.path()).size(), 2);
        ASSERT_EQ(seen->placed.size(), 1);
        EXPECT_FALSE(seen->placed[0].contains(".1")) << seen->placed[0].constData();
    }
}
