#include <gtest/gtest.h>

#include "measurement/control/antenna_list.h"
#include "measurement/control/antenna_list_fakes.h"
#include "measurement/control/gauss_weight_table.h"
#include "platform/exception.h"

namespace {

using qel::test::Sample;

class AntennaListTest : public ::testing::Test {
protected:
    // The weight table is process-wide: every test starts without one.
    AntennaListTest() { qel::ResetGaussWeightTable(); }
    ~AntennaListTest() override { qel::ResetGaussWeightTable(); }

    void AddSamples(uint16_t anAntennaID, int aCount, TqelDataStatus aDataState = ldsOK) {
        for (int i = 0; i < aCount; ++i) {
            FList.AddData(&FControl, Sample(anAntennaID, 1000, 2000, aDataState));
        }
    }

    qel::FakeClock FClock{qel::test::Noon()};
    qel::ScopedClock FScopedClock{FClock};
    FakeMeasurementControl FControl;
    FakeAntennaListOwner FOwner;
    TqelAntennaList FList{&FOwner};
};

TEST_F(AntennaListTest, UnknownAntennasRegisterAsBallsWithTheNextTransponderIds) {
    FList.AddData(&FControl, Sample(16));
    TqelAntennaData* hidden = FList.ItemByAntennaID(16);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(hidden->Visible());
    EXPECT_EQ(hidden->VestID(), QStringLiteral("16"));
    EXPECT_EQ(hidden->TPRole(), 1);
    EXPECT_EQ(hidden->Enabled(), 1);
    EXPECT_EQ(hidden->TPid(), 1);

    FList.Clear();
    // A preparation whose highest transponder id is 120.
    FList.AddAntenna(&FControl, 5, 0, 120);
    FList.AddAntenna(&FControl, 6, 2, 7);
    FList.AddData(&FControl, Sample(30));
    FList.AddData(&FControl, Sample(31));
    ASSERT_EQ(FList.Count(), 4);
    for (const auto& [antennaID, tpid] : {std::pair{30, 121}, std::pair{31, 122}}) {
        TqelAntennaData* data = FList.ItemByAntennaID(static_cast<uint16_t>(antennaID));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->TPid(), tpid);
        EXPECT_EQ(data->Enabled(), 1);
        EXPECT_TRUE(data->Visible());
        EXPECT_EQ(data->VestID(), QString::number(antennaID));
    }
    EXPECT_EQ(FList.GetItems(3), FList.ItemByAntennaID(31));
    EXPECT_THROW(FList.GetItems(4), EArgumentOutOfRangeException);
    // Registration states are taken as they are, without telling the control.
    EXPECT_TRUE(FControl.Calls.isEmpty());
}

TEST_F(AntennaListTest, AddAntennaOfARegisteredIdChangesNothing) {
    TqelAntennaData* first = FList.AddAntenna(&FControl, 5, 0, 120);
    EXPECT_EQ(FList.AddAntenna(&FControl, 5, 1, 500), first);
    EXPECT_EQ(FList.Count(), 1);
    EXPECT_EQ(first->Enabled(), 0);
    EXPECT_EQ(first->TPid(), 120);
    // The highest transponder id did not move to 500 either.
    FList.AddData(&FControl, Sample(9));
    EXPECT_EQ(FList.ItemByAntennaID(9)->TPid(), 121);
}

TEST_F(AntennaListTest, ASwitchedOffTransponderThatKeepsDeliveringIsSwitchedOnAfter1000Samples) {
    TqelAntennaData* data = FList.AddAntenna(&FControl, 7, 1, 1);
    data->setEnabled(0);
    EXPECT_EQ(FControl.Calls, QStringList{QStringLiteral("deactivate 7")});
    FControl.Calls.clear();

    AddSamples(7, 1000);
    EXPECT_EQ(data->Enabled(), 0);
    EXPECT_TRUE(FControl.Calls.isEmpty());
    AddSamples(7, 1);
    EXPECT_EQ(data->Enabled(), 1);
    EXPECT_EQ(FControl.Calls, QStringList{QStringLiteral("activate 7")});
    // Once on it stays on without further calls.
    AddSamples(7, 2500);
    EXPECT_EQ(FControl.Calls.size(), 1);
}

