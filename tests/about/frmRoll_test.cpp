// The staff roll: its credits, where it starts and how it moves, and the two ways it ends.
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "about/MakerInfo.h"
#include "about/frmRoll.h"
#include "services/basInformationRetrieval.h"
#include "support/ModalAnswerer.h"

using namespace tralex;
using namespace tralex::test;

namespace {

TEST(frmRoll, GivenNamesShowUnchangedAndBlankOnesAsTheDefault)
{
    frmRoll& roll = frmRoll::instance();
    const QStringList given = {QStringLiteral("企画 一郎"), QString(), QStringLiteral("  "),
                               QStringLiteral("試験 三郎"), QString()};
    for (int i = 0; i < 5; ++i)
        roll.setTanto(i, given[i]);
    const QStringList lines = roll.RollLines();
    EXPECT_EQ(lines.first(), QStringLiteral("■■ Tralex Ver1.6.0■■"));
    const struct {
        const char* heading;
        QString name;
    } credits[] = {
        {"★★ 発案 ★★", given[0]},        {"★★ デザイン ★★", DefaultTanto},
        {"★★ コーディング ★★", DefaultTanto}, {"★★ 効果音 ★★", GetMachineName()},
        {"★★ テスト ★★", given[3]},      {"★★ デバッグ ★★", DefaultTanto},
        {"★★ 製作・著作権 ★★", MakerName},
    };
    qsizetype previous = 0;
    for (const auto& credit : credits) {
        SCOPED_TRACE(credit.heading);
        const qsizetype at = lines.indexOf(QString::fromUtf8(credit.heading));
        ASSERT_GT(at, previous);
        EXPECT_EQ(lines.value(at + 1), QString());
        EXPECT_EQ(lines.value(at + 2), credit.name);
        previous = at;
    }
    EXPECT_EQ(lines.last(), MakerName);
    for (int i = 0; i < 5; ++i)
        roll.setTanto(i, QString());
}

TEST(frmRoll, RollRisesFromBelowTheWindowAndEndsWhenItsLastLineHasLeft)
{
    frmRoll& roll = frmRoll::instance();
    bool openUntilTheLastTick = false;
    bool closedByTheLastTick = false;
    ModalAnswerer answer;
    answer.then(QStringLiteral("frmRoll"), [&](QWidget* w) {
        const QRect screen = w->screen()->geometry();
        EXPECT_EQ(w->size(), QSize(screen.width() * 2 / 3, screen.height() * 2 / 3));
        auto* picture = child<QLabel>(w, QStringLiteral("picStaffRoll"));
        auto* timer = child<QTimer>(w, QStringLiteral("Timer1"));
        ASSERT_TRUE(picture && timer);
        EXPECT_EQ(picture->width(), screen.width() / 2);
        EXPECT_EQ(picture->x(), (w->width() - picture->width()) / 2);
        EXPECT_LE(picture->y(), w->height());
        // The roll ticks every 20 ms until it is done, moving 2 pixels up at each tick.
        EXPECT_TRUE(timer->isActive());
        EXPECT_FALSE(timer->isSingleShot());
        EXPECT_EQ(timer->interval(), 20);
        const int before = picture->y();
        fire(timer);
        EXPECT_EQ(picture->y(), before - 2);
        // From where the last line is about to leave the window: three ticks take its bottom
        // to the window's top edge, the fourth finds it gone and ends the roll.
        picture->move(picture->x(), -picture->height() + 3 * 2);
        for (int tick = 0; tick < 3; ++tick)
            fire(timer);
        EXPECT_EQ(picture->y() + picture->height(), 0);
        openUntilTheLastTick = w->isVisible();
        fire(timer);
        closedByTheLastTick = !w->isVisible();
        EXPECT_FALSE(timer->isActive());
    });
    roll.Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_TRUE(answer.leftOpen().isEmpty());
    EXPECT_TRUE(openUntilTheLastTick);
    EXPECT_TRUE(closedByTheLastTick);
    EXPECT_FALSE(roll.isVisible());
}

TEST(frmRoll, AClickOnTheWindowOrTheRollEndsItAtOnce)
{
    for (const QString& target : {QStringLiteral("frmRoll"), QStringLiteral("picStaffRoll")}) {
        SCOPED_TRACE(target.toStdString());
        ModalAnswerer answer;
        answer.then(QStringLiteral("frmRoll"), [&target](QWidget* w) {
            QWidget* clicked = target == w->objectName() ? w : child<QWidget>(w, target);
            QTest::mouseClick(clicked, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        });
        frmRoll::instance().Show();
        EXPECT_TRUE(answer.allAnswered());
        EXPECT_TRUE(answer.leftOpen().isEmpty());
        EXPECT_FALSE(frmRoll::instance().isVisible());
    }
}

}  // namespace
