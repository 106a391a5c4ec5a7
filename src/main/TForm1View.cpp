// Builds the main window's controls and menus. The layout is fixed, like the
// window's size, so every control has its place in pixels.

#include "main/TForm1.h"

#include "ui/Controls.h"
#include "ui/ProgramFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

namespace {

constexpr int kWindowWidth = 568;
constexpr int kWindowHeight = 458;
constexpr int kGridRowHeight = 15;
constexpr int kIdleGridRows = 5;

// The main window's labels are one text line high unless a height is given.
constexpr int kLabelHeight = 18;

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &text, int x, int y,
                        int w = 86, int h = 26) {
    auto *button = Make<QPushButton>(parent, name, x, y, w, h);
    button->setText(text);
    return button;
}

QFrame *MakeRaisedBevel(QWidget *parent, const char *name, int x, int y, int w, int h) {
    auto *bevel = Make<QFrame>(parent, name, x, y, w, h);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setLineWidth(1);
    return bevel;
}

QAction *MakeAction(QObject *parent, const char *name, const QString &text) {
    auto *action = new QAction(text, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent), runner(settings, *this, stopRequest) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("RizivozeR"));
    setFont(ProgramFont(12));
    BuildMenus();
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("clientArea"));
    setCentralWidget(area);
    BuildInputArea(area);
    BuildOutputArea(area);
    BuildRunArea(area);
    BuildResultArea(area);
    NameControls();
    setFixedSize(kWindowWidth, kWindowHeight);
    ConnectHandlers();
    FormCreate();
}

TForm1::~TForm1() {
    delete dlSAVE;
}

void TForm1::BuildMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    mFile = bar->addMenu(tr("ファイル(&F)"));
    mFile->setObjectName(QStringLiteral("mFile"));
    mExport = MakeAction(this, "mExport", tr("ログのExport(&E)"));
    m_End = MakeAction(this, "m_End", tr("終了(&X)"));
    mFile->addAction(mExport);
    mFile->addAction(m_End);
    WaveFormW1 = MakeAction(this, "WaveFormW1", tr("WaveWindow(&W)"));
    S1 = MakeAction(this, "S1", tr("設定(&S)"));
    bar->addAction(WaveFormW1);
    bar->addAction(S1);
    m_HELP = bar->addMenu(tr("ヘルプ(&H)"));
    m_HELP->setObjectName(QStringLiteral("m_HELP"));
    Help1 = MakeAction(this, "Help1", tr("ヘルプ(&H)"));
    N1 = MakeAction(this, "N1", tr("バージョン(&V)"));
    m_HELP->addAction(Help1);
    m_HELP->addAction(N1);
}

void TForm1::BuildInputArea(QWidget *area) {
    Bevel1 = MakeRaisedBevel(area, "Bevel1", 6, 6, 272, 22);
    Label1 = MakeLabel(Bevel1, "Label1", tr("Input File"), {8, 2, 200, kLabelHeight});
    cbDrive1 = Make<QComboBox>(area, "cbDrive1", 6, 32, 272, 22);
    edFolder = Make<QListWidget>(area, "edFolder", 6, 57, 272, 100);
    edFile = Make<QListWidget>(area, "edFile", 6, 160, 272, 96);
    edFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Bevel3 = Make<QFrame>(area, "Bevel3", 6, 259, 272, 24);
    Bevel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label7 = MakeLabel(Bevel3, "Label7", tr("選択ファイル数"), {8, 3, 110, kLabelHeight});
    lbFNum = MakeLabel(Bevel3, "lbFNum", QStringLiteral("0"), {124, 3, 80, kLabelHeight});
    FillDriveBox();
}

void TForm1::BuildOutputArea(QWidget *area) {
    Bevel2 = MakeRaisedBevel(area, "Bevel2", 288, 6, 274, 22);
    Label4 = MakeLabel(Bevel2, "Label4", tr("Output File"), {8, 2, 200, kLabelHeight});
    edOutFile = Make<QLineEdit>(area, "edOutFile", 288, 32, 274, 22);
}

