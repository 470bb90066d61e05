// Motion values of a transponder: speeds, accelerations, distances, direction, sample frequency,
// GPS position and the place tests, from its positions, raw samples, 10 Hz index and
// accelerometer samples.
//
// Threads: these run on the main thread and on the recorder's cadence thread while the main
// thread appends. They take no lock of their own beyond the index lock for a copy of 10 Hz slots
// (calcPosition takes the cache lock), read samples below counts loaded with acquire, and
// allocate nothing.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "foundation/geometry.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/transponder/transponder_data.h"

namespace {

// The speeds walk their frame in steps of 50 ms.
constexpr int32_t GridStepMS = 50;
constexpr int32_t GridMarginMS = 25;
// A ball's step counts up to this many metres per 50 ms; a longer one is a jump.
constexpr double BallMaxStepInM = 2.0;
// Spike limits of two positions of one run differ by at most this many ms.
constexpr int32_t SpikeToleranceMS = 2;
// Beyond this X (m) a position is the no-position value.
constexpr double NoPositionLimitInM = 999;
constexpr int32_t RawSpeedReachMS = 1000;
constexpr int32_t RawReachMS = 2000;
constexpr int32_t FrequencyIntervals = 4;
constexpr double AccelerometerAtRest = 1.0;

int32_t Saturated(int64_t aValue) {
    return static_cast<int32_t>(std::clamp<int64_t>(aValue, INT32_MIN, INT32_MAX));
}

// A speed frame: its half-width F and its span [Start, End], clipped to the dataset.
struct SpeedFrame {
    int32_t HalfWidth = 0;
    int32_t Start = 0;
    int32_t End = 0;

    // Speeds are divided by the full frame 2F, also where it was clipped.
    double FullSeconds() const { return 2.0 * HalfWidth / 1000; }
};

// False when the frame is empty: no dataset, a frame of 0 or less (0 / 0 would be a NaN speed
// that passes every limit), a dataset shorter than the frame, or a time beyond the dataset.
bool SpeedFrameAt(const TqelDataset* aDataSet, int32_t aTimeStampInMS, int32_t aSpeedFrameInterval,
                  SpeedFrame& aFrame) {
    if (!aDataSet) {
        return false;
    }
    const int32_t halfWidth =
        aSpeedFrameInterval == 0 ? aDataSet->SpeedFrameInterval() : aSpeedFrameInterval;
    if (halfWidth <= 0) {
        return false;
    }
    const int64_t last = int64_t{aDataSet->DurationInMS()} - 1;
    if (last < halfWidth) {
        return false;
    }
    const int64_t start = std::max<int64_t>(0, int64_t{aTimeStampInMS} - halfWidth);
    const int64_t end = std::min<int64_t>(last, int64_t{aTimeStampInMS} + halfWidth);
    if (start > end) {
        return false;
    }
    aFrame.HalfWidth = halfWidth;
    aFrame.Start = static_cast<int32_t>(start);
    aFrame.End = static_cast<int32_t>(end);
    return true;
}

// Hands aVisit the positions at the frame's start, at every multiple of 50 ms at least 25 ms
// inside both ends, and at its end, in time order. The grid times are shared by nearby frames, so
// the position cache serves most of them.
template <class Visit>
void WalkSpeedGrid(TqelTransponderData& aTP, const SpeedFrame& aFrame, Visit&& aVisit) {
    aVisit(aTP.calcPosition(aFrame.Start));
    const int64_t first =
        (int64_t{aFrame.Start} + GridMarginMS + GridStepMS - 1) / GridStepMS * GridStepMS;
    for (int64_t g = first; g < int64_t{aFrame.End} - GridMarginMS; g += GridStepMS) {
        aVisit(aTP.calcPosition(static_cast<int32_t>(g)));
    }
    aVisit(aTP.calcPosition(aFrame.End));
}

bool SameSpike(int32_t aFirst, int32_t aSecond) {
    return std::abs(int64_t{aFirst} - int64_t{aSecond}) <= SpikeToleranceMS;
}

// Whether two consecutive positions may form a step: positions of the weighted run algorithm
// carry the limits of their spike-free run, and a step between two runs is no movement.
bool SameRun(const RqelCalculatedPosition& aFirst, const RqelCalculatedPosition& aSecond) {
    if (aFirst.SpikeHigh == 0 && aSecond.SpikeLow == 0) {
        return true;
    }
    const bool sameHigh = SameSpike(aFirst.SpikeHigh, aSecond.SpikeHigh);
    const bool sameLow = SameSpike(aFirst.SpikeLow, aSecond.SpikeLow);
    return (sameHigh && (sameLow || aSecond.SpikeLow == 0)) ||
           (sameLow && (sameHigh || aFirst.SpikeHigh == 0));
}

}  // namespace

