// The dataset's registry on the live path: every sample finds its transponder and antenna slot
// through the antenna table. Baseline: the same look-ups in a plain array of pointers.
#include <benchmark/benchmark.h>

#include <vector>

#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kTransponders = 60;
constexpr int32_t kSamples = 100000;

// Antennas of the transponders, in the order samples arrive.
std::vector<int32_t> SampleAntennas() {
    std::vector<int32_t> antennas(kSamples);
    for (int32_t i = 0; i < kSamples; ++i) {
        antennas[static_cast<size_t>(i)] = 1000 + (i * 7 % kTransponders) * 10;
    }
    return antennas;
}

void BM_AntennaLookup(benchmark::State& state) {
    TqelDataset dataset;
    for (int32_t tp = 0; tp < kTransponders; ++tp) {
        dataset.AddTransponder(1000 + tp * 10, nullptr, 0);
    }
    const std::vector<int32_t> antennas = SampleAntennas();
    for (auto _ : state) {
        for (const int32_t antenna : antennas) {
            benchmark::DoNotOptimize(dataset.GetTransponderByAtenna(antenna));
            benchmark::DoNotOptimize(dataset.AntennaIndex(antenna));
        }
    }
    state.counters["time/sample"] = benchmark::Counter(
        kSamples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_AntennaLookupBaseline(benchmark::State& state) {
    std::vector<TqelTransponderData*> byAntenna(16384, nullptr);
    std::vector<uint8_t> slotOfAntenna(16384, 0);
    std::vector<std::unique_ptr<TqelTransponderData>> transponders;
    for (int32_t tp = 0; tp < kTransponders; ++tp) {
        transponders.push_back(std::make_unique<TqelTransponderData>(nullptr, false));
        byAntenna[static_cast<size_t>(1000 + tp * 10)] = transponders.back().get();
        slotOfAntenna[static_cast<size_t>(1000 + tp * 10)] = 1;
    }
    const std::vector<int32_t> antennas = SampleAntennas();
    for (auto _ : state) {
        for (const int32_t antenna : antennas) {
            benchmark::DoNotOptimize(byAntenna[static_cast<size_t>(antenna)]);
            benchmark::DoNotOptimize(slotOfAntenna[static_cast<size_t>(antenna)]);
        }
    }
    state.counters["time/sample"] = benchmark::Counter(
        kSamples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_AntennaLookup)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AntennaLookupBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