void TForm1::BuildRunArea(QWidget *area) {
    cdCheck = MakeButton(area, "cdCheck", tr("検出 (&C)"), 288, 62);
    cdDel = MakeButton(area, "cdDel", tr("除去 (&D)"), 382, 62);
    cdStop = MakeButton(area, "cdStop", tr("中止 (&A)"), 476, 62);
    ckBYCheck = Make<QCheckBox>(area, "ckBYCheck", 382, 92, 180, 20);
    ckBYCheck->setText(tr("検出結果を使用"));
    Label3 = MakeLabel(area, "Label3", tr("実行率"), {288, 123, 56, kLabelHeight});
    pbRate = Make<QProgressBar>(area, "pbRate", 346, 122, 140, 20);
    pbRate->setRange(0, 100);
    pbRate->setValue(0);
    pbRate->setTextVisible(false);
    edRate = Make<QLineEdit>(area, "edRate", 492, 121, 70, 22);
    edRate->setReadOnly(true);
    edRate->setAlignment(Qt::AlignRight);
    lbCHECK = MakeLabel(area, "lbCHECK", tr("検出数"), {288, 153, 56, kLabelHeight});
    lbDEL = MakeLabel(area, "lbDEL", tr("修正数"), {288, 153, 56, kLabelHeight});
    lbDEL->hide();
    edNum = Make<QLineEdit>(area, "edNum", 346, 151, 100, 22);
    edNum->setReadOnly(true);
    edNum->setAlignment(Qt::AlignRight);
    edNum->setText(QStringLiteral("0"));
    QFont bold = edNum->font();
    bold.setBold(true);
    edNum->setFont(bold);
    QPalette red = edNum->palette();
    red.setColor(QPalette::Text, Qt::red);
    edNum->setPalette(red);
    cdEnd = MakeButton(area, "cdEnd", tr("終了  (&X)"), 476, 257);
}

void TForm1::BuildResultArea(QWidget *area) {
    Label2 = MakeLabel(area, "Label2", tr("検出/修正データ"), {8, 292, 110, kLabelHeight});
    ckMakeFile = Make<QCheckBox>(area, "ckMakeFile", 130, 291, 230, 20);
    ckMakeFile->setText(tr("検出データをファイルに出力"));
    ckMakeFile->setChecked(true);
    cdView = MakeButton(area, "cdView", tr("確認(&K)"), 476, 288, 86, 24);
    Label5 = MakeLabel(area, "Label5", tr("ID"), {20, 315, 30, 16});
    Label6 = MakeLabel(area, "Label6", tr("File Name"), {50, 315, 120, 16});
    Count = MakeLabel(area, "Count", tr("Noise Count"), {236, 315, 70, 16});
    Label8 = MakeLabel(area, "Label8", tr("Status"), {320, 315, 80, 16});
    StringGrid1 = Make<QTableWidget>(area, "StringGrid1", 6, 332, 556, 99);
    SetUpStringGrid(StringGrid1, {40, 197, 45, 245, 69}, kGridRowHeight);
    ResetResultGrid();
}

// What a screen reader says for each control: the label beside it, or a name
// of its own where its heading stands in a frame apart (the input and output
// areas) or there is none.
void TForm1::NameControls() {
    cbDrive1->setAccessibleName(tr("ドライブ"));
    edFolder->setAccessibleName(tr("フォルダ"));
    edFile->setAccessibleName(Label1->text());
    edOutFile->setAccessibleName(Label4->text());
    Label3->setBuddy(edRate);
    pbRate->setAccessibleName(Label3->text());
    lbCHECK->setBuddy(edNum); // lbDEL while a removal runs (ShowPassLabel)
    StringGrid1->setAccessibleName(Label2->text()); // a grid does not take a buddy's name
}

void TForm1::ConnectHandlers() {
    connect(cbDrive1, &QComboBox::activated, this, &TForm1::cbDrive1Change);
    connect(edFolder, &QListWidget::itemActivated, this, &TForm1::edFolderActivated);
    connect(edFile, &QListWidget::itemSelectionChanged, this, &TForm1::edFileChange);
    connect(edFile, &QListWidget::currentRowChanged, this, &TForm1::edFileChange);
    connect(edFile, &QListWidget::itemClicked, this, &TForm1::edFileChange);
    connect(cdEnd, &QPushButton::clicked, this, &TForm1::cdEndClick);
    connect(m_End, &QAction::triggered, this, &TForm1::m_EndClick);
    connect(ckMakeFile, &QCheckBox::toggled, this, &TForm1::ckMakeFileClick);
    connect(S1, &QAction::triggered, this, &TForm1::S1Click);
    connect(Help1, &QAction::triggered, this, &TForm1::Help1Click);
    connect(N1, &QAction::triggered, this, &TForm1::N1Click);
    connect(cdCheck, &QPushButton::clicked, this, &TForm1::cdCheckClick);
    connect(cdDel, &QPushButton::clicked, this, &TForm1::cdDelClick);
    connect(cdStop, &QPushButton::clicked, this, &TForm1::cdStopClick);
    connect(mExport, &QAction::triggered, this, &TForm1::mExportClick);
    connect(cdView, &QPushButton::clicked, this, &TForm1::cdViewClick);
    connect(WaveFormW1, &QAction::triggered, this, &TForm1::WaveFormW1Click);
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &TForm1::StringGrid1DblClick);
}

void TForm1::SetGridCell(int row, int column, const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (column == 0) // the number column looks like a fixed column
        StyleAsFixedCell(*item, palette());
    StringGrid1->setItem(row, column, item);
}

void TForm1::ResetResultGrid() {
    StringGrid1->clearContents();
    StringGrid1->setRowCount(kIdleGridRows);
    for (int row = 0; row < kIdleGridRows; ++row)
        for (int column = 0; column < 5; ++column)
            SetGridCell(row, column, QString());
    StringGrid1->repaint();
}
