#include "analysis/framework/calculation_varuza.h"

#include "analysis/framework/calculation.h"

TqelCalculationVaruza::TqelCalculationVaruza(TqelCalculation& aCalculation)
    : FCalculation(&aCalculation), FFatigueTimeFrame(aCalculation.FatigueTimeFrameInMS()) {}

int32_t TqelCalculationVaruza::TransponderID() const {
    return FCalculation->TransponderID();
}
int32_t TqelCalculationVaruza::StartTimeInMS() const {
    return FCalculation->StartTimeInMS();
}
int32_t TqelCalculationVaruza::EndTimeInMS() const {
    return FCalculation->EndTimeInMS();
}
int32_t TqelCalculationVaruza::PartID() const {
    return FCalculation->PartID();
}
QString TqelCalculationVaruza::GameName() const {
    return FCalculation->GameName();
}
QString TqelCalculationVaruza::PartName() const {
    return FCalculation->PartName();
}
QString TqelCalculationVaruza::TeamName() const {
    return FCalculation->TeamName();
}
int32_t TqelCalculationVaruza::TimeFrameInMS() const {
    return FCalculation->TimeFrame();
}
