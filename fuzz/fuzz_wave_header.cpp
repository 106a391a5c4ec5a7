// Feeds arbitrary bytes to the header reader as a file, then reads samples from
// what it accepted and writes an output header for them, which must read back
// with the same measurements.

#include "wavefile/WaveFile.h"

#include <QString>
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
    Check(wave.dataOffset >= 28 + wave.header.fmtSize());
    Check(wave.dataBytes >= 0);
    Check(int64_t(wave.dataOffset) + wave.dataBytes <= wave.fileSize);
    Check(wave.sampleCount == wave.dataBytes / 2);
    Check(wave.channelCount == 2 && wave.bytesPerSample == 2);
}

// Header plus the whole values of the input's data: must read back alike.
void CheckRoundTrip(const WaveFile &wave, const uint8_t *data, SilentMessages &messages) {
    static const QString outPath = QStringLiteral("/tmp/fuzz_wave_out_%1.wav").arg(getpid());
    const int64_t bytes = int64_t(wave.sampleCount) * 2;
    {
        FileHandle out = CreateOutputFile(outPath, false, messages);
        Check(out.isOpen());
        Check(wave.WriteWaveHeader(out, bytes));
        Check(out.write(data + wave.dataOffset, bytes));
    }
    WaveFile again;
    Check(again.ReadWaveHeader(outPath, messages));
    Check(again.sampleCount == wave.sampleCount);
    Check(again.fileSize == again.dataOffset + bytes);
    Check(again.header.formatBody == wave.header.formatBody);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const int inFd = MemoryFile("in");
    Fill(inFd, data, size);
    SilentMessages messages;
    WaveFile wave;
    if (!wave.ReadWaveHeader(PathOf(inFd), messages))
        return 0;
    CheckMeasurements(wave);
    std::vector<int16_t> values(4096, 0);
    const int32_t start = wave.sampleCount > 8 ? int32_t(size % 8) : 0;
    const int32_t got =
        wave.ReadSamples(start, int32_t(values.size()), PathOf(inFd), values.data(), messages);
    Check(got >= 0 && got <= int32_t(values.size()));
    Check(got == std::min<int32_t>(int32_t(values.size()), std::max(0, wave.sampleCount - start)));
    CheckRoundTrip(wave, data, messages);
    return 0;
}
