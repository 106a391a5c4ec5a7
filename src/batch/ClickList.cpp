#include "batch/ClickList.h"

#include "batch/BatchRunner.h"
#include "batch/LogLineReader.h"

#include <QStringDecoder>

namespace {

constexpr int kRecordLines = 7;

// Reads the six lines after a matching name line; false when the log ends first.
bool ReadRow(LogLineReader &reader, QStringList &row, int64_t &lineCount) {
    QStringDecoder decoder("CP932");
    QByteArray line;
    for (int cell = 1; cell < kRecordLines; ++cell) {
        if (!reader.NextLine(line))
            return false;
        ++lineCount;
        row << decoder.decode(line);
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
        if (lineCount++ % kRecordLines != 0 || line != wanted)
            continue;
        QStringList row;
        if (ReadRow(reader, row, lineCount))
            list.rows.push_back(row);
    }
    if (list.rows.empty())
        list.message = lineCount > 0 && lineCount > int64_t{kRecordLines} * logMax
                           ? kLogOverLimit
                           : kNoDataToCheck;
    return list;
}
