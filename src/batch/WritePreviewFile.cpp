#include "batch/WritePreviewFile.h"

#include "batch/NoiseLog.h"
#include "wavefile/ByteOrder.h"
#include "wavefile/PathBytes.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kPlainFormatBytes = 16; // format tag to bits per sample, no extra size

void PutLe32(std::vector<uint8_t> &bytes, uint32_t v) {
    bytes.resize(bytes.size() + 4);
    WriteLe32(bytes.data() + bytes.size() - 4, v);
}

void PutId(std::vector<uint8_t> &bytes, const char *id) {
    bytes.insert(bytes.end(), id, id + 4);
}

// The values as the file stores them, behind the 44-byte header: little-endian,
// two bytes each. Empty when wave has no format read to describe them.
std::vector<uint8_t> FileBytes(const int16_t *values, int64_t count, const WaveFile &wave) {
    const std::vector<uint8_t> &format = wave.header.formatBody;
    if (format.size() < size_t(kPlainFormatBytes))
        return {};
    const auto dataBytes = uint32_t(count * 2);
    // Whatever the input's format chunk held beyond its 16 plain bytes
    // (an extra size, extensions) describes nothing of these samples.
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    PutId(bytes, "RIFF");
    PutLe32(bytes, 36 + dataBytes);
    PutId(bytes, "WAVE");
    PutId(bytes, "fmt ");
    PutLe32(bytes, kPlainFormatBytes);
    bytes.insert(bytes.end(), format.begin(), format.begin() + kPlainFormatBytes);
    PutId(bytes, "data");
    PutLe32(bytes, dataBytes);
    const size_t start = bytes.size();
    bytes.resize(start + size_t(count) * 2);
    for (int64_t i = 0; i < count; ++i)
        WriteLe16(bytes.data() + start + 2 * size_t(i), static_cast<uint16_t>(values[i]));
    return bytes;
}

} // namespace

bool WritePreviewFile(const int16_t *block, int32_t frames, const QString &path,
                      const WaveFile &wave, ProtectedFiles &protectedFiles,
                      MessageSink &messages) {
    AtomicFile out = CreateWorkFile(path, protectedFiles, messages);
    if (!out.isOpen())
        return false;
    const std::vector<uint8_t> bytes = FileBytes(block, int64_t{std::max(frames, 0)} * 2, wave);
    if (!bytes.empty() && out.file().write(bytes.data(), int64_t(bytes.size()))) {
        const auto stamp = FileSystem::StampOf(out.file().fd());
        if (stamp && out.commit()) {
            protectedFiles.RememberWorkFile(path, *stamp);
            return true;
        }
    }
    out.abandon();
    messages.ShowMsg(DisplayFileName(path) + kWriteFailedSuffix);
    return false;
}
