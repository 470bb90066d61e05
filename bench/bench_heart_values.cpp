// The heart rate and the impact signal over a 90-minute transponder (beats at about 2 Hz,
// accelerometer at 100 Hz), as the analyses read them: getHeartbeatValue and calcImpact at every
// 10 ms, and calcMaxHeartbeat with a 30 s interval over the whole span (what the heart-rate
// analysis asks at its end). Each reports ns per call and heap allocations per call; the
// baselines compute the same sums over plain arrays (a binary search and a weighted loop, no
// store, kernel or value decoding). Ratios are printed at the end.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "allocation_counter.h"
#include "model/dataset/dataset.h"
#include "model/transponder/heart_values.h"
#include "model/transponder/transponder_data.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kDurationMS = 90 * 60 * 1000;
constexpr int32_t kAccelerometerStepMS = 10;
constexpr int32_t kCallStepMS = 10;
constexpr int64_t kCalls = kDurationMS / kCallStepMS;
constexpr int32_t kHeartbeatInterval = 2000;
constexpr uint16_t kAntenna = 1;

// Beats per minute between 90 and 170, changing slowly.
int32_t RateAt(int32_t aTimeInMS) {
    return 130 + static_cast<int32_t>(40 * std::sin(aTimeInMS / 300000.0));
}

RqelLPMSample AccelerometerSample(int32_t anIndex) {
    RqelLPMSample sample;
    sample.setAntennaID(kAntenna);
    sample.setXinMM(5000 + anIndex % 1000);
    sample.setYinMM(30000);
    sample.setQuality(0x7800);
    sample.setTelemetryType(anIndex % 7 == 0 ? 124 : 125);
    sample.bytes[29] = static_cast<uint8_t>(56 + anIndex % 13);
    sample.bytes[30] = static_cast<uint8_t>(anIndex % 9);
    sample.bytes[31] = static_cast<uint8_t>(anIndex % 5);
    return sample;
}

struct Recording {
    TqelDataset dataset;
    TqelTransponderData tp{&dataset, false};
    // The same data as plain arrays, for the baselines.
    std::vector<int32_t> beatTimes;
    std::vector<double> beatRates;
    std::vector<double> heartbeatWeights;
    std::vector<int32_t> accelTimes;
    std::vector<double> accelValues;
    std::vector<double> accelWeights;

    Recording() {
        dataset.setAntennaEntry(kAntenna, {0, 1});
        dataset.setUseTelemetryIDs(true);
        dataset.setHeartbeatInterval(kHeartbeatInterval);
        dataset.setHeartbeatSensitivity(75);
        for (int32_t t = 0; t < kDurationMS;) {
            const int32_t rate = RateAt(t);
            tp.AddHeartbeat(t, static_cast<uint16_t>(rate << 8), 56);
            beatTimes.push_back(t);
            beatRates.push_back(rate);
            t += 60000 / rate;
        }
        for (int32_t i = 0; i * kAccelerometerStepMS < kDurationMS; ++i) {
            tp.AddSample(i * kAccelerometerStepMS, AccelerometerSample(i));
            accelTimes.push_back(i * kAccelerometerStepMS);
            accelValues.push_back(tp.AccelerometerFiltered(i).GetAcceleration());
        }
        dataset.setDurationInMS(kDurationMS);
        for (int32_t i = 0; i < kHeartbeatInterval; ++i) {
            heartbeatWeights.push_back(dataset.getHeartbeatWeight(i));
        }
        for (int32_t i = 0; i <= 75; ++i) {
            accelWeights.push_back(dataset.getAccelerometerWeight(i));
        }
    }

