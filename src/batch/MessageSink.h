#pragma once
// The one way the program tells the user something or asks a yes/no question.
// The main window shows a modal box; tests and the batch command script answers.

#include <QString>

enum class MsgAnswer { Ok, Yes, No };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // With yesNo false: a notice with an OK button, answered Ok.
    // With yesNo true: a question answered Yes or No. Callers test for No.
    virtual MsgAnswer ShowMsg(const QString &text, bool yesNo = false) = 0;
};
