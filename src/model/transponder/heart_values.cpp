// The values a transponder's telemetry gives besides its position: heart rate, accelerometer
// (gravity and impacts), battery, and the raw samples' quality and window statistics.

#include "model/transponder/heart_values.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

namespace {

// Heart rates a sample or a result may have; others are sensor faults.
constexpr double MinHeartRate = 40;
constexpr double MaxHeartRate = 230;
// Half-width of the impact and gravity window: the accelerometer kernel's reach.
constexpr int32_t AccelerometerWindowInMS = qel::SmoothingKernels::AccelerometerReach;
// Half-width of the base-station window.
constexpr int32_t BaseStationWindowInMS = 250;

bool UsableSample(double aRate) {
    return aRate >= MinHeartRate && aRate < MaxHeartRate;
}

double UsableResult(double aRate) {
    return aRate >= MinHeartRate && aRate <= MaxHeartRate ? aRate : 0.0;
}

int32_t Clamped(int64_t aValue) {
    return static_cast<int32_t>(std::clamp<int64_t>(aValue, INT32_MIN, INT32_MAX));
}

// The last of the first aCount time-ordered elements whose time is at or before aTime, -1 when
// none. aTimeOf gives an element's time: the records keep flags in their time words, so a
// search on the raw words goes wrong at the first flagged one.
template <class TimeOf>
int32_t LastAtOrBefore(int32_t aCount, int64_t aTime, TimeOf aTimeOf) {
    int32_t low = 0;
    int32_t high = aCount;
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (aTimeOf(middle) <= aTime) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low - 1;
}

}  // namespace

// --- Heart rate ---

double TqelTransponderData::getHeartbeatValue(int32_t aTimeStampInMS, bool aShowSpikes) const {
    const int32_t count = HeartbeatCount();
    if (aTimeStampInMS < 0 || count == 0 || !FDataSet) {
        return 0;
    }
    const int64_t t = aTimeStampInMS;
    const int64_t interval = FDataSet->HeartbeatInterval();
    const bool useTelemetryIDs = FDataSet->UseTelemetryIDs();
    const auto timeOf = [this](int32_t anIndex) { return FHeartbeat[anIndex].GetTimestampInMS(); };

    const int32_t newest = count - 1;
    if (t >= timeOf(newest)) {
        return t < timeOf(newest) + interval
                   ? UsableResult(FHeartbeat[newest].GetHeartbeat(useTelemetryIDs, aShowSpikes))
                   : 0.0;
    }

    // The newest sample of the last second of the window that has one.
    const int32_t seconds = FHeartbeatIdx1Hz.Capacity();
    if (seconds == 0) {
        return 0;
    }
    const int64_t lowestSecond = (t - interval) / 1000;
    int64_t second = std::min<int64_t>((t + interval) / 1000, seconds - 1);
    while (second >= 0 && second > lowestSecond &&
           HeartbeatIdx1Hz(static_cast<int32_t>(second)) == -1) {
        --second;
    }
    if (second < 0) {
        return 0;
    }
    int32_t i = HeartbeatIdx1Hz(static_cast<int32_t>(second));
    if (i < 0) {
        return 0;
    }
    // The entry is published before the count: a sample beyond it is not ours yet.
    i = std::min(i, newest);
    // Back to the first sample after the window's start.
    while (i > 0 && timeOf(i - 1) > t - interval) {
        --i;
    }

    // Weighting the beat intervals (1 / rate), not the rates.
    const std::shared_ptr<const qel::SmoothingKernels> kernels = FDataSet->Kernels();
    double weights = 0;
    double intervals = 0;
    for (; i < count && timeOf(i) < t + interval; ++i) {
        const double rate = FHeartbeat[i].GetHeartbeat(useTelemetryIDs, aShowSpikes);
        if (UsableSample(rate)) {
            const double weight = kernels->HeartbeatWeight(Clamped(t - timeOf(i)));
            weights += weight;
            intervals += weight / rate;
        }
    }
    return weights > 0 ? UsableResult(weights / intervals) : 0.0;
}

double TqelTransponderData::calcHeartbeat(int32_t aTimeStampInMS, bool aShowSpikes) {
    return getHeartbeatValue(aTimeStampInMS, aShowSpikes);
}

