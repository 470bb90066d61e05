#include <QBuffer>

#include "analysis/load/covered_area.h"
#include "analysis/load/training_load.h"
#include "analysis/sprints/sprints_fixture.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

using SprintBlock = SprintsFixture;

QByteArray BlockOf(const TqelCalculationVaruza& aCalc) {
    return WrittenObject(aCalc);
}

bool ReadAll(TqelCalculationVaruza& aCalc, QByteArray aData, uint8_t aVersion) {
    return ReadObject(aCalc, std::move(aData), aVersion);
}

// Reads aData whole into aCalculation; False when bytes were left over.
bool ReadAll(TqelCalculation& aCalculation, QByteArray aData, uint8_t aVersion) {
    QBuffer buffer(&aData);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(buffer);
    aCalculation.ReadFromStream(reader, aVersion);
    return reader.atEnd();
}

// The always-present fields of a record, distinct values in table order.
FieldBytes& AlwaysGroup(FieldBytes& b) {
    b.f64(7.25).f64(7.5).f64(3.75).f64(2.5).i32(1001).i32(4002).i32(1503);
    b.f64(9876.5).f64(5432.25).i32(2004).i32(161).i32(755).f64(0.125).f64(17.5).i32(3);
    return b;
}

void ExpectAlwaysGroup(const RSprintBin& s) {
    EXPECT_EQ(s.MaxSpeedMS, 7.25);
    EXPECT_EQ(s.MaxFifaSpeed, 7.5);
    EXPECT_EQ(s.MaxAccelerationMS2, 3.75);
    EXPECT_EQ(s.LastSpeed, 2.5);
    EXPECT_EQ(s.StartTimeInMS, 1001);
    EXPECT_EQ(s.EndTimeInMS, 4002);
    EXPECT_EQ(s.HIDSpeedTimeInMS, 1503);
    EXPECT_EQ(s.SprintDistanceInMM, 9876.5);
    EXPECT_EQ(s.HIDDistanceInMM, 5432.25);
    EXPECT_EQ(s.SprintTimeInMS, 2004);
    EXPECT_EQ(s.AvgHeartbeat, 161);
    EXPECT_EQ(s.AccelStartTimeInMS, 755);
    EXPECT_EQ(s.SpeedIndex, 0.125);
    EXPECT_EQ(s.ETLIndex, 17.5);
    EXPECT_EQ(s.SprintCategory, 3);
}

TEST_F(SprintBlock, CurrentRecordInTheTablesOrder) {
    FieldBytes b;
    b.f64(12345.5).i32(1);
    const qsizetype recordStart = b.size();
    AlwaysGroup(b);
    b.f64(11.5).f64(-4.25);               // 115: start position
    b.f64(31.75).f64(-2.5).f64(0.375);    // 131: end position, direction
    b.i32(pldRightToLeft).i32(7).i32(9);  // 132: play direction, zones
    b.f64(1234.5);                        // 116: distance before
    b.i32(1205).i32(2796).u8(1);          // 121: possession
    b.u8(1).i32(3900).i32(3500);          // 143: clock
    ASSERT_EQ(b.size() - recordStart, 170);

    TqelSprints& sprints = Ready();
    ASSERT_TRUE(ReadAll(sprints, b.data(), 151));
    EXPECT_EQ(sprints.TotalDistance(), 12345.5);
    ASSERT_EQ(sprints.SprintCount(), 1);
    EXPECT_EQ(sprints.OpenRecord().StartTimeInMS, 0);
    const RSprintBin& s = sprints.GetSprint(0);
    ExpectAlwaysGroup(s);
    EXPECT_EQ(s.StartPosXinM, 11.5);
    EXPECT_EQ(s.StartPosYinM, -4.25);
    EXPECT_EQ(s.EndPosXinM, 31.75);
    EXPECT_EQ(s.EndPosYinM, -2.5);
    EXPECT_EQ(s.DirectionRAD, 0.375);
    EXPECT_EQ(s.PlayDirection, pldRightToLeft);
    EXPECT_EQ(s.StartFieldZone, 7);
    EXPECT_EQ(s.EndFieldZone, 9);
    EXPECT_EQ(s.CumDistanceStartInM, 1234.5);
    EXPECT_EQ(s.DurationPossessionInMS, 1205);
    EXPECT_EQ(s.DurationOpponentInMS, 2796);
    EXPECT_TRUE(s.StartPossession);
    EXPECT_TRUE(s.InitClockRunning);
    EXPECT_EQ(s.OnFieldTime, 3900);
    EXPECT_EQ(s.EffectiveTime, 3500);
    EXPECT_EQ(BlockOf(sprints), b.data());
}

