#include <QBuffer>

#include "analysis/calculation_fixture.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

// Rows 1 to 19 of the calculation block as a file of aVersion holds them, from the layout
// table; row 20 onwards by the caller.
FieldBytes SettingsRows(int aVersion) {
    FieldBytes b;
    b.i32(5);
    if (aVersion > 92) {
        b.u8(1);
    }
    if (aVersion > 96) {
        b.u8(1);
    }
    if (aVersion > 92) {
        b.i32(9);
    }
    b.i32(26).str(QStringLiteral("Game")).i32(4).str(QStringLiteral("Team")).i32(3);
    b.str(QStringLiteral("Part")).i32(90000).i32(1000).i32(300000).i32(10);
    b.u8(1).u8(0).u8(1).u8(0).f64(1.5).u8(1).i32(30000).i32(10000);
    if (aVersion > 149) {
        const qsizetype before = b.size();
        b.f64(4.5).f64(9.5).u8(1).f64(2.0).f64(0.5).i32(1500).i32(500).i32(1000);
        b.f64(1.0).f64(6.0).f64(7.0).f64(3.1).i32(400).f64(1.2).i32(2000).f64(2.2);
        b.i32(300).f64(2.5).i32(100).i32(200).f64(3.0).i32(5000).f64(1.7).f64(5.5).u8(1);
        b.i32(11).i32(12).i32(13).f64(5.0).u8(1).i32(2);
        EXPECT_EQ(b.size() - before, 175);
    }
    return b;
}

// The rest of a block without objects.
FieldBytes& NoObjects(FieldBytes& b, int aVersion) {
    b.i32(0);
    for (int i = 0; i < 9; ++i) {
        b.u8(0);
    }
    if (aVersion > 86) {
        if (aVersion >= 96) {
            b.i32(3);
        }
        b.i32(0);
    }
    for (int gate : {102, 104, 116, 117, 118, 119, 136, 149}) {
        if (aVersion > gate) {
            b.u8(0);
        }
    }
    if (aVersion > 149) {
        b.u8(0);
    }
    return b;
}

QByteArray EmptyBlock(int aVersion) {
    FieldBytes b = SettingsRows(aVersion);
    return NoObjects(b, aVersion).data();
}

using CalculationStream = CalculationFixture;

TEST_F(CalculationStream, HandWrittenBlockReadsAndWritesBackByteForByte) {
    const QByteArray fixture = EmptyBlock(151);
    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    ASSERT_TRUE(ReadBlock(calc, fixture, 151));
    EXPECT_EQ(calc.CalculationID(), 5);
    EXPECT_TRUE(calc.BadData());
    EXPECT_TRUE(calc.BadHB());
    EXPECT_EQ(calc.AnalyseID(), 9);
    EXPECT_EQ(calc.GameID(), 26);
    EXPECT_EQ(calc.GameName(), QStringLiteral("Game"));
    EXPECT_EQ(calc.TeamID(), 4);
    EXPECT_EQ(calc.PartName(), QStringLiteral("Part"));
    EXPECT_EQ(calc.StartTimeInMS(), 1000);
    EXPECT_EQ(calc.EndTimeInMS(), 90000);
    EXPECT_EQ(calc.SpeedZone(), 1);
    EXPECT_EQ(calc.AccelZone(), 1);
    EXPECT_DOUBLE_EQ(calc.ECCRF(), 1.5);
    EXPECT_DOUBLE_EQ(calc.SprintMaxValidAccel(), 4.5);
    EXPECT_EQ(calc.GallopMinDistObstacleMM(), 5000);
    EXPECT_EQ(calc.IcehockeyShiftsTransitionTime(), 13);
    EXPECT_DOUBLE_EQ(calc.SprintMinHIDSpeed(), 5.0);
    EXPECT_TRUE(calc.SplitDecelBins());
    EXPECT_EQ(calc.HeatmapResolution(), hmrMedium);
    EXPECT_FALSE(calc.RecalculationNeeded());
    EXPECT_TRUE(calc.CalculationTypes().empty());
    EXPECT_EQ(calc.TransponderID(), 7);
    EXPECT_EQ(WrittenBlock(calc), fixture);
}

