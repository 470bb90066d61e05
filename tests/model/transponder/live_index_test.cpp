#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

#include "analysis/framework/calculation_classes.h"
#include "analysis/intensity/mip_distance_info.h"
#include "analysis/probe_calculation.h"
#include "database/analysis/analyze_definitions.h"
#include "database/datasets/dataset_rows.h"
#include "database/datasets/live_position.h"
#include "model/dataset/dataset_signals.h"
#include "model/dataset/live_stages.h"
#include "model/transponder/slot_from_calculation.h"
#include "model/transponder/transponder_fixture.h"
#include "platform/numbers.h"

namespace {

using qel::test::PositionSample;
using qel::test::ProbeCalculation;
using qel::test::ProbeStep;

// A recording transponder with a probe in its calculation, delay 1050 ms, speed frame 1000 ms.
class LiveIndex : public qel::test::TransponderFixture {
protected:
    LiveIndex() {
        dataset.setLiveIndexCalcDelay(1050);
        dataset.setSpeedFrameInterval(1000);
        auto owned = std::make_unique<ProbeCalculation>(*tp->Calculation());
        probe = owned.get();
        tp->Calculation()->AddCalcVaruza(std::move(owned));
        tp->InitLiveDBPosition();
    }

    // A sample every 100 ms up to anEndInMS, walking 10 mm per ms along X.
    void RecordUpTo(int32_t anEndInMS) {
        for (; nextSample <= anEndInMS; nextSample += 100) {
            tp->AddSample(nextSample, PositionSample(nextSample * 10, 2000));
        }
        dataset.setDurationInMS(anEndInMS);
    }

