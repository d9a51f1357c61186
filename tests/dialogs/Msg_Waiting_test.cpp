// The progress window in front of a real window: its PreForm disabled and enabled again, STOP
// reaching StopFlag while the PreForm is disabled, the bars as drawn, and the missing-PreForm error.
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/JapaneseFonts.h"
#include "dialogs/Msg_Waiting.h"
#include "dialogs/basFormLayout.h"
#include "platform/ProgramError.h"
#include "support/ModalAnswerer.h"

using namespace tralex;
using namespace tralex::test;

namespace {

const QString Searching = QStringLiteral("ただいま、検索置換中です");
const QString PleaseWait = QStringLiteral("しばらくお待ちください...");
const QString Stopping = QStringLiteral("処理を中断しています．．．");

class MsgWaitingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallJapaneseFonts();
        auto* layout = new QVBoxLayout(&mainWindow);
        auto* run = new QPushButton(QStringLiteral("実行"));
        run->setObjectName(QStringLiteral("cmdAction(0)"));
        layout->addWidget(run);
        QObject::connect(run, &QPushButton::clicked, [this] { ++runClicks; });
        mainWindow.resize(400, 300);
        mainWindow.show();
    }

    void TearDown() override
    {
        window.Unload();
        window.setPreForm(nullptr);
    }

    void showForMain(const QString& line1 = Searching, const QString& line2 = PleaseWait)
    {
        window.setPreForm(&mainWindow);
        window.setMessage1(line1);
        window.setMessage2(line2);
        window.Show();
    }

    QLabel* line(int index) { return child<QLabel>(&window, QStringLiteral("lblMessage(%1)").arg(index)); }
    QWidget* bar(int index) { return child<QWidget>(&window, QStringLiteral("picBar(%1)").arg(index)); }
    QPushButton* stop() { return child<QPushButton>(&window, QStringLiteral("cmdStop")); }

    Msg_Waiting& window = Msg_Waiting::instance();
    QWidget mainWindow;
    int runClicks = 0;
};

TEST_F(MsgWaitingTest, WithoutPreFormTheWindowRefusesToComeUp)
{
    window.setPreForm(nullptr);
    window.setMessage1(Searching);
    try {
        window.Show();
        ADD_FAILURE() << "no error raised";
    } catch (const ProgramError& error) {
        EXPECT_EQ(error.number(), static_cast<qint32>(0x800403EAu));
        EXPECT_EQ(error.source(), QStringLiteral("Msg_Waiting"));
        EXPECT_EQ(error.description(), QStringLiteral("対象formが指定されていません"));
    }
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.isLoaded());
    EXPECT_TRUE(mainWindow.isEnabled());

    // A bare show() does not bring it up either.
    window.show();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MsgWaitingTest, PreFormIsDisabledWhileLoadedAndSTOPStillWorks)
{
    showForMain();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isWindow());
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(line(0)->text(), Searching);
    EXPECT_EQ(line(1)->text(), PleaseWait);
    EXPECT_FALSE(bar(0)->isVisible());
    EXPECT_FALSE(bar(1)->isVisible());

    // The user can reach nothing but STOP.
    click(&mainWindow, QStringLiteral("cmdAction(0)"));
    EXPECT_EQ(runClicks, 0);
    EXPECT_FALSE(window.StopFlag());
    click(&window, QStringLiteral("cmdStop"));
    EXPECT_TRUE(window.StopFlag());
    EXPECT_EQ(window.Message1(), QString());
    EXPECT_EQ(window.Message2(), Stopping);
    EXPECT_FALSE(stop()->isEnabled());
    // The lines show at once that the press was taken.
    EXPECT_EQ(line(0)->text(), QString());
    EXPECT_EQ(line(1)->text(), Stopping);

    window.Unload();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    click(&mainWindow, QStringLiteral("cmdAction(0)"));
    EXPECT_EQ(runClicks, 1);
    // Unloading empties the lines and keeps the PreForm.
    EXPECT_EQ(window.Message1(), QString());
    EXPECT_EQ(window.Message2(), QString());
    EXPECT_EQ(window.PreForm(), &mainWindow);
}

