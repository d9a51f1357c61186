#include "about/frmAbout.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "TralexVersion.h"
#include "about/MakerInfo.h"
#include "about/frmRoll.h"
#include "dialogs/Msg_Warning.h"
#include "dialogs/PlacedLabel.h"
#include "dialogs/basFormLayout.h"
#include "dialogs/basWindowEffects.h"
#include "platform/ProgramError.h"
#include "desktop/basRelateExecute.h"

namespace tralex {

namespace {

const QString Caption = QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報");
// Two lines, broken after a phrase: left to the label, the line would break inside a word.
const QString Description = QStringLiteral(
    "テキスト形式のファイル、Excel、Wordの複数文字、\n複数ファイルの一括置換が可能です。");
constexpr int ClientWidth = 6645;
constexpr int ClientHeight = 4200;

// Focus that a person gave: a click or the Tab keys. Focus that comes back with the window
// (after the browser opened, say) is not a request to open the address again.
bool GivenByUser(Qt::FocusReason reason)
{
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason
           || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

}  // namespace

frmAbout& frmAbout::instance()
{
    static QPointer<frmAbout> window;
    if (!window)
        window = new frmAbout;
    return *window;
}

frmAbout::frmAbout()
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                           | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(Caption);
    setModal(true);
    setFixedSize(Twips(ClientWidth), Twips(ClientHeight));
    createControls();
}

void frmAbout::createControls()
{
    const QColor red(255, 0, 0);
    mpicIcon = new QLabel(this);
    mpicIcon->setObjectName(QStringLiteral("picIcon"));
    mpicIcon->setGeometry(TwipsRect(240, 240, 720, 720));
    mpicIcon->setCursor(Qt::PointingHandCursor);
    mpicIcon->installEventFilter(this);

    const QFont font = GothicFont(9);
    mlblTitle = PlacedLabel(this, QStringLiteral("lblTitle"), QString(), MinchoFont(20.25, true),
                            QColor(0, 0, 255), QRect(1200, 150, 5205, 540));
    mlblVersion = PlacedLabel(this, QStringLiteral("lblVersion"), QString(), font,
                              QColor(255, 0, 255), QRect(1200, 720, 3000, 255));
    mlblMessage = PlacedLabel(this, QStringLiteral("lblMessage"), QString(), font,
                              QColor(0, 0, 128), QRect(240, 1080, 6165, 480));
    mlblMessage->setWordWrap(true);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1(0)"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(TwipsRect(240, 1605, 6165, 30));

    PlacedLabel(this, QStringLiteral("Label2"), QStringLiteral("HP："), font, QColor(0, 0, 0),
                QRect(240, 1800, 900, 255));
    PlacedLabel(this, QStringLiteral("Label3"), QStringLiteral("E-mail："), font, QColor(0, 0, 0),
                QRect(240, 2160, 900, 255));
    const QString addresses[2] = {MakerHomePage, MakerMailAddress};
    for (int i = 0; i < 2; ++i) {
        auto* box = new QLineEdit(addresses[i], this);
        box->setObjectName(QStringLiteral("Text(%1)").arg(i));
        box->setReadOnly(true);
        box->setFont(font);
        box->setCursor(Qt::PointingHandCursor);
        // The boxes have the colour of buttons, so that they read like labels.
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        box->setPalette(palette);
        box->setGeometry(TwipsRect(1140, 1755 + 360 * i, 5265, 315));
        box->installEventFilter(this);
        mtxtText[size_t(i)] = box;
    }
    PlacedLabel(this, QStringLiteral("Label1"), QStringLiteral("最新版は上記HPから。"), font, red,
                QRect(1140, 2490, 5265, 255));

    // The first line's sentence goes on in the second; the third says whom to ask.
    PlacedLabel(this, QStringLiteral("lblDisclaimer"),
                QStringLiteral("本ソフトウェアは%1の著作物です。無断での転載、配布等は").arg(MakerName),
                font, red, QRect(240, 2880, 6165, 255));
    PlacedLabel(this, QStringLiteral("Label6"), QStringLiteral("堅くお断りします。"), font, red,
                QRect(240, 3135, 6165, 255));
    PlacedLabel(this, QStringLiteral("Label7"),
                QStringLiteral("転載、配布等を行いたい場合は上記E-mailまで。"), font, red,
                QRect(240, 3390, 4800, 255));

    mcmdOK = new QPushButton(QStringLiteral("OK"), this);
    mcmdOK->setObjectName(QStringLiteral("cmdOK"));
    mcmdOK->setFont(GothicFont(9, true));
    mcmdOK->setGeometry(TwipsRect(5190, 3630, 1215, 420));
    mcmdOK->setDefault(true);
    connect(mcmdOK, &QPushButton::clicked, this, [this] { accept(); });
}

void frmAbout::Show()
{
    exec();
}

void frmAbout::setVisible(bool visible)
{
    if (visible && !mblnLoaded)
        load();
    QDialog::setVisible(visible);
}

void frmAbout::load()
{
    mblnLoaded = true;
    mlblTitle->setText(QStringLiteral("Tralex"));
    mlblVersion->setText(QStringLiteral("Ver ") + AppVersion());
    mlblMessage->setText(Description);
    QIcon icon = mfrmPreForm ? mfrmPreForm->windowIcon() : QApplication::windowIcon();
    setWindowIcon(icon);
    mpicIcon->setPixmap(icon.pixmap(mpicIcon->size()));
    // OK holds the focus first: focus on an address box opens the address.
    mcmdOK->setFocus(Qt::OtherFocusReason);
    CenterWindow(this);
    AnimateOpen(this);
}

void frmAbout::done(int result)
{
    if (mblnLoaded) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        if (isVisible())
            AnimateClose(this);
        mstrTanto.clear();
        mblnLoaded = false;
    }
    QDialog::done(result);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mpicIcon && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        picIcon_Click();
        return true;
    }
    if (event->type() == QEvent::FocusIn
        && GivenByUser(static_cast<QFocusEvent*>(event)->reason())) {
        for (int i = 0; i < 2; ++i)
            if (watched == mtxtText[size_t(i)])
                // After the focus has settled, so that a refusal can show its message.
                QTimer::singleShot(0, this, [this, i] { Text_GotFocus(i); });
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::Text_GotFocus(int vintIndex)
{
    QLineEdit* box = mtxtText[size_t(vintIndex)];
    box->selectAll();
    const QString address = box->text().trimmed();
    try {
        StringExecute(vintIndex == 1 ? QStringLiteral("mailto:") + address : address);
    } catch (const ProgramError& e) {
        Msg_Warning& warning = Msg_Warning::instance();
        warning.setMessage2(e.description());
        warning.Show();
    }
}

void frmAbout::picIcon_Click()
{
    frmRoll& roll = frmRoll::instance();
    for (int i = 0; i < StaffNames::Count; ++i)
        roll.setTanto(i, mstrTanto.at(i));
    roll.Show();
}

}  // namespace tralex
