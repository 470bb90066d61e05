#include <cmath>

#include "analysis/intensity/mip_fixture.h"
#include "platform/numbers.h"

namespace qel::test {
namespace {

using MIPDistanceInfo = MIPFixture;

// A 25-minute scripted track: the pace changes every few seconds, with spells off the field.
RqelCalculatedPosition Track(int32_t aTimeInMS, double& aX) {
    const int32_t second = aTimeInMS / 1000;
    const double pace = 1.0 + 6.0 * std::fabs(std::sin(second * 0.37)) + (second % 97 < 20 ? 3 : 0);
    aX += pace * 0.01;
    return MIPFixture::At(aX, second % 211 >= 8);
}

TEST_F(MIPDistanceInfo, LiveValuesAgreeWithTheFinalValuesAcrossTheWrap) {
    auto calc = Ready(1500000);
    TqelMIPInfo& mip = *calc->GameSpeedInfo();
    TqelMIPDistanceInfo& live = *calc->MIPDistInfo();
    std::array<double, kMIPWindowCount> best{};
    double x = 0;
    for (int32_t t = 0; t < 1500000; t += 10) {
        const RqelCalculatedPosition pos = Track(t, x);
        Step(mip, t, pos);
        Step(live, t, pos);
        if (t % 1000 == 0) {
            for (int32_t i = 0; i < kMIPWindowCount; ++i) {
                best[i] = std::max(best[i], live.GetValue(i));
            }
        }
    }
    for (int32_t i = 0; i < kMIPWindowCount; ++i) {
        best[i] = std::max(best[i], live.GetValue(i));
    }
    mip.Finalize();
    for (int32_t i = 0; i < kMIPWindowCount; ++i) {
        const double minutes = kMIPWindowLengthsMS[i] / 60000.0;
        const double final = mip.GameSpeedResultDistance().GetValues(i);
        EXPECT_GT(final, 0) << i;
        EXPECT_NEAR(best[i] / minutes, final, 0.005 + 1e-9) << i;
    }
}

TEST_F(MIPDistanceInfo, GetValueGivesTheLargestSumSinceTheLastRead) {
    auto calc = Ready(100000);
    TqelMIPDistanceInfo& live = *calc->MIPDistInfo();
    // 3 m in slot 1, 1 m in each of slots 2 .. 60: the 5 s window peaks at 3 + 49 m.
    Step(live, 0, At(0));
    Step(live, 100, At(3));
    double x = 3;
    for (int32_t slot = 2; slot <= 61; ++slot) {
        x += slot <= 60 ? 1 : 0;
        Step(live, slot * 100, At(x));
    }
    EXPECT_EQ(live.Record(0).ValueCount, 50);
    EXPECT_DOUBLE_EQ(live.GetValue(0), 52);
    EXPECT_DOUBLE_EQ(live.GetValue(0), 50) << "the current sum";
    EXPECT_DOUBLE_EQ(live.GetValue(1), 62);
    EXPECT_EQ(live.GetValue(-1), 0);
    EXPECT_EQ(live.GetValue(kMIPWindowCount), 0);
}

TEST_F(MIPDistanceInfo, RingSlotsAndTheirBounds) {
    auto calc = Ready(1000000, 600100);
    TqelMIPDistanceInfo& live = *calc->MIPDistInfo();
    EXPECT_EQ(live.WriteIndex(), 0) << "slot 6001 wraps like the mapping";
    Step(live, 600100, At(0));
    Step(live, 600150, At(2));
    Step(live, 600200, At(3));
    EXPECT_EQ(live.DistanceIndexValue(0), 2);
    EXPECT_EQ(live.DistanceIndexValue(1), 1);
    EXPECT_EQ(live.DistanceIndexValue(-6000), 1) << "counted back from the end";
    EXPECT_EQ(live.DistanceIndexValue(-6001), 2);
    EXPECT_EQ(live.DistanceIndexValue(-6002), 0);
    EXPECT_EQ(live.DistanceIndexValue(6001), 0);

    // A negative time changes nothing and returns.
    Step(live, -100, At(50));
    EXPECT_EQ(live.WriteIndex(), 1);
    Step(live, 600250, At(4));
    EXPECT_EQ(live.DistanceIndexValue(1), 2) << "the previous position is still the last valid one";
}

}  // namespace
}  // namespace qel::test
