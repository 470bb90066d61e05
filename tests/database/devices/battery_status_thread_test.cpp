#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "database/devices/battery_status_thread.h"
#include "database/sqlite_file_fixture.h"
#include "platform/queued_call.h"

namespace {

// What the test sees of the thread's writer, and how it holds it inside a write or makes the
// write fail.
struct WriterProbe {
    std::mutex lock;
    std::condition_variable changed;
    int entered = 0;
    int finished = 0;
    bool hold = false;
    int failNext = 0;
    bool connectedOnEntry = false;

    void Release() {
        std::lock_guard guard(lock);
        hold = false;
        changed.notify_all();
    }
    // Waits (at most a minute, so that a fault fails instead of hanging) until aDone.
    template <class F>
    bool WaitUntil(F aDone) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::minutes(1), [&] { return aDone(*this); });
    }
};

class ProbedWriter : public TqelDBTPBatteryState {
public:
    ProbedWriter(TqelDatabase* aDatabase, WriterProbe& aProbe)
        : TqelDBTPBatteryState(aDatabase), FProbe(aProbe) {}

    void SaveAll() override {
        bool fail = false;
        {
            std::unique_lock guard(FProbe.lock);
            ++FProbe.entered;
            FProbe.connectedOnEntry = FProbe.connectedOnEntry || Database()->Connection()->Active();
            FProbe.changed.notify_all();
            FProbe.changed.wait(guard, [this] { return !FProbe.hold; });
            fail = FProbe.failNext > 0;
            FProbe.failNext -= fail ? 1 : 0;
        }
        struct Finish {
            WriterProbe& probe;
            ~Finish() {
                std::lock_guard guard(probe.lock);
                ++probe.finished;
                probe.changed.notify_all();
            }
        } finish{FProbe};
        if (fail) {
            throw EProviderError(QStringLiteral("disk full"));
        }
        TqelDBTPBatteryState::SaveAll();
    }

private:
    WriterProbe& FProbe;
};

class BatteryStatusThreadTest : public qel::test::SqliteFileTest {
protected:
    // A thread on the fixture's file with a short cycle and the probed writer.
    void StartThread(int aCycleMs = 5) {
        thread = std::make_unique<TqelDBBatteryStatusThread>(
            ConnectionString(), aCycleMs, [this](TqelDatabase* aDatabase) {
                return std::make_unique<ProbedWriter>(aDatabase, probe);
            });
        thread->setOnLogMessage([this](const QString& aLine) { log << aLine; });
        thread->Start();
    }

    QString ConnectionString() {
        return qel::test::ConnectionStringFor(qel::test::DatabaseRoad::SQLite,
                                              folder.file(QStringLiteral("qel.db")));
    }

    bool Logged(const QString& aLine) {
        return qel::ProcessMessagesFor(60000, [&] { return log.contains(aLine); });
    }

    QStringList Stored() {
        return Rows(QStringLiteral("select * from TP_BATTERY_STATE order by TBS_ANTENNA_ID"));
    }

    WriterProbe probe;
    QStringList log;
    // Last: it stops before the probe and the log go.
    std::unique_ptr<TqelDBBatteryStatusThread> thread;
};

TEST_F(BatteryStatusThreadTest, TheLaterReadingOfAnAntennaInACycleIsStored) {
    probe.hold = true;
    StartThread();
    thread->setStoreData(true);
    thread->Add(1, 10, 3600, 1);
    ASSERT_TRUE(probe.WaitUntil([](WriterProbe& p) { return p.entered == 1; }));
    // The thread is held inside its write: Add does not wait for it.
    thread->Add(5, 100, 3700, 0);
    thread->Add(5, 101, 3650, 2);
    EXPECT_EQ(thread->PendingCount(), 1);
    probe.Release();
    ASSERT_TRUE(probe.WaitUntil([](WriterProbe& p) { return p.finished == 2; }));
    EXPECT_EQ(Stored(), (QStringList{"1 10 3600 1", "5 101 3650 2"}));
    EXPECT_FALSE(probe.connectedOnEntry) << "connected only while a cycle writes";
}

