// The warning window driven as a user meets it: shown modally, answered by click, keys or time-out.
#include <QLabel>
#include <QPushButton>

#include "dialogs/JapaneseFonts.h"
#include "dialogs/Msg_Warning.h"
#include "dialogs/basFormLayout.h"
#include "services/ProgramError.h"
#include "support/ModalAnswerer.h"

using namespace tralex;
using namespace tralex::test;

namespace {

class MsgWarningTest : public ::testing::Test {
protected:
    void SetUp() override { InstallJapaneseFonts(); }
    Msg_Warning& window = Msg_Warning::instance();
};

QString shown(QWidget* w, int line)
{
    auto* label = child<QLabel>(w, QStringLiteral("lblMessage(%1)").arg(line));
    return label ? label->text() : QString();
}

TEST_F(MsgWarningTest, EnterEscapeAndClickAllAnswerAndUnload)
{
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape), 0}) {
        SCOPED_TRACE(key);
        window.setMessage2(QStringLiteral("置換対象ファイルはありませんでした"));
        ModalAnswerer answer;
        answer.then(QStringLiteral("Msg_Warning"), [key](QWidget* w) {
            EXPECT_EQ(shown(w, 1), QStringLiteral("置換対象ファイルはありませんでした"));
            if (key)
                press(w, key);
            else
                click(w, QStringLiteral("cmdOK"));
        });
        window.Show();
        EXPECT_TRUE(answer.allAnswered());
        EXPECT_TRUE(answer.leftOpen().isEmpty()) << answer.leftOpen().join(',').toStdString();
        EXPECT_FALSE(window.isVisible());
    }
}

}  // namespace
