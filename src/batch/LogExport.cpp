// The log export: the last run's summary and detail logs as one tab-separated
// text file in the logs' code page.

#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"

#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"

namespace {

const QString kNoLog = QStringLiteral("ログがありません。");
const QString kIncompleteLog =
    QStringLiteral("ログが不完全です。完全なレコードのみをエクスポートしました。");
const QString kSummaryHeader =
    QStringLiteral("Summary of Noise Check\r\nID\tFileName\tNoise Count\tStatus\r\n");
const QString kDetailHeader =
    QStringLiteral("\r\nDetail of Noise Check\r\nFileName\tID\tL/R\tNoisePostion\tTime\t"
                   "NoiseValue\tNoiseWidth\r\n");

// Writes each whole record of the log at path as one tab-separated line, the
// log's own bytes joined by tabs; a partial record at the end is left out.
// The log is read piece by piece, so its length costs no memory. complete is
// false when the log could not be read or ended in a partial record; the
// result is false if a write failed.
bool WriteRecords(FileHandle &out, const QString &path, qsizetype recordLines, bool &complete) {
    LogLineReader reader(path);
    QByteArray record;
    QByteArray line;
    qsizetype inRecord = 0;
    while (reader.NextLine(line)) {
        record += line;
        if (++inRecord < recordLines) {
            record += '\t';
            continue;
        }
        record += "\r\n";
        if (!out.write(record.constData(), record.size()))
            return false;
        record.clear();
        inRecord = 0;
    }
    complete = reader.isOpen() && !reader.failed() && inRecord == 0;
    return true;
}

} // namespace

void BatchRunner::mExportClick() {
    if (logFolder.isEmpty() || !FileSystem::EntryExists(logFolder + kSummaryLogName)) {
        writeFailed = true;
        port.ShowMsg(kNoLog);
        return;
    }
    const QString path =
        port.AskSaveFileName(QStringLiteral("ログをエクスポートするファイル名を指定ください。"),
                             QStringLiteral("Text File(.txt)|*.txt"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    // The two logs are read as one run left them, not while another run saves its own.
    const bool lockedHere = !logLock_.isLocked();
    if (lockedHere && !LockLogFolder(logFolder)) {
        writeFailed = true;
        return;
    }
    WriteExport(path);
    if (lockedHere)
        logLock_.unlock();
}

void BatchRunner::WriteExport(const QString &path) {
    const QString summaryPath = logFolder + kSummaryLogName;
    const QString detailPath = logFolder + kDetailLogName;
    // Never one of the files of the run, nor a log it is made from; any other
    // file is replaced only once the export is complete.
    ProtectedFiles kept = protectedFiles;
    kept.Add(summaryPath);
    kept.Add(detailPath);
    AtomicFile out = CreateChosenFileOrTell(path, kept, port);
    if (!out.isOpen()) {
        writeFailed = true;
        return;
    }
    bool summaryComplete = false;
    bool detailComplete = false;
    const bool written = WriteText(out.file(), kSummaryHeader) &&
                         WriteRecords(out.file(), summaryPath, kSummaryRecordLines,
                                      summaryComplete) &&
                         WriteText(out.file(), kDetailHeader) &&
                         WriteRecords(out.file(), detailPath, kDetailRecordLines,
                                      detailComplete) &&
                         out.commit();
    if (!written) {
        writeFailed = true;
        port.ShowMsg(DisplayFileName(path) + kWriteFailedSuffix);
        return;
    }
    if (!summaryComplete || !detailComplete)
        port.ShowMsg(kIncompleteLog);
}
