#include "measurement/control/transponder_hand_over.h"

#include "measurement/control/antenna_data.h"
#include "measurement/drivers/measurement_system.h"

namespace qel {

int32_t NextSystemIndex(int32_t anIndex, int32_t aCount) {
    if (anIndex < -1 || anIndex + 1 >= aCount) {
        return 0;
    }
    return anIndex + 1;
}

bool LongerAgoThan(TDateTime aThen, int64_t aMs) {
    const TDateTime now = Now();
    return now > aThen && MilliSecondsBetween(now, aThen) > aMs;
}

void MoveToNextSystem(const MeasurementSystemList& aSystems, TqelAntennaData& aTransponder,
                      uint16_t anAntennaID, int32_t aFromIndex, int32_t aDeactivateIndex) {
    const auto count = static_cast<int32_t>(aSystems.size());
    if (count == 0) {
        return;
    }
    if (aDeactivateIndex >= 0 && aDeactivateIndex < count) {
        aSystems[static_cast<size_t>(aDeactivateIndex)]->DeactivateTransponder(anAntennaID);
    }
    const int32_t next = NextSystemIndex(aFromIndex, count);
    aTransponder.setMeasurementSystemIndex(next);
    if (aTransponder.Enabled() != 0) {
        aTransponder.setMeasurementSystemLastValidAt(Now());
        aSystems[static_cast<size_t>(next)]->ActivateTransponder(anAntennaID);
    }
}

}  // namespace qel
