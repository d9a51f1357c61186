#include "dialogs/Msg_Waiting.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"
#include "platform/ProgramError.h"

namespace tralex {

namespace {

constexpr int ClientWidth = 5880;
constexpr int ClientHeight = 1590;
constexpr int LineLeft = 600;
constexpr int LineTops[2] = {120, 405};
constexpr int LineWidth = 4680;
constexpr int LineHeight = 180;

const QString Placeholder = QString(24, QChar(0x25CB));
const QString Source = QStringLiteral("Msg_Waiting");

}  // namespace

// One progress bar: a sunken picture that shows the percentage done in black on the button face,
// with the done part filled yellow and the text inverted (blue) where the fill covers it.
class Msg_Waiting::Bar : public QFrame {
public:
    explicit Bar(QWidget* parent) : QFrame(parent)
    {
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
        setAutoFillBackground(false);
    }

    void start(qint32 maxCount)
    {
        mMax = maxCount;
        mCounted = 0;
        mDrawn = false;
        mCountShown = false;
        setAccessibleName(QString());
        show();
        repaint();
    }

    void count(qint32 units)
    {
        mCounted += units;
        mDrawn = true;
        // The percentage is also the bar's accessible name, so screen readers can announce it.
        setAccessibleName(text());
        repaint();
    }

    // Shows `done` of `found` as a count rather than a percentage.
    void showCount(qint64 done, qint64 found)
    {
        mMax = found;
        mCounted = done;
        mDrawn = true;
        mCountShown = true;
        setAccessibleName(text());
        show();
        update();
    }

    // The percentage shown: whole per cent of the units counted, kept between 0 and 100.
    int percent() const
    {
        if (mMax <= 0)
            return 0;
        return static_cast<int>(std::clamp<qint64>(mCounted, 0, mMax) * 100 / mMax);
    }

    QString text() const
    {
        if (mCountShown)
            return QStringLiteral("%1 / %2").arg(mCounted).arg(mMax);
        return QString::number(percent()) + QLatin1Char('%');
    }

