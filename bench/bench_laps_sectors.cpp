// Live lap and sector detection: 60 athletes running a 426 m oval with four track sectors for 10
// minutes at 10 Hz, detected 100 ms at a time as the recording grows (as the cadence thread
// does), with the position cache cold (positions computed by the detection) and warm. Baseline: a
// plain loop over the same positions that tests each step for a finish-line crossing. Reports
// heap allocations per athlete step, which only the new laps and sectors make.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "allocation_counter.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/transponder/transponder_data.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kAthletes = 60;
constexpr int32_t kRecordingMS = 10 * 60 * 1000;
constexpr int32_t kStepMS = 100;
constexpr int32_t kFirstDetectedMS = 4000;
constexpr double kLengthInM = 426.194;
constexpr double kBendInM = 113.097;
constexpr double kRadiusInM = 36;

struct Point {
    int32_t XinMM;
    int32_t YinMM;
};

// The track line at aDistanceInM from the finish line, counter-clockwise.
Point OvalPoint(double aDistanceInM) {
    const double s = std::fmod(aDistanceInM, kLengthInM);
    double x = 0;
    double y = 0;
    if (s < 100) {
        x = kRadiusInM;
        y = -50 + s;
    } else if (s < 100 + kBendInM) {
        const double angle = (s - 100) / kBendInM * std::numbers::pi;
        x = kRadiusInM * std::cos(angle);
        y = 50 + kRadiusInM * std::sin(angle);
    } else if (s < 200 + kBendInM) {
        x = -kRadiusInM;
        y = 50 - (s - 100 - kBendInM);
    } else {
        const double angle = (s - 200 - kBendInM) / kBendInM * std::numbers::pi;
        x = -kRadiusInM * std::cos(angle);
        y = -50 - kRadiusInM * std::sin(angle);
    }
    return {static_cast<int32_t>(std::lround(x * 1000)),
            static_cast<int32_t>(std::lround(y * 1000))};
}

// Athlete a runs at 8 + a / 10 m/s from a / 2 m past the finish line.
Point AthletePoint(int32_t anAthlete, int32_t aTimeInMS) {
    return OvalPoint(anAthlete / 2.0 + (8 + anAthlete / 10.0) * aTimeInMS / 1000);
}

struct Recording {
    TqelDataset Dataset;
    std::vector<TqelTransponderData*> Athletes;

    Recording() {
        TqelField& field = *Dataset.Field();
        RqelTrackDefinition definition;
        definition.TrackCorner1 = {0, 50000};
        definition.TrackCorner2 = {0, -50000};
        field.setHasTrack(true);
        field.setTrackOrientation(trackVertical);
        field.setTrackDefinition(definition);
        field.setTrackLeftRightRadius(36000);
        field.setTrackLengthInMM(426194);
        field.setTrackFinishLeft({36000, -50000});
        const int32_t bounds[] = {0, 100000, 213097, 313097, 426194};
        for (int32_t i = 0; i < 4; ++i) {
            field.addSectorDef({i + 1, bounds[i], bounds[i + 1] - 1, QString()});
        }
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
