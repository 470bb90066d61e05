// The position of a transponder at any millisecond: the override, the cache and the five
// algorithms over the raw samples, and the marks that take samples out of them.
//
// Threads: calcPosition runs on the main thread and on the cadence thread while the main thread
// appends. The algorithms read samples below a count loaded once (after their searches, so every
// index a search returned lies below it), never allocate, and take the dataset's kernels once.

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

namespace {

// The no-position value of the 10 Hz index (mm) in metres.
constexpr double NoPositionInM = 99999.999;
// The algorithms look this far (ms) to either side of the time.
constexpr int32_t Reach = 999;
constexpr int32_t LastKnownRange = 2000;
constexpr int32_t MaxInterpolationGapMS = 10000;
constexpr int32_t MaxRunSamples = 2000;
constexpr int32_t MaxRunStepMS = 250;
// Positions of the last second of a recording may still change: they are not cached.
constexpr int32_t UncachedTailMS = 1000;
constexpr int32_t AntennaSlots = 4;

// Sums of the antenna slots: each slot's weighted mean counts once, however many samples it had.
struct SlotSums {
    std::array<double, AntennaSlots> X{};
    std::array<double, AntennaSlots> Y{};
    std::array<double, AntennaSlots> Z{};
    std::array<double, AntennaSlots> W{};

    void Add(const RqelRawSample& aSample, double aWeight) {
        const size_t slot = static_cast<size_t>(aSample.GetAntenna() & (AntennaSlots - 1));
        X[slot] += aSample.XinMM() / 1000.0 * aWeight;
        Y[slot] += aSample.YinMM() / 1000.0 * aWeight;
        Z[slot] += aSample.ZinMM() / 1000.0 * aWeight;
        W[slot] += aWeight;
    }
    // A NaN sum counts as positive.
    bool Has(size_t aSlot) const { return !(W[aSlot] <= 0); }

    // The mean of the slot means into aPos, and the angle from slot 3's mean towards slot 0's.
    // False, with the no-position coordinates, when no slot has weight.
    bool Combine(RqelCalculatedPosition& aPos) const {
        aPos.XinM = 0;
        aPos.YinM = 0;
        aPos.ZinM = 0;
        int counted = 0;
        for (size_t a = 0; a < AntennaSlots; ++a) {
            if (Has(a)) {
                aPos.XinM += X[a] / W[a];
                aPos.YinM += Y[a] / W[a];
                aPos.ZinM += Z[a] / W[a];
                ++counted;
            }
        }
        if (counted == 0) {
            aPos.XinM = NoPositionInM;
            aPos.YinM = NoPositionInM;
            aPos.ZinM = 0;
            return false;
        }
        aPos.XinM /= counted;
        aPos.YinM /= counted;
        aPos.ZinM /= counted;
        if (Has(0) && Has(3)) {
            const double dx = X[3] / W[3] - X[0] / W[0];
            const double dy = Y[3] / W[3] - Y[0] / W[0];
            aPos.Angle = std::atan2(dy, dx) + std::numbers::pi;
        }
        return true;
    }
};

// Time arithmetic held within the int32 range.
int32_t Saturated(int64_t aValue) {
    return static_cast<int32_t>(std::clamp<int64_t>(aValue, INT32_MIN, INT32_MAX));
}
int32_t Shifted(int32_t aTime, int32_t anOffset) {
    return Saturated(int64_t{aTime} + anOffset);
}
int32_t Difference(int32_t aLater, int32_t anEarlier) {
    return Saturated(int64_t{aLater} - anEarlier);
}

// Usable for the weighted algorithms: status OK and neither coordinate 0.
bool Weighable(const RqelRawSample& aSample) {
    return aSample.GetStatus() == ldsOK && aSample.XinMM() != 0 && aSample.YinMM() != 0;
}

void TakeCoordinates(const RqelRawSample& aSample, RqelCalculatedPosition& aPos) {
    aPos.XinM = aSample.XinMM() / 1000.0;
    aPos.YinM = aSample.YinMM() / 1000.0;
    aPos.ZinM = aSample.ZinMM() / 1000.0;
}

}  // namespace

// --- Selection ---

