// Pictures of the progress window: as a run shows it, with both bars part-filled and full, after
// STOP, and with a line too long for the design width.
#include <QPointer>
#include <QPushButton>

#include "ScreenshotScene.h"
#include "dialogs/Msg_Waiting.h"

namespace {

using tralex::Msg_Waiting;

// The window the progress window stands in front of, as the main window does during a run.
QPointer<QWidget> preForm;

Msg_Waiting& showWaiting(const QString& line1, const QString& line2)
{
    preForm = new QWidget;
    preForm->resize(640, 480);
    preForm->show();
    Msg_Waiting& w = Msg_Waiting::instance();
    w.setPreForm(preForm);
    w.setMessage1(line1);
    w.setMessage2(line2);
    w.Show();
    return w;
}

tralex::screenshots::Scene waitingScene(const QString& name, std::function<void()> show)
{
    return {name, std::move(show), [] { return static_cast<QWidget*>(&Msg_Waiting::instance()); },
            [] {
                Msg_Waiting::instance().Unload();
                delete preForm;
            }};
}

const QString Searching = QStringLiteral("ただいま、検索置換中です");
const QString PleaseWait = QStringLiteral("しばらくお待ちください...");

const bool registered = tralex::screenshots::registerScenes({
    waitingScene(QStringLiteral("Msg_Waiting"), [] { showWaiting(Searching, PleaseWait); }),
    waitingScene(QStringLiteral("Msg_Waiting_bars"),
                 [] {
                     Msg_Waiting& w = showWaiting(Searching, PleaseWait);
                     w.StartProgress(0, 100);
                     w.CountProgress(0, 52);
                     w.StartProgress(1, 10);
                     w.CountProgress(1, 12);
                 }),
    waitingScene(QStringLiteral("Msg_Waiting_count"),
                 [] {
                     Msg_Waiting& w = showWaiting(Searching, PleaseWait);
                     w.ShowCount(1284, 3790);
                     w.ShowItem(QStringLiteral("第三四半期_東日本営業部_見積書.txt を置換中..."));
                 }),
    waitingScene(QStringLiteral("Msg_Waiting_stopped"),
                 [] {
                     Msg_Waiting& w = showWaiting(QStringLiteral("ただいま、検索削除中です"), PleaseWait);
                     if (auto* stop = w.findChild<QPushButton*>(QStringLiteral("cmdStop")))
                         stop->click();
                 }),
    waitingScene(QStringLiteral("Msg_Waiting_long"),
                 [] {
                     showWaiting(Searching,
                                 QStringLiteral("/home/user/ドキュメント/見積書/2024年度/第三四半期/顧客別/東日本営業部/"));
                 }),
});

}  // namespace