TEST_F(CalculationStream, EveryGateOfTheLayout) {
    for (int version : {80,  86,  87,  92,  93,  95,  96,  97,  102, 103, 104, 105,
                        116, 117, 118, 119, 120, 136, 137, 148, 149, 150, 151}) {
        TqelCalculation calc(&transponder, nullptr, {}, true, &context);
        calc.setAnalyseID(77);
        calc.setSprintMinSprintSpeed(8.25);
        calc.setRecalculationNeeded(false);
        ASSERT_TRUE(ReadBlock(calc, EmptyBlock(version), static_cast<uint8_t>(version))) << version;
        EXPECT_EQ(calc.BadData(), version > 92) << version;
        EXPECT_EQ(calc.BadHB(), version > 96) << version;
        EXPECT_EQ(calc.AnalyseID(), version > 92 ? 9 : 77) << version;
        EXPECT_DOUBLE_EQ(calc.SprintMinSprintSpeed(), version > 149 ? 7.0 : 8.25) << version;
        EXPECT_EQ(calc.RecalculationNeeded(), version < 150) << version;
        EXPECT_EQ(calc.PartID(), 3) << version;
        EXPECT_EQ(calc.TimeFrame(), 10) << version;
    }
}

TEST_F(CalculationStream, ObjectsRoundTripInStreamOrder) {
    ProbeClasses more{qel::CalcSlot::Sprints, qel::CalcSlot::Energy, qel::CalcSlot::Impacts,
                      qel::CalcSlot::MIPInfo, qel::CalcSlot::MIPDistInfo};
    definition.setMIPDoCalc(true);
    auto source = Make();
    source->Init(&definition, {}, 0, 200, 0, 0, {}, 0, {}, 0, {}, nullptr);
    ASSERT_TRUE(source->Execute(10));
    const QByteArray written = WrittenBlock(*source);

    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    ASSERT_TRUE(ReadBlock(calc, written, 151));
    using S = qel::CalcSlot;
    const S order[] = {S::Sprints, S::SpeedInfo, S::HeartInfo, S::Energy, S::Impacts, S::MIPInfo};
    ASSERT_EQ(calc.CalcVaruzaCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(calc.CalcVaruza(i), calc.Analysis(order[i])) << i;
        EXPECT_EQ(Probe(calc, order[i])->StepCount, 20) << i;
        EXPECT_DOUBLE_EQ(Probe(calc, order[i])->DistanceSum, Probe(*source, order[i])->DistanceSum);
    }
    // The distance object of the most intense periods is not stored.
    EXPECT_EQ(calc.Analysis(S::MIPDistInfo), nullptr);
    uint32_t types = 0;
    for (int bit = 0; bit < qel::CalculationTypeCount; ++bit) {
        types |= calc.CalculationTypes().contains(bit) ? 1u << bit : 0;
    }
    EXPECT_EQ(types, (1u << calcSprintAct) | (1u << calcSpeedInfo) | (1u << calcHeartInfo) |
                         (1u << calcEnergy) | (1u << calcImpact) |
                         (1u << calcGameSpeedDistanceInfo));
    EXPECT_EQ(WrittenBlock(calc), written);
}

TEST_F(CalculationStream, SeveralSprintObjects) {
    ProbeClasses sprints{qel::CalcSlot::Sprints};
    FieldBytes b = SettingsRows(151);
    b.i32(3);
    for (int i = 1; i <= 3; ++i) {
        b.i32(i).f64(i * 1.5);
    }
    FieldBytes rest;
    NoObjects(rest, 151);
    b.raw(rest.data().mid(4));
    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    ASSERT_TRUE(ReadBlock(calc, b.data(), 151));
    ASSERT_EQ(calc.SprintCount(), 3);
    EXPECT_EQ(calc.SprintObject(0), calc.Analysis(qel::CalcSlot::Sprints));
    EXPECT_EQ(static_cast<ProbeCalculation*>(calc.SprintObject(2))->StepCount, 3);
    EXPECT_EQ(calc.SprintObject(3), nullptr);
    EXPECT_EQ(WrittenBlock(calc), b.data());
}

