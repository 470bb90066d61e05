// Positions computed from synthetic transponders whose samples went through the intake.

#include <cmath>
#include <numbers>
#include <vector>

#include "transponder_fixture.h"

namespace {

using qel::test::PositionSample;
using qel::test::SignalLog;

constexpr double kNoPosition = 99999.999;
// Antenna ids registered as the transponder's antennas 1 to 4 (slot 4 is stored as 0).
constexpr uint16_t kFirstAntenna = 11;

struct Sample {
    int32_t TimeInMS;
    int32_t XinMM;
    int32_t YinMM;
    int Antenna = 1;
};
using Samples = std::vector<Sample>;

// Samples every aStepMS from aFrom to aTo (both included) at one place.
Samples Track(int32_t aFrom, int32_t aTo, int32_t aStepMS, int32_t aXinMM, int32_t aYinMM) {
    Samples samples;
    for (int32_t t = aFrom; t <= aTo; t += aStepMS) {
        samples.push_back({t, aXinMM, aYinMM});
    }
    return samples;
}

Samples operator+(Samples aFirst, const Samples& aSecond) {
    aFirst.insert(aFirst.end(), aSecond.begin(), aSecond.end());
    return aFirst;
}

// x = t² / 1000 mm every 25 ms: a curve, so that averaging the ends moves the result.
Samples Curve() {
    Samples samples;
    for (int32_t t = 0; t <= 2000; t += 25) {
        samples.push_back({t, t * t / 1000, 5000});
    }
    return samples;
}

// A dataset with the given smoothing settings and one transponder, fed through the intake.
class Synthetic {
public:
    Synthetic(TqelPositionAlgorithm aDatasetAlgorithm, int32_t aSensitivity,
              const Samples& aSamples, int32_t aDurationInMS) {
        dataset.setPositionAlgorithm(aDatasetAlgorithm);
        dataset.setPositionSensitivity(aSensitivity);
        for (int antenna = 1; antenna <= 4; ++antenna) {
            dataset.setAntennaEntry(kFirstAntenna + antenna - 1,
                                    {0, static_cast<uint8_t>(antenna)});
        }
        tp = std::make_unique<TqelTransponderData>(&dataset, false);
        tp->setTPid(17);
        for (const Sample& s : aSamples) {
            tp->AddSample(s.TimeInMS,
                          PositionSample(s.XinMM, s.YinMM,
                                         static_cast<uint16_t>(kFirstAntenna + s.Antenna - 1)));
        }
        dataset.setDurationInMS(aDurationInMS);
    }

