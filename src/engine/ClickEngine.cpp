#include "engine/ClickEngine.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

constexpr int32_t kCh = kEngineChannels;
constexpr int32_t kRingSlots = 100;
constexpr int32_t kMaxClickSpan = 17;
constexpr int32_t kRingStride = kRingSlots - kCh; // the cursor's period, in values

// Multipliers of stepSize for the return-to-baseline bound, indexed by search
// step + 1. Entries 16 and 17 serve the two widest click spans and repeat the
// last published multiplier.
constexpr std::array<int32_t, kMaxClickSpan + 1> kReturnFloorTable{0, 4, 5, 5, 6, 6, 6, 6, 7,
                                                                   8, 8, 8, 9, 9, 9, 9, 9, 9};

int32_t Abs(int32_t v) {
    return v < 0 ? -v : v;
}

// The sum ReturnLimit works from, for the candidate at j: the channel's slots
// below the last, each holding the difference written there last, or before
// its first write the one the set-up put there.
int32_t RingSumAt(const int32_t *work, int32_t j) {
    const int32_t phase = (j - kHistoryValues) % kRingStride;
    const int32_t lapStart = j - phase; // where the cursor stood at slot kCh
    int32_t sum = 0;
    for (int32_t slot = phase % kCh + kCh; slot < kRingSlots - kCh; slot += kCh) {
        int32_t written = lapStart + slot - kCh;
        if (written > j)
            written -= kRingStride; // not yet reached in this lap
        // A slot written at j' holds the difference ending at j' - kCh.
        const int32_t end = written >= kHistoryValues ? written - kCh : slot;
        sum += Abs(work[end - kCh] - work[end]);
    }
    return sum;
}

// The sum of the candidate's ring slots, computed only when a burst gets as far
// as the return test: most candidates never do.
class LazyRingSum {
public:
    LazyRingSum(const int32_t *work, int32_t j) : work_(work), j_(j) {}
    int32_t Get() {
        if (sum_ < 0)
            sum_ = RingSumAt(work_, j_);
        return sum_;
    }

private:
    const int32_t *work_;
    int32_t j_;
    int32_t sum_ = -1;
};

// Bound on how far the signal may stay from its pre-click value after a burst
// that ends at search step i.
int32_t ReturnLimit(LazyRingSum &ringSum, int32_t i, int32_t stepSize) {
    const int32_t mean = 2 * ringSum.Get() / (kRingSlots - kCh);
    return std::max(2 * mean * (i + 6), kReturnFloorTable[i + 1] * stepSize);
}

struct RepairResult {
    int32_t value = 0;     // the first value before the repair; 0 means not counted
    int32_t width = 0;     // frames replaced by a line, 0 for a ramp
    bool repaired = false; // the buffer was changed (also for an uncounted click)
};

// s(k) of the candidate at j: the same channel's value k frames later.
class Samples {
public:
    Samples(int32_t *work, int32_t j) : at_(work + j) {}
    int32_t &operator()(int32_t k) const { return at_[k * kCh]; }

private:
    int32_t *at_;
};

// Looks for the end of a short burst and, when found, replaces the burst by a
// straight line. Returns true when the burst was repaired.
bool RepairShortClick(Samples s, int32_t spreadFloor, int32_t stepSize, LazyRingSum &ringSum,
                      int32_t clickSpan, int32_t &width) {
    int32_t rising = 1;   // P: one away from zero, so the ratio below never divides by 0
    int32_t falling = -1; // Q
    int32_t signChanges = 0;
    int32_t prev = 1;
    for (int32_t i = 0; i < clickSpan; ++i) {
        const int32_t d = s(i) - s(i - 1);
        const int32_t e = s(i) - s(-1);
        if (d != 0) {
            if (d > 0)
                rising += d;
            else
                falling += d;
            if (i > 0 && (d > 0) != (prev > 0))
                ++signChanges;
            prev = d;
        }
        if (signChanges < 1)
            continue;
        if (signChanges > 3)
            return false; // sign changes only grow: no later step can pass
        const int32_t spread = 10 * (rising - falling);
        if (spread <= spreadFloor)
            continue; // the cheap tests first: most candidates end here
        const int32_t balance = Abs(1000 * rising / falling);
        if (balance > 500 && balance < 2000 && Abs(e) < ReturnLimit(ringSum, i, stepSize)) {
            const int32_t step = (s(i) - s(-1)) / (i + 1);
            for (int32_t k = 0; k < i; ++k)
                s(k) = s(k - 1) + step;
            width = i;
            return true;
        }
    }
    return false;
}