    ProbeCalculation* probe = nullptr;
    int32_t nextSample = 0;
};

TEST_F(LiveIndex, StepsBehindTheNewestSampleAndCarriesTotalsToTheDuration) {
    RecordUpTo(10000);
    tp->updateLiveIndex();

    ASSERT_FALSE(probe->Steps.isEmpty());
    EXPECT_EQ(probe->Steps.front().TimeInMS, 0);
    EXPECT_EQ(probe->Steps.back().TimeInMS, 7900);
    EXPECT_EQ(probe->Steps.size(), 791);
    EXPECT_EQ(tp->LiveUpdateTimestamp(), 7900);
    EXPECT_EQ(tp->LiveUpdateTimestampCalculator(), 7910);

    const ProbeStep& step = probe->Steps.back();
    const RqelSampleIdx10Hz computed = tp->Get10HzSlot(79);
    EXPECT_EQ(computed.XinMM(), std::lround(step.Pos.XinM * 1000));
    EXPECT_EQ(computed.YinMM(), 2000);
    EXPECT_EQ(computed.FSpeedMMS(), std::lround(step.Speed * 1000));
    EXPECT_EQ(computed.LastSampleIndex(), 79) << "the intake's link stays";
    EXPECT_TRUE(computed.GetValid());

    for (int32_t slot = 80; slot <= 100; ++slot) {
        SCOPED_TRACE(slot);
        const RqelSampleIdx10Hz provisional = tp->Get10HzSlot(slot);
        EXPECT_EQ(provisional.XinMM(), 0);
        EXPECT_EQ(provisional.FSpeedMMS(), 0);
        EXPECT_EQ(provisional.LastSampleIndex(), slot);
    }
    EXPECT_EQ(tp->PreliminaryIndex(), 100);

    // Later samples: the computed slots overwrite the provisional ones.
    RecordUpTo(12000);
    tp->updateLiveIndex();
    EXPECT_EQ(probe->Steps.back().TimeInMS, 9900);
    EXPECT_NE(tp->Get10HzSlot(80).XinMM(), 0);
    EXPECT_EQ(tp->Get10HzSlot(100).XinMM(), 0);
    EXPECT_EQ(tp->PreliminaryIndex(), 120);
}

TEST_F(LiveIndex, ProvisionalRunResumesWhereItStoppedWhileTheTotalsStand) {
    RecordUpTo(10000);
    tp->updateLiveIndex();
    // A slot between target and the provisional mark that differs would be rewritten by a
    // run from the target; with equal totals the run starts at the mark.
    RqelSampleIdx10Hz marker = tp->Get10HzSlot(90);
    marker.setXinMM(4242);
    tp->Set10HzSlot(90, marker);
    dataset.setDurationInMS(10500);
    tp->updateLiveIndex();
    EXPECT_EQ(tp->Get10HzSlot(90).XinMM(), 4242);
    EXPECT_EQ(tp->PreliminaryIndex(), 105);
}

TEST_F(LiveIndex, NothingBeforeTheFirstTargetSlotOrWithoutSamples) {
    tp->updateLiveIndex();
    EXPECT_EQ(tp->Sample10HzCount(), 0);
    RecordUpTo(2100);
    tp->updateLiveIndex();
    EXPECT_TRUE(probe->Steps.isEmpty());
    EXPECT_EQ(tp->PreliminaryIndex(), 0);
}

TEST_F(LiveIndex, DurationCrossingTheIndexGrowsBothIndexes) {
    tp->AddSample(0, PositionSample(0, 0));
    tp->AddSample(100, PositionSample(0, 0));
    dataset.setDurationInMS(3600000);
    tp->updateLiveIndex();
    EXPECT_EQ(tp->Sample10HzCount(), 72000);
    EXPECT_EQ(tp->MIPDist1HzCapacity(), 7200);
    const RqelSampleIdx10Hz fresh = tp->Get10HzSlot(71999);
    EXPECT_EQ(fresh.FStatus(), 1u);
    EXPECT_EQ(fresh.LastSampleIndex(), -1);
    EXPECT_EQ(tp->MIPDist1Hz(7199).Value(9), 0);
}

// With the most-intense-distance analysis in the calculation: one 1 Hz entry per whole second
// the analysis reached, each window's largest sum since the previous second, in mm.
TEST_F(LiveIndex, WholeSecondsFillTheMostIntenseDistanceEntries) {
    qel::ScopedCalculationClass mipClass{qel::CalcSlot::MIPDistInfo,
                                         &qel::MakeCalculation<TqelMIPDistanceInfo>};
    TqeldbAnalyzeDef definition{nullptr};
    definition.setMIPDoCalc(true);
    tp->Calculation()->Init(&definition, {}, 0, 3600000, 0, 0, {}, 0, {}, 0, {}, nullptr);
    tp->InitLiveDBPosition();
    ASSERT_NE(tp->Calculation()->MIPDistInfo(), nullptr);

    // 1 m/s along the field's middle.
    const auto walkUpTo = [&](int32_t anEndInMS) {
        for (; nextSample <= anEndInMS; nextSample += 100) {
            tp->AddSample(nextSample, PositionSample(20000 + nextSample, 30000));
        }
        dataset.setDurationInMS(anEndInMS);
    };
    walkUpTo(10000);
    tp->updateLiveIndex();
    ASSERT_EQ(tp->LiveUpdateTimestamp(), 7900);
    // Each second adds 1 m to the open windows until the 5 s window is full.
    EXPECT_EQ(tp->MIPDist1Hz(0).Value(0), 0);
    EXPECT_GT(tp->MIPDist1Hz(1).Value(9), 500);
    for (int32_t second = 2; second <= 7; ++second) {
        SCOPED_TRACE(second);
        const TqelMIPDistValue previous = tp->MIPDist1Hz(second - 1);
        const TqelMIPDistValue entry = tp->MIPDist1Hz(second);
        EXPECT_NEAR(entry.Value(9) - previous.Value(9), 1000, 20);
        if (second <= 5) {
            EXPECT_EQ(entry.Value(0), entry.Value(9));
        } else {
            EXPECT_NEAR(entry.Value(0), 5000, 20);
        }
    }
    EXPECT_EQ(tp->MIPDist1Hz(8).Value(9), 0) << "the analysis has not reached 8,000 ms";

    walkUpTo(12000);
    tp->updateLiveIndex();
    EXPECT_NEAR(tp->MIPDist1Hz(9).Value(0), 5000, 20);
}

TEST_F(LiveIndex, TimeFrameOfZeroCountsAsTenMilliseconds) {
    RecordUpTo(10000);
    tp->Calculation()->setTimeFrame(0);
    tp->updateLiveIndex();
    EXPECT_EQ(probe->Steps.back().TimeInMS, 7900);
    EXPECT_EQ(probe->Steps.size(), 791);
}

TEST_F(LiveIndex, SlotSpeedAndAccelerationAreStoredWithinTheirLimits) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double speed, accel;
        uint16_t speedMMS;
        int16_t accelMMS2;
    };
    const Case cases[] = {
        {3.4565, 31.9, 3456, 31900},   // halves to even
        {70.0, -31.9, 65535, -31900},  // a ball faster than the field holds saturates
        {1.0, 32.0, 1000, 0},          // from 32 m/s² on a measuring fault
        {1.0, -40.0, 1000, 0},        {1.0, nan, 1000, 0},
    };
    TqelCalculation& calculation = *tp->Calculation();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.accel);
        calculation.setSpeed(c.speed);
        calculation.setAcceleration(c.accel);
        const RqelSampleIdx10Hz slot = qel::SlotFromCalculation(calculation);
        EXPECT_EQ(slot.FSpeedMMS(), c.speedMMS);
        EXPECT_EQ(slot.FAcceleration(), c.accelMMS2);
    }
}

