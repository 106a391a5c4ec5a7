// The noise logs' records and their texts: time and channel texts, the logged
// form of a file name, the files of a log folder and the clean files of a
// summary log.

#include "batch/NoiseLog.h"

#include "engine/ClickEngine.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"
#include "settings/Settings.h"

bool IsControlCharacter(char32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7f && codePoint < 0xa0);
}

namespace {

// Appends value (not negative) in decimal, with zeros before it up to width digits.
void AppendPadded(QString &text, int64_t value, int width) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i)
        text += QLatin1Char('0');
    while (n > 0)
        text += QLatin1Char(digits[--n]);
}

} // namespace

QString FormatClickTime(int64_t frame) {
    const int64_t totalMs = frame * 1000 / kDisplayFramesPerSecond;
    const int64_t totalSeconds = totalMs / 1000;
    const int64_t totalMinutes = totalSeconds / 60;
    // One record per click: built by hand, as the formatted print cost more
    // than the rest of the record.
    if (totalMs >= 0) {
        QString text;
        text.reserve(18);
        AppendPadded(text, totalMinutes / 60, 2);
        text += QLatin1String("H ");
        AppendPadded(text, totalMinutes % 60, 2);
        text += QLatin1String("M ");
        AppendPadded(text, totalSeconds % 60, 2);
        text += QLatin1String("S ");
        AppendPadded(text, totalMs % 1000, 3);
        text += QLatin1String("mS");
        return text;
    }
    return QString::asprintf(
        "%02lldH %02lldM %02lldS %03lldmS", static_cast<long long>(totalMinutes / 60),
        static_cast<long long>(totalMinutes % 60), static_cast<long long>(totalSeconds % 60),
        static_cast<long long>(totalMs % 1000));
}

QString ChannelLetter(int32_t index) {
    return index % kEngineChannels == 0 ? QStringLiteral("L") : QStringLiteral("R");
}

void RemoveLogFiles(const QString &folder, ProtectedFiles &kept) {
    for (const QString &name : {kSummaryLogName, kDetailLogName})
        FileSystem::Remove(folder + name);
    kept.RemoveOwnWorkFile(folder + kPlaybackFileName);
}

QString LoggedFileName(const QString &name) {
    QString logged;
    logged.reserve(name.size());
    // A name in Shift-JIS bytes is logged as the CP932 text it is.
    for (const char32_t codePoint : DisplayFileName(name).toUcs4()) {
        const bool plainAscii = codePoint >= 0x20 && codePoint < 0x7f;
        if (plainAscii || (!IsControlCharacter(codePoint) && LogCodePageHolds(codePoint)))
            logged.append(QString::fromUcs4(&codePoint, 1));
        else
            logged.append(QLatin1Char('?'));
    }
    return logged;
}

QStringList CleanInSummary(const QString &path, const QStringList &names) {
    QList<QByteArray> wanted;
    for (const QString &name : names)
        wanted << EncodeLogText(LoggedFileName(name));
    QStringList clean;
    LogLineReader reader(path);
    QByteArray line, recordName;
    for (qsizetype index = 0; reader.NextLine(line); ++index) {
        const qsizetype inRecord = index % kSummaryRecordLines;
        if (inRecord == kSummaryNameLine)
            recordName = line;
        else if (inRecord == kSummaryCountLine && line == "0" && wanted.contains(recordName))
            clean << DecodeLogText(recordName);
    }
    return clean;
}

SummaryRecord MakeSummaryRecord(int32_t ordinal, const QString &name, int32_t count,
                                const QString &status) {
    SummaryRecord record;
    record[kSummaryOrdinalLine] = QString::number(ordinal);
    record[kSummaryNameLine] = LoggedFileName(name);
    record[kSummaryCountLine] = QString::number(count);
    record[kSummaryStatusLine] = LoggedFileName(status);
    return record;
}

DetailRecord MakeDetailRecord(const QString &loggedName, int32_t id, int32_t index, int32_t value,
                              int32_t width) {
    const int32_t frame = index / 2;
    DetailRecord record;
    record[kDetailNameLine] = loggedName;
    record[kDetailIdLine] = QString::number(id);
    record[kDetailChannelLine] = ChannelLetter(index);
    record[kDetailFrameLine] = QString::number(frame);
    record[kDetailTimeLine] = FormatClickTime(frame);
    record[kDetailValueLine] = QString::number(static_cast<int16_t>(value));
    record[kDetailWidthLine] = QString::number(width);
    return record;
}
