#pragma once
// The program's message box: every message and yes/no question a window puts
// to the user, shown modally over parent with an empty title and no icon.

#include "batch/MessageSink.h"

#include <QString>

class QWidget;

// text may end its lines in CR LF, as the program's messages do. A plain
// message answers Ok; a question Yes or No.
MsgAnswer ShowMessageBox(QWidget *parent, const QString &text, bool yesNo);
