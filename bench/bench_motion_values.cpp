// calcSpeed and calcAcceleration at every 10 ms of a 90-minute 25 Hz transponder, as the index
// rebuild and the analyses ask them (argument: the position algorithm, 1 closest known, 4
// weighted run), the speed frame the dataset's 1,000 ms. Each reports ns per call, the position
// cache's hit rate and heap allocations per call (none expected). The baselines compute the same
// path length on plain arrays: a binary search for the closest sample at every grid time of the
// frame and the capped planar steps between them, with no cache and no lock. Ratios are printed
// at the end.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "allocation_counter.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kStepMS = 40;
constexpr int32_t kDurationMS = 90 * 60 * 1000;
constexpr int32_t kSpeedFrameMS = 1000;
constexpr int32_t kAccelFrameMS = 50;
constexpr int32_t kCallStepMS = 10;
constexpr int64_t kCalls = kDurationMS / kCallStepMS;

RqelLPMSample Sample(int32_t aTimeInMS) {
    // Back and forth along the pitch at up to 4 m/s, drifting across: a player's pace.
    const int32_t along = aTimeInMS % 30000;
    const int32_t across = aTimeInMS / 20 % 10000;
    RqelLPMSample sample;
    sample.setAntennaID(1);
    sample.setXinMM(-40000 + (along < 15000 ? along : 30000 - along) * 4);
    sample.setYinMM(-20000 + (across < 5000 ? across : 10000 - across) * 4);
    sample.setZinMM(1200);
    sample.setQuality(0x7800);
    return sample;
}

struct Recording {
    TqelDataset dataset;
    TqelTransponderData tp{&dataset, false};
    std::vector<int32_t> times;
    std::vector<double> xs;
    std::vector<double> ys;

    Recording() {
        dataset.setSportType(sportGeneric);
        dataset.setAntennaEntry(1, {0, 1});
        dataset.setSpeedFrameInterval(kSpeedFrameMS);
        dataset.setAccelFrameInterval(kAccelFrameMS);
        for (int32_t t = 0; t <= kDurationMS; t += kStepMS) {
            tp.AddSample(t, Sample(t));
            times.push_back(t);
            xs.push_back(tp.GetSampleXinM(tp.SampleCount() - 1));
            ys.push_back(tp.GetSampleYinM(tp.SampleCount() - 1));
        }
        dataset.setDurationInMS(kDurationMS + 1);
    }
};

Recording& NinetyMinutes() {
    static Recording recording;
    return recording;
}

// Runs aCall(tp, t) at every 10 ms of the recording once per iteration, on a cleared cache.
template <class Call>
void RunCalls(benchmark::State& state, Call&& aCall) {
    Recording& r = NinetyMinutes();
    const auto algorithm = static_cast<TqelPositionAlgorithm>(state.range(0));
    r.dataset.setPositionAlgorithm(algorithm);
    r.dataset.setPositionSensitivity(75);
    r.tp.SetPositionFunction(algorithm);
    (void)r.tp.calcPosition(1);  // the cache is allocated on first use
    int64_t requests = 0;
    int64_t hits = 0;
    double sum = 0;
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : state) {
        state.PauseTiming();
        r.tp.invalidatePositionCache();
        r.dataset.resetCacheStats();
        state.ResumeTiming();
        for (int32_t t = 0; t < kDurationMS; t += kCallStepMS) {
            sum += aCall(r.tp, t);
        }
        // The dataset halves its counters as they grow: their rate over the last requests.
        requests += r.dataset.CacheRequests();
        hits += r.dataset.CacheHits();
    }
    benchmark::DoNotOptimize(sum);
    // Read before the counters below allocate their entries.
    const int64_t allocations = qel::bench::AllocationCount() - allocationsBefore;
    const double calls = static_cast<double>(kCalls) * static_cast<double>(state.iterations());
    state.counters["allocs/call"] = static_cast<double>(allocations) / calls;
    state.counters["hit_rate"] = requests > 0 ? static_cast<double>(hits) / requests : 0;
    state.counters["mean"] = sum / calls;
    state.counters["time/call"] = benchmark::Counter(
        static_cast<double>(kCalls),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The closest sample's index, the later one on a tie.
size_t PlainClosest(const Recording& r, int32_t aTimeInMS) {
    const auto after = std::upper_bound(r.times.begin(), r.times.end(), aTimeInMS);
    if (after == r.times.begin()) {
        return 0;
    }
    const size_t n = static_cast<size_t>(after - r.times.begin()) - 1;
    if (n + 1 < r.times.size() && aTimeInMS - r.times[n] >= r.times[n + 1] - aTimeInMS) {
        return n + 1;
    }
    return n;
}

// The reference speed's arithmetic on plain arrays: the grid of the frame, capped steps.
double PlainSpeed(const Recording& r, int32_t aTimeInMS) {
    const int32_t start = std::max(0, aTimeInMS - kSpeedFrameMS);
    const int32_t end = std::min(kDurationMS, aTimeInMS + kSpeedFrameMS);
    const double maxStep = 20 * 50 / 1000.0;
    double distance = 0;
    size_t previous = PlainClosest(r, start);
    auto step = [&](int32_t aGridTime) {
        const size_t next = PlainClosest(r, aGridTime);
        const double d = std::hypot(r.xs[next] - r.xs[previous], r.ys[next] - r.ys[previous]);
        if (d < 2 * maxStep) {
            distance += std::min(d, maxStep);
        }
        previous = next;
    };
    for (int32_t g = (start + 25 + 49) / 50 * 50; g < end - 25; g += 50) {
        step(g);
    }
    step(end);
    return distance / (2.0 * kSpeedFrameMS / 1000);
}

template <class Call>
void RunBaseline(benchmark::State& state, Call&& aCall) {
    const Recording& r = NinetyMinutes();
    double sum = 0;
    for (auto _ : state) {
        for (int32_t t = 0; t < kDurationMS; t += kCallStepMS) {
            sum += aCall(r, t);
        }
    }
    benchmark::DoNotOptimize(sum);
    state.counters["mean"] = sum / static_cast<double>(kCalls) / state.iterations();
    state.counters["time/call"] = benchmark::Counter(
        static_cast<double>(kCalls),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Speed(benchmark::State& state) {
    RunCalls(state, [](TqelTransponderData& tp, int32_t t) {
        bool valid = false;
        return tp.calcSpeed(t, valid, 0);
    });
}

void BM_SpeedBaseline(benchmark::State& state) {
    RunBaseline(state, [](const Recording& r, int32_t t) { return PlainSpeed(r, t); });
}

void BM_Acceleration(benchmark::State& state) {
    RunCalls(state, [](TqelTransponderData& tp, int32_t t) { return tp.calcAcceleration(t); });
}

void BM_AccelerationBaseline(benchmark::State& state) {
    RunBaseline(state, [](const Recording& r, int32_t t) {
        const int32_t start = std::max(0, t - kAccelFrameMS);
        const int32_t end = std::min(kDurationMS, start + 2 * kAccelFrameMS);
        return (PlainSpeed(r, end) - PlainSpeed(r, start)) / (2.0 * kAccelFrameMS / 1000);
    });
}

void Algorithms(benchmark::internal::Benchmark* aBenchmark) {
    aBenchmark->Arg(posClosestKnown)->Arg(posWeightedSportVU)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Speed)->Apply(Algorithms);
BENCHMARK(BM_SpeedBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Acceleration)->Apply(Algorithms);
BENCHMARK(BM_AccelerationBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
