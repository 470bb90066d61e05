#pragma once

#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>
#include <memory>

#include "foundation/small_set.h"

// Descriptions of the numbered values the tracking data model can compute for a transponder, a
// group or a game, the conversion of such a value into a display unit, and the text form of a
// set of value numbers (the CSV export's field selection).

enum TqelDynaValueArgumentType : uint8_t {
    dvatNone,
    dvatInteger,
    dvatTransponder,
    dvatGroup,
    dvatMIP
};

enum TqelDynaValueUnitType : uint8_t {
    dvutNone,
    dvutTimestamp,
    dvutDateTime,
    dvutCoordinate,
    dvutDistance,
    dvutAngle,
    dvutSpeed,
    dvutAngularSpeed,
    dvutAcceleration,
    dvutAngularAcceleration,
    dvutHeartbeat,
    dvutInteger,
    dvutPercentage,
    dvutArea,
    dvutPower,
    dvutGravitation,
    dvutEnergy,
    dvutFloat
};

enum TqelDynaValueScopeType : uint8_t { dvscopeGraphs, dvscopeExport };
using TqelDynaValueScope = qel::SmallSet<dvscopeExport + 1>;

enum TqelDynaValueVaruzaType : uint8_t { dvotTransponder, dvotGroup, dvotGame };
using TqelDynaValueVaruzaTypes = qel::SmallSet<dvotGame + 1>;

namespace qel {
// Value numbers the description table has slots for: 0 .. 138.
constexpr int DynaValueCount = 139;
// Value numbers a selection set holds: 0 .. 143 (18 bytes).
constexpr int DynaValueSetCapacity = 144;
using DynaValueSet = SmallSet<DynaValueSetCapacity>;
}  // namespace qel

class TqelDynaValueDef {
public:
    TqelDynaValueDef(uint8_t aType, TqelDynaValueScope aScope, QString aCategory, QString aShort,
                     QString aLong, TqelDynaValueArgumentType anArgumentType,
                     TqelDynaValueUnitType aUnitType, QString aCaption,
                     TqelDynaValueVaruzaTypes aVaruzaTypes);

    // The value number, which the computations dispatch on.
    uint8_t Type() const { return FType; }
    TqelDynaValueScope Scope() const { return FScope; }
    const QString& Category() const { return FCategory; }
    const QString& Short() const { return FShort; }
    const QString& Long() const { return FLong; }
    TqelDynaValueArgumentType ArgumentType() const { return FArgumentType; }
    TqelDynaValueUnitType UnitType() const { return FUnitType; }
    const QString& Caption() const { return FCaption; }
    TqelDynaValueVaruzaTypes VaruzaTypes() const { return FVaruzaTypes; }

    // aValue in the base unit of UnitType converted into display unit aUnit (low byte counts):
    // distances m, km, cm, mm; angles rad, degrees; speeds m/s, km/h; energy J, kJ, cal, kcal;
    // with the rounding each unit shows. A null value, a NaN that cannot be rounded and a unit
    // with no conversion give aValue back. Raises EConvertError when a value that must be
    // converted is no number. Keeps no state: safe on any thread.
    QVariant convertToUnit(const QVariant& aValue, int32_t aUnit) const;

private:
    uint8_t FType;
    TqelDynaValueScope FScope;
    QString FCategory;
    QString FShort;
    QString FLong;
    TqelDynaValueArgumentType FArgumentType;
    TqelDynaValueUnitType FUnitType;
    QString FCaption;
    TqelDynaValueVaruzaTypes FVaruzaTypes;
};

// One slot per value number, each empty or holding a definition it owns.
class TqelDynaValueCollection {
public:
    TqelDynaValueCollection() = default;
    TqelDynaValueCollection(const TqelDynaValueCollection&) = delete;
    TqelDynaValueCollection& operator=(const TqelDynaValueCollection&) = delete;

    // Puts a new definition into slot aType, replacing what was there. Raises
    // EArgumentOutOfRangeException for a number beyond the table.
    void add(uint8_t aType, TqelDynaValueScope aScope, const QString& aCategory,
             const QString& aShort, const QString& aLong, TqelDynaValueArgumentType anArgumentType,
             TqelDynaValueUnitType aUnitType, const QString& aCaption,
             TqelDynaValueVaruzaTypes anVaruzaTypes);
    // Null for an empty slot and for a number beyond the table.
    const TqelDynaValueDef* getItem(uint8_t anIndex) const;
    // The slot of the low byte of aValueIndex.
    const TqelDynaValueDef* getValue(int32_t aValueIndex) const;

private:
    std::array<std::unique_ptr<TqelDynaValueDef>, qel::DynaValueCount> FItems;
};

namespace qel {
// The process-wide table, created on first use; nothing in the server fills it.
TqelDynaValueCollection& DynaValues();
}  // namespace qel

// The members in ascending order, in decimal, separated by ", " ("1, 10, 11").
QString SetToText(const qel::DynaValueSet& aSet);
// Items separated by commas or blanks (a part in double quotes is one item); items that are no
// integer in 1 .. 143 are skipped.
qel::DynaValueSet TextToSet(const QString& aText);
