#include "shared/timeout_manager.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/crash_reporter.h"
#include "platform/queued_call.h"
#include "platform/tick_count.h"
#include "support/temp_folder.h"

namespace {

// A manager whose timer is off: the test drives the ticks with a set tick count.
class TimeOutManagerTest : public ::testing::Test {
protected:
    TimeOutManagerTest() : FScope(FTicks) { FManager.stop(); }

    uint32_t add(int32_t anInterval, int aTag) {
        return FManager.addTimeOut([this, aTag](uint32_t, uint32_t) { FFired.push_back(aTag); },
                                   anInterval, 0);
    }

    qel::FakeTickSource FTicks{1000};
    qel::ScopedTickSource FScope;
    TlpmTimeOutManager FManager;
    std::vector<int> FFired;
};

TEST_F(TimeOutManagerTest, FiresOnlyAtTheFirstTickStrictlyAfterItsInterval) {
    struct Case {
        int32_t Interval;
        uint32_t NotYetAt;  // ticks after adding
        uint32_t FiresAt;
    };
    const Case cases[] = {{100, 100, 101}, {0, 0, 1}, {-1, 0, 0}, {1000, 1000, 1001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Interval);
        FFired.clear();
        FTicks.Set(5000);
        add(c.Interval, 1);
        if (c.NotYetAt != c.FiresAt) {
            FTicks.Set(5000 + c.NotYetAt);
            FManager.processTick();
            EXPECT_TRUE(FFired.empty());
        }
        FTicks.Set(5000 + c.FiresAt);
        FManager.processTick();
        EXPECT_EQ(FFired, std::vector<int>{1});
        EXPECT_EQ(FManager.Count(), 0);
    }
}

TEST_F(TimeOutManagerTest, EntriesDueAtOneTickFireNewestFirst) {
    add(10, 1);
    add(50, 2);
    add(30, 3);
    add(500, 4);
    FTicks.Advance(100);
    FManager.processTick();
    EXPECT_EQ(FFired, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(FManager.Count(), 1);
}

TEST_F(TimeOutManagerTest, RemovingAPendingHandleClearsItAndAFiredOneIsLeftAlone) {
    uint32_t pending = add(10, 1);
    uint32_t fired = add(0, 2);
    const uint32_t firedHandle = fired;
    EXPECT_NE(pending, 0u);
    EXPECT_NE(pending, fired);

    FManager.removeTimeOut(pending);
    EXPECT_EQ(pending, 0u);
    FTicks.Advance(1);
    FManager.processTick();
    EXPECT_EQ(FFired, std::vector<int>{2});

    FManager.removeTimeOut(fired);
    EXPECT_EQ(fired, firedHandle);
    FTicks.Advance(100);
    FManager.processTick();
    EXPECT_EQ(FFired, std::vector<int>{2});
}

TEST_F(TimeOutManagerTest, CallbacksMayAddAndRemoveEntriesDuringTheTick) {
    uint32_t older = add(5, 1);  // due, but removed by the newer one before its turn
    uint32_t added = 0;
    FManager.addTimeOut(
        [&](uint32_t, uint32_t) {
            FFired.push_back(2);
            FManager.removeTimeOut(older);
            // Measured against the same now: 0 ms waits for the next tick, -1 fires at once.
            added = add(0, 3);
            add(-1, 4);
        },
        5, 0);
    FTicks.Advance(10);
    FManager.processTick();
    EXPECT_EQ(FFired, (std::vector<int>{2, 4}));
    EXPECT_EQ(older, 0u);
    EXPECT_NE(added, 0u);

    FTicks.Advance(1);
    FManager.processTick();
    EXPECT_EQ(FFired, (std::vector<int>{2, 4, 3}));
    EXPECT_EQ(FManager.Count(), 0);
}

TEST_F(TimeOutManagerTest, TheWrapOfTheTickCountDoesNotDisturbTimeOuts) {
    FTicks.Set(0xFFFFFF00u);
    add(1000, 1);
    FTicks.Set(0xFFFFFF00u + 1000u);  // wrapped past 0
    FManager.processTick();
    EXPECT_TRUE(FFired.empty());
    FTicks.Advance(1);
    FManager.processTick();
    EXPECT_EQ(FFired, std::vector<int>{1});
}

TEST_F(TimeOutManagerTest, CallbackParametersAndEntriesWithoutCallback) {
    uint32_t seenHandle = 0;
    uint32_t seenParam = 0;
    const uint32_t handle = FManager.addTimeOut(
        [&](uint32_t aHandle, uint32_t aParam) {
            seenHandle = aHandle;
            seenParam = aParam;
        },
        0, 77);
    // Newer and without a callback: taken first, it ends the tick.
    FManager.addTimeOut({}, 0, 0);
    FTicks.Advance(1);
    FManager.processTick();
    EXPECT_EQ(seenHandle, 0u);
    EXPECT_EQ(FManager.Count(), 1);
    FManager.processTick();
    EXPECT_EQ(seenHandle, handle);
    EXPECT_EQ(seenParam, 77u);
}

TEST_F(TimeOutManagerTest, ARaisingCallbackDoesNotStopTheOthers) {
    qel::test::TempFolder folder;
    qel::CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
    add(0, 1);
    FManager.addTimeOut([](uint32_t, uint32_t) { throw std::runtime_error("boom"); }, 0, 0);
    FTicks.Advance(1);
    FManager.processTick();
    EXPECT_EQ(FFired, std::vector<int>{1});
    qel::CrashReporter::SetLogFileName({});
}

TEST_F(TimeOutManagerTest, StoppedTimerFiresNothingAndFiresDueEntriesAfterStart) {
    add(0, 1);
    FTicks.Advance(100);
    EXPECT_FALSE(FManager.Active());
    qel::ProcessMessagesFor(4 * TlpmTimeOutManager::kTickInterval);
    EXPECT_TRUE(FFired.empty());

    FManager.start();
    EXPECT_TRUE(qel::ProcessMessagesFor(5000, [this] { return !FFired.empty(); }));
    EXPECT_EQ(FFired, std::vector<int>{1});
}

TEST(TimeOutManagerSingleton, IsOneRunningManager) {
    TlpmTimeOutManager* manager = TimeOutManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager, TimeOutManager());
    EXPECT_TRUE(manager->Active());
}

// Whichever thread asks first, the manager ticks on the main thread. Its first use must come
// before anything else in the process has made it, so it runs in a process of its own.
TEST(TimeOutManagerSingletonDeathTest, FirstUsedFromAWorkerThreadStillFiresOnTheMainThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TlpmTimeOutManager* manager = nullptr;
            std::thread([&] { manager = TimeOutManager(); }).join();
            std::thread::id firedOn;
            manager->addTimeOut([&](uint32_t, uint32_t) { firedOn = std::this_thread::get_id(); },
                                0, 0);
            const bool fired =
                qel::ProcessMessagesFor(5000, [&] { return firedOn != std::thread::id(); });
            const bool onMain = firedOn == std::this_thread::get_id() &&
                                manager->thread() == QCoreApplication::instance()->thread();
            std::fprintf(stderr, "fired %d on the main thread %d\n", fired, onMain);
            std::_Exit(fired && onMain ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "fired 1 on the main thread 1");
}

}  // namespace
