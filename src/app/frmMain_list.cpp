// The replacement list editor: the pairs kept in PairList in the order they are applied, shown one
// line each in lstTralex, edited with the find and replace boxes.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "app/frmMain.h"
#include "dialogs/Msg_Warning.h"
#include "services/PairEntry.h"
#include "platform/ProgramError.h"
#include "services/basListFile.h"

namespace tralex {

namespace {

const QString NoSelection = QStringLiteral("置換リストが選択されていません");
const QString CrLf = QStringLiteral("\r\n");

// A text as the multi-line box shows it: line breaks as the box's own.
QString forDisplayInBox(const QString& text)
{
    QString shown = text;
    shown.replace(CrLf, QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

}  // namespace

void frmMain::AddPair(const QString& vstrFndStr, const QString& vstrRepStr)
{
    mPairList->Add(BuildPairEntry(vstrFndStr, vstrRepStr));
}

void frmMain::ClearPairs()
{
    mPairList->Clear();
}

void frmMain::RefreshList()
{
    lstTralex->clear();
    for (const QString& entry : mPairList->items())
        lstTralex->addItem(DisplayPairEntry(entry));
    lstTralex->setCurrentRow(-1);
    lstTralex->clearSelection();
}

int frmMain::selectedLine() const
{
    const QList<QListWidgetItem*> selected = lstTralex->selectedItems();
    return selected.isEmpty() ? -1 : lstTralex->row(selected.first());
}

// The selected line for update and delete; without one the user is told, and -1 comes back.
int frmMain::chosenLine()
{
    const int line = selectedLine();
    if (line < 0)
        showError(NoSelection);
    return line;
}

// The text of a find or replace box with every line break written as CR LF, so that list files
// stay readable by the Windows program. The document's raw text keeps characters such as the
// no-break space that the box's plain text would turn into blanks.
QString frmMain::fieldText(const QPlainTextEdit* box) const
{
    QString text = box->document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), CrLf);
    text.replace(QChar(QChar::LineSeparator), CrLf);
    return text;
}

void frmMain::clearFields()
{
    txtFndStr->clear();
    txtRepStr->clear();
}

// Characters 30 and 31 separate records and fields of pair entries and list files; a text holding
// one would be split apart on the way back, so such a pair is refused.
void frmMain::checkStorable(const QString& vstrFndStr, const QString& vstrRepStr) const
{
    for (const QString& text : {vstrFndStr, vstrRepStr}) {
        if (!IsStorableListText(text))
            throw ProgramError(QStringLiteral("frmMain"),
                               QStringLiteral("文字コード30・31の制御文字はリストに登録できません"));
    }
}

void frmMain::lstTralex_Click()
{
    const int line = selectedLine();
    if (line < 0)
        return;
    const PairTexts pair = SplitPairEntry(mPairList->Item(line + 1));
    txtFndStr->setPlainText(forDisplayInBox(pair.find));
    txtRepStr->setPlainText(forDisplayInBox(pair.replace));
}

void frmMain::AddFromFields()
{
    const QString find = fieldText(txtFndStr);
    const QString replace = fieldText(txtRepStr);
    checkStorable(find, replace);
    AddPair(find, replace);
    clearFields();
    RefreshList();
}

void frmMain::UpdateSelected()
{
    const int line = chosenLine();
    if (line < 0)
        return;
    const QString find = fieldText(txtFndStr);
    const QString replace = fieldText(txtRepStr);
    checkStorable(find, replace);
    // A new list takes the old one's place: an engine still holding the old list keeps it whole.
    OrderedListRef updated = makeOrderedList();
    for (int i = 1; i <= mPairList->Count(); ++i)
        updated->Add(i == line + 1 ? BuildPairEntry(find, replace) : mPairList->Item(i));
    clearFields();
    mPairList = updated;
    RefreshList();
}

void frmMain::DeleteSelected()
{
    const int line = chosenLine();
    if (line < 0)
        return;
    mPairList->Remove(line + 1);
    clearFields();
    RefreshList();
}

void frmMain::ClearList()
{
    ClearPairs();
    RefreshList();
}

}  // namespace tralex
