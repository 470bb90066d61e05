// calcPosition per algorithm (argument: 0 last known, 1 closest known, 2 linear interpolation,
// 3 weighted average, 4 weighted run) on a two-hour 40 Hz transponder: the 10 Hz times in order
// (the live update and the rebuild), the 50 ms grid of the speed (each time asked twice), and
// random times; then the weighted run algorithm itself at its window of 2,000 samples. Each
// reports ns per call, the cache hit rate and heap allocations per call; the baselines are a
// plain binary search with an interpolation between two plain samples, and a plain weighted sum
// over 2,000 samples. Ratios are printed at the end.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "allocation_counter.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kStepMS = 25;
constexpr int32_t kDurationMS = 2 * 3600 * 1000;
constexpr int32_t kRandomCalls = 100000;
constexpr int32_t kRunSamples = 60000;  // one a millisecond

RqelLPMSample Sample(uint16_t anAntennaID, int32_t aTimeInMS) {
    // Back and forth along the pitch at 1.5 m/s, drifting across at 0.05 m/s: never a jump.
    const int32_t along = aTimeInMS % 20000;
    const int32_t across = aTimeInMS / 20 % 10000;
    RqelLPMSample sample;
    sample.setAntennaID(anAntennaID);
    sample.setXinMM(5000 + (along < 10000 ? along : 20000 - along) * 15 / 10);
    sample.setYinMM(30000 + (across < 5000 ? across : 10000 - across));
    sample.setZinMM(1200);
    sample.setQuality(0x7800);
    return sample;
}

struct Recording {
    TqelDataset dataset;
    TqelTransponderData tp{&dataset, false};
    std::vector<int32_t> times;
    std::vector<double> xs;

    Recording(int32_t aDurationMS, int32_t aStepMS) {
        dataset.setAntennaEntry(1, {0, 1});
        for (int32_t t = aStepMS; t <= aDurationMS; t += aStepMS) {
            tp.AddSample(t, Sample(1, t));
            times.push_back(t);
            xs.push_back(tp.GetSampleXinM(tp.SampleCount() - 1));
        }
        dataset.setDurationInMS(aDurationMS);
    }
};

Recording& TwoHours() {
    static Recording recording(kDurationMS, kStepMS);
    return recording;
}

Recording& OneAMillisecond() {
    static Recording recording(kRunSamples, 1);
    return recording;
}

int32_t RandomTime(int32_t anIndex, int32_t aDurationMS) {
    return static_cast<int32_t>(static_cast<uint32_t>(anIndex) * 2654435761u %
                                static_cast<uint32_t>(aDurationMS));
}

