// The document engine on the real LibreOffice, with documents it makes itself.
#include "engines/office/clsWordControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeTextDocument.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tralex;
using namespace tralex::test;

class WordEngineFormats : public ::testing::TestWithParam<const char*> {};

// The pair makes its own find text again, so a header given the pair twice shows it.
TEST_P(WordEngineFormats, ReplacesBodyAndEveryHeaderAndFooterOnceKeepingFields)
{
    const QString type = QString::fromLatin1(GetParam());
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("報告.") + type);
    clsWordControl engine;
    MakeDocument(engine.Application(), path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0604), 0);
    Configure(engine, dir.path(), type, {{QStringLiteral("アルファ"), QStringLiteral("ベータアルファ")}});

    engine.TralexGo();

    ASSERT_EQ(engine.CountResult(), 1) << engine.ItemSkipped()->items().join(u'\n').toStdString();
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(NamesIn(dir.path()).size(), 2);
    {
        auto document = Retried(engine.Application(), [&] { return engine.Application().Open(path); });
        EXPECT_EQ(document->FilterName(), FilterOf(type));
        OfficeTextDocument text(*document);
        EXPECT_TRUE(text.BodyText().startsWith(QStringLiteral("ベータアルファ本文 abc")));
        const QStringList headers = text.HeaderFooterTexts();
        const QString all = headers.join(u'|');
        for (const QString expected : {"ベータアルファ 表紙", "ベータアルファ 本章", "ベータアルファ 頁", "ベータアルファ 下"})
            EXPECT_TRUE(all.contains(expected)) << expected.toStdString() << " in " << all.toStdString();
        EXPECT_FALSE(all.contains(QStringLiteral("ベータベータ"))) << all.toStdString();
    }
    engine.Application().Quit();

    const QString seen = ReadBack(path);
    EXPECT_TRUE(seen.contains(QStringLiteral("ベータアルファ本文"))) << seen.toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("ベータベータ")));
    if (type == QLatin1String("docx")) {
        EXPECT_TRUE(seen.contains(QStringLiteral("ベータアルファ 本章")));
        EXPECT_TRUE(seen.contains(QStringLiteral("PAGE"))) << "page field lost";
    }
    if (type == QLatin1String("odt")) {
        EXPECT_TRUE(seen.contains(QStringLiteral("ベータアルファ 本章")));
        EXPECT_TRUE(seen.contains(QStringLiteral("<text:page-number"))) << "page field lost";
    }
}

INSTANTIATE_TEST_SUITE_P(Office, WordEngineFormats, ::testing::Values("doc", "docx", "odt"));

TEST(WordEngine, FooterOnlyMatchIsStoredAndUnmatchedDocumentIsLeftAlone)
{
    TempFolder dir;
    clsWordControl engine;
    MakeDocument(engine.Application(), dir.file("a.doc"), QStringLiteral("専用 下"));
    MakeDocument(engine.Application(), dir.file("b.doc"));
    const QByteArray untouched = readBytes(dir.file("b.doc"));
    Configure(engine, dir.path(), "doc", {{QStringLiteral("専用"), QStringLiteral("共用")}});

    engine.TralexGo();

    ASSERT_EQ(engine.CountResult(), 1);
    EXPECT_EQ(engine.ItemResult()->Item(1), dir.file("a.doc"));
    EXPECT_EQ(readBytes(dir.file("b.doc")), untouched);
    EXPECT_EQ(NamesIn(dir.path()).size(), 3);
    auto document = Retried(engine.Application(), [&] { return engine.Application().Open(dir.file("a.doc")); });
    EXPECT_TRUE(OfficeTextDocument(*document).HeaderFooterTexts().join(u'|').contains(QStringLiteral("共用 下")));
}

TEST(WordEngine, UcaseOptionDecidesWhetherLetterCaseMatters)
{
    for (const bool ucase : {false, true}) {
        TempFolder dir;
        clsWordControl engine;
        MakeDocument(engine.Application(), dir.file("a.doc"), QStringLiteral("abc 下"));
        Configure(engine, dir.path(), "doc", {{QStringLiteral("ABC"), QStringLiteral("Q")}}, ucase);
        engine.TralexGo();
        ASSERT_EQ(engine.CountResult(), ucase ? 1 : 0) << ucase;
        if (!ucase)
            continue;
        auto document = Retried(engine.Application(), [&] { return engine.Application().Open(dir.file("a.doc")); });
        OfficeTextDocument text(*document);
        EXPECT_TRUE(text.BodyText().startsWith(QStringLiteral("アルファ本文 Q")));
        EXPECT_TRUE(text.HeaderFooterTexts().join(u'|').contains(QStringLiteral("Q 下")));
    }
}

TEST(WordEngine, ForeignFilesAreSkippedByNameWhileTheRunGoesOn)
{
    TempFolder dir;
    clsWordControl engine;
    dir.write("random.doc", QByteArray(3000, '\x01') + "アルファ");
    MakeDocument(engine.Application(), dir.file("renamed.docx"));
    QFile::rename(dir.file("renamed.docx"), dir.file("renamed.doc"));
    MakeDocument(engine.Application(), dir.file("zgood.doc"));
    const QByteArray random = readBytes(dir.file("random.doc"));
    const QByteArray renamed = readBytes(dir.file("renamed.doc"));
    Configure(engine, dir.path(), "doc", {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

    engine.TralexGo();

    EXPECT_EQ(engine.ItemResult()->items(), QStringList({dir.file("zgood.doc")}));
    EXPECT_EQ(SkipReason(engine, "random.doc"), QStringLiteral("拡張子と異なる形式のファイルです"));
    EXPECT_EQ(SkipReason(engine, "renamed.doc"), QStringLiteral("拡張子と異なる形式のファイルです"));
    EXPECT_EQ(readBytes(dir.file("random.doc")), random);
    EXPECT_EQ(readBytes(dir.file("renamed.doc")), renamed);
}
