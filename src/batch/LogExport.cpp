// The log export: the last run's summary and detail logs as one tab-separated
// text file in the logs' code page.

#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"

#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"

namespace {

const QString kNoLog = QStringLiteral(QT_TRANSLATE_NOOP("Messages", "ログがありません。"));
const QString kIncompleteLog = QStringLiteral(
    QT_TRANSLATE_NOOP("Messages", "ログが不完全です。完全なレコードのみをエクスポートしました。"));
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
bool WriteRecords(const ByteWriter &write, const QString &path, qsizetype recordLines,
                  bool &complete) {
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
        if (!write(record.constData(), record.size()))
            return false;
        record.clear();
        inRecord = 0;
    }
    complete = reader.isOpen() && !reader.failed() && inRecord == 0;
    return true;
}

bool WriteHeading(const ByteWriter &write, const QString &text) {
    const QByteArray bytes = EncodeLogText(text);
    return write(bytes.constData(), bytes.size());
}

} // namespace

ExportResult WriteLogExport(const QString &logFolder, const ByteWriter &write) {
    bool summaryComplete = false;
    bool detailComplete = false;
    const bool written =
        WriteHeading(write, kSummaryHeader) &&
        WriteRecords(write, logFolder + kSummaryLogName, kSummaryRecordLines, summaryComplete) &&
        WriteHeading(write, kDetailHeader) &&
        WriteRecords(write, logFolder + kDetailLogName, kDetailRecordLines, detailComplete);
    if (!written)
        return ExportResult::WriteFailed;
    return summaryComplete && detailComplete ? ExportResult::Complete : ExportResult::Incomplete;
}

bool BatchRunner::HasLogToExport() {
    if (!last_.logFolder.isEmpty() && FileSystem::EntryExists(last_.logFolder + kSummaryLogName))
        return true;
    last_.writeFailed = true;
    port_.ShowMsg(MessageText(kNoLog));
    return false;
}

ProtectedFiles BatchRunner::ExportKept() const {
    // Never one of the files of the run, nor a log it is made from.
    ProtectedFiles kept = kept_;
    kept.Add(last_.logFolder + kSummaryLogName);
    kept.Add(last_.logFolder + kDetailLogName);
    return kept;
}

bool BatchRunner::LockForExport(bool &lockedHere) {
    // The two logs are read as one run left them, not while another run saves its own.
    lockedHere = !logLock_.isLocked();
    if (lockedHere && !LockLogFolder(last_.logFolder)) {
        last_.writeFailed = true;
        return false;
    }
    return true;
}

void BatchRunner::ReportExport(bool written, ExportResult result, const QString &path) {
    if (!written) {
        last_.writeFailed = true;
        port_.ShowMsg(DisplayFileName(path) + MessageText(kWriteFailedSuffix));
        return;
    }
    if (result == ExportResult::Incomplete)
        port_.ShowMsg(MessageText(kIncompleteLog));
}

void BatchRunner::ExportToFile(const QString &path) {
    bool lockedHere = false;
    if (!LockForExport(lockedHere))
        return;
    // Any file but the kept ones is replaced only once the export is complete.
    AtomicFile out = CreateChosenFileOrTell(path, ExportKept(), port_);
    if (!out.isOpen()) {
        last_.writeFailed = true;
    } else {
        const ExportResult result =
            WriteLogExport(last_.logFolder, [&out](const char *data, int64_t size) {
                return out.file().write(data, size);
            });
        ReportExport(result != ExportResult::WriteFailed && out.commit(), result, path);
    }
    if (lockedHere)
        logLock_.unlock();
}

void BatchRunner::ExportTo(const QString &target, const ByteWriter &write) {
    bool lockedHere = false;
    if (!LockForExport(lockedHere))
        return;
    if (ExportKept().Guards(target)) {
        last_.writeFailed = true;
        port_.ShowMsg(MessageText(kOpenFailedMessage));
    } else {
        const ExportResult result = WriteLogExport(last_.logFolder, write);
        ReportExport(result != ExportResult::WriteFailed, result, target);
    }
    if (lockedHere)
        logLock_.unlock();
}
