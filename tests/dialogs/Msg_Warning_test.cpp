// The warning window driven as a user meets it: shown modally, answered by click, keys or time-out,
// with its lines, colours and width reset for every message.
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "dialogs/JapaneseFonts.h"
#include "dialogs/Msg_Warning.h"
#include "dialogs/basFormLayout.h"
#include "platform/ProgramError.h"
#include "support/ModalAnswerer.h"

using namespace tralex;
using namespace tralex::test;

namespace {

const QColor Red(255, 0, 0);

class MsgWarningTest : public ::testing::Test {
protected:
    void SetUp() override { InstallJapaneseFonts(); }
    Msg_Warning& window = Msg_Warning::instance();
};

QLabel* line(QWidget* w, int index)
{
    return child<QLabel>(w, QStringLiteral("lblMessage(%1)").arg(index));
}

QColor colourOf(QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

// What the window shows while it is up, taken by the answering step.
struct Seen {
    QString lines[2];
    QColor colours[2];
    int width = 0;
    QRect labels[2];
    QRect button;
    bool buttonVisible = false;
    QString family;
};

Seen look(QWidget* w)
{
    Seen seen;
    for (int i = 0; i < 2; ++i) {
        QLabel* label = line(w, i);
        seen.lines[i] = label->text();
        seen.colours[i] = colourOf(label);
        seen.labels[i] = label->geometry();
    }
    seen.width = w->width();
    auto* ok = child<QPushButton>(w, QStringLiteral("cmdOK"));
    seen.button = ok->geometry();
    seen.buttonVisible = ok->isVisible();
    seen.family = QFontInfo(line(w, 0)->font()).family();
    return seen;
}

// Shows the window and answers it with OK, returning what it showed.
Seen showAndLook(Msg_Warning& window)
{
    Seen seen;
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_Warning"), [&seen](QWidget* w) {
        seen = look(w);
        click(w, QStringLiteral("cmdOK"));
    });
    window.Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_TRUE(answer.leftOpen().isEmpty());
    return seen;
}

TEST_F(MsgWarningTest, EnterEscapeAndClickAllAnswerAndUnload)
{
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape), 0}) {
        SCOPED_TRACE(key);
        window.setMessage2(QStringLiteral("置換対象ファイルはありませんでした"));
        ModalAnswerer answer;
        answer.then(QStringLiteral("Msg_Warning"), [key](QWidget* w) {
            EXPECT_TRUE(w->isModal());
            EXPECT_EQ(line(w, 1)->text(), QStringLiteral("置換対象ファイルはありませんでした"));
            // Without a time-out only the user answers.
            EXPECT_FALSE(child<QTimer>(w, QStringLiteral("Timer1"))->isActive());
            if (key)
                press(w, key);
            else
                click(w, QStringLiteral("cmdOK"));
        });
        window.Show();
        EXPECT_TRUE(answer.allAnswered());
        EXPECT_TRUE(answer.leftOpen().isEmpty()) << answer.leftOpen().join(',').toStdString();
        EXPECT_FALSE(window.isVisible());
    }
}

TEST_F(MsgWarningTest, OneLineGoesBelowAnEmptyUpperLineInRedGothicAtTheDesignPlaces)
{
    window.setMessage2(QStringLiteral("置換対象ファイルはありませんでした"));
    const Seen seen = showAndLook(window);
    EXPECT_EQ(seen.lines[0], QString());
    EXPECT_EQ(seen.lines[1], QStringLiteral("置換対象ファイルはありませんでした"));
    EXPECT_EQ(seen.colours[0], Red);
    EXPECT_EQ(seen.colours[1], Red);
    EXPECT_EQ(seen.family, QStringLiteral("IPAGothic"));
    // Client area 392 x 106 inside a 3-pixel border; OK at 2333, 975 twips, 1215 x 495.
    EXPECT_EQ(seen.width, 392 + 2 * FixedDialog::FrameWidth);
    EXPECT_EQ(window.height(), 106 + 2 * FixedDialog::FrameWidth);
    EXPECT_EQ(seen.button, QRect(156, 65, 81, 33));
    EXPECT_TRUE(seen.buttonVisible);
    // The line sized itself to its text, centred where the design put it, at its design top.
    EXPECT_EQ(seen.labels[1].y(), 38);
    EXPECT_NEAR(seen.labels[1].center().x(), 196, 1);
    EXPECT_LT(seen.labels[1].width(), 312);
}

TEST_F(MsgWarningTest, ColourLastsForOneMessageOnly)
{
    window.setMessage2(QStringLiteral("終了しました"));
    window.setColor(RGB(0, 0, 128));
    const Seen notice = showAndLook(window);
    EXPECT_EQ(notice.colours[0], QColor(0, 0, 128));
    EXPECT_EQ(notice.colours[1], QColor(0, 0, 128));
    EXPECT_EQ(window.Color(), 0);

    window.setMessage2(QStringLiteral("検索するフォルダが正しくありません"));
    const Seen warning = showAndLook(window);
    EXPECT_EQ(warning.colours[1], Red);
}

