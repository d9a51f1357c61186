#include "dialogs/Msg_Warning.h"

#include <QPointer>
#include <QPushButton>

#include "dialogs/basFormLayout.h"

namespace tralex {

Msg_Warning& Msg_Warning::instance()
{
    static QPointer<Msg_Warning> window;
    if (!window)
        window = new Msg_Warning;
    return *window;
}

Msg_Warning::Msg_Warning()
    : MessageWindow(QStringLiteral("Msg_Warning"), QColor(255, 0, 0)),
      mcmdOK(new QPushButton(QStringLiteral("OK"), client()))
{
    mcmdOK->setObjectName(QStringLiteral("cmdOK"));
    mcmdOK->setFont(GothicFont(12, true));
    mcmdOK->setDefault(true);
    connect(mcmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void Msg_Warning::layOutButtons()
{
    mcmdOK->setGeometry(TwipsRect(2333, 975, 1215, 495));
    mcmdOK->show();
}

QWidget* Msg_Warning::buttonControl() const
{
    return mcmdOK;
}

QWidget* Msg_Warning::firstButton() const
{
    return mcmdOK;
}

void Msg_Warning::cmdOK_Click()
{
    mcmdOK->hide();
    done(Accepted);
}

void Msg_Warning::timedOut()
{
    cmdOK_Click();
}

// Escape and closing the window answer OK: a warning has nothing to cancel.
void Msg_Warning::reject()
{
    cmdOK_Click();
}

}  // namespace tralex