TEST_F(AntennaListTest, PausingTellsTheControlNothing) {
    TqelAntennaData* data = FList.AddAntenna(&FControl, 7, 1, 1);
    data->setEnabled(2);
    EXPECT_TRUE(data->InPauseMode());
    EXPECT_TRUE(FControl.Calls.isEmpty());
    data->setEnabled(2);
    data->setEnabled(1);
    EXPECT_FALSE(data->InPauseMode());
    EXPECT_EQ(FControl.Calls, QStringList{QStringLiteral("activate 7")});
}

TEST_F(AntennaListTest, TheStatisticsRingHoldsTheLast5000SamplesOfAllTransponders) {
    AddSamples(1, 5000);
    EXPECT_EQ(FList.MeasurementCount(), 5000);
    // The next sample takes the place of the very first one: entry 4999 is followed by 0.
    AddSamples(2, 1, ldsVolatile);
    EXPECT_EQ(FList.MeasurementCount(), 5000);
    EXPECT_EQ(FList.GetStatisticsState(ldsOK), 4999);
    EXPECT_EQ(FList.GetStatisticsState(ldsVolatile), 1);
    EXPECT_EQ(FList.ItemByAntennaID(1)->GetDataStatistics(ldsOK), 4999);
    EXPECT_EQ(FList.ItemByAntennaID(2)->GetDataStatistics(ldsVolatile), 1);
}

TEST_F(AntennaListTest, SamplesOfAntenna0LeaveTheStatisticsRingLikeAnyOther) {
    for (int i = 0; i < 6000; ++i) {
        FList.AddData(&FControl, Sample(static_cast<uint16_t>(i % 2)));
    }
    EXPECT_EQ(FList.MeasurementCount(), 5000);
    EXPECT_EQ(FList.ItemByAntennaID(0)->GetDataStatistics(ldsOK), 2500);
    EXPECT_EQ(FList.ItemByAntennaID(1)->GetDataStatistics(ldsOK), 2500);
    EXPECT_EQ(FList.ItemByAntennaID(0)->Quality(), 100);
}

TEST_F(AntennaListTest, QualityIsTheShareOfGoodSamplesRoundedHalfToEven) {
    struct Case {
        uint16_t antennaID;
        int good;
        int bad;
        int32_t quality;
    };
    const Case cases[] = {{1, 1, 7, 12}, {2, 3, 5, 38}, {3, 2, 1, 67}, {4, 0, 4, 0}};
    for (const Case& c : cases) {
        AddSamples(c.antennaID, c.good);
        AddSamples(c.antennaID, c.bad, ldsNotEnoughStations);
    }
    for (const Case& c : cases) {
        EXPECT_EQ(FList.ItemByAntennaID(c.antennaID)->Quality(), c.quality) << c.antennaID;
    }
    EXPECT_EQ(FList.AddAntenna(&FControl, 9, 1, 9)->Quality(), 0);
}

TEST_F(AntennaListTest, MeasurementFrequencyBeforeAndAfterTheRingWraps) {
    EXPECT_EQ(FList.MeasurementFrequency(), 0);
    // 11 samples 100 ms apart, across midnight.
    FClock.Set(EncodeDateTime(2026, 12, 11, 23, 59, 59, 500));
    for (int i = 0; i < 11; ++i) {
        AddSamples(0, 1);
        FClock.Advance(100);
    }
    EXPECT_EQ(FList.MeasurementFrequency(), 11);
    // 100 samples per second once the ring is full: 5000 over 49,990 ms.
    for (int i = 0; i < 5010; ++i) {
        AddSamples(static_cast<uint16_t>(i % 60), 1);
        FClock.Advance(10);
    }
    EXPECT_EQ(FList.MeasurementFrequency(), 100);
    FList.Clear();
    EXPECT_EQ(FList.MeasurementFrequency(), 0);
    EXPECT_EQ(FList.MeasurementCount(), 0);
}