double TqelTransponderData::calcHeartbeatFreq(int32_t aTimeStampInMS) const {
    const int32_t count = HeartbeatCount();
    if (count == 0 || !FDataSet) {
        return 0;
    }
    const int64_t interval = FDataSet->HeartbeatInterval();
    const int64_t from = int64_t{aTimeStampInMS} - interval;
    const int64_t to = int64_t{aTimeStampInMS} + interval;
    const bool useTelemetryIDs = FDataSet->UseTelemetryIDs();
    const bool showSpikes = FDataSet->ShowHBSpikes();
    const auto timeOf = [this](int32_t anIndex) { return FHeartbeat[anIndex].GetTimestampInMS(); };

    int32_t beats = 0;
    for (int32_t i = std::max(LastAtOrBefore(count, from, timeOf), 0); i < count && timeOf(i) < to;
         ++i) {
        if (timeOf(i) > from &&
            UsableSample(FHeartbeat[i].GetHeartbeat(useTelemetryIDs, showSpikes))) {
            ++beats;
        }
    }
    return beats == 0 ? 0.0 : beats * 1000.0 / static_cast<double>(2 * interval);
}

double TqelTransponderData::calcAverageHeartbeat(int32_t aStartTimeInMS, int32_t aEndTimeInMS) {
    const int32_t count = HeartbeatCount();
    if (count == 0 || !FDataSet) {
        return 0;
    }
    const bool useTelemetryIDs = FDataSet->UseTelemetryIDs();
    const bool showSpikes = FDataSet->ShowHBSpikes();
    const auto timeOf = [this](int32_t anIndex) { return FHeartbeat[anIndex].GetTimestampInMS(); };

    int32_t beats = 0;
    double intervals = 0;
    for (int32_t i = std::max(LastAtOrBefore(count, aStartTimeInMS, timeOf), 0);
         i < count && timeOf(i) < aEndTimeInMS; ++i) {
        const double rate = FHeartbeat[i].GetHeartbeat(useTelemetryIDs, showSpikes);
        if (timeOf(i) >= aStartTimeInMS && UsableSample(rate)) {
            ++beats;
            intervals += 1 / rate;
        }
    }
    return beats >= 2 ? beats / intervals : 0.0;
}

bool TqelTransponderData::calcMaxHeartbeat(int32_t aStartTimeInMS, int32_t anEndTimeInMS,
                                           int32_t aMinIntervalTimeInSec, int32_t aMaxPeakDiffInBMP,
                                           int32_t& aMaxHBTimeInMS, int32_t& aMaxHeartBeat) const {
    return qel::SteadyHeartbeatMaximum(
        aStartTimeInMS, anEndTimeInMS, FDataSet ? FDataSet->DurationInMS() : 0,
        aMinIntervalTimeInSec, aMaxPeakDiffInBMP,
        [this](int32_t aTimeInMS) { return getHeartbeatValue(aTimeInMS, false); }, aMaxHBTimeInMS,
        aMaxHeartBeat);
}

// --- Accelerometer ---

void TqelTransponderData::CalcFilteredAccelerometerData(double aAlpha) {
    const int32_t count = AccelerometerCount();
    if (count == 0) {
        return;
    }
    while (FAccelerometerFiltered.Capacity() < count) {
        FAccelerometerFiltered.Grow();
    }
    RqelAccelerometerFilteringData state;
    state.Alpha = aAlpha;
    for (int32_t i = 0; i < count; ++i) {
        FAccelerometerFiltered[i] =
            qel::FilterAccelerometerSample(state, FAccelerometer[i], i == 0);
    }
}

namespace {

// The accelerometer-kernel weighted mean of aValue over the filtered records within 75 ms of
// aTimeStampInMS; 0 without one.
template <class Samples, class Filtered, class Value>
double WeightedAccelerometerMean(const Samples& aSamples, const Filtered& aFiltered, int32_t aCount,
                                 const qel::SmoothingKernels& aKernels, int32_t aTimeStampInMS,
                                 Value aValue) {
    const int64_t t = aTimeStampInMS;
    const int64_t from = t - AccelerometerWindowInMS;
    const int64_t to = t + AccelerometerWindowInMS;
    // The samples' time words carry the range flag in bit 31.
    const auto timeOf = [&aSamples](int32_t anIndex) { return aSamples[anIndex].TimestampInMS(); };
    double weights = 0;
    double sum = 0;
    for (int32_t i = std::max(LastAtOrBefore(aCount, from, timeOf), 0);
         i < aCount && aFiltered[i].TimeStampInMS < to; ++i) {
        const auto& record = aFiltered[i];
        if (record.TimeStampInMS > from) {
            const double weight = aKernels.AccelerometerWeight(Clamped(record.TimeStampInMS - t));
            weights += weight;
            sum += weight * aValue(record);
        }
    }
    return weights > 0 ? sum / weights : 0.0;
}

}  // namespace

