#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

#include "foundation/logging/log_window_core.h"
#include "platform/date_time.h"
#include "platform/queued_call.h"
#include "support/temp_folder.h"

namespace {

// Generous: only reached when something is broken.
constexpr int kPatienceMs = 10000;

const QString kRule = QStringLiteral(" ") + QString(61, QLatin1Char('-'));

QByteArray ReadAll(const QString& aFileName) {
    QFile file(aFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a view built only from the change notifications would show.
class MirrorView {
public:
    explicit MirrorView(TqelShowTextDialog& aLog) {
        QObject::connect(&aLog, &TqelShowTextDialog::LinesChanged, &aLog,
                         [this, &aLog](int aRemoved, int anAdded) {
                             ASSERT_LE(aRemoved, static_cast<int>(FLines.size()));
                             FLines.resize(FLines.size() - static_cast<size_t>(aRemoved));
                             for (int i = anAdded - 1; i >= 0; --i) {
                                 FLines.push_front(aLog.Line(i));
                             }
                         });
    }
    QStringList Lines() const { return QStringList(FLines.begin(), FLines.end()); }

private:
    std::deque<QString> FLines;
};

class LogWindowCoreTest : public ::testing::Test {
protected:
    qel::FakeClock clock{EncodeDateTime(2026, 3, 14, 12, 0, 0, 0)};
    qel::ScopedClock scopedClock{clock};
    qel::test::TempFolder folder;
};

TEST_F(LogWindowCoreTest, DateLineBeforeTheFirstLineAndAtEachDayChange) {
    TqelShowTextDialog log(QStringLiteral("Server log"));
    clock.Set(EncodeDateTime(2025, 12, 31, 23, 59, 59, 900));
    EXPECT_EQ(log.AddText(QStringLiteral("old year")), 0);
    clock.Set(EncodeDateTime(2026, 1, 1, 0, 0, 0, 100));
    log.AddText(QStringLiteral("new year"));
    clock.Advance(5000);
    log.AddText(QStringLiteral("same day"));
    // Always queued: nothing shows before the event loop runs.
    EXPECT_EQ(log.LineCount(), 0);
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return log.LineCount() == 5; }));
    EXPECT_EQ(log.Lines(), QStringList({
                               QStringLiteral("00:00:05.100: same day"),
                               QStringLiteral("00:00:00.100: new year"),
                               QStringLiteral("-- 2026-01-01 00:00:00.100") + kRule,
                               QStringLiteral("23:59:59.900: old year"),
                               QStringLiteral("-- 2025-12-31 23:59:59.900") + kRule,
                           }));
}

TEST_F(LogWindowCoreTest, ClearEmptiesTheViewButKeepsTheDate) {
    TqelShowTextDialog log(QStringLiteral("Server log"));
    log.AddText(QStringLiteral("before"));
    log.DisplayPending();
    ASSERT_EQ(log.LineCount(), 2);
    log.Clear();
    EXPECT_EQ(log.LineCount(), 0);
    log.AddText(QStringLiteral("after"));
    log.DisplayPending();
    EXPECT_EQ(log.Lines(), QStringList{QStringLiteral("12:00:00.000: after")});
}

// 1,500 calls (the start line and 1,499 more) produce 1,501 lines: the view keeps the newest
// 1,201, the file all of them in call order.
TEST_F(LogWindowCoreTest, ViewKeepsTheNewestLinesAndTheFileKeepsEveryLine) {
    const QString fileName = folder.file(QStringLiteral("server_LPM.log"));
    QByteArray expectedFile = "-- 2026-03-14 12:00:00.000" + kRule.toLatin1() + "\r\n" +
                              "12:00:00.000: ---------------- Application started "
                              "------------------------\r\n";
    {
        TqelShowTextDialog log(QStringLiteral("Server log"));
        MirrorView mirror(log);
        log.setLogToFile(fileName);
        EXPECT_EQ(log.LogToFile(), fileName);
        for (int i = 1; i < 1500; ++i) {
            const QString text = QStringLiteral("line %1").arg(i);
            log.AddText(text);
            expectedFile += "12:00:00.000: " + text.toLatin1() + "\r\n";
            // Small batches first, then one larger than the view.
            if (i < 200 && i % 97 == 0) {
                qel::ProcessMessages();
            }
        }
        qel::ProcessMessages();
        ASSERT_EQ(log.LineCount(), 1201);
        EXPECT_EQ(log.Line(0), QStringLiteral("12:00:00.000: line 1499"));
        EXPECT_EQ(log.Line(1200), QStringLiteral("12:00:00.000: line 299"));
        EXPECT_EQ(mirror.Lines(), log.Lines());
    }
    // The file writer makes its last pass when the log is freed.
    EXPECT_EQ(ReadAll(fileName), expectedFile);
}

