// The splash window: what it shows, the main window opening after two seconds or at once when the
// splash is dismissed, and a main window that cannot load.
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>

#include "app/basMain.h"
#include "app/frmSplash.h"
#include "platform/ProgramError.h"
#include "platform/SettingsFolder.h"
#include "support/ModalAnswerer.h"
#include "support/TestFiles.h"

using namespace tralex;
using namespace tralex::test;

namespace {

QWidget* mainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("frmMain"))
            return w;
    return nullptr;
}

class frmSplashTest : public ::testing::Test {
protected:
    void SetUp() override { OverrideSettingsFolder(settings.path()); }
    void TearDown() override
    {
        // Deleted, not closed: closing the main window ends the program.
        delete mainWindow();
        OverrideSettingsFolder(QString());
    }

    frmSplash& splash = frmSplash::instance();
    TempFolder settings;
};

TEST_F(frmSplashTest, LeftAloneItShowsTheVersionAndAfterTwoSecondsGivesWayToTheMainWindow)
{
    QElapsedTimer clock;
    clock.start();
    splash.Show();
    EXPECT_EQ(child<QLabel>(&splash, QStringLiteral("lblVersion"))->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.6.0"));
    EXPECT_EQ(child<QLabel>(&splash, QStringLiteral("lblProductName"))->text(), QStringLiteral("Tralex"));
    ASSERT_TRUE(waitFor([] { return mainWindow() && mainWindow()->isVisible(); }, 10000));
    EXPECT_GE(clock.elapsed(), frmSplash::ShowMilliseconds - 100);
    EXPECT_FALSE(splash.isVisible());
}

TEST_F(frmSplashTest, AKeyOrAClickOpensTheMainWindowAtOnce)
{
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "key" : "click");
        splash.Show();
        if (byKey)
            QTest::keyClick(&splash, Qt::Key_Space);
        else
            click(&splash, QStringLiteral("Frame1"));
        ASSERT_NE(mainWindow(), nullptr);
        EXPECT_TRUE(mainWindow()->isVisible());
        EXPECT_FALSE(splash.isVisible());
        delete mainWindow();
        // The stopped timer does not open a second main window later.
        QTest::qWait(frmSplash::ShowMilliseconds + 200);
        EXPECT_EQ(mainWindow(), nullptr);
    }
}

TEST_F(frmSplashTest, AWindowThatCannotLoadIsReportedInTheWarningWindow)
{
    QStringList shown;
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_Warning"), [&shown](QWidget* w) {
        shown << child<QLabel>(w, QStringLiteral("lblMessage(0)"))->text()
              << child<QLabel>(w, QStringLiteral("lblMessage(1)"))->text();
        click(w, QStringLiteral("cmdOK"));
    });
    // No folder or file makes the main window's load fail, so the failure is raised here.
    const QWidget* opened = OpenStartWindow([]() -> QWidget* {
        throw ProgramError(QStringLiteral("frmMain"), QStringLiteral("ファイルが開けません"));
    });
    EXPECT_EQ(opened, nullptr);
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Tralexを起動出来ませんでした"),
                                  QStringLiteral("ファイルが開けません")}));
}

}  // namespace
