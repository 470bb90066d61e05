// The field's questions of every analysis step: isOnField and PositionToZone over a pitch's
// positions, against a baseline that copies the same positions with memcpy. Prints the ratios
// and the heap allocations per position (none expected).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "allocation_counter.h"
#include "foundation/position_records.h"
#include "model/field/default_soccer_field.h"
#include "model/field/field.h"
#include "ratio_reporter.h"

namespace {

constexpr int kPositions = 4096;

// A grid over the pitch and some metres round it, a few on the zero lines.
std::vector<RqelCalculatedPosition> Positions() {
    std::vector<RqelCalculatedPosition> positions(kPositions);
    for (int i = 0; i < kPositions; ++i) {
        positions[static_cast<size_t>(i)].XinM = (i % 64) * 1.9 - 60;
        positions[static_cast<size_t>(i)].YinM = (i / 64) * 1.3 - 41;
    }
    return positions;
}

void ReportAllocations(benchmark::State& aState, int64_t aAllocationsBefore) {
    const int64_t positions = aState.iterations() * kPositions;
    aState.SetItemsProcessed(positions);
    aState.counters["allocs/position"] =
        static_cast<double>(qel::bench::AllocationCount() - aAllocationsBefore) /
        static_cast<double>(std::max<int64_t>(positions, 1));
}

void BM_FieldStep(benchmark::State& aState) {
    TqelField field;
    CreateDefaultSoccerField(field, 105000, 68000);
    const std::vector<RqelCalculatedPosition> positions = Positions();
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : aState) {
        int32_t sum = 0;
        for (const RqelCalculatedPosition& position : positions) {
            if (field.isOnField(position)) {
                sum += field.PositionToZone(position.XinM, position.YinM, pldLeftToRight);
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    ReportAllocations(aState, allocationsBefore);
}
BENCHMARK(BM_FieldStep);

void BM_FieldStepBaseline(benchmark::State& aState) {
    const std::vector<RqelCalculatedPosition> positions = Positions();
    std::vector<RqelCalculatedPosition> target(positions.size());
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : aState) {
        std::memcpy(target.data(), positions.data(), positions.size() * sizeof(positions[0]));
        benchmark::ClobberMemory();
    }
    ReportAllocations(aState, allocationsBefore);
}
BENCHMARK(BM_FieldStepBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