int32_t NonZero(int32_t v) {
    return v == 0 ? 1 : v;
}

// A single jump far larger than its neighbours is ramped from the value before
// it, stepSize per frame, until the ramp meets the signal. Returns true when
// the candidate was a step (and has been ramped).
bool RepairStep(Samples s, int32_t spreadFloor, int32_t stepSize) {
    const int32_t jump = 100 * (s(0) - s(-1));
    const int32_t after1 = NonZero(10 * (s(1) - s(0)));
    const int32_t after2 = NonZero(s(2) - s(1));
    const int32_t before = NonZero(s(-1) - s(-2));
    // The test without a division first: it rejects almost every candidate.
    if (!(Abs(jump) > 10 * spreadFloor && Abs(jump / after1) > 50 && Abs(jump / after2) > 500 &&
          Abs(jump / before) > 500))
        return false;
    const int32_t length = std::min(Abs(jump / (50 * stepSize)), 80);
    for (int32_t k = 0; k * kCh < length; ++k) {
        if (jump > 0) {
            s(k) = s(k - 1) + stepSize;
            if (s(k + 1) - s(k) < stepSize)
                break;
        } else {
            s(k) = s(k - 1) - stepSize;
            if (s(k) - s(k + 1) < stepSize)
                break;
        }
    }
    return true;
}

// Tests the candidate at buffer index j against its channel's window maximum
// runMax and repairs it. A value of 0 in the result means nothing is counted,
// though a click whose first value was 0 has still been repaired.
RepairResult RepairClick(int32_t *work, int32_t j, int32_t runMax, const Thresholds &th) {
    int32_t stepSize = th.levelThreshold;
    int32_t spreadFloor = 10 * th.levelThreshold;
    if (10 * th.levelThreshold < th.levelFactor * runMax) {
        stepSize = runMax;
        spreadFloor = th.levelFactor * runMax;
    }
    // Only with levelThreshold 0 after digital silence: no ramp length exists,
    // and no short click can pass either, since its return limit is then 0.
    if (stepSize == 0)
        return {};
    const Samples s(work, j);
    RepairResult result;
    result.value = s(0);
    LazyRingSum ringSum(work, j);
    result.repaired =
        RepairShortClick(s, spreadFloor, stepSize, ringSum, th.clickSpan, result.width) ||
        RepairStep(s, spreadFloor, stepSize);
    return result.repaired ? result : RepairResult{};
}

// Keeps every threshold inside the range the tables produce, so a damaged
// caller cannot make the engine read past the look-ahead or the floor table.
Thresholds Sanitized(const Thresholds &th) {
    Thresholds out;
    out.levelThreshold = std::clamp(th.levelThreshold, 0, 10000);
    out.levelFactor = std::clamp(th.levelFactor, 0, 50);
    out.clickSpan = std::clamp(th.clickSpan, 2, kMaxClickSpan);
    return out;
}

