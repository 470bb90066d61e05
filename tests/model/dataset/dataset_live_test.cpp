#include <gtest/gtest.h>

#include "foundation/position_records.h"
#include "model/dataset/dataset.h"
#include "model/dataset/dataset_signals_adapter.h"
#include "model/dataset/lpm_clock.h"
#include "model/transponder/transponder_data.h"

namespace {

constexpr double MSPerDay = 86400000.0;

RqelLPMSample Sample(uint32_t aTimestamp, uint16_t anAntennaID = 7) {
    RqelLPMSample sample;
    sample.setTimestamp(aTimestamp);
    sample.setAntennaID(anAntennaID);
    sample.setXinMM(1000);
    sample.setYinMM(2000);
    return sample;
}

class LiveIntake : public ::testing::Test {
protected:
    LiveIntake() {
        dataset.OnLogMessage = [this](const QString& aLine) { lines << aLine; };
    }
    // A sample at LPM time aLPMTimeMS, in the counter's 0.1 ms units.
    void Record(int64_t aLPMTimeMS, uint16_t anAntennaID = 7) {
        dataset.recordLPMSample(Sample(static_cast<uint32_t>(aLPMTimeMS * 10), anAntennaID));
    }
    TqelTransponderData* Antenna(int32_t anAntennaID) const {
        return dataset.GetTransponderByAtenna(anAntennaID);
    }
    int32_t LastStoredTime(int32_t anAntennaID) const {
        const TqelTransponderData* transponder = Antenna(anAntennaID);
        return transponder->getSampleTime(transponder->SampleCount() - 1);
    }

    qel::FakeClock clock{EncodeDateTime(2026, 5, 4, 15, 30, 10, 0)};
    qel::ScopedClock scopedClock{clock};
    TqelDataset dataset;
    QStringList lines;
};

TEST_F(LiveIntake, FirstSampleFixesTheFirstTickAndIsNotStored) {
    dataset.recordLPMSample(Sample(123450));
    EXPECT_TRUE(dataset.FirstSampleSet());
    EXPECT_EQ(dataset.FirstSampleTick(), 12345u);
    EXPECT_EQ(dataset.DurationInMS(), 0);
    EXPECT_DOUBLE_EQ(dataset.Timestamp(), clock.Now());
    ASSERT_NE(Antenna(7), nullptr);
    EXPECT_EQ(Antenna(7)->SampleCount(), 0);
    EXPECT_EQ(dataset.ExceptionCount(), 0);
}

TEST_F(LiveIntake, SampleOfMillisecondTimeZeroIsIgnoredEvenAsTheFirst) {
    // A Timestamp below 10 is LPM time 0.
    dataset.recordLPMSample(Sample(5));
    EXPECT_FALSE(dataset.FirstSampleSet());
    EXPECT_EQ(dataset.TransponderCount(), 0);
    // So a later recording starts normally and survives a sample 20 minutes on.
    Record(2000000);
    Record(2000000 + 1200000);
    EXPECT_EQ(dataset.FirstSampleTick(), 2000000u);
    EXPECT_EQ(dataset.DurationInMS(), 1200000);
    EXPECT_EQ(dataset.ExceptionCount(), 0);
}

TEST_F(LiveIntake, WallClockIsFixedOnceByTheFirstSampleMoreThanNineSecondsOn) {
    Record(12345);
    const TDateTime firstArrival = clock.Now();
    clock.Set(firstArrival + 20000 / MSPerDay);
    Record(12345 + 9000);
    EXPECT_DOUBLE_EQ(dataset.Timestamp(), firstArrival);
    EXPECT_TRUE(lines.isEmpty());

    Record(12345 + 9001);
    EXPECT_NEAR(dataset.Timestamp(), clock.Now() - 9001 / MSPerDay, 1e-9);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("New TimeStamp: 2026-05-04 15:30:20.999, "
                                       "FFirstSampleTick=12345, lLastSampleTick=21346"));
    const TDateTime fixed = dataset.Timestamp();
    clock.Set(firstArrival + 60000 / MSPerDay);
    Record(12345 + 30000);
    EXPECT_DOUBLE_EQ(dataset.Timestamp(), fixed);
    EXPECT_EQ(lines.size(), 1);
}

TEST_F(LiveIntake, SampleOlderThanTheFirstIsDroppedAndFixesNothing) {
    Record(500000);
    Record(500000 - 40);
    EXPECT_EQ(dataset.DurationInMS(), 0);
    EXPECT_EQ(Antenna(7)->SampleCount(), 0);
    EXPECT_EQ(dataset.ExceptionCount(), 0);
    EXPECT_TRUE(lines.isEmpty());
    // The wall clock still waits for a sample 9 s after the first.
    Record(500000 + 9001);
    EXPECT_EQ(lines.size(), 1);
}

TEST_F(LiveIntake, JumpOfMoreThanTwentyMinutesBeyondTheNewestIsCountedAndDropped) {
    Record(1000);
    dataset.setDurationInMS(60000);
    Record(1000 + 1260001);
    EXPECT_EQ(dataset.ExceptionCount(), 1);
    EXPECT_EQ(dataset.DurationInMS(), 60000);
    EXPECT_EQ(Antenna(7)->SampleCount(), 0);

    Record(1000 + 1260000);
    EXPECT_EQ(dataset.ExceptionCount(), 1);
    EXPECT_EQ(dataset.DurationInMS(), 1260000);
    EXPECT_EQ(LastStoredTime(7), 1260000);
}

