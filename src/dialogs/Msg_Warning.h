#pragma once
// The program's window for warnings, errors and notices: one or two lines of text (red unless the
// caller passes a colour) and an OK button. Enter, Escape and the time-out all answer OK.
#include "dialogs/MessageWindow.h"

class QPushButton;

namespace tralex {

class Msg_Warning : public MessageWindow {
    Q_OBJECT
public:
    // The one instance of the process, made on first use and reused for every message.
    static Msg_Warning& instance();

protected:
    void layOutButtons() override;
    QWidget* buttonControl() const override;
    QWidget* firstButton() const override;
    void timedOut() override;
    void reject() override;

private:
    Msg_Warning();
    void cmdOK_Click();

    QPushButton* mcmdOK;
};

}  // namespace tralex
