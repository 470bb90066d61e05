#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "foundation/settings/dynamic_values.h"
#include "platform/exception.h"

namespace {

TqelDynaValueDef Def(TqelDynaValueUnitType aUnitType) {
    return TqelDynaValueDef(7, TqelDynaValueScope{dvscopeExport}, QStringLiteral("Position"),
                            QStringLiteral("X"), QStringLiteral("X position"), dvatTransponder,
                            aUnitType, QStringLiteral("X [m]"),
                            TqelDynaValueVaruzaTypes{dvotTransponder, dvotGroup});
}

TEST(DynaValueDef, ConvertsIntoTheDisplayUnit) {
    struct Case {
        TqelDynaValueUnitType type;
        double value;
        int32_t unit;
        double expected;
    };
    constexpr double pi = std::numbers::pi;
    const Case cases[] = {
        {dvutDistance, 1234.5678, 0, 1234.568},
        {dvutDistance, 1234.5678, 1, 1.235},
        {dvutDistance, 1234.5678, 2, 123456.8},
        {dvutDistance, 1234.5678, 3, 1234568},
        {dvutCoordinate, -2.0005, 0, -2.001},  // halves away from zero
        {dvutCoordinate, -0.25, 2, -25},
        {dvutDistance, 1234.5678, 256, 1234.568},  // only the low byte counts
        {dvutDistance, 1234.5678, 4, 1234.5678},
        {dvutSpeed, 5, 0, 5},
        {dvutSpeed, 5, 1, 18},
        {dvutSpeed, 2.345, 1, 8.44},
        {dvutSpeed, 2.345, 2, 2.345},
        {dvutAngle, pi, 1, 180},
        {dvutAngle, 1, 1, 57.295779513082323},  // not rounded
        {dvutAngle, pi, 2, pi},
        {dvutAcceleration, 3.14159, 0, 3.14},
        {dvutAcceleration, -3.145, 3, -3.15},
        {dvutPercentage, 66.66, 2, 66.7},
        {dvutEnergy, 4186.8, 3, 1},
        {dvutEnergy, 41.868, 2, 10},
        {dvutEnergy, 2500, 1, 2.5},
        {dvutEnergy, 1.23456, 0, 1.23456},
        {dvutHeartbeat, 123.456, 0, 123.456},
        {dvutHeartbeat, 123.456, 1, 123.456},
        {dvutHeartbeat, 123.456, 3, 123.456},
        {dvutTimestamp, 0.123456, 1, 0.123456},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "type " << int(c.type) << " value " << c.value << " unit " << c.unit);
        const QVariant result = Def(c.type).convertToUnit(QVariant(c.value), c.unit);
        EXPECT_EQ(result.typeId(), QMetaType::Double);
        EXPECT_NEAR(result.toDouble(), c.expected, std::abs(c.expected) * 1e-12);
    }
}

TEST(DynaValueDef, ValuesThatAreNotConverted) {
    // Null and empty values come back as they are, whatever the unit type.
    for (TqelDynaValueUnitType type : {dvutDistance, dvutSpeed, dvutEnergy, dvutHeartbeat}) {
        EXPECT_FALSE(Def(type).convertToUnit(QVariant(), 1).isValid());
        EXPECT_TRUE(Def(type).convertToUnit(QVariant::fromValue(nullptr), 1).isNull());
    }
    // Unchanged entries keep the value's own type, except unit 0 of angles and energy.
    EXPECT_EQ(Def(dvutHeartbeat).convertToUnit(QVariant(140), 1).typeId(), QMetaType::Int);
    EXPECT_EQ(Def(dvutSpeed).convertToUnit(QVariant(3), 2).typeId(), QMetaType::Int);
    EXPECT_EQ(Def(dvutEnergy).convertToUnit(QVariant(3), 0).typeId(), QMetaType::Double);
    EXPECT_EQ(Def(dvutAngle).convertToUnit(QVariant(3), 0).typeId(), QMetaType::Double);
    // A number in a text converts; other text is an error only where a conversion is needed.
    EXPECT_DOUBLE_EQ(Def(dvutSpeed).convertToUnit(QVariant(QStringLiteral("5")), 1).toDouble(), 18);
    EXPECT_THROW(Def(dvutSpeed).convertToUnit(QVariant(QStringLiteral("fast")), 1), EConvertError);
    EXPECT_EQ(Def(dvutInteger).convertToUnit(QVariant(QStringLiteral("fast")), 1).toString(),
              QStringLiteral("fast"));
    // A NaN cannot be rounded: the value comes back.
    EXPECT_TRUE(std::isnan(Def(dvutDistance).convertToUnit(QVariant(std::nan("")), 0).toDouble()));
}