// The scan.
//
// The window of the value at buffer index j is its channel's part of a ring of
// differences that is rebuilt from the history at every call and whose cursor
// moves with j. Its contents at j are therefore fixed by j alone, with
// a(k) = |work[k - 2] - work[k]|:
//  - the window maximum is the largest a(j - 2t) for t = 1..49, or for t = 1..48
//    during a call's first 48 frames, while the slot the cursor started on still
//    repeats the history's last difference;
//  - ReturnLimit sums the channel's slots by place, leaving out the channel's
//    last slot whatever the age of the difference it holds.
// Values before j are final when j is examined (a repair changes only j and
// later values of its channel), so the scan computes both from the buffer, many
// positions at a time, instead of stepping a ring value by value.

constexpr int32_t kFirstFullWindow = kHistoryValues + 48 * kCh; // from here 49 differences
constexpr int32_t kWindowReach = 49 * kCh; // from j back to the end of its oldest difference

// Positions examined per pass. A pass is computed before any of its candidates
// is repaired, and a repair makes the rest of it stale, so after a repair the
// passes start small and double while they stay clean.
constexpr int32_t kMinPass = 128;
constexpr int32_t kMaxPass = 1024;
constexpr int32_t kReachRounded = 112; // kWindowReach rounded up to a multiple of 16
constexpr int32_t kLead = 32;          // zeros before each array, read by the widest step
constexpr int32_t kSpan = kMaxPass + kReachRounded;
constexpr int32_t kPaddedReach = 160; // values a pass may read past its positions, rounded up

// Differences and window maxima of one pass, both channels at once: every step
// is a multiple of kCh, so each value only meets values of its own channel.
// Index k of a row stands for buffer index j0 - kWindowReach + k.
template <typename T>
struct Rows {
    using Row = std::array<T, kLead + kSpan>;
    alignas(64) Row diff{}; // a(k)
    alignas(64) Row low{};  // running maxima of 2, then 8 differences
    alignas(64) Row mid{};  // of 4 differences
    alignas(64) Row w16{};  // largest of a(k), a(k - 2), ..., a(k - 30)
};

// Samples read from a file differ by at most 65535, so a pass is normally
// worked in 16-bit rows, twice as many lanes per instruction; only a pass that
// meets a ramp repaired past the 16-bit range is worked in 32-bit rows.
struct Pass {
    Rows<uint16_t> narrow;
    Rows<int32_t> wide;
    // Read 64 entries at a time; entries past the pass's positions are ignored.
    alignas(64) std::array<uint8_t, kMaxPass> trigger{};
    // Each position's window maximum, for its candidate's tests: in the
    // narrow or the wide array, as the pass was worked.
    bool wideWindows = false;
    alignas(64) std::array<uint16_t, kMaxPass> narrowWindow{};
    alignas(64) std::array<int32_t, kMaxPass> wideWindow{};
    // A short last pass's values, with room for the reads of a full one.
    alignas(64) std::array<int32_t, kMaxPass + kPaddedReach> padded{};
};

template <typename T>
T Max(T a, T b) {
    return a > b ? a : b;
}

// Whether a jump exceeds levelThreshold plus the window maximum. In 16 bits
// the sum could overflow, so the threshold comes off the jump instead, never
// below zero: the same answer for every jump and maximum up to 65535.
[[gnu::always_inline]] inline bool Exceeds(int32_t jump, int32_t levelThreshold,
                                           int32_t windowMax) {
    return jump > levelThreshold + windowMax;
}
[[gnu::always_inline]] inline bool Exceeds(uint16_t jump, uint16_t levelThreshold,
                                           uint16_t windowMax) {
    return static_cast<uint16_t>(Max(jump, levelThreshold) - levelThreshold) > windowMax;
}

// The loops below index the pass's rows through one Rows object, so the
// compiler sees that they never overlap and vectorizes them without checks.
// Row index kLead + k stands for difference k.
template <int32_t span, int32_t back, typename Row>
[[gnu::always_inline]] inline void MaxWithEarlier(const Row &in, Row &out) {
    for (int32_t k = kLead; k < kLead + span; ++k)
        out[static_cast<size_t>(k)] =
            Max(in[static_cast<size_t>(k)], in[static_cast<size_t>(k - back)]);
}