TqelPositionAlgorithm TqelTransponderData::PositionAlgorithm() const {
    return static_cast<TqelPositionAlgorithm>(FPositionAlgorithm.load());
}

void TqelTransponderData::SetPositionFunction(TqelPositionAlgorithm anAlgorithm) {
    switch (anAlgorithm) {
        case posLastKnown:
        case posClosestKnown:
        case posLinearInterpolation:
        case posWeightedAverage:
        case posWeightedSportVU:
            FPositionAlgorithm = static_cast<uint8_t>(anAlgorithm);
            break;
        default:
            FPositionAlgorithm = static_cast<uint8_t>(posClosestKnown);
            break;
    }
}

bool TqelTransponderData::RunPositionFunction(int32_t aTimeStampInMS,
                                              RqelCalculatedPosition& aPos) {
    // A constant table indexed by the selection: a reader never sees a half-swapped method.
    static constexpr std::array<TqelCalcPositonFunction, 5> Functions = {
        &TqelTransponderData::calcPositionByLastKnown,
        &TqelTransponderData::calcPositionByClosestKnown,
        &TqelTransponderData::calcPositionByLinearInterpolation,
        &TqelTransponderData::calcPositionByWeightedAverage,
        &TqelTransponderData::calcPositionByWeightedSportVU,
    };
    uint8_t selected = FPositionAlgorithm.load();
    if (selected >= Functions.size()) {
        SetPositionFunction(FDataSet->PositionAlgorithm());
        selected = FPositionAlgorithm.load();
    }
    return (this->*Functions[selected])(aTimeStampInMS, aPos);
}

// --- Override and cache ---

bool TqelTransponderData::TakeTempPosition(int32_t aTimeStampInMS, RqelCalculatedPosition& aPos) {
    // The override is rare: the lock is taken only when one is set.
    if (!FTempPositionSet.load(std::memory_order_acquire)) {
        return false;
    }
    std::lock_guard lock(FCriticalCacheSection);
    if (!FTempPosition.OnField) {
        return false;
    }
    if (FTempPosition.SpikeLow == aTimeStampInMS) {
        aPos = FTempPosition;
        return true;
    }
    FTempPosition.Clear();
    FTempPositionSet = false;
    return false;
}

void TqelTransponderData::SetNoPosition(RqelCalculatedPosition& aPos) const {
    aPos.Clear();
    aPos.XinM = NoPositionInM;
    aPos.YinM = NoPositionInM;
    aPos.TransponderID = TPid();
}

RqelCalculatedPosition TqelTransponderData::calcPosition(int32_t aTimeStampInMS) {
    RqelCalculatedPosition result;
    // The override is compared before the time is clamped.
    if (TakeTempPosition(aTimeStampInMS, result)) {
        return result;
    }
    SetNoPosition(result);
    // A transponder that came from a peer has no samples to compute from.
    if (!FDataSet) {
        return result;
    }
    const int32_t duration = FDataSet->DurationInMS();
    const int32_t t = std::clamp(aTimeStampInMS, 0, std::max(duration, 0));
    FDataSet->addCacheRequest();
    if (CachedPosition(t, result)) {
        FDataSet->addCacheHit();
        return result;
    }
    result.SpikeLow = 0;
    result.SpikeHigh = 0;
    // The record itself tells whether a position was found.
    (void)RunPositionFunction(t, result);
    if (FDataSet->Recording() && int64_t{t} > int64_t{FDataSet->DurationInMS()} - UncachedTailMS) {
        return result;
    }
    CachePosition(t, result);
    return result;
}

// --- The algorithms ---

bool TqelTransponderData::calcPositionByLastKnown(int32_t aTimeStampInMS,
                                                  RqelCalculatedPosition& aPos) {
    SetNoPosition(aPos);
    const int32_t i = getLastSampleIndexBefore(aTimeStampInMS, LastKnownRange);
    if (i < 0) {
        return false;
    }
    TakeCoordinates(FSamples[i], aPos);
    aPos.OnField = true;
    return true;
}

