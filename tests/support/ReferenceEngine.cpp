// The oracle's implementation, compiled into the core tests and the benchmark.
#include "support/ReferenceEngine.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace reference {
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

// Slots 0..kCh-1 hold each channel's runMax; slots kCh..99 hold differences
// (earlier value minus later value), slot k belonging to channel k % kCh.
struct DiffRing {
    std::array<int32_t, kRingSlots> slot{};
    int32_t cursor = kCh;
};

// Rebuilt from the history at every call, so the slot the cursor starts on
// ends up repeating the history's last difference for the first 48 frames.
void BuildRing(const int32_t *work, DiffRing &ring) {
    for (int32_t c = 0; c < kCh; ++c) {
        int32_t runMax = 0;
        for (int32_t k = c; k < kRingSlots - kCh; k += kCh) {
            ring.slot[k + kCh] = work[k] - work[k + kCh];
            runMax = std::max(runMax, Abs(ring.slot[k + kCh]));
        }
        ring.slot[c] = runMax;
    }
    ring.cursor = kCh;
}

int32_t RescanMax(const DiffRing &ring, int32_t c) {
    int32_t m = 0;
    for (int32_t k = c + kCh; k < kRingSlots; k += kCh)
        m = std::max(m, Abs(ring.slot[k]));
    return m;
}

// The channel's slots below 100 - kCh, chosen by place in the ring rather than
// by age: with two channels that is 48 of the 49 slots.
int32_t RingSum(const DiffRing &ring, int32_t c) {
    int32_t sum = 0;
    for (int32_t k = c + kCh; k < kRingSlots - kCh; k += kCh)
        sum += Abs(ring.slot[k]);
    return sum;
}

// Bound on how far the signal may stay from its pre-click value after a burst
// that ends at search step i. ringSum: RingSum of the candidate's channel.
int32_t ReturnLimit(int32_t ringSum, int32_t i, int32_t stepSize) {
    const int32_t mean = 2 * ringSum / (kRingSlots - kCh);
    return std::max(2 * mean * (i + 6), kReturnFloorTable[i + 1] * stepSize);
}

struct RepairResult {
    int32_t value = 0; // the first value before the repair; 0 means not counted
    int32_t width = 0; // frames replaced by a line, 0 for a ramp
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
    if (RepairShortClick(s, spreadFloor, stepSize, ringSum, th.clickSpan, result.width))
        return result;
    if (RepairStep(s, spreadFloor, stepSize))
        return result;
    return {};
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

} // namespace

int32_t CleanBlock(int32_t *work, int32_t count, int32_t blockStart, const Thresholds &thresholds,
                   int32_t &clickCounter, ClickReporter *reporter) {
    if (count <= 0)
        return 0;
    const Thresholds th = Sanitized(thresholds);
    DiffRing ring;
    BuildRing(work, ring);
    int32_t clicks = 0;
    for (int32_t j = kHistoryValues; j < kHistoryValues + count; ++j) {
        const int32_t c = j % kCh;
        int32_t runMax = ring.slot[c];
        const int32_t evicted = ring.slot[ring.cursor];
        const int32_t entering = work[j - 2 * kCh] - work[j - kCh];
        ring.slot[ring.cursor] = entering;
        if (Abs(entering) >= runMax)
            runMax = Abs(entering);
        else if (Abs(evicted) == runMax)
            runMax = RescanMax(ring, c);
        ring.slot[c] = runMax;
        if (Abs(work[j] - work[j - kCh]) > th.levelThreshold + runMax) {
            const RepairResult r = RepairClick(work, j, runMax, RingSum(ring, c), th);
            if (r.value != 0) {
                ++clickCounter;
                ++clicks;
                if (reporter)
                    reporter->AddClickRecord(clickCounter, blockStart + j - kHistoryValues, r.value,
                                             r.width);
            }
        }
        if (++ring.cursor == kRingSlots)
            ring.cursor = kCh;
    }
    // The block's last 100 values, repairs included, become the next history.
    std::memmove(work, work + count, sizeof(int32_t) * kHistoryValues);
    return clicks;
}

} // namespace reference
