#pragma once
// The please-wait window that stands in front of another window (its PreForm) while a long
// operation runs (on the same thread, or on another one while the window's events go on): two lines of text, two optional progress bars with a
// percentage, and a STOP button. While it is loaded its PreForm is disabled; the window itself is a
// separate top-level window, so it stays usable while the PreForm is disabled.
//
// Callers set PreForm, Message1 and Message2, call Show(), optionally drive the bars with
// StartProgress() and CountProgress(), read StopFlag() between steps, and call Unload(). A run on
// another thread shows its count instead: ShowCount() fills the first bar with "done / found"
// and ShowItem() names the file in hand below it; neither lets events run.
#include <QPointer>
#include <QString>

#include "dialogs/FixedDialog.h"

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace tralex {

class Msg_Waiting : public FixedDialog {
    Q_OBJECT
public:
    // The one instance of the process, made on first use and reused for every operation.
    static Msg_Waiting& instance();

    // The window disabled while this one is loaded. It keeps its reference across unloads.
    void setPreForm(QWidget* vfrmPreForm) { mfrmPreForm = vfrmPreForm; }
    QWidget* PreForm() const { return mfrmPreForm; }

    // The two lines. Setting them only stores the text; the window shows it when it loads, at each
    // StartProgress() or CountProgress(), and when STOP is pressed.
    void setMessage1(const QString& vstrMsg) { mstrMessage1 = vstrMsg; }
    QString Message1() const { return mstrMessage1; }
    void setMessage2(const QString& vstrMsg) { mstrMessage2 = vstrMsg; }
    QString Message2() const { return mstrMessage2; }

    // True once STOP was pressed during the current showing.
    bool StopFlag() const { return mblnStopFlag; }

    // Loads and shows the window (not modal) and disables PreForm. Without a PreForm it raises
    // ProgramError 0x800403EA from "Msg_Waiting" and nothing is shown or disabled. Showing a window
    // that is already loaded only brings it to the front.
    void Show();
    // Takes the window down, empties both lines, hides the bars and enables PreForm again.
    void Unload();
    bool isLoaded() const { return mblnLoaded; }

    // Shows bar vlngIndex (0 or 1) empty, to be filled by vlngMaxCount units.
    void StartProgress(qint32 vlngIndex, qint32 vlngMaxCount);
    // Advances bar vlngIndex by vlngCount units and redraws it with its percentage.
    void CountProgress(qint32 vlngIndex, qint32 vlngCount);

    // Shows the first bar filled by `done` of `found` with the text "done / found" ("found" may
    // grow while the operation goes on).
    void ShowCount(qint64 done, qint64 found);
    // The count last given since the window was loaded ("3 / 10"), empty before the first.
    QString CountText() const { return mstrCount; }
    // Names the file in hand on the line below the count, shortened in the middle to fit.
    void ShowItem(const QString& vstrItem);
    // The count and the file in hand are drawn at once, then at most once per this interval
    // with the latest values: a person reads no faster, and the run's own thread gets the CPU.
    static constexpr int CountDrawInterval = 150;

signals:
    // STOP was pressed (once per showing).
    void StopRequested();

protected:
    void setVisible(bool visible) override;
    // Escape and closing the window do nothing: the operation is stopped with STOP, and the caller
    // takes the window down when the operation has ended.
    void reject() override;

private:
    class Bar;

    Msg_Waiting();
    void load();
    void refreshLines();
    Bar* bar(qint32 vlngIndex);
    void settle();
    void cmdStop_Click();
    void drawCount();

    QPointer<QWidget> mfrmPreForm;
    QString mstrMessage1;
    QString mstrMessage2;
    bool mblnStopFlag = false;
    bool mblnLoaded = false;

    QString mstrCount;
    qint64 mlngDone = 0;
    qint64 mlngFound = 0;
    QString mstrItem;
    QTimer* mtmrCount;          // running while the last drawing is recent
    bool mblnCountPending = false;
    QLabel* mlblMessage[2];
    QLabel* mlblItem;
    QFrame* mfraBar;
    Bar* mpicBar[2];
    QPushButton* mcmdStop;
};

}  // namespace tralex
