// CleanBlock throughput, in values per second, on full 131,072-value blocks:
// a music-like signal and a click-dense one, each through the production
// engine and the plain reference engine, with the default detection and
// removal thresholds.

#include "support/ReferenceEngine.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr int32_t kBlock = 131072;

// Five tones a few octaves apart, slowly swelling, plus noise around -60 dBFS:
// peaks near -4 dBFS, differences of a few hundred per frame.
std::vector<int32_t> MusicLike(uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 30.0);
    const double tones[][2] = {
        {110.0, 6000}, {220.0, 5000}, {329.6, 4000}, {440.0, 3000}, {1760.0, 1200}};
    std::vector<int32_t> out(kBlock + kLookAheadValues + kHistoryValues);
    for (size_t j = kHistoryValues; j < out.size(); ++j) {
        const double t = static_cast<double>(j / 2) / 44100.0;
        const double phase = (j % 2) ? 0.3 : 0.0; // the channels differ a little
        double v = 0.0;
        for (const auto &tone : tones)
            v += tone[1] * std::sin(2.0 * std::numbers::pi * tone[0] * t + phase);
        v *= 0.75 + 0.25 * std::sin(2.0 * std::numbers::pi * 0.5 * t);
        out[j] = std::clamp(static_cast<int32_t>(std::lround(v + noise(rng))), -32768, 32767);
    }
    return out;
}

// The music-like signal with a short burst or a step in each channel about
// every 150 frames: far more clicks than any real recording.
std::vector<int32_t> ClickDense(uint32_t seed) {
    std::vector<int32_t> out = MusicLike(seed);
    std::mt19937 rng(seed + 1);
    std::uniform_int_distribution<int32_t> gap(100, 400), size(4000, 20000), kind(0, 3);
    for (size_t j = kHistoryValues + static_cast<size_t>(gap(rng)); j + 8 < out.size();
         j += static_cast<size_t>(gap(rng))) {
        const int32_t s = size(rng);
        if (kind(rng) == 0) {
            for (size_t k = j; k < out.size(); k += 2)
                out[k] = std::clamp(out[k] + s / 4, -32768, 32767); // a step
        } else {
            out[j] = std::clamp(out[j] + s, -32768, 32767);
            out[j + 2] = std::clamp(out[j + 2] - s / 2, -32768, 32767);
        }
    }
    return out;
}

using Engine = int32_t (*)(int32_t *, int32_t, int32_t, const Thresholds &, int32_t &,
                           ClickReporter *);

void Run(benchmark::State &state, Engine engine, const std::vector<int32_t> &signal,
         Thresholds th) {
    std::vector<int32_t> work(signal.size());
    int64_t clicks = 0;
    for (auto _ : state) {
        state.PauseTiming(); // the engine repairs in place: every pass starts afresh
        std::copy(signal.begin(), signal.end(), work.begin());
        state.ResumeTiming();
        int32_t counter = 0;
        clicks = engine(work.data(), kBlock, 0, th, counter, nullptr);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.counters["clicks"] = static_cast<double>(clicks);
}

// The production engine with one version of its scan, where the processor has it.
void RunScan(benchmark::State &state, ScanInstructions set, const std::vector<int32_t> &signal,
             Thresholds th) {
    if (!UseScanInstructions(set)) {
        state.SkipWithError("the processor cannot run this version");
        return;
    }
    Run(state, ::CleanBlock, signal, th);
    UseScanInstructions(BestScanInstructions());
}

const std::vector<int32_t> &Music() {
    static const auto signal = MusicLike(1);
    return signal;
}
const std::vector<int32_t> &Dense() {
    static const auto signal = ClickDense(1);
    return signal;
}

constexpr Thresholds kDetection{3000, 50, 2};
constexpr Thresholds kRemoval{200, 25, 2};
constexpr Thresholds kMostSensitive{0, 25, 17};

// clang-format off
BENCHMARK_CAPTURE(Run, fast_music_detection, ::CleanBlock, Music(), kDetection);
BENCHMARK_CAPTURE(Run, reference_music_detection, reference::CleanBlock, Music(), kDetection);
BENCHMARK_CAPTURE(Run, fast_music_removal, ::CleanBlock, Music(), kRemoval);
BENCHMARK_CAPTURE(Run, reference_music_removal, reference::CleanBlock, Music(), kRemoval);
BENCHMARK_CAPTURE(Run, fast_music_most_sensitive, ::CleanBlock, Music(), kMostSensitive);
BENCHMARK_CAPTURE(Run, reference_music_most_sensitive, reference::CleanBlock, Music(), kMostSensitive);
BENCHMARK_CAPTURE(Run, fast_dense_detection, ::CleanBlock, Dense(), kDetection);
BENCHMARK_CAPTURE(Run, reference_dense_detection, reference::CleanBlock, Dense(), kDetection);
BENCHMARK_CAPTURE(Run, fast_dense_removal, ::CleanBlock, Dense(), kRemoval);
BENCHMARK_CAPTURE(Run, reference_dense_removal, reference::CleanBlock, Dense(), kRemoval);
BENCHMARK_CAPTURE(RunScan, avx2_music_detection, ScanInstructions::Avx2, Music(), kDetection);
BENCHMARK_CAPTURE(RunScan, plain_music_detection, ScanInstructions::Plain, Music(), kDetection);
BENCHMARK_CAPTURE(RunScan, avx2_dense_detection, ScanInstructions::Avx2, Dense(), kDetection);
BENCHMARK_CAPTURE(RunScan, plain_dense_detection, ScanInstructions::Plain, Dense(), kDetection);
// clang-format on

} // namespace

BENCHMARK_MAIN();
