// The live index update: updateLiveData every 10 ms for 60 athletes sampled at 25 Hz, after a
// warm-up, beside a baseline that copies one 10 Hz slot per athlete per step. Reports the mean
// and 99th percentile of one step and the heap allocations per step outside the growth steps,
// and the cost of the step that grows the index against the steady steps before it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "analysis/framework/calculation.h"
#include "foundation/position_records.h"
#include "model/dataset/dataset.h"
#include "model/transponder/sample_index.h"
#include "model/transponder/transponder_data.h"
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
            const auto elapsed = std::chrono::steady_clock::now() - start;
            // Before the bench's own push_back, whose growth would count as the step's.
            allocations += qel::bench::AllocationCount() - before;
            stepNS.push_back(static_cast<double>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()));
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

// The step whose duration crosses the first hour, beside the steady steps of the second before
// it. The intake grows the 10 Hz index with the sample (untimed here, as in a recording); the
// live step grows the 1 Hz table by 3,600 entries and carries the totals on. The setup brings
// each analysis clock to the hour in two long steps instead of replaying the hour.
void BM_LiveIndexGrowthStep(benchmark::State& state) {
    constexpr int64_t kGrowthMS = int64_t{TqelTransponderData::Idx10HzStep} * 100;
    constexpr int64_t kCatchUpMS = kGrowthMS - 10000;
    // Twice this lies one slot above the catch-up's last target, (catch-up - 1050) rounded down
    // to a slot: the clock then goes on from there in 10 ms steps.
    constexpr int32_t kLongFrameMS = (kCatchUpMS - 1000) / 2;
    double steadyNS = 0;
    int64_t steadySteps = 0;
    int64_t growthAllocations = 0;
    bool grown = true;
    for (auto _ : state) {
        auto dataset = std::make_unique<TqelDataset>();
        dataset->setRecording(true);
        for (int tp = 0; tp < kAthletes; ++tp) {
            dataset->AddTransponder(100 + tp, nullptr, 0);
        }
        // Straight into the transponders' intake: the dataset's path refuses a jump of an hour.
        const auto tick = [&](int64_t aTimeMS) {
            if (aTimeMS % kSampleStepMS != 0) {
                return;
            }
            for (int tp = 0; tp < kAthletes; ++tp) {
                const RqelLPMSample sample = LiveSample(static_cast<uint16_t>(100 + tp), aTimeMS);
                dataset->getTransponder(tp)->AddSample(static_cast<int32_t>(aTimeMS), sample);
            }
            dataset->setDurationInMS(static_cast<int32_t>(aTimeMS));
        };
        tick(0);
        for (int i = 0; i < dataset->TransponderCount(); ++i) {
            dataset->getTransponder(i)->Calculation()->setTimeFrame(kLongFrameMS);
        }
        for (int64_t t = kCatchUpMS - 10000; t <= kCatchUpMS; t += 10) {
            tick(t);
        }
        dataset->updateLiveData();
        for (int i = 0; i < dataset->TransponderCount(); ++i) {
            dataset->getTransponder(i)->Calculation()->setTimeFrame(10);
        }
        for (int64_t t = kCatchUpMS + 10; t < kGrowthMS; t += 10) {
            tick(t);
            const auto start = std::chrono::steady_clock::now();
            dataset->updateLiveData();
            if (t >= kGrowthMS - 1000) {
                steadyNS +=
                    static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                            std::chrono::steady_clock::now() - start)
                                            .count());
                ++steadySteps;
            }
        }
        const int32_t before = dataset->getTransponder(0)->MIPDist1HzCapacity();
        tick(kGrowthMS);
        const int64_t allocations = qel::bench::AllocationCount();
        const auto start = std::chrono::steady_clock::now();
        dataset->updateLiveData();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        growthAllocations += qel::bench::AllocationCount() - allocations;
        grown = grown && dataset->getTransponder(0)->MIPDist1HzCapacity() == before + 3600 &&
                dataset->getTransponder(0)->LiveUpdateTimestamp() > kGrowthMS - 3000;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        dataset->setRecording(false);
    }
    if (!grown) {
        state.SkipWithError("the 1 Hz table did not grow or the analysis did not keep up");
    }
    state.counters["steady us/step"] = steadyNS / static_cast<double>(steadySteps) / 1000;
    state.counters["allocs in growth step"] = static_cast<double>(growthAllocations);
}

// One step of the baseline: one slot copied per athlete.
void BM_LiveIndexGrowthStepBaseline(benchmark::State& state) {
    std::vector<RqelSampleIdx10Hz> ring(kAthletes);
    RqelSampleIdx10Hz slot;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int tp = 0; tp < kAthletes; ++tp) {
            slot.setXinMM(tp);
            std::memcpy(&ring[static_cast<size_t>(tp)], &slot, sizeof slot);
        }
        benchmark::DoNotOptimize(ring.data());
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

BENCHMARK(BM_LiveIndexStep)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveIndexStepBaseline)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveIndexGrowthStep)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LiveIndexGrowthStepBaseline)
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
