// A transponder's heartbeat over 3 hours at 1 Hz (10,800 beats): imported as rates
// (ClearHeartbeat, AddHeartbeatBPM, FinalizeHeartbeatImport) beside appending the same intervals
// to a plain reserved array, and its spike removal (decoding and filtering in place) beside
// copying the samples. Ratios are printed at the end.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kBeats = 3 * 3600;
constexpr uint8_t kRateType = 252;

// Mostly steady rates with one spike in twenty, a second apart.
std::vector<uint16_t> Rates() {
    std::mt19937 random(7);
    std::vector<uint16_t> rates(kBeats);
    for (uint16_t& rate : rates) {
        rate = static_cast<uint16_t>(random() % 20 == 0 ? 40 + random() % 200 : 120 + random() % 9);
    }
    return rates;
}

void Import(TqelTransponderData& aTransponder, const std::vector<uint16_t>& aRates) {
    aTransponder.ClearHeartbeat(kBeats);
    for (int32_t i = 0; i < kBeats; ++i) {
        aTransponder.AddHeartbeatBPM(1000 * (i + 1), aRates[static_cast<size_t>(i)], kRateType);
    }
    aTransponder.FinalizeHeartbeatImport();
}

void BM_HeartbeatImport(benchmark::State& state) {
    const std::vector<uint16_t> rates = Rates();
    TqelDataset dataset;
    TqelTransponderData transponder(&dataset, false);
    for (auto _ : state) {
        Import(transponder, rates);
        benchmark::DoNotOptimize(transponder.HeartbeatCount());
    }
    state.SetItemsProcessed(state.iterations() * kBeats);
}

void BM_HeartbeatImportBaseline(benchmark::State& state) {
    const std::vector<uint16_t> rates = Rates();
    std::vector<RqelHeartbeatSample> samples;
    for (auto _ : state) {
        samples.clear();
        samples.reserve(kBeats);
        for (int32_t i = 0; i < kBeats; ++i) {
            RqelHeartbeatSample& sample = samples.emplace_back();
            sample.setFTimestampInMS(1000 * (i + 1));
            sample.setTelemetryType(kRateType);
            sample.setTelemetryData(
                static_cast<uint16_t>(std::nearbyint(60000.0 / rates[static_cast<size_t>(i)])));
        }
        benchmark::DoNotOptimize(samples.data());
    }
    state.SetItemsProcessed(state.iterations() * kBeats);
}

void BM_TransponderRemoveHeartbeatSpikes(benchmark::State& state) {
    TqelDataset dataset;
    dataset.setUseTelemetryIDs(true);
    TqelTransponderData transponder(&dataset, false);
    Import(transponder, Rates());
    for (auto _ : state) {
        benchmark::DoNotOptimize(transponder.RemoveHeartbeatSpikes());
    }
    state.SetItemsProcessed(state.iterations() * kBeats);
}

void BM_TransponderRemoveHeartbeatSpikesBaseline(benchmark::State& state) {
    std::vector<RqelHeartbeatSample> samples(kBeats);
    std::vector<RqelHeartbeatSample> copy(kBeats);
    for (auto _ : state) {
        std::memcpy(copy.data(), samples.data(), samples.size() * sizeof(RqelHeartbeatSample));
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * kBeats);
}

BENCHMARK(BM_HeartbeatImport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeartbeatImportBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TransponderRemoveHeartbeatSpikes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TransponderRemoveHeartbeatSpikesBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
