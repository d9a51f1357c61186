// The main window's controls, menus and places. Places are written in twips, as the window was
// designed; the outer size is the client area plus a fixed frame, so the controls sit exactly as
// designed whatever frame the window manager draws.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QActionGroup>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/frmMain.h"
#include "dialogs/basFormLayout.h"

namespace tralex {

namespace {

// The outer width, and the parts of the outer height that are not client area: the fixed
// single border with its caption, and the menu bar.
constexpr int OuterWidthTwips = 11130;
constexpr int FrameWidthTwips = 90;
constexpr int CaptionHeightTwips = 405;
constexpr int MenuHeightTwips = 300;

const QColor LabelColour(0, 0, 128);

void place(QWidget* control, int vlngLeft, int vlngTop, int vlngWidth, int vlngHeight)
{
    control->setGeometry(TwipsRect(vlngLeft, vlngTop, vlngWidth, vlngHeight));
}

// A label that takes the size of its text, as the window's caption labels do.
void placeAutoSized(QLabel* label, int vlngLeft, int vlngTop)
{
    label->adjustSize();
    label->move(Twips(vlngLeft), Twips(vlngTop));
}

// Dark blue while the control can be used; a disabled control keeps the style's grey caption, so
// that it reads as disabled as the disabled buttons do.
void paintDarkBlue(QWidget* control)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, LabelColour);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, LabelColour);
    control->setPalette(palette);
}

template <class T>
T* make(QWidget* parent, const QString& name, const QString& caption = QString())
{
    T* control = new T(parent);
    control->setObjectName(name);
    if constexpr (requires { control->setText(caption); }) {
        if (!caption.isEmpty())
            control->setText(caption);
    } else if constexpr (requires { control->setTitle(caption); }) {
        control->setTitle(caption);
    }
    return control;
}

QPlainTextEdit* makeTextBox(QWidget* parent, const QString& name)
{
    auto* box = make<QPlainTextEdit>(parent, name);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab moves on to the next control, as in the other fields.
    box->setTabChangesFocus(true);
    return box;
}

}  // namespace

