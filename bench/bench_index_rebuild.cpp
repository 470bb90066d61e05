// The index rebuild: one 90-minute transponder sampled at 10 Hz rebuilt by the position branch
// (time per slot and the position cache's hit rate), and 30 of them rebuilt in parallel on 2
// threads and on one per core, beside a baseline that copies one transponder's index
// (54,000 slots of 66 bytes).

#include <benchmark/benchmark.h>

#include <QThread>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/position_records.h"
#include "model/dataset/dataset.h"
#include "model/transponder/sample_index.h"
#include "model/transponder/transponder_data.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kDurationMS = 90 * 60 * 1000;
constexpr int32_t kSlots = kDurationMS / 100;

std::unique_ptr<TqelDataset> DatasetWith(int aTransponders) {
    auto dataset = std::make_unique<TqelDataset>();
    for (int i = 0; i < aTransponders; ++i) {
        const auto antenna = static_cast<uint16_t>(100 + i);
        TqelTransponderData* tp = dataset->AddTransponder(antenna, nullptr, 0);
        for (int32_t t = 0; t <= kDurationMS; t += 100) {
            RqelLPMSample sample;
            sample.setAntennaID(antenna);
            sample.setXinMM(-30000 + (t / 7) % 60000);
            sample.setYinMM(-20000 + (t / 11) % 40000 + i * 10);
            sample.setZinMM(1000);
            sample.setQuality(0x7800);
            tp->AddSample(t, sample);
        }
    }
    dataset->setDurationInMS(kDurationMS);
    return dataset;
}

void BM_RebuildPositionBranch(benchmark::State& state) {
    auto dataset = DatasetWith(1);
    TqelTransponderData* tp = dataset->getTransponder(0);
    dataset->resetCacheStats();
    for (auto _ : state) {
        tp->invalidatePositionCache();
        tp->rebuildIndexes(false);
    }
    state.counters["time/slot"] = benchmark::Counter(
        kSlots, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    const double requests = dataset->CacheRequests();
    state.counters["cache hit %"] = requests > 0 ? 100.0 * dataset->CacheHits() / requests : 0;
}

void BM_RebuildPositionBranchBaseline(benchmark::State& state) {
    std::vector<RqelSampleIdx10Hz> source(kSlots);
    std::vector<RqelSampleIdx10Hz> target(kSlots);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), sizeof(RqelSampleIdx10Hz) * kSlots);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void BM_RebuildDatasetParallel(benchmark::State& state) {
    auto dataset = DatasetWith(30);
    const int threads =
        state.range(0) > 0 ? static_cast<int>(state.range(0)) : QThread::idealThreadCount();
    dataset->setRebuildThreadCount(threads);
    for (auto _ : state) {
        dataset->rebuildIndexes({});
    }
    state.counters["threads"] = threads;
}

void BM_RebuildDatasetParallelBaseline(benchmark::State& state) {
    std::vector<RqelSampleIdx10Hz> source(kSlots);
    std::vector<RqelSampleIdx10Hz> target(kSlots);
    for (auto _ : state) {
        for (int i = 0; i < 30; ++i) {
            std::memcpy(target.data(), source.data(), sizeof(RqelSampleIdx10Hz) * kSlots);
            benchmark::DoNotOptimize(target.data());
            benchmark::ClobberMemory();
        }
    }
}

}  // namespace

BENCHMARK(BM_RebuildPositionBranch)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildPositionBranchBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildDatasetParallel)->Arg(2)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildDatasetParallelBaseline)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