TEST_F(MsgWaitingTest, StopAnsweredByKeyboardAndNotByEscape)
{
    showForMain();
    EXPECT_EQ(window.focusWidget(), stop());
    press(&window, Qt::Key_Escape);
    window.close();
    EXPECT_TRUE(window.isVisible());  // only STOP and the caller end the showing
    EXPECT_FALSE(window.StopFlag());
    press(&window, Qt::Key_Space);
    EXPECT_TRUE(window.StopFlag());
}

TEST_F(MsgWaitingTest, ANewShowingStartsAfresh)
{
    showForMain();
    window.StartProgress(0, 10);
    click(&window, QStringLiteral("cmdStop"));
    window.Unload();

    showForMain(QStringLiteral("ただいま、検索削除中です"));
    EXPECT_FALSE(window.StopFlag());
    EXPECT_TRUE(stop()->isEnabled());
    EXPECT_FALSE(bar(0)->isVisible());
    EXPECT_FALSE(bar(1)->isVisible());
    EXPECT_EQ(line(0)->text(), QStringLiteral("ただいま、検索削除中です"));
}

TEST_F(MsgWaitingTest, ShowingALoadedWindowAgainDoesNotResetIt)
{
    showForMain();
    click(&window, QStringLiteral("cmdStop"));
    window.Show();
    EXPECT_TRUE(window.StopFlag());
    window.Unload();
    window.Unload();  // a second unload is harmless
    EXPECT_TRUE(mainWindow.isEnabled());
}

// Colours found along the middle row of a bar's inner area, split at the edge of the fill.
struct BarPixels {
    int yellowLeft = 0;     // yellow pixels left of the edge
    int blueLeft = 0;       // text under the fill
    int darkRight = 0;      // black text right of the edge
    int yellowRight = 0;
    int fillEdge = 0;
};

BarPixels inspect(QWidget* bar)
{
    const QImage image = bar->grab().toImage();
    BarPixels pixels;
    const int frame = 2;
    const int innerWidth = image.width() - 2 * frame;
    int lastYellow = -1;
    for (int x = frame; x < image.width() - frame; ++x)
        for (int y = frame; y < image.height() - frame; ++y)
            if (image.pixelColor(x, y) == QColor(255, 255, 0))
                lastYellow = qMax(lastYellow, x - frame);
    pixels.fillEdge = lastYellow + 1;
    for (int x = frame; x < frame + innerWidth; ++x) {
        for (int y = frame; y < image.height() - frame; ++y) {
            const QColor c = image.pixelColor(x, y);
            const bool left = x - frame < pixels.fillEdge;
            if (c == QColor(255, 255, 0))
                (left ? pixels.yellowLeft : pixels.yellowRight)++;
            else if (left && c.blue() > 150 && c.red() < 150 && c.green() < 150)
                ++pixels.blueLeft;
            else if (!left && c.lightness() < 80)
                ++pixels.darkRight;
        }
    }
    return pixels;
}

TEST_F(MsgWaitingTest, BarsShowThePercentageInvertedUnderTheYellowFill)
{
    showForMain();
    window.StartProgress(0, 10);
    EXPECT_TRUE(bar(0)->isVisible());
    EXPECT_FALSE(bar(1)->isVisible());
    BarPixels empty = inspect(bar(0));
    EXPECT_EQ(empty.yellowLeft + empty.yellowRight, 0);
    EXPECT_EQ(empty.darkRight, 0);  // nothing printed before the first count

    window.CountProgress(0, 5);
    EXPECT_EQ(bar(0)->accessibleName(), QStringLiteral("50%"));
    const int inner = bar(0)->width() - 4;
    BarPixels half = inspect(bar(0));
    EXPECT_NEAR(half.fillEdge, inner / 2, 1);
    EXPECT_EQ(half.yellowRight, 0);
    EXPECT_GT(half.darkRight, 10);  // "50%" mostly right of the middle, in black

    window.CountProgress(0, 2);
    EXPECT_EQ(bar(0)->accessibleName(), QStringLiteral("70%"));
    BarPixels most = inspect(bar(0));
    EXPECT_GT(most.blueLeft, 10);  // the text under the fill shows in blue
    EXPECT_GT(most.yellowLeft, most.blueLeft);

    // Counting past the maximum keeps the bar full at 100%.
    window.CountProgress(0, 9);
    EXPECT_EQ(bar(0)->accessibleName(), QStringLiteral("100%"));
    BarPixels full = inspect(bar(0));
    EXPECT_EQ(full.fillEdge, inner);
    EXPECT_EQ(full.darkRight, 0);
    EXPECT_GT(full.blueLeft, 10);
}

