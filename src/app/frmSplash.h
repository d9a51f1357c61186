#pragma once
// The window shown while the program starts: the product name, the version, the logo and the
// notices on the rights. After two seconds, or at once when the user presses a key or clicks it,
// it opens the main window and goes.
#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

namespace tralex {

class frmSplash : public QWidget {
    Q_OBJECT
public:
    // The one instance of the process, made on first use.
    static frmSplash& instance();

    // How long the splash stays when it is left alone.
    static constexpr int ShowMilliseconds = 2000;

    // Loads and shows the window (not modal) and starts its timer.
    void Show();

protected:
    void setVisible(bool visible) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmSplash();
    void createControls();
    void load();
    // The timer, a key and a click all end here: the main window opens and the splash goes.
    void OpenMainWindow();

    bool mblnLoaded = false;
    QFrame* mFrame1;
    QTimer* mTimer1;
    QLabel* mimgLogo;
    QLabel* mlblProductName;
    QLabel* mlblVersion;
};

}  // namespace tralex
