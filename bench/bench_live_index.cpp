// The live index update: updateLiveData every 10 ms for 60 athletes sampled at 25 Hz, after a
// warm-up, beside a baseline that copies one 10 Hz slot per athlete per step. Reports the mean
// and 99th percentile of one step and the heap allocations per step outside the growth steps.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "foundation/position_records.h"
#include "model/dataset/dataset.h"
#include "model/transponder/sample_index.h"
#include "ratio_reporter.h"

namespace {

constexpr int kAthletes = 60;
constexpr int64_t kSampleStepMS = 40;  // 25 Hz
constexpr int64_t kWarmUpMS = 30 * 1000;
constexpr int64_t kMeasuredMS = 60 * 1000;
constexpr uint32_t kFirstTickMS = 1000000;

RqelLPMSample LiveSample(uint16_t anAntennaID, int64_t aTimeMS) {
    RqelLPMSample sample;
    sample.setTimestamp(static_cast<uint32_t>((kFirstTickMS + aTimeMS) * 10));
    sample.setAntennaID(anAntennaID);
    sample.setXinMM(10000 + static_cast<int32_t>(aTimeMS % 5000) + anAntennaID);
    sample.setYinMM(20000);
    return sample;
}

// The samples due at aTimeMS.
void Tick(TqelDataset& aDataset, int64_t aTimeMS) {
    if (aTimeMS % kSampleStepMS == 0) {
        for (int tp = 0; tp < kAthletes; ++tp) {
            aDataset.recordLPMSample(LiveSample(static_cast<uint16_t>(100 + tp), aTimeMS));
        }
    }
}

void BM_LiveIndexStep(benchmark::State& state) {
    std::vector<double> stepNS;
    int64_t allocations = 0;
    int64_t steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto dataset = std::make_unique<TqelDataset>();
        dataset->setRecording(true);
        for (int64_t t = 10; t <= kWarmUpMS; t += 10) {
            Tick(*dataset, t);
            dataset->updateLiveData();
        }
        state.ResumeTiming();
        for (int64_t t = kWarmUpMS + 10; t <= kWarmUpMS + kMeasuredMS; t += 10) {
            state.PauseTiming();
            Tick(*dataset, t);
            state.ResumeTiming();
            const int64_t before = qel::bench::AllocationCount();
            const auto start = std::chrono::steady_clock::now();
            dataset->updateLiveData();
            stepNS.push_back(
                static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count()));
            allocations += qel::bench::AllocationCount() - before;
            ++steps;
        }
        state.PauseTiming();
        dataset->setRecording(false);
        dataset.reset();
        state.ResumeTiming();
    }
    std::sort(stepNS.begin(), stepNS.end());
    double sum = 0;
    for (double ns : stepNS) {
        sum += ns;
    }
    state.SetItemsProcessed(steps);
    state.counters["mean us/step"] = sum / static_cast<double>(stepNS.size()) / 1000;
    state.counters["p99 us/step"] = stepNS[stepNS.size() * 99 / 100] / 1000;
    state.counters["allocs/step"] =
        static_cast<double>(allocations) / static_cast<double>(std::max<int64_t>(steps, 1));
}

void BM_LiveIndexStepBaseline(benchmark::State& state) {
    std::vector<RqelSampleIdx10Hz> ring(kAthletes * 600);
    RqelSampleIdx10Hz slot;
    int64_t steps = 0;
    for (auto _ : state) {
        for (int64_t t = kWarmUpMS + 10; t <= kWarmUpMS + kMeasuredMS; t += 10) {
            const size_t base = static_cast<size_t>(t / 10 % 600) * kAthletes;
            for (int tp = 0; tp < kAthletes; ++tp) {
                slot.setXinMM(static_cast<int32_t>(t + tp));
                std::memcpy(&ring[base + tp], &slot, sizeof slot);
            }
            benchmark::DoNotOptimize(ring.data());
            ++steps;
        }
    }
    state.SetItemsProcessed(steps);
}

BENCHMARK(BM_LiveIndexStep)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveIndexStepBaseline)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
