// The picker's controls, their design state and the layout that follows the window's size.
//
// Sizes are worked out in twips (15 twips to a pixel) on the window's outer size, as the layout was
// designed on a sizable tool window. The frame a window manager draws differs from desktop to
// desktop, so the outer size is taken as the client area plus a fixed tool-window frame; the
// controls then sit in the client area exactly as designed, whatever frame surrounds it.
#include "dialogs/frmDialogBox.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QToolButton>
#include <cmath>

#include "dialogs/basFormLayout.h"

namespace tralex {

namespace {

// The frame of a sizable tool window: 4 px borders, an 18 px title bar.
constexpr int FrameWidthTwips = 120;
constexpr int FrameHeightTwips = 390;
// Height steps of the lists and the parts of the window around them.
constexpr int ListStepTwips = 1260;
constexpr int HeightBaseTwips = 1200;
constexpr int MinimumWidthTwips = 4440;
constexpr int MinimumHeightTwips = 2500;
// The smallest number of list steps whose window height is not below the minimum height.
constexpr int MinimumSteps = (MinimumHeightTwips - HeightBaseTwips + ListStepTwips - 1) / ListStepTwips;

constexpr int ButtonWidthTwips = 750;
constexpr int LinkWidthTwips = 2070;

// Dir1 shows the chain of open folders above the folder's subfolders, each indented by its depth.
class FolderItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int LevelRole = Qt::UserRole + 1;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + indentOf(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indentOf(index);
        return size;
    }

private:
    static int indentOf(const QModelIndex& index) { return index.data(LevelRole).toInt() * 10; }
};

// A path shown in full: it breaks anywhere, since a path has no spaces to break at.
class PathLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::WindowText));
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter.drawText(QRectF(rect()).adjusted(1, 1, -1, -1), text(), option);
    }
};

}  // namespace