// --- Speeds ---

double TqelTransponderData::calcSpeed(int32_t aTimeStampInMS, bool& aIsValid,
                                      int32_t aSpeedFrameInterval) {
    aIsValid = false;
    try {
        SpeedFrame frame;
        if (!SpeedFrameAt(FDataSet, aTimeStampInMS, aSpeedFrameInterval, frame)) {
            return 0;
        }
        const bool ball = Role() == roleBall;
        const int32_t maxSpeed = FDataSet->MaxSpeed();
        // The distance covered at the maximum speed in one grid step.
        const double maxStep = maxSpeed * GridStepMS / 1000.0;
        double distance = 0;
        bool counted = false;
        RqelCalculatedPosition previous;
        bool hasPrevious = false;
        WalkSpeedGrid(*this, frame, [&](const RqelCalculatedPosition& aPos) {
            if (!aPos.OnField) {
                return;
            }
            if (hasPrevious && SameRun(previous, aPos)) {
                const double step = Distance2D(previous, aPos);
                if (ball) {
                    if (step < BallMaxStepInM) {
                        distance += step;
                        counted = true;
                    }
                } else if (step < 2 * maxStep) {
                    // A step up to twice the possible one is a measuring error on a real move.
                    distance += std::min(step, maxStep);
                    counted = true;
                }
            }
            previous = aPos;
            hasPrevious = true;
        });
        if (!counted) {
            return 0;
        }
        const double speed = distance / frame.FullSeconds();
        if (!ball && speed > maxSpeed) {
            return 0;
        }
        aIsValid = true;
        return speed;
    } catch (const Exception&) {
        aIsValid = false;
        return 0;
    }
}

double TqelTransponderData::calcSpeed(int32_t aTimeStampInMS, int32_t aSpeedFrameInterval) {
    bool valid = false;
    return calcSpeed(aTimeStampInMS, valid, aSpeedFrameInterval);
}

double TqelTransponderData::calcSpeedOld(int32_t aTimeStampInMS, bool& aIsValid,
                                         int32_t aSpeedFrameInterval) {
    aIsValid = false;
    SpeedFrame frame;
    if (!SpeedFrameAt(FDataSet, aTimeStampInMS, aSpeedFrameInterval, frame)) {
        return 0;
    }
    const RqelCalculatedPosition first = calcPosition(frame.Start);
    const RqelCalculatedPosition last = calcPosition(frame.End);
    if (first.XinM > NoPositionLimitInM || last.XinM > NoPositionLimitInM ||
        !SameRun(first, last)) {
        return 0;
    }
    const double speed = Distance2D(first, last) / frame.FullSeconds();
    if (Role() != roleBall && speed > FDataSet->MaxSpeed()) {
        return 0;
    }
    aIsValid = true;
    return speed;
}

double TqelTransponderData::calcSpeed2(int32_t aTimeStampInMS, int32_t aSpeedFrameInterval) {
    SpeedFrame frame;
    if (!SpeedFrameAt(FDataSet, aTimeStampInMS, aSpeedFrameInterval, frame) ||
        frame.End <= frame.Start) {
        return 0;
    }
    return calcDistance(frame.Start, frame.End) / ((frame.End - frame.Start) / 1000.0);
}

double TqelTransponderData::calcSpeed3D(int32_t aTimeStampInMS, int32_t aSpeedFrameInterval) {
    SpeedFrame frame;
    if (!SpeedFrameAt(FDataSet, aTimeStampInMS, aSpeedFrameInterval, frame)) {
        return 0;
    }
    double distance = 0;
    RqelCalculatedPosition previous;
    bool hasPrevious = false;
    WalkSpeedGrid(*this, frame, [&](const RqelCalculatedPosition& aPos) {
        // A position that was not found holds the no-position value, some 100 km away.
        if (hasPrevious && previous.OnField && aPos.OnField && SameRun(previous, aPos)) {
            distance += Distance3D(previous, aPos);
        }
        previous = aPos;
        hasPrevious = true;
    });
    return distance / frame.FullSeconds();
}

double TqelTransponderData::calcSpeedRAW(int32_t aTimeStampInMS) const {
    int32_t index = getLastSampleIndexBefore(aTimeStampInMS, RawSpeedReachMS);
    if (index < 0) {
        index = getFirstSampleIndexAfter(aTimeStampInMS, RawSpeedReachMS);
    }
    if (index < 0 || index >= SampleCount()) {
        return 0;
    }
    return FSamples[index].SpeedInMS();
}

