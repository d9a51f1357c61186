#include "desktop/basRelateExecute.h"
#include "platform/ProgramError.h"
#include "support/TestFiles.h"

#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QUrl>
#include <gtest/gtest.h>
#include <optional>

using namespace tralex;
using tralex::test::TempFolder;

namespace {

// Takes what would be handed to the desktop, so that nothing is started on this machine.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char* scheme : {"file", "mailto", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "take");
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : {"file", "mailto", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> taken;

public slots:
    void take(const QUrl& url) { taken.append(url); }
};

template <typename F>
std::optional<ProgramError> raised(F&& f)
{
    try {
        f();
    } catch (const ProgramError& e) {
        return e;
    }
    return std::nullopt;
}

}  // namespace

TEST(basRelateExecute, OnlyOrdinaryFilesAreOpened)
{
    TempFolder t;
    const QString readme = t.write(QStringLiteral("prog/ReadMe.txt"), "read me");
    t.write(QStringLiteral("prog/.hidden.txt"), "x");
    t.mkdir(QStringLiteral("prog/folder.txt"));

    UrlCatcher catcher;
    EXPECT_FALSE(raised([&] { RelateExecute(readme); }));
    ASSERT_EQ(catcher.taken.size(), 1);
    EXPECT_EQ(catcher.taken.at(0), QUrl::fromLocalFile(readme));

    // Not found: the file's name only, never the whole path.
    for (const char* name : {"Missing.txt", ".hidden.txt", "folder.txt"}) {
        const auto e = raised([&] { RelateExecute(t.file(QStringLiteral("prog/")) + QString::fromUtf8(name)); });
        ASSERT_TRUE(e) << name;
        EXPECT_EQ(e->number(), qint32(0x800403E9u));
        EXPECT_EQ(e->source(), QStringLiteral("RelateExecute"));
        EXPECT_EQ(e->description(), QString::fromUtf8(name) + QStringLiteral("が見つかりません"));
    }
    EXPECT_EQ(catcher.taken.size(), 1);
}

TEST(basRelateExecute, ARefusedFileOrTextRaisesTheShellError)
{
    // The offscreen platform has no desktop to hand addresses to: it refuses every one.
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    TempFolder t;
    const QString readme = t.write(QStringLiteral("ReadMe.txt"), "x");

    const auto onFile = raised([&] { RelateExecute(readme); });
    ASSERT_TRUE(onFile);
    EXPECT_EQ(onFile->number(), qint32(0x800403E9u));
    EXPECT_EQ(onFile->source(), QStringLiteral("RelateExecute"));
    EXPECT_EQ(onFile->description(), QStringLiteral("ReadMe.txtが開けませんでした"));

    const QString address = QStringLiteral("https://example.org/");
    const auto onText = raised([&] { StringExecute(address); });
    ASSERT_TRUE(onText);
    EXPECT_EQ(onText->source(), QStringLiteral("StringExecute"));
    EXPECT_EQ(onText->description(), address + QStringLiteral("が実行出来ませんでした"));
}

TEST(basRelateExecute, StringExecuteOpensAddressesAndRefusesTextsThatNameNothing)
{
    UrlCatcher catcher;
    EXPECT_FALSE(raised([] { StringExecute(QStringLiteral("mailto:someone@example.org")); }));
    EXPECT_FALSE(raised([] { StringExecute(QStringLiteral("http://example.org/tralex")); }));
    EXPECT_EQ(catcher.taken, (QList<QUrl>{QUrl(QStringLiteral("mailto:someone@example.org")),
                                          QUrl(QStringLiteral("http://example.org/tralex"))}));

    for (const char* text : {"nothing at all", "notepad ReadMe.txt", ""}) {
        const auto e = raised([&] { StringExecute(QString::fromUtf8(text)); });
        ASSERT_TRUE(e) << text;
        EXPECT_EQ(e->source(), QStringLiteral("StringExecute"));
        EXPECT_EQ(e->description(), QString::fromUtf8(text) + QStringLiteral("が実行出来ませんでした"));
    }
    EXPECT_EQ(catcher.taken.size(), 2);
}

#include "basRelateExecute_test.moc"
