#pragma once
// What Msg_Warning and Msg_YesNo share: a modal window of fixed size that shows one or two lines of
// text, beeps and centres itself when it appears, and can answer itself after a time-out. Callers
// set the members, call Show(), and go on when the window has unloaded itself. The members the
// caller set are cleared at unload, so that each message starts from the design look.
#include <QColor>
#include <QString>

#include "dialogs/FixedDialog.h"

class QLabel;
class QTimer;

namespace tralex {

class MessageWindow : public FixedDialog {
    Q_OBJECT
public:
    // The upper and the lower line. A caller with one line only sets Message2.
    void setMessage1(const QString& vstrMsg) { mstrMessage1 = vstrMsg; }
    QString Message1() const { return mstrMessage1; }
    void setMessage2(const QString& vstrMsg) { mstrMessage2 = vstrMsg; }
    QString Message2() const { return mstrMessage2; }

    // Text colour of both lines as a colour value (see RGB()); 0 keeps the window's own colour.
    void setColor(qint32 vlngColor) { mlngColor = vlngColor; }
    qint32 Color() const { return mlngColor; }

    // Seconds after which the window answers itself; 0 for never. A number of seconds whose
    // milliseconds do not fit in a signed 32-bit integer, or a negative one, raises a ProgramError
    // and leaves the value as it was.
    void setTimerSet(qint32 vlngSeconds);
    // The time-out in milliseconds.
    qint32 TimerSet() const { return mlngTimerSet; }

    // Shows the window modally and returns when it has unloaded itself. Does nothing while the
    // window is already showing.
    void Show();

protected:
    MessageWindow(const QString& name, const QColor& designColor);

    // Puts the buttons at their design places and shows them.
    virtual void layOutButtons() = 0;
    // The control centred together with the two lines when the window widens.
    virtual QWidget* buttonControl() const = 0;
    // The button that has the keyboard focus when the window appears.
    virtual QWidget* firstButton() const = 0;
    // What the time-out does.
    virtual void timedOut() = 0;

    // Loads the window when it is shown by any means (Show(), exec(), show()).
    void setVisible(bool visible) override;
    // Unloads the window: stops the timer and clears the caller's members.
    void done(int result) override;

private:
    void load();
    void showLine(int index, const QString& text);

    QString mstrMessage1;
    QString mstrMessage2;
    qint32 mlngColor = 0;
    qint32 mlngTimerSet = 0;

    QColor mDesignColor;
    QLabel* mlblMessage[2];
    QTimer* mTimer1;
};

}  // namespace tralex
