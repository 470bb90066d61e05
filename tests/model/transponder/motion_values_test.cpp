// Speeds, accelerations, distances and place tests on synthetic transponders whose samples went
// through the intake. Tracks are 50 Hz (a sample every 20 ms) and positions are the closest known
// sample unless a case says otherwise, so that every value can be worked out by hand. The closest
// known position takes the later sample on a tie (grid time 50 between samples 40 and 60 reads
// the sample at 60).

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <ostream>
#include <vector>

#include "allocation_counter.h"
#include "model/field/field.h"
#include "transponder_fixture.h"

namespace {

using qel::test::AccelerometerSample;
using qel::test::PositionSample;

constexpr double kTolerance = 1e-9;

struct Point {
    int32_t TimeInMS;
    int32_t XinMM;
    int32_t YinMM = 5000;
    int32_t ZinMM = 1500;
    int32_t DistanceInMM = 0;
    uint16_t SpeedMMS = 0;
};
using Track = std::vector<Point>;

// A sample every 20 ms from aFrom to aTo (both included), X given by aX(t).
Track Every20ms(int32_t aFrom, int32_t aTo, const std::function<int32_t(int32_t)>& aX) {
    Track track;
    for (int32_t t = aFrom; t <= aTo; t += 20) {
        track.push_back({t, aX(t)});
    }
    return track;
}

Track operator+(Track aFirst, const Track& aSecond) {
    aFirst.insert(aFirst.end(), aSecond.begin(), aSecond.end());
    return aFirst;
}

Track StandingStill(int32_t aTo) {
    return Every20ms(0, aTo, [](int32_t) { return 10000; });
}

// At X = 10 m until the step, then aStepInMM further along X; 0 .. 3000 ms.
Track StepAt(int32_t aStepTimeInMS, int32_t aStepInMM) {
    return Every20ms(0, 3000,
                     [=](int32_t t) { return t < aStepTimeInMS ? 10000 : 10000 + aStepInMM; });
}

// Along X at 1 m/s.
Track OneMetrePerSecond(int32_t aTo) {
    return Every20ms(0, aTo, [](int32_t t) { return 10000 + t; });
}

// A dataset of a generic sport (MaxSpeed 20 m/s, so 1 m per 50 ms) and one transponder.
class MotionValues : public ::testing::Test {
protected:
    MotionValues() {
        dataset.setSportType(sportGeneric);
        dataset.setAntennaEntry(qel::test::kAntenna, {0, 1});
        dataset.setUseTelemetryIDs(true);
        tp = std::make_unique<TqelTransponderData>(&dataset, false);
        tp->setTPid(5);
        UseAlgorithm(posClosestKnown);
    }

    void UseAlgorithm(TqelPositionAlgorithm anAlgorithm) {
        dataset.setPositionAlgorithm(anAlgorithm);
        dataset.setPositionSensitivity(75);
        tp->SetPositionFunction(anAlgorithm);
    }
    void MakeBall() {
        tp->setRole(roleBall);
        // A ball is switched to interpolation: the cases keep one algorithm for every role.
        tp->SetPositionFunction(dataset.PositionAlgorithm());
    }
    void Feed(const Track& aTrack, int32_t aDurationInMS) {
        for (const Point& p : aTrack) {
            RqelLPMSample sample = PositionSample(p.XinMM, p.YinMM);
            sample.setZinMM(p.ZinMM);
            sample.setDistanceMM(p.DistanceInMM);
            sample.setSpeedMMS(p.SpeedMMS);
            tp->AddSample(p.TimeInMS, sample);
        }
        dataset.setDurationInMS(aDurationInMS);
    }
    // 10 Hz slots 0 .. aCumDistances.size() - 1 with these cumulative distances, all available.
    void MakeIndex(const std::vector<int32_t>& aCumDistances) {
        const int32_t length = static_cast<int32_t>(aCumDistances.size());
        tp->Grow10HzIndex(length);
        for (int32_t s = 0; s < length; ++s) {
            RqelSampleIdx10Hz slot = tp->Get10HzSlot(s);
            slot.setCumDistanceInMM(aCumDistances[static_cast<size_t>(s)]);
            tp->Set10HzSlot(s, slot);
        }
        tp->setLiveUpdateTimestamp((length - 1) * 100);
    }

