#include "analysis/framework/calculation_classes.h"

#include <atomic>

namespace qel {

const std::array<CalculationClassInfo, CalcSlotCount> kCalculationClasses{{
    {CalcSlot::SpeedInfo, calcSpeedInfo, "TqelSpeedInfo"},
    {CalcSlot::HeartInfo, calcHeartInfo, "TqelHeartInfo"},
    {CalcSlot::AccelInfo, calcAccelInfo, "TqelAccelInfo"},
    {CalcSlot::ETLInfo, calcETLInfo, "TqelETLInfo"},
    {CalcSlot::MechanicalPower, calcMechanicalPower, "TqelMechanicalPower"},
    {CalcSlot::HMLDistance, calcHMLDistance, "TqelHMLDistance"},
    {CalcSlot::AngularVelocity, calcAngularVelocity, "TqelAngularVelocity"},
    {CalcSlot::DistanceInfo, calcDistance, "TqelDistanceInfo"},
    {CalcSlot::CovertArea, calcCovertArea, "TqelCovertArea"},
    {CalcSlot::Heatmap, calcHeatmap, "TqelHeatmapInfo"},
    {CalcSlot::Energy, calcEnergy, "TqelEnergyConsumption"},
    {CalcSlot::Sprints, calcSprintAct, "TqelSprints"},
    {CalcSlot::AccelAct, calcAccelAct, "TqelAccelActivity"},
    {CalcSlot::IcehockeyActions, calcIceHockeyActions, "TqelIcehockeyActions"},
    {CalcSlot::IcehockeyShifts, calcIceHockeyShifts, "TqelIcehockeyShifts"},
    {CalcSlot::Impacts, calcImpact, "TqelImpactInfo"},
    {CalcSlot::EquestrianInfo, calcGallops, "TqelEquestrianInfo"},
    {CalcSlot::MIPInfo, calcGameSpeedDistanceInfo, "TqelMIPInfo"},
    {CalcSlot::MIPDistInfo, calcGameSpeedDistanceInfo, "TqelMIPDistanceInfo"},
}};

// Row 21 has always been there; its objects come as a group.
const std::array<CalculationStreamRow, 9> kStreamRowsBeforeAgility{{
    {CalcSlot::SpeedInfo, 0},
    {CalcSlot::HeartInfo, 0},
    {CalcSlot::AccelInfo, 0},
    {CalcSlot::AccelAct, 0},
    {CalcSlot::IcehockeyActions, 0},
    {CalcSlot::ETLInfo, 0},
    {CalcSlot::CovertArea, 0},
    {CalcSlot::Heatmap, 0},
    {CalcSlot::Energy, 0},
}};

const std::array<CalculationStreamRow, 8> kStreamRowsAfterAgility{{
    {CalcSlot::IcehockeyShifts, 102},
    {CalcSlot::Impacts, 104},
    {CalcSlot::MechanicalPower, 116},
    {CalcSlot::HMLDistance, 117},
    {CalcSlot::EquestrianInfo, 118},
    {CalcSlot::AngularVelocity, 119},
    {CalcSlot::DistanceInfo, 136},
    {CalcSlot::MIPInfo, 149},
}};

namespace {

// Function-local so that registrations of other units' static objects find it made.
std::array<std::atomic<CalculationFactory>, CalcSlotCount>& Registry() {
    static std::array<std::atomic<CalculationFactory>, CalcSlotCount> registry{};
    return registry;
}

std::atomic<CalculationFactory>& Entry(CalcSlot aSlot) {
    return Registry()[static_cast<int>(aSlot)];
}

}  // namespace

CalculationFactory RegisteredCalculation(CalcSlot aSlot) {
    return Entry(aSlot).load(std::memory_order_acquire);
}

CalculationRegistration::CalculationRegistration(CalcSlot aSlot, CalculationFactory aFactory) {
    Entry(aSlot).store(aFactory, std::memory_order_release);
}

ScopedCalculationClass::ScopedCalculationClass(CalcSlot aSlot, CalculationFactory aFactory)
    : FSlot(aSlot), FPrevious(Entry(aSlot).exchange(aFactory)) {}

ScopedCalculationClass::~ScopedCalculationClass() {
    Entry(FSlot).store(FPrevious);
}

}  // namespace qel
