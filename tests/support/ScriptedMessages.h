#pragma once
// A MessageSink for tests: records every text shown and answers questions from
// a script (Yes when the script has run out).

#include "batch/MessageSink.h"

#include <QString>
#include <QStringList>
#include <deque>

class ScriptedMessages : public MessageSink {
public:
    std::deque<MsgAnswer> answers; // for yes/no questions, in order
    QStringList notices;           // texts shown with an OK button
    QStringList questions;         // texts asked with Yes and No

    MsgAnswer ShowMsg(const QString &text, bool yesNo = false) override {
        if (!yesNo) {
            notices << text;
            return MsgAnswer::Ok;
        }
        questions << text;
        if (answers.empty())
            return MsgAnswer::Yes;
        const MsgAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