    TqelDataset dataset;
    std::unique_ptr<TqelTransponderData> tp;
};

struct PositionCase {
    const char* Name;
    TqelPositionAlgorithm DatasetAlgorithm;
    int32_t Sensitivity;
    TqelPositionAlgorithm Algorithm;
    bool Ball;
    Samples Input;
    int32_t DurationInMS;
    int32_t TimeInMS;
    bool OnField;
    double XinM;
    double YinM;
    double Angle = 0;
    int32_t SpikeLow = 0;
    int32_t SpikeHigh = 0;
};

// 40 Hz at (10 m, 20 m) around 5000 ms, the samples up to 4925 ms 20 m further on: a jump of
// 20 m in 25 ms between 4925 and 4950, two samples before the time.
Samples JumpBeforeTime() {
    return Track(4500, 4925, 25, 30000, 20000) + Track(4950, 5500, 25, 10000, 20000);
}

const std::vector<PositionCase>& Cases() {
    static const std::vector<PositionCase> cases = {
        {"NoSamplesLastKnown",
         posLastKnown,
         75,
         posLastKnown,
         false,
         {},
         0,
         0,
         false,
         kNoPosition,
         kNoPosition},
        {"NoSamplesClosestKnown",
         posLastKnown,
         75,
         posClosestKnown,
         false,
         {},
         0,
         0,
         false,
         kNoPosition,
         kNoPosition},
        {"NoSamplesLinear",
         posLastKnown,
         75,
         posLinearInterpolation,
         false,
         {},
         0,
         0,
         false,
         kNoPosition,
         kNoPosition},
        {"NoSamplesWeighted",
         posLastKnown,
         75,
         posWeightedAverage,
         false,
         {},
         0,
         0,
         false,
         kNoPosition,
         kNoPosition},
        {"NoSamplesSportVU",
         posLastKnown,
         75,
         posWeightedSportVU,
         false,
         {},
         0,
         0,
         false,
         kNoPosition,
         kNoPosition},
        // Without the clamp neither time would find a sample within 2 s.
        {"NegativeTimeIsZero",
         posLastKnown,
         1,
         posLastKnown,
         false,
         {{0, 1000, 2000}, {3000, 4000, 5000}},
         5000,
         -5000,
         true,
         1.0,
         2.0},
        {"TimeBeyondDurationIsDuration",
         posLastKnown,
         1,
         posLastKnown,
         false,
         {{0, 1000, 2000}, {5000, 4000, 5000}},
         5000,
         9000,
         true,
         4.0,
         5.0},
        {"ClosestKnownTieGoesToLater",
         posClosestKnown,
         1,
         posClosestKnown,
         false,
         {{960, 1000, 1000}, {1040, 2000, 2000}},
         2000,
         1000,
         true,
         2.0,
         2.0},
        {"ClosestKnownNearerEarlier",
         posClosestKnown,
         1,
         posClosestKnown,
         false,
         {{970, 1000, 1000}, {1040, 2000, 2000}},
         2000,
         1000,
         true,
         1.0,
         1.0},
        {"LastKnown2000Back",
         posLastKnown,
         1,
         posLastKnown,
         false,
         {{1000, 1500, 2500}},
         5000,
         3000,
         true,
         1.5,
         2.5},
        {"LastKnown2001Back",
         posLastKnown,
         1,
         posLastKnown,
         false,
         {{1000, 1500, 2500}},
         5000,
         3001,
         false,
         kNoPosition,
         kNoPosition},
        {"LinearAtNewestSample",
         posLinearInterpolation,
         1,
         posLinearInterpolation,
         false,
         {{1000, 1000, 1000}, {1100, 2000, 2000}},
         5000,
         1100,
         false,
         kNoPosition,
         kNoPosition},
        {"LinearAfterNewestSample",
         posLinearInterpolation,
         1,
         posLinearInterpolation,
         false,
         {{1000, 1000, 1000}, {1100, 2000, 2000}},
         5000,
         1150,
         false,
         kNoPosition,
         kNoPosition},
        {"LinearGap10000",
         posLinearInterpolation,
         1,
         posLinearInterpolation,
         false,
         {{1000, 1000, 3000}, {11000, 11000, 3000}},
         20000,
         6000,
         true,
         6.0,
         3.0},
        {"LinearGap10001",
         posLinearInterpolation,
         1,
         posLinearInterpolation,
         false,
         {{1000, 1000, 3000}, {11001, 11000, 3000}},
         20000,
         6000,
         false,
         kNoPosition,
         kNoPosition},
        // The bracketing samples 1000 (1.000 m) and 1025 (1.050 m).
        {"LinearSensitivity1", posLinearInterpolation, 1, posLinearInterpolation, false, Curve(),
         2000, 1010, true, 1.02, 5.0},
        // Ends averaged over 100 ms: 925..1000 (0.92675 m at 962 ms) and 1025..1100 (1.12925 m
        // at 1062 ms).
        {"LinearSensitivity10", posLinearInterpolation, 10, posLinearInterpolation, false, Curve(),
         2000, 1010, true, 0.92675 + 48 * (1.12925 - 0.92675) / 100, 5.0},
        {"LinearSkipsUnusableNeighbour",
         posLinearInterpolation,
         1,
         posLinearInterpolation,
         false,
         {{1000, 1000, 1000}, {1050, 0, 0}, {1100, 3000, 1000}},
         5000,
         1050,
         true,
         2.0,
         1.0},
        // Whatever the weights: the mean of the two antennas' means, no angle.
        {"WeightedAntennas1And3",
         posWeightedAverage,
         75,
         posWeightedAverage,
         false,
         {{4900, 10000, 20000, 1}, {5300, 14000, 30000, 3}},
         10000,
         5000,
         true,
         12.0,
         25.0},
        // Slot 3 lies east of slot 0 (antenna 4): the angle points back west.
        {"WeightedAntennas4And3",
         posWeightedAverage,
         75,
         posWeightedAverage,
         false,
         {{4900, 10000, 20000, 4}, {5300, 14000, 20000, 3}},
         10000,
         5000,
         true,
         12.0,
         20.0,
         std::numbers::pi},
        // The window is open: samples 999 ms away are left out.
        {"WeightedOpenWindow",
         posWeightedAverage,
         75,
         posWeightedAverage,
         false,
         {{4001, 50000, 50000}, {5998, 10000, 20000}, {5999, 60000, 60000}},
         10000,
         5000,
         true,
         10.0,
         20.0},
        {"WeightedOutsideWindow",
         posWeightedAverage,
         75,
         posWeightedAverage,
         false,
         {{4000, 10000, 20000}, {6000, 10000, 20000}},
         10000,
         5000,
         false,
         kNoPosition,
         kNoPosition},
        // Sensitivity 0 has no Gaussian: the kernel counts only the time itself, never NaN.
        {"WeightedSensitivity0AtSample",
         posWeightedAverage,
         0,
         posWeightedAverage,
         false,
         {{4975, 10000, 20000}, {5000, 11000, 21000}, {5025, 12000, 22000}},
         10000,
         5000,
         true,
         11.0,
         21.0},
        {"WeightedSensitivity0BetweenSamples",
         posWeightedAverage,
         0,
         posWeightedAverage,
         false,
         {{4975, 10000, 20000}, {5025, 12000, 22000}},
         10000,
         5000,
         false,
         kNoPosition,
         kNoPosition},
        {"SportVUSensitivity0", posWeightedSportVU, 0, posWeightedSportVU, false,
         Track(4900, 5100, 25, 10000, 20000), 10000, 5010, false, kNoPosition, kNoPosition},
        // The kernel follows the dataset: under last known a ball's weighted average takes only
        // the sample at the time.
        {"BallWeightedUnderLastKnown",
         posLastKnown,
         75,
         posWeightedAverage,
         true,
         {{4975, 10000, 20000}, {5000, 11000, 21000}, {5025, 12000, 22000}},
         10000,
         5000,
         true,
         11.0,
         21.0},
        {"SportVUThreeUsable",
         posWeightedSportVU,
         75,
         posWeightedSportVU,
         false,
         {{4950, 10000, 20000}, {4975, 0, 0}, {5000, 10000, 20000}, {5050, 10000, 20000}},
         10000,
         5000,
         false,
         kNoPosition,
         kNoPosition},
        {"SportVUFourUsable",
         posWeightedSportVU,
         75,
         posWeightedSportVU,
         false,
         {{4950, 10000, 20000},
          {4975, 10000, 20000},
          {5000, 10000, 20000},
          {5050, 10000, 20000},
          {5075, 10000, 20000}},
         10000,
         5000,
         true,
         10.0,
         20.0},
        {"SportVUJumpBeforeTime", posWeightedSportVU, 75, posWeightedSportVU, false,
         JumpBeforeTime(), 10000, 5000, true, 10.0, 20.0, 0, 4950},
        {"SportVUPauseAfterTime", posWeightedSportVU, 75, posWeightedSportVU, false,
         Track(4500, 5100, 25, 10000, 20000) + Track(5350, 5500, 25, 10000, 20000), 10000, 5000,
         true, 10.0, 20.0, 0, 0, 5100},
        {"SportVUNoSampleWithin999After", posWeightedSportVU, 75, posWeightedSportVU, false,
         Track(4500, 4975, 25, 10000, 20000) + Samples{{6000, 10000, 20000}}, 10000, 5000, false,
         kNoPosition, kNoPosition},
        {"SportVUAtNewestSample", posWeightedSportVU, 75, posWeightedSportVU, false,
         Track(4500, 5000, 25, 10000, 20000), 10000, 5000, true, 10.0, 20.0},
    };
    return cases;
}

class PositionAlgorithms : public ::testing::TestWithParam<PositionCase> {};

TEST_P(PositionAlgorithms, PositionAtTime) {
    const PositionCase& c = GetParam();
    Synthetic s(c.DatasetAlgorithm, c.Sensitivity, c.Input, c.DurationInMS);
    if (c.Ball) {
        s.tp->setRole(roleBall);
    }
    s.tp->SetPositionFunction(c.Algorithm);
    const RqelCalculatedPosition p = s.tp->calcPosition(c.TimeInMS);
    EXPECT_EQ(p.OnField, c.OnField);
    EXPECT_NEAR(p.XinM, c.XinM, 1e-9);
    EXPECT_NEAR(p.YinM, c.YinM, 1e-9);
    EXPECT_NEAR(p.Angle, c.Angle, 1e-12);
    EXPECT_EQ(p.SpikeLow, c.SpikeLow);
    EXPECT_EQ(p.SpikeHigh, c.SpikeHigh);
    EXPECT_EQ(p.TransponderID, 17);
    EXPECT_FALSE(p.ValideForSpeed);
    if (c.OnField) {
        EXPECT_DOUBLE_EQ(p.ZinM, 1.5);
    } else {
        EXPECT_EQ(p.ZinM, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PositionAlgorithms, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<PositionCase>& anInfo) {
                             return std::string(anInfo.param.Name);
                         });

TEST(PositionAlgorithmsBall, AJumpOfTheBallStaysInTheRun) {
    Synthetic s(posWeightedSportVU, 75, JumpBeforeTime(), 10000);
    s.tp->setRole(roleBall);
    s.tp->SetPositionFunction(posWeightedSportVU);
    const RqelCalculatedPosition p = s.tp->calcPosition(5000);
    ASSERT_TRUE(p.OnField);
    EXPECT_EQ(p.SpikeLow, 0);
    // The samples 20 m away pull the mean east.
    EXPECT_GT(p.XinM, 10.5);
}

TEST(PositionAlgorithmsLongAverage, MeanOfTheAntennaMeans) {
    Synthetic s(posWeightedAverage, 75,
                {{1000, 10000, 20000, 1},
                 {1500, 20000, 30000, 3},
                 {2000, 12000, 20000, 1},
                 {2500, 20000, 30000, 3},
                 {2600, 20000, 30000, 3},
                 {2700, 0, 0, 3},
                 {9000, 50000, 50000, 1}},
                10000);
    RqelCalculatedPosition p = s.tp->CalcLongAvgPos(500, 5000);
    EXPECT_TRUE(p.OnField);
    EXPECT_DOUBLE_EQ(p.XinM, 15.5);
    EXPECT_DOUBLE_EQ(p.YinM, 25.0);
    EXPECT_EQ(p.TransponderID, 17);
    EXPECT_EQ(p.Angle, 0);

    p = s.tp->CalcLongAvgPos(3000, 8000);
    EXPECT_FALSE(p.OnField);
    EXPECT_EQ(p.XinM, kNoPosition);
}

TEST(PositionAlgorithmsWithoutDataset, NoPosition) {
    TqelTransponderData tp(nullptr, false);
    tp.AddSample(100, PositionSample(1000, 2000));
    const RqelCalculatedPosition p = tp.calcPosition(100);
    EXPECT_FALSE(p.OnField);
    EXPECT_EQ(p.XinM, kNoPosition);
    EXPECT_EQ(tp.PositionAlgorithm(), TqelTransponderData::PositionFunctionUnassigned);
}

TEST(PositionSelection, UnknownAlgorithmIsClosestKnown) {
    Synthetic s(posLastKnown, 1, {{1000, 1000, 1000}, {1040, 2000, 2000}}, 5000);
    s.tp->SetPositionFunction(static_cast<TqelPositionAlgorithm>(9));
    EXPECT_EQ(s.tp->PositionAlgorithm(), posClosestKnown);
    EXPECT_DOUBLE_EQ(s.tp->calcPosition(1030).XinM, 2.0);
}

// --- Cache and override ---

// Moving east at 1 m/s: x = t mm.
Samples Eastward(int32_t aTo) {
    Samples samples;
    for (int32_t t = 25; t <= aTo; t += 25) {
        samples.push_back({t, t, 3000});
    }
    return samples;
}

class PositionCache : public ::testing::Test {
protected:
    PositionCache() : s(posLinearInterpolation, 1, Eastward(6000), 6000) {
        s.dataset.resetCacheStats();
        s.dataset.resetGaussianStats();
    }

    Synthetic s;
};

TEST_F(PositionCache, ATimeAskedTwiceIsOneHit) {
    const RqelCalculatedPosition first = s.tp->calcPosition(3010);
    const RqelCalculatedPosition second = s.tp->calcPosition(3010);
    EXPECT_DOUBLE_EQ(first.XinM, 3.01);
    EXPECT_DOUBLE_EQ(second.XinM, 3.01);
    EXPECT_EQ(s.dataset.CacheRequests(), 2);
    EXPECT_EQ(s.dataset.CacheHits(), 1);
    EXPECT_EQ(s.dataset.GaussianCalculationCount(), 1) << "computed once";
    EXPECT_TRUE(s.tp->PositionCacheAllocated());
}

TEST_F(PositionCache, TheLastSecondOfARecordingIsComputedEachTime) {
    s.dataset.setRecording(true);
    (void)s.tp->calcPosition(5010);
    (void)s.tp->calcPosition(5010);
    EXPECT_EQ(s.dataset.CacheHits(), 0);
    EXPECT_EQ(s.dataset.GaussianCalculationCount(), 2);
    // Just before the last second it is cached again.
    (void)s.tp->calcPosition(5000);
    (void)s.tp->calcPosition(5000);
    EXPECT_EQ(s.dataset.CacheHits(), 1);
    s.dataset.setRecording(false);
}

TEST_F(PositionCache, TheOverrideAnswersItsTimeUntilAnotherIsAsked) {
    s.tp->setTPid(23);
    s.tp->SetTempPosition(5000, 1.5, 2.5);
    for (int round = 0; round < 2; ++round) {
        const RqelCalculatedPosition p = s.tp->calcPosition(5000);
        EXPECT_TRUE(p.OnField);
        EXPECT_EQ(p.XinM, 1.5);
        EXPECT_EQ(p.YinM, 2.5);
        EXPECT_EQ(p.SpikeLow, 5000);
        EXPECT_EQ(p.TransponderID, 23);
    }
    EXPECT_DOUBLE_EQ(s.tp->calcPosition(5100).XinM, 5.1);
    const RqelCalculatedPosition real = s.tp->calcPosition(5000);
    EXPECT_DOUBLE_EQ(real.XinM, 5.0);
    EXPECT_DOUBLE_EQ(real.YinM, 3.0);
    EXPECT_EQ(real.SpikeLow, 0);
}

TEST_F(PositionCache, ASettingChangeClearsTheCacheAndTheCounters) {
    constexpr uint16_t antenna = 40;
    TqelTransponderData* registered = s.dataset.AddTransponder(antenna, nullptr, 0);
    ASSERT_NE(registered, nullptr);
    for (int32_t t = 25; t <= 2000; t += 25) {
        registered->AddSample(t, PositionSample(t, 1000, antenna));
    }
    (void)registered->calcPosition(1010);
    RqelCalculatedPosition cached;
    EXPECT_TRUE(registered->CachedPosition(1010, cached));
    s.dataset.setPositionAlgorithm(posWeightedAverage);
    EXPECT_FALSE(registered->CachedPosition(1010, cached));
    EXPECT_EQ(s.dataset.GaussianCalculationCount(), 0);
    EXPECT_EQ(registered->PositionAlgorithm(), posWeightedAverage);
    EXPECT_TRUE(registered->calcPosition(1010).OnField);
    EXPECT_EQ(s.dataset.GaussianCalculationCount(), 1);
    EXPECT_GT(s.dataset.GaussianUsedSamplesCount(), 70);
}

// --- Marks ---

class PositionStatus : public qel::test::TransponderFixture {
protected:
    PositionStatus() {
        tp->setTPid(31);
        // x = t mm, except 1 m further east from 400 to 600 ms.
        for (int32_t t = 100; t <= 1000; t += 100) {
            tp->AddSample(t, PositionSample(t + (t >= 400 && t <= 600 ? 1000 : 0), 5000));
        }
        dataset.setDurationInMS(1000);
        tp->SetPositionFunction(posLinearInterpolation);
        tp->setPositionSensitivity(1);
        (void)log.Take();
    }
    bool Marked(int32_t aTimeInMS) {
        return tp->GetSample(tp->getSampleIndex(aTimeInMS)).GetStatus() == ldsInvalidated;
    }
    bool SlotMarked(int32_t aSlot) { return tp->Get10HzSlot(aSlot).GetMarked(); }
    QString FilterNotice() const { return QStringLiteral("S changed %1 31").arg(int(itemFilter)); }
};

TEST_F(PositionStatus, MarksTheRangeAfterItsStartAndRestoresIt) {
    EXPECT_DOUBLE_EQ(tp->calcPosition(450).XinM, 1.45);
    tp->setPositionStatus(300, 600, ldsInvalidated);
    EXPECT_EQ((std::vector<bool>{Marked(300), Marked(400), Marked(500), Marked(600), Marked(700)}),
              (std::vector<bool>{false, true, true, true, false}));
    EXPECT_EQ((std::vector<bool>{SlotMarked(3), SlotMarked(4), SlotMarked(5), SlotMarked(6),
                                 SlotMarked(7)}),
              (std::vector<bool>{false, true, true, true, false}));
    EXPECT_TRUE(log.Take().contains(FilterNotice()));
    // The cache was cleared: the marked samples are left out now.
    EXPECT_DOUBLE_EQ(tp->calcPosition(450).XinM, 0.45);

    tp->setPositionStatus(300, 600, ldsOK);
    for (int32_t t : {400, 500, 600}) {
        EXPECT_FALSE(Marked(t)) << t;
        EXPECT_FALSE(SlotMarked(t / 100)) << t;
    }
    EXPECT_TRUE(log.Take().contains(FilterNotice()));
    EXPECT_DOUBLE_EQ(tp->calcPosition(450).XinM, 1.45);
}

TEST_F(PositionStatus, ARangeAfterTheNewestSampleOnlyClearsAndNotifies) {
    (void)tp->calcPosition(450);
    RqelCalculatedPosition cached;
    ASSERT_TRUE(tp->CachedPosition(450, cached));
    tp->setPositionStatus(1000, 2000, ldsInvalidated);
    for (int32_t t = 100; t <= 1000; t += 100) {
        EXPECT_FALSE(Marked(t)) << t;
        EXPECT_FALSE(SlotMarked(t / 100)) << t;
    }
    EXPECT_FALSE(tp->CachedPosition(450, cached));
    EXPECT_TRUE(log.Take().contains(FilterNotice()));
    EXPECT_TRUE(dataset.Modified());
}

TEST_F(PositionStatus, RefusedWhileRecording) {
    (void)tp->calcPosition(450);
    dataset.setRecording(true);
    EXPECT_THROW(tp->setPositionStatus(300, 600, ldsInvalidated), qel::EPositionStatusRefused);
    for (int32_t t = 100; t <= 1000; t += 100) {
        EXPECT_FALSE(Marked(t)) << t;
    }
    RqelCalculatedPosition cached;
    EXPECT_TRUE(tp->CachedPosition(450, cached));
    EXPECT_FALSE(log.Take().contains(FilterNotice()));
    dataset.setRecording(false);
}

}  // namespace