TEST_F(AntennaListTest, LastKnownIsTheNewestSampleForTenSecondsAlsoAcrossMidnight) {
    struct Case {
        const char* name;
        TDateTime sampleTime;
        int64_t ageInMS;
        bool known;
    };
    const TDateTime beforeMidnight = EncodeDateTime(2026, 12, 11, 23, 59, 55, 0);
    const Case cases[] = {
        {"noon 10000 ms", qel::test::Noon(), 10000, true},
        {"noon 10001 ms", qel::test::Noon(), 10001, false},
        {"midnight 10000 ms", beforeMidnight, 10000, true},
        {"midnight 10001 ms", beforeMidnight, 10001, false},
    };
    for (const Case& c : cases) {
        FList.Clear();
        FClock.Set(c.sampleTime);
        const RqelPositionRec sample = Sample(3, 4711, 815);
        FList.AddData(&FControl, sample);
        FClock.Advance(c.ageInMS);
        const RqelPositionRec known = FList.LastKnownPos(3);
        EXPECT_EQ(known.XinMM, c.known ? 4711 : 0) << c.name;
        EXPECT_EQ(known.TimeStampInMS, c.known ? sample.TimeStampInMS : 0) << c.name;
        RqelPositionRec copied;
        EXPECT_TRUE(FList.CopyLastKnownPos(3, copied));
        EXPECT_EQ(copied.XinMM, known.XinMM) << c.name;
    }
}

TEST_F(AntennaListTest, TheRingKeepsTheLast255Positions) {
    TqelAntennaData* data = FList.AddAntenna(&FControl, 4, 1, 1);
    for (int i = 1; i <= 300; ++i) {
        FList.AddData(&FControl, Sample(4, i, i));
    }
    EXPECT_EQ(data->FirstKnown().XinMM, 300 - 255 + 1);
    EXPECT_EQ(data->LastKnown().XinMM, 300);
    RqelPositionRec first;
    EXPECT_TRUE(FList.CopyFirstKnownPos(4, first));
    EXPECT_EQ(first.XinMM, 46);
}

TEST_F(AntennaListTest, BatteryValuesExpireAfter300Seconds) {
    RqelPositionRec sample = Sample(8);
    sample.BatteryPerc = 80;
    sample.BatteryState = 3;
    FList.AddData(&FControl, sample);
    // A sample without battery value keeps the last one.
    FList.AddData(&FControl, Sample(8));
    TqelAntennaData* data = FList.ItemByAntennaID(8);
    FClock.Advance(300000);
    EXPECT_EQ(data->BatteryPercentage(), 80);
    EXPECT_EQ(data->BatteryState(), 3);
    FClock.Advance(1);
    EXPECT_EQ(data->BatteryPercentage(), 0);
    EXPECT_EQ(data->BatteryState(), 0);
}

TEST_F(AntennaListTest, LastValuesOfHeartRateBaseStationsAndGravity) {
    RqelPositionRec sample = Sample(8);
    sample.Heartbeat = 142;
    sample.NumberBS = 6;
    sample.Accel.SetData(1234, 0, 0, 56, false);
    FList.AddData(&FControl, sample);
    sample.Heartbeat = 0;
    sample.NumberBS = 4;
    sample.Accel.setTimestampInMS(0);
    sample.Accel.setZAcceleration(112);
    FList.AddData(&FControl, sample);
    TqelAntennaData* data = FList.ItemByAntennaID(8);
    EXPECT_EQ(data->LastHeartbeat(), 142);
    EXPECT_EQ(data->LastNumBS(), 4);
    EXPECT_DOUBLE_EQ(data->LastGravity(), 1.0);
}

