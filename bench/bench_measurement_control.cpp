// The measurement control's live path: positions of 60 transponders handed in by a stand-in
// driver, transposed into the base pitch and forwarded to the owner, with one driver and with
// three (where each position is also judged for the hand-over against the antenna list). The
// baseline copies the same records to the same owner without the control, so the ratio is the
// control's cost per position. Reports positions per second and heap allocations per position
// (counted by the replaced global operator new of this program; the path should make none).

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "foundation/settings/field_settings.h"
#include "measurement/control/antenna_data.h"
#include "measurement/control/antenna_list.h"
#include "measurement/control/measurement_control.h"
#include "measurement/control/measurement_control_fakes.h"
#include "ratio_reporter.h"

namespace {

constexpr int kTransponders = 60;

// The main window: sums what it is given, so that nothing is optimised away.
class SummingOwner : public IqelMeasurementControlCallBack {
public:
    void log(int32_t, const QString&) override {}
    void status(int32_t, int32_t, const QString&) override {}
    void error(int32_t, int32_t, const QString&) override {}
    void stateChanged(int32_t, TqelStartupSequence) override {}
    void event(TqelMeasurementSystem*, uint8_t, int32_t) override {}
    void positionReceived(IqelMeasurementControl*, const RqelPositionRec& aPosition) override {
        Sum += aPosition.XinMM + aPosition.YinMM;
        ++Positions;
    }
    TqelAntennaList* getAntennaList() override { return &Antennas; }

    TqelAntennaList Antennas{nullptr};
    int64_t Sum = 0;
    int64_t Positions = 0;
};

std::vector<RqelPositionRec> Positions() {
    std::vector<RqelPositionRec> positions(kTransponders);
    for (int i = 0; i < kTransponders; ++i) {
        positions[static_cast<size_t>(i)] = RqelPositionRec::Create();
        positions[static_cast<size_t>(i)].AntennaID = static_cast<uint16_t>(20 + i);
        positions[static_cast<size_t>(i)].XinMM = 1000 + 100 * i;
        positions[static_cast<size_t>(i)].YinMM = 2000 - 50 * i;
        positions[static_cast<size_t>(i)].Valid = true;
    }
    return positions;
}

void Report(benchmark::State& state, int64_t aPositions, int64_t anAllocations) {
    state.SetItemsProcessed(aPositions);
    state.counters["positions/s"] =
        benchmark::Counter(static_cast<double>(aPositions), benchmark::Counter::kIsRate);
    state.counters["allocs/position"] =
        static_cast<double>(anAllocations) / static_cast<double>(std::max<int64_t>(aPositions, 1));
}

void BM_ControlForward(benchmark::State& state) {
    const auto drivers = static_cast<int>(state.range(0));
    SummingOwner owner;
    std::vector<std::unique_ptr<TqelFieldSettings>> fields;
    TqelMeasurementControl control(nullptr, [](const TqelFieldSettings&, bool) {
        return std::make_unique<qel::test::FakeMeasurementSystem>();
    });
    control.setCallback(&owner);
    for (int i = 0; i < drivers; ++i) {
        // Pitches side by side, 0.001 degrees of longitude apart on the equator.
        auto field = std::make_unique<TqelFieldSettings>();
        field->setFieldID(i + 1);
        const double lon = 1 + 0.001 * i;
        field->setGPSZeroPointLon(lon);
        field->setGPSPointNegXLon(lon - 0.001);
        field->setGPSPointPosXLon(lon + 0.001);
        field->setMeasurementBoxXLeft(-50000);
        field->setMeasurementBoxXRight(50000);
        field->setMeasurementBoxYBottom(-50000);
        field->setMeasurementBoxYTop(50000);
        control.MeasurementSystemAdd(field.get());
        fields.push_back(std::move(field));
    }
    for (int i = 0; i < kTransponders; ++i) {
        owner.Antennas.AddAntenna(nullptr, static_cast<uint16_t>(20 + i), 1, i + 1)->setTPRole(0);
    }
    control.Startup();
    // The last driver measures a roaming pitch: its positions are transposed.
    TqelMeasurementSystem* sender = control.GetMeasurementSystem(drivers - 1);
    const std::vector<RqelPositionRec> positions = Positions();
    // The first position starts the cycle timer.
    control.positionReceived(sender, positions.front());

    int64_t allocations = 0;
    for (auto _ : state) {
        const int64_t before = qel::bench::AllocationCount();
        for (const RqelPositionRec& position : positions) {
            control.positionReceived(sender, position);
        }
        allocations += qel::bench::AllocationCount() - before;
    }
    benchmark::DoNotOptimize(owner.Sum);
    Report(state, static_cast<int64_t>(state.iterations()) * kTransponders, allocations);
}

void BM_ControlForwardBaseline(benchmark::State& state) {
    SummingOwner owner;
    const std::vector<RqelPositionRec> positions = Positions();
    int64_t allocations = 0;
    for (auto _ : state) {
        const int64_t before = qel::bench::AllocationCount();
        for (const RqelPositionRec& position : positions) {
            RqelPositionRec copy = position;
            benchmark::DoNotOptimize(copy);
            owner.positionReceived(nullptr, copy);
        }
        allocations += qel::bench::AllocationCount() - before;
    }
    benchmark::DoNotOptimize(owner.Sum);
    Report(state, static_cast<int64_t>(state.iterations()) * kTransponders, allocations);
}

BENCHMARK(BM_ControlForward)->Arg(1)->Arg(3);
BENCHMARK(BM_ControlForwardBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
