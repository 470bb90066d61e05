#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "analysis/framework/calculation.h"
#include "database/sqlite_file_fixture.h"
#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "model/transponder/transponder_data.h"
#include "platform/crash_reporter.h"
#include "platform/numbers.h"
#include "platform/queued_call.h"
#include "support/fake_dialogs.h"

namespace {

constexpr int32_t kNotRebuilt = -1;

// Transponders walking at 2 m/s from different places, each for aSeconds; each marked as not
// rebuilt through its live timestamp, which a rebuild sets.
// aPrepare sees each transponder before its samples.
void AddWalkers(TqelDataset& aDataset, int aCount, int32_t aSeconds,
                const std::function<void(int, TqelTransponderData&)>& aPrepare = {}) {
    for (int i = 0; i < aCount; ++i) {
        TqelTransponderData* tp = aDataset.AddTransponder(100 + i, nullptr, 0);
        if (aPrepare) {
            aPrepare(i, *tp);
        }
        for (int32_t t = 0; t <= aSeconds * 1000; t += 100) {
            RqelLPMSample sample;
            sample.setAntennaID(static_cast<uint16_t>(100 + i));
            sample.setXinMM(-20000 + i * 1000 + t * 2);
            sample.setYinMM(3000 + (t % 900) * 3);
            sample.setZinMM(1000);
            sample.setQuality(0x7800);
            tp->AddSample(t, sample);
        }
        tp->setLiveUpdateTimestamp(kNotRebuilt);
    }
    aDataset.setDurationInMS(aSeconds * 1000);
}

bool Rebuilt(const TqelDataset& aDataset, int anIndex) {
    return aDataset.getTransponder(anIndex)->LiveUpdateTimestamp() != kNotRebuilt;
}

// Every 10 Hz slot and 1 Hz entry of every transponder, as bytes.
std::vector<uint8_t> IndexBytes(const TqelDataset& aDataset) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < aDataset.TransponderCount(); ++i) {
        TqelTransponderData* tp = aDataset.getTransponder(i);
        const int32_t slotCount = tp->LiveUpdateTimestamp() / 100;
        for (int32_t q = 0; q < slotCount; ++q) {
            const RqelSampleIdx10Hz slot = tp->Get10HzSlot(q);
            bytes.insert(bytes.end(), slot.bytes, slot.bytes + sizeof(slot));
        }
        for (int32_t s = 0; s < slotCount / 10; ++s) {
            const TqelMIPDistValue mip = tp->MIPDist1Hz(s);
            bytes.insert(bytes.end(), mip.bytes, mip.bytes + sizeof(mip));
        }
    }
    return bytes;
}

// Cancels aDataset's rebuild once transponder 1 is rebuilt, while holding transponder 3's index
// lock so that the one pool thread cannot get past transponder 3 before the cancel. The lock is
// taken and released on the cancelling thread; the constructor returns once it is held.
class CancelPartWay {
public:
    explicit CancelPartWay(TqelDataset& aDataset, std::function<void()> aCancel) {
        std::recursive_mutex& lock = aDataset.getTransponder(3)->IndexLock();
        std::promise<void> held;
        std::future<void> isHeld = held.get_future();
        FThread = std::thread([&lock, &aDataset, aCancel, held = std::move(held)]() mutable {
            std::unique_lock guard(lock);
            held.set_value();
            while (!Rebuilt(aDataset, 1)) {
                std::this_thread::yield();
            }
            aCancel();
        });
        isHeld.wait();
    }
    ~CancelPartWay() { FThread.join(); }

private:
    std::thread FThread;
};

void ExpectLeadingRunRebuilt(const TqelDataset& aDataset) {
    int leading = 0;
    while (leading < aDataset.TransponderCount() && Rebuilt(aDataset, leading)) {
        ++leading;
    }
    EXPECT_GE(leading, 2);
    EXPECT_LT(leading, aDataset.TransponderCount());
    for (int i = leading; i < aDataset.TransponderCount(); ++i) {
        EXPECT_FALSE(Rebuilt(aDataset, i)) << "transponder " << i;
    }
}

class DatasetRebuild : public ::testing::Test {
protected:
    DatasetRebuild() { dataset.setRebuildThreadCount(1); }

    TqelDataset dataset;
};

