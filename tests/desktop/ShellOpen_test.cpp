#include "desktop/ShellOpen.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace tralex;
using tralex::test::TempFolder;

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
