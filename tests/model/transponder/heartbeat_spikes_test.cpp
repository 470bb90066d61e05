#include <gtest/gtest.h>

#include <random>

#include "model/transponder/heartbeat_spikes.h"

namespace {

using qel::HeartbeatSpikeFilter;

std::vector<double> Steady(int aCount, double aBPM = 120) {
    return std::vector<double>(aCount, aBPM);
}

std::vector<double> Join(std::vector<double> a, const std::vector<double>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(HeartbeatSpikes, FlagsAndReplacements) {
    struct Case {
        const char* name;
        std::vector<double> bpm;
        std::vector<uint8_t> flags;
    };
    std::vector<uint8_t> oneSpike(21, 0);
    oneSpike[10] = 120;
    std::vector<uint8_t> leading(11, 0);
    leading[0] = 120;
    std::vector<uint8_t> trailingOutOfRange(11, 0);
    trailingOutOfRange[10] = 1;
    const Case cases[] = {
        {"one 180 among 120s", Join(Join(Steady(10), {180}), Steady(10)), oneSpike},
        {"leading 20", Join({20}, Steady(10)), leading},
        // Nothing after it confirms the steady series, so an in-range last beat is believed.
        {"trailing 180", Join(Steady(10), {180}), std::vector<uint8_t>(11, 0)},
        // Out of range, with no later sample to lean on: flagged without a replacement.
        {"trailing 250", Join(Steady(10), {250}), trailingOutOfRange},
        {"one sample", {20}, {0}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> flags;
        EXPECT_TRUE(HeartbeatSpikeFilter::Run(c.bpm, flags)) << c.name;
        EXPECT_EQ(flags, c.flags) << c.name;
    }
}

TEST(HeartbeatSpikes, AJumpBetweenTwoLevelsIsInterpolated) {
    // A gap of three flagged beats between 100 and 130 lies within 10 bpm per step.
    std::vector<double> bpm = Join(Join(Steady(10, 100), {250, 250, 250}), Steady(10, 130));
    std::vector<uint8_t> flags;
    ASSERT_TRUE(HeartbeatSpikeFilter::Run(bpm, flags));
    EXPECT_EQ(flags[10], 108);
    EXPECT_EQ(flags[11], 115);
    EXPECT_EQ(flags[12], 122);
}

TEST(HeartbeatSpikes, RandomSeriesEndWithinTheStepLimit) {
    std::mt19937 random(31);
    std::uniform_real_distribution<double> beat(20, 260);
    std::vector<double> bpm;
    std::vector<uint8_t> flags;
    for (int series = 0; series < 100000; ++series) {
        bpm.resize(1 + random() % 60);
        for (double& b : bpm) {
            // Mostly steady with bursts of noise, so that both lock states are visited.
            b = random() % 4 == 0 ? beat(random) : 120 + static_cast<int>(random() % 9);
        }
        ASSERT_TRUE(HeartbeatSpikeFilter::Run(bpm, flags)) << series;
    }
}

TEST(HeartbeatSpikes, TrippedStepLimitLeavesEveryFlagZero) {
    std::vector<double> bpm = Join(Join({250, 30}, Steady(10)), {250, 20, 240, 180, 60, 90});
    std::vector<uint8_t> flags(bpm.size(), 7);
    EXPECT_FALSE(HeartbeatSpikeFilter::Run(bpm, flags, 0));
    EXPECT_EQ(flags, std::vector<uint8_t>(bpm.size(), 0));
}

}  // namespace
