// The production scan against the plain one-value-at-a-time engine: every
// click, report, repaired value and history must be identical, for every
// version of the scan the processor can run.

#include "support/ClickRecorder.h"
#include "support/ReferenceEngine.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

// Quiet and loud passages, digital silence, tones, and many disturbances of
// every kind the engine knows (spikes, short bursts, steps, dips to zero), all
// inside the 16-bit range, independently per channel.
std::vector<int32_t> MakeSignal(size_t values, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<int32_t> out(values);
    auto pick = [&rng](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
    };
    for (size_t c = 0; c < 2; ++c) {
        int32_t level = 0, noise = 0, amplitude = 0, period = 50, burstLeft = 0, burstValue = 0;
        for (size_t frame = 0; frame * 2 + c < values; ++frame) {
            if (pick(0, 999) == 0) { // a new passage
                noise = std::array<int32_t, 5>{0, 0, 20, 300, 3000}[pick(0, 4)];
                amplitude = pick(0, 3) == 0 ? 0 : pick(0, 20000);
                period = pick(8, 400);
                level = pick(0, 3) == 0 ? 0 : pick(-5000, 5000);
            }
            const int32_t phase = static_cast<int32_t>(frame % static_cast<size_t>(period));
            int32_t v = level + amplitude * (2 * phase - period) / period +
                        (noise ? pick(-noise, noise) : 0);
            const int32_t event = pick(0, 199);
            if (event == 0) {
                v = pick(-32768, 32767); // spike
            } else if (event == 1) {
                burstLeft = pick(2, 6); // alternating burst
                burstValue = pick(2000, 20000);
            } else if (event == 2) {
                level = pick(-20000, 20000); // step
            } else if (event == 3) {
                v = 0; // dip to exactly zero
            }
            if (burstLeft > 0) {
                v += (burstLeft-- % 2 ? burstValue : -burstValue);
            }
            out[frame * 2 + c] = std::clamp(v, -32768, 32767);
        }
    }
    return out;
}

struct Outcome {
    std::vector<int32_t> work;
    std::vector<Report> reports;
    std::vector<int32_t> returned;
    int32_t counter = 0;
};

// Runs a file through one engine the way a pass does: blocks of count values,
// each with 80 values of look-ahead read afresh, zeros past the end.
template <typename Engine>
Outcome RunFile(Engine engine, const std::vector<int32_t> &file, int32_t count,
                const Thresholds &th) {
    Outcome out;
    out.work.assign(static_cast<size_t>(count + 180), 0);
    RecordingReporter rec;
    for (size_t pos = 0; pos < file.size(); pos += static_cast<size_t>(count)) {
        const size_t n = std::min(static_cast<size_t>(count), file.size() - pos);
        std::fill(out.work.begin() + 100, out.work.end(), 0);
        const size_t available = std::min(n + 80, file.size() - pos);
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(pos), available,
                    out.work.begin() + 100);
        out.returned.push_back(engine(out.work.data(), static_cast<int32_t>(n),
                                      static_cast<int32_t>(pos), th, out.counter, &rec));
        // The whole buffer, look-ahead included, must match after every block.
        out.reports.insert(out.reports.end(), rec.reports.begin(), rec.reports.end());
        rec.reports.clear();
        out.returned.insert(out.returned.end(), out.work.begin(), out.work.end());
    }
    return out;
}

void ExpectSameAsOracle(const std::vector<int32_t> &file, int32_t count, const Thresholds &th) {
    const Outcome want = RunFile(reference::CleanBlock, file, count, th);
    const Outcome got = RunFile(::CleanBlock, file, count, th);
    ASSERT_EQ(got.counter, want.counter);
    ASSERT_EQ(got.reports, want.reports);
    ASSERT_EQ(got.returned, want.returned);
}

const Thresholds kThresholds[] = {{0, 25, 17},   {28, 25, 5},   {200, 25, 2},
                                  {1357, 35, 9}, {3000, 50, 2}, {10000, 50, 17}};

std::string Describe(const Thresholds &th, int32_t count) {
    return "threshold " + std::to_string(th.levelThreshold) + " span " +
           std::to_string(th.clickSpan) + " count " + std::to_string(count);
}

// Each case runs once per version of the scan; versions the processor lacks are skipped.
class ClickEngineOracleTest : public testing::TestWithParam<ScanInstructions> {
protected:
    void SetUp() override {
        if (!UseScanInstructions(GetParam()))
            GTEST_SKIP() << "the processor cannot run this version";
    }
    void TearDown() override { UseScanInstructions(BestScanInstructions()); }
};