// The differences of a pass in 16 bits; false when one does not fit.
template <int32_t span>
[[gnu::always_inline]] inline bool NarrowDifferences(const int32_t *__restrict src,
                                                     uint16_t *__restrict diff) {
    uint32_t largest = 0;
    for (size_t k = 0; k < span; ++k) {
        const auto d = static_cast<uint32_t>(Abs(src[k + kCh] - src[k]));
        largest = Max(largest, d);
        diff[k] = static_cast<uint16_t>(d);
    }
    return largest <= 0xFFFF;
}

template <int32_t span>
[[gnu::always_inline]] inline void WideDifferences(const int32_t *__restrict src,
                                                   int32_t *__restrict diff) {
    for (size_t k = 0; k < span; ++k)
        diff[k] = Abs(src[k + kCh] - src[k]);
}

// The window maxima from the differences, and the trigger of each position.
template <int32_t positions, typename T>
[[gnu::always_inline]] inline void MarkCandidates(Rows<T> &rows, int32_t j0, T levelThreshold,
                                                  std::array<uint8_t, kMaxPass> &trigger,
                                                  std::array<T, kMaxPass> &windows) {
    constexpr int32_t span = positions + kReachRounded;
    constexpr auto lead = static_cast<size_t>(kLead);
    MaxWithEarlier<span, 2>(rows.diff, rows.low);
    MaxWithEarlier<span, 4>(rows.low, rows.mid);
    MaxWithEarlier<span, 8>(rows.mid, rows.low);
    MaxWithEarlier<span, 16>(rows.low, rows.w16);
    // Three rows of 16 differences and one more make the window of 49: one
    // load more per position instead of a 32-difference row over the span.
    // Window of j = j0 + p: a(j - 2..j - 64), a(j - 66..j - 96) and a(j - 98).
    for (size_t p = 0; p < positions; ++p) {
        const T windowMax =
            Max(Max(Max(rows.w16[lead + p + 96], rows.w16[lead + p + 64]), rows.w16[lead + p + 32]),
                rows.diff[lead + p]);
        windows[p] = windowMax;
        trigger[p] = Exceeds(rows.diff[lead + p + kWindowReach], levelThreshold, windowMax);
    }
    // A call's first 48 frames have one difference fewer in their window.
    for (size_t p = 0; static_cast<int32_t>(p) < kFirstFullWindow - j0 && p < positions; ++p) {
        const T windowMax = Max(Max(rows.w16[lead + p + 96], rows.w16[lead + p + 64]),
                                rows.w16[lead + p + 32]);
        windows[p] = windowMax;
        trigger[p] = Exceeds(rows.diff[lead + p + kWindowReach], levelThreshold, windowMax);
    }
}

// Marks the positions j0 + p, p < positions, whose jump exceeds levelThreshold
// plus the window maximum. src points at buffer index j0 - kWindowReach - kCh
// and holds positions + kReachRounded + kCh values. Inlined into one copy per
// pass size and instruction set.
template <int32_t positions>
[[gnu::always_inline]] inline void FindCandidatesBody(const int32_t *__restrict src, int32_t j0,
                                                      int32_t levelThreshold, Pass &pass) {
    constexpr int32_t span = positions + kReachRounded;
    if (NarrowDifferences<span>(src, pass.narrow.diff.data() + kLead)) {
        pass.wideWindows = false;
        MarkCandidates<positions>(pass.narrow, j0, static_cast<uint16_t>(levelThreshold),
                                  pass.trigger, pass.narrowWindow);
        return;
    }
    pass.wideWindows = true;
    WideDifferences<span>(src, pass.wide.diff.data() + kLead);
    MarkCandidates<positions>(pass.wide, j0, levelThreshold, pass.trigger, pass.wideWindow);
}

using FindCandidatesFn = void (*)(const int32_t *, int32_t, int32_t, Pass &);

