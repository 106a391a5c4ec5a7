#pragma once
// The one way the program tells the user something or asks a yes/no question.
// The main window shows a modal box; tests and the batch command script answers.

#include <QCoreApplication>
#include <QString>

#include <optional>

// The messages are written in Japanese, each marked for the translation files
// with QT_TRANSLATE_NOOP("Messages", ...) where it is kept, and translated
// when shown: a message's text as the user reads it, in the program's language.
inline QString MessageText(const char *text) {
    return QCoreApplication::translate("Messages", text);
}
inline QString MessageText(const QString &text) {
    return MessageText(text.toUtf8().constData());
}

enum class MsgAnswer { Ok, Yes, No };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // With yesNo false: a notice with an OK button, answered Ok.
    // With yesNo true: a question answered Yes or No. Callers test for No.
    virtual MsgAnswer ShowMsg(const QString &text, bool yesNo = false) = 0;
    // The answer a question gets without anyone being asked (the batch
    // command answers from its options), or nothing when the user answers.
    // A run of several files at once takes such an answer at once and shows
    // the question later, in file order, among the other files' messages.
    virtual std::optional<MsgAnswer> SettledAnswer(const QString &question) const {
        (void)question;
        return std::nullopt;
    }
};
