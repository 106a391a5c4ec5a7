// The noise logs' records and their texts: time and channel texts, the logged
// form of a file name, the files of a log folder and the clean files of a
// summary log.

#include "batch/NoiseLog.h"

#include "engine/ClickEngine.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"
#include "settings/Settings.h"

#include <algorithm>

bool IsControlCharacter(char32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7f && codePoint < 0xa0);
}

namespace {

// Writes value in decimal at out, with zeros before its digits up to width
// characters, a minus sign counted in them (as the formatted print's %0*lld
// writes it); returns the end. Every number of the detail record goes through
// here: the formatted print and QString::number cost more than the rest of a
// record.
inline char *PutDecimal(char *out, int64_t value, int width = 1) {
    uint64_t magnitude = uint64_t(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0 - magnitude;
        --width;
    }
    int digits = 1;
    for (uint64_t limit = 10; digits < 20 && magnitude >= limit; limit *= 10)
        ++digits;
    for (int i = digits; i < width; ++i)
        *out++ = '0';
    // Written from the last digit back, two at a time.
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                     "25262728293031323334353637383940414243444546474849"
                                     "50515253545556575859606162636465666768697071727374"
                                     "75767778798081828384858687888990919293949596979899";
    char *const end = out + digits;
    char *at = end;
    for (; magnitude >= 100; magnitude /= 100) {
        const char *pair = kPairs + 2 * (magnitude % 100);
        *--at = pair[1];
        *--at = pair[0];
    }
    if (magnitude >= 10) {
        at[-1] = kPairs[2 * magnitude + 1];
        at[-2] = kPairs[2 * magnitude];
    } else {
        at[-1] = char('0' + magnitude);
    }
    return end;
}

// Room for the longest time text (a 64-bit frame's hours), and for the lines
// of a detail record beside its name: id, frame and width ("-2147483648"),
// channel letter, value ("-32768"), time, and every line's end.
constexpr qsizetype kMaxClickTimeChars = 48;
constexpr qsizetype kMaxRecordNumberChars = 3 * 11 + 1 + 6 + kMaxClickTimeChars +
                                            kDetailRecordLines * (sizeof kLogLineEnd - 1);

// FormatClickTime's text, written at out; returns the end.
char *PutClickTime(char *out, int64_t frame) {
    const int64_t totalMs = frame * 1000 / kDisplayFramesPerSecond;
    const int64_t totalSeconds = totalMs / 1000;
    const int64_t totalMinutes = totalSeconds / 60;
    const auto put = [&out](int64_t value, int width, const char *unit) {
        out = PutDecimal(out, value, width);
        while (*unit != '\0')
            *out++ = *unit++;
    };
    put(totalMinutes / 60, 2, "H ");
    put(totalMinutes % 60, 2, "M ");
    put(totalSeconds % 60, 2, "S ");
    put(totalMs % 1000, 3, "mS");
    return out;
}

char ChannelChar(int32_t index) { return index % kEngineChannels == 0 ? 'L' : 'R'; }

} // namespace

QString FormatClickTime(int64_t frame) {
    char text[kMaxClickTimeChars];
    return QString::fromLatin1(text, PutClickTime(text, frame) - text);
}

QString ChannelLetter(int32_t index) { return QString(QLatin1Char(ChannelChar(index))); }

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

void AppendDetailRecord(QByteArray &bytes, QByteArrayView encodedName, int32_t id, int32_t index,
                        int32_t value, int32_t width) {
    const int32_t frame = index / 2;
    const qsizetype old = bytes.size();
    bytes.resize(old + encodedName.size() + kMaxRecordNumberChars);
    char *const start = bytes.data() + old;
    char *out = start;
    // Walked in the order of DetailLine, so the record's layout has that one home.
    for (qsizetype line = 0; line < kDetailRecordLines; ++line) {
        switch (DetailLine(line)) {
        case kDetailNameLine:
            out = std::copy(encodedName.begin(), encodedName.end(), out);
            break;
        case kDetailIdLine:
            out = PutDecimal(out, id);
            break;
        case kDetailChannelLine:
            *out++ = ChannelChar(index);
            break;
        case kDetailFrameLine:
            out = PutDecimal(out, frame);
            break;
        case kDetailTimeLine:
            out = PutClickTime(out, frame);
            break;
        case kDetailValueLine:
            out = PutDecimal(out, static_cast<int16_t>(value));
            break;
        case kDetailWidthLine:
            out = PutDecimal(out, width);
            break;
        case kDetailRecordLines:
            break;
        }
        out = std::copy_n(kLogLineEnd, sizeof kLogLineEnd - 1, out);
    }
    bytes.resize(old + (out - start));
}
