#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <cstring>

#include "model/blocks/block_stream.h"
#include "model/blocks/time_recorder.h"
#include "model/dataset/dataset.h"
#include "model/transponder/record_stream.h"
#include "platform/binary_stream.h"

namespace qel::test {
namespace {

constexpr double MSPerDayD = 86400000.0;
// 2023-03-15 00:00 as a date-time, and in ms.
constexpr double Day = 45000.0;
constexpr int64_t DayMS = 3'888'000'000'000;

TDateTime AtMS(int64_t aRealTimeMS) {
    return static_cast<double>(aRealTimeMS) / MSPerDayD;
}

class TimeRecorderTest : public ::testing::Test {
protected:
    TimeRecorderTest() { dataset.setTimestamp(Day - 1); }

    // Pairs 1 s apart, then a span of 2,999 s whose interpolation product passes 32 bits.
    void AddThreePairs() {
        recorder.AddTime(1000, Day);
        recorder.AddTime(2000, Day + 1000 / MSPerDayD);
        recorder.AddTime(3'001'000, Day + 3'001'500 / MSPerDayD);
    }

    TqelDataset dataset;
    TqelTimeRecorder recorder{&dataset};
};

TEST_F(TimeRecorderTest, LooksUpAndInterpolatesBetweenPairs) {
    EXPECT_EQ(recorder.GetDateTime(5000), dataset.Timestamp());
    AddThreePairs();
    EXPECT_EQ(recorder.Pair(2).RealTime(), DayMS + 3'001'500);

    struct Case {
        int32_t LPMTime;
        double Expected;
    };
    const Case cases[] = {
        {999, dataset.Timestamp()},  // before the first pair
        {-5, dataset.Timestamp()},   //
        {1000, AtMS(DayMS)},         // exactly at pairs
        {2000, AtMS(DayMS + 1000)},  //
        {1500, AtMS(DayMS + 500)},
        // 1,498,000 * 3,000,500 / 2,999,000, by hand: 1,498,749.2497499166...
        {1'500'000, (3'888'001'499'749.0 + 0.2497499166) / MSPerDayD},
        {3'001'000, AtMS(DayMS + 3'001'500)},  // the last pair
        {9'000'000, AtMS(DayMS + 3'001'500)},  // no extrapolation
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(recorder.GetDateTime(c.LPMTime), c.Expected) << c.LPMTime;
    }
}

TEST_F(TimeRecorderTest, GrowsInStepsAndFinishTrims) {
    for (int32_t i = 0; i < TqelTimeRecorder::GrowStep; ++i) {
        recorder.AddTime(i * 10, Day + i / MSPerDayD);
    }
    EXPECT_EQ(recorder.TimeLength(), 30000);
    recorder.AddTime(300'000, Day + 1);
    EXPECT_EQ(recorder.TimeLength(), 60000);
    EXPECT_EQ(recorder.TimeCount(), 30001);
    recorder.Finish();
    EXPECT_EQ(recorder.TimeLength(), 30001);
    EXPECT_DOUBLE_EQ(recorder.GetDateTime(400'000), Day + 1);
}

TEST_F(TimeRecorderTest, BlockMatchesTheFixtureBothWays) {
    const uint8_t fixture[] = {
        0x02, 0x00, 0x00, 0x00,                          // count 2
        0xE8, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 1000, reserved
        0x00, 0xE0, 0xDB, 0x3E, 0x89, 0x03, 0x00, 0x00,  // 3,888,000,000,000
        0xD0, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 2000, reserved
        0xE8, 0xE3, 0xDB, 0x3E, 0x89, 0x03, 0x00, 0x00,  // 3,888,000,001,000
    };
    TqelTimeRecorder read(&dataset);
    ReadBlockInto(read, Fixture(fixture), 151);
    ASSERT_EQ(read.TimeCount(), 2);
    EXPECT_EQ(read.TimeLength(), 2);
    EXPECT_EQ(read.Pair(0).LPMTime(), 1000);
    EXPECT_EQ(read.Pair(0).RealTime(), DayMS);
    EXPECT_EQ(read.Pair(1).LPMTime(), 2000);
    EXPECT_EQ(read.Pair(1).RealTime(), DayMS + 1000);
    EXPECT_EQ(WrittenBlock(read), Fixture(fixture));
}

// A table saved while recording once carried its zero-filled tail, which later lookups took
// for pairs at dataset time 0 (wall-clock times in 1899).
TEST_F(TimeRecorderTest, TableStoredWhileRecordingReadsBackWithoutZeroPairs) {
    AddThreePairs();
    ASSERT_EQ(recorder.TimeLength(), 30000);
    const QByteArray data = WrittenBlock(recorder);
    EXPECT_EQ(data.size(), 4 + 3 * 16);
    TqelTimeRecorder read(&dataset);
    ReadBlockInto(read, data, 151);
    EXPECT_EQ(read.TimeCount(), 3);
    EXPECT_EQ(read.TimeLength(), 3);
    EXPECT_DOUBLE_EQ(read.GetDateTime(9'000'000), AtMS(DayMS + 3'001'500));
}

TEST_F(TimeRecorderTest, VersionGateAndBadCounts) {
    AddThreePairs();
    // Below version 99 the file has no block: nothing is read, the table stays.
    for (int32_t version = 1; version < 99; ++version) {
        ReadBlockInto(recorder, QByteArray(), version);
    }
    EXPECT_EQ(recorder.TimeCount(), 3);
    for (int32_t version = 99; version <= 151; ++version) {
        TqelTimeRecorder read(&dataset);
        ReadBlockInto(read, WrittenBlock(recorder), version);
        ASSERT_EQ(read.TimeCount(), 3) << version;
        EXPECT_EQ(read.Pair(2).RealTime(), DayMS + 3'001'500);
    }

    // Counts past the bytes left, or negative, raise and leave the table. A count of 2^31 - 1
    // sized first would ask for 32 GB and fail otherwise.
    for (const int32_t count : {3, 0x7FFFFFFF, -1}) {
        QByteArray data = WrittenBlock(recorder);
        std::memcpy(data.data(), &count, 4);
        data.chop(16);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        BinaryReader reader(buffer);
        EXPECT_THROW(recorder.readFromStream(reader, 151), EReadError) << count;
        EXPECT_EQ(recorder.TimeCount(), 3);
    }
}

// The dataset's real time is its recorder's time of the play position (0 until played).
TEST_F(TimeRecorderTest, DatasetRealTimeAtThePlayPosition) {
    EXPECT_EQ(dataset.RealTime(), dataset.Timestamp());
    dataset.Timer()->AddTime(-1000, Day - 1000 / MSPerDayD);
    dataset.Timer()->AddTime(1000, Day + 1000 / MSPerDayD);
    ASSERT_EQ(dataset.PlayposInMS(), 0);
    EXPECT_DOUBLE_EQ(dataset.RealTime(), Day);
}

}  // namespace
}  // namespace qel::test
