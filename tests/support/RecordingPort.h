#pragma once
// A WindowPort for tests: records everything the runs show and scripts the
// user's answers (yes/no questions, the save dialog) and the window's controls.

#include "batch/WindowPort.h"

#include "support/QtPrinters.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

class RecordingPort : public WindowPort {
public:
    struct Row {
        int32_t ordinal = 0;
        QString ordinalText, name, count, status;
    };

    // --- scripted answers and control states ---
    std::deque<MsgAnswer> questionAnswers; // answers to yes/no questions; Yes when empty
    QString saveFileAnswer;                // the save dialog's choice; empty = cancelled
    QStringList selectedNames;
    bool makeFileChecked = true;
    bool useDetectionChecked = false;
    QString outputFileText;
    bool externalStop = false;
    // Called by every ProcessPendingEvents, with the number of pumps so far
    // (1 for the first). Tests raise stops or change files from here.
    std::function<void(int)> onPump;
    // When set, the run waits for a log folder another run holds (as the batch
    // command does) after calling it; otherwise it starts nothing (as the window).
    std::function<void()> onWaitForLogs;

    // --- what the runs did ---
    QStringList messages; // every ShowMsg text, notices and questions alike
    QStringList questions;
    std::vector<Row> rows; // the result grid as it stands
    int gridResets = 0;
    int pumps = 0;
    std::vector<bool> runControls; // every SetRunControls call
    std::vector<bool> stopEnabled;
    std::vector<bool> passLabels; // true for the removal label
    QStringList clickCountTexts;
    QStringList rateTexts;
    std::vector<int32_t> progressPositions; // every SetProgressPosition
    int32_t progressMax = 0;
    struct SaveDialog {
        QString title, filter, suffix;
    };
    std::vector<SaveDialog> saveDialogs;

    MsgAnswer ShowMsg(const QString &text, bool yesNo = false) override {
        messages << text;
        if (!yesNo)
            return MsgAnswer::Ok;
        questions << text;
        if (questionAnswers.empty())
            return MsgAnswer::Yes;
        const MsgAnswer answer = questionAnswers.front();
        questionAnswers.pop_front();
        return answer;
    }
    bool WaitForLogFolder(const QString &) override {
        if (onWaitForLogs)
            onWaitForLogs();
        return bool(onWaitForLogs);
    }
    QString AskSaveFileName(const QString &title, const QString &filter,
                            const QString &defaultSuffix) override {
        saveDialogs.push_back({title, filter, defaultSuffix});
        return saveFileAnswer;
    }
    void SetProgressRange(int32_t, int32_t max, int32_t) override { progressMax = max; }
    void SetProgressPosition(int32_t position, const QString &rateText) override {
        progressPositions.push_back(position);
        rateTexts << rateText;
    }
    void ShowClickCountText(const QString &text) override { clickCountTexts << text; }
    void ShowPassLabel(bool removal) override { passLabels.push_back(removal); }
    void ResetResultGrid() override {
        ++gridResets;
        rows.clear();
    }
    void SetResultRow(int32_t ordinal, const QString &ordinalText, const QString &name,
                      const QString &count, const RunStatus &status) override {
        rows.resize(static_cast<size_t>(ordinal));
        rows[static_cast<size_t>(ordinal) - 1] = {ordinal, ordinalText, name, count,
                                                  status.text()};
    }
    void SetRunControls(bool enabled) override { runControls.push_back(enabled); }
    void SetStopEnabled(bool enabled) override { stopEnabled.push_back(enabled); }
    void ProcessPendingEvents() override {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }
    bool StopRequestedExternally() const override { return externalStop; }
    QStringList SelectedFileNames() const override { return selectedNames; }
    bool MakeFileChecked() const override { return makeFileChecked; }
    bool UseDetectionChecked() const override { return useDetectionChecked; }
    QString OutputFileText() const override { return outputFileText; }

    // The grid's statuses, row by row.
    QStringList Statuses() const {
        QStringList out;
        for (const Row &row : rows)
            out << row.status;
        return out;
    }
};