TEST_F(SprintBlock, OlderVersionsLackTheirGroups) {
    TqelSprints& sprints = Ready();
    // 125: start position, distance before and the possession with its old code.
    for (uint8_t code : {0, 1, 2, 3, 4}) {
        FieldBytes b;
        b.f64(10).i32(1);
        AlwaysGroup(b).f64(11.5).f64(-4.25).f64(1234.5).i32(1205).i32(2796).u8(code);
        ASSERT_TRUE(ReadAll(sprints, b.data(), 125)) << int(code);
        const RSprintBin& s = sprints.GetSprint(0);
        ExpectAlwaysGroup(s);
        EXPECT_EQ(s.StartPossession, code == 1 || code == 3) << int(code);
        EXPECT_EQ(s.StartPosYinM, -4.25);
        EXPECT_EQ(s.CumDistanceStartInM, 1234.5);
        EXPECT_EQ(s.DurationOpponentInMS, 2796);
        EXPECT_EQ(s.EndPosXinM, 0.0);
        EXPECT_EQ(s.DirectionRAD, 0.0);
        EXPECT_EQ(s.PlayDirection, pldNone);
        EXPECT_EQ(s.EndFieldZone, 0);
        EXPECT_FALSE(s.InitClockRunning);
        EXPECT_EQ(s.EffectiveTime, 0);
    }
    // From 132 the byte is the possession itself.
    FieldBytes b132;
    b132.f64(10).i32(1);
    AlwaysGroup(b132).f64(1).f64(2).f64(3).f64(4).f64(5).i32(1).i32(2).i32(3).f64(6);
    b132.i32(7).i32(8).u8(2);
    ASSERT_TRUE(ReadAll(sprints, b132.data(), 132));
    EXPECT_TRUE(sprints.GetSprint(0).StartPossession);
    EXPECT_EQ(sprints.GetSprint(0).CumDistanceStartInM, 6.0);

    // 114: the always-present fields only.
    FieldBytes b114;
    b114.f64(10).i32(2);
    AlwaysGroup(b114);
    AlwaysGroup(b114);
    ASSERT_TRUE(ReadAll(sprints, b114.data(), 114));
    ASSERT_EQ(sprints.SprintCount(), 2);
    const RSprintBin& s = sprints.GetSprint(1);
    ExpectAlwaysGroup(s);
    EXPECT_EQ(s.StartPosXinM, 0.0);
    EXPECT_EQ(s.EndPosYinM, 0.0);
    EXPECT_EQ(s.DirectionRAD, 0.0);
    EXPECT_EQ(s.StartFieldZone, 0);
    EXPECT_EQ(s.CumDistanceStartInM, 0.0);
    EXPECT_EQ(s.DurationPossessionInMS, 0);
    EXPECT_FALSE(s.StartPossession);
    EXPECT_EQ(s.OnFieldTime, 0);
}

TEST_F(SprintBlock, BadCountsAndCutBlocksChangeNothing) {
    TqelSprints& sprints = Ready();
    Run(sprints, 1000, {{1500, 6}, {10, 0}});
    ASSERT_EQ(sprints.SprintCount(), 1);
    const QByteArray before = BlockOf(sprints);
    for (int32_t count : {0x7FFFFFFF, -1, 2}) {
        FieldBytes b;
        b.f64(1).i32(count);
        AlwaysGroup(b);
        EXPECT_THROW(ReadAll(sprints, b.data(), 114), EReadError) << count;
        EXPECT_EQ(BlockOf(sprints), before) << count;
    }
    for (qsizetype length = 0; length < before.size(); ++length) {
        EXPECT_THROW(ReadAll(sprints, before.left(length), 151), EReadError) << length;
        EXPECT_EQ(BlockOf(sprints), before) << length;
    }
}

