// The preview's repair of a stretch of audio in memory: its fades and how its
// repairs compare with the removal pass's.

#include "engine/RepairPreviewBlock.h"
#include "engine/Thresholds.h"
#include "support/TestWav.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A level threshold no step of these signals reaches: the engine leaves them alone.
const Thresholds kNothingTriggers{10000, 50, 2};

// Left value left, right value -left in every frame.
std::vector<int16_t> Constant(int32_t frames, int16_t left) {
    std::vector<int16_t> v;
    for (int32_t f = 0; f < frames; ++f) {
        v.push_back(left);
        v.push_back(int16_t(-left));
    }
    return v;
}

TEST(RepairPreviewBlock, SilenceStaysSilence) {
    // A level threshold of 0 is the engine's most eager setting.
    for (int32_t frames : {1, 500, 720, 44100}) {
        auto block = Constant(frames, 0);
        EXPECT_EQ(RepairPreviewBlock(block.data(), frames, {0, 25, 17}), 0);
        EXPECT_EQ(block, Constant(frames, 0)) << frames;
    }
}

TEST(RepairPreviewBlock, EdgesFadeByTheTableTruncatingTowardZero) {
    const int32_t frames = 4000, count = 2 * frames;
    auto block = Constant(frames, 12345);
    RepairPreviewBlock(block.data(), frames, kNothingTriggers);
    // Fade-in: the first group divided by 500, the 17th multiplied by 10/12,
    // then the signal as it was.
    EXPECT_EQ(block[0], 24);
    EXPECT_EQ(block[1], -24); // toward zero, not -25
    EXPECT_EQ(block[1358], 10287);
    EXPECT_EQ(block[1359], -10287);
    EXPECT_EQ(block[1360], 12345);
    // Fade-out: the first of its 18 groups is unchanged, the second is
    // multiplied by 10/12, the last divided by 500.
    EXPECT_EQ(block[count - 1441], -12345);
    EXPECT_EQ(block[count - 1440], 12345);
    EXPECT_EQ(block[count - 1361], -12345);
    EXPECT_EQ(block[count - 1360], 10287);
    EXPECT_EQ(block[count - 2], 24);
    EXPECT_EQ(block[count - 1], -24);
}

TEST(RepairPreviewBlock, AShortBlockKeepsItsFadeOutAtTheEndAndFadesInFirst) {
    // 1080 values: the fade-out begins 360 values before the block, so the
    // first value is in its fifth group (10/24) and in the fade-in's first
    // (10/5000); the last value in the fade-in's 14th (10/24) and the
    // fade-out's last (10/5000). Fading in first gives 0 at the start and 1 at
    // the end; the other order would give 1 and 0.
    const int32_t frames = 540;
    auto block = Constant(frames, 1205);
    RepairPreviewBlock(block.data(), frames, kNothingTriggers);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[2 * frames - 2], 1);
    EXPECT_EQ(block[2 * frames - 1], -1);
}

TEST(RepairPreviewBlock, AClickInTheMiddleIsRepairedAsTheRemovalPassRepairsIt) {
    const int32_t frames = 8000, count = 2 * frames, click = 2 * 4000;
    auto input = testwav::TwoTones(frames);
    input[click] = int16_t(input[click] + 15000); // a one-frame spike in the left channel
    const Thresholds removal = SetRemoveThresholds(Settings::Defaults());

    // The removal pass over a file holding just this block: zero history,
    // zero look-ahead, the same 100 values before the click and 80 after it.
    std::vector<int32_t> work(size_t(count + kHistoryValues + kLookAheadValues), 0);
    std::copy(input.begin(), input.end(), work.begin() + kHistoryValues);
    int32_t counter = 0;
    ASSERT_EQ(CleanBlock(work.data(), count, 0, removal, counter, nullptr), 1);

    auto preview = input;
    // The steps between fade groups count as well at this low level threshold.
    EXPECT_GE(RepairPreviewBlock(preview.data(), frames, removal), 1);
    EXPECT_NE(preview[click], input[click]);
    // Away from the fades the two agree value for value.
    for (int32_t i = 1440; i < count - 1440; ++i)
        ASSERT_EQ(preview[size_t(i)], work[size_t(kHistoryValues + i)]) << "value " << i;
}

} // namespace
