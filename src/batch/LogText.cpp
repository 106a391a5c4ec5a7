// Text helpers of the noise logs: time and channel texts, the logged form of a
// file name, and reading and writing line lists in the logs' code page.

#include "batch/NoiseLog.h"

#include "batch/LogLineReader.h"
#include "engine/ClickEngine.h"
#include "wavefile/AtomicFile.h"
#include "wavefile/FileSystem.h"
#include "wavefile/PathBytes.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const char *const kLogCodec = "CP932";
// Far beyond the logs a run writes for its files; a file larger is not read whole.
constexpr int64_t kMaxLogReadBytes = int64_t{256} * 1024 * 1024;

// True when the code point survives a trip through CP932 unchanged, so a name
// written to a log reads back as the same text.
bool Cp932Holds(char32_t codePoint) {
    const QString text = QString::fromUcs4(&codePoint, 1);
    QStringEncoder encoder(kLogCodec);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return false;
    QStringDecoder decoder(kLogCodec);
    const QString back = decoder.decode(bytes);
    return !decoder.hasError() && back == text;
}

} // namespace

bool IsControlCharacter(char32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7f && codePoint < 0xa0);
}

QString FormatClickTime(int64_t frame) {
    const int64_t totalMs = frame * 10 / 441;
    const int64_t totalSeconds = totalMs / 1000;
    const int64_t totalMinutes = totalSeconds / 60;
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
        if (plainAscii || (!IsControlCharacter(codePoint) && Cp932Holds(codePoint)))
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

QStringList ReadLogLines(const QString &path, bool *ok) {
    LogLineReader reader(path);
    QStringList lines;
    int64_t total = 0;
    QByteArray line;
    while (total <= kMaxLogReadBytes && reader.NextLine(line)) {
        total += line.size() + 1;
        lines << DecodeLogText(line);
    }
    if (ok)
        *ok = reader.isOpen() && !reader.failed() && total <= kMaxLogReadBytes;
    return lines;
}

QString DecodeLogText(const QByteArray &bytes) {
    QStringDecoder decoder(kLogCodec);
    return decoder.decode(bytes);
}

QByteArray EncodeLogText(const QString &text) {
    QStringEncoder encoder(kLogCodec);
    return encoder.encode(text);
}

bool WriteLogLines(const QString &path, const QStringList &lines) {
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += EncodeLogText(line);
        bytes += "\r\n";
    }
    AtomicFile file = AtomicFile::Create(path);
    return file.isOpen() && file.file().write(bytes.constData(), bytes.size()) && file.commit();
}
