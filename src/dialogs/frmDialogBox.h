#pragma once
// The program's own window for choosing a folder, an existing file or a file to be written.
//
// One instance serves every use (instance()). The caller sets the members, shows the window modally
// with exec(), then reads FullPathName(): empty means the user cancelled. The window remembers, per
// use (User), the folder of the last confirmed choice in DialogBox.ini in the settings folder and
// opens there the next time. When it closes it resets the members the caller set, except the
// position and the outcome (Cancel, FullPathName).
#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

namespace tralex {

class frmDialogBox : public QDialog {
    Q_OBJECT

public:
    explicit frmDialogBox(QWidget* parent = nullptr);
    ~frmDialogBox() override;

    // The one picker of the program.
    static frmDialogBox& instance();

    // What is chosen: 1 a folder, 2 an existing file, 3 a file to save, 4 a file to save after
    // asking before overwriting; any other value but 0 accepts whatever is shown. 0 refuses to open.
    void setMode(int vintMode) { mintMode = vintMode; }
    int Mode() const { return mintMode; }
    // Name of the use; the remembered folder is kept under "PREV_" + User. Blank means "USER".
    void setUser(const QString& vstrUser) { mstrUser = vstrUser; }
    QString User() const { return mstrUser; }
    // Pattern of the file list ("*.slt"; several patterns separated by ";"); its extension is what
    // the save modes append to a name that lacks it.
    void setMask(const QString& vstrMask);
    QString Mask() const { return mstrMask; }
    // The file name offered when the remembered path gives none.
    void setIniFileName(const QString& vstrName) { mstrIniFileName = vstrName; }
    QString IniFileName() const { return mstrIniFileName; }
    // Position of the window in twips; when both add up to 0 the window is centred on the screen.
    void setPosTop(int vlngTop) { mlngPosTop = vlngTop; }
    int PosTop() const { return mlngPosTop; }
    void setPosLeft(int vlngLeft) { mlngPosLeft = vlngLeft; }
    int PosLeft() const { return mlngPosLeft; }
    // Seconds after which the message windows shown by the picker close by themselves; 0: never.
    void setTimerSet(int vlngSeconds) { mlngTimerSet = vlngSeconds; }
    int TimerSet() const { return mlngTimerSet; }
    // True unless the user confirmed a choice.
    void setCancel(bool vblnCancel) { mblnCancel = vblnCancel; }
    bool Cancel() const { return mblnCancel; }
    // The window's caption for this use ("置換ﾘｽﾄ読込"); back to "DialogBox" when the window closes.
    void setCaption(const QString& vstrCaption) { setWindowTitle(vstrCaption); }
    QString Caption() const { return windowTitle(); }
    // The chosen path after a confirmed choice (a folder ends with "/"), empty after a cancel.
    QString FullPathName() const { return mstrFullPathName; }

    // Loads the window (throws ProgramError when no mode is set) and runs it modally.
    int exec() override;
    void setVisible(bool visible) override;
    void done(int r) override;

    // The file holding the remembered folders.
    static QString IniFilePath();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Construction and layout (frmDialogBox_layout.cpp).
    void createControls();
    void setTabOrderOfControls();
    void resetControls();
    void setOuterSize(int vlngWidth, int vlngHeight);
    int outerWidth() const;
    int outerHeight() const;
    void arrangeControls();
    void placeTwips(QWidget* control, int vlngLeft, int vlngTop, int vlngWidth, int vlngHeight);
    void showBrowsingControls();

    // Lists (frmDialogBox_lists.cpp).
    void fillDriveList();
    int driveIndexOf(const QString& vstrFolder) const;
    bool openFolder(const QString& vstrFolder);
    void fillFolderList();
    void fillFileList();
    void selectDriveOf(const QString& vstrFolder);
    void onDriveChanged(int vintIndex);
    void onFolderActivated(QListWidgetItem* item);
    void onFileSelected();
    QString fileFolder() const;

    // Window logic (frmDialogBox.cpp).
    void load();
    void unload();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdShortCut_Click(int vintIndex);
    void acceptChoice(const QString& vstrPath);
    void closeNewFolderPanel();
    bool createFolders(const QString& vstrFolder);
    QString withMaskExtension(const QString& vstrPath) const;
    void showWarning(const QString& vstrMessage2);
    bool askYesNo(const QString& vstrMessage1, const QString& vstrMessage2);
    void setFullPathLabel(const QString& vstrText);

    // Members set by the caller.
    int mintMode = 0;
    QString mstrUser = QStringLiteral("USER");
    QString mstrMask = QStringLiteral("*.*");
    QString mstrIniFileName;
    int mlngPosTop = 0;
    int mlngPosLeft = 0;
    int mlngTimerSet = 0;
    bool mblnCancel = true;
    QString mstrFullPathName;

    // Window state.
    bool mblnLoaded = false;
    bool mblnNewFolderMode = false;
    bool mblnArranging = false;
    QString mstrFolder;                       // the folder opened in Dir1, without a final "/" except "/"
    QHash<QString, QString> mcolFolderOfDrive;   // last folder opened on each drive in this session

    // Controls, named as their objectName.
    QComboBox* Drive1 = nullptr;
    QListWidget* Dir1 = nullptr;
    QListWidget* File1 = nullptr;
    QFrame* fraLink = nullptr;
    QToolButton* cmdShortCut[5] = {};
    QLineEdit* txtFileName = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QGroupBox* fraDir = nullptr;
    QLabel* lblFullPath = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtDir = nullptr;
};

}  // namespace tralex
