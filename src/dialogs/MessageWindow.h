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
    void setMessage1(const QString& vstrMsg) { mMessage1 = vstrMsg; }
    QString Message1() const { return mMessage1; }
    void setMessage2(const QString& vstrMsg) { mMessage2 = vstrMsg; }
    QString Message2() const { return mMessage2; }

    // Text colour of both lines as a colour value (see RGB()); 0 keeps the window's own colour.
    void setColor(qint32 vlngColor) { mColor = vlngColor; }
    qint32 Color() const { return mColor; }

    // Seconds after which the window answers itself; 0 for never. A number of seconds whose
    // milliseconds do not fit in a signed 32-bit integer, or a negative one, raises a ProgramError
    // and leaves the value as it was.
    void setTimerSet(qint32 vlngSeconds);
    // The time-out in milliseconds.
    qint32 TimerSet() const { return mTimerSet; }

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

    QString mMessage1;
    QString mMessage2;
    qint32 mColor = 0;
    qint32 mTimerSet = 0;

    QColor mDesignColor;
    QLabel* mLabels[2];
    QTimer* mTimer1;
};

}  // namespace tralex
