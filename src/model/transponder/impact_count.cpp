#include <mutex>

#include "analysis/framework/calculation.h"
#include "analysis/load/impact_info.h"
#include "model/transponder/transponder_data.h"

int32_t TqelTransponderData::calcNumberImpacts(int32_t aStartTimeInMS,
                                               int32_t anEndTimeInMS) const {
    const TqelCalculation* calculation = Calculation();
    if (!calculation) {
        return 0;
    }
    // The stepping thread appends impacts under this lock.
    std::lock_guard lock(calculation->ResultLock());
    const TqelImpactInfo* impacts = calculation->Impacts();
    return impacts ? impacts->CountStartingWithin(aStartTimeInMS, anEndTimeInMS) : 0;
}