TEST_F(LogWindowCoreTest, LinesStillPendingAtDestructionReachTheFile) {
    const QString fileName = folder.file(QStringLiteral("pending.log"));
    {
        TqelShowTextDialog log(QStringLiteral("Server log"));
        log.setLogToFile(fileName);
        log.AddText(QStringLiteral("never shown"));
    }
    EXPECT_TRUE(ReadAll(fileName).endsWith("12:00:00.000: never shown\r\n"));
}

TEST_F(LogWindowCoreTest, WorkerLineShowsOnlyWhenTheEventLoopRunsInCallOrder) {
    TqelShowTextDialog log(QStringLiteral("Server log"));
    log.AddText(QStringLiteral("one"));
    std::thread([&] { log.AddText(QStringLiteral("two")); }).join();
    log.AddText(QStringLiteral("three"));
    EXPECT_EQ(log.LineCount(), 0);
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return log.LineCount() == 4; }));
    EXPECT_EQ(log.Line(0), QStringLiteral("12:00:00.000: three"));
    EXPECT_EQ(log.Line(1), QStringLiteral("12:00:00.000: two"));
    EXPECT_EQ(log.Line(2), QStringLiteral("12:00:00.000: one"));
}

TEST_F(LogWindowCoreTest, ShowAsksTheView) {
    TqelShowTextDialog log(QStringLiteral("Server log"));
    int requests = 0;
    QObject::connect(&log, &TqelShowTextDialog::ShowRequested, [&] { ++requests; });
    log.Show();
    EXPECT_EQ(requests, 1);
}

// Four threads report while the main thread shows their lines, across a day change: one date
// line per day, each thread's lines in its order, and no line of the old day above the new
// day's date line.
TEST_F(LogWindowCoreTest, ConcurrentCallersGetOneDateLinePerDayAndTheirOrder) {
    constexpr int kThreads = 4;
    constexpr int kLinesPerThread = 250;
    clock.Set(EncodeDateTime(2026, 3, 14, 23, 59, 59, 999));
    TqelShowTextDialog log(QStringLiteral("Server log"));
    std::atomic<int> added{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            for (int i = 0; i < kLinesPerThread; ++i) {
                log.AddText(QStringLiteral("t%1 %2").arg(t).arg(i));
                added.fetch_add(1);
            }
        });
    }
    go.store(true);
    bool dayChanged = false;
    while (added.load() < kThreads * kLinesPerThread) {
        if (!dayChanged && added.load() >= kThreads * kLinesPerThread / 3) {
            clock.Set(EncodeDateTime(2026, 3, 15, 0, 0, 0, 0));
            dayChanged = true;
        }
        qel::ProcessMessages();
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (!dayChanged) {
        clock.Set(EncodeDateTime(2026, 3, 15, 0, 0, 0, 0));
        log.AddText(QStringLiteral("late"));
    }
    ASSERT_TRUE(qel::ProcessMessagesFor(
        kPatienceMs, [&] { return log.LineCount() >= kThreads * kLinesPerThread + 2; }));

    int dateLines = 0;
    std::vector<int> nextExpected(kThreads, kLinesPerThread - 1);
    bool belowNewDay = false;
    for (const QString& line : log.Lines()) {
        if (line.startsWith(QStringLiteral("-- "))) {
            ++dateLines;
            belowNewDay = true;
            continue;
        }
        EXPECT_EQ(line.startsWith(QStringLiteral("23:59:59.999")), belowNewDay)
            << line.toStdString();
        const QStringList parts = line.mid(14).split(QLatin1Char(' '));
        if (parts.size() == 2 && parts[0].startsWith(QLatin1Char('t'))) {
            const int t = parts[0].mid(1).toInt();
            EXPECT_EQ(parts[1].toInt(), nextExpected[static_cast<size_t>(t)]--);
        }
    }
    EXPECT_EQ(dateLines, 2);
    for (int next : nextExpected) {
        EXPECT_EQ(next, -1);
    }
}

}  // namespace