TEST_F(LiveIntake, AntennasAreFoundOrMadeOnceAndBadOnesCounted) {
    Record(1000, 7);
    Record(1100, 7);
    Record(1200, 9);
    EXPECT_EQ(dataset.TransponderCount(), 2);
    EXPECT_EQ(Antenna(7)->SampleCount(), 1);
    EXPECT_EQ(LastStoredTime(9), 200);

    // Antenna 16 moves the clock but is stored nowhere.
    Record(1500, 16);
    EXPECT_EQ(dataset.DurationInMS(), 500);
    EXPECT_EQ(dataset.TransponderCount(), 2);

    // Beyond the 14-bit antenna ids: refused and counted, the recording goes on.
    Record(1600, 16384);
    EXPECT_EQ(dataset.ExceptionCount(), 1);
    EXPECT_EQ(dataset.TransponderCount(), 2);
    Record(1700, 7);
    EXPECT_EQ(LastStoredTime(7), 700);
}

TEST_F(LiveIntake, IgnoreTimestampCheckTakesTheTimeAsDatasetTime) {
    Record(800000);
    dataset.setIgnoreTimestampCheck(true);
    dataset.recordLPMSample(Sample(50000));
    EXPECT_EQ(dataset.DurationInMS(), 5000);
    EXPECT_EQ(LastStoredTime(7), 5000);
}

TEST_F(LiveIntake, RecordingGoesOnAcrossTheWrapOfTheLPMClock) {
    const int64_t first = qel::LPMClockWrapMS - 100000;
    Record(first);
    Record(first + 99000);
    // The 0.1 ms counter wrapped: 2^32 units on, it reads small again.
    dataset.recordLPMSample(Sample(static_cast<uint32_t>((first + 101000) * 10 - (1ll << 32))));
    EXPECT_EQ(dataset.ExceptionCount(), 0);
    EXPECT_EQ(dataset.DurationInMS(), 101000);
    EXPECT_EQ(LastStoredTime(7), 101000);
    EXPECT_EQ(Antenna(7)->SampleCount(), 2);
}

TEST_F(LiveIntake, SwitchingRecordingOffNamesTheFileAndTellsTheSubscribersOnce) {
    const QString folder = ClientConfig()->DatasetDir();
    ClientConfig()->setDatasetDir(QStringLiteral("/data/sets"));
    int32_t stops = 0;
    TqelDatasetSignals adapter(&dataset);
    adapter.setOnStopRecording([&stops](TNotifyVaruza*) { ++stops; });

    dataset.setRecordingStartedAt(EncodeDateTime(2026, 5, 4, 15, 30, 0, 0));
    dataset.setRecording(true);
    dataset.setRecording(true);
    EXPECT_TRUE(dataset.Recording());
    dataset.setTimestamp(EncodeDateTime(2026, 5, 4, 15, 30, 5, 0));
    dataset.setDurationInMS(95 * 60000);
    dataset.setRecording(false);
    EXPECT_FALSE(dataset.Recording());
    EXPECT_EQ(dataset.Filename(), QStringLiteral("/data/sets/20260504 1530-1705.qel"));
    EXPECT_EQ(stops, 1);

    dataset.setFilename(QStringLiteral("kept.qel"));
    dataset.setRecording(false);
    EXPECT_EQ(dataset.Filename(), QStringLiteral("kept.qel"));
    EXPECT_EQ(stops, 1);
    ClientConfig()->setDatasetDir(folder);
}

TEST(LPMClock, TimesAcrossTheWrapAndEarlyTimes) {
    struct Case {
        uint32_t first, time;
        std::optional<int64_t> since;
    };
    const Case cases[] = {
        {1000, 1000, 0},
        {1000, 5000, 4000},
        {1000, 999, std::nullopt},
        // A little early even across a long distance.
        {300000000, 300000000 - 214748365, std::nullopt},
        {300000000, 300000000 - 214748366, 429496730 - 214748366},
        {429496000, 100, 100 + 429496730 - 429496000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qel::LPMTimeSince(c.first, c.time), c.since) << c.first << " " << c.time;
    }
}

TEST(LiveTimeBase, NetworkAndWallClockTimesOfADatasetTime) {
    qel::FakeClock clock{EncodeDateTime(2026, 5, 4, 15, 30, 10, 0)};
    qel::ScopedClock scopedClock{clock};
    TqelDataset dataset;
    dataset.recordLPMSample(Sample(123450));
    const TDateTime ntp = EncodeDateTime(2026, 5, 4, 15, 0, 0, 0);
    dataset.setSynchronisationData(12000, ntp);
    EXPECT_NEAR(dataset.NTPTimestamp(655), ntp + 1000 / MSPerDay, 1e-9);
    EXPECT_EQ(dataset.LPMTimeStampMS(655), 13000);
    EXPECT_NEAR(dataset.DatasetTimeToDateTime(1500), clock.Now() + 1500 / MSPerDay, 1e-9);
}

TEST(LiveCacheStats, RequestsAndHitsAreHalvedPast2000) {
    TqelDataset dataset;
    for (int i = 0; i < 2001; ++i) {
        dataset.addCacheRequest();
        if (i % 2 == 0) {
            dataset.addCacheHit();
        }
    }
    EXPECT_EQ(dataset.CacheRequests(), 2001);
    EXPECT_EQ(dataset.CacheHits(), 1001);
    dataset.addCacheRequest();
    EXPECT_EQ(dataset.CacheRequests(), 1001);
    EXPECT_EQ(dataset.CacheHits(), 500);
    dataset.resetCacheStats();
    EXPECT_EQ(dataset.CacheRequests(), 0);
    EXPECT_EQ(dataset.CacheHits(), 0);
}

}  // namespace
