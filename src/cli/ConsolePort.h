#pragma once
// The batch command's window: messages and progress on standard error, one
// result row per file on standard output, the selection and check boxes from
// the command line, and stop requests from SIGINT, SIGTERM and SIGHUP.

#include "batch/WindowPort.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdio>

class ConsolePort : public WindowPort {
public:
    struct Choices {
        QStringList selectedFiles; // file names without folder, in order
        bool makeDetail = true;    // ckMakeFile
        bool useDetection = false; // ckBYCheck
        QString outputFileText;    // edOutFile
        bool overwrite = false;    // the answer to the overwrite question
        QString exportPath;        // what the export's save dialog answers
    };

    ConsolePort(Choices choices, std::FILE *out, std::FILE *err);

    // Installs SIGINT, SIGTERM and SIGHUP handlers that raise the stop flag, and
    // ignores SIGPIPE and SIGXFSZ: a closed output or a file-size limit fails
    // the write in question and the run goes on to save what it can.
    static void InstallStopSignals();
    static bool StopSignalled();
    // A message as the terminal gets it: one line,
    // and no control character (an escape sequence in a file name would
    // reach the terminal as a command).
    static QString TerminalText(const QString &text);

    MsgAnswer ShowMsg(const QString &text, bool yesNo) override;
    QString AskSaveFileName(const QString &title, const QString &filter,
                            const QString &defaultSuffix) override;
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
    bool StopRequestedExternally() const override { return StopSignalled(); }
    bool WaitForLogFolder(const QString &folder) override;
    QStringList SelectedFileNames() const override { return choices_.selectedFiles; }
    bool MakeFileChecked() const override { return choices_.makeDetail; }
    bool UseDetectionChecked() const override { return choices_.useDetection; }
    QString OutputFileText() const override { return choices_.outputFileText; }

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
    int messageCount_ = 0;
    bool outputFailed_ = false;
};
