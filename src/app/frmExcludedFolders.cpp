#include "app/frmExcludedFolders.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/basFormLayout.h"

namespace tralex {

frmExcludedFolders::frmExcludedFolders(const ExcludedFolders& folders, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      mtxtPatterns(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("frmExcludedFolders"));
    setWindowTitle(QStringLiteral("対象外のフォルダ"));
    setModal(true);
    setFont(GothicFont(9));
    // Broken after phrases: left to the label, the lines would break inside words.
    auto* note = new QLabel(QStringLiteral("実行でも BackUpファイル削除でも、\n"
                                           "次の名前のフォルダの中は調べません。\n"
                                           "1 行に 1 つ、名前か「*」「?」を使ったパターンを\n"
                                           "書いてください（大文字・小文字は区別しません）。"),
                            this);
    mtxtPatterns->setObjectName(QStringLiteral("txtPatterns"));
    mtxtPatterns->setPlainText(folders.Patterns().join(QLatin1Char('\n')));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(mtxtPatterns);
    layout->addWidget(buttons);
    resize(420, 300);
}

ExcludedFolders frmExcludedFolders::Folders() const
{
    return ExcludedFolders(mtxtPatterns->toPlainText().split(QLatin1Char('\n')));
}

}  // namespace tralex
