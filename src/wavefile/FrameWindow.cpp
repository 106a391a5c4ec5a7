#include "wavefile/FrameWindow.h"

#include "wavefile/WaveFile.h"

#include <algorithm>
#include <limits>

FrameWindow ReadFrameWindow(const WaveFile *wave, const QString &path, int64_t firstFrame,
                            int32_t frames, int32_t channelCount) {
    FrameWindow window;
    window.values.assign(size_t(std::max(frames, 0)) * size_t(std::max(channelCount, 0)), 0);
    const int64_t lead = std::clamp<int64_t>(-firstFrame, 0, frames);
    const int64_t start = (firstFrame + lead) * channelCount;
    const int64_t count = (frames - lead) * channelCount;
    if (wave == nullptr || count <= 0 || start > std::numeric_limits<int32_t>::max())
        return window;
    window.failure = wave->ReadSamples(int32_t(start), int32_t(count), path,
                                       window.values.data() + lead * channelCount)
                         .failure;
    return window;
}
