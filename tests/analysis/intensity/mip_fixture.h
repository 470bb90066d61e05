#pragma once

#include "analysis/calculation_fixture.h"
#include "analysis/intensity/mip_distance_info.h"
#include "analysis/intensity/mip_info.h"

namespace qel::test {

// An athlete whose calculation holds both most-intense-period objects beside the fixture's probes,
// with relative heart-rate zones of weights 1, 2 and 3 from 0 %, 60 % and 80 %.
class MIPFixture : public CalculationFixture {
protected:
    ScopedCalculationClass mipClass{CalcSlot::MIPInfo, &MakeCalculation<TqelMIPInfo>};
    ScopedCalculationClass distClass{CalcSlot::MIPDistInfo, &MakeCalculation<TqelMIPDistanceInfo>};

    void SetUp() override {
        definition.setMIPDoCalc(true);
        definition.setSprintMinHIDSpeed(5.5);
        TqelZones& zones = definition.HeartbeatZonesRelative();
        zones.Clear();
        zones.AddZone(0, 0, 60, 1, QStringLiteral("low"), 0, true);
        zones.AddZone(1, 60, 80, 2, QStringLiteral("mid"), 0, true);
        zones.AddZone(2, 80, 200, 3, QStringLiteral("high"), 0, true);
    }

    // A calculation over [aStart, anEnd) with 10 ms steps.
    std::unique_ptr<TqelCalculation> Ready(int32_t anEnd, int32_t aStart = 0) {
        auto calc = Make();
        calc->Init(&definition, {}, aStart, anEnd, 0, 26, QStringLiteral("Game"), 3,
                   QStringLiteral("Part"), 4, QStringLiteral("Team"), nullptr);
        calc->setTimeFrame(10);
        return calc;
    }

public:
    static RqelCalculatedPosition At(double aXinM, bool anOnField = true) {
        RqelCalculatedPosition pos;
        pos.XinM = aXinM;
        pos.OnField = anOnField;
        return pos;
    }

    static void Step(TqelCalculationVaruza& anObject, int32_t aTimeInMS,
                     const RqelCalculatedPosition& aPos, double aSpeed = 2,
                     double aHeartbeat = 100) {
        anObject.ProcessTimeFrame(aTimeInMS, aPos.OnField, aPos, 0, aSpeed, aSpeed, 0, aHeartbeat,
                                  0, false, pldNone, true, true);
    }
};

}  // namespace qel::test
