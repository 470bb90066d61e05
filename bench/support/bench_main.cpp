#include "bench_main.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstdio>

#include "allocation_counter.h"

namespace qel::bench {

int RunCountingAllocations(int argc, char** argv, benchmark::BenchmarkReporter* aReporter) {
    QCoreApplication app(argc, argv);
    if (AllocationCount() == 0) {
        std::fprintf(stderr, "allocations are not being counted\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks(aReporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace qel::bench
