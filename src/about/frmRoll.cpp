#include "about/frmRoll.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "TralexVersion.h"
#include "about/MakerInfo.h"
#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"
#include "services/basInformationRetrieval.h"

namespace tralex {

namespace {

constexpr int RollHeightTwips = 25000;
constexpr int BlankLinesBetween = 5;
const QString ProgramName = QStringLiteral("Tralex");

QScreen* ScreenOf(const QWidget* w)
{
    QScreen* screen = w->screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

void AddBlankLines(QStringList& lines, int count)
{
    for (int i = 0; i < count; ++i)
        lines << QString();
}

// A credit: its heading, an empty line, the name, and the gap before the next credit.
void AddCredit(QStringList& lines, const QString& heading, const QString& name, bool last = false)
{
    lines << QStringLiteral("★★ %1 ★★").arg(heading) << QString() << name;
    if (!last)
        AddBlankLines(lines, BlankLinesBetween);
}

}  // namespace

frmRoll& frmRoll::instance()
{
    static QPointer<frmRoll> window;
    if (!window)
        window = new frmRoll;
    return *window;
}

frmRoll::frmRoll()
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint),
      mpicStaffRoll(new QLabel(this)),
      mTimer1(new QTimer(this))
{
    setObjectName(QStringLiteral("frmRoll"));
    setModal(true);
    setCursor(Qt::PointingHandCursor);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    mpicStaffRoll->setObjectName(QStringLiteral("picStaffRoll"));
    // Clicks on the roll close the window like clicks beside it.
    mpicStaffRoll->installEventFilter(this);
    mTimer1->setObjectName(QStringLiteral("Timer1"));
    connect(mTimer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

QStringList frmRoll::RollLines() const
{
    auto name = [this](int index) {
        const QString given = mstrTanto.at(index);
        return given.trimmed().isEmpty() ? DefaultTanto : given;
    };
    QString title = ProgramName;
    title.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    QStringList lines;
    lines << QStringLiteral("■■ %1 Ver%2■■").arg(title, AppVersion());
    AddBlankLines(lines, BlankLinesBetween);
    AddCredit(lines, QStringLiteral("発案"), name(0));
    AddCredit(lines, QStringLiteral("デザイン"), name(1));
    AddCredit(lines, QStringLiteral("コーディング"), name(2));
    AddCredit(lines, QStringLiteral("効果音"), GetMachineName());
    AddCredit(lines, QStringLiteral("テスト"), name(3));
    AddCredit(lines, QStringLiteral("デバッグ"), name(4));
    AddCredit(lines, QStringLiteral("製作・著作権"), MakerName, true);
    return lines;
}

void frmRoll::Show()
{
    exec();
}

void frmRoll::setVisible(bool visible)
{
    if (visible && !mblnLoaded)
        load();
    QDialog::setVisible(visible);
}

void frmRoll::load()
{
    mblnLoaded = true;
    const QRect screen = ScreenOf(this)->geometry();
    setFixedSize(screen.width() * 2 / 3, screen.height() * 2 / 3);
    CenterWindow(this);
    drawRoll();
    // Just below the visible area, centred across.
    mpicStaffRoll->move((width() - mpicStaffRoll->width()) / 2, height());
    mTimer1->start(TickMilliseconds);
}

void frmRoll::drawRoll()
{
    const QStringList lines = RollLines();
    const QFont font = GothicFont(20.25);
    const QFontMetrics metrics(font);
    const int width = ScreenOf(this)->geometry().width() / 2;
    // The design height holds the credits at the design font; a taller font lengthens the roll
    // rather than cutting off its last lines.
    const int height = qMax(Twips(RollHeightTwips), int(lines.size()) * metrics.lineSpacing());
    QPixmap picture(width, height);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setFont(font);
    painter.setPen(Qt::white);
    int baseline = metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText((width - metrics.horizontalAdvance(line)) / 2, baseline, line);
        baseline += metrics.lineSpacing();
    }
    painter.end();
    mpicStaffRoll->setFixedSize(picture.size());
    mpicStaffRoll->setPixmap(picture);
}

void frmRoll::Timer1_Timer()
{
    if (mpicStaffRoll->y() + mpicStaffRoll->height() <= 0) {
        accept();
        return;
    }
    mpicStaffRoll->move(mpicStaffRoll->x(), mpicStaffRoll->y() - StepPixels);
}

void frmRoll::done(int result)
{
    mTimer1->stop();
    if (mblnLoaded) {
        mstrTanto.clear();
        mblnLoaded = false;
    }
    QDialog::done(result);
}

void frmRoll::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    accept();
}

bool frmRoll::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mpicStaffRoll && event->type() == QEvent::MouseButtonPress) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tralex
