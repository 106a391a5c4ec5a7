#include "engine/RepairPreviewBlock.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kFadeInGroups = 17;
constexpr int32_t kFadeOutGroups = 18;

// Scales values[first, first + kFadeGroupValues) by 10 / divisor, cut to [0, count).
void ScaleGroup(int32_t *values, int32_t count, int32_t first, int32_t divisor) {
    const int32_t begin = std::max(first, 0);
    const int32_t end = std::min(first + kFadeGroupValues, count);
    for (int32_t i = begin; i < end; ++i)
        values[i] = 10 * values[i] / divisor;
}

} // namespace

void FadeIn(int32_t *values, int32_t count) {
    for (int32_t g = 0; g < kFadeInGroups; ++g)
        ScaleGroup(values, count, g * kFadeGroupValues, FadeDivisorTable[size_t(g)]);
}

void FadeOut(int32_t *values, int32_t count) {
    const int32_t start = count - kFadeOutGroups * kFadeGroupValues;
    for (int32_t g = 0; g < kFadeOutGroups; ++g)
        ScaleGroup(values, count, start + g * kFadeGroupValues,
                   FadeDivisorTable[size_t(kFadeOutGroups - 1 - g)]);
}

int32_t RepairPreviewBlock(int16_t *block, int32_t frames, const Thresholds &thresholds) {
    if (frames <= 0)
        return 0;
    const int32_t count = frames * kEngineChannels;
    std::vector<int32_t> work(size_t(kHistoryValues + count + kLookAheadValues), 0);
    int32_t *values = work.data() + kHistoryValues;
    std::copy(block, block + count, values);
    FadeIn(values, count);
    FadeOut(values, count);
    int32_t clicks = 0;
    CleanBlock(work.data(), count - kEngineChannels, 0, thresholds, clicks, nullptr);
    // Repairs stay within the range of the values around them, so the low 16
    // bits are the whole value.
    std::transform(values, values + count, block, [](int32_t v) { return int16_t(v); });
    return clicks;
}
