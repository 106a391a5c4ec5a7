#include "batch/ClickList.h"

#include "batch/NoiseLog.h"

namespace {

// Reads the lines after a matching name line; false when the log ends first.
bool ReadRow(LogLineReader &reader, QStringList &row, int64_t &lineCount) {
    QByteArray line;
    for (qsizetype cell = kDetailNameLine + 1; cell < kDetailRecordLines; ++cell) {
        if (!reader.NextLine(line))
            return false;
        ++lineCount;
        row << DecodeLogText(line);
    }
    return true;
}

} // namespace

ClickList ReadClickList(const QString &logPath, const QString &fileName, int32_t logMax) {
    ClickList list;
    LogLineReader reader(logPath);
    const QByteArray wanted = EncodeLogText(LoggedFileName(fileName));
    QByteArray line;
    int64_t lineCount = 0;
    while (list.rows.size() < size_t(kMaxListedClicks) && reader.NextLine(line)) {
        // Records start at every seventh line; the lines between are only counted.
        if (lineCount++ % kDetailRecordLines != kDetailNameLine || line != wanted)
            continue;
        QStringList row;
        if (ReadRow(reader, row, lineCount))
            list.rows.push_back(row);
    }
    if (list.rows.empty())
        list.message =
            lineCount > 0 && DetailLogOverLimit(lineCount, logMax) ? kLogOverLimit : kNoDataToCheck;
    return list;
}