TEST_F(AntennaListTest, WeightTableOfSensitivity85) {
    BuildGaussWeightTable(85);
    EXPECT_EQ(qel::GaussWeight(0), 1.0);
    // Base 2.718281828, not e: at 999 ms the two differ in the ninth digit.
    EXPECT_NEAR(qel::GaussWeight(500), 0.08735004714548433, 1e-15);
    EXPECT_NEAR(qel::GaussWeight(999), 5.936332726362948e-05, 1e-17);
    BuildGaussWeightTable(0);
    EXPECT_NEAR(qel::GaussWeight(1), 0.9319712278233947, 1e-15);
}

TEST_F(AntennaListTest, WeightedWithoutSamplesInReachReturnsThePreviousResult) {
    TqelAntennaData* data = FList.AddAntenna(&FControl, 2, 1, 1);
    FList.AddData(&FControl, Sample(2, 1000, 2000));
    // Never built: every weight is 0.
    RqelPositionRec result = data->Weighted(0);
    EXPECT_FALSE(result.Valid);
    EXPECT_FALSE(data->LastValide());
    EXPECT_EQ(data->InvalideCount(), 1);

    BuildGaussWeightTable(85);
    result = data->Weighted(0);
    EXPECT_TRUE(result.Valid);
    EXPECT_EQ(result.XinMM, 1000);
    EXPECT_EQ(result.AntennaID, 2);
    EXPECT_EQ(data->InvalideCount(), 0);

    // 1000 ms away nothing is in reach.
    const int32_t later = qel::test::NowMsOfDay() + 1000;
    for (int i = 0; i < 15; ++i) {
        result = data->Weighted(later);
    }
    EXPECT_EQ(data->InvalideCount(), 15);
    EXPECT_TRUE(result.Valid) << "the previous result with its flag";
    EXPECT_EQ(result.XinMM, 1000);
    EXPECT_FALSE(data->LastValide());
    data->Weighted(0);
    EXPECT_EQ(data->InvalideCount(), 5);
    data->Weighted(0);
    EXPECT_EQ(data->InvalideCount(), 0);
}

TEST_F(AntennaListTest, WeightedAndLinearAverageAndRoundHalfToEven) {
    BuildGaussWeightTable(85);
    TqelAntennaData* data = FList.AddAntenna(&FControl, 2, 1, 1);
    // X = 0 means no position even when Y is set.
    FList.AddData(&FControl, Sample(2, 0, 5000));
    FList.AddData(&FControl, Sample(2, 1000, 3001));
    FList.AddData(&FControl, Sample(2, 1001, 3002));
    FList.AddData(&FControl, Sample(2, 1000, 3002));
    FList.AddData(&FControl, Sample(2, 1001, 3001));
    RqelPositionRec weighted = data->Weighted(0);
    EXPECT_EQ(weighted.XinMM, 1000);  // 1000.5
    EXPECT_EQ(weighted.YinMM, 3002);  // 3001.5
    EXPECT_EQ(weighted.TimeStampInMS, qel::test::NowMsOfDay());
    EXPECT_EQ(data->XinMM(), 1000);
    const RqelPositionRec linear = data->Linear(0, 0);
    EXPECT_EQ(linear.XinMM, 1000);
    EXPECT_EQ(linear.YinMM, 3002);
    // Outside the time frame nothing counts.
    EXPECT_EQ(data->Linear(qel::test::NowMsOfDay() + 50, 49).XinMM, 1000);
    EXPECT_EQ(data->InvalideCount(), 1);
}

TEST_F(AntennaListTest, WeightedReachesSamplesAcrossMidnight) {
    BuildGaussWeightTable(85);
    TqelAntennaData* data = FList.AddAntenna(&FControl, 2, 1, 1);
    FClock.Set(EncodeDateTime(2026, 12, 11, 23, 59, 59, 900));
    FList.AddData(&FControl, Sample(2, 1500, 2500));
    FClock.Advance(200);
    const RqelPositionRec result = data->Weighted(0);
    EXPECT_TRUE(result.Valid);
    EXPECT_EQ(result.XinMM, 1500);
    EXPECT_EQ(result.TimeStampInMS, 100);
    EXPECT_EQ(data->Linear(0, 200).XinMM, 1500);
    // A sample of exactly midnight has time stamp 0 and is a sample all the same.
    FClock.Set(EncodeDateTime(2026, 12, 12, 0, 0, 0, 0));
    TqelAntennaData* atMidnight = FList.AddAntenna(&FControl, 3, 1, 2);
    FList.AddData(&FControl, Sample(3, 700, 800));
    EXPECT_EQ(atMidnight->Weighted(0).XinMM, 700);
}

