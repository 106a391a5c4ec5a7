#include "engine/ClickEngine.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

constexpr int32_t kCh = kEngineChannels;
constexpr int32_t kRingSlots = 100;
constexpr int32_t kMaxClickSpan = 17;

// Multipliers of stepSize for the return-to-baseline bound, indexed by search
// step + 1. Entries 16 and 17 serve the two widest click spans and repeat the
// last published multiplier.
constexpr std::array<int32_t, kMaxClickSpan + 1> kReturnFloorTable{0, 4, 5, 5, 6, 6, 6, 6, 7,
                                                                   8, 8, 8, 9, 9, 9, 9, 9, 9};

int32_t Abs(int32_t v) {
    return v < 0 ? -v : v;
}

// Bound on how far the signal may stay from its pre-click value after a burst
// that ends at search step i. ringSum: RingSumAt the candidate.
int32_t ReturnLimit(int32_t ringSum, int32_t i, int32_t stepSize) {
    const int32_t mean = 2 * ringSum / (kRingSlots - kCh);
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
bool RepairShortClick(Samples s, int32_t spreadFloor, int32_t stepSize, int32_t ringSum,
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
        const int32_t spread = 10 * (rising - falling);
        const int32_t balance = Abs(1000 * rising / falling);
        if (signChanges <= 3 && spread > spreadFloor &&
            Abs(e) < ReturnLimit(ringSum, i, stepSize) && balance > 500 && balance < 2000) {
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
    if (!(Abs(jump / after1) > 50 && Abs(jump / after2) > 500 && Abs(jump / before) > 500 &&
          Abs(jump) > 10 * spreadFloor))
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
RepairResult RepairClick(int32_t *work, int32_t j, int32_t runMax, int32_t ringSum,
                         const Thresholds &th) {
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

constexpr int32_t kRingStride = kRingSlots - kCh;               // cursor period, in values
constexpr int32_t kFirstFullWindow = kHistoryValues + 48 * kCh; // from here 49 differences
constexpr int32_t kWindowReach = 49 * kCh; // from j back to the end of its oldest difference

int32_t DifferenceEndingAt(const int32_t *work, int32_t k) {
    return work[k - kCh] - work[k];
}

// The ring slot's content when the value at j is examined.
int32_t SlotDifference(const int32_t *work, int32_t j, int32_t slot) {
    // Slot s is written at j' = 98 + s + 98r with the difference ending at j' - kCh;
    // before its first write it holds the set-up's difference ending at s.
    const int32_t firstWrite = kRingStride + slot;
    if (j < firstWrite)
        return DifferenceEndingAt(work, slot);
    const int32_t lastWrite = firstWrite + (j - firstWrite) / kRingStride * kRingStride;
    return DifferenceEndingAt(work, lastWrite - kCh);
}

// The sum ReturnLimit works from, for the candidate at j.
int32_t RingSumAt(const int32_t *work, int32_t j) {
    int32_t sum = 0;
    for (int32_t slot = j % kCh + kCh; slot < kRingSlots - kCh; slot += kCh)
        sum += Abs(SlotDifference(work, j, slot));
    return sum;
}

constexpr int32_t kChunk = 512;         // positions examined per pass
constexpr int32_t kSpan = kChunk + 112; // differences per pass: the reach, rounded up to 16
constexpr int32_t kLead = 32;           // zeros before each array, read by the widest step

// Differences and window maxima of one pass, both channels at once: every step
// is a multiple of kCh, so each value only meets values of its own channel.
// Index k of an array stands for buffer index j0 - kWindowReach + k.
struct Pass {
    using Row = std::array<int32_t, kLead + kSpan>;
    alignas(64) Row diff{}; // a(k)
    alignas(64) Row low{};  // running maxima of 2, then 8 differences
    alignas(64) Row mid{};  // of 4 differences
    alignas(64) Row w16{};  // largest of a(k), a(k - 2), ..., a(k - 30)
    alignas(64) Row w32{};  // the same over 32 differences
    alignas(64) std::array<uint8_t, kChunk> trigger{};
    alignas(64) std::array<int32_t, kSpan + kCh> padded{}; // a short last pass's values
};

// Largest of out[k] = max(in[k], in[k - back]) over the whole row.
void MaxWithEarlier(const Pass::Row &in, Pass::Row &out, int32_t back) {
    const int32_t *a = in.data() + kLead;
    int32_t *o = out.data() + kLead;
    for (int32_t k = 0; k < kSpan; ++k)
        o[k] = std::max(a[k], a[k - back]);
}

// Marks the positions j0 + p whose jump exceeds levelThreshold plus the window
// maximum. src points at buffer index j0 - kWindowReach - kCh and holds
// kSpan + kCh values.
void FindCandidates(const int32_t *__restrict src, int32_t j0, int32_t levelThreshold, Pass &pass) {
    int32_t *diff = pass.diff.data() + kLead;
    for (int32_t k = 0; k < kSpan; ++k)
        diff[k] = Abs(src[k + kCh] - src[k]);
    MaxWithEarlier(pass.diff, pass.low, 2);
    MaxWithEarlier(pass.low, pass.mid, 4);
    MaxWithEarlier(pass.mid, pass.low, 8);
    MaxWithEarlier(pass.low, pass.w16, 16);
    MaxWithEarlier(pass.w16, pass.w32, 32);
    const int32_t *w16 = pass.w16.data() + kLead;
    const int32_t *w32 = pass.w32.data() + kLead;
    // Window of j = j0 + p: a(j - 2..j - 64), a(j - 66..j - 96) and a(j - 98).
    for (int32_t p = 0; p < kChunk; ++p) {
        const int32_t windowMax = std::max(std::max(w32[p + 96], w16[p + 32]), diff[p]);
        pass.trigger[static_cast<size_t>(p)] = diff[p + kWindowReach] > levelThreshold + windowMax;
    }
    for (int32_t p = 0; p < kFirstFullWindow - j0 && p < kChunk; ++p) {
        const int32_t windowMax = std::max(w32[p + 96], w16[p + 32]);
        pass.trigger[static_cast<size_t>(p)] = diff[p + kWindowReach] > levelThreshold + windowMax;
    }
}

int32_t WindowMax(const Pass &pass, int32_t j0, int32_t p) {
    const int32_t *diff = pass.diff.data() + kLead;
    const int32_t m = std::max(pass.w32[static_cast<size_t>(kLead + p + 96)],
                               pass.w16[static_cast<size_t>(kLead + p + 32)]);
    return j0 + p >= kFirstFullWindow ? std::max(m, diff[p]) : m;
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
    const RepairResult r = RepairClick(b.work, j, windowMax, RingSumAt(b.work, j), b.th);
    if (r.value != 0) {
        ++b.clickCounter;
        ++b.clicks;
        if (b.reporter)
            b.reporter->AddClickRecord(b.clickCounter, b.blockStart + j - kHistoryValues, r.value,
                                       r.width);
    }
    return r.repaired;
}

// Examines the n positions from j0 on; returns where the next pass starts: after
// the first repair, since the pass's differences no longer match the buffer.
int32_t ScanPass(BlockState &b, int32_t j0, int32_t n, Pass &pass) {
    const int32_t *src = b.work + j0 - kWindowReach - kCh;
    if (n < kChunk) {
        // A short pass must not read past the block's look-ahead.
        const auto used = static_cast<size_t>(n + kWindowReach + kCh);
        std::copy(src, src + used, pass.padded.begin());
        std::fill(pass.padded.begin() + static_cast<std::ptrdiff_t>(used), pass.padded.end(), 0);
        src = pass.padded.data();
    }
    FindCandidates(src, j0, b.th.levelThreshold, pass);
    for (int32_t word = 0; word < kChunk; word += 8) {
        uint64_t bits = 0;
        std::memcpy(&bits, pass.trigger.data() + word, sizeof bits);
        for (; bits != 0; bits &= bits - 1) {
            const int32_t p = word + std::countr_zero(bits) / 8;
            if (p >= n)
                return j0 + n;
            if (Examine(b, j0 + p, WindowMax(pass, j0, p)))
                return j0 + p + 1;
        }
    }
    return j0 + n;
}

} // namespace

int32_t CleanBlock(int32_t *work, int32_t count, int32_t blockStart, const Thresholds &thresholds,
                   int32_t &clickCounter, ClickReporter *reporter) {
    if (count <= 0)
        return 0;
    BlockState b{work, blockStart, Sanitized(thresholds), clickCounter, reporter};
    Pass pass; // about 15 KB, on the stack: the scan allocates nothing
    const int32_t end = kHistoryValues + count;
    for (int32_t j0 = kHistoryValues; j0 < end;)
        j0 = ScanPass(b, j0, std::min(kChunk, end - j0), pass);
    // The block's last 100 values, repairs included, become the next history.
    std::memmove(work, work + count, sizeof(int32_t) * kHistoryValues);
    return b.clicks;
}
