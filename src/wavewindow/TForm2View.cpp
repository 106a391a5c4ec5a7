// Builds the wave window's controls and menus. The window has a fixed size,
// so every control has its place in pixels.

#include "wavewindow/TForm2.h"

#include "ui/Controls.h"
#include "ui/ProgramFont.h"

#include <QAction>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QWindow>

namespace {

constexpr int kClientWidth = 756;
constexpr int kClientHeight = 451;
constexpr int kPictureWidth = 361;
constexpr int kPictureHeight = 433;
constexpr int kRowHeight = 15;

} // namespace

TForm2::TForm2(WaveWindowHost &host, std::unique_ptr<TWavePlayer> player, QWidget *parent)
    : QMainWindow(parent, Qt::Tool), player(player ? std::move(player)
                                                   : std::make_unique<TWavePlayer>()),
      host_(host) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Wave Window"));
    setFont(ProgramFont(11));
    BuildMenus();
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("clientArea"));
    area->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(area);
    BuildControls(area);
    BuildGrid(area);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    ConnectHandlers();
}

TForm2::~TForm2() = default;

void TForm2::BuildControls(QWidget *area) {
    Bevel1 = Make<QFrame>(area, "Bevel1", 0, 0, kPictureWidth, kPictureHeight);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Image1 = Make<QLabel>(area, "Image1", 0, 0, kPictureWidth, kPictureHeight);
    canvas = std::make_unique<WaveCanvas>(QSize(kPictureWidth, kPictureHeight), ProgramFont(11),
                                          devicePixelRatioF());
    canvas->repaint = [this] { ShowPicture(); };
    ShowPicture();
    Image1->setAccessibleName(tr("波形"));
    DescribePicture(PictureShows::Nothing);
    lbCount = MakeLabel(area, "lbCount", QStringLiteral("Counter"), 8, 8);
    lbCount->hide();
    lbNCount = MakeLabel(area, "lbNCount", QStringLiteral("lbNCount"), 272, 8);
    lbNCount->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0)"));
    lbNCount->hide();
    Bevel2 = Make<QFrame>(area, "Bevel2", 368, 0, 385, 17);
    Bevel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    // The design places the title at y 5 in a font whose line is 11 pixels;
    // the program font's line is taller, so the label starts higher to keep
    // the text inside Bevel2.
    Label2 = MakeLabel(area, "Label2", tr("検出データ"), 520, 2);
    Label5 = MakeLabel(area, "Label5", tr("ID"), 384, 19);
    Label6 = MakeLabel(area, "Label6", tr("L/R"), 422, 19);
    Count = MakeLabel(area, "Count", tr("NoisePosition"), 456, 19);
    Label7 = MakeLabel(area, "Label7", tr("Time"), 568, 19);
    Label8 = MakeLabel(area, "Label8", tr("Value"), 662, 19);
    Label1 = MakeLabel(area, "Label1", tr("Width"), 713, 19);
    stBar = Make<QStatusBar>(area, "stBar", 0, kPictureHeight, kClientWidth,
                             kClientHeight - kPictureHeight);
    stBar->setSizeGripEnabled(false);
    stBarText = new QLabel(stBar);
    stBar->addWidget(stBarText, 1);
}

void TForm2::BuildGrid(QWidget *area) {
    StringGrid1 = Make<QTableWidget>(area, "StringGrid1", 368, 32, 385, 401);
    SetUpStringGrid(StringGrid1, {40, 40, 69, 125, 67, 19}, kRowHeight);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->installEventFilter(this);
    StringGrid1->setAccessibleName(Label2->text()); // a grid does not take a buddy's name
    ClearList();
}

QAction *TForm2::AddBarItem(const char *name, const QString &caption, bool visible) {
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setVisible(visible);
    menuBar()->addAction(action);
    barItems_.push_back(action);
    return action;
}

void TForm2::BuildMenus() {
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    Exit1 = AddBarItem("Exit1", tr("閉じる(&X)"), true);
    NextN1 = AddBarItem("NextN1", tr("Forward(&F)"), true);
    BackB1 = AddBarItem("BackB1", tr("Back(&B)"), true);
    P1 = AddBarItem("P1", tr("再生(&P)"), true);
    S1 = AddBarItem("S1", tr("停止(&S)"), false);
    P2 = AddBarItem("P2", tr("再生(&P)"), false);
    S2 = AddBarItem("S2", tr("停止(&S)"), false);
    D1 = AddBarItem("D1", tr("除去再生(&D)"), true);
    S4 = AddBarItem("S4", tr("停止(S&)"), false);
    // Its caption's mnemonic is ")": it stops with Alt+S as the other stop items do.
    S4->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
    D2 = AddBarItem("D2", tr("元再生(&D)"), false);
    S3 = AddBarItem("S3", tr("停止(&S)"), false);
    Option1 = menuBar()->addMenu(tr("Option(&O)"));
    Option1->setObjectName(QStringLiteral("Option1"));
    N1 = Option1->addAction(tr("設定(&S)"));
    N1->setObjectName(QStringLiteral("N1"));
    NumericData1 = Option1->addAction(tr("DataDump(&D)"));
    NumericData1->setObjectName(QStringLiteral("NumericData1"));
    for (QAction *item : barItems_)
        connect(item, &QAction::visibleChanged, this, &TForm2::KeepOnlyShownItemsInBar);
    KeepOnlyShownItemsInBar();
}

