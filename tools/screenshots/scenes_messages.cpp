// Pictures of the message windows: a warning, notices in the success colour, a warning too long
// for the design width, and a question.
#include <QLabel>

#include "ScreenshotScene.h"
#include "dialogs/Msg_Warning.h"
#include "dialogs/Msg_YesNo.h"
#include "dialogs/basFormLayout.h"

namespace {

using tralex::Msg_Warning;
using tralex::Msg_YesNo;

const bool registered = tralex::screenshots::registerScenes({
    {QStringLiteral("Msg_Warning"),
     [] {
         Msg_Warning& w = Msg_Warning::instance();
         w.setMessage2(QStringLiteral("置換対象ファイルはありませんでした"));
         w.Show();
     }},
    {QStringLiteral("Msg_Warning_two_lines"),
     [] {
         Msg_Warning& w = Msg_Warning::instance();
         w.setMessage1(QStringLiteral("すでにTralexは起動しています"));
         w.setMessage2(QStringLiteral("なお、複数起動は出来ません"));
         w.Show();
     }},
    {QStringLiteral("Msg_Warning_notice"),
     [] {
         Msg_Warning& w = Msg_Warning::instance();
         w.setMessage2(QStringLiteral("終了しました"));
         w.setColor(tralex::RGB(0, 0, 128));
         w.Show();
     }},
    {QStringLiteral("Msg_Warning_notice_with_skipped"),
     [] {
         Msg_Warning& w = Msg_Warning::instance();
         w.setMessage1(QStringLiteral("終了しました（12件）"));
         w.setMessage2(QStringLiteral("処理できなかったファイルが2件あります"));
         w.setColor(tralex::RGB(0, 0, 128));
         w.Show();
     }},
    {QStringLiteral("Msg_Warning_after_long"),
     [] {
         // A long message widens the window; the next one starts again at the design width.
         Msg_Warning& w = Msg_Warning::instance();
         w.setMessage2(QStringLiteral("「/home/user/ドキュメント/見積書/2024年度/第三四半期/」は存在しません"));
         w.setTimerSet(1);
         w.Show();
         w.setMessage2(QStringLiteral("ファイル名が指定されていません"));
         w.Show();
     },
     // The picture is of the second message only.
     []() -> QWidget* {
         Msg_Warning& w = Msg_Warning::instance();
         auto* line = w.findChild<QLabel*>(QStringLiteral("lblMessage(1)"));
         return line && line->text() == QStringLiteral("ファイル名が指定されていません") ? &w : nullptr;
     }},
    {QStringLiteral("Msg_Warning_long"),
     [] {
         Msg_Warning& w = Msg_Warning::instance();
         w.setMessage1(QStringLiteral("BackUpファイルを作成するフォルダが正しくありません"));
         w.setMessage2(QStringLiteral("「/home/user/ドキュメント/見積書/2024年度/第三四半期/」は存在しません"));
         w.Show();
     }},
    {QStringLiteral("Msg_YesNo_overwrite"),
     [] {
         Msg_YesNo& w = Msg_YesNo::instance();
         w.setMessage1(QStringLiteral("「置換リスト.slt」は既に存在します"));
         w.setMessage2(QStringLiteral("既存のファイルを書き換えますか？"));
         w.Show();
     }},
    {QStringLiteral("Msg_YesNo"),
     [] {
         Msg_YesNo& w = Msg_YesNo::instance();
         w.setMessage2(QStringLiteral("「/home/user/バックアップ/」を作成しますか？"));
         w.Show();
     }},
});

}  // namespace
