// The dataset's live path: recordLPMSample for 30 and 100 transponders at 25 and 40 Hz over a
// 90-minute recording, beside a baseline that copies each sample into a ring; and the heartbeat
// spike filter over 3 hours at 1 Hz, beside copying the series. Reports heap allocations per
// sample, which after each transponder's arrays are made grows only with its blocks.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "allocation_counter.h"
#include "foundation/position_records.h"
#include "model/dataset/dataset.h"
#include "model/transponder/heartbeat_spikes.h"
#include "ratio_reporter.h"

namespace {

constexpr int64_t kRecordingMS = 90 * 60 * 1000;
constexpr uint32_t kFirstTickMS = 1000000;

RqelLPMSample LiveSample(uint16_t anAntennaID, int64_t aTimeMS) {
    RqelLPMSample sample;
    sample.setTimestamp(static_cast<uint32_t>((kFirstTickMS + aTimeMS) * 10));
    sample.setAntennaID(anAntennaID);
    sample.setXinMM(10000 + static_cast<int32_t>(aTimeMS % 5000));
    sample.setYinMM(20000);
    return sample;
}

void Report(benchmark::State& state, int64_t anAllocationsBefore, int64_t aSamples) {
    state.SetItemsProcessed(aSamples);
    state.counters["allocs/sample"] =
        static_cast<double>(qel::bench::AllocationCount() - anAllocationsBefore) /
        static_cast<double>(std::max<int64_t>(aSamples, 1));
    state.counters["ns/sample"] = benchmark::Counter(
        static_cast<double>(aSamples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RecordLPMSample(benchmark::State& state) {
    const int transponders = static_cast<int>(state.range(0));
    const int64_t stepMS = 1000 / state.range(1);
    int64_t samples = 0;
    int64_t allocations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto dataset = std::make_unique<TqelDataset>();
        state.ResumeTiming();
        const int64_t before = qel::bench::AllocationCount();
        for (int64_t t = stepMS; t <= kRecordingMS; t += stepMS) {
            for (int tp = 0; tp < transponders; ++tp) {
                dataset->recordLPMSample(LiveSample(static_cast<uint16_t>(100 + tp), t));
            }
        }
        allocations += qel::bench::AllocationCount() - before;
        samples += kRecordingMS / stepMS * transponders;
        state.PauseTiming();
        dataset.reset();
        state.ResumeTiming();
    }
    Report(state, qel::bench::AllocationCount() - allocations, samples);
}

void BM_RecordLPMSampleBaseline(benchmark::State& state) {
    const int transponders = static_cast<int>(state.range(0));
    const int64_t stepMS = 1000 / state.range(1);
    std::vector<RqelLPMSample> ring(4096);
    int64_t samples = 0;
    for (auto _ : state) {
        size_t slot = 0;
        for (int64_t t = stepMS; t <= kRecordingMS; t += stepMS) {
            for (int tp = 0; tp < transponders; ++tp) {
                const RqelLPMSample sample = LiveSample(static_cast<uint16_t>(100 + tp), t);
                std::memcpy(&ring[slot++ & 4095], &sample, sizeof sample);
            }
        }
        benchmark::DoNotOptimize(ring.data());
        samples += kRecordingMS / stepMS * transponders;
    }
    Report(state, qel::bench::AllocationCount(), samples);
}

std::vector<double> HeartbeatSeries() {
    std::mt19937 random(7);
    std::vector<double> bpm(10800);
    for (double& b : bpm) {
        b = random() % 20 == 0 ? 40 + random() % 200 : 120 + random() % 9;
    }
    return bpm;
}

void BM_RemoveHeartbeatSpikes(benchmark::State& state) {
    const std::vector<double> bpm = HeartbeatSeries();
    std::vector<uint8_t> flags;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qel::HeartbeatSpikeFilter::Run(bpm, flags));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(bpm.size()));
}

void BM_RemoveHeartbeatSpikesBaseline(benchmark::State& state) {
    const std::vector<double> bpm = HeartbeatSeries();
    std::vector<double> copy(bpm.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), bpm.data(), bpm.size() * sizeof(double));
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(bpm.size()));
}

BENCHMARK(BM_RecordLPMSample)
    ->ArgsProduct({{30, 100}, {25, 40}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordLPMSampleBaseline)
    ->ArgsProduct({{30, 100}, {25, 40}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveHeartbeatSpikes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoveHeartbeatSpikesBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
