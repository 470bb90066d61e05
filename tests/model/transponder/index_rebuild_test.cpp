#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/framework/calculation.h"
#include "analysis/probe_calculation.h"
#include "model/transponder/transponder_fixture.h"
#include "platform/numbers.h"

namespace {

using qel::test::PositionSample;

class IndexRebuild : public qel::test::TransponderFixture {
protected:
    // Samples every 100 ms from aStart to anEnd (inclusive) moving at aSpeed m/s along X from
    // aX0 m, at Y = 5 m.
    void Walk(int32_t aStart, int32_t anEnd, double aX0, double aSpeed) {
        for (int32_t t = aStart; t <= anEnd; t += 100) {
            tp->AddSample(t, PositionSample(static_cast<int32_t>(std::lround(
                                                (aX0 + aSpeed * (t - aStart) / 1000.0) * 1000)),
                                            5000));
        }
        dataset.setDurationInMS(anEnd);
    }
};

TEST_F(IndexRebuild, EachSlotNamesTheLastSampleBeforeItsEnd) {
    for (int32_t t : {0, 50, 150, 480}) {
        tp->AddSample(t, PositionSample(10000, 5000));
    }
    tp->rebuildIndexes(false);
    const int32_t expected[] = {1, 2, -1, 2, 3};
    for (int32_t q = 0; q < 5; ++q) {
        EXPECT_EQ(tp->Get10HzSlot(q).LastSampleIndex(), expected[q]) << "slot " << q;
    }
    EXPECT_EQ(tp->Get10HzSlot(5).LastSampleIndex(), -1) << "beyond the length reads empty";
    EXPECT_EQ(tp->LiveUpdateTimestamp(), 500);
}

TEST_F(IndexRebuild, TelemetryIndexesPointAtTheFirstSampleOfEachSlot) {
    dataset.setUseTelemetryIDs(true);
    for (int32_t t : {0, 250, 260}) {
        tp->AddSample(t, qel::test::AccelerometerSample(1, 2, 3, false));
    }
    for (int32_t t : {0, 2500, 2600}) {
        tp->AddHeartbeat(t, 500, 0);
    }
    tp->setHeartbeatValidity(2500, 2501, true);
    ASSERT_TRUE(tp->HeartbeatSample(1).GetInvalid());

    dataset.setDurationInMS(300);
    tp->rebuildAccelerometerIndexes();
    dataset.setDurationInMS(3000);
    tp->rebuildHeartbeatIndexes();
    const int32_t expected[] = {1, 1, 1, -1};
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(tp->AccelerometerIdx10Hz(i), expected[i]) << "accelerometer slot " << i;
        EXPECT_EQ(tp->HeartbeatIdx1Hz(i), expected[i]) << "heartbeat second " << i;
    }
}

TEST_F(IndexRebuild, EmptyTransponderGetsAnEmptyIndexAndAFreshRun) {
    tp->AddLap(1000);
    tp->Calculation()->AddCalcVaruza(
        std::make_unique<qel::test::ProbeCalculation>(*tp->Calculation()));
    tp->Grow10HzIndex(10);
    tp->rebuildIndexes(false);
    EXPECT_EQ(tp->Sample10HzCount(), 0);
    EXPECT_EQ(tp->Calculation()->CalcVaruzaCount(), 0) << "a new run";
    EXPECT_EQ(tp->LapCount(), 1) << "laps stay";
}

TEST_F(IndexRebuild, OwnIndexDataSourceAndRecordingLeaveEverythingAlone) {
    Walk(0, 2000, 10, 1);
    tp->rebuildIndexes(false);
    RqelSampleIdx10Hz marker = tp->Get10HzSlot(5);
    marker.setCumHIDInMM(4242);
    tp->Set10HzSlot(5, marker);
    TqelCalculation* run = tp->Calculation();

    dataset.setDataSource(16);
    tp->rebuildIndexes(false);
    EXPECT_EQ(tp->Get10HzSlot(5).CumHIDInMM(), 4242);
    EXPECT_EQ(tp->Calculation(), run);

    dataset.setDataSource(1);
    tp->AddLap(1000);
    dataset.setRecording(true);
    EXPECT_THROW(tp->rebuildIndexes(false), qel::EIndexRebuildRefused);
    EXPECT_THROW(dataset.rebuildIndexes(false, {}), qel::EIndexRebuildRefused);
    EXPECT_THROW(dataset.rebuildIndexes({}), qel::EIndexRebuildRefused);
    dataset.setRecording(false);
    EXPECT_EQ(tp->Get10HzSlot(5).CumHIDInMM(), 4242);
    EXPECT_EQ(tp->Calculation(), run);
    EXPECT_EQ(tp->LapCount(), 1);
}