bool TqelTransponderData::calcPositionByClosestKnown(int32_t aTimeStampInMS,
                                                     RqelCalculatedPosition& aPos) {
    SetNoPosition(aPos);
    int32_t i = getLastSampleIndexBefore(aTimeStampInMS, LastKnownRange);
    if (i < 0) {
        return false;
    }
    if (i + 1 < SampleCount()) {
        const int64_t before = int64_t{aTimeStampInMS} - FSamples[i].TimeStampInMS();
        const int64_t after = int64_t{FSamples[i + 1].TimeStampInMS()} - aTimeStampInMS;
        // A tie goes to the later sample.
        if (before >= after) {
            ++i;
        }
    }
    TakeCoordinates(FSamples[i], aPos);
    aPos.OnField = true;
    return true;
}

int32_t TqelTransponderData::LinkedSampleAtOrBefore(int32_t aSlot) const {
    // Beyond this many empty slots the lower neighbour lies too far back to interpolate (the
    // gap would exceed MaxInterpolationGapMS), so the walk stops there.
    constexpr int32_t MaxEmptySlots = 2 * MaxInterpolationGapMS / 100;
    std::lock_guard lock(FCriticalIndexSection);
    int32_t slot = std::min(aSlot, Sample10HzCount() - 1);
    const int32_t lowest = std::max(aSlot - MaxEmptySlots, 0);
    for (; slot >= lowest; --slot) {
        const int32_t index = SlotValue(slot).LastSampleIndex();
        if (index >= 0) {
            return index;
        }
    }
    return -1;
}

bool TqelTransponderData::calcPositionByLinearInterpolation(int32_t aTimeStampInMS,
                                                            RqelCalculatedPosition& aPos) {
    if (FDataSet) {
        FDataSet->incGaussianCalculationCount();
    }
    SetNoPosition(aPos);
    const int32_t count = SampleCount();
    if (count == 0) {
        return false;
    }
    const int32_t t = FDataSet
                          ? std::clamp(aTimeStampInMS, 0, std::max(FDataSet->DurationInMS(), 0))
                          : aTimeStampInMS;
    // Never extrapolated: nothing at or after the newest sample.
    if (t >= FSamples[count - 1].TimeStampInMS() || t < 0) {
        return false;
    }

    // Lower neighbour: the last usable sample at or before t within the reach, else the first
    // sample at or before t - Reach when that one is usable. The index may link samples appended
    // after count was read: they lie after t, so the walk starts at the newest one below count.
    int32_t n = std::min(LinkedSampleAtOrBefore(t / 100), count - 1);
    while (n >= 0 && FSamples[n].TimeStampInMS() > t) {
        --n;
    }
    while (n >= 0 && FSamples[n].TimeStampInMS() > t - Reach && !Usable(n)) {
        --n;
    }
    if (n < 0 || !Usable(n)) {
        return false;
    }
    // Upper neighbour: the first usable sample after n within the reach.
    int32_t m = n + 1;
    if (m >= count) {
        return false;
    }
    while (FSamples[m].TimeStampInMS() < int64_t{t} + Reach && m < count - 1 && !Usable(m)) {
        ++m;
    }
    if (!Usable(m)) {
        return false;
    }
    if (FSamples[m].TimeStampInMS() - FSamples[n].TimeStampInMS() > MaxInterpolationGapMS) {
        return false;
    }

    double x0 = FSamples[n].XinMM() / 1000.0;
    double y0 = FSamples[n].YinMM() / 1000.0;
    double z0 = FSamples[n].ZinMM() / 1000.0;
    int64_t t0 = FSamples[n].TimeStampInMS();
    double x1 = FSamples[m].XinMM() / 1000.0;
    double y1 = FSamples[m].YinMM() / 1000.0;
    double z1 = FSamples[m].ZinMM() / 1000.0;
    int64_t t1 = FSamples[m].TimeStampInMS();
    const int32_t sensitivity = PositionSensitivity();
    if (sensitivity > 1) {
        // Each end becomes the mean of its side's usable samples within 10 x S ms of t.
        const int64_t window = 10 * int64_t{sensitivity};
        auto average = [&](int32_t aFrom, int32_t aStep, double& aX, double& aY, double& aZ,
                           int64_t& aTime) {
            int64_t used = 1;
            for (int32_t k = aFrom + aStep; k >= 0 && k < count; k += aStep) {
                const int64_t time = FSamples[k].TimeStampInMS();
                if (aStep < 0 ? time <= t - window : time >= t + window) {
                    break;
                }
                if (Usable(k)) {
                    aX += FSamples[k].XinMM() / 1000.0;
                    aY += FSamples[k].YinMM() / 1000.0;
                    aZ += FSamples[k].ZinMM() / 1000.0;
                    aTime += time;
                    ++used;
                }
            }
            if (FDataSet) {
                FDataSet->incGaussianUsedSamplesCount(static_cast<int32_t>(used));
            }
            aX /= static_cast<double>(used);
            aY /= static_cast<double>(used);
            aZ /= static_cast<double>(used);
            aTime /= used;
        };
        average(n, -1, x0, y0, z0, t0);
        average(m, +1, x1, y1, z1, t1);
    }
    if (t1 - t0 <= 0) {
        return false;
    }
    const double elapsed = static_cast<double>(t - t0);
    const double span = static_cast<double>(t1 - t0);
    aPos.XinM = x0 + elapsed * (x1 - x0) / span;
    aPos.YinM = y0 + elapsed * (y1 - y0) / span;
    aPos.ZinM = z0 + elapsed * (z1 - z0) / span;
    aPos.OnField = true;
    return true;
}

