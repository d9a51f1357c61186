#include "dialogs/basWindowEffects.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegion>
#include <QScreen>
#include <QVariantAnimation>
#include <QWidget>

namespace tralex {

namespace {

// How long one zoom takes and how thick its outline is.
constexpr int ZoomMilliseconds = 200;
constexpr int OutlineWidth = 3;

QScreen* ScreenOf(const QWidget* w)
{
    QScreen* screen = w ? w->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}

// A frameless window that never takes input and shows only a thin border: the outline of a
// rectangle. The border is cut with a mask rather than painted on a translucent window, because a
// translucent window shows as a black box where no compositor runs.
class ZoomOutline : public QWidget {
public:
    ZoomOutline()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                               | Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

    void place(const QRect& r)
    {
        const QRect outer = r.normalized().adjusted(0, 0, 1, 1);
        setGeometry(outer);
        const QRect local(QPoint(0, 0), outer.size());
        QRegion border(local);
        const QRect inner = local.adjusted(OutlineWidth, OutlineWidth, -OutlineWidth, -OutlineWidth);
        if (inner.isValid())
            border -= QRegion(inner);
        setMask(border);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Highlight));
    }
};

// Draws the outline zooming from one rectangle to another and returns when it is done. Input is
// held back meanwhile, as the system's own zoom did, so that no click lands half-way.
void Zoom(const QRect& from, const QRect& to)
{
    if (!AnimationsShown())
        return;
    ZoomOutline outline;
    QVariantAnimation animation;
    animation.setDuration(ZoomMilliseconds);
    animation.setStartValue(from);
    animation.setEndValue(to);
    animation.setEasingCurve(QEasingCurve::OutQuad);
    QObject::connect(&animation, &QVariantAnimation::valueChanged, &outline,
                     [&outline](const QVariant& value) { outline.place(value.toRect()); });
    QEventLoop loop;
    QObject::connect(&animation, &QVariantAnimation::finished, &loop, &QEventLoop::quit);
    outline.place(from);
    outline.show();
    animation.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    outline.hide();
}

}  // namespace

bool AnimationsShown()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void CenterWindow(QWidget* w)
{
    if (!w)
        return;
    const QRect screen = ScreenOf(w)->geometry();
    const QSize outer = w->frameGeometry().size();
    w->move(screen.x() + (screen.width() - outer.width()) / 2,
            screen.y() + (screen.height() - outer.height()) / 2);
}

void AnimateOpen(QWidget* w)
{
    if (!w)
        return;
    // The outline grows from the window's centre to its full rectangle.
    const QRect target = w->frameGeometry();
    Zoom(QRect(target.center(), QSize(0, 0)), target);
}

void AnimateClose(QWidget* w)
{
    if (!w)
        return;
    Zoom(w->frameGeometry(), CloseCorner(ScreenOf(w)->geometry(), RandomCorner()));
}

void EnableForm(QWidget* w, bool vblnEnabled)
{
    if (w)
        w->setEnabled(vblnEnabled);
}

QRect CloseCorner(const QRect& vrctScreen, int vintCorner)
{
    const int x = (vintCorner == 2 || vintCorner == 4) ? vrctScreen.right() + 1 : vrctScreen.left();
    const int y = (vintCorner == 3 || vintCorner == 4) ? vrctScreen.bottom() + 1 : vrctScreen.top();
    return QRect(QPoint(x, y), QSize(0, 0));
}

int RandomCorner()
{
    return static_cast<int>(QRandomGenerator::global()->bounded(1, 5));
}

}  // namespace tralex
