#pragma once
// The batch command's window: messages and progress on standard error, one
// result row per file on standard output, the overwrite answer from the
// command line, and stop requests from SIGINT, SIGTERM and SIGHUP.

#include "JsonResults.h"
#include "batch/StopRequest.h"
#include "batch/WindowPort.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>

class ConsolePort : public WindowPort {
public:
    struct Choices {
        QStringList selectedFiles; // file names without folder, in order, shown with the progress
        bool overwrite = false;    // the answer to the overwrite question
        bool jsonLines = false;    // results as JSON lines (JsonResults) instead of rows
        QStringList inputs;        // the files' paths as given, for the JSON lines
    };

    ConsolePort(Choices choices, std::FILE *out, std::FILE *err);

    // Installs SIGINT, SIGTERM and SIGHUP handlers that raise stop (which
    // must live until the program ends), and ignores SIGPIPE and SIGXFSZ: a
    // closed output or a file-size limit fails the write in question and the
    // run goes on to save what it can.
    static void InstallStopSignals(StopRequest &stop);
    // When one of those signals stopped the run, ends the program by it: the
    // signal's default action restored and the signal raised again, so the
    // shell sees a death by that signal (status 128 + its number) and a loop
    // or a job runner stops as it would for any interrupted command. Returns
    // when no signal came.
    static void DieByStopSignal();
    // A message as the terminal gets it: one line,
    // and no control character (an escape sequence in a file name would
    // reach the terminal as a command).
    static QString TerminalText(const QString &text);

    MsgAnswer ShowMsg(const QString &text, bool yesNo) override;
    std::optional<MsgAnswer> SettledAnswer(const QString &question) const override;
    void SetProgressRange(int32_t min, int32_t max, int32_t position) override;
    void SetProgressPosition(int32_t position, const QString &rateText) override;
    void ShowClickCountText(const QString &text) override;
    void ShowPassLabel(bool removal) override;
    void ResetResultGrid() override;
    void SetResultRow(int32_t ordinal, const QString &ordinalText, const QString &name,
                      const QString &count, const RunStatus &status) override;
    void SetRunControls(bool) override {}
    void SetStopEnabled(bool) override {}
    void ProcessPendingEvents() override {}
    bool WaitForLogFolder(const QString &folder) override;

    // Where the JSON lines find the output each file left (BatchRunner::outputLeft).
    void SetOutputSource(std::function<QString()> outputLeft) { outputLeft_ = std::move(outputLeft); }
    // Writes what follows the last result (the JSON summary); one that cannot
    // be written counts as a result line that could not (outputFailed).
    void FinishResults();

    // Statuses of the rows written so far, in order.
    const QList<RunStatus> &statuses() const { return statuses_; }
    int messageCount() const { return messageCount_; }
    // True when a result row could not be written to standard output.
    bool outputFailed() const { return outputFailed_; }

private:
    void DrawProgress();
    void ClearProgress();

    Choices choices_;
    std::FILE *out_;
    std::FILE *err_;
    bool progressShown_ = false;
    bool errIsTerminal_ = false;
    QString rateText_;
    QString clickText_ = QStringLiteral("0");
    int32_t rowsWritten_ = 0;
    QList<RunStatus> statuses_;
    JsonResults json_;
    std::function<QString()> outputLeft_;
    int messageCount_ = 0;
    bool outputFailed_ = false;
};