double TqelTransponderData::calcSpeedFiltered(int32_t) const {
    return 0;
}

// --- Accelerations ---

double TqelTransponderData::calcAcceleration(int32_t aTimeStampInMS) {
    if (!FDataSet) {
        return 0;
    }
    const int32_t halfWidth = FDataSet->AccelFrameInterval();
    const int32_t newest = getLastSampleTime();
    if (halfWidth <= 0 || newest < halfWidth) {
        return 0;
    }
    int64_t start = int64_t{aTimeStampInMS} - halfWidth;
    int64_t end = int64_t{aTimeStampInMS} + halfWidth;
    if (start < 0) {
        start = 0;
        end = halfWidth;
    }
    if (end > newest) {
        start = std::max<int64_t>(0, int64_t{newest} - halfWidth);
        end = newest;
    }
    bool startValid = false;
    bool endValid = false;
    const double startSpeed = calcSpeed(static_cast<int32_t>(start), startValid, 0);
    const double endSpeed = calcSpeed(static_cast<int32_t>(end), endValid, 0);
    if (!startValid || !endValid) {
        return 0;
    }
    // Divided by the full frame also at the two ends, where the span is only half of it.
    return (endSpeed - startSpeed) / (2.0 * halfWidth / 1000);
}

double TqelTransponderData::calcAcceleration2(int32_t aTimeStampInMS) const {
    constexpr int32_t reach = qel::SmoothingKernels::AccelerometerReach;
    const int64_t from = int64_t{aTimeStampInMS} - reach;
    const int64_t to = int64_t{aTimeStampInMS} + reach;
    const int32_t count = AccelerometerCount();
    if (!FDataSet || count == 0) {
        return AccelerometerAtRest;
    }
    // The last sample at or before the window's start; the time is the word's low 31 bits.
    int32_t low = 0;
    int32_t high = count;
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (FAccelerometer[middle].TimestampInMS() <= from) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low == 0) {
        return AccelerometerAtRest;
    }
    const std::shared_ptr<const qel::SmoothingKernels> kernels = FDataSet->Kernels();
    double sum = 0;
    double weights = 0;
    for (int32_t i = low - 1; i < count; ++i) {
        const RqelAccelerometerSample& sample = FAccelerometer[i];
        const int64_t time = sample.TimestampInMS();
        if (time >= to) {
            break;
        }
        if (time > from) {
            const double weight =
                kernels->AccelerometerWeight(static_cast<int32_t>(time - aTimeStampInMS));
            sum += sample.GetAcceleration() * weight;
            weights += weight;
        }
    }
    // A NaN sum is passed on as it is.
    if (!(weights <= 0)) {
        return sum / weights;
    }
    return AccelerometerAtRest;
}

double TqelTransponderData::calcAccelerationAxis(int32_t aTimeStampInMS, int32_t aAxis) const {
    // Truncation would take -99..-1 ms to slot 0 and earlier times to slots below 0.
    if (aTimeStampInMS < 0) {
        return 0;
    }
    const int32_t slot = aTimeStampInMS / 100;
    if (slot >= AccelerometerIdx10HzCapacity()) {
        return 0;
    }
    int32_t index = AccelerometerIdx10Hz(slot);
    if (index < 0) {
        return 0;
    }
    // The entry is published before the count: an entry at the count is not there yet.
    const int32_t count = AccelerometerCount();
    while (index < count && FAccelerometer[index].TimestampInMS() < aTimeStampInMS) {
        ++index;
    }
    if (index >= count) {
        return 0;
    }
    return FAccelerometer[index].GetAccelValue(aAxis);
}

// --- Distances ---

double TqelTransponderData::calcDistance(int32_t aStartTimestampInMS, int32_t aEndTimestampInMS) {
    const int32_t startPart = aStartTimestampInMS % 100;
    const int32_t endPart = aEndTimestampInMS % 100;
    int64_t start = 0;
    int64_t end = 0;
    {
        // One lock for the slot lookups and the four copies: the live update rewrites slots.
        std::lock_guard lock(FCriticalIndexSection);
        const int32_t s0 = Get10HzIndex(aStartTimestampInMS);
        const int32_t s1 =
            endPart == 0 ? Get10HzIndex(aEndTimestampInMS) : Get10HzRoundUpIndex(aEndTimestampInMS);
        if (s0 < 0 || s1 < 0 || s0 >= s1) {
            return 0;
        }
        const int64_t d0 = SlotValue(s0).CumDistanceInMM();
        const int64_t d1 = SlotValue(s1).CumDistanceInMM();
        // 64-bit products: a slot step of more than 21 km would overflow 32 bits.
        start = d0 * 100 + startPart * (SlotValue(s0 + 1).CumDistanceInMM() - d0);
        if (endPart == 0) {
            end = d1 * 100;
        } else {
            const int64_t before = SlotValue(s1 - 1).CumDistanceInMM();
            end = before * 100 + endPart * (d1 - before);
        }
    }
    // Both are in hundredths of a mm.
    return static_cast<double>(end - start) / 100 / 1000;
}

