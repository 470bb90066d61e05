#pragma once

#include "analysis/framework/calculation_varuza.h"
#include "analysis/probe_calculation.h"
#include "foundation/settings/client_config.h"
#include "platform/binary_stream.h"

namespace qel::test {

// The values one step hands to an analysis object; the rest of the step is fixed (FIFA speed
// equal to the speed, heart rate 0, no play direction, ball alive).
struct StepValues {
    int32_t TimeInMS = 0;
    double Speed = 0;
    double Acceleration = 0;
    double Distance = 0;
    bool OnField = true;
    bool ClockIsRunning = true;
    RqelCalculatedPosition Pos{};
    double Impact = 0;
    bool TeamHasPossession = false;
};

inline void Step(TqelCalculationVaruza& anObject, const StepValues& aStep) {
    anObject.ProcessTimeFrame(aStep.TimeInMS, aStep.OnField, aStep.Pos, aStep.Distance, aStep.Speed,
                              aStep.Speed, aStep.Acceleration, 0, aStep.Impact,
                              aStep.TeamHasPossession, pldNone, true, aStep.ClockIsRunning);
}

// The client settings' acceleration, deceleration and impact categories while the object
// lives; analysis definitions made meanwhile copy them.
class CategoriesInSettings {
public:
    CategoriesInSettings(const AccelCategoryList& anAccel, const AccelCategoryList& aDecel,
                         const ImpactCategoryList& anImpact)
        : FAccel(ClientConfig()->AccelCategories()),
          FDecel(ClientConfig()->DecelCategories()),
          FImpact(ClientConfig()->ImpactCategories()) {
        ClientConfig()->setAccelCategories(anAccel);
        ClientConfig()->setDecelCategories(aDecel);
        ClientConfig()->setImpactCategories(anImpact);
    }
    ~CategoriesInSettings() {
        ClientConfig()->setAccelCategories(FAccel);
        ClientConfig()->setDecelCategories(FDecel);
        ClientConfig()->setImpactCategories(FImpact);
    }
    CategoriesInSettings(const CategoriesInSettings&) = delete;
    CategoriesInSettings& operator=(const CategoriesInSettings&) = delete;

private:
    AccelCategoryList FAccel;
    AccelCategoryList FDecel;
    ImpactCategoryList FImpact;
};

}  // namespace qel::test
