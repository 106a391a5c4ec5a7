#include "player/LiveRepair.h"

#include <algorithm>

bool LiveRepair::Open(const QString &path, int32_t startFrame, const Thresholds &thresholds) {
    in_ = FileHandle::OpenRead(path);
    if (!in_.isOpen() || !wave_.ReadWaveHeader(in_) || wave_.channelCount != kEngineChannels)
        return false;
    thresholds_ = thresholds;
    const int32_t startBlock = int32_t(int64_t{startFrame} * kEngineChannels / kBlockValues);
    blockStart_ = std::max(0, startBlock - 1) * kBlockValues;
    blockLength_ = 0;
    // Cleaning goes on from the block after the current one.
    blockStart_ -= kBlockValues;
    do {
        if (!CleanNext())
            return false;
    } while (blockStart_ + blockLength_ <= int64_t{startFrame} * kEngineChannels);
    return true;
}

bool LiveRepair::CleanNext() {
    const int32_t next = blockStart_ + (blockLength_ > 0 ? blockLength_ : kBlockValues);
    if (next >= wave_.sampleCount)
        return false;
    clickIndices_.clear();
    const int32_t n = blocks_.Clean(in_, wave_, next, thresholds_, clickCounter_, this);
    if (n <= 0)
        return false;
    blockStart_ = next;
    blockLength_ = n;
    return true;
}

void LiveRepair::AddClickRecord(int32_t, int32_t index, int32_t, int32_t) {
    clickIndices_.push_back(index);
}

int32_t LiveRepair::Take(int32_t frame, int32_t frames, int16_t *dest, int32_t &clicks) {
    int32_t done = 0;
    while (done < frames) {
        const int32_t first = (frame + done) * kEngineChannels;
        const int32_t blockEnd = blockStart_ + blockLength_;
        if (first + kEngineChannels > blockEnd) {
            if (first < blockEnd || !CleanNext())
                break; // the data ends (a part frame at most), or the file cannot be read
            continue;
        }
        const int32_t count =
            std::min((frames - done) * kEngineChannels, (blockEnd - first) / kEngineChannels *
                                                            kEngineChannels);
        const int32_t *values = blocks_.values() + (first - blockStart_);
        // The low 16 bits are the sample, as the pass writes it.
        std::transform(values, values + count, dest + done * kEngineChannels,
                       [](int32_t v) { return int16_t(v); });
        clicks += int32_t(std::lower_bound(clickIndices_.begin(), clickIndices_.end(),
                                           first + count) -
                          std::lower_bound(clickIndices_.begin(), clickIndices_.end(), first));
        done += count / kEngineChannels;
    }
    return done;
}
