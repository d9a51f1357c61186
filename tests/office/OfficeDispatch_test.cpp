// The main window sends spreadsheets and documents to the office engines and offers today's
// office types after the text engine's.
#include "app/frmMain.h"
#include "engines/office/OfficeTypes.h"
#include "platform/SettingsFolder.h"
#include "support/ModalAnswerer.h"
#include "support/TestFiles.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tralex;
using namespace tralex::test;

TEST(OfficeDispatch, WorkbooksGoToTheSpreadsheetEngineAndTodaysTypesFollowTheTextTypes)
{
    TempFolder settings;
    TempFolder files;
    OverrideSettingsFolder(settings.path());
    // Text named .xls: the text engine would rewrite it, the spreadsheet engine refuses it.
    const QString folder = files.mkdir(QStringLiteral("target"));
    files.write(QStringLiteral("target/a.xls"), "abc");
    {
        frmMain window;
        window.show();
        auto* types = child<QComboBox>(&window, QStringLiteral("cboExtension"));
        QStringList offered;
        for (int i = 0; i < types->count(); ++i)
            offered << types->itemText(i);
        ASSERT_EQ(offered.size(), 17);
        EXPECT_EQ(offered.at(12), QStringLiteral("jsp"));
        EXPECT_EQ(offered.mid(13), OfficeTypes());

        typeText(child<QPlainTextEdit>(&window, QStringLiteral("txtFndStr")), QStringLiteral("abc"));
        typeText(child<QPlainTextEdit>(&window, QStringLiteral("txtRepStr")), QStringLiteral("xyz"));
        click(&window, QStringLiteral("cmdAction(4)"));
        typeText(child<QLineEdit>(&window, QStringLiteral("txtPath")), folder);
        types->setEditText(QStringLiteral("xls"));

        QString message;
        ModalAnswerer answer(120000);
        answer.then(QStringLiteral("Msg_Warning"), [&](QWidget* w) {
            message = child<QLabel>(w, QStringLiteral("lblMessage(1)"))->text();
            click(w, QStringLiteral("cmdOK"));
        });
        click(&window, QStringLiteral("cmdAction(0)"));
        waitFor([&] { return answer.allAnswered(); });
        EXPECT_EQ(message, QStringLiteral("処理できなかったファイルが1件あります"));
        window.close();
    }
    EXPECT_EQ(readBytes(files.file(QStringLiteral("target/a.xls"))), QByteArray("abc"));
    OverrideSettingsFolder(QString());
}
