#include "dialogs/Msg_YesNo.h"

#include <QFrame>
#include <QPointer>
#include <QPushButton>

#include "dialogs/basFormLayout.h"

namespace tralex {

Msg_YesNo& Msg_YesNo::instance()
{
    static QPointer<Msg_YesNo> window;
    if (!window)
        window = new Msg_YesNo;
    return *window;
}

Msg_YesNo::Msg_YesNo()
    : MessageWindow(QStringLiteral("Msg_YesNo"), QColor(0, 0, 255)),
      mfraCommandButton(new QFrame(client())),
      mcmdOK(new QPushButton(QStringLiteral("OK"), mfraCommandButton)),
      mcmdCancel(new QPushButton(QStringLiteral("Cancel"), mfraCommandButton))
{
    mfraCommandButton->setObjectName(QStringLiteral("fraCommandButton"));
    mfraCommandButton->setFrameShape(QFrame::NoFrame);
    mcmdOK->setObjectName(QStringLiteral("cmdOK"));
    mcmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* button : {mcmdOK, mcmdCancel})
        button->setFont(GothicFont(12, true));
    mcmdOK->setDefault(true);
    connect(mcmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(mcmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void Msg_YesNo::layOutButtons()
{
    mfraCommandButton->setGeometry(TwipsRect(1613, 825, 2655, 720));
    mcmdOK->setGeometry(TwipsRect(45, 165, 1215, 495));
    mcmdCancel->setGeometry(TwipsRect(1395, 165, 1215, 495));
    mcmdOK->show();
    mcmdCancel->show();
}

QWidget* Msg_YesNo::buttonControl() const
{
    return mfraCommandButton;
}

QWidget* Msg_YesNo::firstButton() const
{
    return mcmdOK;
}

void Msg_YesNo::cmdOK_Click()
{
    mcmdOK->hide();
    mcmdCancel->hide();
    mblnYesNo = true;
    done(Accepted);
}

void Msg_YesNo::cmdCancel_Click()
{
    mcmdOK->hide();
    mcmdCancel->hide();
    mblnYesNo = false;
    done(Rejected);
}

// A question that times out is answered Cancel.
void Msg_YesNo::timedOut()
{
    cmdCancel_Click();
}

// Escape and closing the window answer Cancel.
void Msg_YesNo::reject()
{
    cmdCancel_Click();
}

}  // namespace tralex
