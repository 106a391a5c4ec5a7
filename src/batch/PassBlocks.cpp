#include "batch/PassBlocks.h"

#include "wavefile/ByteOrder.h"

#include <algorithm>

namespace {

constexpr int64_t kValueBytes = 2;
constexpr int64_t kStagingStart = kHistoryValues * kValueBytes; // byte of value index 100

} // namespace

int32_t PassBlocks::Load(FileHandle &in, const WaveFile &wave, int32_t pos) {
    const int32_t n = std::min(kBlockValues, wave.sampleCount - pos);
    if (n <= 0)
        return -1;
    uint8_t *dest = staging_.data() + kStagingStart;
    const int64_t wanted = int64_t{kReadValues} * kValueBytes;
    if (!in.seek(wave.dataOffset + int64_t{pos} * kValueBytes))
        return -1;
    const int64_t got = in.read(dest, wanted);
    if (got < int64_t{n} * kValueBytes)
        return -1;
    std::fill(dest + got, dest + wanted, uint8_t{0});
    const uint8_t *bytes = staging_.data();
    for (int32_t i = kHistoryValues; i < kHistoryValues + n + kLookAheadValues; ++i)
        work_[size_t(i)] = static_cast<int16_t>(ReadLe16(bytes + 2 * i));
    return n;
}

int32_t PassBlocks::Clean(FileHandle &in, const WaveFile &wave, int32_t pos,
                          const Thresholds &thresholds, int32_t &clickCounter,
                          ClickReporter *reporter) {
    const int32_t n = Load(in, wave, pos);
    if (n > 0)
        CleanBlock(work_.data(), n, pos, thresholds, clickCounter, reporter);
    return n;
}

bool PassBlocks::Store(FileHandle &out, int32_t n) {
    uint8_t *bytes = staging_.data();
    for (int32_t i = kHistoryValues; i < kHistoryValues + n; ++i)
        WriteLe16(bytes + 2 * i, static_cast<uint16_t>(work_[size_t(i)]));
    return out.write(bytes + kStagingStart, int64_t{n} * kValueBytes);
}