void frmMain::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    setFont(GothicFont(9));

    Frame2 = make<QGroupBox>(client, QStringLiteral("Frame2"), QStringLiteral("機能選択"));
    place(Frame2, 0, 0, 10995, 750);
    const QString modeCaptions[3] = {QStringLiteral("置換"), QStringLiteral("BackUpファイル削除"),
                                     QStringLiteral("BackUpフォルダ指定 置換")};
    const int modePlaces[3][2] = {{180, 1125}, {8865, 2085}, {1140, 2670}};
    for (int i = 0; i < 3; ++i) {
        optAction[i] = make<QRadioButton>(Frame2, QStringLiteral("optAction(%1)").arg(i), modeCaptions[i]);
        place(optAction[i], modePlaces[i][0], 285, modePlaces[i][1], 300);
        paintDarkBlue(optAction[i]);
        connect(optAction[i], &QRadioButton::clicked, this, [this, i] { optAction_Click(i); });
    }
    txtBackUpPath = make<QLineEdit>(Frame2, QStringLiteral("txtBackUpPath"));
    place(txtBackUpPath, 3525, 270, 4425, 300);

    Frame3 = make<QGroupBox>(client, QStringLiteral("Frame3"));
    place(Frame3, 0, 825, 7770, 1110);
    Label3 = make<QLabel>(Frame3, QStringLiteral("Label3"), QStringLiteral("検索するフォルダ"));
    placeAutoSized(Label3, 120, 210);
    txtPath = make<QLineEdit>(Frame3, QStringLiteral("txtPath"));
    place(txtPath, 105, 450, 4425, 300);
    Label4 = make<QLabel>(Frame3, QStringLiteral("Label4"), QStringLiteral("検索するファイルの拡張子"));
    placeAutoSized(Label4, 5610, 210);
    cboExtension = make<QComboBox>(Frame3, QStringLiteral("cboExtension"));
    cboExtension->setEditable(true);
    cboExtension->setInsertPolicy(QComboBox::NoInsert);
    place(cboExtension, 5640, 450, 1950, 300);
    chkSubFolder = make<QCheckBox>(Frame3, QStringLiteral("chkSubFolder"), QStringLiteral("サブフォルダも対象にする"));
    place(chkSubFolder, 210, 765, 3540, 315);

    fraTralexList = make<QGroupBox>(client, QStringLiteral("fraTralexList"), QStringLiteral("置換リスト"));
    place(fraTralexList, 0, 2010, 7770, 2430);
    lstTralex = make<QListWidget>(fraTralexList, QStringLiteral("lstTralex"));
    lstTralex->setSelectionMode(QAbstractItemView::SingleSelection);
    place(lstTralex, 105, 225, 5490, 1680);
    // A line chosen by mouse or by the arrow keys brings its texts into the two boxes.
    connect(lstTralex, &QListWidget::itemClicked, this, [this] { lstTralex_Click(); });
    connect(lstTralex, &QListWidget::currentRowChanged, this, [this] { lstTralex_Click(); });
    chkRetryOption = make<QCheckBox>(fraTralexList, QStringLiteral("chkRetryOption"),
                                     QStringLiteral("すでに置換されている部分は置換しない"));
    place(chkRetryOption, 210, 2010, 3540, 315);
    chkUcaseOption = make<QCheckBox>(fraTralexList, QStringLiteral("chkUcaseOption"),
                                     QStringLiteral("大文字・小文字を区別する"));
    place(chkUcaseOption, 4095, 2010, 2970, 315);

    fraTralex = make<QGroupBox>(client, QStringLiteral("fraTralex"));
    place(fraTralex, 7800, 825, 3195, 3615);
    Label1 = make<QLabel>(fraTralex, QStringLiteral("Label1"), QStringLiteral("検索する文字列"));
    placeAutoSized(Label1, 75, 210);
    txtFndStr = makeTextBox(fraTralex, QStringLiteral("txtFndStr"));
    place(txtFndStr, 75, 420, 3075, 1065);
    // Two "∨" one under the other: an arrow from the find box down to the replace box.
    Label5 = make<QLabel>(fraTralex, QStringLiteral("Label5"), QStringLiteral("∨"));
    place(Label5, 1425, 1755, 180, 180);
    Label6 = make<QLabel>(fraTralex, QStringLiteral("Label6"), QStringLiteral("∨"));
    place(Label6, 1425, 1560, 180, 180);
    Label2 = make<QLabel>(fraTralex, QStringLiteral("Label2"), QStringLiteral("置換後の文字列"));
    placeAutoSized(Label2, 75, 1770);
    txtRepStr = makeTextBox(fraTralex, QStringLiteral("txtRepStr"));
    place(txtRepStr, 75, 2010, 3075, 1065);

    struct Button {
        QWidget* parent;
        const char* caption;
        int left, top, width, height;
    };
    const Button buttons[9] = {
        {client, "実行", 135, 4485, 10770, 465},
        {Frame3, "参照", 4590, 450, 600, 300},
        {fraTralexList, "リスト読込", 5625, 240, 1995, 336},
        {fraTralexList, "リスト保存", 5625, 570, 1995, 336},
        {fraTralex, "追加", 90, 3180, 1005, 336},
        {fraTralex, "削除", 2130, 3180, 1005, 336},
        {fraTralexList, "リストクリア", 5625, 1560, 1995, 336},
        {fraTralex, "更新", 1110, 3180, 1005, 336},
        {Frame2, "参照", 8040, 270, 600, 300},
    };
    for (int i = 0; i < 9; ++i) {
        const Button& b = buttons[i];
        cmdAction[i] = make<QPushButton>(b.parent, QStringLiteral("cmdAction(%1)").arg(i),
                                         QString::fromUtf8(b.caption));
        cmdAction[i]->setAutoDefault(false);
        place(cmdAction[i], b.left, b.top, b.width, b.height);
        connect(cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    }

    cmdPreview = make<QPushButton>(client, QStringLiteral("cmdPreview"), QStringLiteral("プレビュー"));
    cmdPreview->setAutoDefault(false);
    connect(cmdPreview, &QPushButton::clicked, this, [this] { cmdPreview_Click(); });

    lblTarget = make<QLabel>(client, QStringLiteral("lblTarget"));
    lblTarget->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblTarget->setWordWrap(true);
    lblTarget->setFont(GothicFont(9.75, true));
    QPalette targetPalette = lblTarget->palette();
    targetPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblTarget->setPalette(targetPalette);
    placeRunButton(4485);

    for (QWidget* w : std::initializer_list<QWidget*>{Frame2, Frame3, fraTralexList, fraTralex, Label1, Label2,
                                                      Label3, Label4, Label5, Label6, chkSubFolder,
                                                      chkRetryOption, chkUcaseOption})
        paintDarkBlue(w);

    // The inputs change colour with the focus.
    for (QWidget* w : std::initializer_list<QWidget*>{txtBackUpPath, txtPath, txtFndStr, txtRepStr,
                                                      cboExtension, lstTralex})
        w->installEventFilter(this);

    client->setFixedSize(Twips(OuterWidthTwips - FrameWidthTwips),
                         Twips(6960 - CaptionHeightTwips - MenuHeightTwips));
    createMenus();
    setTabOrderOfControls();
}