    // The weighted harmonic mean of the rates within the interval, over plain arrays.
    double PlainHeartRate(int32_t aTimeInMS) const {
        const auto from =
            std::upper_bound(beatTimes.begin(), beatTimes.end(), aTimeInMS - kHeartbeatInterval);
        double weights = 0;
        double intervals = 0;
        for (size_t i = static_cast<size_t>(from - beatTimes.begin());
             i < beatTimes.size() && beatTimes[i] < aTimeInMS + kHeartbeatInterval; ++i) {
            const double w =
                heartbeatWeights[static_cast<size_t>(std::abs(aTimeInMS - beatTimes[i]))];
            weights += w;
            intervals += w / beatRates[i];
        }
        return weights > 0 ? weights / intervals : 0;
    }

    double PlainImpact(int32_t aTimeInMS) const {
        const auto from = std::upper_bound(accelTimes.begin(), accelTimes.end(), aTimeInMS - 75);
        double weights = 0;
        double sum = 0;
        for (size_t i = static_cast<size_t>(from - accelTimes.begin());
             i < accelTimes.size() && accelTimes[i] < aTimeInMS + 75; ++i) {
            const double w = accelWeights[static_cast<size_t>(std::abs(aTimeInMS - accelTimes[i]))];
            weights += w;
            sum += w * accelValues[i];
        }
        return weights > 0 ? sum / weights : 0;
    }
};

Recording& NinetyMinutes() {
    static Recording recording;
    return recording;
}

// aCall(t) at every 10 ms of the recording, once per iteration.
template <class Call>
void EveryTenMilliseconds(benchmark::State& state, Call&& aCall) {
    NinetyMinutes();
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : state) {
        double sum = 0;
        for (int32_t t = 0; t < kDurationMS; t += kCallStepMS) {
            sum += aCall(t);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["allocs/call"] =
        static_cast<double>(qel::bench::AllocationCount() - allocationsBefore) /
        (static_cast<double>(kCalls) * static_cast<double>(state.iterations()));
    state.counters["time/call"] = benchmark::Counter(
        static_cast<double>(kCalls),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_GetHeartbeatValue(benchmark::State& state) {
    TqelTransponderData& tp = NinetyMinutes().tp;
    EveryTenMilliseconds(state, [&tp](int32_t t) { return tp.getHeartbeatValue(t, false); });
}

void BM_GetHeartbeatValueBaseline(benchmark::State& state) {
    const Recording& r = NinetyMinutes();
    EveryTenMilliseconds(state, [&r](int32_t t) { return r.PlainHeartRate(t); });
}

void BM_CalcImpact(benchmark::State& state) {
    TqelTransponderData& tp = NinetyMinutes().tp;
    EveryTenMilliseconds(state, [&tp](int32_t t) { return tp.calcImpact(t); });
}

void BM_CalcImpactBaseline(benchmark::State& state) {
    const Recording& r = NinetyMinutes();
    EveryTenMilliseconds(state, [&r](int32_t t) { return r.PlainImpact(t); });
}

void BM_CalcMaxHeartbeat(benchmark::State& state) {
    TqelTransponderData& tp = NinetyMinutes().tp;
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : state) {
        int32_t time = 0;
        int32_t value = 0;
        benchmark::DoNotOptimize(tp.calcMaxHeartbeat(0, kDurationMS, 30, 10, time, value));
        benchmark::DoNotOptimize(value);
    }
    state.counters["allocs/call"] =
        static_cast<double>(qel::bench::AllocationCount() - allocationsBefore) /
        static_cast<double>(state.iterations());
}

// The same windows over the plain heart rate.
void BM_CalcMaxHeartbeatBaseline(benchmark::State& state) {
    const Recording& r = NinetyMinutes();
    for (auto _ : state) {
        int32_t time = 0;
        int32_t value = 0;
        benchmark::DoNotOptimize(qel::SteadyHeartbeatMaximum(
            0, kDurationMS, kDurationMS, 30, 10, [&r](int32_t t) { return r.PlainHeartRate(t); },
            time, value));
        benchmark::DoNotOptimize(value);
    }
}

BENCHMARK(BM_GetHeartbeatValue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetHeartbeatValueBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcImpact)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcImpactBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcMaxHeartbeat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcMaxHeartbeatBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
