#pragma once
// The staff roll: the credits, drawn once on a long picture, scroll upwards over a black window
// as film credits do, until the last line has left the window or the user clicks.
#include <QDialog>
#include <QString>
#include <QStringList>

#include "about/StaffNames.h"

class QLabel;
class QTimer;

namespace tralex {

class frmRoll : public QDialog {
    Q_OBJECT
public:
    // The one instance of the process, made on first use.
    static frmRoll& instance();

    // The five credit names (index 0 to 4); a blank one shows the default name. Another index
    // raises a ProgramError. They are cleared when the window unloads.
    void setTanto(int vlngIndex, const QString& vstrName) { mstrTanto.set(vlngIndex, vstrName); }
    QString Tanto(int vlngIndex) const { return mstrTanto.at(vlngIndex); }

    // Loads the window, shows it modal and returns when the roll has ended or was clicked away.
    void Show();

    // The lines of the roll, top to bottom, for the names as they are now (blank ones replaced).
    QStringList RollLines() const;

    // Pixels the roll moves up at each tick, and the time between ticks.
    static constexpr int StepPixels = 2;
    static constexpr int TickMilliseconds = 20;

protected:
    void setVisible(bool visible) override;
    void done(int result) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmRoll();
    void load();
    void drawRoll();
    void Timer1_Timer();

    StaffNames mstrTanto{QStringLiteral("frmRoll")};
    bool mblnLoaded = false;
    QLabel* mpicStaffRoll;
    QTimer* mTimer1;
};

}  // namespace tralex