    // The width of the yellow part, in pixels of the inner area.
    int filledWidth() const
    {
        if (mMax <= 0)
            return 0;
        const qint64 done = std::clamp<qint64>(mCounted, 0, mMax);
        return static_cast<int>((contentsRect().width() * done + mMax / 2) / mMax);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        const QRect inner = contentsRect();
        QPainter painter(this);
        painter.setClipRect(inner);
        painter.fillRect(inner, palette().color(QPalette::Button));
        if (!mDrawn)
            return;
        const QString shown = text();
        // A percentage starts just left of the middle, a count is centred; both at the top.
        const int textLeft = mCountShown ? inner.left() + (inner.width() - painter.fontMetrics().horizontalAdvance(shown)) / 2
                                         : inner.left() + inner.width() / 2 - Twips(50);
        const QPoint origin(textLeft, inner.top() + painter.fontMetrics().ascent());
        painter.setPen(Qt::black);
        painter.drawText(origin, shown);
        const QRect filled(inner.topLeft(), QSize(filledWidth(), inner.height()));
        if (filled.width() <= 0)
            return;
        painter.setClipRect(filled);
        painter.fillRect(filled, QColor(255, 255, 0));
        painter.setPen(QColor(0, 0, 255));
        painter.drawText(origin, shown);
    }

private:
    qint64 mMax = 0;
    qint64 mCounted = 0;
    bool mDrawn = false;
    bool mCountShown = false;
};

Msg_Waiting& Msg_Waiting::instance()
{
    static QPointer<Msg_Waiting> window;
    if (!window)
        window = new Msg_Waiting;
    return *window;
}

Msg_Waiting::Msg_Waiting()
    : FixedDialog(Source), mfraBar(new QFrame(client())), mcmdStop(new QPushButton(client()))
{
    setModal(false);
    setFont(GothicFont(9));
    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    for (int i = 0; i < 2; ++i) {
        mlblMessage[i] = new QLabel(client());
        mlblMessage[i]->setObjectName(QStringLiteral("lblMessage(%1)").arg(i));
        mlblMessage[i]->setFont(GothicFont(9, true));
        mlblMessage[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        mlblMessage[i]->setTextFormat(Qt::PlainText);
        mlblMessage[i]->setPalette(palette);
    }
    mtmrCount = new QTimer(this);
    mtmrCount->setObjectName(QStringLiteral("tmrCount"));
    mtmrCount->setSingleShot(true);
    mtmrCount->setInterval(CountDrawInterval);
    connect(mtmrCount, &QTimer::timeout, this, [this] {
        if (mblnCountPending)
            drawCount();
    });
    mlblItem = new QLabel(client());
    mlblItem->setObjectName(QStringLiteral("lblItem"));
    mlblItem->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    mlblItem->setTextFormat(Qt::PlainText);
    mlblItem->setPalette(palette);
    mfraBar->setObjectName(QStringLiteral("fraBar"));
    mfraBar->setFrameShape(QFrame::NoFrame);
    for (int i = 0; i < 2; ++i) {
        mpicBar[i] = new Bar(mfraBar);
        mpicBar[i]->setObjectName(QStringLiteral("picBar(%1)").arg(i));
    }
    mcmdStop->setObjectName(QStringLiteral("cmdStop"));
    mcmdStop->setText(QStringLiteral("STOP"));
    mcmdStop->setFont(GothicFont(12, true));
    connect(mcmdStop, &QPushButton::clicked, this, [this] { cmdStop_Click(); });
}

void Msg_Waiting::Show()
{
    if (!mblnLoaded && !mfrmPreForm)
        throw ProgramError(Source, QStringLiteral("対象formが指定されていません"),
                           ProgramError::WaitingError);
    show();
    raise();
    activateWindow();
}

void Msg_Waiting::setVisible(bool visible)
{
    if (visible && !mblnLoaded) {
        if (!mfrmPreForm)
            return;  // Show() reports this; a bare show() must not come up without its PreForm
        load();
    }
    FixedDialog::setVisible(visible);
    if (visible && mfrmPreForm && windowHandle() && mfrmPreForm->window()->windowHandle())
        windowHandle()->setTransientParent(mfrmPreForm->window()->windowHandle());
}

void Msg_Waiting::load()
{
    EnableForm(mfrmPreForm, false);
    mblnLoaded = true;

    setClientSize(QSize(Twips(ClientWidth), Twips(ClientHeight)));
    for (int i = 0; i < 2; ++i) {
        mlblMessage[i]->setGeometry(TwipsRect(LineLeft, LineTops[i], LineWidth, LineHeight));
        mlblMessage[i]->setText(Placeholder);
    }
    mfraBar->setGeometry(TwipsRect(398, 660, 5085, 480));
    mpicBar[0]->setGeometry(TwipsRect(45, 0, 5000, 225));
    mpicBar[1]->setGeometry(TwipsRect(45, 255, 5000, 225));
    // The file in hand takes the second bar's place, which a counted run does not use.
    mlblItem->setGeometry(TwipsRect(398 + 45, 660 + 255, 5000, 225));
    mlblItem->clear();
    mlblItem->hide();
    mstrCount.clear();
    mstrItem.clear();
    mtmrCount->stop();
    mblnCountPending = false;
    mcmdStop->setGeometry(TwipsRect(2475, 1215, 930, 345));

    refreshLines();
    mblnStopFlag = false;
    mpicBar[0]->hide();
    mpicBar[1]->hide();
    mcmdStop->setEnabled(true);
    mcmdStop->setFocus(Qt::OtherFocusReason);

    CenterWindow(this);
    AnimateOpen(this);
}

void Msg_Waiting::Unload()
{
    if (!mblnLoaded)
        return;
    mstrMessage1.clear();
    mstrMessage2.clear();
    mpicBar[0]->hide();
    mpicBar[1]->hide();
    mlblItem->hide();
    mtmrCount->stop();
    mblnLoaded = false;
    FixedDialog::setVisible(false);
    EnableForm(mfrmPreForm, true);
}

void Msg_Waiting::reject()
{
}

void Msg_Waiting::refreshLines()
{
    // STOP is centred with the lines and the bars, so that it stays under them in a widened window.
    const QList<QWidget*> centred{mlblMessage[0], mlblMessage[1], mfraBar, mlblItem, mcmdStop};
    setSelfSizingText(mlblMessage[0], mstrMessage1, centred);
    setSelfSizingText(mlblMessage[1], mstrMessage2, centred);
}

Msg_Waiting::Bar* Msg_Waiting::bar(qint32 vlngIndex)
{
    if (vlngIndex < 0 || vlngIndex > 1)
        throw ProgramError(Source, QStringLiteral("インデックスが有効範囲にありません。"));
    return mpicBar[vlngIndex];
}

// Lets the window paint at once and lets a click on STOP through.
void Msg_Waiting::settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void Msg_Waiting::StartProgress(qint32 vlngIndex, qint32 vlngMaxCount)
{
    refreshLines();
    Bar* target = bar(vlngIndex);
    if (vlngMaxCount == 0)
        throw ProgramError(Source, QStringLiteral("0 で除算しました。"));
    if (vlngMaxCount < 0)
        throw ProgramError(Source, QStringLiteral("最大値には 1 以上を指定してください。"));
    target->start(vlngMaxCount);
    settle();
}

void Msg_Waiting::CountProgress(qint32 vlngIndex, qint32 vlngCount)
{
    refreshLines();
    bar(vlngIndex)->count(vlngCount);
    settle();
}

void Msg_Waiting::ShowCount(qint64 done, qint64 found)
{
    mlngDone = done;
    mlngFound = found;
    mstrCount = QStringLiteral("%1 / %2").arg(done).arg(found);
    drawCount();
}

void Msg_Waiting::ShowItem(const QString& vstrItem)
{
    mstrItem = vstrItem;
    drawCount();
}

void Msg_Waiting::drawCount()
{
    if (mtmrCount->isActive()) {
        mblnCountPending = true;
        return;
    }
    mblnCountPending = false;
    if (!mstrCount.isEmpty())
        mpicBar[0]->showCount(mlngDone, mlngFound);
    if (!mstrItem.isEmpty()) {
        mlblItem->setText(mlblItem->fontMetrics().elidedText(mstrItem, Qt::ElideMiddle, mlblItem->width()));
        mlblItem->show();
    }
    mtmrCount->start();
}

void Msg_Waiting::cmdStop_Click()
{
    mblnStopFlag = true;
    mstrMessage1.clear();
    mstrMessage2 = QStringLiteral("処理を中断しています．．．");
    mcmdStop->setEnabled(false);
    // Show at once that the press was taken: the operation may need a while to reach its next step.
    refreshLines();
    emit StopRequested();
}

}  // namespace tralex
