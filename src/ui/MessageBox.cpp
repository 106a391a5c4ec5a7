#include "ui/MessageBox.h"

#include <QMessageBox>

MsgAnswer ShowMessageBox(QWidget *parent, const QString &text, bool yesNo) {
    QMessageBox box(parent);
    // Qt gives a window without a title the application's name; a lone space
    // is a title of its own that shows as nothing.
    box.setWindowTitle(QStringLiteral(" "));
    box.setIcon(QMessageBox::NoIcon);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setStandardButtons(yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    const int answer = box.exec();
    if (!yesNo)
        return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}
