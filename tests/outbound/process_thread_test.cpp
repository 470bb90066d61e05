#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <memory>

#include "outbound/process_thread.h"
#include "platform/crash_reporter.h"
#include "platform/exception.h"
#include "platform/queued_call.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPatienceMs = 10000;

class ProcessThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        qel::CrashReporter::SetLogFileName(FFolder.file(QStringLiteral("crash.log")));
    }
    void TearDown() override { qel::CrashReporter::SetLogFileName({}); }

    // A thread whose lines land in FLines.
    std::unique_ptr<TqelProcessThread> MakeThread(TqelDoProcess aProcess, int32_t anInterval) {
        auto thread = std::make_unique<TqelProcessThread>(std::move(aProcess), anInterval,
                                                          QStringLiteral("Counter"));
        thread->setOnLogMessage([this](const QString& aLine) { FLines << aLine; });
        return thread;
    }

    bool WaitFor(const std::function<bool()>& aDone) {
        return qel::ProcessMessagesFor(kPatienceMs, aDone);
    }

    // Stops without a termination request, so the end is logged, and delivers the lines.
    void StopAndDrain(TqelProcessThread& aThread) {
        aThread.Stop();
        ASSERT_TRUE(aThread.wait(kPatienceMs));
        ASSERT_TRUE(
            WaitFor([&] { return FLines.contains(QStringLiteral("Counter.Execute: End")); }));
    }

    qel::test::TempFolder FFolder;
    QStringList FLines;
    std::atomic<int> FPasses{0};
};

TEST_F(ProcessThreadTest, LogsBeginAndEndAroundItsPasses) {
    auto thread = MakeThread([this] { ++FPasses; }, 1);
    thread->setSynchronized(false);
    EXPECT_FALSE(thread->isRunning());
    thread->start();
    ASSERT_TRUE(WaitFor([&] { return FPasses >= 3; }));
    StopAndDrain(*thread);
    EXPECT_EQ(FLines, QStringList({QStringLiteral("Counter.Execute: Begin"),
                                   QStringLiteral("Counter.Execute: End")}));
}

TEST_F(ProcessThreadTest, TerminationSilencesTheEndAndCutsAnHourlyPauseShort) {
    auto thread = MakeThread({}, 3600 * 1000);
    thread->start();
    ASSERT_TRUE(WaitFor([&] { return thread->PauseCount() >= 1 && !FLines.isEmpty(); }));
    thread->Terminate();
    ASSERT_TRUE(thread->wait(kPatienceMs));
    qel::ProcessMessagesFor(50);
    EXPECT_EQ(FLines, QStringList{QStringLiteral("Counter.Execute: Begin")});
}

TEST_F(ProcessThreadTest, IntervalZeroRunsPassesBackToBack) {
    auto thread = MakeThread([this] { ++FPasses; }, 0);
    thread->setSynchronized(false);
    thread->start();
    ASSERT_TRUE(WaitFor([&] { return FPasses >= 1000; }));
}

TEST_F(ProcessThreadTest, ARepeatedFailureIsLoggedAndReportedOnceAndStillPauses) {
    const int64_t reportsBefore = qel::CrashReporter::ReportCount();
    auto thread = MakeThread(
        [this] {
            ++FPasses;
            throw EAssertionFailed(QStringLiteral("always the same"));
        },
        0);
    thread->setSynchronized(false);
    thread->start();
    ASSERT_TRUE(WaitFor([&] { return FPasses >= 50; }));
    StopAndDrain(*thread);
    EXPECT_EQ(FLines.count(QStringLiteral("Counter.Execute: always the same")), 1);
    EXPECT_EQ(qel::CrashReporter::ReportCount() - reportsBefore, 1);
    // Every pass, failed or not, is followed by the pause.
    EXPECT_EQ(thread->PauseCount(), FPasses.load());
}

TEST_F(ProcessThreadTest, AlternatingFailuresAreLoggedAtEveryChange) {
    const int64_t reportsBefore = qel::CrashReporter::ReportCount();
    auto thread = MakeThread(
        [this] {
            const int pass = ++FPasses;
            throw EAssertionFailed(pass % 2 ? QStringLiteral("odd") : QStringLiteral("even"));
        },
        0);
    thread->setSynchronized(false);
    thread->start();
    ASSERT_TRUE(WaitFor([&] { return FPasses >= 20; }));
    StopAndDrain(*thread);
    const int passes = FPasses;
    EXPECT_EQ(FLines.count(QStringLiteral("Counter.Execute: odd")), (passes + 1) / 2);
    EXPECT_EQ(FLines.count(QStringLiteral("Counter.Execute: even")), passes / 2);
    EXPECT_EQ(qel::CrashReporter::ReportCount() - reportsBefore, passes);
}

TEST_F(ProcessThreadTest, ASynchronisedPassRunsOnTheMainThreadAndItsFailureIsLogged) {
    std::atomic<int> offMain{0};
    auto thread = MakeThread(
        [&] {
            if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
                ++offMain;
            }
            if (++FPasses == 2) {
                throw EAssertionFailed(QStringLiteral("second pass"));
            }
        },
        1);
    thread->start();
    ASSERT_TRUE(WaitFor([&] { return FPasses >= 5; }));
    StopAndDrain(*thread);
    EXPECT_EQ(offMain, 0);
    EXPECT_TRUE(FLines.contains(QStringLiteral("Counter.Execute: second pass")));
}

TEST_F(ProcessThreadTest, DestroyingOnTheMainThreadWithAPendingPassReturns) {
    auto thread = MakeThread([this] { ++FPasses; }, 0);
    thread->start();
    // The worker queues its first pass and waits for the main thread, which does not serve it.
    QThread::msleep(50);
    thread.reset();
    qel::ProcessMessagesFor(50);
    EXPECT_EQ(FPasses, 0);
}

TEST_F(ProcessThreadTest, LinesQueuedBeforeDestructionNeverReachTheHandler) {
    auto lines = std::make_shared<int>(0);
    {
        TqelProcessThread thread({}, 3600 * 1000, QStringLiteral("Quiet"));
        // The handler reaches an object that dies with the thread.
        auto alive = std::make_unique<int>(0);
        thread.setOnLogMessage([lines, &alive](const QString&) { ++*alive, ++*lines; });
        thread.start();
        while (thread.PauseCount() == 0) {
            QThread::msleep(1);
        }
    }
    qel::ProcessMessagesFor(50);
    EXPECT_EQ(*lines, 0);
}

}  // namespace
