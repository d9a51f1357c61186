// The window operations on real windows: centring, the closing corner, enabling and disabling.
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include "dialogs/basWindowEffects.h"
#include "support/ModalAnswerer.h"

using namespace tralex;

namespace {

QRect screenRect()
{
    return QGuiApplication::primaryScreen()->geometry();
}

TEST(basWindowEffects, CenterWindowPutsTheWindowInTheMiddleOfTheScreen)
{
    QWidget w;
    w.resize(301, 150);
    CenterWindow(&w);
    const QRect screen = screenRect();
    EXPECT_EQ(w.frameGeometry().left(), screen.left() + (screen.width() - w.frameGeometry().width()) / 2);
    EXPECT_EQ(w.frameGeometry().top(), screen.top() + (screen.height() - w.frameGeometry().height()) / 2);
}

TEST(basWindowEffects, CenterWindowPlacesAWindowLargerThanTheScreenAtNegativeLeftAndTop)
{
    QWidget w;
    const QRect screen = screenRect();
    w.resize(screen.width() + 200, screen.height() + 100);
    CenterWindow(&w);
    EXPECT_EQ(w.frameGeometry().left(), screen.left() - 100);
    EXPECT_EQ(w.frameGeometry().top(), screen.top() - 50);
}

TEST(basWindowEffects, CloseCornerIsAnEmptyRectangleAtEachOfTheFourCorners)
{
    const QRect screen(0, 0, 1280, 1024);
    const QPoint expected[] = {{0, 0}, {1280, 0}, {0, 1024}, {1280, 1024}};
    for (int k = 1; k <= 4; ++k) {
        const QRect corner = CloseCorner(screen, k);
        EXPECT_EQ(corner.topLeft(), expected[k - 1]) << "corner " << k;
        EXPECT_TRUE(corner.isEmpty()) << "corner " << k;
    }
}

TEST(basWindowEffects, RandomCornerDrawsEachCornerWithTheSameChance)
{
    int counts[5] = {};
    constexpr int draws = 8000;
    for (int i = 0; i < draws; ++i) {
        const int k = RandomCorner();
        ASSERT_GE(k, 1);
        ASSERT_LE(k, 4);
        ++counts[k];
    }
    // Each corner expects 2000; 1800 is more than six standard deviations away.
    for (int k = 1; k <= 4; ++k)
        EXPECT_GT(counts[k], 1800) << "corner " << k;
}

TEST(basWindowEffects, EnableFormShutsOutClicksAndGivesThemBack)
{
    QWidget w;
    auto* layout = new QVBoxLayout(&w);
    auto* button = new QPushButton(QStringLiteral("実行"));
    button->setObjectName(QStringLiteral("cmdAction(0)"));
    layout->addWidget(button);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    w.show();

    EnableForm(&w, false);
    EnableForm(&w, false);  // twice is harmless
    EXPECT_FALSE(w.isEnabled());
    tralex::test::click(&w, QStringLiteral("cmdAction(0)"));
    EXPECT_EQ(clicks, 0);

    EnableForm(&w, true);
    EXPECT_TRUE(button->isEnabled());
    tralex::test::click(&w, QStringLiteral("cmdAction(0)"));
    EXPECT_EQ(clicks, 1);
}

TEST(basWindowEffects, AnimationsAreSkippedWithoutARealScreen)
{
    EXPECT_FALSE(AnimationsShown());
    QWidget w;
    w.resize(200, 100);
    w.show();
    const int before = QApplication::topLevelWidgets().size();
    AnimateOpen(&w);
    AnimateClose(&w);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before);
    EXPECT_TRUE(w.isVisible());  // the caller hides the window, not the animation
}

}  // namespace