// Runs aCalls(tp) once per iteration on a cleared cache; aCount calls per iteration.
template <class Calls>
void RunAlgorithm(benchmark::State& state, int64_t aCount, Calls&& aCalls) {
    Recording& r = TwoHours();
    r.dataset.setPositionAlgorithm(static_cast<TqelPositionAlgorithm>(state.range(0)));
    r.dataset.setPositionSensitivity(10);
    r.tp.SetPositionFunction(static_cast<TqelPositionAlgorithm>(state.range(0)));
    r.tp.setPositionSensitivity(10);
    (void)r.tp.calcPosition(1);  // the cache is allocated on first use
    int64_t requests = 0;
    int64_t hits = 0;
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : state) {
        state.PauseTiming();
        r.tp.invalidatePositionCache();
        r.dataset.resetCacheStats();
        state.ResumeTiming();
        double sum = 0;
        aCalls(r.tp, sum);
        benchmark::DoNotOptimize(sum);
        // The dataset halves its counters as they grow: take them over the last requests.
        requests += r.dataset.CacheRequests();
        hits += r.dataset.CacheHits();
    }
    const double calls = static_cast<double>(aCount) * static_cast<double>(state.iterations());
    state.counters["allocs/call"] =
        static_cast<double>(qel::bench::AllocationCount() - allocationsBefore) / calls;
    state.counters["hit_rate"] = requests > 0 ? static_cast<double>(hits) / requests : 0;
    state.counters["time/call"] = benchmark::Counter(
        static_cast<double>(aCount),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The core of every lookup without cache, locks or filters: a binary search in plain times and
// an interpolation between the two samples around the time.
double PlainPosition(const Recording& r, int32_t aTimeInMS) {
    const auto after = std::upper_bound(r.times.begin(), r.times.end(), aTimeInMS);
    if (after == r.times.begin() || after == r.times.end()) {
        return 0;
    }
    const size_t n = static_cast<size_t>(after - r.times.begin()) - 1;
    return r.xs[n] +
           (aTimeInMS - r.times[n]) * (r.xs[n + 1] - r.xs[n]) / (r.times[n + 1] - r.times[n]);
}

template <class Calls>
void RunBaseline(benchmark::State& state, int64_t aCount, Calls&& aCalls) {
    const Recording& r = TwoHours();
    for (auto _ : state) {
        double sum = 0;
        aCalls(r, sum);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["time/call"] = benchmark::Counter(
        static_cast<double>(aCount),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

constexpr int64_t kInOrderCalls = kDurationMS / 100;
constexpr int64_t kSpeedGridCalls = 2 * (kDurationMS / 50 - 1);

void BM_InOrder10Hz(benchmark::State& state) {
    RunAlgorithm(state, kInOrderCalls, [](TqelTransponderData& tp, double& sum) {
        for (int32_t t = 0; t < kDurationMS; t += 100) {
            sum += tp.calcPosition(t).XinM;
        }
    });
}

void BM_InOrder10HzBaseline(benchmark::State& state) {
    RunBaseline(state, kInOrderCalls, [](const Recording& r, double& sum) {
        for (int32_t t = 0; t < kDurationMS; t += 100) {
            sum += PlainPosition(r, t);
        }
    });
}

// The speed takes the positions at both ends of a 50 ms frame, frame after frame.
void BM_SpeedGrid(benchmark::State& state) {
    RunAlgorithm(state, kSpeedGridCalls, [](TqelTransponderData& tp, double& sum) {
        for (int32_t t = 50; t < kDurationMS; t += 50) {
            sum += tp.calcPosition(t).XinM - tp.calcPosition(t - 50).XinM;
        }
    });
}

void BM_SpeedGridBaseline(benchmark::State& state) {
    RunBaseline(state, kSpeedGridCalls, [](const Recording& r, double& sum) {
        for (int32_t t = 50; t < kDurationMS; t += 50) {
            sum += PlainPosition(r, t) - PlainPosition(r, t - 50);
        }
    });
}

void BM_RandomTimes(benchmark::State& state) {
    RunAlgorithm(state, kRandomCalls, [](TqelTransponderData& tp, double& sum) {
        for (int32_t i = 0; i < kRandomCalls; ++i) {
            sum += tp.calcPosition(RandomTime(i, kDurationMS)).XinM;
        }
    });
}

void BM_RandomTimesBaseline(benchmark::State& state) {
    RunBaseline(state, kRandomCalls, [](const Recording& r, double& sum) {
        for (int32_t i = 0; i < kRandomCalls; ++i) {
            sum += PlainPosition(r, RandomTime(i, kDurationMS));
        }
    });
}

// The weighted run over its largest window: 2,000 samples around each time.
void BM_RunWindow2000(benchmark::State& state) {
    Recording& r = OneAMillisecond();
    r.dataset.setPositionAlgorithm(posWeightedSportVU);
    r.dataset.setPositionSensitivity(75);
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    int64_t found = 0;
    for (auto _ : state) {
        RqelCalculatedPosition position;
        for (int32_t i = 0; i < 1000; ++i) {
            const int32_t t = 1000 + RandomTime(i, kRunSamples - 2000);
            found += r.tp.calcPositionByWeightedSportVU(t, position) ? 1 : 0;
            benchmark::DoNotOptimize(position);
        }
    }
    // Read before the counters below allocate their entries.
    const int64_t allocations = qel::bench::AllocationCount() - allocationsBefore;
    state.counters["allocs/call"] = static_cast<double>(allocations) / 1000.0 / state.iterations();
    state.counters["found"] = static_cast<double>(found) / 1000.0 / state.iterations();
    state.counters["time/call"] = benchmark::Counter(
        1000, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_RunWindow2000Baseline(benchmark::State& state) {
    Recording& r = OneAMillisecond();
    std::vector<double> weights(1999);
    for (int32_t offset = -999; offset <= 999; ++offset) {
        weights[static_cast<size_t>(offset + 999)] = r.dataset.getPositionWeight(offset);
    }
    for (auto _ : state) {
        for (int32_t i = 0; i < 1000; ++i) {
            const int32_t t = 1000 + RandomTime(i, kRunSamples - 2000);
            const size_t first = static_cast<size_t>(t - 999 - 1);
            double x = 0;
            double w = 0;
            for (size_t k = first; k < first + 1998; ++k) {
                const double weight = weights[static_cast<size_t>(t - r.times[k] + 999)];
                x += r.xs[k] * weight;
                w += weight;
            }
            benchmark::DoNotOptimize(x / w);
        }
    }
    state.counters["time/call"] = benchmark::Counter(
        1000, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Algorithms(benchmark::internal::Benchmark* aBenchmark) {
    aBenchmark->DenseRange(posLastKnown, posWeightedSportVU)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_InOrder10Hz)->Apply(Algorithms);
BENCHMARK(BM_InOrder10HzBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpeedGrid)->Apply(Algorithms);
BENCHMARK(BM_SpeedGridBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomTimes)->Apply(Algorithms);
BENCHMARK(BM_RandomTimesBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunWindow2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunWindow2000Baseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