// The menu bar takes every item's mnemonic, hidden or not, and cycles through
// the items that share one: Alt+P would act on the hidden P2 every other
// press. So only the items on show stand in the bar, each in its place.
void TForm2::KeepOnlyShownItemsInBar() {
    QMenuBar *bar = menuBar();
    QAction *next = Option1->menuAction();
    for (auto item = barItems_.rbegin(); item != barItems_.rend(); ++item) {
        const bool inBar = bar->actions().contains(*item);
        if ((*item)->isVisible() && !inBar)
            bar->insertAction(next, *item);
        else if (!(*item)->isVisible() && inBar)
            bar->removeAction(*item);
        if ((*item)->isVisible())
            next = *item;
    }
}

void TForm2::ConnectHandlers() {
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    connect(NextN1, &QAction::triggered, this, &TForm2::NextN1Click);
    connect(BackB1, &QAction::triggered, this, &TForm2::BackB1Click);
    connect(N1, &QAction::triggered, this, &TForm2::N1Click);
    connect(NumericData1, &QAction::triggered, this, &TForm2::NumericData1Click);
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &TForm2::StringGrid1DblClick);
    const std::pair<QAction *, void (TForm2::*)()> play[] = {
        {P1, &TForm2::P1Click}, {P2, &TForm2::P2Click}, {D1, &TForm2::D1Click},
        {D2, &TForm2::D2Click}, {S1, &TForm2::S1Click}, {S2, &TForm2::S2Click},
        {S3, &TForm2::S3Click}, {S4, &TForm2::S4Click}};
    for (const auto &[item, handler] : play)
        connect(item, &QAction::triggered, this, handler);
}

// Which items each opening shows (1) or hides (0); -1 leaves an item as it is.
void TForm2::ApplyMenuSet(MenuSet set) {
    struct Row {
        QAction *item;
        int afterCheck, afterRemoval, fileMode, atClose;
    };
    const Row rows[] = {
        {Exit1, -1, -1, -1, 1},        {NextN1, -1, -1, 0, 1}, {BackB1, -1, -1, 0, 1},
        {NumericData1, -1, -1, 0, 1},  {P1, 1, 0, 1, 1},       {S1, 0, 0, 0, 0},
        {D1, 1, 0, 1, 1},              {P2, 0, 1, 0, 0},       {S2, 0, 0, 0, 0},
        {D2, 0, 1, 0, 0},              {S3, -1, -1, -1, 0},    {S4, -1, -1, -1, 0},
    };
    for (const Row &row : rows) {
        const int state = set == MenuSet::AfterCheck     ? row.afterCheck
                          : set == MenuSet::AfterRemoval ? row.afterRemoval
                          : set == MenuSet::FileMode     ? row.fileMode
                                                         : row.atClose;
        if (state >= 0)
            row.item->setVisible(state == 1);
    }
}

void TForm2::ShowPicture() {
    Image1->setPixmap(QPixmap::fromImage(canvas->image()));
    Image1->repaint();
}

void TForm2::FitPictureToScreen() {
    if (canvas->devicePixelRatio() != devicePixelRatioF())
        canvas->SetDevicePixelRatio(devicePixelRatioF());
}

void TForm2::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    FitPictureToScreen();
    // The window's handle exists from its first showing on.
    if (QWindow *handle = windowHandle(); handle != nullptr && !screenWatched_) {
        connect(handle, &QWindow::screenChanged, this, &TForm2::FitPictureToScreen);
        screenWatched_ = true;
    }
}

bool TForm2::eventFilter(QObject *watched, QEvent *event) {
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The grid's own copy takes the current cell, the channel column:
        // copy what a double click copies instead.
        if (key->matches(QKeySequence::Copy)) {
            CopyClickPosition(StringGrid1->currentRow());
            return true;
        }
        const QChar typed = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
                                ? QChar(13)
                                : (key->text().isEmpty() ? QChar() : key->text().front());
        if (StringGrid1KeyPress(typed))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
