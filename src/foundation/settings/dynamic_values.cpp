#include "foundation/settings/dynamic_values.h"

#include <QStringList>
#include <cmath>
#include <numbers>
#include <optional>

#include "foundation/text_utils.h"
#include "platform/exception.h"

namespace {

double ToDouble(const QVariant& aValue) {
    bool ok = false;
    const double value = aValue.toDouble(&ok);
    if (!ok) {
        throw EConvertError(
            QStringLiteral("Could not convert variant of type (%1) into type (Double)")
                .arg(QString::fromLatin1(aValue.typeName())));
    }
    return value;
}

// To a multiple of aStep, halves away from zero. Nothing for NaN, which cannot be rounded.
std::optional<double> RoundToStep(double aValue, double aStep) {
    if (std::isnan(aValue)) {
        return std::nullopt;
    }
    const double steps = aValue / aStep;
    return aStep * std::trunc(aValue < 0 ? steps - 0.5 : steps + 0.5);
}

QVariant Rounded(const QVariant& aValue, double aFactor, double aStep) {
    const std::optional<double> result = RoundToStep(ToDouble(aValue) * aFactor, aStep);
    return result ? QVariant(*result) : aValue;
}

QVariant Scaled(const QVariant& aValue, double aFactor) {
    return QVariant(ToDouble(aValue) * aFactor);
}

}  // namespace

TqelDynaValueDef::TqelDynaValueDef(uint8_t aType, TqelDynaValueScope aScope, QString aCategory,
                                   QString aShort, QString aLong,
                                   TqelDynaValueArgumentType anArgumentType,
                                   TqelDynaValueUnitType aUnitType, QString aCaption,
                                   TqelDynaValueVaruzaTypes aVaruzaTypes)
    : FType(aType),
      FScope(aScope),
      FCategory(std::move(aCategory)),
      FShort(std::move(aShort)),
      FLong(std::move(aLong)),
      FArgumentType(anArgumentType),
      FUnitType(aUnitType),
      FCaption(std::move(aCaption)),
      FVaruzaTypes(aVaruzaTypes) {}

QVariant TqelDynaValueDef::convertToUnit(const QVariant& aValue, int32_t aUnit) const {
    if (!aValue.isValid() || aValue.isNull()) {
        return aValue;
    }
    const uint8_t unit = static_cast<uint8_t>(aUnit & 0xFF);
    switch (FUnitType) {
        case dvutCoordinate:
        case dvutDistance:
            switch (unit) {
                case 0:
                    return Rounded(aValue, 1, 0.001);
                case 1:
                    return Rounded(aValue, 1.0 / 1000, 0.001);
                case 2:
                    return Rounded(aValue, 100, 0.1);
                case 3:
                    return Rounded(aValue, 1000, 1);
                default:
                    return aValue;
            }
        case dvutAngle:
            switch (unit) {
                case 0:
                    return Scaled(aValue, 1);
                case 1:
                    return QVariant(ToDouble(aValue) * 360 / (2 * std::numbers::pi));
                default:
                    return aValue;
            }
        case dvutSpeed:
            switch (unit) {
                case 0:
                    return Rounded(aValue, 1, 0.01);
                case 1:
                    return Rounded(aValue, 3.6, 0.01);
                default:
                    return aValue;
            }
        case dvutAcceleration:
            return Rounded(aValue, 1, 0.01);
        case dvutPercentage:
            return Rounded(aValue, 1, 0.1);
        case dvutEnergy:
            switch (unit) {
                case 0:
                    return Scaled(aValue, 1);
                case 1:
                    return QVariant(ToDouble(aValue) / 1000);
                case 2:
                    return QVariant(ToDouble(aValue) / 4.1868);
                case 3:
                    return QVariant(ToDouble(aValue) / 4186.8);
                default:
                    return aValue;
            }
        default:
            return aValue;
    }
}

void TqelDynaValueCollection::add(uint8_t aType, TqelDynaValueScope aScope,
                                  const QString& aCategory, const QString& aShort,
                                  const QString& aLong, TqelDynaValueArgumentType anArgumentType,
                                  TqelDynaValueUnitType aUnitType, const QString& aCaption,
                                  TqelDynaValueVaruzaTypes anVaruzaTypes) {
    if (aType >= FItems.size()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Dynamic value %1 is beyond the table of %2")
                .arg(aType)
                .arg(FItems.size()));
    }
    FItems[aType] =
        std::make_unique<TqelDynaValueDef>(aType, aScope, aCategory, aShort, aLong, anArgumentType,
                                           aUnitType, aCaption, anVaruzaTypes);
}

const TqelDynaValueDef* TqelDynaValueCollection::getItem(uint8_t anIndex) const {
    return anIndex < FItems.size() ? FItems[anIndex].get() : nullptr;
}

const TqelDynaValueDef* TqelDynaValueCollection::getValue(int32_t aValueIndex) const {
    return getItem(static_cast<uint8_t>(aValueIndex & 0xFF));
}

namespace qel {

TqelDynaValueCollection& DynaValues() {
    static TqelDynaValueCollection collection;
    return collection;
}

}  // namespace qel

QString SetToText(const qel::DynaValueSet& aSet) {
    QStringList members;
    for (int i = 0; i < qel::DynaValueSetCapacity; ++i) {
        if (aSet.contains(i)) {
            members.append(QString::number(i));
        }
    }
    return members.join(QStringLiteral(", "));
}

qel::DynaValueSet TextToSet(const QString& aText) {
    qel::DynaValueSet result;
    for (const QString& item : qel::SplitDelimitedText(aText, u',', true)) {
        // Not a number counts as 0, which is never a member.
        const int32_t value = VarToIntDef(QVariant(item), 0);
        if (value >= 1 && value < qel::DynaValueSetCapacity) {
            result.include(value);
        }
    }
    return result;
}