TEST(DynaValueDef, KeepsItsDescription) {
    const TqelDynaValueDef def = Def(dvutCoordinate);
    EXPECT_EQ(def.Type(), 7);
    EXPECT_TRUE(def.Scope().contains(dvscopeExport));
    EXPECT_FALSE(def.Scope().contains(dvscopeGraphs));
    EXPECT_EQ(def.Category(), QStringLiteral("Position"));
    EXPECT_EQ(def.Short(), QStringLiteral("X"));
    EXPECT_EQ(def.Long(), QStringLiteral("X position"));
    EXPECT_EQ(def.ArgumentType(), dvatTransponder);
    EXPECT_EQ(def.UnitType(), dvutCoordinate);
    EXPECT_EQ(def.Caption(), QStringLiteral("X [m]"));
    EXPECT_TRUE(def.VaruzaTypes().contains(dvotGroup));
    EXPECT_FALSE(def.VaruzaTypes().contains(dvotGame));
}

TEST(DynaValueCollection, SlotsAndLookups) {
    TqelDynaValueCollection collection;
    EXPECT_EQ(collection.getItem(0), nullptr);
    EXPECT_EQ(collection.getItem(138), nullptr);
    // Numbers beyond the table, also through the low byte of a larger index.
    EXPECT_EQ(collection.getItem(139), nullptr);
    EXPECT_EQ(collection.getItem(255), nullptr);
    EXPECT_EQ(collection.getValue(200), nullptr);
    EXPECT_EQ(collection.getValue(-1), nullptr);

    collection.add(138, {dvscopeGraphs}, QStringLiteral("Game"), QStringLiteral("S"),
                   QStringLiteral("Long"), dvatNone, dvutFloat, QStringLiteral("C"), {dvotGame});
    ASSERT_NE(collection.getItem(138), nullptr);
    EXPECT_EQ(collection.getItem(138)->Type(), 138);
    EXPECT_EQ(collection.getValue(138 + 256), collection.getItem(138));
    collection.add(138, {}, QString(), QStringLiteral("Replaced"), QString(), dvatNone, dvutFloat,
                   QString(), {});
    EXPECT_EQ(collection.getItem(138)->Short(), QStringLiteral("Replaced"));
    EXPECT_THROW(
        collection.add(139, {}, QString(), QString(), QString(), dvatNone, dvutNone, QString(), {}),
        EArgumentOutOfRangeException);

    // The process-wide table stays empty.
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(qel::DynaValues().getValue(i), nullptr) << i;
    }
}

TEST(DynaValueSets, TextForm) {
    EXPECT_EQ(SetToText({}), QString());
    EXPECT_EQ(SetToText({11, 1, 10}), QStringLiteral("1, 10, 11"));
    EXPECT_EQ(SetToText({0, 143}), QStringLiteral("0, 143"));

    struct Case {
        const char* text;
        qel::DynaValueSet expected;
    };
    const Case cases[] = {
        {"", {}},
        {"1, 10, 11, 30, 80, 81, 82", {1, 10, 11, 30, 80, 81, 82}},
        {"5,5, 7", {5, 7}},
        {"0, 144, 300, abc, -3, 143", {143}},
        {"  2 3\t4,,5  ,", {2, 3, 4, 5}},
        {"\"6\",\"7 8\", \"9", {6, 9}},
        {"$A, 0x0B", {10, 11}},
        {"1.5, 12", {12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SetToText(TextToSet(QString::fromUtf8(c.text))), SetToText(c.expected));
    }
    const qel::DynaValueSet all = [] {
        qel::DynaValueSet set;
        for (int i = 1; i < qel::DynaValueSetCapacity; ++i) {
            set.include(i);
        }
        return set;
    }();
    EXPECT_TRUE(TextToSet(SetToText(all)) == all);
}

}  // namespace
