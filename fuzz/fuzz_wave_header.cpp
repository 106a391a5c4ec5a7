// Feeds arbitrary bytes to the header reader as a file, then reads samples from
// what it accepted, runs them through the click engine in two blocks the way a
// detection pass does, and writes an output header for them, which must read
// back with the same measurements. The same bytes also go to the settings
// reader and the log reader as files of theirs.

#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"
#include "batch/LogLines.h"
#include "engine/ClickEngine.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "wavefile/ByteOrder.h"
#include "wavefile/WaveFile.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

class SilentMessages : public MessageSink {
public:
    MsgAnswer ShowMsg(const QString &, bool yesNo) override {
        return yesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }
};

// Anonymous in-memory files, reused across runs; reached through /proc so the
// reader opens them by path like any other file.
int MemoryFile(const char *name) {
    const int fd = memfd_create(name, MFD_CLOEXEC);
    if (fd < 0)
        abort();
    return fd;
}

QString PathOf(int fd) {
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

void Fill(int fd, const uint8_t *data, size_t size) {
    if (ftruncate(fd, 0) != 0 || (size && pwrite(fd, data, size, 0) != ssize_t(size)))
        abort();
}

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// The measurements must describe bytes that exist in the file.
void CheckMeasurements(const WaveFile &wave) {
    Check(wave.formatOffset >= 12);
    Check(wave.dataOffset >= wave.formatOffset + 16 + wave.header.fmtSize());
    Check(wave.dataBytes >= 0);
    Check(int64_t(wave.dataOffset) + wave.dataBytes <= wave.fileSize);
    Check(wave.sampleCount == wave.dataBytes / 2);
    Check(wave.channelCount == 2 && wave.bytesPerSample == 2);
}

// Header, the whole values of the input's data and the carried chunks: must
// read back alike, the RIFF size counting every byte after it.
void CheckRoundTrip(const WaveFile &wave, const uint8_t *data, const CarriedChunks &carried,
                    SilentMessages &messages) {
    static const QString outPath = QStringLiteral("/tmp/fuzz_wave_out_%1.wav").arg(getpid());
    const int64_t bytes = int64_t(wave.sampleCount) * 2;
    const std::vector<uint8_t> trailer = TrailerBytes(carried, bytes);
    {
        AtomicFile out = CreateOutputFileAsking(outPath, false, messages);
        Check(out.isOpen());
        Check(wave.WriteWaveHeader(out.file(), bytes, carried));
        Check(out.file().write(data + wave.dataOffset, bytes));
        Check(out.file().write(trailer.data(), int64_t(trailer.size())));
        Check(out.commit());
    }
    WaveFile again;
    Check(ReadWaveHeaderOrTell(again, outPath, messages));
    Check(again.sampleCount == wave.sampleCount);
    Check(again.fileSize == again.dataOffset + bytes + int64_t(trailer.size()));
    Check(again.header.formatBody == wave.header.formatBody);
    const FileHandle file = FileHandle::OpenRead(outPath);
    uint8_t riffSize[4] = {};
    Check(file.readAt(4, riffSize, 4) == 4 && ReadLe32(riffSize) == uint32_t(again.fileSize - 8));
    const std::optional<CarriedChunks> read = ReadCarriedChunks(file, again);
    Check(read && ChunkBytes(read->beforeData) == ChunkBytes(carried.beforeData) &&
          ChunkBytes(read->afterData) == ChunkBytes(carried.afterData));
}

// The chunks an output of the input would carry, with a repair's history line.
CarriedChunks CarriedFrom(const QString &path, const WaveFile &wave) {
    const FileHandle file = FileHandle::OpenRead(path);
    std::optional<CarriedChunks> carried = ReadCarriedChunks(file, wave);
    Check(carried.has_value());
    AppendCodingHistory(*carried, QByteArrayLiteral("A=PCM,F=44100,W=16,M=stereo,T=fuzz"));
    return *carried;
}

// Thresholds across their whole ranges, chosen by the input's last bytes.
Thresholds ThresholdsFrom(const uint8_t *data, size_t size) {
    const uint8_t a = size > 0 ? data[size - 1] : 0;
    const uint8_t b = size > 1 ? data[size - 2] : 0;
    static const int32_t factors[] = {25, 35, 50};
    return Thresholds{(a * 256 + b) % 10001, factors[a % 3], 2 + b % 16};
}

// values holds the block values followed by whatever comes after them; each
// block gets up to 80 of those as look-ahead, zeros past the end. Each work
// buffer is exactly as long as the engine may use, so the address sanitizer
// sees any step outside it.
void DetectInTwoBlocks(const std::vector<int16_t> &values, const Thresholds &thresholds) {
    const int32_t total = int32_t(values.size());
    std::vector<int32_t> history(size_t(kHistoryValues), 0);
    int32_t clickCounter = 0;
    int32_t blockStart = 0;
    for (const int32_t count : {total / 3, total - total / 3}) {
        std::vector<int32_t> work(size_t(kHistoryValues + count + kLookAheadValues), 0);
        std::copy(history.begin(), history.end(), work.begin());
        for (int32_t i = 0; i < count + kLookAheadValues && blockStart + i < total; ++i)
            work[size_t(kHistoryValues + i)] = values[size_t(blockStart + i)];
        const int32_t before = clickCounter;
        const int32_t found =
            CleanBlock(work.data(), count, blockStart, thresholds, clickCounter, nullptr);
        Check(found >= 0 && clickCounter == before + found);
        std::copy(work.begin(), work.begin() + kHistoryValues, history.begin());
        blockStart += count;
    }
}

// Whatever the file holds, every value is one the program can use, and a text
// file the reader takes is written back exactly as read.
void CheckSettingsReader(const QString &path, const uint8_t *data, size_t size) {
    const LoadedSettings loaded = LoadSettingsFile(path);
    const Settings &s = loaded.settings;
    Check(s.rdCL >= 1 && s.rdCL <= 3 && s.rdWT >= 1 && s.rdWT <= 3);
    Check(s.BuffDipth >= 2 && s.BuffDipth <= 16 && s.Arasa >= 1 && s.Arasa <= 32);
    Check(s.WinTime >= 0 && s.WinTime < int32_t(kDisplayTimeFrames.size()));
    Check(s.LogMax >= 0 && s.DumpTextLen >= 0 && s.CheckPlayTime >= 0 && s.CheckPlayTime <= 11);
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Check(loaded.fileUsable == IniFile::IsText(bytes));
    if (!loaded.fileUsable || bytes.startsWith("\xEF\xBB\xBF"))
        return;
    IniFile ini;
    ini.setBytes(bytes);
    Check(ini.bytes() == bytes);
    ini.setValue(QStringLiteral("Settei"), QStringLiteral("LogMax"), QStringLiteral("5"));
    IniFile again;
    again.setBytes(ini.bytes());
    Check(again.value(QStringLiteral("Settei"), QStringLiteral("LogMax")) == QStringLiteral("5"));
}

// The log reader's lines hold no line ends and, with them, make up the file.
void CheckLogReader(const QString &path, size_t size) {
    LogLineReader reader(path);
    QByteArray line;
    size_t total = 0;
    while (reader.NextLine(line)) {
        Check(!line.contains('\r') && !line.contains('\n'));
        total += size_t(line.size());
    }
    Check(!reader.failed() && total <= size);
    bool ok = false;
    ReadLogLines(path, &ok);
    Check(ok);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const int inFd = MemoryFile("in");
    Fill(inFd, data, size);
    CheckSettingsReader(PathOf(inFd), data, size);
    CheckLogReader(PathOf(inFd), size);
    SilentMessages messages;
    WaveFile wave;
    if (!ReadWaveHeaderOrTell(wave, PathOf(inFd), messages))
        return 0;
    CheckMeasurements(wave);
    std::vector<int16_t> values(4096, 0);
    const int32_t start = wave.sampleCount > 8 ? int32_t(size % 8) : 0;
    const int32_t got = ReadSamplesOrTell(wave, start, int32_t(values.size()), PathOf(inFd),
                                          values.data(), messages);
    Check(got >= 0 && got <= int32_t(values.size()));
    Check(got == std::min<int32_t>(int32_t(values.size()), std::max(0, wave.sampleCount - start)));
    values.resize(size_t(got));
    DetectInTwoBlocks(values, ThresholdsFrom(data, size));
    CheckRoundTrip(wave, data, CarriedChunks{}, messages);
    CheckRoundTrip(wave, data, CarriedFrom(PathOf(inFd), wave), messages);
    return 0;
}
