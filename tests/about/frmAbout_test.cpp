// The about box as a person meets it from the help menu: what it shows, the two address boxes
// that open the browser and the mail program, a refusal of the desktop shown in the warning
// window, the credit names and the staff roll behind the icon.
#include <QDesktopServices>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QUrl>

#include "about/MakerInfo.h"
#include "about/frmAbout.h"
#include "about/frmRoll.h"
#include "platform/ProgramError.h"
#include "support/ModalAnswerer.h"

using namespace tralex;
using namespace tralex::test;

namespace {

// Takes what would be handed to the desktop, so that nothing is started on this machine.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char* scheme : {"mailto", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "take");
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : {"mailto", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> taken;

public slots:
    void take(const QUrl& url) { taken.append(url); }
};

QString labelText(QWidget* w, const QString& name)
{
    QLabel* label = child<QLabel>(w, name);
    return label ? label->text() : QString();
}

// Shows the about box and runs `step` on it before it is closed with OK.
void showAbout(const std::function<void(QWidget*)>& step)
{
    ModalAnswerer answer(20000);
    answer.then(QStringLiteral("frmAbout"), [&step](QWidget* w) {
        step(w);
        click(w, QStringLiteral("cmdOK"));
    });
    frmAbout::instance().Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_TRUE(answer.leftOpen().isEmpty()) << answer.leftOpen().join(',').toStdString();
    EXPECT_FALSE(frmAbout::instance().isVisible());
}

TEST(frmAbout, ShowsTitleVersionPurposeAndThePreFormsIcon)
{
    QMainWindow opener;
    QPixmap red(32, 32);
    red.fill(Qt::red);
    opener.setWindowIcon(QIcon(red));
    frmAbout::instance().setPreForm(&opener);
    showAbout([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        EXPECT_TRUE(w->isModal());
        EXPECT_EQ(labelText(w, QStringLiteral("lblTitle")), QStringLiteral("Tralex"));
        EXPECT_EQ(labelText(w, QStringLiteral("lblVersion")), QStringLiteral("Ver 1.6.0"));
        // Broken after a phrase only: each line fits the label, so the label breaks no word.
        const QStringList lines = labelText(w, QStringLiteral("lblMessage")).split(QLatin1Char('\n'));
        EXPECT_EQ(lines, QStringList({QStringLiteral("テキスト形式のファイル、Excel、Wordの複数文字、"),
                                      QStringLiteral("複数ファイルの一括置換が可能です。")}));
        auto* message = child<QLabel>(w, QStringLiteral("lblMessage"));
        for (const QString& line : lines)
            EXPECT_LE(message->fontMetrics().horizontalAdvance(line), message->contentsRect().width());
        const QImage icon = child<QLabel>(w, QStringLiteral("picIcon"))->pixmap().toImage();
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.pixelColor(icon.width() / 2, icon.height() / 2), QColor(Qt::red));
        EXPECT_EQ(child<QLineEdit>(w, QStringLiteral("Text(0)"))->text(), MakerHomePage);
        EXPECT_EQ(child<QLineEdit>(w, QStringLiteral("Text(1)"))->text(), MakerMailAddress);
        // The address boxes open what they show on focus: the window must not start on one.
        EXPECT_EQ(w->focusWidget()->objectName(), QStringLiteral("cmdOK"));
    });
    frmAbout::instance().setPreForm(nullptr);
}

TEST(frmAbout, AddressBoxesOpenTheirAddressWhenAPersonFocusesThem)
{
    UrlCatcher catcher;
    showAbout([&catcher](QWidget* w) {
        click(w, QStringLiteral("Text(0)"));
        ASSERT_TRUE(waitFor([&] { return catcher.taken.size() == 1; }));
        EXPECT_EQ(catcher.taken.at(0), QUrl(MakerHomePage));
        auto* home = child<QLineEdit>(w, QStringLiteral("Text(0)"));
        EXPECT_EQ(home->selectedText(), home->text());

        press(w, Qt::Key_Tab);  // on to the mail box
        ASSERT_TRUE(waitFor([&] { return catcher.taken.size() == 2; }));
        EXPECT_EQ(catcher.taken.at(1), QUrl(QStringLiteral("mailto:") + MakerMailAddress));

        // The focus coming back with the window is not a request to open the address again.
        QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(child<QLineEdit>(w, QStringLiteral("Text(1)")), &back);
        QCoreApplication::processEvents();  // where a focus from the user would open it
        EXPECT_EQ(catcher.taken.size(), 2);
    });
}

TEST(frmAbout, AnAddressTheDesktopCannotOpenIsReportedInTheWarningWindow)
{
    UrlCatcher catcher;
    QString warned;
    ModalAnswerer answer(20000);
    answer.then(QStringLiteral("frmAbout"), [](QWidget* w) {
        child<QLineEdit>(w, QStringLiteral("Text(0)"))->setText(QStringLiteral("  どこでもない  "));
        click(w, QStringLiteral("Text(0)"));
    });
    answer.then(QStringLiteral("Msg_Warning"), [&warned](QWidget* w) {
        warned = labelText(w, QStringLiteral("lblMessage(1)"));
        click(w, QStringLiteral("cmdOK"));
    });
    answer.then(QStringLiteral("frmAbout"), [](QWidget* w) {
        child<QLineEdit>(w, QStringLiteral("Text(0)"))->setText(MakerHomePage);
        click(w, QStringLiteral("cmdOK"));
    });
    frmAbout::instance().Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_EQ(warned, QStringLiteral("どこでもないが実行出来ませんでした"));
    EXPECT_TRUE(catcher.taken.isEmpty());
}

TEST(frmAbout, CreditIndexOutsideZeroToFourIsRefusedInBothWindows)
{
    for (const int index : {-1, 5}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(frmAbout::instance().setTanto(index, QStringLiteral("x")), ProgramError);
        EXPECT_THROW(frmRoll::instance().setTanto(index, QStringLiteral("x")), ProgramError);
        EXPECT_THROW(frmRoll::instance().Tanto(index), ProgramError);
    }
}

TEST(frmAbout, IconClickRunsTheRollWithTheCreditNamesAndClosingItReturnsToTheAboutBox)
{
    frmAbout::instance().setTanto(2, QStringLiteral("山田 太郎"));
    QStringList rollLines;
    ModalAnswerer answer(20000);
    answer.then(QStringLiteral("frmAbout"), [](QWidget* w) { click(w, QStringLiteral("picIcon")); });
    answer.then(QStringLiteral("frmRoll"), [&rollLines](QWidget* w) {
        rollLines = frmRoll::instance().RollLines();
        click(w, QStringLiteral("picStaffRoll"));
    });
    answer.then(QStringLiteral("frmAbout"), [](QWidget* w) { click(w, QStringLiteral("cmdOK")); });
    frmAbout::instance().Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_EQ(answer.answered(), (QStringList{QStringLiteral("frmAbout"), QStringLiteral("frmRoll"),
                                              QStringLiteral("frmAbout")}));
    const qsizetype coding = rollLines.indexOf(QStringLiteral("★★ コーディング ★★"));
    ASSERT_GE(coding, 0);
    EXPECT_EQ(rollLines.value(coding + 2), QStringLiteral("山田 太郎"));
    const qsizetype idea = rollLines.indexOf(QStringLiteral("★★ 発案 ★★"));
    EXPECT_EQ(rollLines.value(idea + 2), DefaultTanto);
    // The names were the about box's for this showing only.
    EXPECT_EQ(frmAbout::instance().Tanto(2), QString());
}

}  // namespace

#include "frmAbout_test.moc"