TEST_F(BatteryStatusThreadTest, AFailedWriteIsRepeatedWithNewerValuesWinning) {
    probe.hold = true;
    probe.failNext = 1;
    StartThread();
    thread->setStoreData(true);
    thread->Add(1, 10, 3600, 1);
    thread->Add(2, 20, 3500, 1);
    ASSERT_TRUE(probe.WaitUntil([](WriterProbe& p) { return p.entered == 1; }));
    thread->Add(1, 11, 3590, 2);
    probe.Release();
    ASSERT_TRUE(probe.WaitUntil([](WriterProbe& p) { return p.finished == 2; }));
    EXPECT_EQ(Stored(), (QStringList{"1 11 3590 2", "2 20 3500 1"}));
    EXPECT_TRUE(Logged(QStringLiteral("TqelDBBatteryStatusThread.Execute: Error - disk full")));
    EXPECT_TRUE(log.contains(QStringLiteral("TqelDBBatteryStatusThread.Execute: started")));
}

TEST_F(BatteryStatusThreadTest, WithoutStoreDataNothingIsCollectedAndWaitingReadingsAreDropped) {
    StartThread();
    thread->Add(1, 10, 3600, 1);
    EXPECT_EQ(thread->PendingCount(), 0) << "storing is off after creation";

    probe.hold = true;
    thread->setStoreData(true);
    thread->Add(1, 10, 3600, 1);
    ASSERT_TRUE(probe.WaitUntil([](WriterProbe& p) { return p.entered == 1; }));
    thread->Add(2, 20, 3500, 1);
    thread->setStoreData(false);
    thread->Add(3, 30, 3400, 1);
    EXPECT_EQ(thread->PendingCount(), 1);
    probe.Release();
    ASSERT_TRUE(qel::ProcessMessagesFor(60000, [&] { return thread->PendingCount() == 0; }));

    thread->setStoreData(true);
    thread->Add(4, 40, 3300, 1);
    ASSERT_TRUE(probe.WaitUntil([](WriterProbe& p) { return p.finished == 2; }));
    EXPECT_EQ(Stored(), (QStringList{"1 10 3600 1", "4 40 3300 1"}));
}

TEST_F(BatteryStatusThreadTest, TerminatingWakesTheThreadAtOnce) {
    thread = std::make_unique<TqelDBBatteryStatusThread>(ConnectionString());
    thread->setOnLogMessage([this](const QString& aLine) { log << aLine; });
    thread->Start();
    ASSERT_TRUE(Logged(QStringLiteral("TqelDBBatteryStatusThread.Execute: started")));
    QElapsedTimer stopping;
    stopping.start();
    thread.reset();
    EXPECT_LT(stopping.elapsed(), TqelDBBatteryStatusThread::kCycleMs / 2);
}

// Run under ThreadSanitizer: readings arrive from many threads while cycles write them.
TEST_F(BatteryStatusThreadTest, ManyThreadsAddWhileCyclesWrite) {
    constexpr int kThreads = 6;
    constexpr int kReadings = 3000;
    thread = std::make_unique<TqelDBBatteryStatusThread>(ConnectionString(), 1);
    thread->setStoreData(true);
    thread->Start();
    std::vector<std::thread> feeders;
    for (int t = 0; t < kThreads; ++t) {
        feeders.emplace_back([this, t] {
            for (int i = 0; i < kReadings; ++i) {
                thread->Add(t * 100 + i % 40, i, 3000 + i, t);
            }
        });
    }
    for (std::thread& feeder : feeders) {
        feeder.join();
    }
    ASSERT_TRUE(qel::ProcessMessagesFor(60000, [&] { return thread->PendingCount() == 0; }));
    thread.reset();
    const QStringList counts = Rows(
        QStringLiteral("select count(*), count(distinct TBS_ANTENNA_ID), max(TBS_DATETIME_S) from "
                       "TP_BATTERY_STATE"));
    ASSERT_EQ(counts.size(), 1);
    const QStringList values = counts[0].split(u' ');
    EXPECT_GE(values[0].toInt(), kThreads * 40);
    EXPECT_EQ(values[1].toInt(), kThreads * 40);
    EXPECT_EQ(values[2].toInt(), kReadings - 1);
}

}  // namespace
