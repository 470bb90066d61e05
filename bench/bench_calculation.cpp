// The athletes' calculations: one live tick of 60 calculations (one step each), beside copying
// the step values for 60 athletes; and a 90-minute run (540,000 steps of 10 ms and Finalize) of
// 30 athletes one after the other and on the thread pool, whose written blocks must be equal.
// The zone analyses and energy run with built-in zone tables (energy with six power zones),
// efforts, impacts, distance, mechanical power, HML distance, angular velocity and sprints with
// the thresholds below, training load and the covered area as the definition's defaults.
// The heat map counts on a 105 m x 68 m pitch at one cell per metre; 30 calculations with such heat
// maps are written and read beside copying their bytes. Both most-intense-period objects run in
// every calculation; Finalize of their 90-minute buckets is measured beside copying them.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QtConcurrent>
#include <cstring>
#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "analysis/fake_calculation_context.h"
#include "analysis/load/covered_area.h"
#include "analysis/intensity/mip_distance_info.h"
#include "analysis/intensity/mip_info.h"
#include "analysis/load/energy_consumption.h"
#include "analysis/load/heatmap_info.h"
#include "analysis/load/training_load.h"
#include "analysis/probe_calculation.h"
#include "analysis/scripted_transponder.h"
#include "analysis/sprints/sprints.h"
#include "database/analysis/analyze_definitions.h"
#include "foundation/settings/zones.h"
#include "ratio_reporter.h"

