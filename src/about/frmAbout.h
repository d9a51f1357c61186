#pragma once
// The version information window opened from the help menu: the program's title, version and
// purpose, the maker's web and e-mail addresses (a click opens them), and the notes on
// redistribution. A click on the icon runs the staff roll.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>

#include "about/StaffNames.h"

class QEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tralex {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // The one instance of the process, made on first use.
    static frmAbout& instance();

    // The window that opens the about box; its icon is shown. It keeps its reference across
    // unloads.
    void setPreForm(QWidget* vfrmPreForm) { mfrmPreForm = vfrmPreForm; }
    QWidget* PreForm() const { return mfrmPreForm; }

    // The five credit names (index 0 to 4) handed on to the staff roll. Another index raises a
    // ProgramError. They are cleared when the window unloads.
    void setTanto(int vlngIndex, const QString& vstrName) { mstrTanto.set(vlngIndex, vstrName); }
    QString Tanto(int vlngIndex) const { return mstrTanto.at(vlngIndex); }

    // Loads the window, shows it modal and returns when it has been closed.
    void Show();

protected:
    void setVisible(bool visible) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmAbout();
    void createControls();
    void load();
    void Text_GotFocus(int vintIndex);
    void picIcon_Click();

    QPointer<QWidget> mfrmPreForm;
    StaffNames mstrTanto{QStringLiteral("frmAbout")};
    bool mblnLoaded = false;

    QLabel* mlblTitle;
    QLabel* mlblVersion;
    QLabel* mlblMessage;
    QLabel* mpicIcon;
    std::array<QLineEdit*, 2> mtxtText;
    QPushButton* mcmdOK;
};

}  // namespace tralex
