#include <random>

#include "analysis/intensity/mip_fixture.h"
#include "model/field/field_bytes.h"
#include "platform/numbers.h"

namespace qel::test {
namespace {

using Metres = std::function<double(int32_t)>;

// One step per 100 ms bucket, buckets 0 .. aBuckets - 1: bucket b (b ≥ 1) covers aMetres(b)
// along X at aSpeed(b).
void RunBuckets(
    TqelMIPInfo& aMIP, int32_t aBuckets, const Metres& aMetres,
    const Metres& aSpeed = [](int32_t) { return 2.0; }) {
    double x = 0;
    for (int32_t b = 0; b < aBuckets; ++b) {
        if (b > 0) {
            x += aMetres(b);
        }
        MIPFixture::Step(aMIP, b * 100, MIPFixture::At(x), aSpeed(b));
    }
}

// The windows summed as a plain loop sums them, from every start.
double BruteForce(const std::vector<double>& aValues, int32_t aCount, int32_t aLastStart) {
    double best = 0;
    for (int32_t s = 0; s <= aLastStart; ++s) {
        double sum = 0;
        for (int32_t k = 0; k < aCount; ++k) {
            sum += aValues[s + k];
        }
        if (s == 0 || sum > best) {
            best = sum;
        }
    }
    return best;
}

using MIPInfo = MIPFixture;

TEST_F(MIPInfo, WindowValuesPerMinuteRoundedToTwoDecimals) {
    struct Case {
        const char* Name;
        int32_t Buckets;
        Metres Distance;
        int32_t Window;
        double Expected;
    } cases[] = {
        {"150 m in the best 30 s", 600, [](int32_t b) { return b >= 100 && b < 400 ? 0.5 : 0.0; },
         3, 300.00},
        {"a 60 s window needs 601 buckets before the last", 600,
         [](int32_t b) { return b >= 100 && b < 400 ? 0.5 : 0.0; }, 4, 0},
        {"123.456 per minute", 700, [](int32_t b) { return b == 50 ? 123.456 : 0.0; }, 4, 123.46},
        {"5.0 s: last bucket 49", 50, [](int32_t) { return 1.0; }, 0, 0},
        {"5.1 s: last bucket 50", 51, [](int32_t) { return 1.0; }, 0, 0},
        // Starts 0 and 1 of 5.2 s: bucket 0 has no distance, buckets 1 .. 50 hold 50 m.
        {"5.2 s: two starts", 52, [](int32_t) { return 1.0; }, 0, 600.00},
        {"the last bucket never enters", 52, [](int32_t b) { return b == 51 ? 50.0 : 0.0; }, 0, 0},
    };
    for (const Case& c : cases) {
        auto calc = Ready(c.Buckets * 100);
        TqelMIPInfo& mip = *calc->GameSpeedInfo();
        RunBuckets(mip, c.Buckets, c.Distance);
        mip.Finalize();
        EXPECT_DOUBLE_EQ(mip.GameSpeedResultDistance().GetValues(c.Window), c.Expected) << c.Name;
    }
}

TEST_F(MIPInfo, StepsOffTheFieldAddNoDistance) {
    auto calc = Ready(1000);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    Step(mip, 0, At(0));
    Step(mip, 100, At(3, false));
    Step(mip, 200, At(6));
    Step(mip, 300, At(10));
    Step(mip, 310, At(11));
    EXPECT_EQ(mip.Bucket(1)->Distance, 0) << "current off the field";
    EXPECT_EQ(mip.Bucket(2)->Distance, 0) << "previous off the field";
    EXPECT_EQ(mip.Bucket(3)->Distance, 5) << "two steps in one bucket";
    EXPECT_EQ(mip.LastIndex(), 3);
}

TEST_F(MIPInfo, HighIntensityDistanceOnlyFromBucketsFasterThanTheThreshold) {
    auto calc = Ready(20000);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    ASSERT_EQ(mip.SprintMinHIDSpeed(), 5.5);
    // 1 m per bucket; 6 m/s in buckets 10 .. 29, exactly 5.5 m/s in 30 .. 59.
    RunBuckets(
        mip, 200, [](int32_t) { return 1.0; },
        [](int32_t b) { return b >= 10 && b < 30 ? 6.0
                               : b < 60          ? 5.5
                                                 : 1.0; });
    mip.Finalize();
    EXPECT_DOUBLE_EQ(mip.GameSpeedResultHID().GetValues(0), 20 * 12);
    EXPECT_DOUBLE_EQ(mip.GameSpeedResultDistance().GetValues(0), 50 * 12);
}

TEST_F(MIPInfo, HeartRateWeightOfTheLastZoneBelowInWholeSecondsOnly) {
    transponder.MaxHeartbeat = 200;
    auto calc = Ready(10000);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    struct Case {
        double Heartbeat;
        double Weight;
    } cases[] = {{0, 0}, {1, 1}, {120, 1}, {121, 2}, {160, 2}, {170, 3}};
    // Bucket 0 is never weighted.
    Step(mip, 0, At(0), 2, 190);
    EXPECT_EQ(mip.Bucket(0)->Heartbeat, 0);
    int32_t second = 1;
    for (const Case& c : cases) {
        Step(mip, second * 1000 - 100, At(0), 2, 190);
        Step(mip, second * 1000, At(0), 2, c.Heartbeat);
        EXPECT_EQ(mip.Bucket(second * 10 - 1)->Heartbeat, 0) << "not a whole second";
        EXPECT_EQ(mip.Bucket(second * 10)->Heartbeat, c.Weight) << c.Heartbeat;
        ++second;
    }
    // Zones out of order: the last in table order whose minimum is below wins.
    definition.HeartbeatZonesRelative().AddZone(3, 10, 20, 7, QStringLiteral("late"), 0, true);
    Step(mip, second * 1000, At(0), 2, 170);
    EXPECT_EQ(mip.Bucket(second * 10)->Heartbeat, 7);
}

TEST_F(MIPInfo, HeartRateValueIsTheWeightPerSecondPerMinute) {
    auto calc = Ready(30000);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    // 170 bpm of 200 (85 %): weight 3 at every whole second.
    for (int32_t t = 0; t < 30000; t += 100) {
        Step(mip, t, At(0), 2, 170);
    }
    mip.Finalize();
    // 5 s window: buckets s .. s + 49 hold five whole seconds of weight 3.
    EXPECT_DOUBLE_EQ(mip.GameSpeedResultHeartbeat().GetValues(0),
                     qel::RoundTo2Decimals(15.0 / 60 * 12));
}

TEST_F(MIPInfo, TheFastSearchGivesThePlainLoopsBits) {
    std::mt19937 random(51);
    std::uniform_real_distribution<double> metres(0, 1.2);
    std::vector<double> values(3000);
    for (double& v : values) {
        v = metres(random);
    }
    // A plateau of equal buckets and a stretch of zeros tie many windows.
    std::fill(values.begin() + 500, values.begin() + 1500, 0.7);
    std::fill(values.begin() + 2000, values.begin() + 2600, 0.0);
    for (int32_t count : {50, 100, 600, 2900}) {
        const int32_t lastStart = static_cast<int32_t>(values.size()) - count;
        EXPECT_EQ(qel::LargestWindowSum(values, count, lastStart),
                  BruteForce(values, count, lastStart))
            << count;
    }
    EXPECT_EQ(qel::LargestWindowSum(values, 50, -1), 0);
    std::vector<double> weights(400, 0);
    for (size_t i = 0; i < weights.size(); i += 10) {
        weights[i] = i % 30 == 0 ? -2.0 : 3.0;
    }
    EXPECT_EQ(qel::LargestWindowSum(weights, 50, 350), BruteForce(weights, 50, 350));

    // Stored values: a long spell in one heart-rate zone ties nearly every window.
    std::vector<double> zone(6000, 0);
    for (size_t i = 10; i < zone.size(); i += 10) {
        zone[i] = i > 4000 && i < 4500 ? 2.54 : 1.71;
    }
    const auto stored = [](double aSum) { return qel::RoundTo2Decimals(aSum / 60 / 0.5); };
    for (const std::vector<double>* column : {&zone, &values}) {
        for (int32_t count : {50, 300, 1800}) {
            const int32_t lastStart = static_cast<int32_t>(column->size()) - count;
            EXPECT_EQ(qel::LargestWindowValue(*column, count, lastStart, stored),
                      stored(BruteForce(*column, count, lastStart)))
                << count;
        }
    }
    EXPECT_EQ(qel::LargestWindowValue(zone, 50, -1, stored), 0);
}

TEST_F(MIPInfo, FinalizeComparesWithTheReferenceValues) {
    transponder.PlayerID = 17;
    int32_t askedFor = 0;
    context.References = [&](int32_t aPlayerID) {
        askedFor = aPlayerID;
        GameSpeedReference values{std::array<double, kMIPWindowCount>{}};
        values->fill(200);
        return values;
    };
    auto calc = Ready(120000);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    EXPECT_EQ(askedFor, 17);
    ASSERT_TRUE(mip.GameSpeedResultDistance().ReferenceValuesLoaded());
    // 1 m per bucket: 600 m per minute in every window that fits, 300 % of 200.
    RunBuckets(mip, 1200, [](int32_t) { return 1.0; });
    mip.Finalize();
    EXPECT_DOUBLE_EQ(mip.GameSpeedResultDistance().PeakOutput(), 300);
    EXPECT_FALSE(mip.GameSpeedResultHID().ReferenceValuesLoaded());

    // The other Init takes the high-intensity speed and references of another object.
    transponder.PlayerID = 0;
    askedFor = 0;
    definition.setSprintMinHIDSpeed(7);
    auto other = Ready(120000);
    TqelMIPInfo& copy = *other->GameSpeedInfo();
    EXPECT_FALSE(copy.GameSpeedResultDistance().ReferenceValuesLoaded());
    EXPECT_EQ(askedFor, 0) << "no athlete, no look-up";
    copy.Init(mip);
    EXPECT_EQ(copy.SprintMinHIDSpeed(), 5.5);
    EXPECT_TRUE(copy.GameSpeedResultDistance().ReferenceValuesLoaded());
    EXPECT_EQ(copy.GameSpeedResultDistance().GetReferenceValue(9), 200);
    EXPECT_EQ(copy.LastIndex(), -1);
}

TEST_F(MIPInfo, BucketsGrowInSteps) {
    auto calc = Ready(0);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    EXPECT_EQ(mip.ArrayCapacity(), 1);
    Step(mip, -150, At(0));
    EXPECT_EQ(mip.LastIndex(), -1) << "before the start";
    Step(mip, 250000, At(0));
    EXPECT_EQ(mip.ArrayCapacity(), 3001);
    EXPECT_EQ(mip.LastIndex(), 2500);
    auto started = Ready(90000, 30000);
    EXPECT_EQ(started->GameSpeedInfo()->ArrayCapacity(), 601);
}

// Three result sets: distance, heart rate, high-intensity distance.
QByteArray ResultBlocks() {
    FieldBytes b;
    for (int set = 0; set < 3; ++set) {
        b.f64(95.5 + set).f64(88.25).i32(10);
        for (int i = 0; i < 10; ++i) {
            b.f64(100 + i + set * 10);
        }
        for (int i = 0; i < 10; ++i) {
            b.f64(set == 0 ? 200 - i : 0);
        }
        b.u8(0);
    }
    return b.data();
}

TEST_F(MIPInfo, HandWrittenBlockReadsAndWritesBackExactly) {
    auto calc = Ready(1000);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    const QByteArray block = ResultBlocks();
    ASSERT_TRUE(ReadObject(mip, block, 151));
    EXPECT_EQ(mip.GameSpeedResultDistance().PeakOutput(), 95.5);
    EXPECT_EQ(mip.GameSpeedResultHeartbeat().GetValues(0), 110);
    EXPECT_EQ(mip.GameSpeedResultHID().GetValues(9), 129);
    EXPECT_EQ(mip.GameSpeedResultDistance().GetReferenceValue(1), 199);
    EXPECT_EQ(WrittenObject(mip), block);
    EXPECT_TRUE(ReadObject(mip, QByteArray(), 149)) << "older files hold no block";
}

TEST_F(MIPInfo, TheCalculationStreamCarriesOnlyTheResults) {
    auto calc = Ready(2000);
    ASSERT_NE(calc->MIPDistInfo(), nullptr);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    RunBuckets(mip, 20, [](int32_t) { return 1.0; });
    mip.GameSpeedResultHID().SetValues(2, 12.5);
    const QByteArray written = WrittenBlock(*calc);
    TqelCalculation read(&transponder, nullptr, {}, true, &context);
    ASSERT_TRUE(ReadBlock(read, written, 151));
    ASSERT_NE(read.GameSpeedInfo(), nullptr);
    EXPECT_EQ(read.GameSpeedInfo()->GameSpeedResultHID().GetValues(2), 12.5);
    EXPECT_EQ(read.MIPDistInfo(), nullptr) << "the live object is never streamed";
    EXPECT_EQ(WrittenBlock(read), written);
}

}  // namespace
}  // namespace qel::test