TEST_F(SprintBlock, CalculationWithThreeSprintObjects) {
    TqelSprints& first = Ready();
    Run(first, 1000, {{1500, 6}, {10, 0}});
    TqelSprints second(*calc);
    second.Init();
    Run(second, 5000, {{2000, 7}, {10, 0}, {1500, 6}, {10, 0}});
    TqelSprints third(*calc);
    third.Init();

    // The written calculation holds one sprint object: three stand in its place.
    FieldBytes one;
    one.i32(1).raw(BlockOf(first));
    QByteArray data = WrittenBlock(*calc);
    const qsizetype at = data.indexOf(one.data());
    ASSERT_GE(at, 0);
    FieldBytes three;
    three.i32(3).raw(BlockOf(first)).raw(BlockOf(second)).raw(BlockOf(third));
    data.replace(at, one.size(), three.data());

    TqelCalculation read(&transponder, nullptr, {}, true, &context);
    ASSERT_TRUE(ReadAll(read, data, 151));
    ASSERT_EQ(read.SprintCount(), 3);
    EXPECT_EQ(read.SprintAct(), read.GetSprint(0));
    EXPECT_EQ(read.GetSprint(0)->SprintCount(), 1);
    EXPECT_EQ(read.GetSprint(1)->SprintCount(), 2);
    EXPECT_EQ(read.GetSprint(1)->GetSprint(0).MaxSpeedMS, 7.0);
    EXPECT_EQ(read.GetSprint(2)->SprintCount(), 0);
    EXPECT_EQ(read.GetSprint(3), nullptr);
    EXPECT_EQ(WrittenBlock(read), data);

    // A run takes one new sprint object in their place.
    read.Init(&definition, {}, 0, 600000, 0, 0, {}, 0, {}, 0, {}, nullptr);
    ASSERT_EQ(read.SprintCount(), 1);
    EXPECT_EQ(read.SprintAct()->SprintCount(), 0);
    int sprintObjects = 0;
    for (int i = 0; i < read.CalcVaruzaCount(); ++i) {
        sprintObjects += dynamic_cast<TqelSprints*>(read.CalcVaruza(i)) != nullptr;
    }
    EXPECT_EQ(sprintObjects, 1);
}

TEST_F(SprintBlock, CalculationRunsAndStoresLoadAreaAndSprints) {
    qel::ScopedCalculationClass loadClass{qel::CalcSlot::ETLInfo,
                                          &qel::MakeCalculation<TqelETLInfo>};
    qel::ScopedCalculationClass areaClass{qel::CalcSlot::CovertArea,
                                          &qel::MakeCalculation<TqelCovertArea>};
    // Along +X at 1 m/s of position; 6 m/s from 1 s to 3 s.
    transponder.Speed = [](int32_t t, int32_t) { return t >= 1000 && t < 3000 ? 6.0 : 0.5; };
    Ready();
    calc->setEndTimeInMS(5000);
    calc->Init(&definition, {}, 0, 5000, 0, 0, {}, 0, {}, 0, {}, nullptr);
    // Processing order: the load, then the area, then the sprints.
    std::vector<TqelCalculationVaruza*> order;
    for (int i = 0; i < calc->CalcVaruzaCount(); ++i) {
        order.push_back(calc->CalcVaruza(i));
    }
    const std::vector<TqelCalculationVaruza*> expected{calc->SpeedInfo(), calc->ETLInfo(),
                                                       calc->CovertArea(), calc->SprintAct()};
    EXPECT_EQ(order, expected);
    ASSERT_TRUE(calc->Execute(10));

    ASSERT_EQ(calc->SprintAct()->SprintCount(), 1);
    EXPECT_EQ(calc->SprintAct()->GetSprint(0).DurationInMS(), 2000);
    EXPECT_EQ(calc->ETLInfo()->TotalTimeInMS(), 5000);
    // X from 0 to 4.99 m: cells 55 to 60 of the measure box.
    EXPECT_EQ(calc->CovertArea()->SquareMeters(), 6.0);
    EXPECT_EQ(calc->CovertArea()->MaxXPosInMM(), 5000);

    const QByteArray data = WrittenBlock(*calc);
    TqelCalculation read(&transponder, nullptr, {}, true, &context);
    ASSERT_TRUE(ReadAll(read, data, 151));
    ASSERT_NE(read.ETLInfo(), nullptr);
    ASSERT_NE(read.CovertArea(), nullptr);
    ASSERT_EQ(read.SprintCount(), 1);
    EXPECT_EQ(read.ETLInfo()->TotalValue(), calc->ETLInfo()->TotalValue());
    EXPECT_EQ(read.CovertArea()->SquareMeters(), 6.0);
    EXPECT_EQ(BlockOf(*read.SprintAct()), BlockOf(*calc->SprintAct()));
    EXPECT_EQ(WrittenBlock(read), data);
}

}  // namespace
}  // namespace qel::test
