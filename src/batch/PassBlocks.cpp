#include "batch/PassBlocks.h"

#include "wavefile/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Widening and narrowing take twice the lanes where the processor has AVX2;
// the loader picks the version when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define WITH_AVX2_VERSION [[gnu::target_clones("avx2", "default")]]
#else
#define WITH_AVX2_VERSION
#endif

constexpr int64_t kValueBytes = 2;
constexpr int64_t kStagingStart = kHistoryValues * kValueBytes; // byte of value index 100

// The samples of bytes at value indices [from, to) as signed 32-bit values.
// On a little-endian machine the bytes already are the 16-bit values, and a
// plain copy-and-widen loop vectorizes where the byte-by-byte one did not.
WITH_AVX2_VERSION
void Widen(const uint8_t *bytes, int32_t *values, int32_t from, int32_t to) {
    if constexpr (std::endian::native == std::endian::little) {
        for (int32_t i = from; i < to; ++i) {
            int16_t v;
            std::memcpy(&v, bytes + 2 * i, sizeof v);
            values[i] = v;
        }
    } else {
        for (int32_t i = from; i < to; ++i)
            values[i] = static_cast<int16_t>(ReadLe16(bytes + 2 * i));
    }
}

// The low 16 bits of values at [from, to), written as the file holds samples.
WITH_AVX2_VERSION
void Narrow(const int32_t *values, uint8_t *bytes, int32_t from, int32_t to) {
    if constexpr (std::endian::native == std::endian::little) {
        for (int32_t i = from; i < to; ++i) {
            const auto v = static_cast<uint16_t>(values[i]);
            std::memcpy(bytes + 2 * i, &v, sizeof v);
        }
    } else {
        for (int32_t i = from; i < to; ++i)
            WriteLe16(bytes + 2 * i, static_cast<uint16_t>(values[i]));
    }
}

} // namespace

int32_t PassBlocks::Load(FileHandle &in, const WaveFile &wave, int32_t pos) {
    const int32_t n = std::min(kBlockValues, wave.sampleCount - pos);
    if (n <= 0)
        return -1;
    uint8_t *dest = staging_.data() + kStagingStart;
    const int64_t wanted = int64_t{kReadValues} * kValueBytes;
    // One positioned read: no seek back over the look-ahead between blocks.
    const int64_t got = in.readAt(wave.dataOffset + int64_t{pos} * kValueBytes, dest, wanted);
    if (got < int64_t{n} * kValueBytes)
        return -1;
    std::fill(dest + got, dest + wanted, uint8_t{0});
    Widen(staging_.data(), work_.data(), kHistoryValues, kHistoryValues + n + kLookAheadValues);
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
    Narrow(work_.data(), bytes, kHistoryValues, kHistoryValues + n);
    return out.write(bytes + kStagingStart, int64_t{n} * kValueBytes);
}