double TqelTransponderData::calcDistanceRAW(int32_t aStartTimestampInMS,
                                            int32_t aEndTimestampInMS) const {
    const int32_t span = Saturated(int64_t{aEndTimestampInMS} - aStartTimestampInMS);
    // A search for the first sample after a time answers the count when the time is at or
    // after the newest sample.
    auto firstAfter = [this](int32_t aTime, int32_t aRange) {
        const int32_t index = getFirstSampleIndexAfter(aTime, aRange);
        return index < SampleCount() ? index : -1;
    };
    int32_t first = getLastSampleIndexBefore(aStartTimestampInMS, RawReachMS);
    if (first < 0) {
        first = firstAfter(aStartTimestampInMS, span);
    }
    int32_t last = firstAfter(aEndTimestampInMS, RawReachMS);
    if (last < 0) {
        last = getLastSampleIndexBefore(aEndTimestampInMS, span);
    }
    if (first < 0 || last < 0) {
        return 0;
    }
    return (int64_t{FSamples[last].DistanceInMM()} - FSamples[first].DistanceInMM()) / 1000.0;
}

// --- Direction and frequency ---

double TqelTransponderData::calcDirection(int32_t aTimeStampInMS, int32_t aTimeOffset) {
    const RqelCalculatedPosition now = calcPosition(aTimeStampInMS);
    const RqelCalculatedPosition before =
        calcPosition(Saturated(int64_t{aTimeStampInMS} - aTimeOffset));
    return CalcBearing(now, before);
}

double TqelTransponderData::calcFrequency(int32_t aTimeStampInMS) const {
    const int32_t index = getLastSampleIndexBefore(aTimeStampInMS, RawReachMS);
    if (index < FrequencyIntervals) {
        return 0;
    }
    const int64_t elapsed = int64_t{FSamples[index].TimeStampInMS()} -
                            FSamples[index - FrequencyIntervals].TimeStampInMS();
    return elapsed > 0 ? FrequencyIntervals * 1000.0 / static_cast<double>(elapsed) : 0;
}

// --- Place ---

RqelGPSPosition TqelTransponderData::calcGPSPosition(int32_t aTimeStampInMS) {
    const TqelField* field = FDataSet ? FDataSet->Field() : nullptr;
    if (!field) {
        RqelGPSPosition none;
        none.Clear();
        return none;
    }
    return field->calcGPSPosition(calcPosition(aTimeStampInMS));
}

double TqelTransponderData::calcLatitude(int32_t aTimeStampInMS) {
    return calcGPSPosition(aTimeStampInMS).Latitude();
}

double TqelTransponderData::calcLongitude(int32_t aTimeStampInMS) {
    return calcGPSPosition(aTimeStampInMS).Longitude();
}

bool TqelTransponderData::isOnField(int32_t aTimeStampInMS) {
    if (!FDataSet) {
        return false;
    }
    const int32_t duration = std::max(FDataSet->DurationInMS(), 0);
    return isOnField(calcPosition(std::clamp(aTimeStampInMS, 0, duration)));
}

bool TqelTransponderData::isOnField(const RqelCalculatedPosition& aPos) {
    const TqelField* field = FDataSet ? FDataSet->Field() : nullptr;
    return field && field->isOnField(aPos);
}

bool TqelTransponderData::isInSector(const RqelFieldSectorDef& aSector,
                                     const RqelCalculatedPosition& aPos) {
    const RqelFieldBox& box = aSector.Box;
    return box.LeftTop.XinMM / 1000.0 <= aPos.XinM && aPos.XinM < box.RightBottom.XinMM / 1000.0 &&
           box.RightBottom.YinMM / 1000.0 <= aPos.YinM && aPos.YinM < box.LeftTop.YinMM / 1000.0;
}

bool TqelTransponderData::isInSector(const RqelFieldSectorDef& aSector,
                                     const RqelFieldPosition& aPos) {
    const RqelFieldBox& box = aSector.Box;
    return box.LeftTop.XinMM <= aPos.XinMM && aPos.XinMM < box.RightBottom.XinMM &&
           box.RightBottom.YinMM <= aPos.YinMM && aPos.YinMM < box.LeftTop.YinMM;
}

bool TqelTransponderData::isOnIce(int32_t, double, double) const {
    return true;
}