bool TqelTransponderData::calcPositionByWeightedAverage(int32_t aTimeStampInMS,
                                                        RqelCalculatedPosition& aPos) {
    SetNoPosition(aPos);
    if (!FDataSet) {
        return false;
    }
    const int32_t i0 = getFirstSampleIndexAfter(Shifted(aTimeStampInMS, -Reach), 2 * Reach);
    if (i0 < 0) {
        return false;
    }
    FDataSet->incGaussianCalculationCount();
    const std::shared_ptr<const qel::SmoothingKernels> kernels = FDataSet->Kernels();
    const int32_t count = SampleCount();
    SlotSums sums;
    int32_t used = 0;
    // The open window (t - Reach, t + Reach).
    for (int32_t i = i0; i < count && FSamples[i].TimeStampInMS() < int64_t{aTimeStampInMS} + Reach;
         ++i) {
        const RqelRawSample& sample = FSamples[i];
        if (!Weighable(sample)) {
            continue;
        }
        sums.Add(sample, kernels->PositionWeight(aTimeStampInMS - sample.TimeStampInMS()));
        ++used;
    }
    FDataSet->incGaussianUsedSamplesCount(used);
    if (!sums.Combine(aPos)) {
        return false;
    }
    aPos.OnField = true;
    return true;
}

