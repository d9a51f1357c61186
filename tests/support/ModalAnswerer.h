#pragma once
// Driving windows in tests as a person would: finding controls by objectName, clicking buttons,
// pressing keys, typing Japanese text, and answering modal windows that a click opens.
//
// A modal window runs its own event loop, so the code that opened it does not go on until it is
// closed. ModalAnswerer is armed before the click: a polling timer looks at
// QApplication::activeModalWidget(), runs the next step when the expected window is on top, and
// closes whatever is still open when the steps are done (after a grace time) or when the deadline
// passes, so that a test can never hang.
//
//   tralex::test::ModalAnswerer answer;
//   answer.then("Msg_YesNo", [](QWidget* w) { tralex::test::click(w, "cmdOK"); });
//   tralex::test::click(window, "cmdAction(0)");   // returns when the question has been answered
//   EXPECT_TRUE(answer.allAnswered());
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <QVector>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace tralex::test {

// The child of a window with the given objectName and type; fails the test when there is none.
template <class T = QWidget>
T* child(QWidget* window, const QString& name)
{
    T* found = window ? window->findChild<T*>(name) : nullptr;
    if (!found)
        ADD_FAILURE() << "no control named " << name.toStdString() << " in "
                      << (window ? window->objectName().toStdString() : std::string("(no window)"));
    return found;
}

// Clicks the control named `name` of `window` with the left mouse button in its middle. A hidden or
// disabled control takes no click, as on the screen.
inline void click(QWidget* window, const QString& name)
{
    if (QWidget* control = child(window, name))
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

// Presses and releases a key where the window's keyboard focus is (the window itself when no control
// holds the focus).
inline void press(QWidget* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (!window)
        return;
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

// Types text character by character into a control. QTest::keyClicks cannot type non-ASCII text,
// so each character goes as its own key event carrying the character.
inline void typeText(QWidget* target, const QString& text)
{
    if (!target)
        return;
    for (const char32_t code : text.toUcs4()) {
        const QString one = QString::fromUcs4(&code, 1);
        QKeyEvent pressEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, one);
        QCoreApplication::sendEvent(target, &pressEvent);
        QKeyEvent releaseEvent(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, one);
        QCoreApplication::sendEvent(target, &releaseEvent);
    }
}

// Lets a running timer expire now, exactly as when its interval has passed: a single-shot timer
// stops and timeout() is emitted. Window tests drive timers this way instead of waiting for them.
// A timer that is not running takes nothing, as it would not fire either.
inline void fire(QTimer* timer)
{
    if (!timer)
        return;
    EXPECT_TRUE(timer->isActive()) << "firing timer " << timer->objectName().toStdString()
                                   << ", which is not running";
    if (!timer->isActive())
        return;
    QTimerEvent expiry(timer->timerId());
    QCoreApplication::sendEvent(timer, &expiry);
}

// Waits, letting events run, until `done` holds; returns whether it holds. `ms` only keeps a test
// whose event never comes from hanging: it is far beyond what a busy machine needs, so that no
// test passes or fails on how fast the machine is.
inline bool waitFor(const std::function<bool()>& done, int ms = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(10);
    }
    return true;
}

class ModalAnswerer : public QObject {
public:
    using Action = std::function<void(QWidget* window)>;

    // Starts polling at once. Steps not run within `deadlineMs` fail the test; the windows then open
    // are closed.
    explicit ModalAnswerer(int deadlineMs = 10000) : mDeadline(deadlineMs)
    {
        mClock.start();
        QObject::connect(&mPoll, &QTimer::timeout, this, [this] { poll(); });
        mPoll.start(20);
    }

    ~ModalAnswerer() override
    {
        mPoll.stop();
        if (mNext < mSteps.size())
            ADD_FAILURE() << "modal window " << mSteps[mNext].window.toStdString()
                          << " was never answered";
    }

    // Adds a step: when the modal window on top is `window` (its objectName or class name; empty for
    // any), `action` runs on it. Steps run in the order they were added, each once.
    ModalAnswerer& then(const QString& window, Action action)
    {
        mSteps.push_back({window, std::move(action)});
        return *this;
    }

    // How long a modal window may stay open after the last step began (or, without steps, after
    // arming) before it is closed as left over. Default 300 ms.
    ModalAnswerer& leaveOpenFor(int ms)
    {
        mGrace = ms;
        return *this;
    }

    bool allAnswered() const { return mNext >= mSteps.size() && !mPending; }
    // Names of the modal windows the steps ran on, in order.
    const QStringList& answered() const { return mAnswered; }
    // Names of the modal windows that were still open and had to be closed.
    const QStringList& leftOpen() const { return mLeftOpen; }

private:
    struct Step {
        QString window;
        Action action;
    };

    static QString nameOf(const QWidget* w)
    {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                         : w->objectName();
    }

    static bool matches(const QWidget* w, const QString& name)
    {
        return name.isEmpty() || w->objectName() == name
               || QString::fromLatin1(w->metaObject()->className()) == name;
    }

    void closeLeftOver(QWidget* modal)
    {
        mLeftOpen << nameOf(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }

    void poll()
    {
        if (mPending)
            return;  // the previous step is queued and has not started yet
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && !modal->isVisible())
            modal = nullptr;
        const qint64 now = mClock.elapsed();
        if (mNext < mSteps.size()) {
            if (modal && matches(modal, mSteps[mNext].window)) {
                // Run the step from the event loop rather than from this timer: a step that opens
                // another modal window blocks, and this timer must keep polling meanwhile.
                const Step step = mSteps[mNext++];
                mAnswered << nameOf(modal);
                mPending = true;
                QPointer<QWidget> target(modal);
                QTimer::singleShot(0, this, [this, step, target] {
                    mPending = false;
                    mLastStep = mClock.elapsed();
                    if (target)
                        step.action(target);
                });
            } else if (now > mDeadline && modal) {
                closeLeftOver(modal);
            }
            return;
        }
        if (modal && now - mLastStep > mGrace)
            closeLeftOver(modal);
    }

    QTimer mPoll;
    QElapsedTimer mClock;
    QVector<Step> mSteps;
    qsizetype mNext = 0;
    bool mPending = false;
    qint64 mLastStep = 0;
    int mDeadline;
    int mGrace = 300;
    QStringList mAnswered;
    QStringList mLeftOpen;
};

}  // namespace tralex::test
