#pragma once
// The click engine: finds clicks in a block of interleaved stereo values and
// repairs each in place, in the same pass over the block.
//
// Work buffer layout for a block of count values (signed 32-bit, widened from
// 16-bit samples):
//   [0, 100)                  history: the 100 values before the block, already repaired
//   [100, 100 + count)        the block
//   [100 + count, 180 + count) look-ahead: the 80 values after the block
// The engine reads and writes only inside these 180 + count values. On return
// the history region holds the block's last 100 values, ready for the next block.
// All arithmetic is signed 32-bit with division truncating toward zero.

#include <cstdint>

inline constexpr int32_t kHistoryValues = 100;
inline constexpr int32_t kLookAheadValues = 80;
inline constexpr int32_t kEngineChannels = 2;

struct Thresholds {
    int32_t levelThreshold = 0; // 0..10000, sample units
    int32_t levelFactor = 0;    // 25, 35 or 50
    int32_t clickSpan = 0;      // 2..17 frames
};

// Receives one report per counted click. Called only for clicks, never per value.
class ClickReporter {
public:
    virtual ~ClickReporter() = default;
    // id: the click's number in the file (clickCounter after counting it);
    // index: value index of the click's first value in the file;
    // value: that value before the repair; width: frames replaced by a line,
    // or 0 for a ramp.
    virtual void AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) = 0;
};

// Scans and repairs one block. blockStart is the value index of the block's
// first value in the file. Increments clickCounter per counted click and reports
// it to reporter (which may be null). Returns the number of clicks counted in
// this block.
int32_t CleanBlock(int32_t *work, int32_t count, int32_t blockStart, const Thresholds &thresholds,
                   int32_t &clickCounter, ClickReporter *reporter);

// The instruction sets the scan has a version for. Every version gives the
// same clicks and repairs; the engine uses the widest the processor has.
enum class ScanInstructions { Plain, Avx2, Avx512 };
ScanInstructions BestScanInstructions();
// Makes later scans use set; false (and no change) when the processor lacks
// it. For comparing the versions: not meant to change while a scan runs.
bool UseScanInstructions(ScanInstructions set);
