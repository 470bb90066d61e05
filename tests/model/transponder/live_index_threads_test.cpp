// The live index update and the live summary shared between threads: run under ThreadSanitizer
// (build-tsan) these prove the index lock around growth and the shared summary record's lock.

#include <atomic>
#include <thread>
#include <vector>

#include "database/datasets/live_position.h"
#include "transponder_fixture.h"

namespace {

using qel::test::PositionSample;

constexpr int32_t kStepMS = 25;  // 40 Hz
// The first growth step of the 10 Hz index lies at 3,600,000 ms.
constexpr int32_t kGrowthMS = TqelTransponderData::Idx10HzStep * 100;

// The main thread appends samples across the first growth step while the cadence thread runs
// updateLiveData: both grow the index under its lock, and the slots stay consistent.
TEST(LiveIndexThreads, SamplesCrossAGrowthStepWhileTheCadenceThreadUpdates) {
    TqelDataset dataset;
    dataset.setLiveIndexCalcDelay(1050);
    dataset.setSpeedFrameInterval(1000);
    TqelTransponderData* tp = dataset.AddTransponder(qel::test::kAntenna, nullptr, 0);
    tp->InitLiveDBPosition();
    // A sparse start: the analysis clock catches up before the threads begin.
    const int32_t start = kGrowthMS - 5000;
    tp->AddSample(0, PositionSample(0, 0));
    for (int32_t t = start - 3000; t <= start; t += kStepMS) {
        tp->AddSample(t, PositionSample(t % 50000, 1000));
    }
    dataset.setDurationInMS(start);
    dataset.updateLiveData();
    ASSERT_EQ(tp->Sample10HzCount(), TqelTransponderData::Idx10HzStep);

    std::atomic<bool> done{false};
    std::atomic<int64_t> updates{0};
    std::thread cadence([&] {
        while (!done.load()) {
            dataset.updateLiveData();
            ++updates;
        }
    });
    const int32_t end = kGrowthMS + 5000;
    for (int32_t t = start + kStepMS; t <= end; t += kStepMS) {
        tp->AddSample(t, PositionSample(t % 50000, 1000));
        dataset.setDurationInMS(t);
        if (t % 1000 == 0) {
            // Readers on the main thread meanwhile.
            (void)tp->indexSpeed(t - 3000);
            (void)tp->CalcLiveData(0, t - 2000, 100, true, true, false);
        }
    }
    const int64_t seen = updates.load();
    while (updates.load() < seen + 2) {
        std::this_thread::yield();
    }
    done = true;
    cadence.join();

    EXPECT_EQ(dataset.ExceptionCount(), 0);
    EXPECT_EQ(tp->Sample10HzCount(), 2 * TqelTransponderData::Idx10HzStep);
    EXPECT_EQ(tp->MIPDist1HzCapacity(), 2 * TqelTransponderData::MIPStep);
    const int32_t lastComputed = (end - 1050 - 1000) / 100 * 100;
    EXPECT_EQ(tp->LiveUpdateTimestamp(), lastComputed);
    EXPECT_EQ(tp->PreliminaryIndex(), end / 100);
    // A computed slot beyond the growth step holds its position.
    EXPECT_EQ(tp->Get10HzSlot(kGrowthMS / 100 + 10).YinMM(), 1000);
}

// Three feed threads share the transponder's one summary record, each for its own end time:
// every copy carries its caller's end time and the speed of that time.
TEST(LiveIndexThreads, SharedSummaryRecordGivesEachCallerItsOwnValues) {
    TqelDataset dataset;
    TqelTransponderData* tp = dataset.AddTransponder(qel::test::kAntenna, nullptr, 0);
    tp->AddSample(0, PositionSample(0, 0));
    tp->AddSample(5000, PositionSample(0, 0));
    for (int32_t slot = 0; slot <= 50; ++slot) {
        RqelSampleIdx10Hz value = tp->Get10HzSlot(slot);
        value.setFSpeedMMS(static_cast<uint16_t>(slot * 100));
        tp->Set10HzSlot(slot, value);
    }
    tp->setLiveUpdateTimestamp(5000);

    constexpr int kRounds = 300;
    std::atomic<int> wrong{0};
    std::vector<std::thread> feeds;
    for (int32_t feed = 1; feed <= 3; ++feed) {
        feeds.emplace_back([&, feed] {
            const int32_t end = feed * 1000;
            for (int round = 0; round < kRounds; ++round) {
                const TqeldbPosition copy = tp->CalcLiveData(0, end, 100, false, true, true);
                // Slot end / 100 holds end / 1000 m/s.
                if (copy.TimestampMS() != end || copy.Speed() != end / 1000.0 ||
                    copy.DistDeltaInM() != end / 10000.0) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& feed : feeds) {
        feed.join();
    }
    EXPECT_EQ(wrong.load(), 0);
    ASSERT_NE(tp->DBPos(), nullptr);
}

}  // namespace