std::string ScanName(const testing::TestParamInfo<ScanInstructions> &info) {
    const std::array<const char *, 3> names{"Plain", "Avx2", "Avx512"};
    return names[static_cast<size_t>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Scans, ClickEngineOracleTest,
                         testing::Values(ScanInstructions::Plain, ScanInstructions::Avx2,
                                         ScanInstructions::Avx512),
                         ScanName);

TEST_P(ClickEngineOracleTest, EveryShortBlockLength) {
    for (int32_t count = 1; count <= 300; ++count) {
        const auto file = MakeSignal(static_cast<size_t>(3 * count + count / 2), 11u + count);
        for (const Thresholds &th : kThresholds) {
            SCOPED_TRACE(Describe(th, count));
            ExpectSameAsOracle(file, count, th);
        }
    }
}

TEST_P(ClickEngineOracleTest, FullBlocksWithHistoryCarried) {
    const auto file = MakeSignal(3 * 131072 + 5001, 3);
    for (const Thresholds &th : kThresholds) {
        SCOPED_TRACE(Describe(th, 131072));
        ExpectSameAsOracle(file, 131072, th);
    }
}

TEST_P(ClickEngineOracleTest, ValuesBeyondSixteenBits) {
    // A ramp may leave values past the 16-bit range in the buffer, and with
    // them differences the scan's 16-bit rows cannot hold: here whole
    // passages lie beyond it, between ordinary ones.
    auto file = MakeSignal(2 * 131072 + 777, 21);
    int32_t largest = 0;
    for (size_t k = 0; k < file.size(); ++k) {
        if ((k / 3000) % 3 == 1)
            file[k] *= 3;
        if (k >= 2)
            largest = std::max(largest, std::abs(file[k] - file[k - 2]));
    }
    ASSERT_GT(largest, 65535);
    for (int32_t count : {131072, 1000}) {
        for (const Thresholds &th : kThresholds) {
            SCOPED_TRACE(Describe(th, count));
            ExpectSameAsOracle(file, count, th);
        }
    }
}

TEST_P(ClickEngineOracleTest, BlockLengthsAroundThePassSize) {
    // Blocks a little shorter and longer than the scan's own step, odd ones too.
    const auto file = MakeSignal(40000, 5);
    for (int32_t count : {511, 512, 513, 1023, 1024, 1025, 4097, 8192}) {
        for (const Thresholds &th : kThresholds) {
            SCOPED_TRACE(Describe(th, count));
            ExpectSameAsOracle(file, count, th);
        }
    }
}

TEST_P(ClickEngineOracleTest, BurstsEndingNearTheReturnLimit) {
    // Noisy history and bursts that end at random distances from where they
    // started, early in a call where the ring still holds set-up differences:
    // the return test then depends on which slots are summed.
    std::mt19937 rng(17);
    auto pick = [&rng](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
    };
    const int32_t count = 240;
    for (int trial = 0; trial < 20000; ++trial) {
        std::vector<int32_t> file(static_cast<size_t>(count + 80));
        const int32_t noise = pick(300, 3000);
        for (int32_t &v : file)
            v = pick(-noise, noise);
        const auto at = static_cast<size_t>(pick(0, 120));
        const int32_t burst = pick(3000, 15000) * (pick(0, 1) ? 1 : -1);
        file[at] += burst;
        file[at + 2] -= burst * pick(5, 20) / 10;
        file[at + 4] += pick(-20000, 20000) / pick(1, 8);
        for (int32_t &v : file)
            v = std::clamp(v, -32768, 32767);
        const Thresholds th{std::array<int32_t, 3>{0, 28, 200}[static_cast<size_t>(pick(0, 2))], 25,
                            pick(3, 9)};
        auto want = file, got = file;
        want.insert(want.begin(), 100, 0);
        got.insert(got.begin(), 100, 0);
        // A noisy history, so the ring's first slots hold differences that matter.
        for (size_t k = 0; k < 100; ++k)
            want[k] = got[k] = pick(-noise, noise);
        int32_t wantCounter = 0, gotCounter = 0;
        RecordingReporter wantRec, gotRec;
        reference::CleanBlock(want.data(), count, 0, th, wantCounter, &wantRec);
        ::CleanBlock(got.data(), count, 0, th, gotCounter, &gotRec);
        ASSERT_EQ(gotRec.reports, wantRec.reports) << "trial " << trial;
        ASSERT_EQ(got, want) << "trial " << trial;
    }
}

TEST_P(ClickEngineOracleTest, SignalsFindClicks) {
    // Guards the comparison itself: the signals must exercise both repairs.
    const auto file = MakeSignal(131072, 3);
    const Outcome out = RunFile(::CleanBlock, file, 131072, {200, 25, 5});
    int32_t lines = 0, ramps = 0;
    for (const Report &r : out.reports)
        (r.width == 0 ? ramps : lines)++;
    EXPECT_GT(lines, 100);
    EXPECT_GT(ramps, 100);
}

} // namespace
