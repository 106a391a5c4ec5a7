#pragma once
// Repair of a short stretch of audio in memory, for the wave window's preview:
// the stretch is heard on its own, as the removal pass would repair it, with
// its edges faded towards silence so it starts and ends without a jump.

#include "engine/ClickEngine.h"

#include <array>
#include <cstdint>

// Divisors of the fade groups; a group's values are scaled by 10 / divisor.
// The last one, 10, is the end of the fade and scales nothing.
inline constexpr std::array<int32_t, 18> FadeDivisorTable{
    5000, 2500, 1000, 500, 250, 180, 130, 100, 80, 60, 50, 40, 30, 24, 20, 16, 12, 10};
// Values (both channels) per fade group.
inline constexpr int32_t kFadeGroupValues = 80;

// Scales the first 17 groups of values up from near silence. Groups reaching
// past count are cut there.
void FadeIn(int32_t *values, int32_t count);
// Scales the last 18 groups of values down to near silence. The groups stay
// anchored to the end; in a block shorter than 18 groups what would fall
// before values[0] is skipped.
void FadeOut(int32_t *values, int32_t count);

// Repairs frames stereo frames of block in place, as the removal pass would
// with thresholds, but as a stretch of its own: zero history and look-ahead,
// both edges faded (fade-in first where they overlap), the last frame serving
// only as look-ahead. Reports no click to anyone; returns how many it counted.
int32_t RepairPreviewBlock(int16_t *block, int32_t frames, const Thresholds &thresholds);
