#include <QtGlobal>
#include <cmath>
#include <limits>

#include "analysis/calculation_fixture.h"
#include "analysis/framework/model_calculation_context.h"
#include "model/blocks/time_on_ice.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/transponder/transponder_data.h"
#include "platform/crash_reporter.h"
#include "support/temp_folder.h"

namespace qel::test {
namespace {

uint32_t TypeBits(const TqelCalculationTypes& aTypes) {
    uint32_t bits = 0;
    for (int i = 0; i < qel::CalculationTypeCount; ++i) {
        if (aTypes.contains(i)) {
            bits |= 1u << i;
        }
    }
    return bits;
}

using Calculation = CalculationFixture;

TEST_F(Calculation, WithoutDefinitionOrTransponderItIsEmpty) {
    TqelCalculation noDefinition(&transponder, nullptr, {}, false, &context);
    EXPECT_TRUE(noDefinition.CalculationTypes().empty());
    EXPECT_EQ(noDefinition.CalcVaruzaCount(), 0);
    EXPECT_EQ(noDefinition.TransponderID(), 7);
    noDefinition.setTimeFrame(10);
    EXPECT_TRUE(noDefinition.ProcessTimeFrame(2000, false));
    EXPECT_DOUBLE_EQ(noDefinition.Position().XinM, 2.0);
    EXPECT_DOUBLE_EQ(noDefinition.Speed(), 2.0);
    EXPECT_DOUBLE_EQ(noDefinition.Acceleration(), 0.5);

    TqelCalculation noTransponder(nullptr, &definition, {}, false, &context);
    EXPECT_TRUE(noTransponder.CalculationTypes().empty());
    EXPECT_EQ(noTransponder.CalcVaruzaCount(), 0);
    EXPECT_EQ(noTransponder.TransponderID(), 0);
    EXPECT_FALSE(noTransponder.ProcessTimeFrame(0, false));
}

TEST_F(Calculation, TypeSetFollowsDefinitionAndSport) {
    struct Case {
        TqelSports Sport;
        bool MIP;
        bool Heatmap;
        uint32_t Expected;
    } cases[] = {
        {sportSoccer, false, false, 0x2D8FF},    {sportSoccer, true, false, 0x6D8FF},
        {sportIceHockey, false, false, 0x2FAFF}, {sportEquestrian, false, false, 0x3D8FF},
        {sportSoccer, false, true, 0x2D9FF},
    };
    for (const Case& c : cases) {
        context.Sport = c.Sport;
        definition.setMIPDoCalc(c.MIP);
        definition.setHeatmapDoCalc(c.Heatmap);
        EXPECT_EQ(TypeBits(Make()->CalculationTypes()), c.Expected) << int(c.Sport);
    }
    // Without a dataset the sport adds nothing.
    context.Sport = sportIceHockey;
    context.Dataset = false;
    definition.setMIPDoCalc(false);
    definition.setHeatmapDoCalc(false);
    EXPECT_EQ(TypeBits(Make()->CalculationTypes()), 0x2D8FFu);
}

TEST_F(Calculation, InitChangesOnlyTheMIPBit) {
    context.Sport = sportIceHockey;
    auto calc = Make();
    const uint32_t before = TypeBits(calc->CalculationTypes());
    definition.setMIPDoCalc(true);
    definition.setHeatmapDoCalc(true);
    calc->Init(&definition, {}, 0, 0, 0, 0, {}, 0, {}, 0, {}, nullptr);
    EXPECT_EQ(TypeBits(calc->CalculationTypes()), before | 0x40000u);
    definition.setMIPDoCalc(false);
    calc->Init(&definition, {}, 0, 0, 0, 0, {}, 0, {}, 0, {}, nullptr);
    EXPECT_EQ(TypeBits(calc->CalculationTypes()), before);
}

TEST_F(Calculation, CreationMakesRegisteredObjectsInProcessingOrder) {
    auto calc = Make();
    // Only the two probes are registered here: the other bits make nothing.
    ASSERT_EQ(calc->CalcVaruzaCount(), 2);
    EXPECT_EQ(calc->CalcVaruza(0), First(*calc));
    EXPECT_EQ(calc->CalcVaruza(1), Second(*calc));
    EXPECT_EQ(calc->Analysis(qel::CalcSlot::Energy), nullptr);
    EXPECT_EQ(calc->Analysis(qel::CalcSlot::Heatmap), nullptr);
    EXPECT_EQ(calc->SprintCount(), 0);
    EXPECT_EQ(calc->SprintObject(0), nullptr);
    EXPECT_EQ(calc->AgilityInfo(), nullptr);
    EXPECT_EQ(First(*calc)->FatigueTimeFrame(), 0);
    EXPECT_EQ(First(*calc)->InitCount, 1);
    EXPECT_EQ(calc->FatigueTimeFrameInMS(), 300000);
    EXPECT_EQ(calc->HRTimeBeforeEndInMS(), 30000);
    EXPECT_EQ(calc->HRTimeAfterEndInMS(), 10000);
    EXPECT_DOUBLE_EQ(calc->ECCRF(), 1.25);
    EXPECT_EQ(calc->SpeedZones(), &definition.SpeedZones());
    EXPECT_TRUE(calc->RecalculationNeeded());
}

TEST_F(Calculation, SprintObjectsAreAnArray) {
    ProbeClasses sprints{qel::CalcSlot::Sprints};
    auto calc = Make();
    ASSERT_EQ(calc->SprintCount(), 1);
    EXPECT_EQ(calc->SprintObject(0), calc->Analysis(qel::CalcSlot::Sprints));
    EXPECT_EQ(calc->SprintObject(1), nullptr);
    EXPECT_EQ(calc->SprintObject(-1), nullptr);
}

QList<int32_t> StepTimes(const ProbeCalculation& aProbe) {
    QList<int32_t> times;
    for (const ProbeStep& step : aProbe.Steps) {
        times.append(step.TimeInMS);
    }
    return times;
}

TEST_F(Calculation, ExecuteCapsTheStepOnlyWithAnAccelerationAnalysis) {
    auto calc = Make();
    calc->Init(&definition, {}, 0, 30, 0, 0, {}, 0, {}, 0, {}, nullptr);
    ASSERT_TRUE(calc->Execute(25));
    EXPECT_EQ(StepTimes(*First(*calc)), (QList<int32_t>{0, 10, 20}));
    EXPECT_EQ(calc->TimeFrame(), 10);

    // Without a definition the types hold neither acceleration analysis.
    TqelCalculation plain(&transponder, nullptr, {}, false, &context);
    plain.setEndTimeInMS(60);
    plain.AddCalcVaruza(std::make_unique<ProbeCalculation>(plain));
    ASSERT_TRUE(plain.Execute(25));
    EXPECT_EQ(StepTimes(*static_cast<ProbeCalculation*>(plain.CalcVaruza(0))),
              (QList<int32_t>{0, 25, 50}));
}

TEST_F(Calculation, ExecuteStartsAtTheRoundedStepAndFinalizes) {
    struct Case {
        int32_t Start;
        int32_t End;
        QList<int32_t> Times;
    } cases[] = {
        {25, 45, {20, 30, 40}},  // 2.5 rounds to 2
        {35, 55, {40, 50}},      // 3.5 rounds to 4
        {40, 40, {}},            // an end at the first step: nothing to step
        {40, 35, {}},
    };
    for (const Case& c : cases) {
        auto calc = Make();
        calc->Init(&definition, {}, c.Start, c.End, 0, 0, {}, 0, {}, 0, {}, nullptr);
        ASSERT_TRUE(calc->Execute(10)) << c.Start;
        EXPECT_EQ(StepTimes(*First(*calc)), c.Times) << c.Start;
        EXPECT_EQ(First(*calc)->FinalizeCount, 1);
        EXPECT_FALSE(calc->RecalculationNeeded());
        // Finalized: nothing more to do.
        EXPECT_TRUE(calc->Execute(10));
        EXPECT_EQ(First(*calc)->FinalizeCount, 1);
    }
}

TEST_F(Calculation, ExecuteRefusesStepsOfZeroOrLess) {
    for (int32_t frame : {0, -5}) {
        auto calc = Make();
        calc->Init(&definition, {}, 0, 100, 0, 0, {}, 0, {}, 0, {}, nullptr);
        EXPECT_FALSE(calc->Execute(frame));
        EXPECT_TRUE(First(*calc)->Steps.isEmpty());
        EXPECT_TRUE(calc->RecalculationNeeded());
    }
}

TEST_F(Calculation, AFaultyObjectFailsTheStepButTheOthersStillStep) {
    TempFolder folder;
    qel::CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
    const int64_t reportsBefore = qel::CrashReporter::ReportCount();
    auto calc = Make();
    calc->Init(&definition, {}, 0, 100, 0, 0, {}, 0, {}, 0, {}, nullptr);
    First(*calc)->RaiseAt = 30;
    EXPECT_FALSE(calc->Execute(10));
    ASSERT_FALSE(Second(*calc)->Steps.isEmpty());
    EXPECT_EQ(Second(*calc)->Steps.last().TimeInMS, 30);
    EXPECT_EQ(First(*calc)->FinalizeCount, 0);
    EXPECT_EQ(Second(*calc)->FinalizeCount, 0);
    EXPECT_TRUE(calc->RecalculationNeeded());

    // The same fault again is counted, not reported again.
    EXPECT_FALSE(calc->ProcessTimeFrame(30, false));
    EXPECT_EQ(First(*calc)->StepFaultCount(), 2);
    EXPECT_EQ(qel::CrashReporter::ReportCount() - reportsBefore, 1);

    // Anything but a std::exception is not ours to swallow.
    First(*calc)->RaiseOther = true;
    EXPECT_THROW(calc->ProcessTimeFrame(30, false), int);
    qel::CrashReporter::SetLogFileName({});
}

TEST_F(Calculation, CancelStopsTheRunUnfinalized) {
    int32_t stepsBeforeCancel = 3;
    auto calc = Make();
    calc->Init(
        &definition, [&] { return stepsBeforeCancel-- <= 0; }, 0, 1000, 0, 0, {}, 0, {}, 0, {},
        nullptr);
    EXPECT_TRUE(calc->Execute(10));
    EXPECT_EQ(First(*calc)->Steps.size(), 3);
    EXPECT_EQ(First(*calc)->FinalizeCount, 0);
    EXPECT_TRUE(calc->RecalculationNeeded());
    EXPECT_TRUE(calc->IsCanceled());
}

TEST_F(Calculation, StepValues) {
    auto calc = Make();
    calc->setTimeFrame(10);
    // On the field: the scripted values, distance in mm.
    ASSERT_TRUE(calc->ProcessTimeFrame(3000, false));
    ProbeStep step = First(*calc)->Steps.last();
    EXPECT_TRUE(step.OnField);
    EXPECT_TRUE(step.Pos.OnField);
    EXPECT_DOUBLE_EQ(step.Speed, 2.0);
    EXPECT_DOUBLE_EQ(step.FifaSpeed, 3.0);
    EXPECT_DOUBLE_EQ(step.Distance, 20.0);
    EXPECT_DOUBLE_EQ(step.Acceleration, 0.5);
    EXPECT_DOUBLE_EQ(step.Heartbeat, 120.0);
    // Bit 12 (impacts) is in the default set.
    EXPECT_DOUBLE_EQ(step.Impact, 1.5);

    // Off the field: the computed position, no motion.
    ASSERT_TRUE(calc->ProcessTimeFrame(-4000, false));
    step = First(*calc)->Steps.last();
    EXPECT_FALSE(step.OnField);
    EXPECT_FALSE(calc->Position().OnField);
    EXPECT_DOUBLE_EQ(step.Pos.XinM, -4.0);
    EXPECT_EQ(step.Speed + step.FifaSpeed + step.Distance + step.Acceleration, 0.0);
    EXPECT_DOUBLE_EQ(calc->Speed(), 0.0);

    // Bad position data: the previous position, nothing moves.
    calc->setBadData(true);
    transponder.Position = [](int32_t) {
        RqelCalculatedPosition pos;
        pos.XinM = 50;
        return pos;
    };
    ASSERT_TRUE(calc->ProcessTimeFrame(5000, false));
    step = First(*calc)->Steps.last();
    EXPECT_FALSE(step.OnField);
    EXPECT_DOUBLE_EQ(step.Pos.XinM, -4.0);
    EXPECT_EQ(step.Impact, 0.0);
    EXPECT_EQ(step.Speed, 0.0);

    // Bad heart rate data: 0.
    calc->setBadHB(true);
    ASSERT_TRUE(calc->ProcessTimeFrame(5010, false));
    EXPECT_EQ(First(*calc)->Steps.last().Heartbeat, 0.0);
}

TEST_F(Calculation, LiveHeartRateLagsFiveSeconds) {
    transponder.Heartbeat = [](int32_t t) { return 100.0 + t / 1000.0; };
    auto calc = Make();
    ASSERT_TRUE(calc->ProcessTimeFrame(20000, true));
    EXPECT_DOUBLE_EQ(calc->Heartbeat(), 115.0);
    ASSERT_TRUE(calc->ProcessTimeFrame(20000, false));
    EXPECT_DOUBLE_EQ(calc->Heartbeat(), 120.0);
}

TEST_F(Calculation, ImpactOnlyWithImpactsOrGallops) {
    // Types without bit 12 or 16: a calculation without definition.
    TqelCalculation plain(&transponder, nullptr, {}, false, &context);
    plain.AddCalcVaruza(std::make_unique<ProbeCalculation>(plain));
    ASSERT_TRUE(plain.ProcessTimeFrame(1000, false));
    EXPECT_EQ(static_cast<ProbeCalculation*>(plain.CalcVaruza(0))->Steps.last().Impact, 0.0);
    // Nor a heart rate without the heart-rate zones.
    EXPECT_EQ(plain.Heartbeat(), 0.0);
}

TEST_F(Calculation, NonFiniteValuesReachTheObjectsAsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    transponder.Speed = [=](int32_t, int32_t) { return nan; };
    transponder.Acceleration = [=](int32_t) { return inf; };
    transponder.Heartbeat = [=](int32_t) { return nan; };
    transponder.LowPassGrav = [=](int32_t) { return -inf; };
    auto calc = Make();
    calc->setTimeFrame(10);
    ASSERT_TRUE(calc->ProcessTimeFrame(1000, false));
    const ProbeStep step = First(*calc)->Steps.last();
    EXPECT_TRUE(step.OnField);
    EXPECT_EQ(step.Speed, 0.0);
    EXPECT_EQ(step.FifaSpeed, 0.0);
    EXPECT_EQ(step.Distance, 0.0);
    EXPECT_EQ(step.Acceleration, 0.0);
    EXPECT_EQ(step.Heartbeat, 0.0);
    EXPECT_EQ(step.Impact, 0.0);
    EXPECT_EQ(calc->Speed(), 0.0);

    // A position that is no number is off the field, whatever the field test says.
    transponder.Position = [=](int32_t) {
        RqelCalculatedPosition pos;
        pos.XinM = nan;
        return pos;
    };
    transponder.OnField = [](const RqelCalculatedPosition&) { return true; };
    ASSERT_TRUE(calc->ProcessTimeFrame(1010, false));
    EXPECT_FALSE(First(*calc)->Steps.last().OnField);
}

TEST_F(Calculation, SettersMarkOnlyChanges) {
    auto calc = Make();
    calc->setRecalculationNeeded(false);
    calc->setSprintMinSprintSpeed(calc->SprintMinSprintSpeed());
    calc->setBadData(false);
    calc->setStartTimeInMS(0);
    EXPECT_FALSE(calc->RecalculationNeeded());
    calc->setSpeed(9);
    EXPECT_FALSE(calc->RecalculationNeeded());

    calc->setAccelMinTimeMS(calc->AccelMinTimeMS() + 1);
    EXPECT_TRUE(calc->RecalculationNeeded());

    calc->setHeartbeat(std::numeric_limits<double>::quiet_NaN());
    calc->setRecalculationNeeded(false);
    // NaN never equals: storing it again still marks.
    calc->setHeartbeat(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(calc->RecalculationNeeded());
}

TEST_F(Calculation, PartCode) {
    auto calc = Make();
    struct Case {
        int32_t Exercise;
        int32_t Part;
        const char* Code;
    } cases[] = {{26, 3, "001A0003"}, {-1, 3, "FFFFFFFF0003"}, {0x12345, 0, "123450000"}};
    for (const Case& c : cases) {
        calc->setExerciseID(c.Exercise);
        calc->setPartID(c.Part);
        EXPECT_EQ(calc->PartCode(), QString::fromLatin1(c.Code));
    }
}

// --- Game context ---

class GameContextTest : public CalculationFixture {
protected:
    CalculationGroup Team(int32_t anID, bool aHome, TqelPlayDirection aDirection) {
        CalculationGroup group;
        group.HasGame = true;
        group.GameBeginTimeInMS = 1000;
        group.GameEndTimeInMS = 9000;
        group.ID = anID;
        group.IsHomeTeam = aHome;
        group.PlayDirection = aDirection;
        return group;
    }
    ProbeStep StepAt(int32_t aTimeInMS) {
        auto calc = Make();
        EXPECT_TRUE(calc->ProcessTimeFrame(aTimeInMS, false));
        return First(*calc)->Steps.last();
    }
};

TEST_F(GameContextTest, PossessionCodesForHomeAndAway) {
    struct Case {
        TBallPossesion Code;
        bool Home;
        bool Away;
    } cases[] = {{bpNone, false, false},
                 {bpHome, true, false},
                 {bpAway, false, true},
                 {bpA2H, true, false},
                 {bpH2A, false, true}};
    for (const Case& c : cases) {
        context.Possession = [&](int32_t) { return c.Code; };
        context.Groups = {Team(11, true, pldLeftToRight)};
        ProbeStep step = StepAt(5000);
        EXPECT_EQ(step.TeamHasPossession, c.Home) << int(c.Code);
        EXPECT_EQ(step.PlayDirection, pldLeftToRight);
        context.Groups = {Team(12, false, pldRightToLeft)};
        step = StepAt(5000);
        EXPECT_EQ(step.TeamHasPossession, c.Away) << int(c.Code);
        EXPECT_EQ(step.PlayDirection, pldRightToLeft);
    }
}

TEST_F(GameContextTest, ExternalBallDataByTeamID) {
    context.Source = 4;
    context.PossessionTeam = [](int32_t) { return 12; };
    context.AliveExtern = [](int32_t t) { return t < 6000 ? 1 : 0; };
    context.Groups = {Team(12, false, pldRightToLeft)};
    ProbeStep step = StepAt(5000);
    EXPECT_TRUE(step.TeamHasPossession);
    EXPECT_TRUE(step.BallAlive);
    EXPECT_FALSE(StepAt(7000).BallAlive);
    context.Groups = {Team(11, true, pldLeftToRight)};
    EXPECT_FALSE(StepAt(5000).TeamHasPossession);
}

TEST_F(GameContextTest, FirstGroupWhoseGameSpansTheTimeDecides) {
    context.Possession = [](int32_t) { return bpHome; };
    CalculationGroup noGame = Team(10, false, pldRightToLeft);
    noGame.HasGame = false;
    CalculationGroup later = Team(13, false, pldRightToLeft);
    later.GameBeginTimeInMS = 6000;
    context.Groups = {noGame, later, Team(11, true, pldLeftToRight),
                      Team(12, false, pldRightToLeft)};
    ProbeStep step = StepAt(5000);
    EXPECT_TRUE(step.TeamHasPossession);
    EXPECT_EQ(step.PlayDirection, pldLeftToRight);
    // Both ends of the game belong to it.
    EXPECT_EQ(StepAt(9000).PlayDirection, pldRightToLeft);
    EXPECT_EQ(StepAt(1000).PlayDirection, pldLeftToRight);
}

TEST_F(GameContextTest, NoGroupMeansNoDirectionAndNoPossession) {
    context.Possession = [](int32_t) { return bpHome; };
    const ProbeStep step = StepAt(5000);
    EXPECT_EQ(step.PlayDirection, pldNone);
    EXPECT_FALSE(step.TeamHasPossession);
    EXPECT_TRUE(step.BallAlive);
    EXPECT_TRUE(step.ClockIsRunning);
}

TEST_F(GameContextTest, IceHockeyClock) {
    context.Sport = sportIceHockey;
    context.Recording = 1;
    context.ClockRunning = [](int32_t t) { return t < 3000; };
    // Without clock data the clock counts as running.
    EXPECT_TRUE(StepAt(5000).ClockIsRunning);
    context.ClockData = true;
    EXPECT_TRUE(StepAt(2000).ClockIsRunning);
    EXPECT_FALSE(StepAt(5000).ClockIsRunning);
    // Other recordings do not ask the clock.
    context.Recording = 0;
    EXPECT_TRUE(StepAt(5000).ClockIsRunning);
}

}  // namespace
}  // namespace qel::test

namespace qel::test {
namespace {

TEST(CalculationContextTest, MaxHeartbeatIsTheHighestSteadyRate) {
    ScriptedTransponder transponder;
    // Rising by 1 bpm a second to 150, then steady at 160.
    transponder.Heartbeat = [](int32_t t) { return t < 50000 ? 100 + t / 1000.0 : 160.0; };
    FakeCalculationContext context;
    int32_t time = -1;
    int32_t value = -1;
    ASSERT_TRUE(context.calcMaxHeartbeat(transponder, 0, 200000, 30, 10, time, value));
    EXPECT_EQ(time, 50000);
    EXPECT_EQ(value, 160);

    // A span shorter than the interval finds nothing and answers its start.
    EXPECT_FALSE(context.calcMaxHeartbeat(transponder, 7000, 37000, 30, 10, time, value));
    EXPECT_EQ(time, 7000);
    // Nor beyond the dataset's end.
    context.Duration = 60000;
    EXPECT_FALSE(context.calcMaxHeartbeat(transponder, 40000, 200000, 30, 10, time, value));
}

}  // namespace
}  // namespace qel::test

namespace qel::test {
namespace {

TEST(ModelCalculationContextTest, ReadsTheDatasetAndGivesTheStepDefaults) {
    TqelDataset dataset;
    dataset.setSportType(sportIceHockey);
    dataset.setDBDtsID(42);
    dataset.setDurationInMS(90000);
    dataset.setMaxPower(62.5);
    TqelTransponderData transponder(&dataset, false);
    const ModelCalculationContext context(&transponder);
    ASSERT_TRUE(context.HasDataset());
    EXPECT_EQ(context.SportType(), sportIceHockey);
    EXPECT_EQ(context.DBDtsID(), 42);
    EXPECT_EQ(context.DurationInMS(), 90000);
    EXPECT_EQ(context.MaxSpeed(), dataset.MaxSpeed());
    EXPECT_EQ(context.MaxPower(), 62.5);
    EXPECT_EQ(context.MeasureBox().LeftTop.XinMM, dataset.Field()->MeasureBox().LeftTop.XinMM);
    EXPECT_EQ(context.AgilityDefs(), nullptr);
    const GameContext game = context.GameContextAt(1000);
    EXPECT_EQ(game.PlayDirection, pldNone);
    EXPECT_FALSE(game.TeamHasPossession);
    EXPECT_TRUE(game.BallAlive);
    EXPECT_TRUE(game.ClockIsRunning);

    // A transponder received from a peer has no dataset.
    TqelTransponderData alone(nullptr, false);
    EXPECT_FALSE(ModelCalculationContext(&alone).HasDataset());
    EXPECT_EQ(ModelCalculationContext(&alone).MaxPower(), ClientConfig()->MaxPower());
    EXPECT_FALSE(ModelCalculationContext(nullptr).HasDataset());
}

TEST(ModelCalculationContextTest, AsksTheDatasetsGameClock) {
    TqelDataset dataset;
    TqelTransponderData transponder(&dataset, false);
    const ModelCalculationContext context(&transponder);
    EXPECT_FALSE(context.HasClockData());
    EXPECT_TRUE(context.ClockIsRunning(1000));  // nothing to set aside without a clock

    RqelClockSample sample;
    sample.SetValues(10000, 1200, 1, 0, 0, false);
    dataset.TimeOnIce()->AddRecord(sample);
    sample.SetValues(20000, 1199, 1, 0, 0, true);
    dataset.TimeOnIce()->AddRecord(sample);
    EXPECT_TRUE(context.HasClockData());
    EXPECT_FALSE(context.ClockIsRunning(9999));
    EXPECT_TRUE(context.ClockIsRunning(10499));
    EXPECT_FALSE(context.ClockIsRunning(15000));
    EXPECT_TRUE(context.ClockIsRunning(20000));
}

}  // namespace
}  // namespace qel::test