TEST_F(DatasetRebuild, EmptyDatasetCompletesAndNotifiesFromBothLayers) {
    qel::test::SignalLog log;
    qel::test::LoggingSubscriber subscriber(QStringLiteral("S"), log);
    dataset.subscribeToSignals(&subscriber);
    EXPECT_TRUE(dataset.rebuildIndexes(true, {}));
    EXPECT_EQ(log.Take().count(QStringLiteral("S changed %1 0").arg(int(itemDataSet))), 2);
    EXPECT_TRUE(dataset.rebuildIndexes(false, {}));
    EXPECT_EQ(log.Take().count(QStringLiteral("S changed %1 0").arg(int(itemDataSet))), 1);
    dataset.unsubscribeToSignals(&subscriber);
}

TEST_F(DatasetRebuild, WithoutDatabaseTheIndexesStayMarkedStale) {
    AddWalkers(dataset, 2, 5);
    dataset.setIndexesNeedsToRebuild(false);
    EXPECT_TRUE(dataset.rebuildIndexes(true, {}));
    EXPECT_TRUE(dataset.IndexesNeedsToRebuild());
    EXPECT_TRUE(Rebuilt(dataset, 0) && Rebuilt(dataset, 1));
}

TEST_F(DatasetRebuild, ParallelAndSequentialRunsGiveEqualIndexes) {
    AddWalkers(dataset, 4, 20);
    dataset.getTransponder(2)->setRole(roleBall);
    ASSERT_TRUE(dataset.rebuildIndexes(false, {}));
    const std::vector<uint8_t> sequential = IndexBytes(dataset);
    dataset.setRebuildThreadCount(3);
    ASSERT_TRUE(dataset.rebuildIndexes(true, {}));
    EXPECT_TRUE(IndexBytes(dataset) == sequential);
    EXPECT_GT(dataset.getTransponder(0)->Get10HzSlot(100).CumDistanceInMM(), 0);
}

TEST_F(DatasetRebuild, RaisingTransponderIsReportedOnceAndTheOthersGoOn) {
    // The index cannot hold this transponder's recording once its last sample moved on.
    AddWalkers(dataset, 3, 2, [](int i, TqelTransponderData& aTP) {
        if (i == 1) {
            aTP.Index10HzForTest().setBlockLimit(1);
        }
    });
    TqelTransponderData* big = dataset.getTransponder(1);
    big->GetSample(big->SampleCount() - 1).AddTimeInMS(3700000);

    const int64_t reports = qel::CrashReporter::ReportCount();
    EXPECT_TRUE(dataset.rebuildIndexes(true, {}));
    EXPECT_EQ(qel::CrashReporter::ReportCount() - reports, 1);
    EXPECT_TRUE(Rebuilt(dataset, 0));
    EXPECT_TRUE(Rebuilt(dataset, 2));

    dataset.getTransponder(2)->setLiveUpdateTimestamp(kNotRebuilt);
    EXPECT_THROW(dataset.rebuildIndexes(false, {}), qel::ESampleRefused);
    EXPECT_FALSE(Rebuilt(dataset, 2)) << "the sequential run stops at the fault";
}

TEST_F(DatasetRebuild, CompletionsRunAfterTheReturnAndDieWithTheDataset) {
    auto owned = std::make_unique<TqelDataset>();
    owned->setRebuildThreadCount(2);
    AddWalkers(*owned, 3, 2);
    std::vector<TqelTransponderData*> finished;
    const auto record = [&finished](TqelTransponderData* aTP) { finished.push_back(aTP); };
    EXPECT_TRUE(owned->rebuildIndexes(true, record));
    EXPECT_TRUE(finished.empty()) << "no messages run while the caller waits";
    qel::ProcessMessagesFor(1000, [&] { return finished.size() == 3; });
    EXPECT_EQ(finished.size(), 3u);

    finished.clear();
    EXPECT_TRUE(owned->rebuildIndexes(true, record));
    owned.reset();
    qel::ProcessMessages();
    EXPECT_TRUE(finished.empty());
}