TEST_F(CalculationStream, EveryCutRaisesAndLeavesItEmpty) {
    ProbeClasses more{qel::CalcSlot::Sprints, qel::CalcSlot::MIPInfo};
    auto source = Make();
    const QByteArray full = WrittenBlock(*source);
    for (qsizetype length = 0; length < full.size(); ++length) {
        TqelCalculation calc(&transponder, nullptr, {}, true, &context);
        EXPECT_THROW(ReadBlock(calc, full.left(length), 151), EStreamError) << length;
        EXPECT_EQ(calc.CalcVaruzaCount(), 0) << length;
        EXPECT_EQ(calc.SprintCount(), 0) << length;
        EXPECT_TRUE(calc.CalculationTypes().empty()) << length;
    }
}

TEST_F(CalculationStream, CountsBeyondTheDataAreRefusedBeforeAnythingIsMade) {
    ProbeClasses sprints{qel::CalcSlot::Sprints};
    for (int32_t count : {0x7FFFFFFF, -1}) {
        FieldBytes b = SettingsRows(151);
        b.i32(count).i32(0).f64(0);
        TqelCalculation calc(&transponder, nullptr, {}, true, &context);
        EXPECT_THROW(ReadBlock(calc, b.data(), 151), EReadError) << count;
        EXPECT_EQ(calc.SprintCount(), 0);
    }
}

TEST_F(CalculationStream, BlocksOfClassesNotBuiltAreRefusedByName) {
    // An ice-hockey shifts block: nothing here can tell where it ends.
    QByteArray data = EmptyBlock(151);
    const qsizetype shiftsPresence = data.size() - 1 - 8;
    data[shiftsPresence] = 1;
    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    try {
        ReadBlock(calc, data, 151);
        FAIL() << "read a block nobody can read";
    } catch (const EStreamError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("TqelIcehockeyShifts"))) << e.what();
    }
    EXPECT_EQ(calc.CalcVaruzaCount(), 0);

    // Agility tests are not read yet either.
    data = EmptyBlock(151);
    data[data.size() - 1 - 8 - 4] = 1;
    EXPECT_THROW(ReadBlock(calc, data, 151), EStreamError);
}

TEST_F(CalculationStream, AnEnumOutOfRangeReadsAsItsFirstValue) {
    QByteArray data = EmptyBlock(151);
    const qsizetype resolution = SettingsRows(151).size() - 4;
    data[resolution] = 7;
    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    calc.setHeatmapResolution(hmrLarge);
    ASSERT_TRUE(ReadBlock(calc, data, 151));
    EXPECT_EQ(calc.HeatmapResolution(), hmrNone);
}

TEST_F(CalculationStream, ExecuteAfterAReadNeedsInit) {
    auto source = Make();
    source->Init(&definition, {}, 0, 100, 0, 0, {}, 0, {}, 0, {}, nullptr);
    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    // An older file: its results count as stale.
    QByteArray data = WrittenBlock(*source);
    ASSERT_TRUE(ReadBlock(calc, data, 151));
    ASSERT_TRUE(calc.RecalculationNeeded());
    EXPECT_FALSE(calc.Execute(10));
    EXPECT_EQ(First(calc)->StepCount, 0);

    calc.Init(&definition, {}, 0, 100, 0, 0, {}, 0, {}, 0, {}, nullptr);
    EXPECT_TRUE(calc.Execute(10));
    EXPECT_EQ(First(calc)->StepCount, 10);
}

}  // namespace
}  // namespace qel::test
