// A workbook previewed and replaced from the main window with the real LibreOffice: the preview
// lists it without an encoding, with its changed cell texts marked like text lines, and the
// replace that follows changes it and lists it with its backup.
#include "app/ChangedLinesView.h"
#include "app/frmMain.h"
#include "platform/SettingsFolder.h"
#include "support/ModalAnswerer.h"
#include "support/ResultTable.h"
#include "support/TestFiles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <gtest/gtest.h>

using namespace tralex;
using namespace tralex::test;

namespace {

// A workbook of three cells in column A, made by LibreOffice from a CSV file.
QString makeWorkbook(const TempFolder& files)
{
    const QString csv = files.write(QStringLiteral("make/book.csv"), "abc 1\nother\nabc 2\n");
    QProcess soffice;
    soffice.setProcessChannelMode(QProcess::MergedChannels);
    soffice.start(QStringLiteral("/usr/lib/libreoffice/program/soffice"),
                  {QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--norestore"),
                   QStringLiteral("-env:UserInstallation=file://") + files.file(QStringLiteral("profile")),
                   QStringLiteral("--convert-to"), QStringLiteral("xls"), csv, QStringLiteral("--outdir"),
                   files.mkdir(QStringLiteral("target"))});
    EXPECT_TRUE(soffice.waitForFinished(120000));
    const QString book = files.file(QStringLiteral("target/book.xls"));
    EXPECT_TRUE(QFile::exists(book)) << soffice.readAll().toStdString();
    return book;
}

TEST(OfficePreviewWindow, AWorkbookShowsItsChangedCellsAndIsReplacedWhenTicked)
{
    TempFolder settings;
    TempFolder files;
    OverrideSettingsFolder(settings.path());
    const QString book = makeWorkbook(files);
    const QByteArray before = readBytes(book);
    {
        frmMain window;
        window.show();
        typeText(child<QPlainTextEdit>(&window, QStringLiteral("txtFndStr")), QStringLiteral("abc"));
        typeText(child<QPlainTextEdit>(&window, QStringLiteral("txtRepStr")), QStringLiteral("xyz"));
        click(&window, QStringLiteral("cmdAction(4)"));
        typeText(child<QLineEdit>(&window, QStringLiteral("txtPath")), files.file(QStringLiteral("target/")));
        child<QComboBox>(&window, QStringLiteral("cboExtension"))->setEditText(QStringLiteral("xls"));

        QStringList previewed;
        QString heading;
        QString lines;
        bool unchanged = false;
        QStringList results;
        ModalAnswerer answer(240000);
        answer.then(QStringLiteral("frmPreview"), [&](QWidget* w) {
            unchanged = readBytes(book) == before;
            previewed = tableRows(child<QTableView>(w, QStringLiteral("lstFiles")));
            heading = child<QLabel>(w, QStringLiteral("lblLines"))->text();
            auto* view = child<QPlainTextEdit>(w, QStringLiteral("txtLines"));
            lines = view->toPlainText();
            click(w, QStringLiteral("cmdReplace"));
        });
        answer.then(QStringLiteral("Msg_Warning"), [](QWidget* w) { click(w, QStringLiteral("cmdOK")); });
        answer.then(QStringLiteral("frmResultList"), [&](QWidget* w) {
            results = tableRows(child<QTableView>(w, QStringLiteral("lstTarget")));
            // No encoding: nothing to compare as text.
            EXPECT_FALSE(child<QPushButton>(w, QStringLiteral("cmdCompare"))->isEnabled());
            w->close();
        });
        click(&window, QStringLiteral("cmdPreview"));
        waitFor([&] { return answer.allAnswered(); }, 240000);

        EXPECT_TRUE(unchanged);
        EXPECT_EQ(previewed, QStringList{QStringLiteral("1\t%1\t2\t").arg(book)});
        EXPECT_TRUE(heading.startsWith(QStringLiteral("変更される箇所"))) << heading.toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("前│abc 1")) && lines.contains(QStringLiteral("後│xyz 2")))
            << lines.toStdString();
        ASSERT_EQ(results.size(), 1);
        EXPECT_TRUE(results[0].startsWith(QStringLiteral("1\t%1\t2\t\tBk").arg(book))) << results[0].toStdString();
        window.close();
    }
    EXPECT_NE(readBytes(book), before);
    OverrideSettingsFolder(QString());
}

}  // namespace
