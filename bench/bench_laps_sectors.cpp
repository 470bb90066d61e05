// Live lap and sector detection: 60 athletes running a 426 m oval with four track sectors for 10
// minutes at 10 Hz, detected 100 ms at a time as the recording grows (as the cadence thread
// does), with the position cache cold (positions computed by the detection) and warm. Baseline: a
// plain loop over the same positions that tests each step for a finish-line crossing. Reports
// heap allocations per athlete step, which only the new laps and sectors make.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/field/oval_track.h"
#include "model/transponder/transponder_data.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kAthletes = 60;
constexpr int32_t kRecordingMS = 10 * 60 * 1000;
constexpr int32_t kStepMS = 100;
constexpr int32_t kFirstDetectedMS = 4000;
struct Point {
    int32_t XinMM;
    int32_t YinMM;
};

// Athlete a runs at 8 + a / 10 m/s from a / 2 m past the finish line.
Point AthletePoint(int32_t anAthlete, int32_t aTimeInMS) {
    const RqelFieldPosition p =
        qel::test::OvalPoint(anAthlete / 2.0 + (8 + anAthlete / 10.0) * aTimeInMS / 1000);
    return {p.XinMM, p.YinMM};
}

struct Recording {
    TqelDataset Dataset;
    std::vector<TqelTransponderData*> Athletes;

    Recording() {
        qel::test::SetOvalTrack(*Dataset.Field());
        qel::test::AddOvalSectors(*Dataset.Field());
        Dataset.setPositionAlgorithm(posClosestKnown);
        Dataset.setSpeedFrameInterval(1000);
        for (int32_t a = 0; a < kAthletes; ++a) {
            const auto antenna = static_cast<uint16_t>(100 + a);
            TqelTransponderData* athlete = Dataset.AddTransponder(antenna, nullptr, 0);
            for (int32_t t = 0; t <= kRecordingMS; t += kStepMS) {
                const Point p = AthletePoint(a, t);
                RqelLPMSample sample;
                sample.setAntennaID(antenna);
                sample.setXinMM(p.XinMM);
                sample.setYinMM(p.YinMM);
                sample.setQuality(0x7800);
                athlete->AddSample(t, sample);
            }
            Athletes.push_back(athlete);
        }
    }
};

Recording& TheRecording() {
    static Recording recording;
    return recording;
}

void BM_LapDetection(benchmark::State& state) {
    const bool cold = state.range(0) != 0;
    Recording& recording = TheRecording();
    int64_t steps = 0;
    int64_t allocations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        recording.Dataset.setDurationInMS(0);
        recording.Dataset.RecalculateLapsAndSectors();
        if (cold) {
            for (TqelTransponderData* athlete : recording.Athletes) {
                athlete->invalidatePositionCache();
            }
        }
        state.ResumeTiming();
        const int64_t before = qel::bench::AllocationCount();
        for (int32_t duration = kFirstDetectedMS; duration <= kRecordingMS; duration += kStepMS) {
            recording.Dataset.setDurationInMS(duration);
            for (TqelTransponderData* athlete : recording.Athletes) {
                athlete->updateLapsAndSectors();
            }
        }
        allocations += qel::bench::AllocationCount() - before;
        steps += int64_t{kRecordingMS - kFirstDetectedMS} / kStepMS * kAthletes;
    }
    state.SetItemsProcessed(steps);
    state.counters["allocs/step"] =
        static_cast<double>(allocations) / static_cast<double>(std::max<int64_t>(steps, 1));
    state.counters["laps"] = recording.Athletes.front()->LapCount();
}

void BM_LapDetectionBaseline(benchmark::State& state) {
    std::vector<std::vector<Point>> positions(kAthletes);
    for (int32_t a = 0; a < kAthletes; ++a) {
        for (int32_t t = 0; t <= kRecordingMS; t += kStepMS) {
            positions[static_cast<size_t>(a)].push_back(AthletePoint(a, t));
        }
    }
    int64_t steps = 0;
    for (auto _ : state) {
        int64_t crossings = 0;
        const size_t first = kFirstDetectedMS / kStepMS;
        for (const std::vector<Point>& track : positions) {
            for (size_t i = first; i < track.size(); ++i) {
                // On the right straight, past the finish line since the last step.
                crossings +=
                    track[i].XinMM > 0 && track[i - 1].YinMM < -50000 && track[i].YinMM >= -50000;
            }
        }
        benchmark::DoNotOptimize(crossings);
        steps += int64_t{kRecordingMS - kFirstDetectedMS} / kStepMS * kAthletes;
    }
    state.SetItemsProcessed(steps);
}

// Each iteration is one recording's detection over all athletes. Argument 1: cold position
// cache; the baseline takes the same arguments so that the ratios pair up.
BENCHMARK(BM_LapDetection)->Arg(1)->Arg(0)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapDetectionBaseline)->Arg(1)->Arg(0)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
