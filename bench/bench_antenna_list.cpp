// The antenna list on the live path: AddData for 60 transponders (one sample each in turn, with
// accelerometer values, without and with a battery value, against the system clock) and Weighted
// over a full 255-slot ring. Each runs beside a baseline of the same plain work in this run
// (storing the sample into a fixed ring; a weighted mean over an array), and the ratios are printed
// at the end. Reports heap allocations per sample, which must be 0.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "allocation_counter.h"
#include "measurement/control/antenna_list.h"
#include "measurement/control/gauss_weight_table.h"
#include "platform/numbers.h"
#include "ratio_reporter.h"

namespace {

constexpr int kTransponders = 60;
constexpr int kRing = static_cast<int>(TqelAntennaData::MaxTrack);

// With a battery value the sample is stamped with the local date and time (a clock read).
RqelPositionRec LiveSample(uint16_t anAntennaID, int32_t aTimeStampInMS, bool aBattery = true) {
    RqelPositionRec position = RqelPositionRec::Create();
    position.AntennaID = anAntennaID;
    position.TimeStampInMS = aTimeStampInMS;
    position.XinMM = 10000 + anAntennaID;
    position.YinMM = 20000 + anAntennaID;
    position.ZinMM = 1000;
    position.Valid = true;
    position.Heartbeat = 120;
    position.BatteryPerc = 80;
    position.BatteryState = aBattery ? 1 : RqelPositionRec::NoBatteryState;
    position.NumberBS = 6;
    position.Accel.SetData(aTimeStampInMS, 1, 2, 56, false);
    return position;
}

void ReportAllocations(benchmark::State& state, int64_t aAllocationsBefore, int64_t aSamples) {
    const int64_t allocations = qel::bench::AllocationCount() - aAllocationsBefore;
    state.SetItemsProcessed(aSamples);
    state.counters["allocs/sample"] =
        static_cast<double>(allocations) / static_cast<double>(std::max<int64_t>(aSamples, 1));
}

void BM_AddData(benchmark::State& state) {
    const bool battery = state.range(0) != 0;
    TqelAntennaList list(nullptr);
    int32_t time = static_cast<int32_t>(MilliSecondOfTheDay(Now()));
    // Registration may allocate; the samples after it may not.
    for (int i = 0; i < kTransponders; ++i) {
        list.AddData(nullptr, LiveSample(static_cast<uint16_t>(i + 1), time));
    }
    std::array<RqelPositionRec, kTransponders> samples;
    for (int i = 0; i < kTransponders; ++i) {
        samples[static_cast<size_t>(i)] = LiveSample(static_cast<uint16_t>(i + 1), time, battery);
    }
    int64_t added = 0;
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : state) {
        RqelPositionRec& sample = samples[static_cast<size_t>(added % kTransponders)];
        sample.TimeStampInMS = ++time;
        list.AddData(nullptr, sample);
        ++added;
    }
    ReportAllocations(state, allocationsBefore, added);
    benchmark::DoNotOptimize(list.MeasurementCount());
}
BENCHMARK(BM_AddData)->ArgName("battery")->Arg(0)->Arg(1);

// The least AddData must do: copy the sample into its transponder's fixed ring.
void BM_AddDataBaseline(benchmark::State& state) {
    static std::array<std::array<RqelPositionRec, kRing>, kTransponders> rings;
    std::array<uint32_t, kTransponders> positions{};
    RqelPositionRec sample = LiveSample(1, 0);
    int64_t added = 0;
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : state) {
        const auto transponder = static_cast<size_t>(added % kTransponders);
        sample.TimeStampInMS = static_cast<int32_t>(added);
        std::memcpy(&rings[transponder][positions[transponder]], &sample, sizeof sample);
        positions[transponder] = (positions[transponder] + 1) % kRing;
        benchmark::ClobberMemory();
        ++added;
    }
    ReportAllocations(state, allocationsBefore, added);
}
BENCHMARK(BM_AddDataBaseline);

void BM_Weighted(benchmark::State& state) {
    BuildGaussWeightTable(85);
    TqelAntennaList list(nullptr);
    // A full ring within the table's reach: 255 samples 3 ms apart.
    const int32_t start = 40000000;
    for (int i = 0; i < kRing; ++i) {
        list.AddData(nullptr, LiveSample(1, start + 3 * i));
    }
    TqelAntennaData* data = list.ItemByAntennaID(1);
    const int32_t at = start + 3 * (kRing - 1);
    int64_t calls = 0;
    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(data->Weighted(at));
        ++calls;
    }
    if (!data->LastValide()) {
        state.SkipWithError("no valid result");
    }
    ReportAllocations(state, allocationsBefore, calls);
}
BENCHMARK(BM_Weighted);

// A weighted mean of six values over 255 slots with weights from a table.
void BM_WeightedBaseline(benchmark::State& state) {
    BuildGaussWeightTable(85);
    std::array<std::array<double, 6>, kRing> values{};
    std::array<int, kRing> ages{};
    for (int i = 0; i < kRing; ++i) {
        values[static_cast<size_t>(i)] = {10000.0 + i, 20000.0 + i, 1000, 1, 2, 3};
        ages[static_cast<size_t>(i)] = 3 * (kRing - 1 - i);
    }
    for (auto _ : state) {
        std::array<double, 6> sums{};
        double weights = 0;
        for (int i = 0; i < kRing; ++i) {
            const double w = qel::GaussWeight(ages[static_cast<size_t>(i)]);
            for (size_t k = 0; k < 6; ++k) {
                sums[k] += w * values[static_cast<size_t>(i)][k];
            }
            weights += w;
        }
        for (double& sum : sums) {
            benchmark::DoNotOptimize(Round(sum / weights));
        }
    }
}
BENCHMARK(BM_WeightedBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