// One entry per pass size: kMinPass, 2 kMinPass, ... kMaxPass.
constexpr int32_t kPassSizes = 4;
static_assert(kMinPass << (kPassSizes - 1) == kMaxPass);
using FindCandidatesTable = std::array<FindCandidatesFn, kPassSizes>;

template <int32_t positions>
void FindCandidatesPlain(const int32_t *__restrict src, int32_t j0, int32_t levelThreshold,
                         Pass &pass) {
    FindCandidatesBody<positions>(src, j0, levelThreshold, pass);
}
constexpr FindCandidatesTable kPlainScan{
    FindCandidatesPlain<kMinPass>, FindCandidatesPlain<2 * kMinPass>,
    FindCandidatesPlain<4 * kMinPass>, FindCandidatesPlain<kMaxPass>};

#if defined(__x86_64__) && defined(__GNUC__)
// The same loops with wider lanes and a single-instruction maximum: the scan's
// cost is almost all here, and the baseline instruction set has neither.
template <int32_t positions>
[[gnu::target("avx2")]] void FindCandidatesAvx2(const int32_t *__restrict src, int32_t j0,
                                                int32_t levelThreshold, Pass &pass) {
    FindCandidatesBody<positions>(src, j0, levelThreshold, pass);
}

// GCC 12's headers start these intrinsics from an undefined vector and then
// warn that it may be used uninitialized (GCC bug 105593); it never is.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Sixteen 32-bit or 32 16-bit lanes where the processor has them, and the
// rows never stored: each 32 differences, and their 2-, 4-, 8- and
// 16-difference maxima, come from the 32 before them in registers, and the
// triggers of the 32 positions four vectors back are marked at once. Vector v
// holds differences 32v to 32v + 31; a 2-difference step back is one 32-bit
// lane of the previous vector.
template <int32_t positions>
[[gnu::target("avx512f,avx512bw,avx512vl")]] void
FindCandidatesAvx512(const int32_t *__restrict src, int32_t j0, int32_t levelThreshold,
                     Pass &pass) {
    // A call's first pass, with its shorter windows, takes the rows.
    if (j0 < kFirstFullWindow) {
        FindCandidatesBody<positions>(src, j0, levelThreshold, pass);
        return;
    }
    constexpr int32_t kLanes = 32;
    constexpr int32_t vectors = positions / kLanes;
    static_assert(positions % kLanes == 0 && (vectors + 4) * kLanes + kCh <= kMaxPass + kPaddedReach);
    const __m512i zero = _mm512_setzero_si512();
    const __m512i threshold = _mm512_set1_epi16(static_cast<int16_t>(levelThreshold));
    __m512i largest = zero;
    pass.wideWindows = false;
    // Vectors before the first are zero, as the rows' lead is.
    __m512i d1 = zero, d2 = zero, d3 = zero, d4 = zero; // differences of v - 1 .. v - 4
    __m512i l2 = zero, m4 = zero, l8 = zero;            // the rows of v - 1
    __m512i w1 = zero, w2 = zero, w3 = zero;            // w16 of v - 1 .. v - 3
    for (int32_t v = 0; v < vectors + 4; ++v) {
        const int32_t *at = src + v * kLanes;
        const __m512i lo = _mm512_abs_epi32(
            _mm512_sub_epi32(_mm512_loadu_si512(at + kCh), _mm512_loadu_si512(at)));
        const __m512i hi = _mm512_abs_epi32(_mm512_sub_epi32(
            _mm512_loadu_si512(at + 16 + kCh), _mm512_loadu_si512(at + 16)));
        largest = _mm512_max_epu32(largest, _mm512_max_epu32(lo, hi));
        const __m512i d = _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvtepi32_epi16(lo)),
                                             _mm512_cvtepi32_epi16(hi), 1);
        const __m512i l2v = _mm512_max_epu16(d, _mm512_alignr_epi32(d, d1, 15));
        const __m512i m4v = _mm512_max_epu16(l2v, _mm512_alignr_epi32(l2v, l2, 14));
        const __m512i l8v = _mm512_max_epu16(m4v, _mm512_alignr_epi32(m4v, m4, 12));
        const __m512i w = _mm512_max_epu16(l8v, _mm512_alignr_epi32(l8v, l8, 8));
        if (v >= 4) {
            // Positions 32 (v - 4) on: jumps a(j) are differences 98 on, their
            // windows w16 at 32, 64 and 96 on and the difference at 0.
            const __m512i jump = _mm512_alignr_epi32(d, d1, 1);
            const __m512i window = _mm512_max_epu16(_mm512_max_epu16(w1, w2),
                                                    _mm512_max_epu16(w3, d4));
            const __mmask32 marked = _mm512_cmpgt_epu16_mask(
                _mm512_sub_epi16(_mm512_max_epu16(jump, threshold), threshold), window);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(pass.trigger.data() + (v - 4) * kLanes),
                                _mm256_maskz_set1_epi8(marked, 1));
            _mm512_storeu_si512(pass.narrowWindow.data() + (v - 4) * kLanes, window);
        }
        d4 = d3, d3 = d2, d2 = d1, d1 = d;
        l2 = l2v, m4 = m4v, l8 = l8v;
        w3 = w2, w2 = w1, w1 = w;
    }
    // A ramp repaired past the 16-bit range: the pass again in 32 bits.
    if (_mm512_reduce_max_epu32(largest) > 0xFFFF) {
        pass.wideWindows = true;
        WideDifferences<positions + kReachRounded>(src, pass.wide.diff.data() + kLead);
        MarkCandidates<positions>(pass.wide, j0, levelThreshold, pass.trigger, pass.wideWindow);
        return;
    }
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

