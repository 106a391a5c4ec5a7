#include "batch/WritePreviewFile.h"

#include "batch/FileMessages.h"
#include "batch/NoiseLog.h"
#include "wavefile/ByteOrder.h"
#include "filesystem/PathBytes.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kPlainFormatBytes = 16; // format tag to bits per sample, no extra size

// The values as the file stores them, behind the 44-byte header: little-endian,
// two bytes each. Empty when wave has no format read to describe them.
std::vector<uint8_t> FileBytes(const int16_t *values, int64_t count, const WaveFile &wave) {
    const std::vector<uint8_t> &format = wave.header.formatBody;
    if (format.size() < size_t(kPlainFormatBytes))
        return {};
    // Whatever the input's format chunk held beyond its 16 plain bytes
    // (an extra size, extensions) describes nothing of these samples.
    WaveHeader plain;
    plain.formatBody.assign(format.begin(), format.begin() + kPlainFormatBytes);
    WriteLe32(plain.riff.data() + 16, kPlainFormatBytes);
    std::vector<uint8_t> bytes = OutputHeaderBytes(plain, count * 2);
    if (bytes.empty())
        return {};
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
    AtomicFile out = CreateWorkFileOrTell(path, protectedFiles, messages);
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
    messages.ShowMsg(DisplayFileName(path) + MessageText(kWriteFailedSuffix));
    return false;
}