TEST_F(MsgWarningTest, LinesAreShownWithoutLeadingAndTrailingBlanks)
{
    window.setMessage1(QStringLiteral("   すでにTralexは起動しています  "));
    window.setMessage2(QStringLiteral(" なお、複数起動は出来ません "));
    const Seen seen = showAndLook(window);
    EXPECT_EQ(seen.lines[0], QStringLiteral("すでにTralexは起動しています"));
    EXPECT_EQ(seen.lines[1], QStringLiteral("なお、複数起動は出来ません"));
}

TEST_F(MsgWarningTest, UnloadClearsTheMembersTheCallerSet)
{
    window.setMessage1(QStringLiteral("一行目"));
    window.setMessage2(QStringLiteral("二行目"));
    window.setColor(RGB(0, 0, 128));
    window.setTimerSet(30);
    showAndLook(window);
    EXPECT_EQ(window.Message1(), QString());
    EXPECT_EQ(window.Message2(), QString());
    EXPECT_EQ(window.Color(), 0);
    EXPECT_EQ(window.TimerSet(), 0);

    // The next message shows nothing of the previous one.
    window.setMessage2(QStringLiteral("三行目"));
    const Seen next = showAndLook(window);
    EXPECT_EQ(next.lines[0], QString());
    EXPECT_EQ(next.colours[1], Red);
}

TEST_F(MsgWarningTest, TimeOutAnswersOkByItself)
{
    window.setMessage2(QStringLiteral("ドライブの準備が出来ていません"));
    // Long enough that only the test lets it run out.
    window.setTimerSet(60);
    EXPECT_EQ(window.TimerSet(), 60000);
    bool openUntilItFired = false;
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_Warning"), [&openUntilItFired](QWidget* w) {
        auto* timer = child<QTimer>(w, QStringLiteral("Timer1"));
        ASSERT_NE(timer, nullptr);
        EXPECT_TRUE(timer->isActive());
        EXPECT_TRUE(timer->isSingleShot());
        EXPECT_EQ(timer->interval(), 60000);
        openUntilItFired = w->isVisible();
        fire(timer);
    });
    window.Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_TRUE(answer.leftOpen().isEmpty()) << answer.leftOpen().join(',').toStdString();
    EXPECT_TRUE(openUntilItFired);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(MsgWarningTest, TimerSetThatOverflowsIsRefusedAndKeepsTheOldValue)
{
    window.setTimerSet(5);
    EXPECT_THROW(window.setTimerSet(2147484), ProgramError);  // 2147484000 ms > 2^31 - 1
    EXPECT_EQ(window.TimerSet(), 5000);
    EXPECT_THROW(window.setTimerSet(-1), ProgramError);
    EXPECT_EQ(window.TimerSet(), 5000);
    window.setTimerSet(2147483);  // the largest that fits
    EXPECT_EQ(window.TimerSet(), 2147483000);
    window.setTimerSet(0);
}

TEST_F(MsgWarningTest, LongTextWidensTheWindowAndTheNextMessageNarrowsItBack)
{
    const QString longText =
        QStringLiteral("「/home/user/ドキュメント/見積書/2024年度/第三四半期/」は存在しません");
    window.setMessage1(QStringLiteral("短い行"));
    window.setMessage2(longText);
    const Seen wide = showAndLook(window);
    EXPECT_EQ(wide.lines[1], longText);
    EXPECT_GT(wide.labels[1].width(), 392);
    EXPECT_EQ(wide.width, wide.labels[1].width() + Twips(200));
    const int client = wide.width - 2 * FixedDialog::FrameWidth;
    // Both lines and the button are centred in the widened window, and nothing sticks out.
    EXPECT_EQ(wide.labels[1].x(), (client - wide.labels[1].width()) / 2);
    EXPECT_GE(wide.labels[1].x(), 0);
    EXPECT_EQ(wide.labels[0].x(), (client - wide.labels[0].width()) / 2);
    EXPECT_EQ(wide.button.x(), (client - wide.button.width()) / 2);

    window.setMessage2(QStringLiteral("ファイル名が指定されていません"));
    const Seen narrow = showAndLook(window);
    EXPECT_EQ(narrow.width, 392 + 2 * FixedDialog::FrameWidth);
    EXPECT_EQ(narrow.button, QRect(156, 65, 81, 33));
}

TEST_F(MsgWarningTest, ShowsCentredOnTheScreen)
{
    window.setMessage2(QStringLiteral("保存しました"));
    QRect frame;
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_Warning"), [&frame](QWidget* w) {
        frame = w->frameGeometry();
        press(w, Qt::Key_Return);
    });
    window.Show();
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(frame.left(), screen.left() + (screen.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), screen.top() + (screen.height() - frame.height()) / 2);
}

}  // namespace
