#include "batch/ClickDump.h"

#include "batch/FileMessages.h"
#include "batch/NoiseLog.h"
#include "filesystem/PathBytes.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int64_t kPieceFrames = 16384;

QByteArray PieceText(const std::vector<int16_t> &values, const ClickDump &dump) {
    QByteArray text;
    for (size_t i = size_t(dump.channel); i < values.size(); i += size_t(dump.channelCount)) {
        text += QByteArray::number(values[i]);
        text += "\r\n";
    }
    return text;
}

bool WriteValues(FileHandle &out, const WaveFile *wave, const QString &samplePath,
                 const ClickDump &dump, MessageSink &messages) {
    const int64_t first = dump.FirstFrame();
    for (int64_t done = 0; done < dump.length; done += kPieceFrames) {
        const int64_t frames = std::min<int64_t>(kPieceFrames, dump.length - done);
        const QByteArray text = PieceText(
            ReadFrameWindowOrTell(wave, samplePath, first + done, int32_t(frames),
                                  dump.channelCount, messages),
            dump);
        if (!out.write(text.constData(), text.size()))
            return false;
    }
    return true;
}

} // namespace

QString ClickDump::Heading() const {
    return QStringLiteral("FileName:") + DisplayFileName(shownFileName) +
           QStringLiteral(" Channel:") + ChannelLetter(channel) +
           QStringLiteral("ch  NoisePosition:") + QString::number(noisePosition) +
           QStringLiteral(" DumpLength:") + QString::number(length);
}

int64_t ClickDump::FirstFrame() const {
    return std::max<int64_t>(int64_t{noisePosition} - length / 2, 0);
}

bool WriteClickDump(const QString &dumpPath, const QString &samplePath, const ClickDump &dump,
                    MessageSink &messages, const ProtectedFiles &kept) {
    if (dump.channelCount < 1 || dump.channel < 0 || dump.channel >= dump.channelCount)
        return false; // no file on show
    WaveFile wave;
    const bool readable = ReadWaveHeaderOrTell(wave, samplePath, messages);
    ProtectedFiles keptWithSample = kept;
    keptWithSample.Add(samplePath);
    AtomicFile out = CreateChosenFileOrTell(dumpPath, keptWithSample, messages);
    if (!out.isOpen())
        return false;
    const bool written =
        WriteText(out.file(), dump.Heading() + QStringLiteral("\r\n")) &&
        WriteValues(out.file(), readable ? &wave : nullptr, samplePath, dump, messages) &&
        out.commit();
    if (!written)
        messages.ShowMsg(DisplayFileName(dumpPath) + MessageText(kWriteFailedSuffix));
    return written;
}
