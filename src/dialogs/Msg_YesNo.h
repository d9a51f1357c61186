#pragma once
// The program's window for questions: one or two lines of text (blue unless the caller passes a
// colour) with OK and Cancel. The answer stays in YesNo after the window has unloaded. Enter answers
// OK; Escape, closing the window and the time-out answer Cancel.
#include "dialogs/MessageWindow.h"

class QFrame;
class QPushButton;

namespace tralex {

class Msg_YesNo : public MessageWindow {
    Q_OBJECT
public:
    // The one instance of the process, made on first use and reused for every question.
    static Msg_YesNo& instance();

    // True after OK, false after Cancel or the time-out.
    bool YesNo() const { return mblnYesNo; }
    void setYesNo(bool vblnYesNo) { mblnYesNo = vblnYesNo; }

protected:
    void layOutButtons() override;
    QWidget* buttonControl() const override;
    QWidget* firstButton() const override;
    void timedOut() override;
    void reject() override;

private:
    Msg_YesNo();
    void cmdOK_Click();
    void cmdCancel_Click();

    bool mblnYesNo = false;
    QFrame* mfraCommandButton;
    QPushButton* mcmdOK;
    QPushButton* mcmdCancel;
};

}  // namespace tralex
