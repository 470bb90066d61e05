#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_main.h"

namespace qel::bench {

// Prints the usual table and then each benchmark's time against its baseline's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& aRuns) override {
        for (const Run& run : aRuns) {
            FNanoseconds[run.benchmark_name()] =
                run.GetAdjustedRealTime() *
                benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(aRuns);
    }

    void PrintRatios() const {
        for (const auto& [name, nanoseconds] : FNanoseconds) {
            const auto baseline = FNanoseconds.find(name.substr(0, name.find('/')) + "Baseline");
            if (baseline != FNanoseconds.end() && baseline->second > 0) {
                std::printf("%s: %.1f ns per call, %.1f x its baseline (%.1f ns)\n", name.c_str(),
                            nanoseconds, nanoseconds / baseline->second, baseline->second);
            }
        }
    }

private:
    std::map<std::string, double> FNanoseconds;
};

// The main of a program whose benchmarks each have a baseline named <name>Baseline.
inline int RunWithRatios(int argc, char** argv) {
    RatioReporter reporter;
    const int result = RunCountingAllocations(argc, argv, &reporter);
    reporter.PrintRatios();
    return result;
}

}  // namespace qel::bench