TEST_F(AntennaListTest, FrequencyCountsTheSamplesOfTheLastFiveSeconds) {
    TqelAntennaData* data = FList.AddAntenna(&FControl, 2, 1, 1);
    EXPECT_EQ(data->Frequency(), 0);
    FClock.Set(EncodeDateTime(2026, 12, 11, 23, 59, 58, 0));
    for (int i = 0; i < 40; ++i) {
        FList.AddData(&FControl, Sample(2));
        FClock.Advance(100);
    }
    // Now 00:00:02: all 40 samples are younger than 5 s, the oldest 4000 ms old.
    EXPECT_EQ(data->Frequency(), 10);
    FClock.Advance(3000);
    // 00:00:05: the 19 samples from 00:00:00.100 (4900 ms old) on count.
    EXPECT_EQ(data->Frequency(), 19 * 1000 / 4900);
}

TEST_F(AntennaListTest, IdsBeyondTheTableAndUnknownDataStatesTouchNothing) {
    FList.AddData(&FControl, Sample(20000));
    FList.AddData(&FControl, Sample(TqelAntennaList::TrackSize));
    EXPECT_EQ(FList.Count(), 0);
    EXPECT_EQ(FList.MeasurementCount(), 0);
    EXPECT_EQ(FList.ItemByAntennaID(20000), nullptr);
    EXPECT_EQ(FList.AddAntenna(&FControl, 20000, 1, 5), nullptr);
    EXPECT_EQ(FList.LastKnownPos(20000).XinMM, 0);
    RqelPositionRec copied = Sample(1);
    EXPECT_FALSE(FList.CopyLastKnownPos(20000, copied));
    EXPECT_EQ(copied.XinMM, 0);

    FList.AddData(&FControl, Sample(12, 1000, 2000, static_cast<TqelDataStatus>(12)));
    TqelAntennaData* data = FList.ItemByAntennaID(12);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->LastKnown().DataState, 12) << "stored";
    EXPECT_EQ(FList.MeasurementCount(), 0) << "not counted";
    EXPECT_EQ(FList.GetStatisticsState(static_cast<TqelDataStatus>(12)), 0);
    // Taking it off the ring again counts nothing down.
    AddSamples(12, 5000);
    EXPECT_EQ(FList.MeasurementCount(), 5000);
    EXPECT_EQ(data->GetDataStatistics(ldsOK), 5000);
    EXPECT_EQ(data->Quality(), 100);
}

TEST_F(AntennaListTest, LookUpsByVestIdMacAddressAndCopiedIdentity) {
    TqelAntennaData* data = FList.AddAntenna(&FControl, 21, 2, 33);
    data->setVestID(QStringLiteral("V7"));
    data->setMacAddress(QStringLiteral("00:11"));
    data->setAthleteName(QStringLiteral("Ada"));
    EXPECT_EQ(FList.ItemByVestID(QStringLiteral("V7")), data);
    EXPECT_EQ(FList.ItemByVestID(QStringLiteral("v7")), nullptr);
    EXPECT_EQ(FList.ItemByMacAddress(QStringLiteral("00:11")), data);
    RqelAntennaIdentity identity;
    ASSERT_TRUE(FList.CopyIdentity(21, identity));
    EXPECT_EQ(identity.AntennaID, 21);
    EXPECT_EQ(identity.TPid, 33);
    EXPECT_EQ(identity.Enabled, 2);
    EXPECT_EQ(identity.AthleteName, QStringLiteral("Ada"));
    EXPECT_FALSE(FList.CopyIdentity(22, identity));
    EXPECT_TRUE(identity.VestID.isEmpty());
}

}  // namespace
