#pragma once
// A WindowPort for tests: records everything the runs show and scripts the
// user's answers (yes/no questions) and the window's controls a run's request
// is built from.

#include "batch/RunRequest.h"
#include "batch/WindowPort.h"

#include "support/QtPrinters.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

class RecordingPort : public WindowPort {
public:
    struct Row {
        int32_t ordinal = 0;
        QString ordinalText, name, count, status;
    };

    // --- scripted answers and control states ---
    std::deque<MsgAnswer> questionAnswers; // answers to yes/no questions; Yes when empty
    QStringList selectedNames;
    bool makeFileChecked = true;
    bool useDetectionChecked = false;
    QString outputFileText;
    // Called by every ProcessPendingEvents, with the number of pumps so far
    // (1 for the first). Tests raise stops or change files from here.
    std::function<void(int)> onPump;
    // When set, the run waits for a log folder another run holds (as the batch
    // command does) after calling it; otherwise it starts nothing (as the window).
    std::function<void()> onWaitForLogs;
    // Called after each row is set, with its ordinal.
    std::function<void(int32_t)> onRow;

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
    // Every SetProgressRange's max, with the last position shown after it.
    std::vector<std::pair<int32_t, int32_t>> progressRanges;
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
    void SetProgressRange(int32_t, int32_t max, int32_t) override {
        progressMax = max;
        progressRanges.push_back({max, -1});
    }
    void SetProgressPosition(int32_t position, const QString &rateText) override {
        if (!progressRanges.empty())
            progressRanges.back().second = position;
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
        if (onRow)
            onRow(ordinal);
    }
    void SetRunControls(bool enabled) override { runControls.push_back(enabled); }
    void SetStopEnabled(bool enabled) override { stopEnabled.push_back(enabled); }
    void ProcessPendingEvents() override {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }

    // The request the controls above give for a run of kind over inputFolder.
    RunRequest RequestFor(RunRequest::Kind kind, const QString &inputFolder) const {
        RunRequest request;
        request.kind = kind;
        request.inputFolder = inputFolder;
        request.files = selectedNames;
        request.outputText = outputFileText;
        request.makeDetail = makeFileChecked;
        request.useDetection = useDetectionChecked;
        return request;
    }

    // The grid's statuses, row by row.
    QStringList Statuses() const {
        QStringList out;
        for (const Row &row : rows)
            out << row.status;
        return out;
    }
};