constexpr FindCandidatesTable kAvx2Scan{
    FindCandidatesAvx2<kMinPass>, FindCandidatesAvx2<2 * kMinPass>,
    FindCandidatesAvx2<4 * kMinPass>, FindCandidatesAvx2<kMaxPass>};
constexpr FindCandidatesTable kAvx512Scan{
    FindCandidatesAvx512<kMinPass>, FindCandidatesAvx512<2 * kMinPass>,
    FindCandidatesAvx512<4 * kMinPass>, FindCandidatesAvx512<kMaxPass>};

bool ProcessorHas(ScanInstructions set) {
    __builtin_cpu_init();
    switch (set) {
    case ScanInstructions::Plain:
        return true;
    case ScanInstructions::Avx2:
        return __builtin_cpu_supports("avx2");
    case ScanInstructions::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vl");
    }
    return false;
}

const FindCandidatesTable &ScanTable(ScanInstructions set) {
    switch (set) {
    case ScanInstructions::Avx512:
        return kAvx512Scan;
    case ScanInstructions::Avx2:
        return kAvx2Scan;
    case ScanInstructions::Plain:
        break;
    }
    return kPlainScan;
}
#else
bool ProcessorHas(ScanInstructions set) {
    return set == ScanInstructions::Plain;
}
const FindCandidatesTable &ScanTable(ScanInstructions) {
    return kPlainScan;
}
#endif

// The scan in use: the widest the processor has, unless a test chose another.
std::atomic<ScanInstructions> &ScanInUse() {
    static std::atomic<ScanInstructions> inUse{BestScanInstructions()};
    return inUse;
}

int32_t WindowMax(const Pass &pass, int32_t p) {
    const auto at = static_cast<size_t>(p);
    return pass.wideWindows ? pass.wideWindow[at] : pass.narrowWindow[at];
}

struct BlockState {
    int32_t *work;
    int32_t blockStart;
    Thresholds th;
    int32_t &clickCounter;
    ClickReporter *reporter;
    int32_t clicks = 0;
};

