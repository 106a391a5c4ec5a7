#include "engine/Thresholds.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int32_t, 20> kLevelThresholdTable{10000, 8975, 8006, 7091, 6233, 5429, 4861,
                                                       3889,  3000, 2770, 2244, 1773, 1357, 997,
                                                       693,   443,  200,  111,  28,   0};

// One threshold per level track position.
static_assert(kLevelThresholdTable.size() == size_t(kLevelTrackRange.max) + 1);

// Callers may pass any numbers, so every index is clamped before use.
int32_t LevelIndex(int32_t trackValue) {
    return kLevelTrackRange.Clamp(trackValue);
}
int32_t TimeIndex(int32_t trackValue) {
    return kTimeTrackRange.Clamp(trackValue);
}
size_t PresetIndex(int32_t preset) {
    return static_cast<size_t>(kPresetRange.Clamp(preset));
}

Thresholds FromTrackValues(int32_t levelTrackValue, int32_t timeTrackValue) {
    Thresholds th;
    th.levelThreshold = LevelThresholdFor(levelTrackValue);
    th.levelFactor = LevelFactorFor(levelTrackValue);
    th.clickSpan = ClickSpanFor(timeTrackValue);
    return th;
}

} // namespace

int32_t LevelThresholdFor(int32_t levelTrackValue) {
    return kLevelThresholdTable[static_cast<size_t>(LevelIndex(levelTrackValue))];
}

int32_t LevelFactorFor(int32_t levelTrackValue) {
    const int32_t p = LevelIndex(levelTrackValue);
    if (p <= 8)
        return 50;
    return p <= 14 ? 35 : 25;
}

int32_t ClickSpanFor(int32_t timeTrackValue) {
    return TimeIndex(timeTrackValue) + 2;
}

Thresholds SetDetectThresholds(const Settings &settings) {
    return FromTrackValues(settings.rdCLV[PresetIndex(settings.rdCL)],
                           settings.rdCTV[PresetIndex(settings.rdCT)]);
}

Thresholds SetRemoveThresholds(const Settings &settings) {
    return FromTrackValues(settings.rdWLV[PresetIndex(settings.rdWL)],
                           settings.rdWTV[PresetIndex(settings.rdWT)]);
}