void frmDialogBox::createControls()
{
    setFont(GothicFont(9));

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setFocusPolicy(Qt::StrongFocus);

    Dir1 = new QListWidget(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setItemDelegate(new FolderItemDelegate(Dir1));
    Dir1->setUniformItemSizes(true);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setUniformItemSizes(true);

    fraLink = new QFrame(this);
    fraLink->setObjectName(QStringLiteral("fraLink"));
    fraLink->setFrameShape(QFrame::NoFrame);
    const QIcon icons[5] = {
        QIcon::fromTheme(QStringLiteral("user-desktop"), style()->standardIcon(QStyle::SP_DesktopIcon)),
        QIcon::fromTheme(QStringLiteral("folder-documents"), style()->standardIcon(QStyle::SP_DirHomeIcon)),
        QIcon(), QIcon(),
        QIcon::fromTheme(QStringLiteral("folder-new"), style()->standardIcon(QStyle::SP_FileDialogNewFolder)),
    };
    const QString tips[5] = {QStringLiteral("ﾃﾞｽｸﾄｯﾌﾟ"), QStringLiteral("ﾏｲﾄﾞｷｭﾒﾝﾄ"), QString(), QString(),
                             QStringLiteral("ﾌｫﾙﾀﾞ新規作成")};
    for (int i = 0; i < 5; ++i) {
        auto* button = new QToolButton(fraLink);
        button->setObjectName(QStringLiteral("cmdShortCut(%1)").arg(i));
        button->setIcon(icons[i]);
        button->setIconSize(QSize(16, 16));
        button->setToolTip(tips[i]);
        button->setAutoRaise(false);
        button->setGeometry(Twips(360 * i), 0, Twips(360), Twips(360));
        // (2) and (3) are spare places in the row; they stay hidden.
        button->setVisible(i != 2 && i != 3);
        connect(button, &QToolButton::clicked, this, [this, i] { cmdShortCut_Click(i); });
        cmdShortCut[i] = button;
    }

    txtFileName = new QLineEdit(this);
    txtFileName->setObjectName(QStringLiteral("txtFileName"));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // Enter moves the focus instead of pressing a button.
    for (QPushButton* button : {cmdOK, cmdCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    fraDir = new QGroupBox(this);
    fraDir->setObjectName(QStringLiteral("fraDir"));

    lblFullPath = new PathLabel(fraDir);
    lblFullPath->setObjectName(QStringLiteral("lblFullPath"));
    lblFullPath->setAutoFillBackground(true);
    QPalette pathPalette = lblFullPath->palette();
    pathPalette.setColor(QPalette::Window, QColor(255, 224, 192));
    pathPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    lblFullPath->setPalette(pathPalette);
    lblFullPath->setFont(GothicFont(9.75));

    Label1 = new QLabel(QStringLiteral("フォルダ名"), fraDir);
    Label1->setObjectName(QStringLiteral("Label1"));
    QPalette labelPalette = Label1->palette();
    labelPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label1->setPalette(labelPalette);

    txtDir = new QLineEdit(fraDir);
    txtDir->setObjectName(QStringLiteral("txtDir"));

    connect(Drive1, &QComboBox::activated, this, &frmDialogBox::onDriveChanged);
    connect(Dir1, &QListWidget::itemDoubleClicked, this, &frmDialogBox::onFolderActivated);
    connect(File1, &QListWidget::currentRowChanged, this, [this] { onFileSelected(); });
    connect(File1, &QListWidget::itemClicked, this, [this] { onFileSelected(); });
    connect(File1, &QListWidget::itemDoubleClicked, this, [this] { cmdOK_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    // Keys reach the window before the controls; the inputs change colour with the focus.
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* child : children)
        child->installEventFilter(this);

    setTabOrderOfControls();
}

void frmDialogBox::setTabOrderOfControls()
{
    const QList<QWidget*> order = {txtFileName,     Drive1,          Dir1,           File1,
                                   cmdOK,           cmdCancel,       txtDir,         cmdShortCut[0],
                                   cmdShortCut[1],  cmdShortCut[2],  cmdShortCut[4], cmdShortCut[3]};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

// The state every use starts from: the design size, texts and visibility.
void frmDialogBox::resetControls()
{
    txtFileName->clear();
    txtDir->setText(QStringLiteral("新しいフォルダ"));
    lblFullPath->clear();
    Label1->adjustSize();
    showBrowsingControls();
    setOuterSize(6000, 4500);
}

// Shows the lists and the shortcut row and hides the new-folder panel; folder mode has no file
// list and no file name, and its drive list reaches to the shortcut row.
void frmDialogBox::showBrowsingControls()
{
    fraDir->hide();
    for (QWidget* control : {static_cast<QWidget*>(Drive1), static_cast<QWidget*>(Dir1),
                             static_cast<QWidget*>(File1), static_cast<QWidget*>(fraLink),
                             static_cast<QWidget*>(txtFileName), static_cast<QWidget*>(cmdCancel)})
        control->show();
    if (mintMode == 1) {
        File1->hide();
        txtFileName->hide();
    }
}

int frmDialogBox::outerWidth() const { return width() * TwipsPerPixel + FrameWidthTwips; }
int frmDialogBox::outerHeight() const { return height() * TwipsPerPixel + FrameHeightTwips; }

void frmDialogBox::setOuterSize(int vlngWidth, int vlngHeight)
{
    resize(Twips(vlngWidth - FrameWidthTwips), Twips(vlngHeight - FrameHeightTwips));
}

void frmDialogBox::placeTwips(QWidget* control, int vlngLeft, int vlngTop, int vlngWidth, int vlngHeight)
{
    control->setGeometry(Twips(vlngLeft), Twips(vlngTop), Twips(vlngWidth), Twips(vlngHeight));
}

// Places every control for the window's current size. The height comes in steps of one list step
// so that the lists show whole rows of the design; a size that breaks the minimum or falls between
// two steps is corrected once, to a size that this rule leaves as it is, so resizing settles.
void frmDialogBox::arrangeControls()
{
    if (mblnArranging)
        return;
    mblnArranging = true;

    int W = std::max(outerWidth(), MinimumWidthTwips);
    int H = std::max(outerHeight(), MinimumHeightTwips);
    const int n = std::max(MinimumSteps, (H - 650) / ListStepTwips);
    H = ListStepTwips * n + HeightBaseTwips;
    if (W != outerWidth() || H != outerHeight())
        setOuterSize(W, H);
    const int listHeight = ListStepTwips * n;

    // Lists side by side: the folder side grows with a sixth of the width.
    const int L = static_cast<int>(std::nearbyint(W / 6.0 + 1430));   // halves to the even neighbour
    int driveWidth = L;
    int dirWidth = L;
    int linkLeft = L + 105;
    const int fileLeft = 45 + L + 30;
    if (mintMode == 1) {
        driveWidth = W - LinkWidthTwips;
        linkLeft = driveWidth + 105;
        dirWidth = W - 200;
    }
    placeTwips(Drive1, 45, 45, driveWidth, 300);
    placeTwips(Dir1, 45, 405, dirWidth, listHeight);
    placeTwips(fraLink, linkLeft, 15, LinkWidthTwips, 360);
    placeTwips(File1, fileLeft, 390, W - fileLeft - 150, listHeight);

    // The bottom row: file name, OK, Cancel.
    const int bottomTop = H - 795;
    placeTwips(txtFileName, 45, bottomTop, W - 45 - 2 * ButtonWidthTwips - 375, 315);
    placeTwips(cmdOK, W - 2 * ButtonWidthTwips - 200, bottomTop, ButtonWidthTwips, 315);
    placeTwips(cmdCancel, W - ButtonWidthTwips - 175, bottomTop, ButtonWidthTwips, 315);

    // The new-folder panel covers the lists, a little above the middle.
    const int panelWidth = W - 300;
    const int panelTop = (H - listHeight) / 2 - 500;
    placeTwips(fraDir, (W - panelWidth) / 2 - 65, panelTop, panelWidth, listHeight);
    const int pathHeight = listHeight - 850;
    placeTwips(lblFullPath, 75, 165, panelWidth - 150, pathHeight);
    // The name box sits at the panel's foot with its caption above it; the caption never runs
    // into the path above.
    const int pathBottom = 165 + pathHeight;
    const int dirTop = std::max(panelTop + listHeight - 570, pathBottom + 30 + 320);
    placeTwips(txtDir, 75, dirTop, panelWidth - 150, 270);
    Label1->move(Twips(120), Twips(dirTop - 320));
    Label1->adjustSize();

    mblnArranging = false;
}

}  // namespace tralex
