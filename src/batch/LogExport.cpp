// The log export: the last run's summary and detail logs as one tab-separated
// text file in the logs' code page.

#include "batch/BatchRunner.h"

#include <QFile>

namespace {

const QString kNoLog = QStringLiteral("ログがありません。");
const QString kIncompleteLog =
    QStringLiteral("ログが不完全です。完全なレコードのみをエクスポートしました。");
const QString kSummaryHeader =
    QStringLiteral("Summary of Noise Check\r\nID\tFileName\tNoise Count\tStatus\r\n");
const QString kDetailHeader =
    QStringLiteral("\r\nDetail of Noise Check\r\nFileName\tID\tL/R\tNoisePostion\tTime\t"
                   "NoiseValue\tNoiseWidth\r\n");

// Writes each whole record of lines as one tab-separated line; a partial record
// at the end is left out. False if a write failed.
bool WriteRecords(FileHandle &out, const QStringList &lines, qsizetype recordLines) {
    for (qsizetype i = 0; i + recordLines <= lines.size(); i += recordLines) {
        const QString line = lines.mid(i, recordLines).join(QLatin1Char('\t'));
        if (!WriteText(out, line + QStringLiteral("\r\n")))
            return false;
    }
    return true;
}

} // namespace

bool WriteText(FileHandle &out, const QString &text) {
    const QByteArray bytes = EncodeLogText(text);
    return out.write(bytes.constData(), bytes.size());
}

void BatchRunner::mExportClick() {
    const QString summaryPath = logFolder + kSummaryLogName;
    if (logFolder.isEmpty() || !QFile::exists(summaryPath)) {
        port.ShowMsg(kNoLog);
        return;
    }
    const QString path =
        port.AskSaveFileName(QStringLiteral("ログをエクスポートするファイル名を指定ください。"),
                             QStringLiteral("Text File(.txt)|*.txt"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    // Read before creating: the chosen file may be one of the logs themselves.
    bool summaryRead = false;
    bool detailRead = false;
    const QStringList summary = ReadLogLines(summaryPath, &summaryRead);
    const QStringList detail = ReadLogLines(logFolder + kDetailLogName, &detailRead);
    FileHandle out = CreateOutputFile(path, false, port);
    if (!out.isOpen())
        return;
    const bool written =
        WriteText(out, kSummaryHeader) && WriteRecords(out, summary, kSummaryRecordLines) &&
        WriteText(out, kDetailHeader) && WriteRecords(out, detail, kDetailRecordLines);
    out.close();
    if (!written) {
        port.ShowMsg(path + kWriteFailedSuffix);
        return;
    }
    const bool complete = summaryRead && detailRead && summary.size() % kSummaryRecordLines == 0 &&
                          detail.size() % kDetailRecordLines == 0;
    if (!complete)
        port.ShowMsg(kIncompleteLog);
}