TEST_F(IndexRebuild, SlotsWithoutABelievablePositionAreInvalid) {
    // 10 m, 5 m, except: X = 0 at 1 s, outside the measure box at 3 s, no samples 5..12 s.
    tp->SetPositionFunction(posLastKnown);
    for (int32_t t = 0; t <= 15000; t += 100) {
        if (t > 5000 && t < 12000) {
            continue;
        }
        const int32_t x = t == 1000 ? 0 : (t == 3000 ? 60000 : 10000);
        tp->AddSample(t, PositionSample(x, 5000));
    }
    dataset.setDurationInMS(15000);
    // Positions inside the gap, as a cache filled earlier would answer them.
    RqelCalculatedPosition cached;
    cached.XinM = 10;
    cached.YinM = 5;
    for (int32_t t : {10000, 10100, 10200}) {
        tp->CachePosition(t, cached);
    }
    tp->rebuildIndexes(false);
    struct Case {
        int32_t slot;
        bool valid;
    };
    for (const Case& c : std::vector<Case>{{8, true},
                                           {9, false},  // the next position is at X = 0
                                           {10, false},
                                           {11, true},
                                           {29, false},  // the next one is outside the box
                                           {30, false},
                                           {31, true},
                                           {100, true},  // 5 s after the last sample
                                           {101, false},
                                           {119, false},  // no position at all
                                           {120, true}}) {
        EXPECT_EQ(tp->Get10HzSlot(c.slot).GetValid(), c.valid) << "slot " << c.slot;
    }
    EXPECT_EQ(tp->Get10HzSlot(10).XinMM(), 0);
    EXPECT_EQ(tp->Get10HzSlot(30).XinMM(), 60000);
    EXPECT_EQ(tp->Get10HzSlot(101).XinMM(), 10000) << "a position, but too old";
}

TEST_F(IndexRebuild, BallCountsEveryStepOnceAndNoJumps) {
    tp->setRole(roleBall);
    Walk(0, 12000, 10, 1);
    RqelSampleIdx10Hz stale;
    stale.setCumHIDInMM(777);
    stale.setFHeartbeat(9000);
    stale.SetMarked(true);
    stale.SetValid(true);
    tp->Set10HzSlot(50, stale);

    tp->rebuildIndexes(false);
    EXPECT_NEAR(tp->Get10HzSlot(100).CumDistanceInMM(), 10000, 1);
    const RqelSampleIdx10Hz cleared = tp->Get10HzSlot(50);
    EXPECT_EQ(cleared.CumHIDInMM(), 0);
    EXPECT_EQ(cleared.FHeartbeat(), 0);
    EXPECT_TRUE(cleared.GetMarked()) << "marks stay";
    EXPECT_EQ(tp->Get10HzSlot(51).FStatus() & RqelSampleIdx10Hz::MarkedBit, 0u);
}

TEST_F(IndexRebuild, StepsFasterThan50MetresPerSecondAreNotCounted) {
    tp->setRole(roleBall);
    Walk(0, 5000, 10, 1);
    // 6 m more within the next 100 ms, then on at 1 m/s.
    tp->AddSample(5100, PositionSample(21100, 5000));
    for (int32_t t = 5200; t <= 12000; t += 100) {
        tp->AddSample(t, PositionSample(21100 + (t - 5100), 5000));
    }
    dataset.setDurationInMS(12000);
    tp->rebuildIndexes(false);
    EXPECT_NEAR(tp->Get10HzSlot(100).CumDistanceInMM(), 9900, 1);
}

TEST_F(IndexRebuild, LiveAndRebuiltPositionsAgree) {
    dataset.setLiveIndexCalcDelay(1050);
    dataset.setSpeedFrameInterval(1000);
    tp->InitLiveDBPosition();
    for (int32_t t = 0; t <= 20000; t += 100) {
        tp->AddSample(t, PositionSample(10000 + t / 3, 5000 + (t % 700)));
        dataset.setDurationInMS(t);
        if (t % 1000 == 0) {
            tp->updateLiveIndex();
        }
    }
    const int32_t computed = tp->LiveUpdateTimestamp() / 100;
    ASSERT_GT(computed, 150);
    std::vector<RqelSampleIdx10Hz> live;
    for (int32_t q = 0; q <= computed; ++q) {
        live.push_back(tp->Get10HzSlot(q));
    }
    tp->rebuildIndexes(false);
    int32_t compared = 0;
    for (int32_t q = 0; q <= computed; ++q) {
        const RqelSampleIdx10Hz rebuilt = tp->Get10HzSlot(q);
        if (!live[q].GetValid() || !rebuilt.GetValid()) {
            continue;
        }
        ++compared;
        EXPECT_NEAR(rebuilt.XinMM(), live[q].XinMM(), 1) << "slot " << q;
        EXPECT_NEAR(rebuilt.YinMM(), live[q].YinMM(), 1) << "slot " << q;
    }
    EXPECT_GT(compared, 100);
}

}  // namespace
