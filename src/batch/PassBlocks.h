#pragma once
// The block step the passes share: a file's samples in blocks of kBlockValues
// values, each read with its look-ahead and run through the click engine, the
// engine's history carried from block to block. The removal pass writes the
// cleaned blocks, the detection pass only counts, and the wave window's live
// preview plays them: all three take their values from here, so the preview
// sounds exactly as the removal pass writes.

#include "engine/ClickEngine.h"
#include "filesystem/FileHandle.h"
#include "wavefile/WaveFile.h"

#include <cstdint>
#include <vector>

// Block step constants: values per block, look-ahead values, staging length.
inline constexpr int32_t kBlockValues = 131072;
inline constexpr int32_t kReadValues = kBlockValues + kLookAheadValues; // 131,152
inline constexpr int32_t kBufferValues = kHistoryValues + kReadValues;  // 131,252

class PassBlocks {
public:
    // Reads the block at value index pos of in (whose header is wave) with its
    // 80 look-ahead values (one read) and cleans it, the history as the
    // previous Clean left it. Look-ahead past the end of the file reads as
    // zero. Returns the block length, or -1 when the block's own values could
    // not be read (nothing is cleaned then).
    int32_t Clean(FileHandle &in, const WaveFile &wave, int32_t pos, const Thresholds &thresholds,
                  int32_t &clickCounter, ClickReporter *reporter);

    // The cleaned block of the last Clean, full 32-bit values; their low 16
    // bits are the samples.
    const int32_t *values() const { return work_.data() + kHistoryValues; }

    // Narrows the last cleaned block's n values to their low 16 bits and
    // writes them (one write).
    bool Store(FileHandle &out, int32_t n);

private:
    int32_t Load(FileHandle &in, const WaveFile &wave, int32_t pos);

    // Allocated once per file and zero-filled (a zero history before the
    // first block). staging holds the file's
    // bytes, two per value, at the value indices of work.
    std::vector<uint8_t> staging_ = std::vector<uint8_t>(size_t{kBufferValues} * 2);
    std::vector<int32_t> work_ = std::vector<int32_t>(size_t{kBufferValues});
};
