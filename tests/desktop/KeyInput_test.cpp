#include "desktop/KeyInput.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tralex;

namespace {

struct Seen {
    bool press;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    friend bool operator==(const Seen&, const Seen&) = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s)
{
    return os << (s.press ? "press " : "release ") << std::hex << s.key << " mod " << int(s.modifiers)
              << " text '" << s.text.toStdString() << "'";
}

// A control that notes every key that reaches it.
class KeyRecorder : public QWidget {
public:
    KeyRecorder() { setFocusPolicy(Qt::StrongFocus); }
    QList<Seen> seen;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        seen.append({true, e->key(), e->modifiers(), e->text()});
    }
    void keyReleaseEvent(QKeyEvent* e) override
    {
        seen.append({false, e->key(), e->modifiers(), e->text()});
    }
};

void showFocused(QWidget& window, QWidget& control)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    control.setFocus();
    ASSERT_TRUE(control.hasFocus());
}

}  // namespace

TEST(KeyInput, KeysArePressedInOrderThenReleasedInOrderWithTheirModifiers)
{
    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    struct Case {
        QList<int> codes;
        QList<Seen> expected;
    } const cases[] = {
        {{0x41}, {{true, Qt::Key_A, none, "a"}, {false, Qt::Key_A, none, "a"}}},
        // A modifier key's own events carry the state before them, as Qt's keyboard events do.
        {{0x10, 0x41},
         {{true, Qt::Key_Shift, none, ""}, {true, Qt::Key_A, shift, "A"},
          {false, Qt::Key_Shift, shift, ""}, {false, Qt::Key_A, none, "a"}}},
        // The modifier holds only for the keys after it.
        {{0x41, 0xA0, 0x31},
         {{true, Qt::Key_A, none, "a"}, {true, Qt::Key_Shift, none, ""}, {true, Qt::Key_1, shift, "1"},
          {false, Qt::Key_A, shift, "A"}, {false, Qt::Key_Shift, shift, ""}, {false, Qt::Key_1, none, "1"}}},
        {{0x11, 0x43},
         {{true, Qt::Key_Control, none, ""}, {true, Qt::Key_C, ctrl, ""},
          {false, Qt::Key_Control, ctrl, ""}, {false, Qt::Key_C, none, "c"}}},
        {{0x0D, 0x1B, 0x25, 0x28, 0x70},
         {{true, Qt::Key_Return, none, "\r"}, {true, Qt::Key_Escape, none, "\x1b"},
          {true, Qt::Key_Left, none, ""}, {true, Qt::Key_Down, none, ""}, {true, Qt::Key_F1, none, ""},
          {false, Qt::Key_Return, none, "\r"}, {false, Qt::Key_Escape, none, "\x1b"},
          {false, Qt::Key_Left, none, ""}, {false, Qt::Key_Down, none, ""}, {false, Qt::Key_F1, none, ""}}},
        {{0x64}, {{true, Qt::Key_4, Qt::KeypadModifier, "4"}, {false, Qt::Key_4, Qt::KeypadModifier, "4"}}},
        // Codes that stand for no key are passed over.
        {{0x07, 300, -1, 0x5A}, {{true, Qt::Key_Z, none, "z"}, {false, Qt::Key_Z, none, "z"}}},
    };

    QWidget window;
    auto* recorder = new KeyRecorder;
    (new QVBoxLayout(&window))->addWidget(recorder);
    showFocused(window, *recorder);

    for (const Case& c : cases) {
        recorder->seen.clear();
        PostVirtualKeys(c.codes);
        EXPECT_TRUE(recorder->seen.isEmpty()) << "delivered before the event loop ran";
        QCoreApplication::processEvents();
        EXPECT_EQ(recorder->seen, c.expected) << ::testing::PrintToString(c.codes);
    }
}

TEST(KeyInput, EachKeyGoesWhereTheFocusIsWhenItArrives)
{
    QWidget window;
    auto* first = new KeyRecorder;
    auto* second = new KeyRecorder;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    showFocused(window, *first);

    PostVirtualKeys({0x09});
    QCoreApplication::processEvents();
    // The Tab press moved the focus on: its release lands at the next control.
    EXPECT_TRUE(second->hasFocus());
    EXPECT_TRUE(first->seen.isEmpty());  // Tab is taken by focus handling, not keyPressEvent
    ASSERT_EQ(second->seen.size(), 1);
    EXPECT_EQ(second->seen.at(0), (Seen{false, Qt::Key_Tab, {}, "\t"}));
}

TEST(KeyInput, TypedLettersReachALineEdit)
{
    QWidget window;
    auto* edit = new QLineEdit;
    (new QVBoxLayout(&window))->addWidget(edit);
    showFocused(window, *edit);
    PostVirtualKeys({0x41, 0x42});
    PostVirtualKeys({0x10, 0x43});
    PostVirtualKeys({0x20, 0x37});
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->text(), QStringLiteral("abC 7"));
}