TEST_F(DatasetRebuild, ProgressDisplayIsReleasedWhetherTheRunCompletesIsCancelledOrRaises) {
    AddWalkers(dataset, 6, 20);
    qel::test::FakeProgress progress;
    EXPECT_TRUE(dataset.rebuildIndexesProgress(&progress, true));
    EXPECT_EQ(progress.captions, QStringList{QStringLiteral("Rebuilding indexes")});
    ASSERT_EQ(progress.sections.size(), 1u);
    EXPECT_EQ(progress.sections[0].size, 6);
    EXPECT_TRUE(progress.shown);
    EXPECT_EQ(progress.level, 0);
    EXPECT_TRUE(progress.cancelHandlers.empty());

    for (int i = 0; i < dataset.TransponderCount(); ++i) {
        dataset.getTransponder(i)->setLiveUpdateTimestamp(kNotRebuilt);
    }
    {
        CancelPartWay cancel(dataset, [&progress] { progress.Cancel(); });
        EXPECT_FALSE(dataset.rebuildIndexesProgress(&progress, false));
    }
    ExpectLeadingRunRebuilt(dataset);
    EXPECT_TRUE(progress.cancelHandlers.empty());
    EXPECT_TRUE(dataset.IndexesNeedsToRebuild());

    dataset.setRecording(true);
    EXPECT_THROW(dataset.rebuildIndexesProgress(&progress, false), qel::EIndexRebuildRefused);
    dataset.setRecording(false);
    EXPECT_TRUE(progress.cancelHandlers.empty());
    EXPECT_EQ(progress.level, 0);
}

class DatasetRebuildDatabase : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        Exec(
            QStringLiteral("insert into ANALYZE_DEF (ANL_ID, ANL_DESCRIPTION, ANL_ACTIVE, "
                           "ANL_MIP_DO_CALC) values (1, 'Match', 1, 1)"));
        dataset = std::make_unique<TqelDataset>(database.get());
        dataset->setRebuildThreadCount(1);
        ASSERT_NE(dataset->AnalyzeDef(), nullptr);
    }
    void TearDown() override {
        dataset.reset();
        SqliteFileTest::TearDown();
    }

    std::unique_ptr<TqelDataset> dataset;
};

TEST_F(DatasetRebuildDatabase, AnalysisRunFillsTheSlotsAndTheFlagFollowsTheOutcome) {
    AddWalkers(*dataset, 2, 30);
    TqelTransponderData* tp = dataset->getTransponder(0);
    for (int32_t t = 0; t <= 30000; t += 500) {
        tp->AddHeartbeat(t, 500, 0);
    }
    tp->AddLap(1000);
    dataset->setIndexesNeedsToRebuild(true);

    ASSERT_TRUE(dataset->rebuildIndexes(false, {}));
    EXPECT_FALSE(dataset->IndexesNeedsToRebuild());
    EXPECT_FALSE(tp->Calculation()->RecalculationNeeded()) << "finalised";
    EXPECT_EQ(tp->LapCount(), 0) << "laps detected again";
    for (int32_t q = 1; q * 100 <= 30000; ++q) {
        const int32_t t = q * 100;
        const RqelSampleIdx10Hz slot = tp->Get10HzSlot(q);
        const double accel = tp->calcAcceleration(t);
        ASSERT_EQ(slot.FSpeedMMS(), Round(tp->calcSpeed(t, 0) * 1000)) << "slot " << q;
        ASSERT_EQ(slot.FAcceleration(), std::fabs(accel) < 32 ? Round(accel * 1000) : 0)
            << "slot " << q;
        ASSERT_EQ(slot.FHeartbeat(), Round(tp->calcHeartbeat(t, false) * 100)) << "slot " << q;
    }
    EXPECT_GT(tp->Get10HzSlot(100).FHeartbeat(), 0);
    // A steady walk: the 10 s window holds twice the 5 s one.
    const TqelMIPDistValue mip = tp->MIPDist1Hz(12);
    EXPECT_GT(mip.Value(0), 9000);
    EXPECT_NEAR(mip.Value(1), 2 * mip.Value(0), mip.Value(0) / 20);
    EXPECT_EQ(mip.Value(9), mip.Value(8)) << "both long windows hold the whole walk";

    const std::vector<uint8_t> sequential = IndexBytes(*dataset);
    dataset->setRebuildThreadCount(2);
    ASSERT_TRUE(dataset->rebuildIndexes(true, {}));
    EXPECT_TRUE(IndexBytes(*dataset) == sequential);
    EXPECT_FALSE(dataset->IndexesNeedsToRebuild());
}

TEST_F(DatasetRebuildDatabase, CancelFromAnotherThreadKeepsTheIndexesMarkedStale) {
    AddWalkers(*dataset, 6, 20);
    dataset->setIndexesNeedsToRebuild(false);
    {
        CancelPartWay cancel(*dataset, [this] { dataset->DoCancelRebuild(nullptr); });
        EXPECT_FALSE(dataset->rebuildIndexes(true, {}));
    }
    ExpectLeadingRunRebuilt(*dataset);
    EXPECT_TRUE(dataset->IndexesNeedsToRebuild());
}

}  // namespace
