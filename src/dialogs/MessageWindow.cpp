#include "dialogs/MessageWindow.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <limits>

#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"
#include "platform/ProgramError.h"
#include "services/basDataChange.h"

namespace tralex {

namespace {

// The design size of the client area and the places of the two lines, in twips.
constexpr int ClientWidth = 5880;
constexpr int ClientHeight = 1590;
constexpr int LineLeft = 600;
constexpr int LineTops[2] = {195, 570};
constexpr int LineWidth = 4680;
constexpr int LineHeight = 180;

// What the lines show at design time; replaced at every load.
const QString Placeholder = QString(24, QChar(0x25CB));

}  // namespace

MessageWindow::MessageWindow(const QString& name, const QColor& designColor)
    : FixedDialog(name), mDesignColor(designColor), mTimer1(new QTimer(this))
{
    setWindowModality(Qt::ApplicationModal);
    for (int i = 0; i < 2; ++i) {
        mlblMessage[i] = new QLabel(client());
        mlblMessage[i]->setObjectName(QStringLiteral("lblMessage(%1)").arg(i));
        mlblMessage[i]->setFont(GothicFont(9, true));
        mlblMessage[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        mlblMessage[i]->setTextFormat(Qt::PlainText);
    }
    mTimer1->setObjectName(QStringLiteral("Timer1"));
    mTimer1->setSingleShot(true);
    connect(mTimer1, &QTimer::timeout, this, [this] { timedOut(); });
}

void MessageWindow::setTimerSet(qint32 vlngSeconds)
{
    const qint64 milliseconds = qint64(vlngSeconds) * 1000;
    if (milliseconds > std::numeric_limits<qint32>::max())
        throw ProgramError(objectName(), QStringLiteral("オーバーフローしました。"));
    if (milliseconds < 0)
        throw ProgramError(objectName(), QStringLiteral("プロパティの値が不正です。"));
    mlngTimerSet = static_cast<qint32>(milliseconds);
}

void MessageWindow::Show()
{
    if (isVisible())
        return;
    exec();
}

void MessageWindow::setVisible(bool visible)
{
    if (visible && !isVisible())
        load();
    FixedDialog::setVisible(visible);
    if (visible) {
        activateWindow();
        firstButton()->setFocus(Qt::OtherFocusReason);
    }
}

void MessageWindow::load()
{
    // Back to the design look: the previous message may have widened the window or coloured the
    // lines, and its buttons were hidden when it was answered.
    setClientSize(QSize(Twips(ClientWidth), Twips(ClientHeight)));
    QPalette palette = mlblMessage[0]->palette();
    palette.setColor(QPalette::WindowText, mDesignColor);
    for (int i = 0; i < 2; ++i) {
        mlblMessage[i]->setGeometry(TwipsRect(LineLeft, LineTops[i], LineWidth, LineHeight));
        mlblMessage[i]->setText(Placeholder);
        mlblMessage[i]->setPalette(palette);
    }
    layOutButtons();

    showLine(0, CleanValue(mstrMessage1, false).toString());
    showLine(1, CleanValue(mstrMessage2, false).toString());

    if (mlngColor != 0) {
        palette.setColor(QPalette::WindowText, ColorFromValue(mlngColor));
        for (QLabel* label : mlblMessage)
            label->setPalette(palette);
    }

    mTimer1->stop();
    if (mlngTimerSet != 0) {
        mTimer1->setInterval(mlngTimerSet);
        mTimer1->start();
    }

    CenterWindow(this);
    AnimateOpen(this);
    QApplication::beep();
}

void MessageWindow::showLine(int index, const QString& text)
{
    setSelfSizingText(mlblMessage[index], text, {mlblMessage[0], mlblMessage[1], buttonControl()});
}

void MessageWindow::done(int result)
{
    mTimer1->stop();
    mstrMessage1.clear();
    mstrMessage2.clear();
    mlngColor = 0;
    mlngTimerSet = 0;
    FixedDialog::done(result);
}

}  // namespace tralex
