#include "wavewindow/TForm2.h"

#include "ui/ProgramFont.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr int kClientWidth = 756;
constexpr int kClientHeight = 451;

} // namespace

TForm2::TForm2(QWidget *parent) : QMainWindow(parent, Qt::Tool) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Wave Window"));
    setFont(ProgramFont(11));
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    Exit1 = AddBarItem("Exit1", QStringLiteral("閉じる(&X)"), true);
    NextN1 = AddBarItem("NextN1", QStringLiteral("Forward(&F)"), true);
    BackB1 = AddBarItem("BackB1", QStringLiteral("Back(&B)"), true);
    P1 = AddBarItem("P1", QStringLiteral("再生(&P)"), true);
    S1 = AddBarItem("S1", QStringLiteral("停止(&S)"), false);
    P2 = AddBarItem("P2", QStringLiteral("再生(&P)"), false);
    S2 = AddBarItem("S2", QStringLiteral("停止(&S)"), false);
    D1 = AddBarItem("D1", QStringLiteral("除去再生(&D)"), true);
    S4 = AddBarItem("S4", QStringLiteral("停止(S&)"), false);
    D2 = AddBarItem("D2", QStringLiteral("元再生(&D)"), false);
    S3 = AddBarItem("S3", QStringLiteral("停止(&S)"), false);
    Option1 = menuBar()->addMenu(QStringLiteral("Option(&O)"));
    Option1->setObjectName(QStringLiteral("Option1"));
    N1 = Option1->addAction(QStringLiteral("設定(&S)"));
    N1->setObjectName(QStringLiteral("N1"));
    NumericData1 = Option1->addAction(QStringLiteral("DataDump(&D)"));
    NumericData1->setObjectName(QStringLiteral("NumericData1"));
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QAction *TForm2::AddBarItem(const char *name, const QString &caption, bool visible) {
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setVisible(visible);
    menuBar()->addAction(action);
    return action;
}