// Tests the candidate at j; returns true when the buffer changed.
bool Examine(BlockState &b, int32_t j, int32_t windowMax) {
    const RepairResult r = RepairClick(b.work, j, windowMax, b.th);
    if (r.value != 0) {
        ++b.clickCounter;
        ++b.clicks;
        if (b.reporter)
            b.reporter->AddClickRecord(b.clickCounter, b.blockStart + j - kHistoryValues, r.value,
                                       r.width);
    }
    return r.repaired;
}

// Examines the next pass of up to 2^sizeIndex * kMinPass positions from j0 on
// and returns where the following pass starts: after the first repair, since
// this pass's differences no longer match the buffer there.
int32_t ScanPass(BlockState &b, int32_t j0, int32_t end, int32_t &sizeIndex, Pass &pass,
                 const FindCandidatesTable &findCandidates) {
    const int32_t size = kMinPass << sizeIndex;
    const int32_t n = std::min(size, end - j0);
    const int32_t *src = b.work + j0 - kWindowReach - kCh;
    if (n < size) {
        // A short pass must not read past the block's look-ahead.
        const auto used = static_cast<size_t>(n + kWindowReach + kCh);
        std::copy(src, src + used, pass.padded.begin());
        std::fill(pass.padded.begin() + static_cast<std::ptrdiff_t>(used), pass.padded.end(), 0);
        src = pass.padded.data();
    }
    findCandidates[static_cast<size_t>(sizeIndex)](src, j0, b.th.levelThreshold, pass);
    // Candidates are rare: 64 positions are ruled out at a time.
    constexpr int32_t kGroup = 64;
    static_assert(kMinPass % kGroup == 0);
    const auto word = [&pass](int32_t at) {
        uint64_t w;
        std::memcpy(&w, pass.trigger.data() + at, sizeof w);
        return w;
    };
    for (int32_t group = 0; group < n; group += kGroup) {
        uint64_t any = 0;
        for (int32_t at = group; at < group + kGroup; at += 8)
            any |= word(at);
        if (any == 0)
            continue;
        for (int32_t at = group; at < group + kGroup; at += 8) {
            for (uint64_t bits = word(at); bits != 0; bits &= bits - 1) {
                const int32_t p = at + std::countr_zero(bits) / 8;
                if (p >= n)
                    break;
                if (Examine(b, j0 + p, WindowMax(pass, p))) {
                    sizeIndex = 0;
                    return j0 + p + 1;
                }
            }
        }
    }
    sizeIndex = std::min(sizeIndex + 1, kPassSizes - 1);
    return j0 + n;
}

} // namespace

ScanInstructions BestScanInstructions() {
    for (ScanInstructions set : {ScanInstructions::Avx512, ScanInstructions::Avx2})
        if (ProcessorHas(set))
            return set;
    return ScanInstructions::Plain;
}

bool UseScanInstructions(ScanInstructions set) {
    if (!ProcessorHas(set))
        return false;
    ScanInUse().store(set, std::memory_order_relaxed);
    return true;
}

int32_t CleanBlock(int32_t *work, int32_t count, int32_t blockStart, const Thresholds &thresholds,
                   int32_t &clickCounter, ClickReporter *reporter) {
    if (count <= 0)
        return 0;
    BlockState b{work, blockStart, Sanitized(thresholds), clickCounter, reporter};
    const FindCandidatesTable &findCandidates =
        ScanTable(ScanInUse().load(std::memory_order_relaxed));
    Pass pass; // about 40 KB, on the stack: the scan allocates nothing
    const int32_t end = kHistoryValues + count;
    int32_t sizeIndex = kPassSizes - 1;
    for (int32_t j0 = kHistoryValues; j0 < end;)
        j0 = ScanPass(b, j0, end, sizeIndex, pass, findCandidates);
    // The block's last 100 values, repairs included, become the next history.
    std::memmove(work, work + count, sizeof(int32_t) * kHistoryValues);
    return b.clicks;
}