bool TqelTransponderData::calcPositionByWeightedSportVU(int32_t aTimeStampInMS,
                                                        RqelCalculatedPosition& aPos) {
    SetNoPosition(aPos);
    if (!FDataSet) {
        return false;
    }
    const int32_t t = aTimeStampInMS;
    const int32_t first = getFirstSampleIndexAfter(Shifted(t, -Reach), 2 * Reach);
    int32_t mid = getFirstSampleIndexAfter(t, Reach);
    const int32_t last = getLastSampleIndexBefore(Shifted(t, Reach), 2 * Reach);
    if (mid > last) {
        mid = last;
    }
    if (first < 0 || last < 0 || mid < 0 || last < first || last - first > MaxRunSamples) {
        return false;
    }
    FDataSet->incGaussianCalculationCount();
    const std::shared_ptr<const qel::SmoothingKernels> kernels = FDataSet->Kernels();
    const double maxSpeed = FDataSet->MaxSpeed();
    const bool jumpsAllowed = Role() == roleBall;
    SlotSums sums;
    int32_t accepted = 0;

    // One step of a walk from prev to i: a run ends at a jump faster than the sport allows or
    // at a pause in the samples.
    auto breaksRun = [&](const RqelRawSample& aPrev, const RqelRawSample& aSample) {
        if (jumpsAllowed) {
            return false;
        }
        const int64_t duration =
            std::abs(int64_t{aPrev.TimeStampInMS()} - int64_t{aSample.TimeStampInMS()});
        const double distance = std::hypot(double(aPrev.XinMM()) - double(aSample.XinMM()),
                                           double(aPrev.YinMM()) - double(aSample.YinMM()));
        const double speed = duration == 0 ? 0.0 : distance / static_cast<double>(duration);
        return speed >= maxSpeed || duration >= MaxRunStepMS;
    };
    auto add = [&](const RqelRawSample& aSample) {
        sums.Add(aSample, kernels->PositionWeight(t - aSample.TimeStampInMS()));
        ++accepted;
    };

    // Backward from the middle sample, which is counted here.
    const RqelRawSample* prev = nullptr;
    for (int32_t i = mid; i >= first; --i) {
        const RqelRawSample& sample = FSamples[i];
        if (!Weighable(sample)) {
            continue;
        }
        if (prev && breaksRun(*prev, sample)) {
            aPos.SpikeLow = prev->TimeStampInMS();
            break;
        }
        add(sample);
        prev = &sample;
    }
    // Forward from the middle sample; the first that passes was counted going back.
    prev = nullptr;
    for (int32_t i = mid; i <= last; ++i) {
        const RqelRawSample& sample = FSamples[i];
        if (!Weighable(sample)) {
            continue;
        }
        if (prev) {
            if (breaksRun(*prev, sample)) {
                aPos.SpikeHigh = prev->TimeStampInMS();
                break;
            }
            add(sample);
        }
        prev = &sample;
    }
    FDataSet->incGaussianUsedSamplesCount(accepted);

    if (!sums.Combine(aPos) || accepted < 4) {
        aPos.XinM = NoPositionInM;
        aPos.YinM = NoPositionInM;
        aPos.ZinM = 0;
        aPos.Angle = 0;
        return false;
    }
    aPos.OnField = true;
    return true;
}

RqelCalculatedPosition TqelTransponderData::CalcLongAvgPos(int32_t aTimeStampStartInMS,
                                                           int32_t aTimeStampStopInMS) {
    RqelCalculatedPosition result;
    SetNoPosition(result);
    const int32_t i0 = getFirstSampleIndexAfter(
        aTimeStampStartInMS, Difference(aTimeStampStopInMS, aTimeStampStartInMS));
    if (i0 < 0) {
        return result;
    }
    const int32_t count = SampleCount();
    SlotSums sums;
    for (int32_t i = i0; i < count && FSamples[i].TimeStampInMS() < aTimeStampStopInMS; ++i) {
        if (Weighable(FSamples[i])) {
            sums.Add(FSamples[i], 1.0);
        }
    }
    result.OnField = sums.Combine(result);
    return result;
}

// --- Marks ---

void TqelTransponderData::setPositionStatus(int32_t aStartTimeInMS, int32_t aEndTimeInMS,
                                            TqelDataStatus aStatus) {
    if (FDataSet && FDataSet->Recording()) {
        throw qel::EPositionStatusRefused(
            QStringLiteral("Positions of TPid %1 cannot be marked while the dataset records")
                .arg(TPid()));
    }
    const int32_t first =
        getFirstSampleIndexAfter(aStartTimeInMS, Difference(aEndTimeInMS, aStartTimeInMS));
    if (first < 0) {
        return;
    }
    const int32_t count = SampleCount();
    int32_t lastSlot = -1;
    int32_t i = first;
    for (; i < count && FSamples[i].TimeStampInMS() <= aEndTimeInMS; ++i) {
        FSamples[i].SetMark(aStatus);
        lastSlot = FSamples[i].TimeStampInMS() / 100;
    }
    if (i > first) {
        std::lock_guard lock(FCriticalIndexSection);
        const int32_t end = std::min(lastSlot, Sample10HzCount() - 1);
        for (int32_t slot = FSamples[first].TimeStampInMS() / 100; slot <= end; ++slot) {
            RqelSampleIdx10Hz value = SlotValue(slot);
            value.SetMarked(aStatus != ldsOK);
            Set10HzSlot(slot, value);
        }
    }
    invalidatePositionCache();
    if (FDataSet) {
        FDataSet->NotifyItemChanged(this, itemFilter, TPid());
        FDataSet->setChanged(true);
    }
}