namespace {


constexpr int kAthletes = 60;
constexpr int kRunAthletes = 30;
constexpr int32_t kRunMS = 90 * 60 * 1000;
constexpr int32_t kStepMS = 10;

// Six power zones, as the client settings hold them.
void AddPowerZones(TqeldbAnalyzeDef& aDefinition) {
    TqelZones& zones = aDefinition.PowerZonesAbsolute();
    if (zones.Count() > 0) {
        return;
    }
    const double bounds[] = {0, 5, 10, 20, 35, 55, 100};
    for (int i = 0; i < 6; ++i) {
        zones.AddZone(i, bounds[i], bounds[i + 1], 1, QStringLiteral("zone %1").arg(i), 0, true);
    }
}

// The definition with the built-in zone tables, whatever the client settings hold.
void WithZones(TqeldbAnalyzeDef& aDefinition) {
    FillZones(aDefinition.SpeedZonesAbsolute(), qel::kAbsoluteSpeedZones, qel::ZoneTableHigh);
    FillZones(aDefinition.AccelZonesAbsolute(), qel::kAbsoluteAccelerationZones,
              qel::ZoneTableHigh);
    FillZones(aDefinition.HeartbeatZonesAbsolute(), qel::kAbsoluteHeartbeatZones,
              qel::ZoneTableHigh);
}

// One cell per metre of the fake context's pitch: 105 x 68 cells.
void WithHeatmap(TqeldbAnalyzeDef& aDefinition) {
    aDefinition.setHeatmapDoCalc(true);
    aDefinition.setHeatmapResolution(hmrSmall);
}

// Efforts above 2 m/s and 1.5 m/s² for more than 300 ms, plausible below 10 m/s and 8 m/s²;
// HML distance above 5.5 m/s or 2 m/s².
void WithEffortThresholds(TqeldbAnalyzeDef& aDefinition) {
    aDefinition.setAccelMinSpeed(2);
    aDefinition.setAccelminAccel(1.5);
    aDefinition.setAccelMinTimeMS(300);
    aDefinition.setAccelMaxValidAcc(8);
    aDefinition.setSprintMaxValidSpeed(10);
    aDefinition.setSprintMaxValidAccel(8);
    aDefinition.setHMLDistMinSpeed(5.5);
    aDefinition.setHMLDistMinAccel(2);
}

// Sprint thresholds under which every 7 s ramp of the scripted speed is one sprint.
void WithSprintThresholds(TqeldbAnalyzeDef& aDefinition) {
    aDefinition.setSprintMaxStandSpeed(2.0);
    aDefinition.setSprintMinStandTimeMS(1000);
    aDefinition.setSprintMinSprintSpeed(5.5);
    aDefinition.setSprintMinHIDSpeed(5.5);
    aDefinition.setSprintMinSprintTimeMS(1000);
    aDefinition.setSprintMaxValidSpeed(12);
    aDefinition.setSprintMaxValidAccel(10);
}

struct Athlete {
    explicit Athlete(int aTPid, TqeldbAnalyzeDef& aDefinition) {
        transponder.TPid = aTPid;
        transponder.Position = [aTPid](int32_t t) {
            RqelCalculatedPosition pos;
            pos.XinM = ((t / 10 + aTPid * 37) % 9000) / 100.0 - 45;
            pos.YinM = aTPid % 30;
            return pos;
        };
        transponder.Speed = [aTPid](int32_t t, int32_t) { return ((t + aTPid) % 7000) / 1000.0; };
        transponder.Acceleration = [aTPid](int32_t t) { return ((t + aTPid) % 900) / 100.0 - 4; };
        AddPowerZones(aDefinition);
        calculation =
            std::make_unique<TqelCalculation>(&transponder, &aDefinition, nullptr, false, &context);
        calculation->Init(&aDefinition, {}, 0, kRunMS, 0, 0, {}, 0, {}, 0, {}, nullptr);
        calculation->setTimeFrame(kStepMS);
    }
    qel::test::ScriptedTransponder transponder;
    qel::test::FakeCalculationContext context;
    std::unique_ptr<TqelCalculation> calculation;
};

std::vector<std::unique_ptr<Athlete>> Athletes(int aCount, TqeldbAnalyzeDef& aDefinition) {
    WithZones(aDefinition);
    WithHeatmap(aDefinition);
    WithEffortThresholds(aDefinition);
    WithSprintThresholds(aDefinition);
    aDefinition.setMIPDoCalc(true);
    std::vector<std::unique_ptr<Athlete>> athletes;
    for (int i = 0; i < aCount; ++i) {
        athletes.push_back(std::make_unique<Athlete>(i + 1, aDefinition));
    }
    return athletes;
}

void BM_CalculationTick(benchmark::State& state) {
    TqeldbAnalyzeDef definition(nullptr);
    auto athletes = Athletes(kAthletes, definition);
    if (!athletes.front()->calculation->Energy()) {
        state.SkipWithError("the energy analysis is not registered");
    }
    if (!athletes.front()->calculation->Heatmap()) {
        state.SkipWithError("the heat map is not registered");
    }
    const TqelCalculation& first = *athletes.front()->calculation;
    if (!first.AccelAct() || !first.Impacts() || !first.DistanceInfo() ||
        !first.MechanicalPower() || !first.HMLDistance() || !first.AngularVelocity()) {
        state.SkipWithError("an effort or load analysis is not registered");
    }
    if (!athletes.front()->calculation->ETLInfo() || !athletes.front()->calculation->CovertArea() ||
        !athletes.front()->calculation->SprintAct()) {
        state.SkipWithError("the training load, covered area or sprints are not registered");
    }
    if (!athletes.front()->calculation->MIPDistInfo()) {
        state.SkipWithError("the most intense periods are not registered");
    }
    int32_t t = 0;
    const int64_t before = qel::bench::AllocationCount();
    for (auto _ : state) {
        for (auto& athlete : athletes) {
            benchmark::DoNotOptimize(athlete->calculation->ProcessTimeFrame(t, true));
        }
        t += kStepMS;
    }
    const int64_t steps = state.iterations() * kAthletes;
    state.SetItemsProcessed(steps);
    state.counters["allocs/athlete"] =
        static_cast<double>(qel::bench::AllocationCount() - before) / static_cast<double>(steps);
    state.counters["ns/athlete"] = benchmark::Counter(
        static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// What every tick must at least do: hand each athlete's step values on.
void BM_CalculationTickBaseline(benchmark::State& state) {
    struct Values {
        RqelCalculatedPosition Pos;
        double Numbers[8];
    };
    std::vector<Values> from(kAthletes);
    std::vector<Values> to(kAthletes);
    for (auto _ : state) {
        for (int i = 0; i < kAthletes; ++i) {
            std::memcpy(&to[i], &from[i], sizeof(Values));
            benchmark::DoNotOptimize(to[i]);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kAthletes);
}

void Run(Athlete& anAthlete, TqeldbAnalyzeDef& aDefinition) {
    anAthlete.calculation->Init(&aDefinition, {}, 0, kRunMS, 0, 0, {}, 0, {}, 0, {}, nullptr);
    anAthlete.calculation->Execute(kStepMS);
}

// Arg 0: one after the other; 1: on the pool.
void BM_NinetyMinuteRun(benchmark::State& state) {
    TqeldbAnalyzeDef definition(nullptr);
    auto athletes = Athletes(kRunAthletes, definition);
    const bool pool = state.range(0) == 1;
    for (auto _ : state) {
        if (pool) {
            QtConcurrent::blockingMap(athletes, [&](std::unique_ptr<Athlete>& anAthlete) {
                Run(*anAthlete, definition);
            });
        } else {
            for (auto& athlete : athletes) {
                Run(*athlete, definition);
            }
        }
    }
    // The pool must not change a single result.
    TqeldbAnalyzeDef check(nullptr);
    WithZones(check);
    WithHeatmap(check);
    WithEffortThresholds(check);
    WithSprintThresholds(check);
    check.setMIPDoCalc(true);
    for (int i = 0; i < kRunAthletes; i += 7) {
        Athlete alone(i + 1, check);
        Run(alone, check);
        if (qel::test::WrittenBlock(*alone.calculation) !=
            qel::test::WrittenBlock(*athletes[i]->calculation)) {
            state.SkipWithError("results differ from a run alone");
        }
    }
    state.SetItemsProcessed(state.iterations() * kRunAthletes * (kRunMS / kStepMS));
    state.counters["sprints/athlete"] = athletes.front()->calculation->SprintAct()->SprintCount();
}

// The same number of steps copying the values.
void BM_NinetyMinuteRunBaseline(benchmark::State& state) {
    RqelCalculatedPosition from;
    RqelCalculatedPosition to;
    for (auto _ : state) {
        for (int a = 0; a < kRunAthletes; ++a) {
            for (int32_t t = 0; t < kRunMS; t += kStepMS) {
                from.XinM = t;
                std::memcpy(&to, &from, sizeof(to));
                benchmark::DoNotOptimize(to);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kRunAthletes * (kRunMS / kStepMS));
}

// The blocks of 30 calculations, each with its heat map, written to memory and read back.
void BM_HeatmapCalculationsStream(benchmark::State& state) {
    TqeldbAnalyzeDef definition(nullptr);
    auto athletes = Athletes(kRunAthletes, definition);
    std::vector<std::unique_ptr<TqelCalculation>> read;
    for (auto& athlete : athletes) {
        read.push_back(std::make_unique<TqelCalculation>(&athlete->transponder, nullptr, nullptr,
                                                         true, &athlete->context));
    }
    QByteArray data;
    for (auto _ : state) {
        data.resize(0);
        QBuffer out(&data);
        out.open(QIODevice::WriteOnly);
        qel::BinaryWriter writer(out);
        for (auto& athlete : athletes) {
            athlete->calculation->writeToStream(writer);
        }
        out.close();
        QBuffer in(&data);
        in.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(in);
        for (auto& calculation : read) {
            calculation->ReadFromStream(reader, 151);
        }
    }
    if (!read.front()->Heatmap() || read.front()->Heatmap()->XResolution() != 105) {
        state.SkipWithError("the heat maps did not come back");
    }
    state.SetBytesProcessed(state.iterations() * data.size());
    state.counters["bytes/calculation"] = static_cast<double>(data.size()) / kRunAthletes;
}

// Copying the same bytes out and back.
void BM_HeatmapCalculationsStreamBaseline(benchmark::State& state) {
    TqeldbAnalyzeDef definition(nullptr);
    auto athletes = Athletes(kRunAthletes, definition);
    QByteArray written;
    for (auto& athlete : athletes) {
        written += qel::test::WrittenBlock(*athlete->calculation);
    }
    std::vector<char> out(static_cast<size_t>(written.size()));
    std::vector<char> back(out.size());
    for (auto _ : state) {
        std::memcpy(out.data(), written.constData(), out.size());
        benchmark::ClobberMemory();
        std::memcpy(back.data(), out.data(), back.size());
        benchmark::DoNotOptimize(back.data());
    }
    state.SetBytesProcessed(state.iterations() * written.size());
}

// The window values of a 90-minute run (54,000 buckets).
void BM_MIPFinalize(benchmark::State& state) {
    TqeldbAnalyzeDef definition(nullptr);
    auto athletes = Athletes(1, definition);
    TqelMIPInfo* mip = athletes.front()->calculation->GameSpeedInfo();
    if (!mip) {
        state.SkipWithError("the most intense periods are not registered");
        return;
    }
    RqelCalculatedPosition pos;
    pos.OnField = true;
    // A pace of 1 to 9 m/s that changes each second, with the noise of measured positions.
    uint32_t noise = 51;
    for (int32_t t = 0; t < kRunMS; t += kStepMS) {
        noise = noise * 1664525u + 1013904223u;
        const double jitter = (noise >> 8) / 16777216.0 * 0.004;
        pos.XinM += 0.01 * (1 + ((t / 1000) * 7919 % 80) / 10.0) + jitter;
        mip->ProcessTimeFrame(t, true, pos, 0, (t / 700) % 9, 0, 0, 150, 0, false, pldNone, true,
                              true);
    }
    for (auto _ : state) {
        mip->Finalize();
        benchmark::DoNotOptimize(mip->GameSpeedResultDistance().GetValues(9));
    }
}

// One pass over the same buckets: copying their three values.
void BM_MIPFinalizeBaseline(benchmark::State& state) {
    std::vector<double> from(3 * (kRunMS / 100), 1.5);
    std::vector<double> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(double));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_CalculationTick);
BENCHMARK(BM_CalculationTickBaseline);
BENCHMARK(BM_NinetyMinuteRun)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NinetyMinuteRunBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeatmapCalculationsStream)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeatmapCalculationsStreamBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MIPFinalize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MIPFinalizeBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