TEST(LiveSlotRounding, SaturatesIntoTheFieldAndGivesZeroForNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(qel::RoundSaturated<int16_t>(nan), 0);
    EXPECT_EQ(qel::RoundSaturated<uint16_t>(70000.0), 65535);
    EXPECT_EQ(qel::RoundSaturated<uint16_t>(-3.0), 0);
    EXPECT_EQ(qel::RoundSaturated<int16_t>(-40000.0), -32768);
    EXPECT_EQ(qel::RoundSaturated<int32_t>(2.5), 2);
    EXPECT_EQ(qel::RoundSaturated<int32_t>(3.5), 4);
    EXPECT_DOUBLE_EQ(qel::RoundTo2Decimals(3.455), 3.46);
}

// --- Live summary ---

class LiveSummary : public qel::test::TransponderFixture {
protected:
    LiveSummary() {
        tp->AddSample(0, PositionSample(1000, 2000));
        tp->AddSample(5000, PositionSample(1000, 2000));
        RqelSampleIdx10Hz slot = tp->Get10HzSlot(30);
        slot.setFSpeedMMS(3456);
        slot.setXinMM(1000);
        slot.setYinMM(2000);
        tp->Set10HzSlot(30, slot);
        tp->setLiveUpdateTimestamp(4000);
    }
};

TEST_F(LiveSummary, SpeedIsRoundedToTwoDecimalsAndDrivesTheDistanceDelta) {
    const TqeldbPosition record = tp->CalcLiveData(0, 3000, 100, true, true, false);
    EXPECT_EQ(record.TimestampMS(), 3000);
    EXPECT_DOUBLE_EQ(record.Speed(), 3.46);
    EXPECT_DOUBLE_EQ(record.DistDeltaInM(), 0.346);
    EXPECT_DOUBLE_EQ(record.x_pos(), 1.0);
    EXPECT_EQ(record.TeamID(), -2);
}

TEST_F(LiveSummary, MaxHeartbeatIsTheStoredValue) {
    tp->setAthleteMaxHeartbeat(0);
    EXPECT_EQ(tp->CalcLiveData(0, 3000, 100, true, true, false).MaxHB(), 0);
    tp->setAthleteMaxHeartbeat(187);
    EXPECT_EQ(tp->CalcLiveData(0, 3000, 100, true, false, false).MaxHB(), 187);
}

TEST_F(LiveSummary, TeamCodeByRoleWithTeamInformationOnly) {
    struct Case {
        TqelTransponderRole role;
        bool teamInfo;
        int32_t teamID;
    };
    for (const Case c : {Case{roleReferee, true, 2}, Case{roleBall, true, -1},
                         Case{roleAthlete, true, -2}, Case{roleReferee, false, -2}}) {
        tp->setRole(c.role);
        EXPECT_EQ(tp->CalcLiveData(0, 3000, 100, false, false, c.teamInfo).TeamID(), c.teamID)
            << c.role << " " << c.teamInfo;
    }
}

TEST_F(LiveSummary, SharedRecordGivesEachCallerItsOwnCopy) {
    const TqeldbPosition first = tp->CalcLiveData(0, 3000, 100, false, true, false);
    const TqeldbPosition second = tp->CalcLiveData(0, 4500, 100, false, true, false);
    EXPECT_EQ(first.TimestampMS(), 3000);
    EXPECT_EQ(second.TimestampMS(), 4500);
    ASSERT_NE(tp->DBPos(), nullptr);
    EXPECT_EQ(tp->DBPos()->TimestampMS(), 4500);
}

TEST_F(LiveSummary, WithoutDatabaseNoLiveRecordAndTheFrameIsTenMilliseconds) {
    dataset.setStoreLivePositions(true);
    tp->CalcLiveData(0, 3000, 100, false, true, false);
    tp->Calculation()->setTimeFrame(50);
    tp->InitLiveDBPosition();
    EXPECT_EQ(tp->DBPos(), nullptr);
    EXPECT_EQ(tp->Calculation()->TimeFrame(), 10);
}

// --- Summary callback ---

struct SummaryCall {
    int32_t DtsID;
    int32_t PlrID;
    int32_t HeartRate;
    double DistanceM;
    int32_t TPID;
};

