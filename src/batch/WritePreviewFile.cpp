#include "batch/WritePreviewFile.h"

#include "batch/NoiseLog.h"

#include <algorithm>
#include <vector>

namespace {

// The values as the file stores them: little-endian, two bytes each.
std::vector<uint8_t> SampleBytes(const int16_t *values, int64_t count) {
    std::vector<uint8_t> bytes(size_t(count) * 2);
    for (int64_t i = 0; i < count; ++i) {
        const auto v = static_cast<uint16_t>(values[i]);
        bytes[size_t(2 * i)] = uint8_t(v & 0xff);
        bytes[size_t(2 * i + 1)] = uint8_t(v >> 8);
    }
    return bytes;
}

} // namespace

bool WritePreviewFile(const int16_t *block, int32_t frames, const QString &path,
                      const WaveFile &wave, ProtectedFiles &protectedFiles,
                      MessageSink &messages) {
    AtomicFile out = CreateWorkFile(path, protectedFiles, messages);
    if (!out.isOpen())
        return false;
    const std::vector<uint8_t> data = SampleBytes(block, int64_t{std::max(frames, 0)} * 2);
    if (wave.WriteWaveHeader(out.file(), int64_t(data.size())) &&
        out.file().write(data.data(), int64_t(data.size()))) {
        const auto stamp = FileSystem::StampOf(out.file().fd());
        if (stamp && out.commit()) {
            protectedFiles.RememberWorkFile(path, *stamp);
            return true;
        }
    }
    out.abandon();
    messages.ShowMsg(path + kWriteFailedSuffix);
    return false;
}