void frmMain::createMenus()
{
    mnuEditFile = menuBar()->addMenu(QStringLiteral("作業(&F)"));
    mnuEditFile->setObjectName(QStringLiteral("mnuEditFile"));
    mnuSS_Go = mnuEditFile->addAction(QStringLiteral("実行"));
    mnuSS_Go->setObjectName(QStringLiteral("mnuSS_Go"));
    mnuSS_Go->setShortcut(QKeySequence(Qt::Key_F5));
    mnuPreview = mnuEditFile->addAction(QStringLiteral("プレビュー"));
    mnuPreview->setObjectName(QStringLiteral("mnuPreview"));
    mnuPreview->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    connect(mnuPreview, &QAction::triggered, this, [this] { cmdPreview_Click(); });
    // What a file of ASCII alone is written in when a replacement brings Japanese into it and no
    // other file of its folder tells the encoding.
    mnuEditFile->addSeparator();
    mnuAsciiCodeMenu = mnuEditFile->addMenu(QStringLiteral("英数字だけのファイルの文字コード"));
    mnuAsciiCodeMenu->setObjectName(QStringLiteral("mnuAsciiCodeMenu"));
    auto* asciiCodes = new QActionGroup(this);
    const QString asciiCodeNames[] = {QStringLiteral("自動"), QStringLiteral("Shift_JIS"),
                                      QStringLiteral("UTF-8")};
    for (int i = 0; i < 3; ++i) {
        mnuAsciiCode[i] = mnuAsciiCodeMenu->addAction(asciiCodeNames[i]);
        mnuAsciiCode[i]->setObjectName(QStringLiteral("mnuAsciiCode(%1)").arg(i));
        mnuAsciiCode[i]->setCheckable(true);
        asciiCodes->addAction(mnuAsciiCode[i]);
        connect(mnuAsciiCode[i], &QAction::triggered, this, [this, i] { mnuAsciiCode_Click(i); });
    }
    mnuAsciiCode[mAsciiCode]->setChecked(true);
    mnuExcluded = mnuEditFile->addAction(QStringLiteral("対象外のフォルダ..."));
    mnuExcluded->setObjectName(QStringLiteral("mnuExcluded"));
    mnuEditFile->addSeparator();
    mnuUndo = mnuEditFile->addAction(QStringLiteral("元に戻す"));
    mnuUndo->setObjectName(QStringLiteral("mnuUndo"));
    mnuHistory = mnuEditFile->addAction(QStringLiteral("履歴..."));
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
    connect(mnuUndo, &QAction::triggered, this, [this] { mnuUndo_Click(); });
    connect(mnuHistory, &QAction::triggered, this, [this] { mnuHistory_Click(); });
    connect(mnuExcluded, &QAction::triggered, this, [this] { mnuExcluded_Click(); });
    QAction* line = mnuEditFile->addSeparator();
    line->setObjectName(QStringLiteral("mnuEditLine3"));
    mnuEditEnd = mnuEditFile->addAction(QStringLiteral("終了"));
    mnuEditEnd->setObjectName(QStringLiteral("mnuEditEnd"));

    mnuEditHelp = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    mnuEditHelp->setObjectName(QStringLiteral("mnuEditHelp"));
    mnuEditUse = mnuEditHelp->addAction(QStringLiteral("使用方法"));
    mnuEditUse->setObjectName(QStringLiteral("mnuEditUse"));
    mnuEditVer = mnuEditHelp->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    mnuEditVer->setObjectName(QStringLiteral("mnuEditVer"));

    connect(mnuSS_Go, &QAction::triggered, this, [this] { cmdAction_Click(0); });
    connect(mnuEditEnd, &QAction::triggered, this, [this] { close(); });
    connect(mnuEditUse, &QAction::triggered, this, [this] { mnuEditUse_Click(); });
    connect(mnuEditVer, &QAction::triggered, this, [this] { mnuEditVer_Click(); });
}

void frmMain::setTabOrderOfControls()
{
    const QList<QWidget*> order = {
        optAction[0],  optAction[1],   chkSubFolder,   cboExtension,  txtFndStr,     txtRepStr,
        cmdAction[4],  cmdAction[7],   cmdAction[5],   lstTralex,     cmdAction[2],  cmdAction[3],
        cmdAction[6],  chkRetryOption, chkUcaseOption, txtPath,       cmdAction[1],  cmdAction[0],
        cmdPreview,    optAction[2],   txtBackUpPath,  cmdAction[8]};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

// The window's outer height in twips; the client area is what is left below caption and menu.
void frmMain::setOuterHeight(int vlngTwips)
{
    QWidget* client = centralWidget();
    client->setFixedHeight(Twips(vlngTwips - CaptionHeightTwips - MenuHeightTwips));
    setFixedSize(client->width(), client->height() + menuBar()->sizeHint().height());
}

// The run button with the preview button at its right and, below them, the progress label, which
// moves with the buttons so that it stays inside the window when the list frames are hidden.
void frmMain::placeRunButton(int vlngTop)
{
    place(cmdAction[0], 135, vlngTop, 8610, 465);
    place(cmdPreview, 8805, vlngTop, 2100, 465);
    place(lblTarget, 135, vlngTop + 660, 10770, 825);
}

}  // namespace tralex
