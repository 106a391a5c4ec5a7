// The logs of a run: one detail record per click, one summary record per
// file, the result grid, and the two log files in the log folder.

#include "batch/BatchRunner.h"

#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"

void BatchRunner::AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) {
    if (id == 0 || !request_.makeDetail)
        return;
    // A pass beside others keeps what the log could take of its file alone;
    // the run logs it in turn, where the limit counts the files before.
    if (spool_) {
        if (!DetailLogOverLimit(spool_->size() * kDetailRecordLines, settings_.LogMax))
            spool_->append({id, index, value, width});
        return;
    }
    // One record beyond LogMax is still taken, so readers can tell that records were dropped.
    if (DetailLogOverLimit(detailLog_.size(), settings_.LogMax))
        return;
    if (loggedNameSource_ != file_.inputName || loggedName_.isEmpty()) {
        loggedNameSource_ = file_.inputName;
        loggedName_ = EncodeLogText(LoggedFileName(file_.inputName));
    }
    detailLog_.AppendRecord(loggedName_, id, index, value, width);
}

void BatchRunner::AddFileRow(int32_t ordinal, int32_t count, const RunStatus &status,
                             const QString &name) {
    if (ordinal == 0) {
        last_.problemFileCount = 0;
        port_.ResetResultGrid();
        return;
    }
    const SummaryRecord record = MakeSummaryRecord(ordinal, name, count, status.text());
    // The grid keeps the name with its bytes, so the wave window can open the
    // file; the log holds the form that survives the log's code page and line
    // splitting.
    port_.SetResultRow(ordinal, record[kSummaryOrdinalLine], name, record[kSummaryCountLine],
                      status);
    for (const QString &line : record)
        summaryLog_ << line;
    if (status != Status::OK)
        ++last_.problemFileCount;
}

void BatchRunner::PrepareLogFolder() {
    const QString folder = request_.LogFolder();
    if (last_.logFolder != folder && !last_.logFolder.isEmpty())
        RemoveLogFiles(last_.logFolder, kept_);
    last_.selectedAtStart = static_cast<int32_t>(request_.files.size());
    last_.logFolder = folder;
}

void BatchRunner::LogSaved(const QString &path, bool saved) {
    if (saved) {
        kept_.AddMade(path);
        return;
    }
    last_.writeFailed = true;
    port_.ShowMsg(DisplayFileName(path) + MessageText(kWriteFailedSuffix));
}

void BatchRunner::SaveLogs() {
    const QString detailPath = last_.logFolder + kDetailLogName;
    const QString summaryPath = last_.logFolder + kSummaryLogName;
    // A log never takes the place of a file the run worked on (an input
    // named like a log). A link there is replaced, never written through.
    const auto taken = [this](const QString &path) {
        return !FileSystem::IsLink(path) && kept_.Guards(path, path);
    };
    const bool detailFree = !taken(detailPath);
    if (!detailFree)
        detailLog_.clear();
    LogSaved(detailPath, detailFree && detailLog_.Save(detailPath));
    LogSaved(summaryPath, !taken(summaryPath) && WriteLogLines(summaryPath, summaryLog_));
    summaryLog_.clear();
    if (!keepLogLock_)
        logLock_.unlock();
}
