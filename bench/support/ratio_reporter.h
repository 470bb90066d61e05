#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
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
            const auto baseline = BaselineOf(name);
            if (baseline != FNanoseconds.end() && baseline->second > 0) {
                std::printf("%s: %.1f ns per call, %.1f x its baseline (%.1f ns)\n", name.c_str(),
                            nanoseconds, nanoseconds / baseline->second, baseline->second);
            }
        }
    }

private:
    // "BM_X/30/25" pairs with "BM_X" + "Baseline" + "/30/25", else with the plain baseline.
    std::map<std::string, double>::const_iterator BaselineOf(const std::string& aName) const {
        const size_t slash = std::min(aName.find('/'), aName.size());
        const std::string base = aName.substr(0, slash) + "Baseline";
        const auto withArgs = FNanoseconds.find(base + aName.substr(slash));
        return withArgs != FNanoseconds.end() ? withArgs : FNanoseconds.find(base);
    }

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
