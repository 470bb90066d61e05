#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <utility>

#include "analysis/fake_calculation_context.h"
#include "analysis/framework/calculation.h"
#include "analysis/scripted_transponder.h"
#include "database/analysis/analyze_definitions.h"
#include "foundation/settings/zones.h"

namespace qel::test {

// A scripted athlete whose analysis definition has small zone tables of the test's choosing,
// and a calculation with the real zone analyses stepped by hand at 100 ms.
class ZoneFixture : public ::testing::Test {
protected:
    struct Zone {
        double Min;
        double Max;
        double Weight;
    };

    ScriptedTransponder transponder;
    FakeCalculationContext context;
    TqeldbAnalyzeDef definition{nullptr};
    std::unique_ptr<TqelCalculation> calc;

    static void SetZones(TqelZones& aZones, std::initializer_list<Zone> aTable) {
        aZones.Clear();
        int32_t id = 0;
        for (const Zone& z : aTable) {
            aZones.AddZone(id, z.Min, z.Max, z.Weight, QStringLiteral("zone %1").arg(id), 0x10 + id,
                           true);
            ++id;
        }
    }

    void SetUp() override {
        SetZones(definition.SpeedZonesAbsolute(), {{0, 2, 1}, {2, 4, 2}, {4, 7, 3}});
        SetZones(definition.SpeedZonesRelative(), {{0, 50, 1}, {50, 70, 2}, {70, 110, 3}});
        SetZones(definition.AccelZonesAbsolute(), {{0, 2, 1}, {2, 4, 2}});
        SetZones(definition.AccelZonesRelative(), {{0, 50, 1}, {50, 110, 2}});
        SetZones(definition.DecelZonesAbsolute(), {{0, 2.5, 1}, {2.5, 5, 4}});
        SetZones(definition.HeartbeatZonesAbsolute(), {{30, 140, 1}, {140, 170, 2}, {170, 220, 3}});
        SetZones(definition.HeartbeatZonesRelative(), {{0, 80, 1}, {80, 90, 2}, {90, 110, 3}});
    }

    TqelCalculation& Make(int32_t aStartTimeInMS = 0, int32_t anEndTimeInMS = 600000) {
        calc =
            std::make_unique<TqelCalculation>(&transponder, &definition, nullptr, false, &context);
        calc->Init(&definition, {}, aStartTimeInMS, anEndTimeInMS, 0, 0, {}, 0, {}, 0, {}, nullptr);
        calc->setTimeFrame(100);
        return *calc;
    }

    // One step of aObject with the values the zone analyses read.
    struct Step {
        int32_t Time = 0;
        double Speed = 0;
        double Distance = 0;
        double Acceleration = 0;
        double Heartbeat = 0;
        bool OnField = true;
        bool ClockRunning = true;
        double FifaSpeed = 0;
    };
    static void Run(TqelCalculationVaruza& anObject, const Step& s) {
        anObject.ProcessTimeFrame(s.Time, s.OnField, RqelCalculatedPosition{}, s.Distance, s.Speed,
                                  s.FifaSpeed, s.Acceleration, s.Heartbeat, 0, false, pldNone, true,
                                  s.ClockRunning);
    }
    // aCount steps of 100 ms from aStep's time.
    static void Repeat(TqelCalculationVaruza& anObject, Step aStep, int aCount) {
        for (int i = 0; i < aCount; ++i, aStep.Time += 100) {
            Run(anObject, aStep);
        }
    }
};

}  // namespace qel::test
