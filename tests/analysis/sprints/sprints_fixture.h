#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "analysis/fake_calculation_context.h"
#include "analysis/framework/calculation.h"
#include "analysis/framework/speed_info.h"
#include "analysis/probe_calculation.h"
#include "analysis/scripted_transponder.h"
#include "analysis/sprints/sprints.h"
#include "database/analysis/analyze_definitions.h"
#include "foundation/settings/client_config.h"
#include "foundation/settings/zones.h"

namespace qel::test {

// Field zones by whole metres of X, a hundred apart per play direction, so that a test sees
// which position and direction were asked for.
class ZonedContext : public FakeCalculationContext {
public:
    int32_t PositionToZone(double aPosXinM, double,
                           TqelPlayDirection aPlayDirection) const override {
        return static_cast<int32_t>(std::floor(aPosXinM)) + 100 * aPlayDirection;
    }
};

// Sprint categories in the client settings while the object lives (definitions copy them).
class SprintCategorySetting {
public:
    explicit SprintCategorySetting(const qel::SprintCategoryList& aList)
        : FPrevious(ClientConfig()->SprintCategories()) {
        ClientConfig()->setSprintCategories(aList);
    }
    ~SprintCategorySetting() { ClientConfig()->setSprintCategories(FPrevious); }

private:
    qel::SprintCategoryList FPrevious;
};

// What one step hands to the sprint analysis.
struct SprintStep {
    int32_t TimeInMS = 0;
    double Speed = 0;
    double Accel = 0;
    bool Clock = true;
    bool OnField = true;
    bool Possession = false;
    TqelPlayDirection Direction = pldLeftToRight;
    double X = 0;
    double Y = 0;
    // mm; -1: the speed's distance over a 10 ms step.
    double Distance = -1;
    // -1: the speed itself.
    double FifaSpeed = -1;
};

// A step of constant speed for a while.
struct Segment {
    int32_t DurationMS = 0;
    double Speed = 0;
    bool Clock = true;
};

// Thresholds: standing below 2 m/s for 500 ms, sprinting from 5 m/s for more than 1000 ms,
// high intensity from 4 m/s, plausible below 10 m/s and 6 m/s², lead-in from 1 m/s and 2 m/s².
// Speed zones 0-2-4-5.5-7-12 weighing 1 to 5; sprint categories from 4 m/s for 500 ms, 5.5 m/s
// for 1000 ms and 6.5 m/s for 100 ms. The calculation runs 10 ms steps.
class SprintsFixture : public ::testing::Test {
protected:
    AbsentClasses absent{qel::CalcSlot::SpeedInfo, qel::CalcSlot::Sprints};
    qel::ScopedCalculationClass speedClass{qel::CalcSlot::SpeedInfo,
                                           &qel::MakeCalculation<TqelSpeedInfo>};
    qel::ScopedCalculationClass sprintClass{qel::CalcSlot::Sprints,
                                            &qel::MakeCalculation<TqelSprints>};
    SprintCategorySetting categories{{{1, 4.0, 500, QStringLiteral("fast"), 0, true},
                                      {2, 5.5, 1000, QStringLiteral("faster"), 0, true},
                                      {3, 6.5, 100, QStringLiteral("fastest"), 0, true}}};
    ScriptedTransponder transponder;
    ZonedContext context;
    TqeldbAnalyzeDef definition{nullptr};
    std::unique_ptr<TqelCalculation> calc;

    SprintsFixture() {
        definition.setSprintMaxStandSpeed(2.0);
        definition.setSprintMinStandTimeMS(500);
        definition.setSprintMinSprintSpeed(5.0);
        definition.setSprintMinHIDSpeed(4.0);
        definition.setSprintMinSprintTimeMS(1000);
        definition.setSprintMaxValidSpeed(10);
        definition.setSprintMaxValidAccel(6);
        definition.setAccelMinSpeed(1.0);
        definition.setAccelminAccel(2.0);
        SetSpeedZones({0, 2, 4, 5.5, 7, 12});
        transponder.Acceleration = [](int32_t) { return 0.0; };
    }

    void SetSpeedZones(std::initializer_list<double> aBounds) {
        TqelZones& zones = definition.SpeedZonesAbsolute();
        zones.Clear();
        const double* bound = aBounds.begin();
        for (int i = 0; i + 1 < static_cast<int>(aBounds.size()); ++i) {
            zones.AddZone(i, bound[i], bound[i + 1], i + 1, QStringLiteral("zone %1").arg(i), 0,
                          true);
        }
    }

    // A calculation initialised from the definition, and its sprint analysis.
    TqelSprints& Ready() {
        calc =
            std::make_unique<TqelCalculation>(&transponder, &definition, nullptr, false, &context);
        calc->setTimeFrame(10);
        calc->Init(&definition, {}, 0, 600000, 0, 0, {}, 0, {}, 0, {}, nullptr);
        return *calc->SprintAct();
    }

public:
    static void Step(TqelSprints& aSprints, const SprintStep& s) {
        RqelCalculatedPosition pos;
        pos.XinM = s.X;
        pos.YinM = s.Y;
        aSprints.ProcessTimeFrame(s.TimeInMS, s.OnField, pos,
                                  s.Distance < 0 ? s.Speed * 10 : s.Distance, s.Speed,
                                  s.FifaSpeed < 0 ? s.Speed : s.FifaSpeed, s.Accel, 0, 0,
                                  s.Possession, s.Direction, true, s.Clock);
    }

    // Steps the segments from aStartMS on; the time after the last step.
    static int32_t Run(TqelSprints& aSprints, int32_t aStartMS,
                       const std::vector<Segment>& aSegments) {
        int32_t t = aStartMS;
        for (const Segment& segment : aSegments) {
            for (int32_t end = t + segment.DurationMS; t < end; t += 10) {
                Step(aSprints, {.TimeInMS = t, .Speed = segment.Speed, .Clock = segment.Clock});
            }
        }
        return t;
    }
};

}  // namespace qel::test
