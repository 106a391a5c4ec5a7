#include "main/TAboutBox.h"

#include "ProgramVersion.h"
#include "ui/ProgramFont.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("バージョン情報"));
    setFont(ProgramFont(12));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 282, 112);
    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(12, 12, 40, 40);
    ProgramIcon->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
    ProductName = new QLabel(QStringLiteral("RizivozeR"), panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setGeometry(72, 16, 190, 20);
    Version = new QLabel(tr("Version %1").arg(QLatin1String(kProgramVersion)), panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(72, 44, 190, 20);
    OKButton = new QPushButton(tr("閉じる"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 130, 76, 26);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(298, 166);
}

void TAboutBox::showEvent(QShowEvent *event) {
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
