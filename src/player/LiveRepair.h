#pragma once
// The input with its clicks removed exactly as the removal pass removes them,
// handed out stretch by stretch from any start frame, for live preview.
//
// The removal pass cleans a file in its own blocks (kBlockValues values,
// each with its look-ahead read from the file), the engine's history carrying
// from the file's first block on. Cleaning only from the start frame, or in
// the playback's short blocks, would make the engine see block ends and the
// start as clicks that the removal never repairs. So the file is cleaned here
// in the pass's blocks, through the pass's own block step, starting from the
// pass block before the one that holds the start frame: a whole block of
// history is enough for the engine to reach the state the pass has there.
//
// Threads: the user-interface thread only, like the playback that uses it.

#include "batch/PassBlocks.h"

#include <QString>
#include <cstdint>
#include <vector>

class LiveRepair : private ClickReporter {
public:
    // Opens path as the removal pass reads it and cleans up to the pass
    // block holding startFrame. False when the file is no input the passes
    // accept, or cannot be read there.
    bool Open(const QString &path, int32_t startFrame, const Thresholds &thresholds);

    // Puts the cleaned frames from frame on (frame at or after the previous
    // Take's end) into dest, 16-bit stereo, cleaning further pass blocks as
    // it goes; adds to clicks the clicks repaired whose first value lies in
    // the frames delivered. Returns the frames delivered: frames, or fewer
    // where the data ends or the file can no longer be read.
    int32_t Take(int32_t frame, int32_t frames, int16_t *dest, int32_t &clicks);

private:
    void AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) override;
    // Cleans the pass block after the current one; false when none can be read.
    bool CleanNext();

    FileHandle in_;
    WaveFile wave_;
    Thresholds thresholds_;
    PassBlocks blocks_;
    int32_t blockStart_ = 0; // value index of the cleaned block
    int32_t blockLength_ = 0;
    int32_t clickCounter_ = 0;
    std::vector<int32_t> clickIndices_; // value indices of the clicks of the cleaned block
};