    TqelDataset dataset;
    std::unique_ptr<TqelTransponderData> tp;
};

// --- calcSpeed ---

struct SpeedCase {
    const char* Name;
    Track Input;
    int32_t DurationInMS;
    int32_t TimeInMS;
    int32_t Frame;  // 0: the dataset's, which is Frame of the case or 1000
    double Speed;
    bool Valid;
    bool Ball = false;
    TqelPositionAlgorithm Algorithm = posClosestKnown;
    int32_t DatasetFrame = 1000;
};

void PrintTo(const SpeedCase& aCase, std::ostream* anOut) {
    *anOut << aCase.Name;
}

class ReferenceSpeed : public MotionValues, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(ReferenceSpeed, FromTheGridOfTheFrame) {
    const SpeedCase& c = GetParam();
    UseAlgorithm(c.Algorithm);
    if (c.Ball) {
        MakeBall();
    }
    dataset.setSpeedFrameInterval(c.DatasetFrame);
    Feed(c.Input, c.DurationInMS);
    bool valid = !c.Valid;
    const double speed = tp->calcSpeed(c.TimeInMS, valid, c.Frame);
    EXPECT_NEAR(speed, c.Speed, kTolerance);
    EXPECT_EQ(valid, c.Valid);
    EXPECT_NEAR(tp->calcSpeed(c.TimeInMS, c.Frame), c.Speed, kTolerance);
}

// A step at 1510 ms lies between the grid times 1500 (sample 1500) and 1550 (sample 1560). With
// a frame of 20 ms at 1000 only the positions at 980 and 1020 take part, over 0.04 s.
INSTANTIATE_TEST_SUITE_P(
    MotionValues, ReferenceSpeed,
    ::testing::Values(
        SpeedCase{"DatasetShorterThanFrame", StandingStill(900), 900, 450, 1000, 0, false},
        SpeedCase{"StandingStillIsValid", StandingStill(3000), 3001, 1500, 1000, 0, true},
        SpeedCase{"FiveMetreJumpIgnored", StepAt(1510, 5000), 3001, 1500, 1000, 0, true},
        SpeedCase{"StepOfOneAndAHalfMetresCountsOne", StepAt(1510, 1500), 3001, 1500, 1000, 0.5,
                  true},
        SpeedCase{"BallStepOf199Counted", StepAt(1510, 1990), 3001, 1500, 1000, 0.995, true, true},
        SpeedCase{"BallStepOfTwoMetresIgnored", StepAt(1510, 2000), 3001, 1500, 1000, 0, true,
                  true},
        SpeedCase{"ClippedAtStartStillOverTwoSeconds", OneMetrePerSecond(3000), 3001, 0, 1000, 0.5,
                  true},
        SpeedCase{"FrameFromDataset", OneMetrePerSecond(3000), 3001, 1500, 0, 1.0, true},
        SpeedCase{"BelowMaxSpeedOnShortFrame", StepAt(1010, 700), 3001, 1000, 20, 17.5, true},
        SpeedCase{"AboveMaxSpeedIsNotValid", StepAt(1010, 900), 3001, 1000, 20, 0, false},
        SpeedCase{"BallHasNoMaxSpeed", StepAt(1010, 900), 3001, 1000, 20, 22.5, true, true},
        SpeedCase{"FrameOfZero", OneMetrePerSecond(3000), 3001, 1500, 0, 0, false, false,
                  posClosestKnown, 0},
        SpeedCase{"NegativeFrame", OneMetrePerSecond(3000), 3001, 1500, -100, 0, false},
        SpeedCase{"TimeBeyondTheDataset", OneMetrePerSecond(3000), 3001, 5000, 1000, 0, false},
        SpeedCase{"NoSamples", {}, 3001, 1500, 1000, 0, false},
        // Half a metre between the samples 1000 and 1020: the closest known positions at 1000
        // and 1050 make one step of it, the weighted runs end there and break the pair.
        SpeedCase{"StepBetweenClosestKnownPositions", StepAt(1010, 500), 3001, 1000, 1000, 0.25,
                  true},
        SpeedCase{"WeightedRunsApartBreakTheirPair", StepAt(1010, 500), 3001, 1000, 1000, 0, true,
                  false, posWeightedSportVU}),
    [](const ::testing::TestParamInfo<SpeedCase>& anInfo) { return anInfo.param.Name; });

TEST_F(MotionValues, SpeedsAndAccelerationAllocateNothingOnceTheCacheExists) {
    dataset.setSpeedFrameInterval(1000);
    Feed(OneMetrePerSecond(10000), 10001);
    (void)tp->calcPosition(0);
    const int64_t before = qel::bench::AllocationCount();
    double sum = 0;
    for (int32_t t = 0; t < 10000; t += 10) {
        sum += tp->calcSpeed(t, 0) + tp->calcAcceleration(t) + tp->calcSpeed3D(t, 0);
    }
    EXPECT_EQ(qel::bench::AllocationCount() - before, 0);
    EXPECT_GT(sum, 0);
}

// --- The other speeds ---

// With a frame of 0 every speed would be 0 / 0.
TEST_F(MotionValues, FrameOfZeroGivesZeroInEverySpeed) {
    dataset.setSpeedFrameInterval(0);
    Feed(OneMetrePerSecond(3000), 3001);
    MakeIndex(std::vector<int32_t>(31, 0));
    bool valid = true;
    EXPECT_EQ(tp->calcSpeedOld(1500, valid, 0), 0);
    EXPECT_FALSE(valid);
    EXPECT_EQ(tp->calcSpeed3D(1500, 0), 0);
    EXPECT_EQ(tp->calcSpeed2(1500, 0), 0);
}

TEST_F(MotionValues, SpeedOldFromBothEndsOfTheFrame) {
    dataset.setSpeedFrameInterval(500);
    Feed(OneMetrePerSecond(3000), 3001);
    bool valid = false;
    EXPECT_NEAR(tp->calcSpeedOld(1500, valid, 0), 1.0, kTolerance);
    EXPECT_TRUE(valid);
    // The frame ends after the last sample but inside the dataset: no position there.
    dataset.setDurationInMS(6001);
    EXPECT_EQ(tp->calcSpeedOld(5000, valid, 0), 0);
    EXPECT_FALSE(valid);
}

// Cumulative distance 1 m a slot; slot 20 on 3 m a slot.
TEST_F(MotionValues, Speed2DividesTheIndexDistanceByTheActualSpan) {
    std::vector<int32_t> distances;
    for (int32_t s = 0; s <= 30; ++s) {
        distances.push_back(s <= 20 ? s * 1000 : 20000 + (s - 20) * 3000);
    }
    MakeIndex(distances);
    dataset.setDurationInMS(3001);
    EXPECT_NEAR(tp->calcSpeed2(1000, 500), 10.0, kTolerance);
    // Clipped at the start: 0 .. 500 ms over 0.5 s.
    EXPECT_NEAR(tp->calcSpeed2(0, 500), 10.0, kTolerance);
    EXPECT_NEAR(tp->calcSpeed2(2200, 200), 30.0, kTolerance);
    // At the last millisecond plus the frame the span is 3000 .. 3000.
    EXPECT_EQ(tp->calcSpeed2(3500, 500), 0);
}

// Samples until 1000 ms, none until 3060 ms, then 3 mm/ms along X and 4 mm/ms up. In the frame
// 2850 .. 3250 the grid time 3050 has no sample within 2 s before it; 2850 .. 3000 read the sample
// at 3060; the others 3100, 3160, 3200, 3260.
TEST_F(MotionValues, Speed3DAddsNothingForPairsWithALostPosition) {
    Track track = Every20ms(0, 1000, [](int32_t) { return 10000; });
    for (int32_t t = 3060; t <= 5000; t += 20) {
        track.push_back({t, 10000 + 3 * (t - 3060), 5000, 1500 + 4 * (t - 3060)});
    }
    Feed(track, 5001);
    ASSERT_FALSE(tp->calcPosition(3050).OnField);
    // 3-D steps of 5 mm/ms: 3100 -> 3160 -> 3200 -> 3260 are 300 + 200 + 300 mm in 0.4 s.
    EXPECT_NEAR(tp->calcSpeed3D(3050, 200), 2.0, kTolerance);
    // The reference speed skips the lost position and measures in the plane: 3060 -> 3100 too,
    // 120 + 180 + 120 + 180 mm.
    bool valid = false;
    EXPECT_NEAR(tp->calcSpeed(3050, valid, 200), 1.5, kTolerance);
    EXPECT_TRUE(valid);
}

TEST_F(MotionValues, SpeedStoredWithTheRawSample) {
    Track track{{2000, 1000}, {3000, 1000}};
    track[0].SpeedMMS = 1000;
    track[1].SpeedMMS = 2500;
    Feed(track, 5000);
    struct {
        int32_t TimeInMS;
        double Speed;
    } cases[] = {{2500, 1.0}, {3999, 2.5}, {1500, 1.0}, {4001, 0}, {999, 0}, {3000, 2.5}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(tp->calcSpeedRAW(c.TimeInMS), c.Speed) << c.TimeInMS;
    }
    EXPECT_EQ(tp->calcSpeedFiltered(2500), 0);
}

// --- Accelerations ---

struct AccelerationCase {
    const char* Name;
    Track Input;
    int32_t TimeInMS;
    int32_t AccelFrame;
    double Acceleration;
};

void PrintTo(const AccelerationCase& aCase, std::ostream* anOut) {
    *anOut << aCase.Name;
}

class Acceleration : public MotionValues, public ::testing::WithParamInterface<AccelerationCase> {};

// Speed frames of 20 ms, acceleration frames of 50 ms: the speed at t - 50 and at t + 50, each
// from the two positions 20 ms to either side.
TEST_P(Acceleration, FromTwoReferenceSpeeds) {
    const AccelerationCase& c = GetParam();
    dataset.setSpeedFrameInterval(20);
    dataset.setAccelFrameInterval(c.AccelFrame);
    Feed(c.Input, 3001);
    EXPECT_NEAR(tp->calcAcceleration(c.TimeInMS), c.Acceleration, kTolerance);
}

// The step at 1050 lies between the samples 1040 and 1060: the speed at 1050 (positions 1030 ->
// sample 1040, 1070 -> sample 1080) sees all of it, the speed at 950 none. A step at 50 is seen
// by the speed at 50 (of 0 .. 50 at the start), one at 2950 by the speed at 2950 (of 2950 .. 3000
// at the end); both ends divide by 0.1 s.
INSTANTIATE_TEST_SUITE_P(
    MotionValues, Acceleration,
    ::testing::Values(AccelerationCase{"BothSpeedsValid", StepAt(1050, 700), 1000, 50, 175},
                      AccelerationCase{"OneSpeedAboveMaxSpeed", StepAt(1050, 900), 1000, 50, 0},
                      AccelerationCase{"AtTheStart", StepAt(50, 500), 0, 50, 125},
                      AccelerationCase{"AtTheEnd", StepAt(2950, 500), 3000, 50, -125},
                      AccelerationCase{"NearTheEnd", StepAt(2950, 500), 2990, 50, -125},
                      AccelerationCase{"FrameOfZero", StepAt(1050, 700), 1000, 0, 0},
                      AccelerationCase{"NegativeFrame", StepAt(1050, 700), 1000, -50, 0},
                      AccelerationCase{"NoSamples", {}, 1000, 50, 0}),
    [](const ::testing::TestParamInfo<AccelerationCase>& anInfo) { return anInfo.param.Name; });

// Counts of the 8 g range: 14 a g. Samples at 900 (4 g), 1000 (1 g), 1030 (2 g) and 1100 (4 g).
TEST_F(MotionValues, AccelerometerMagnitudeWeightedByTime) {
    EXPECT_EQ(tp->calcAcceleration2(1000), 1.0);
    tp->AddSample(900, AccelerometerSample(56, 0, 0, true));
    tp->AddSample(1000, AccelerometerSample(14, 0, 0, true));
    tp->AddSample(1030, AccelerometerSample(0, 28, 0, true));
    tp->AddSample(1100, AccelerometerSample(0, 0, -56, true));
    ASSERT_TRUE(tp->AccelerometerSample(0).HighRange());

    const double w0 = dataset.getAccelerometerWeight(0);
    const double w30 = dataset.getAccelerometerWeight(30);
    ASSERT_GT(w0, w30);
    ASSERT_GT(w30, 0);
    // The window is the open (925, 1075): 900 and 1100 lie outside.
    EXPECT_NEAR(tp->calcAcceleration2(1000), (1 * w0 + 2 * w30) / (w0 + w30), kTolerance);
    // t - 75 before the first sample: at rest.
    EXPECT_EQ(tp->calcAcceleration2(970), 1.0);
    // Only the sample at 900 lies at or before the window, none inside it.
    EXPECT_EQ(tp->calcAcceleration2(2000), 1.0);
    const double w70 = dataset.getAccelerometerWeight(-70);
    EXPECT_NEAR(tp->calcAcceleration2(1100), (2 * w70 + 4 * w0) / (w70 + w0), kTolerance);
}

// Counts of the 2 g range: 56 a g. The 10 Hz entries: slot 10 the sample at 1000, slot 11 the
// one at 1160, the slots before -1.
TEST_F(MotionValues, AccelerometerAxisOfTheFirstSampleAtOrAfterTheTime) {
    tp->AddSample(1000, AccelerometerSample(56, -112, 28, false));
    tp->AddSample(1160, AccelerometerSample(-28, 0, 0, false));
    struct {
        int32_t TimeInMS;
        int32_t Axis;
        double Value;
    } cases[] = {{1000, 0, 1.0},  {1000, 1, -2.0}, {1000, 2, 0.5}, {1000, 3, 0},
                 {1050, 0, -0.5}, {1161, 0, 0},    {950, 0, 0},    {-50, 0, 0},
                 {-150, 0, 0},    {500000, 0, 0},  {3000000, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(tp->calcAccelerationAxis(c.TimeInMS, c.Axis), c.Value)
            << c.TimeInMS << " axis " << c.Axis;
    }
}

// --- Distances ---

TEST_F(MotionValues, DistanceFromTheCumulativeIndex) {
    std::vector<int32_t> distances(31, 0);
    for (int32_t s = 0; s <= 12; ++s) {
        distances[static_cast<size_t>(s)] = s * 1000;
    }
    distances[13] = 14000;
    // A slot of 30 km: 99 x its step does not fit 32 bits.
    for (int32_t s = 14; s <= 20; ++s) {
        distances[static_cast<size_t>(s)] = 14000;
    }
    for (int32_t s = 21; s <= 30; ++s) {
        distances[static_cast<size_t>(s)] = 30014000;
    }
    MakeIndex(distances);
    struct {
        int32_t Start;
        int32_t End;
        double Distance;
    } cases[] = {
        {1000, 1250, 3.0},    // end between slots 12 and 13
        {1000, 1200, 2.0},    // end on slot 12
        {1050, 1200, 1.5},    // start between slots 10 and 11
        {-1, 1200, 0},        // no slot before 0
        {1200, 1200, 0},      // s0 = s1
        {1250, 1200, 0},      // the wrong way round
        {2099, 2100, 300.0},  // 99 x 30,000,000 mm needs 64 bits
        {0, 3900, 30014.0},   // up to 9 slots beyond the index: its last slot
        {0, 4100, 0},         // further out: none
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(tp->calcDistance(c.Start, c.End), c.Distance, kTolerance)
            << c.Start << " .. " << c.End;
    }
}

// Cumulative distances at 1000 (1 m), 2000 (3 m), 3000 (6 m) and 8000 (10 m).
TEST_F(MotionValues, DistanceFromTheRawSamples) {
    Track track{{1000, 1000}, {2000, 1000}, {3000, 1000}, {8000, 1000}};
    track[0].DistanceInMM = 1000;
    track[1].DistanceInMM = 3000;
    track[2].DistanceInMM = 6000;
    track[3].DistanceInMM = 10000;
    Feed(track, 9000);
    struct {
        int32_t Start;
        int32_t End;
        double Distance;
    } cases[] = {
        {1500, 2500, 5.0},  // 1000 before the start, 3000 after the end, both within 2 s
        {0, 2500, 5.0},     // nothing before 0: the first sample within the span
        {4000, 8500, 4.0},  // nothing after the newest sample: the last within the span
        {500, 900, 0},      // no sample within the span
        {5500, 6000, 0},    // beyond 2 s of every sample
        {9000, 9500, 0},    // at or after the newest sample
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(tp->calcDistanceRAW(c.Start, c.End), c.Distance, kTolerance)
            << c.Start << " .. " << c.End;
    }
}

// --- Direction and frequency ---

TEST_F(MotionValues, DirectionPointsBackToTheEarlierPosition) {
    Track track = OneMetrePerSecond(1000);
    for (int32_t t = 1020; t <= 2000; t += 20) {
        track.push_back({t, 11000, 5000 + (t - 1000)});
    }
    Feed(track, 2001);
    EXPECT_NEAR(tp->calcDirection(800, 500), std::numbers::pi, kTolerance);
    EXPECT_NEAR(tp->calcDirection(2000, 500), 1.5 * std::numbers::pi, kTolerance);
    EXPECT_EQ(tp->calcDirection(800, 0), 0);
}

TEST_F(MotionValues, FrequencyOverTheLastFourIntervals) {
    Track track;
    for (int32_t t = 0; t <= 1000; t += 25) {
        track.push_back({t, 1000});
    }
    Feed(track, 1001);
    EXPECT_EQ(tp->calcFrequency(75), 0);  // the fourth sample
    EXPECT_DOUBLE_EQ(tp->calcFrequency(100), 40.0);
    EXPECT_DOUBLE_EQ(tp->calcFrequency(3000), 40.0);
    EXPECT_EQ(tp->calcFrequency(3001), 0);  // beyond 2 s
}

// --- Place ---

TEST_F(MotionValues, SectorBoxHasItsLeftAndBottomEdgesInside) {
    RqelFieldSectorDef sector;
    sector.Box = {{0, 10000}, {20000, 0}};
    struct {
        int32_t XinMM;
        int32_t YinMM;
        bool Inside;
    } cases[] = {{0, 5000, true},       {20000, 5000, false}, {10000, 0, true},
                 {10000, 10000, false}, {-1, 5000, false},    {19999, 9999, true}};
    for (const auto& c : cases) {
        RqelCalculatedPosition metres;
        metres.XinM = c.XinMM / 1000.0;
        metres.YinM = c.YinMM / 1000.0;
        EXPECT_EQ(TqelTransponderData::isInSector(sector, metres), c.Inside)
            << c.XinMM << ", " << c.YinMM;
        EXPECT_EQ(TqelTransponderData::isInSector(sector, RqelFieldPosition{c.XinMM, c.YinMM}),
                  c.Inside)
            << c.XinMM << ", " << c.YinMM << " mm";
    }
}

TEST_F(MotionValues, OnFieldOnlyWithAPositionInTheMeasureBox) {
    dataset.setDurationInMS(2000);
    EXPECT_FALSE(tp->isOnField(1000));
    Feed(Every20ms(0, 1000, [](int32_t) { return 54000; }) +
             Every20ms(1020, 2000, [](int32_t) { return 56000; }),
         2001);
    EXPECT_TRUE(tp->isOnField(500));
    EXPECT_FALSE(tp->isOnField(1500));
    // Clamped to the dataset: the last position.
    EXPECT_FALSE(tp->isOnField(5000));
    EXPECT_TRUE(tp->isOnField(-5));
    RqelCalculatedPosition onAxis;
    onAxis.XinM = 0;
    onAxis.YinM = 3;
    EXPECT_FALSE(tp->isOnField(onAxis));
    TqelTransponderData peer(nullptr, false);
    EXPECT_FALSE(peer.isOnField(0));
}

TEST_F(MotionValues, GPSPositionIsTheFieldsConversionOfThePosition) {
    RqelGPSPosition origin;
    origin.setLatitude(47.5);
    origin.setLongitude(8.25);
    origin.setDirection(0.3);
    dataset.Field()->SetGPSFieldLocation(origin);
    Feed(OneMetrePerSecond(2000), 2001);
    const RqelGPSPosition expected = dataset.Field()->calcGPSPosition(tp->calcPosition(1500));
    const RqelGPSPosition actual = tp->calcGPSPosition(1500);
    EXPECT_EQ(actual.XinMM(), expected.XinMM());
    EXPECT_EQ(actual.YinMM(), expected.YinMM());
    EXPECT_TRUE(actual.Valid());
    EXPECT_DOUBLE_EQ(actual.Latitude(), expected.Latitude());
    EXPECT_DOUBLE_EQ(actual.Longitude(), expected.Longitude());
    EXPECT_DOUBLE_EQ(tp->calcLatitude(1500), expected.Latitude());
    EXPECT_DOUBLE_EQ(tp->calcLongitude(1500), expected.Longitude());
    EXPECT_NE(expected.Latitude(), 47.5);
}

TEST_F(MotionValues, EveryPlaceIsOnTheIceWithoutAShiftsAnalysis) {
    EXPECT_TRUE(tp->isOnIce(1000, 200.0, -300.0));
}

}  // namespace
