#include "model/transponder/game_records.h"

#include <gtest/gtest.h>

#include "model/transponder/record_stream.h"

namespace {

// Written from the clock sample's layout: 90,000 ms; period 2, guest 3, home 5, 1,140 s, running.
const uint8_t kClock[8] = {0x90, 0x5F, 0x01, 0x00, 0x32, 0x45, 0x47, 0x80};
const uint8_t kBall[4] = {0x07, 0x02, 0x01, 0x00};

}  // namespace

TEST(ClockSample, WritesAndReadsTheHandWrittenBytes) {
    RqelClockSample sample;
    sample.SetValues(90000, 1140, 2, 5, 3, true);
    EXPECT_EQ(WrittenBytes(sample), Fixture(kClock));

    const auto read = ReadRecord<RqelClockSample>(kClock);
    EXPECT_EQ(read.GetDatasetTimeInMS(), 90000);
    EXPECT_EQ(read.GetPeriod(), 2);
    EXPECT_EQ(read.GetGoalGuest(), 3);
    EXPECT_EQ(read.GetGoalHome(), 5);
    EXPECT_EQ(read.GetGameTimeInS(), 1140);
    EXPECT_TRUE(read.GetRunning());
}

TEST(ClockSample, FieldsAreMaskedToTheirWidths) {
    RqelClockSample sample;
    sample.SetValues(-1, 600000, 17, 16, 31, false);
    EXPECT_EQ(sample.GetDatasetTimeInMS(), -1);
    EXPECT_EQ(sample.GetGameTimeInS(), 600000 - 524288);
    EXPECT_EQ(sample.GetPeriod(), 1);
    EXPECT_EQ(sample.GetGoalHome(), 0);
    EXPECT_EQ(sample.GetGoalGuest(), 15);
    EXPECT_FALSE(sample.GetRunning());

    // Each setter changes its own field only.
    const auto reference = ReadRecord<RqelClockSample>(kClock);
    RqelClockSample s = reference;
    s.SetPeriod(17);
    EXPECT_EQ(s.value1(), (reference.value1() & ~0xFu) | 1);
    s = reference;
    s.SetGoalGuest(16);
    EXPECT_EQ(s.value1(), reference.value1() & ~0xF0u);
    s = reference;
    s.SetGoalHome(-1);
    EXPECT_EQ(s.value1(), reference.value1() | 0xF00u);
    s = reference;
    s.SetRunning(false);
    EXPECT_EQ(s.value1(), reference.value1() & 0x7FFFFFFFu);
    s = reference;
    s.SetDatasetTimeInMS(5);
    EXPECT_EQ(s.value1(), reference.value1());
    EXPECT_EQ(s.GetDatasetTimeInMS(), 5);

    s.Clear();
    EXPECT_EQ(WrittenBytes(s), QByteArray(8, '\0'));
}

TEST(BallData, FourBytesInOrder) {
    RqelBallData data{7, 2, 1, 0};
    EXPECT_EQ(WrittenBytes(data), Fixture(kBall));
    data.Clear();
    EXPECT_EQ(WrittenBytes(data), QByteArray(4, '\0'));
}
