#pragma once
// A stretch of frames of one wave file, as the picture and the dump read it.

#include "filesystem/FileError.h"

#include <QString>
#include <cstdint>
#include <vector>

class WaveFile;

// The values of a stretch, and why the file could not be opened when it
// could not (the values are all 0 then).
struct FrameWindow {
    std::vector<int16_t> values;
    FileError failure = FileError::None;
};

// frames × channelCount interleaved values from frame firstFrame of path, read
// with wave (path's own header, read by the caller; null when it could not be
// read). Frames before the start or past the end of the data, and all frames
// without a header, are 0. firstFrame may be negative.
FrameWindow ReadFrameWindow(const WaveFile *wave, const QString &path, int64_t firstFrame,
                            int32_t frames, int32_t channelCount);