TEST_F(MsgWaitingTest, PercentageIsTheWholePerCentOfTheUnitsCounted)
{
    showForMain();
    window.StartProgress(1, 3);
    window.CountProgress(1, 1);
    EXPECT_EQ(bar(1)->accessibleName(), QStringLiteral("33%"));
    window.CountProgress(1, 1);
    EXPECT_EQ(bar(1)->accessibleName(), QStringLiteral("66%"));
    window.CountProgress(1, 1);
    EXPECT_EQ(bar(1)->accessibleName(), QStringLiteral("100%"));
    window.StartProgress(1, 1000);
    window.CountProgress(1, 999);
    EXPECT_EQ(bar(1)->accessibleName(), QStringLiteral("99%"));  // never 100% before the end
}

TEST_F(MsgWaitingTest, BadBarIndexOrMaximumFailsAfterTheLinesAreRefreshed)
{
    showForMain();
    window.setMessage2(QStringLiteral("3件目を処理中"));
    EXPECT_THROW(window.StartProgress(2, 10), ProgramError);
    EXPECT_EQ(line(1)->text(), QStringLiteral("3件目を処理中"));
    EXPECT_THROW(window.CountProgress(-1, 1), ProgramError);
    EXPECT_FALSE(bar(0)->isVisible());
    EXPECT_FALSE(bar(1)->isVisible());

    try {
        window.StartProgress(0, 0);
        ADD_FAILURE() << "no error raised";
    } catch (const ProgramError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("0 で除算しました。"));
    }
    EXPECT_FALSE(bar(0)->isVisible());
}

TEST_F(MsgWaitingTest, LongLineWidensOnceAndTheNextShowingIsBackToDesignWidth)
{
    const int designWidth = 392 + 2 * FixedDialog::FrameWidth;
    showForMain();
    EXPECT_EQ(window.width(), designWidth);
    EXPECT_EQ(child<QWidget>(&window, QStringLiteral("fraBar"))->geometry(), QRect(27, 44, 339, 32));

    // 36 full-width characters of 12 pixels are wider than the window.
    window.setMessage2(QString(36, QChar(0x6587)));
    window.StartProgress(0, 4);
    const int wide = window.width();
    EXPECT_EQ(wide, line(1)->width() + Twips(200));
    const int client = wide - 2 * FixedDialog::FrameWidth;
    for (const QString& name : {QStringLiteral("lblMessage(0)"), QStringLiteral("lblMessage(1)"),
                                QStringLiteral("fraBar"), QStringLiteral("cmdStop")}) {
        const QRect r = child<QWidget>(&window, name)->geometry();
        EXPECT_EQ(r.x(), (client - r.width()) / 2) << name.toStdString();
    }

    // A short line later leaves the width as it is.
    window.setMessage2(PleaseWait);
    window.CountProgress(0, 1);
    EXPECT_EQ(window.width(), wide);

    window.Unload();
    showForMain();
    EXPECT_EQ(window.width(), designWidth);
}

TEST_F(MsgWaitingTest, PreFormThatIsGoneCountsAsMissing)
{
    auto* other = new QWidget;
    window.setPreForm(other);
    delete other;
    EXPECT_THROW(window.Show(), ProgramError);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
