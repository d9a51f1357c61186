// The question window: the answer in YesNo for every way a user can answer, the time-out answering
// Cancel, and the layout of its two buttons.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "dialogs/JapaneseFonts.h"
#include "dialogs/Msg_YesNo.h"
#include "dialogs/basFormLayout.h"
#include "support/ModalAnswerer.h"

using namespace tralex;
using namespace tralex::test;

namespace {

class MsgYesNoTest : public ::testing::Test {
protected:
    void SetUp() override { InstallJapaneseFonts(); }

    // Asks a question, lets `act` answer it, and returns YesNo as the caller reads it.
    bool ask(const std::function<void(QWidget*)>& act)
    {
        window.setMessage1(QStringLiteral("「置換リスト.slt」は既に存在します"));
        window.setMessage2(QStringLiteral("既存のファイルを書き換えますか？"));
        ModalAnswerer answer;
        answer.then(QStringLiteral("Msg_YesNo"), act);
        window.Show();
        EXPECT_TRUE(answer.allAnswered());
        EXPECT_TRUE(answer.leftOpen().isEmpty()) << answer.leftOpen().join(',').toStdString();
        EXPECT_FALSE(window.isVisible());
        return window.YesNo();
    }

    Msg_YesNo& window = Msg_YesNo::instance();
};

TEST_F(MsgYesNoTest, EveryWayOfAnsweringSetsYesNo)
{
    struct Case {
        const char* name;
        std::function<void(QWidget*)> act;
        bool expected;
    };
    const Case cases[] = {
        {"click OK", [](QWidget* w) { click(w, QStringLiteral("cmdOK")); }, true},
        {"click Cancel", [](QWidget* w) { click(w, QStringLiteral("cmdCancel")); }, false},
        {"Enter", [](QWidget* w) { press(w, Qt::Key_Return); }, true},
        {"keypad Enter", [](QWidget* w) { press(w, Qt::Key_Enter); }, true},
        {"Escape", [](QWidget* w) { press(w, Qt::Key_Escape); }, false},
        {"window closed", [](QWidget* w) { w->close(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.setYesNo(!c.expected);
        EXPECT_EQ(ask(c.act), c.expected);
    }
}

TEST_F(MsgYesNoTest, TheAnswerStaysReadableAfterUnloadWhileTheMessagesAreCleared)
{
    EXPECT_TRUE(ask([](QWidget* w) { click(w, QStringLiteral("cmdOK")); }));
    EXPECT_TRUE(window.YesNo());
    EXPECT_EQ(window.Message1(), QString());
    EXPECT_EQ(window.Message2(), QString());
    EXPECT_EQ(window.Color(), 0);
}

TEST_F(MsgYesNoTest, OkHasTheFocusAndTheQuestionIsBlue)
{
    ask([](QWidget* w) {
        EXPECT_EQ(w->focusWidget(), child<QWidget>(w, QStringLiteral("cmdOK")));
        auto* upper = child<QLabel>(w, QStringLiteral("lblMessage(0)"));
        EXPECT_EQ(upper->text(), QStringLiteral("「置換リスト.slt」は既に存在します"));
        EXPECT_EQ(upper->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        // Both buttons sit in their borderless frame at the design places.
        auto* frame = child<QFrame>(w, QStringLiteral("fraCommandButton"));
        EXPECT_EQ(frame->geometry(), QRect(108, 55, 177, 48));
        EXPECT_EQ(child<QWidget>(w, QStringLiteral("cmdOK"))->parentWidget(), frame);
        EXPECT_EQ(child<QWidget>(w, QStringLiteral("cmdOK"))->geometry(), QRect(3, 11, 81, 33));
        EXPECT_EQ(child<QWidget>(w, QStringLiteral("cmdCancel"))->geometry(), QRect(93, 11, 81, 33));
        click(w, QStringLiteral("cmdCancel"));
    });
}

TEST_F(MsgYesNoTest, TimeOutAnswersCancel)
{
    window.setYesNo(true);
    window.setMessage2(QStringLiteral("「/data/新しいフォルダ/」を作成しますか？"));
    window.setTimerSet(60);  // long enough that only the test lets it run out
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_YesNo"), [](QWidget* w) {
        auto* timer = child<QTimer>(w, QStringLiteral("Timer1"));
        ASSERT_NE(timer, nullptr);
        EXPECT_TRUE(timer->isSingleShot());
        EXPECT_EQ(timer->interval(), 60000);
        fire(timer);
    });
    window.Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_TRUE(answer.leftOpen().isEmpty()) << answer.leftOpen().join(',').toStdString();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.YesNo());
}

TEST_F(MsgYesNoTest, LongQuestionCentresTheButtonFrameInTheWidenedWindow)
{
    window.setMessage2(
        QStringLiteral("「/home/user/ドキュメント/見積書/2024年度/第三四半期/顧客別/」を作成しますか？"));
    int width = 0;
    QRect frame;
    QRect label;
    ModalAnswerer answer;
    answer.then(QStringLiteral("Msg_YesNo"), [&](QWidget* w) {
        width = w->width();
        frame = child<QWidget>(w, QStringLiteral("fraCommandButton"))->geometry();
        label = child<QWidget>(w, QStringLiteral("lblMessage(1)"))->geometry();
        press(w, Qt::Key_Escape);
    });
    window.Show();
    EXPECT_EQ(width, label.width() + Twips(200));
    const int client = width - 2 * FixedDialog::FrameWidth;
    EXPECT_EQ(frame.x(), (client - frame.width()) / 2);
    EXPECT_EQ(label.x(), (client - label.width()) / 2);
}

TEST_F(MsgYesNoTest, AQuestionAskedFromAnotherModalWindowIsAnsweredOnTopOfIt)
{
    // As the file picker asks before overwriting: its own modal window opens the question.
    QDialog picker;
    picker.setObjectName(QStringLiteral("frmDialogBox"));
    auto* ok = new QPushButton(QStringLiteral("OK"), &picker);
    ok->setObjectName(QStringLiteral("cmdOK"));
    bool answerSeen = false;
    QObject::connect(ok, &QPushButton::clicked, [this, &answerSeen] {
        window.setMessage1(QStringLiteral("「a.slt」は既に存在します"));
        window.setMessage2(QStringLiteral("既存のファイルを書き換えますか？"));
        window.Show();
        answerSeen = window.YesNo();
    });
    ModalAnswerer answer;
    answer.then(QStringLiteral("frmDialogBox"), [](QWidget* w) { click(w, QStringLiteral("cmdOK")); })
        .then(QStringLiteral("Msg_YesNo"), [](QWidget* w) { press(w, Qt::Key_Return); });
    picker.exec();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_TRUE(answerSeen);
    EXPECT_EQ(answer.answered(), QStringList({QStringLiteral("frmDialogBox"), QStringLiteral("Msg_YesNo")}));
    // The picker stayed open after the answer, until the answerer closed it as left over.
    EXPECT_EQ(answer.leftOpen(), QStringList(QStringLiteral("frmDialogBox")));
}

}  // namespace