class FakeSummaryCallBack : public IqelDataSetCallBack {
public:
    QList<SummaryCall> Calls;
    void SendSummaryData(int32_t aDtsID, int32_t aPlrID, int32_t aHeartRate, double aDistanceM,
                         int32_t aTPID) override {
        Calls.append({aDtsID, aPlrID, aHeartRate, aDistanceM, aTPID});
    }
    void ReportEventToAllClients(uint8_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
};

// A transponder of the dataset with player 12, a speed frame of 200 ms and a total of 12.345 m
// carried in the slots from 8.0 s on.
class LiveSummaryCallBack : public ::testing::Test {
protected:
    LiveSummaryCallBack() {
        dataset.setSpeedFrameInterval(200);
        dataset.DBDataset()->setDtsID(77);
        dataset.setCallBack(&callBack);
        tp = dataset.AddTransponder(qel::test::kAntenna, nullptr, 0);
        tp->setPlayerID(12);
        tp->AddSample(0, PositionSample(0, 0));
        tp->AddSample(11000, PositionSample(0, 0));
        for (int32_t slot = 80; slot < 110; ++slot) {
            RqelSampleIdx10Hz value = tp->Get10HzSlot(slot);
            value.setCumDistanceInMM(12345);
            tp->Set10HzSlot(slot, value);
        }
        // As the live update leaves it: the readers go a second past this.
        tp->setLiveUpdateTimestamp(8800);
    }

    FakeSummaryCallBack callBack;
    TqelDataset dataset;
    TqelTransponderData* tp = nullptr;
};

TEST_F(LiveSummaryCallBack, SendsTheTotalAboutASecondBehindOncePerAdvance) {
    dataset.setDurationInMS(10000);
    tp->SendLiveSummary();
    ASSERT_EQ(callBack.Calls.size(), 1);
    const SummaryCall call = callBack.Calls.front();
    EXPECT_EQ(call.DtsID, 77);
    EXPECT_EQ(call.PlrID, 12);
    EXPECT_EQ(call.HeartRate, 0) << "no heartbeat samples";
    EXPECT_DOUBLE_EQ(call.DistanceM, 12.345) << "slot 88, at 10,000 - 999 - 200 ms";
    EXPECT_EQ(call.TPID, tp->TPid());

    // 10,000 - 1,999 + 200 <= 8,801: the duration has not advanced enough.
    tp->SendLiveSummary();
    EXPECT_EQ(callBack.Calls.size(), 1);
    dataset.setDurationInMS(10700);
    tp->SendLiveSummary();
    EXPECT_EQ(callBack.Calls.size(), 2);
}

TEST_F(LiveSummaryCallBack, NothingWithoutPlayerOrDatasetTransponderOrEnoughDuration) {
    dataset.setDurationInMS(2 * (200 + 999) - 1);
    tp->SendLiveSummary();
    EXPECT_TRUE(callBack.Calls.isEmpty()) << "too short";

    dataset.setDurationInMS(10000);
    tp->setPlayerID(0);
    tp->SendLiveSummary();
    EXPECT_TRUE(callBack.Calls.isEmpty()) << "no player id";

    // A transponder that is not in the dataset's list has no row to speak for.
    TqelTransponderData stranger(&dataset, false);
    stranger.setTPid(tp->TPid() + 1);
    stranger.setPlayerID(13);
    stranger.AddSample(0, PositionSample(0, 0));
    stranger.SendLiveSummary();
    EXPECT_TRUE(callBack.Calls.isEmpty()) << "no transponder with that TPid";

    dataset.setCallBack(nullptr);
    tp->setPlayerID(12);
    tp->SendLiveSummary();
    EXPECT_TRUE(callBack.Calls.isEmpty());
}

}  // namespace

namespace {

// Stages whose live index update raises for the first transponder and counts the others.
class RaisingStages : public qel::LiveStages {
public:
    int32_t updated = 0;
    int32_t restTimes = 0;
    void updateLiveIndex(TqelTransponderData& aTransponder) override {
        if (aTransponder.TPIndex() == 0) {
            throw std::runtime_error("first fails");
        }
        ++updated;
    }
    void updatePartsRestTime(TqelDataset&) override { ++restTimes; }
};

TEST(LiveUpdate, OneFailingTransponderStopsNeitherTheOthersNorTheLaterSteps) {
    TqelDataset dataset;
    dataset.setRecording(true);
    RqelLPMSample sample;
    for (int64_t t = 0; t <= 1000; t += 100) {
        for (uint16_t antenna = 100; antenna < 103; ++antenna) {
            sample.setTimestamp(static_cast<uint32_t>((1000000 + t) * 10));
            sample.setAntennaID(antenna);
            dataset.recordLPMSample(sample);
        }
    }
    ASSERT_EQ(dataset.TransponderCount(), 3);
    RaisingStages stages;
    dataset.setLiveStages(&stages);
    EXPECT_THROW(dataset.updateLiveData(), std::runtime_error);
    EXPECT_EQ(stages.updated, 2);
    EXPECT_EQ(stages.restTimes, 1);
    dataset.setLiveStages(nullptr);
    dataset.setRecording(false);
}

}  // namespace
