#include "desktop/basKeysControl.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tralex;

namespace {
constexpr int VK_TAB = 0x09;
constexpr int VK_SHIFT = 0x10;
}  // namespace

// What the picker relies on: Tab moves to the next control in tab order, Shift+Tab back.
TEST(basKeysControl, TabAndShiftTabMoveTheFocusThroughTheControls)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    QLineEdit* edits[3];
    for (QLineEdit*& edit : edits) {
        edit = new QLineEdit;
        layout->addWidget(edit);
    }
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edits[0]->setFocus();

    struct Step {
        QList<int> keys;
        int focused;
    } const steps[] = {
        {{VK_TAB}, 1},
        {{VK_TAB}, 2},
        {{VK_SHIFT, VK_TAB}, 1},
        {{VK_SHIFT, VK_TAB}, 0},
        {{VK_TAB, VK_TAB}, 2},  // both presses come first, then both releases
    };
    for (const Step& step : steps) {
        SendKeyStrokes(step.keys);
        QCoreApplication::processEvents();
        EXPECT_TRUE(edits[step.focused]->hasFocus()) << step.focused;
    }
    // The typed Tabs went into focus handling, never into the text.
    for (QLineEdit* edit : edits)
        EXPECT_EQ(edit->text(), QString());
}
