#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "model/transponder/transponder_fixture.h"

namespace {

using qel::test::AccelerometerSample;
using qel::test::PositionSample;
using qel::test::TelemetrySample;

// Heartbeat telemetry that carries beats per minute in its high data byte.
constexpr uint8_t kRateType = 56;
// Beat intervals in ms.
constexpr uint8_t kMillisecondType = 252;

class HeartValues : public qel::test::TransponderFixture {
protected:
    HeartValues() {
        dataset.setUseTelemetryIDs(true);
        dataset.setHeartbeatInterval(2000);
        dataset.setHeartbeatSensitivity(75);
    }

    void Beat(int32_t aTimeInMS, int aBPM) {
        tp->AddHeartbeat(aTimeInMS, static_cast<uint16_t>(aBPM << 8), kRateType);
    }
    double RateAt(int32_t aTimeInMS) { return tp->getHeartbeatValue(aTimeInMS, false); }
    void Accelerometer(int32_t aTimeInMS, int8_t aX, int8_t aY, int8_t aZ, bool aHighRange) {
        tp->AddSample(aTimeInMS, AccelerometerSample(aX, aY, aZ, aHighRange));
    }
};

// --- Heart rate ---

TEST_F(HeartValues, HeartRateIsTheWeightedHarmonicMeanOfTheUsableSamplesNearby) {
    struct Case {
        const char* name;
        std::vector<std::pair<int32_t, int>> beats;
        int32_t at;
        double expected;
    };
    const std::vector<Case> cases = {
        // Equal weights: the beat intervals are averaged, so 80 and not 90.
        {"60 and 120", {{4000, 60}, {6000, 120}, {9000, 100}}, 5000, 80},
        {"a lone 250", {{4000, 250}, {9000, 100}}, 4000, 0},
        {"250 dropped", {{4000, 250}, {6000, 100}, {9000, 100}}, 5000, 100},
        {"39 dropped", {{4000, 39}, {6000, 120}, {9000, 100}}, 5000, 120},
        {"40 kept", {{4000, 40}, {6000, 40}, {9000, 100}}, 5000, 40},
        {"nothing within the window", {{1000, 100}, {9000, 100}}, 5000, 0},
        {"before the first sample's window", {{3000, 100}, {9000, 100}}, 999, 0},
        {"negative time", {{0, 100}, {9000, 100}}, -1, 0},
    };
    for (const Case& c : cases) {
        tp->ClearHeartbeat(0);
        for (const auto& [time, bpm] : c.beats) {
            Beat(time, bpm);
        }
        EXPECT_NEAR(RateAt(c.at), c.expected, 1e-9) << c.name;
        EXPECT_EQ(tp->calcHeartbeat(c.at, false), RateAt(c.at)) << c.name;
    }
}

TEST_F(HeartValues, AfterTheNewestSampleItsValueHoldsForTheInterval) {
    Beat(1000, 90);
    Beat(5000, 110);
    EXPECT_EQ(RateAt(5000), 110);
    EXPECT_EQ(RateAt(6999), 110);
    EXPECT_EQ(RateAt(7000), 0);
    // A newest value outside the usable range gives 0 at once.
    Beat(8000, 240);
    EXPECT_EQ(RateAt(8500), 0);
}

TEST_F(HeartValues, SpikesAreReplacedUnlessShown) {
    Beat(4000, 60);
    Beat(6000, 200);
    Beat(9000, 100);
    tp->HeartbeatSample(1).setTelemetryInvalid(120);
    EXPECT_NEAR(tp->getHeartbeatValue(5000, false), 80, 1e-9);
    EXPECT_NEAR(tp->getHeartbeatValue(5000, true), 2 / (1 / 60.0 + 1 / 200.0), 1e-9);
}

// An invalidated sample keeps its time as a negative number: every search must use the
// absolute time, or the samples around it are lost.
TEST_F(HeartValues, AnInvalidatedSampleHidesNoOtherSample) {
    for (int32_t t = 0; t <= 10000; t += 500) {
        Beat(t, t == 4000 ? 60 : 120);
    }
    tp->setHeartbeatValidity(5000, 5500, true);

    // (3000, 7000) without 5000: pairs at 500, 1000 and 1500 ms from it, 60 bpm at 4000.
    const double near = dataset.getHeartbeatWeight(500);
    const double mid = dataset.getHeartbeatWeight(1000);
    const double far = dataset.getHeartbeatWeight(1500);
    EXPECT_NEAR(RateAt(5000),
                2 * (near + mid + far) / (2 * near / 120 + mid / 60 + mid / 120 + 2 * far / 120),
                1e-9);
    // Samples every 500 ms, asked midway: (3250, 7250) holds 3500 .. 7000, but 5000.
    EXPECT_EQ(tp->calcHeartbeatFreq(5250), 1.75);
    // [3500, 6500): 120, 60, 120, 120, 120.
    EXPECT_NEAR(tp->calcAverageHeartbeat(3500, 6500), 5 / (4 / 120.0 + 1 / 60.0), 1e-9);

    tp->setHeartbeatValidity(0, 20000, false);
    EXPECT_EQ(tp->calcHeartbeatFreq(5250), 2);
    EXPECT_EQ(tp->calcHeartbeatFreq(20000), 0);
    dataset.setHeartbeatSensitivity(0);  // weight only the sample at the time itself
    EXPECT_EQ(RateAt(5000), 120);
}

TEST_F(HeartValues, AverageHeartbeatNeedsTwoUsableSamples) {
    EXPECT_EQ(tp->calcAverageHeartbeat(0, 10000), 0);
    Beat(1000, 60);
    Beat(2000, 250);
    Beat(3000, 30);
    EXPECT_EQ(tp->calcAverageHeartbeat(0, 10000), 0);
    Beat(4000, 120);
    EXPECT_NEAR(tp->calcAverageHeartbeat(0, 10000), 80, 1e-9);
    // The span's start counts, its end does not.
    EXPECT_EQ(tp->calcAverageHeartbeat(1000, 4000), 0);
    EXPECT_NEAR(tp->calcAverageHeartbeat(1000, 4001), 80, 1e-9);
}

class MaxHeartbeat : public HeartValues {
protected:
    MaxHeartbeat() {
        // The rate at a whole second is the sample there.
        dataset.setHeartbeatSensitivity(0);
        dataset.setDurationInMS(200000);
    }
};

TEST_F(MaxHeartbeat, ASpanShorterThanTheIntervalFindsNothing) {
    for (int32_t s = 0; s <= 100; ++s) {
        Beat(s * 1000, 100);
    }
    int32_t time = -1;
    int32_t value = -1;
    EXPECT_FALSE(tp->calcMaxHeartbeat(7000, 37999, 30, 10, time, value));
    EXPECT_EQ(time, 7000);
    EXPECT_EQ(value, -1);
    EXPECT_TRUE(tp->calcMaxHeartbeat(7000, 38000, 30, 10, time, value));
    EXPECT_EQ(time, 7000);
    EXPECT_EQ(value, 100);
}

TEST_F(MaxHeartbeat, APlateauThatPeaksInTheFirstSecondReportsThatSecond) {
    // 100 bpm, a peak of 60000 / 403 = 148.9 bpm at 50 s, then slowly down to 142.
    for (int32_t s = 0; s < 50; ++s) {
        Beat(s * 1000, 100);
    }
    tp->AddHeartbeat(50000, 403, kMillisecondType);
    for (int32_t s = 51; s <= 100; ++s) {
        Beat(s * 1000, 148 - (s - 51) / 5);
    }
    int32_t time = -1;
    int32_t value = -1;
    ASSERT_TRUE(tp->calcMaxHeartbeat(0, 200000, 30, 10, time, value));
    EXPECT_EQ(time, 50000);
    EXPECT_EQ(value, 149);
    // Without the dataset's duration there is no window.
    dataset.setDurationInMS(0);
    EXPECT_FALSE(tp->calcMaxHeartbeat(0, 200000, 30, 10, time, value));
    EXPECT_EQ(time, 0);
}

// --- Accelerometer ---

void ExpectSameRecord(const RqelAccelerometerFiltered& aActual,
                      const RqelAccelerometerFiltered& anExpected, int32_t anIndex) {
    EXPECT_EQ(aActual.TimeStampInMS, anExpected.TimeStampInMS) << anIndex;
    EXPECT_EQ(aActual.XAcceleration, anExpected.XAcceleration) << anIndex;
    EXPECT_EQ(aActual.YAcceleration, anExpected.YAcceleration) << anIndex;
    EXPECT_EQ(aActual.ZAcceleration, anExpected.ZAcceleration) << anIndex;
    EXPECT_EQ(aActual.LowPassGrav, anExpected.LowPassGrav) << anIndex;
}

TEST_F(HeartValues, BatchFilteringGivesTheRecordsOfTheLiveFilter) {
    for (int32_t i = 0; i < 40; ++i) {
        Accelerometer(100 + 10 * i, static_cast<int8_t>(i * 7 % 50 - 25),
                      static_cast<int8_t>(i % 3), static_cast<int8_t>(56 - i % 11), i % 5 == 0);
    }
    std::vector<RqelAccelerometerFiltered> live;
    for (int32_t i = 0; i < tp->AccelerometerCount(); ++i) {
        live.push_back(tp->AccelerometerFiltered(i));
        tp->AccelerometerFiltered(i) = RqelAccelerometerFiltered();
    }
    tp->CalcFilteredAccelerometerData(0.8);
    for (int32_t i = 0; i < tp->AccelerometerCount(); ++i) {
        ExpectSameRecord(tp->AccelerometerFiltered(i), live[static_cast<size_t>(i)], i);
    }

    // Another constant leaves the live filter's state: the next live sample continues it.
    tp->CalcFilteredAccelerometerData(0.3);
    EXPECT_NE(tp->AccelerometerFiltered(5).LowPassGrav, live[5].LowPassGrav);
    Accelerometer(1000, 3, -4, 50, false);
    RqelAccelerometerFilteringData state;
    RqelAccelerometerFiltered expected;
    for (int32_t i = 0; i < tp->AccelerometerCount(); ++i) {
        expected = qel::FilterAccelerometerSample(state, tp->AccelerometerSample(i), i == 0);
    }
    ExpectSameRecord(tp->AccelerometerFiltered(40), expected, 40);
}

TEST_F(HeartValues, AStillSensorConvergesToOneGAndNoLinearAcceleration) {
    Accelerometer(0, 56, 0, 0, false);
    for (int32_t i = 1; i <= 200; ++i) {
        Accelerometer(10 * i, 0, 0, 56, false);
    }
    const RqelAccelerometerFiltered& last = tp->AccelerometerFiltered(200);
    EXPECT_NEAR(last.LowPassGrav, 1, 1e-9);
    EXPECT_NEAR(last.GetAcceleration(), 0, 1e-6);
    EXPECT_NEAR(tp->calcLowPassGrav(2000), 1, 1e-9);
    EXPECT_NEAR(tp->calcImpact(2000), 0, 1e-6);
    // The first reading weighs in at first.
    EXPECT_GT(tp->AccelerometerFiltered(1).GetAcceleration(), 0.1);
}

TEST_F(HeartValues, NoGravityLeavesTheReadingAsItIs) {
    for (int32_t i = 0; i < 3; ++i) {
        Accelerometer(10 * i, 0, 0, 0, false);
    }
    tp->CalcFilteredAccelerometerData(0.8);
    for (int32_t i = 0; i < 3; ++i) {
        const RqelAccelerometerFiltered& record = tp->AccelerometerFiltered(i);
        EXPECT_EQ(record.LowPassGrav, 0);
        EXPECT_EQ(record.GetAcceleration(), 0) << "not a number with k = 1 / 0";
    }
}

TEST_F(HeartValues, ImpactAndGravityWeighTheOpenWindowWithTheAccelerometerKernel) {
    EXPECT_EQ(tp->calcImpact(1000), 0);
    EXPECT_EQ(tp->calcLowPassGrav(1000), 0);
    // 8 g samples carry a flag in their time word's top bit.
    for (int32_t i = 0; i <= 30; ++i) {
        Accelerometer(1000 + 25 * i, static_cast<int8_t>(i % 4 * 9), static_cast<int8_t>(-i % 5),
                      static_cast<int8_t>(20 + i), i % 3 == 1);
    }
    const auto expected = [&](int32_t t, bool anImpact) {
        double weights = 0;
        double sum = 0;
        for (int32_t i = 0; i < tp->AccelerometerCount(); ++i) {
            const RqelAccelerometerFiltered& r = tp->AccelerometerFiltered(i);
            if (r.TimeStampInMS > t - 75 && r.TimeStampInMS < t + 75) {
                const double w = dataset.getAccelerometerWeight(r.TimeStampInMS - t);
                weights += w;
                sum += w * (anImpact ? r.GetAcceleration() : r.LowPassGrav);
            }
        }
        return sum / weights;
    };
    // 1375: samples at 1300 and 1450 lie on the window's edges and count not; 1010: at the
    // start of the data, with no sample before the window.
    for (int32_t t : {1375, 1380, 1010, 1749}) {
        EXPECT_NEAR(tp->calcImpact(t), expected(t, true), 1e-12) << t;
        EXPECT_NEAR(tp->calcLowPassGrav(t), expected(t, false), 1e-12) << t;
    }
    EXPECT_GT(tp->calcImpact(1010), 0);
    EXPECT_EQ(tp->calcImpact(900), 0);
    EXPECT_EQ(tp->calcImpact(1825), 0);
}

// --- Gallops, impacts, battery ---

TEST_F(HeartValues, WithoutTheirAnalysesNoGallopOrImpactIsCounted) {
    EXPECT_EQ(tp->calcGallop(0, 5000), 0);
    EXPECT_EQ(tp->calcNumberGallops(0, 5000), 0);
    EXPECT_EQ(tp->calcNumberImpacts(0, 5000), 0);
}

TEST_F(HeartValues, BatteryIsTheSampleAtOrBeforeTheTime) {
    EXPECT_EQ(tp->calcBatteryStatus(5000), 0);
    EXPECT_EQ(tp->calcBatteryVoltage(5000), 0);
    tp->AddSample(1000, TelemetrySample(101, 3700));
    tp->AddSample(5000, TelemetrySample(102, 3600));
    tp->AddSample(6000, TelemetrySample(103, 3500, true));  // bad check byte: not stored
    struct Case {
        int32_t at;
        int32_t status;
        double voltage;
    };
    for (const Case& c : {Case{999, 0, 0}, Case{1000, 1, 3.7}, Case{4999, 1, 3.7},
                          Case{5000, 2, 3.6}, Case{9000000, 2, 3.6}}) {
        EXPECT_EQ(tp->calcBatteryStatus(c.at), c.status) << c.at;
        EXPECT_DOUBLE_EQ(tp->calcBatteryVoltage(c.at), c.voltage) << c.at;
    }
}

// --- Raw samples ---

void AddQualitySample(TqelTransponderData& aTp, int32_t aTimeInMS, int aQuality) {
    RqelLPMSample sample = PositionSample(1000, 2000);
    sample.setQuality(static_cast<uint16_t>(aQuality << 11));
    aTp.AddSample(aTimeInMS, sample);
}

TEST_F(HeartValues, BaseStationsAreTheMeanQualityOfTheHalfSecondWindow) {
    EXPECT_EQ(tp->calcBaseStationsUsed(1000), 0);
    for (int32_t i = 0; i <= 20; ++i) {
        AddQualitySample(*tp, 100 * i, i % 8);
    }
    // (750, 1250]: 800 .. 1200, qualities 0, 1, 2, 3, 4.
    EXPECT_DOUBLE_EQ(tp->calcBaseStationsUsed(1000), 2);
    // (800, 1300]: 900 .. 1300.
    EXPECT_DOUBLE_EQ(tp->calcBaseStationsUsed(1050), 3);
    // (-250, 250]: starts at the very first sample.
    EXPECT_EQ(tp->calcBaseStationsUsed(0), 0);
    EXPECT_EQ(tp->calcBaseStationsUsed(100), 0);
    // (150, 650]: 200 .. 600.
    EXPECT_DOUBLE_EQ(tp->calcBaseStationsUsed(400), 4);
    // One sample in the window, and none.
    EXPECT_EQ(tp->calcBaseStationsUsed(2200), 0);
    EXPECT_EQ(tp->calcBaseStationsUsed(5000), 0);
}

TEST_F(HeartValues, RawWindowStatsCountAverageAndLargestStep) {
    const std::vector<std::pair<int32_t, int32_t>> points = {
        {0, 0}, {1000, 0}, {4000, 4000}, {5000, 4000}, {-2000, 4000}};
    for (size_t i = 0; i < points.size(); ++i) {
        tp->AddSample(100 * static_cast<int32_t>(i + 1),
                      PositionSample(points[i].first, points[i].second));
    }
    int32_t count = -1;
    RqelCalculatedPosition average;
    average.ZinM = 7;
    double largest = -1;
    // (100, 400]: samples 2 .. 4.
    tp->calcRawWindowStats(100, 400, count, average, largest);
    EXPECT_EQ(count, 3);
    EXPECT_DOUBLE_EQ(average.XinM, 10.0 / 3);
    EXPECT_DOUBLE_EQ(average.YinM, 8.0 / 3);
    EXPECT_EQ(average.ZinM, 7);
    EXPECT_DOUBLE_EQ(largest, 5);
    // The whole track: the last step is 7 m.
    tp->calcRawWindowStats(0, 500, count, average, largest);
    EXPECT_EQ(count, 5);
    EXPECT_DOUBLE_EQ(largest, 7);
    // One sample: no step.
    tp->calcRawWindowStats(150, 250, count, average, largest);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(largest, 0);

    // Nothing in the window: the count is 0 and the other outputs stay as they were.
    for (const auto& [from, to] : {std::pair{510, 900}, std::pair{120, 150}, std::pair{600, 0}}) {
        average.XinM = 11;
        average.YinM = 12;
        largest = 13;
        tp->calcRawWindowStats(from, to, count, average, largest);
        EXPECT_EQ(count, 0) << from;
        EXPECT_EQ(average.XinM, 11) << from;
        EXPECT_EQ(average.YinM, 12) << from;
        EXPECT_EQ(largest, 13) << from;
    }
}

}  // namespace