double TqelTransponderData::calcImpact(int32_t aTimeStampInMS) {
    const int32_t count = AccelerometerCount();
    if (count == 0 || !FDataSet) {
        return 0;
    }
    return WeightedAccelerometerMean(
        FAccelerometer, FAccelerometerFiltered, count, *FDataSet->Kernels(), aTimeStampInMS,
        [](const RqelAccelerometerFiltered& aRecord) { return aRecord.GetAcceleration(); });
}

double TqelTransponderData::calcLowPassGrav(int32_t aTimeStampInMS) {
    const int32_t count = AccelerometerCount();
    if (count == 0 || !FDataSet) {
        return 0;
    }
    return WeightedAccelerometerMean(
        FAccelerometer, FAccelerometerFiltered, count, *FDataSet->Kernels(), aTimeStampInMS,
        [](const RqelAccelerometerFiltered& aRecord) { return aRecord.LowPassGrav; });
}

// --- Gallops and impacts ---

// The equestrian and impact analyses keep what these count; a transponder without them has
// nothing to count.
int32_t TqelTransponderData::calcGallop(int32_t, int32_t) const {
    return 0;
}

int32_t TqelTransponderData::calcNumberGallops(int32_t, int32_t) const {
    return 0;
}

// --- Battery ---

int32_t TqelTransponderData::calcBatteryStatus(int32_t aTimeStampInMS) const {
    const int32_t i = LastAtOrBefore(BatteryCount(), aTimeStampInMS, [this](int32_t anIndex) {
        return FBatteryStatus[anIndex].TimeStampInMS();
    });
    return i < 0 ? 0 : FBatteryStatus[i].Flag() & 3;
}

double TqelTransponderData::calcBatteryVoltage(int32_t aTimeStampInMS) const {
    const int32_t i = LastAtOrBefore(BatteryCount(), aTimeStampInMS, [this](int32_t anIndex) {
        return FBatteryStatus[anIndex].TimeStampInMS();
    });
    return i < 0 ? 0.0 : FBatteryStatus[i].Voltage() / 1000.0;
}

// --- Raw samples ---

double TqelTransponderData::calcBaseStationsUsed(int32_t aTimeStampInMS) const {
    const int32_t first = getFirstSampleIndexAfter(
        Clamped(int64_t{aTimeStampInMS} - BaseStationWindowInMS), 2 * BaseStationWindowInMS);
    const int32_t last = getLastSampleIndexBefore(
        Clamped(int64_t{aTimeStampInMS} + BaseStationWindowInMS), 2 * BaseStationWindowInMS);
    // The very first sample counts as none: a window there has no history yet.
    if (first <= 0 || last <= 0 || first >= last) {
        return 0;
    }
    int64_t sum = 0;
    for (int32_t i = first; i <= last; ++i) {
        sum += GetSampleQuality(i);
    }
    return static_cast<double>(sum) / (last - first + 1);
}

void TqelTransponderData::calcRawWindowStats(int32_t aStartInMS, int32_t anEndInMS,
                                             int32_t& aSampleCount,
                                             RqelCalculatedPosition& anAveragePos,
                                             double& aLargestDist) const {
    aSampleCount = 0;
    const int32_t first =
        getFirstSampleIndexAfter(aStartInMS, Clamped(int64_t{anEndInMS} - aStartInMS));
    const int32_t count = SampleCount();
    if (first < 0 || first >= count) {
        return;
    }
    double sumX = 0;
    double sumY = 0;
    double largest = 0;
    int32_t samples = 0;
    for (int32_t i = first; i < count && FSamples[i].TimeStampInMS() <= anEndInMS; ++i) {
        const double x = getRawSampleX(i);
        const double y = getRawSampleY(i);
        if (samples > 0) {
            largest =
                std::max(largest, std::hypot(x - getRawSampleX(i - 1), y - getRawSampleY(i - 1)));
        }
        sumX += x;
        sumY += y;
        ++samples;
    }
    if (samples == 0) {
        return;
    }
    aSampleCount = samples;
    anAveragePos.XinM = sumX / samples;
    anAveragePos.YinM = sumY / samples;
    aLargestDist = largest;
}
