// The sensitivities in force and the thresholds they give.

#include "engine/Thresholds.h"

#include <gtest/gtest.h>

namespace {

struct Sensitivity {
    int32_t preset;
    std::array<int32_t, 3> values; // remembered track values of presets 1..3
};

void Put(int32_t &preset, std::array<int32_t, 4> &remembered, const Sensitivity &s) {
    preset = s.preset;
    remembered = {0, s.values[0], s.values[1], s.values[2]};
}

struct ThresholdCase {
    const char *name;
    Sensitivity level;
    Sensitivity time;
    Thresholds expected;
};

void ExpectThresholds(const Thresholds &got, const Thresholds &want) {
    EXPECT_EQ(got.levelThreshold, want.levelThreshold);
    EXPECT_EQ(got.levelFactor, want.levelFactor);
    EXPECT_EQ(got.clickSpan, want.clickSpan);
}

const ThresholdCase kCases[] = {
    {"DetectionDefaults", {1, {8, 13, 16}}, {1, {0, 5, 10}}, {3000, 50, 2}},
    {"RemovalDefaults", {3, {8, 13, 16}}, {1, {0, 5, 10}}, {200, 25, 2}},
    {"MidPreset", {2, {3, 10, 17}}, {2, {0, 5, 10}}, {2244, 35, 7}},
    {"LevelZero", {1, {0, 0, 0}}, {3, {0, 5, 15}}, {10000, 50, 17}},
    {"LevelNineteen", {1, {19, 0, 0}}, {1, {0, 0, 0}}, {0, 25, 2}},
    {"FactorEight", {1, {8, 9, 14}}, {1, {1, 0, 0}}, {3000, 50, 3}},
    {"FactorNine", {2, {8, 9, 14}}, {1, {1, 0, 0}}, {2770, 35, 3}},
    {"FactorFourteen", {3, {8, 9, 14}}, {1, {1, 0, 0}}, {693, 35, 3}},
    {"FactorBoundaryFifteen", {1, {15, 9, 14}}, {1, {1, 0, 0}}, {443, 25, 3}},
    // Stored values are loaded unchecked; they must not index past the tables.
    {"TrackValuesClamped", {1, {25, 0, 0}}, {1, {-4, 0, 0}}, {0, 25, 2}},
    {"PresetClamped", {7, {1, 2, 16}}, {0, {3, 5, 10}}, {200, 25, 5}},
};

TEST(ThresholdsTest, DetectionUsesDetectionSettingsOnly) {
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.name);
        Settings settings;
        Put(settings.rdCL, settings.rdCLV, c.level);
        Put(settings.rdCT, settings.rdCTV, c.time);
        // Removal settings that would give other numbers.
        Put(settings.rdWL, settings.rdWLV, {1, {5, 5, 5}});
        Put(settings.rdWT, settings.rdWTV, {1, {9, 9, 9}});
        ExpectThresholds(SetDetectThresholds(settings), c.expected);
    }
}

TEST(ThresholdsTest, RemovalUsesRemovalSettingsOnly) {
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.name);
        Settings settings;
        Put(settings.rdWL, settings.rdWLV, c.level);
        Put(settings.rdWT, settings.rdWTV, c.time);
        Put(settings.rdCL, settings.rdCLV, {1, {5, 5, 5}});
        Put(settings.rdCT, settings.rdCTV, {1, {9, 9, 9}});
        ExpectThresholds(SetRemoveThresholds(settings), c.expected);
    }
}

TEST(ThresholdsTest, RemovalFactorFollowsRemovalTrackValue) {
    Settings settings;
    Put(settings.rdCL, settings.rdCLV, {1, {0, 0, 0}});
    Put(settings.rdWL, settings.rdWLV, {1, {18, 10, 10}});
    Put(settings.rdWT, settings.rdWTV, {1, {0, 0, 0}});
    ExpectThresholds(SetRemoveThresholds(settings), {28, 25, 2});
}

TEST(ThresholdsTest, LevelTableIsDescendingAndSpanCoversEveryTimeValue) {
    for (int32_t p = 1; p <= 19; ++p)
        EXPECT_LT(LevelThresholdFor(p), LevelThresholdFor(p - 1)) << p;
    for (int32_t q = 0; q <= 15; ++q)
        EXPECT_EQ(ClickSpanFor(q), q + 2);
}

} // namespace
