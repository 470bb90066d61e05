#include <gtest/gtest.h>

#include "model/transponder/transponder_fixture.h"

namespace {

using qel::test::TelemetrySample;

class HeartbeatImport : public qel::test::TransponderFixture {
protected:
    // The 1 Hz entries that point at a sample.
    std::vector<std::pair<int32_t, int32_t>> SecondEntries() const {
        std::vector<std::pair<int32_t, int32_t>> entries;
        for (int32_t second = 0; second < tp->HeartbeatIdx1HzCapacity(); ++second) {
            if (tp->HeartbeatIdx1Hz(second) != -1) {
                entries.emplace_back(second, tp->HeartbeatIdx1Hz(second));
            }
        }
        return entries;
    }
    std::vector<bool> InvalidMarks() const {
        std::vector<bool> marks;
        for (int32_t i = 0; i < tp->HeartbeatCount(); ++i) {
            marks.push_back(tp->HeartbeatSample(i).GetInvalid());
        }
        return marks;
    }
    static QString Notice(TqelDatasetItemType aType, int32_t anID) {
        return QStringLiteral("S changed %1 %2").arg(int(aType)).arg(anID);
    }
};

TEST_F(HeartbeatImport, AddHeartbeatBPMPlacesEachBeatAfterThePreviousOne) {
    struct Step {
        int32_t time;
        uint16_t bpm;
        int32_t placedAt;  // -1: ignored
        uint16_t interval;
    };
    const Step steps[] = {
        {9500, 120, 9500, 500},    // the first beat stays where it is given
        {9500, 120, -1, 0},        // the same time again: the beat still lasts
        {10500, 60, 10000, 1000},  // within one interval of the previous end: no gap
        {11000, 120, -1, 0},       // at the previous end
        {11600, 251, -1, 0},       // out of range
        {11600, 29, -1, 0},        // out of range
        {11600, 250, 11600, 240},  // after a gap
        {12000, 30, 11840, 2000},  // the slowest rate, following without a gap
        {20000, 70, 20000, 857},   // 857.14 ms rounded
    };
    int32_t count = 0;
    for (const Step& s : steps) {
        tp->AddHeartbeatBPM(s.time, s.bpm, 253);
        if (s.placedAt < 0) {
            EXPECT_EQ(tp->HeartbeatCount(), count) << s.time << " " << s.bpm;
            continue;
        }
        ASSERT_EQ(tp->HeartbeatCount(), ++count) << s.time << " " << s.bpm;
        const RqelHeartbeatSample& last = tp->HeartbeatSample(count - 1);
        EXPECT_EQ(last.FTimestampInMS(), s.placedAt) << s.time << " " << s.bpm;
        EXPECT_EQ(last.TelemetryData(), s.interval) << s.time << " " << s.bpm;
        EXPECT_EQ(last.TelemetryType(), 253);
        EXPECT_EQ(last.TelemetryInvalid(), 0);
    }
    EXPECT_EQ(SecondEntries(),
              (std::vector<std::pair<int32_t, int32_t>>{{9, 0}, {10, 1}, {11, 3}, {20, 4}}));
}

TEST_F(HeartbeatImport, AddHeartbeatIgnoresANegativeTimeAndGrowsTheSecondIndex) {
    tp->AddHeartbeat(-1, 500, 0x3C);
    EXPECT_EQ(tp->HeartbeatCount(), 0);
    EXPECT_EQ(tp->HeartbeatIdx1HzCapacity(), 0);

    tp->AddHeartbeat(3600000, 500, 0x3C);
    EXPECT_EQ(tp->HeartbeatCount(), 1);
    EXPECT_EQ(tp->HeartbeatIdx1HzCapacity(), 7200);
    EXPECT_EQ(SecondEntries(), (std::vector<std::pair<int32_t, int32_t>>{{3600, 0}}));
}

TEST_F(HeartbeatImport, ClearAndFinalizeFrameAnImport) {
    for (int32_t time : {1000, 2500, 4000}) {
        tp->AddHeartbeat(time, 500, 0x3C);
    }
    tp->ClearHeartbeat(6000);
    EXPECT_EQ(tp->HeartbeatCount(), 0);
    EXPECT_EQ(tp->HeartbeatCapacity(), 7500);  // whole growth steps
    EXPECT_EQ(tp->HeartbeatSample(0).TelemetryData(), 0);
    // No entry of the old series points past the new count.
    EXPECT_TRUE(SecondEntries().empty());

    tp->AddHeartbeat(500, 600, 0x3D);
    EXPECT_EQ(SecondEntries(), (std::vector<std::pair<int32_t, int32_t>>{{0, 0}}));
    tp->FinalizeHeartbeatImport();
    EXPECT_EQ(tp->HeartbeatCount(), 1);
    EXPECT_EQ(tp->HeartbeatCapacity(), 2500);
    EXPECT_EQ(tp->HeartbeatSample(0).TelemetryData(), 600);
    // The trimmed array grows again.
    for (int32_t i = 1; i <= 2500; ++i) {
        tp->AddHeartbeat(500 + i, 600, 0x3D);
    }
    EXPECT_EQ(tp->HeartbeatCapacity(), 5000);

    tp->ClearHeartbeat(0);
    tp->FinalizeHeartbeatImport();
    EXPECT_EQ(tp->HeartbeatCapacity(), 0);
}

TEST_F(HeartbeatImport, IntakeRoutesBeatsPerMinuteTelemetryThroughTheRateImport) {
    dataset.setUseTelemetryIDs(true);
    tp->AddSample(1000, TelemetrySample(252, 120));
    tp->AddSample(1040, TelemetrySample(252, 120));  // the beat still lasts
    tp->AddSample(1600, TelemetrySample(254, 60));
    tp->AddSample(1640, TelemetrySample(252, 251));
    EXPECT_EQ(tp->SampleCount(), 4);
    ASSERT_EQ(tp->HeartbeatCount(), 2);
    EXPECT_EQ(tp->HeartbeatSample(0).FTimestampInMS(), 1000);
    EXPECT_EQ(tp->HeartbeatSample(0).TelemetryData(), 500);
    EXPECT_EQ(tp->HeartbeatSample(1).FTimestampInMS(), 1500);
    EXPECT_EQ(tp->HeartbeatSample(1).TelemetryType(), 254);
    EXPECT_DOUBLE_EQ(tp->GetRawHeartbeat(0), 120);
    EXPECT_DOUBLE_EQ(tp->GetRawHeartbeat(1), 60);
}

TEST_F(HeartbeatImport, HeartbeatValidityOfASpan) {
    tp->setTPid(12);
    tp->setHeartbeatValidity(0, 100000, true);
    EXPECT_TRUE(log.Take().isEmpty());  // no samples, nothing to tell

    for (int32_t time : {0, 9990, 10000, 10000, 15000, 19999, 20000}) {
        tp->AddHeartbeat(time, 500, 0x3C);
    }
    tp->InvalidateHeartbeat(10000, 20000);
    EXPECT_EQ(InvalidMarks(), (std::vector<bool>{false, false, true, true, true, true, false}));
    EXPECT_EQ(tp->HeartbeatSample(4).GetTimestampInMS(), 15000);
    EXPECT_EQ(log.Take(), QStringList({Notice(itemDataSet, -1), Notice(itemFilter, 12),
                                       Notice(itemFilter, 12)}));

    // Invalid stays invalid; a sample at 0 cannot carry the mark.
    tp->setHeartbeatValidity(0, 15001, true);
    EXPECT_EQ(InvalidMarks(), (std::vector<bool>{false, true, true, true, true, true, false}));

    tp->RestoreHeartbeat(10000, 20000);
    EXPECT_EQ(InvalidMarks(), (std::vector<bool>{false, true, false, false, false, false, false}));
    EXPECT_EQ(tp->HeartbeatSample(4).FTimestampInMS(), 15000);
    EXPECT_EQ(log.Take(), QStringList({Notice(itemDataSet, -1), Notice(itemFilter, 12),
                                       Notice(itemDataSet, -1), Notice(itemFilter, 12)}));
}

}  // namespace
