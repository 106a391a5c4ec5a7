#pragma once
// Reaches inside a BatchRunner, so tests can drive one pass, one log step or
// one naming rule at a time and look at the state a run keeps to itself.

#include "batch/BatchRunner.h"

class RunnerProbe {
public:
    explicit RunnerProbe(BatchRunner &runner) : r_(runner) {}

    // The run's request: its folder, files and check boxes.
    RunRequest &request() { return r_.request_; }
    // The record of the last run, writable for tests that set the stage.
    LastRun &last() { return r_.last_; }
    // The file a pass works on: inputName, inputPath, outputPath.
    auto &file() { return r_.file_; }
    int32_t clickCounter() const { return r_.clickCounter_; }
    DetailLog &detailLog() { return r_.detailLog_; }
    QStringList &summaryLog() { return r_.summaryLog_; }
    const QStringList &previouslyClean() const { return r_.previouslyClean_; }

    RunStatus DetectPass() { return r_.DetectPass(); }
    RunStatus RemovePass() { return r_.RemovePass(); }
    void AddFileRow(int32_t ordinal, int32_t count, const RunStatus &status, const QString &name) {
        r_.AddFileRow(ordinal, count, status, name);
    }
    void PrepareLogFolder() { r_.PrepareLogFolder(); }
    void SaveLogs() { r_.SaveLogs(); }
    bool ShouldProcess(const QString &name) const { return r_.ShouldProcess(name); }
    QString OutputPathFor(int32_t ordinal) const { return r_.OutputPathFor(ordinal); }

private:
    BatchRunner &r_;
};
