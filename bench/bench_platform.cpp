#include <benchmark/benchmark.h>

#include "platform/numbers.h"

static void BM_Round(benchmark::State& state) {
    double value = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Round(value));
        value += 1.0;
    }
}
BENCHMARK(BM_Round);

BENCHMARK_MAIN();
