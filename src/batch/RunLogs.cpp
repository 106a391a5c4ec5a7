// The logs of a run: one detail record per click, one summary record per
// file, the result grid, and the two log files in the log folder.

#include "batch/BatchRunner.h"

#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"

void BatchRunner::AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) {
    if (id == 0 || !port.MakeFileChecked())
        return;
    // One record beyond LogMax is still taken, so readers can tell that records were dropped.
    if (DetailLogOverLimit(detailLog.size(), settings.LogMax))
        return;
    if (loggedNameSource_ != inputName || loggedName_.isEmpty()) {
        loggedNameSource_ = inputName;
        loggedName_ = LoggedFileName(inputName);
    }
    for (const QString &line : MakeDetailRecord(loggedName_, id, index, value, width))
        detailLog.append(line);
}

void BatchRunner::AddFileRow(int32_t ordinal, int32_t count, const RunStatus &status,
                             const QString &name) {
    if (ordinal == 0) {
        problemFileCount = 0;
        port.ResetResultGrid();
        return;
    }
    const SummaryRecord record = MakeSummaryRecord(ordinal, name, count, status.text());
    // The grid keeps the name with its bytes, so the wave window can open the
    // file; the log holds the form that survives the log's code page and line
    // splitting.
    port.SetResultRow(ordinal, record[kSummaryOrdinalLine], name, record[kSummaryCountLine],
                      status);
    for (const QString &line : record)
        summaryLog << line;
    if (status != Status::OK)
        ++problemFileCount;
}

void BatchRunner::PrepareLogFolder() {
    const QString folder = RunLogFolder();
    if (logFolder != folder && !logFolder.isEmpty())
        RemoveLogFiles(logFolder, protectedFiles);
    selectedAtStart = static_cast<int32_t>(port.SelectedFileNames().size());
    logFolder = folder;
}

void BatchRunner::LogSaved(const QString &path, bool saved) {
    if (saved) {
        protectedFiles.AddMade(path);
        return;
    }
    writeFailed = true;
    port.ShowMsg(DisplayFileName(path) + kWriteFailedSuffix);
}

void BatchRunner::SaveLogs() {
    const QString detailPath = logFolder + kDetailLogName;
    const QString summaryPath = logFolder + kSummaryLogName;
    // A log never takes the place of a file the run worked on (an input
    // named like a log). A link there is replaced, never written through.
    const auto taken = [this](const QString &path) {
        return !FileSystem::IsLink(path) && protectedFiles.Guards(path, path);
    };
    const bool detailFree = !taken(detailPath);
    if (!detailFree)
        detailLog.clear();
    LogSaved(detailPath, detailFree && detailLog.Save(detailPath));
    LogSaved(summaryPath, !taken(summaryPath) && WriteLogLines(summaryPath, summaryLog));
    summaryLog.clear();
    if (!keepLogLock)
        logLock_.unlock();
}
