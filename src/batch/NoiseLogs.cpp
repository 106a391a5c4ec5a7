// The noise logs: one detail record per click, one summary record per file,
// the result grid, and the two log files in the input folder.

#include "batch/BatchRunner.h"

#include "wavefile/FileSystem.h"
#include "wavefile/PathBytes.h"

BatchRunner::BatchRunner(Settings &settings, WindowPort &port) : settings(settings), port(port) {}

void BatchRunner::AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) {
    if (id == 0 || !port.MakeFileChecked())
        return;
    // One record beyond LogMax is still taken: a list longer than LogMax records
    // is how readers tell that records were dropped.
    const int64_t lineLimit = int64_t{kDetailRecordLines} * settings.LogMax;
    if (detailLog.size() > lineLimit)
        return;
    if (loggedNameSource_ != inputName || loggedName_.isEmpty()) {
        loggedNameSource_ = inputName;
        loggedName_ = LoggedFileName(inputName);
    }
    const int32_t frame = index / 2;
    for (const QString &line :
         {loggedName_, QString::number(id), ChannelLetter(index), QString::number(frame),
          FormatClickTime(frame), QString::number(static_cast<int16_t>(value)),
          QString::number(width)})
        detailLog.append(line);
}

void BatchRunner::AddFileRow(int32_t ordinal, int32_t count, const RunStatus &status,
                             const QString &name) {
    if (ordinal == 0) {
        problemFileCount = 0;
        port.ResetResultGrid();
        return;
    }
    const QString ordinalText = QString::number(ordinal);
    const QString countText = QString::number(count);
    // The grid keeps the name with its bytes, so the wave window can open the
    // file; the log holds the form that survives the log's code page and line
    // splitting.
    port.SetResultRow(ordinal, ordinalText, name, countText, status);
    summaryLog << ordinalText << LoggedFileName(name) << countText << LoggedFileName(status.text());
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
