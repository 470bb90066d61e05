#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "foundation/shared_enums.h"

class TqelCalculation;
class TqelCalculationVaruza;

// The analysis classes a calculation can hold, the order in which it makes and steps them, and
// the rows of the calculation stream that carry them. Each analysis registers its constructor
// in its own unit (QEL_REGISTER_CALCULATION); a class nobody registered is never made, and a
// stream that holds one is refused.

namespace qel {

// One entry per analysis class, in processing order.
enum class CalcSlot : uint8_t {
    SpeedInfo,
    HeartInfo,
    AccelInfo,
    ETLInfo,
    MechanicalPower,
    HMLDistance,
    AngularVelocity,
    DistanceInfo,
    CovertArea,
    Heatmap,
    Energy,
    Sprints,
    AccelAct,
    IcehockeyActions,
    IcehockeyShifts,
    Impacts,
    EquestrianInfo,
    MIPInfo,
    MIPDistInfo
};
constexpr int CalcSlotCount = static_cast<int>(CalcSlot::MIPDistInfo) + 1;

using CalculationFactory = std::unique_ptr<TqelCalculationVaruza> (*)(TqelCalculation&);

struct CalculationClassInfo {
    CalcSlot Slot;
    // The bit of the type set that asks for the class.
    TqelCalculationType Bit;
    const char* ClassName;
};

// Indexed by slot, which is also the order of creation.
extern const std::array<CalculationClassInfo, CalcSlotCount> kCalculationClasses;

inline const CalculationClassInfo& ClassInfo(CalcSlot aSlot) {
    return kCalculationClasses[static_cast<int>(aSlot)];
}

// An optional object of the stream: a presence byte and the block, in files of versions above
// ReadAbove.
struct CalculationStreamRow {
    CalcSlot Slot;
    uint8_t ReadAbove;
};

// The rows before the agility row and after it, in stream order.
extern const std::array<CalculationStreamRow, 9> kStreamRowsBeforeAgility;
extern const std::array<CalculationStreamRow, 8> kStreamRowsAfterAgility;

// The registered constructor of a class; null while its analysis is not built.
CalculationFactory RegisteredCalculation(CalcSlot aSlot);

// Registers a class at program start: one static object in the analysis's unit.
class CalculationRegistration {
public:
    CalculationRegistration(CalcSlot aSlot, CalculationFactory aFactory);
};

// For tests and benchmarks: another class in a slot while the object lives.
class ScopedCalculationClass {
public:
    ScopedCalculationClass(CalcSlot aSlot, CalculationFactory aFactory);
    ~ScopedCalculationClass();
    ScopedCalculationClass(const ScopedCalculationClass&) = delete;
    ScopedCalculationClass& operator=(const ScopedCalculationClass&) = delete;

private:
    CalcSlot FSlot;
    CalculationFactory FPrevious;
};

template <class T>
std::unique_ptr<TqelCalculationVaruza> MakeCalculation(TqelCalculation& aCalculation) {
    return std::make_unique<T>(aCalculation);
}

}  // namespace qel

// In an analysis's unit: registers aClass for its slot and defines the calculation's typed
// accessor of it, e.g. QEL_REGISTER_CALCULATION(TqelSpeedInfo, SpeedInfo, SpeedInfo).
#define QEL_REGISTER_CALCULATION(aClass, aSlot, anAccessor)                     \
    static const qel::CalculationRegistration kCalculationRegistration##aClass( \
        qel::CalcSlot::aSlot, &qel::MakeCalculation<aClass>);                   \
    aClass* TqelCalculation::anAccessor() const {                               \
        return static_cast<aClass*>(Analysis(qel::CalcSlot::aSlot));            \
    }
