#include <gtest/gtest.h>

#include <new>

#include "allocation_counter.h"
#include "model/transponder/transponder_fixture.h"

namespace {

using qel::test::TelemetrySample;

class HeartbeatEditing : public ::testing::Test {
protected:
    // Heart-rate interval telemetry, one beat per 100 ms.
    void Beats(const std::vector<uint16_t>& anIntervals, uint8_t aType = 0x3C) {
        for (uint16_t interval : anIntervals) {
            transponder->AddSample(time += 100, TelemetrySample(aType, interval));
        }
    }

    TqelDataset dataset;
    TqelTransponderData* transponder = dataset.AddTransponder(qel::test::kAntenna, nullptr, 0);
    int32_t time = 0;
};

TEST_F(HeartbeatEditing, DatasetRemovesTheSpikesOfEveryTransponder) {
    // 512 and 511 are both about 120 bpm (the same word twice is one beat); 341 is 180 bpm.
    std::vector<uint16_t> intervals;
    for (int i = 0; i < 21; ++i) {
        intervals.push_back(i == 10 ? 341 : static_cast<uint16_t>(511 + i % 2));
    }
    Beats(intervals);
    ASSERT_EQ(transponder->HeartbeatCount(), 21);
    dataset.RemoveHeartbeatSpikes();
    EXPECT_TRUE(transponder->HeartbeatFiltered());
    EXPECT_EQ(transponder->HeartbeatSample(10).TelemetryInvalid(), 120);
    EXPECT_EQ(transponder->HeartbeatSample(9).TelemetryInvalid(), 0);
    EXPECT_EQ(transponder->HeartbeatSample(11).TelemetryInvalid(), 0);
}

TEST_F(HeartbeatEditing, DatasetRestoresShowHBSpikesAlsoWhenATransponderRaises) {
    Beats({512, 341, 511});
    dataset.setShowHBSpikes(true);
    dataset.RemoveHeartbeatSpikes();
    EXPECT_TRUE(dataset.ShowHBSpikes());

    EXPECT_THROW(
        {
            qel::bench::ScopedFailingAllocations outOfMemory;
            dataset.RemoveHeartbeatSpikes();
        },
        std::bad_alloc);
    EXPECT_TRUE(dataset.ShowHBSpikes());
}

TEST_F(HeartbeatEditing, ForceTelemetryToSwissTimingKeepsEveryHeartRateTypeAt0x3C) {
    for (uint8_t type = 0x3C; type <= 0x3F; ++type) {
        Beats({static_cast<uint16_t>(500 + type)}, type);
    }
    Beats({0x7800}, 0x38);
    transponder->HeartbeatSample(0).setTelemetryInvalid(9);
    EXPECT_TRUE(transponder->ForceTelemetryToSwissTiming());
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(transponder->HeartbeatSample(i).TelemetryType(), 0x3C) << i;
    }
    EXPECT_EQ(transponder->HeartbeatSample(4).TelemetryType(), 0x38);
    EXPECT_EQ(transponder->HeartbeatSample(0).TelemetryInvalid(), 0);
}

}  // namespace
