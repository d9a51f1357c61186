#include "app/frmSplash.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "TralexVersion.h"
#include "about/MakerInfo.h"
#include "app/basMain.h"
#include "dialogs/PlacedLabel.h"
#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"

namespace tralex {

namespace {

constexpr int WindowWidth = 7200;
constexpr int WindowHeight = 4200;

}  // namespace

frmSplash& frmSplash::instance()
{
    static QPointer<frmSplash> window;
    if (!window)
        window = new frmSplash;
    return *window;
}

frmSplash::frmSplash()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      mFrame1(new QFrame(this)),
      mTimer1(new QTimer(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Tralex"));
    setFixedSize(Twips(WindowWidth), Twips(WindowHeight));
    mTimer1->setObjectName(QStringLiteral("Timer1"));
    mTimer1->setSingleShot(true);
    connect(mTimer1, &QTimer::timeout, this, [this] { OpenMainWindow(); });
    createControls();
}

void frmSplash::createControls()
{
    mFrame1->setObjectName(QStringLiteral("Frame1"));
    mFrame1->setFrameStyle(QFrame::Box | QFrame::Raised);
    mFrame1->setLineWidth(2);
    mFrame1->setGeometry(rect());
    mFrame1->installEventFilter(this);

    mimgLogo = new QLabel(mFrame1);
    mimgLogo->setObjectName(QStringLiteral("imgLogo"));
    mimgLogo->setGeometry(TwipsRect(420, 420, 1440, 1440));
    mimgLogo->setScaledContents(true);

    const QColor navy(0, 0, 128);
    const QColor red(255, 0, 0);
    mlblProductName = PlacedLabel(mFrame1, QStringLiteral("lblProductName"), QString(),
                                  GothicFont(32, true), QColor(0, 0, 255),
                                  QRect(2160, 360, 4620, 780));
    PlacedLabel(mFrame1, QStringLiteral("lblProductDescription"),
                QStringLiteral("複数文字・複数ファイル 一括置換"), GothicFont(10.5, true), navy,
                QRect(2160, 1170, 4620, 300));
    mlblVersion = PlacedLabel(mFrame1, QStringLiteral("lblVersion"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ"),
                              GothicFont(10.5), navy, QRect(2160, 1560, 4620, 300));

    // The notices on the rights, and the maker's name under them.
    const QStringList notices = {
        QStringLiteral("警告：本ソフトウェアの著作権は%1に帰属します。").arg(MakerName),
        QStringLiteral("著作権表示を変更することは禁止されています。"),
        QStringLiteral("無断での再配布は堅くお断りします。"),
    };
    const QString names[] = {QStringLiteral("lblWarning"), QStringLiteral("lblNotice"),
                             QStringLiteral("lblRedistribution")};
    for (int i = 0; i < notices.size(); ++i)
        PlacedLabel(mFrame1, names[i], notices[i], GothicFont(9), red,
                    QRect(420, 2280 + 285 * i, 6360, 255));
    QLabel* maker = PlacedLabel(mFrame1, QStringLiteral("lblCompany"), MakerName,
                                GothicFont(10.5, true), QColor(0, 0, 0), QRect(420, 3510, 6360, 300));
    maker->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void frmSplash::Show()
{
    show();
    raise();
    activateWindow();
}

void frmSplash::setVisible(bool visible)
{
    if (visible && !mblnLoaded)
        load();
    if (!visible) {
        // Unloaded: the timer goes with the window.
        mTimer1->stop();
        mblnLoaded = false;
    }
    QWidget::setVisible(visible);
}

void frmSplash::load()
{
    mblnLoaded = true;
    mlblVersion->setText(QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + AppVersion());
    mlblProductName->setText(QStringLiteral("Tralex"));
    mimgLogo->setPixmap(QApplication::windowIcon().pixmap(mimgLogo->size()));
    CenterWindow(this);
    mTimer1->start(ShowMilliseconds);
}

void frmSplash::OpenMainWindow()
{
    if (!mblnLoaded)
        return;
    mTimer1->stop();
    // The main window opens before the splash goes, so that the program always has a window.
    ShowMainWindow();
    hide();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    OpenMainWindow();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mFrame1 && event->type() == QEvent::MouseButtonPress) {
        OpenMainWindow();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tralex
