#include "platform/ShellOpen.h"
#include "support/TestFiles.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace tralex;
using tralex::test::TempFolder;

namespace {

// Takes what the desktop would open for the schemes it is registered for, through Qt's own
// hook for handing addresses to the program itself, so nothing is started on this machine.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(const QStringList& schemes) : mSchemes(schemes)
    {
        for (const QString& scheme : mSchemes)
            QDesktopServices::setUrlHandler(scheme, this, "take");
    }
    ~UrlCatcher() override
    {
        for (const QString& scheme : mSchemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> taken;

public slots:
    void take(const QUrl& url) { taken.append(url); }

private:
    QStringList mSchemes;
};

}  // namespace

TEST(ShellOpen, WhatATextStandsFor)
{
    TempFolder t;
    const QString file = t.write(QStringLiteral("説明 書.txt"), "x");
    struct Case {
        QString text;
        QUrl url;
    } const cases[] = {
        {QStringLiteral("https://example.org/a?b=1"), QUrl(QStringLiteral("https://example.org/a?b=1"))},
        {QStringLiteral("mailto:someone@example.org"), QUrl(QStringLiteral("mailto:someone@example.org"))},
        {QStringLiteral("www.example.org"), QUrl(QStringLiteral("http://www.example.org"))},
        {file, QUrl::fromLocalFile(file)},
        {t.path(), QUrl::fromLocalFile(t.path())},
        {t.file(QStringLiteral("missing.txt")), QUrl()},
        {QStringLiteral("notepad"), QUrl()},
        {QStringLiteral("rm -rf /tmp/x"), QUrl()},
        {QStringLiteral("C:\\ReadMe.txt"), QUrl()},
        {QString(), QUrl()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UrlForText(c.text), c.url) << c.text.toStdString();
}

TEST(ShellOpen, TheAddressReachesTheDesktop)
{
    UrlCatcher catcher({QStringLiteral("mailto"), QStringLiteral("file")});
    const QUrl mail(QStringLiteral("mailto:someone@example.org"));
    EXPECT_TRUE(ShellOpen(mail));
    EXPECT_FALSE(ShellOpen(QUrl()));  // an invalid address never reaches the desktop
    ASSERT_EQ(catcher.taken.size(), 1);
    EXPECT_EQ(catcher.taken.at(0), mail);
}

TEST(ShellOpen, ARefusalOfTheDesktopIsReported)
{
    // The offscreen platform has no desktop to hand addresses to: it refuses every one.
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_FALSE(ShellOpen(QUrl(QStringLiteral("https://example.org/"))));
}

#include "ShellOpen_test.moc"
