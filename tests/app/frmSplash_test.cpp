// The splash window: what it shows, the main window opening when its two-second timer runs out or
// at once when the splash is dismissed, and a main window that cannot load.
#include <QDir>
#include <QLabel>
#include <QTimer>

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
    splash.Show();
    EXPECT_EQ(child<QLabel>(&splash, QStringLiteral("lblVersion"))->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.6.0"));
    EXPECT_EQ(child<QLabel>(&splash, QStringLiteral("lblProductName"))->text(), QStringLiteral("Tralex"));
    auto* timer = child<QTimer>(&splash, QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_EQ(timer->interval(), 2000);
    // Nothing but the timer opens the main window.
    EXPECT_EQ(mainWindow(), nullptr);
    fire(timer);
    ASSERT_NE(mainWindow(), nullptr);
    EXPECT_TRUE(mainWindow()->isVisible());
    EXPECT_FALSE(splash.isVisible());
}

TEST_F(frmSplashTest, AKeyOrAClickOpensTheMainWindowAtOnce)
{
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "key" : "click");
        splash.Show();
        auto* timer = child<QTimer>(&splash, QStringLiteral("Timer1"));
        ASSERT_NE(timer, nullptr);
        EXPECT_TRUE(timer->isActive());
        if (byKey)
            QTest::keyClick(&splash, Qt::Key_Space);
        else
            click(&splash, QStringLiteral("Frame1"));
        ASSERT_NE(mainWindow(), nullptr);
        EXPECT_TRUE(mainWindow()->isVisible());
        EXPECT_FALSE(splash.isVisible());
        // The timer was stopped with the splash: it cannot open a second main window later.
        EXPECT_FALSE(timer->isActive());
        delete mainWindow();
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
