#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <vector>

#include "foundation/logging/logger.h"
#include "platform/date_time.h"
#include "support/temp_folder.h"
#include "threaded_log_lines.h"

namespace {

QByteArray ReadAll(const QString& aFileName) {
    QFile file(aFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class LoggerTest : public ::testing::Test {
protected:
    qel::FakeClock clock{EncodeDateTime(2020, 8, 14, 14, 37, 5, 123)};
    qel::ScopedClock scopedClock{clock};
    qel::test::TempFolder folder;
};

TEST_F(LoggerTest, DefaultLevelKeepsErrorsAndDropsDetails) {
    TlpmLogger logger;
    logger.error(QStringLiteral("broken"));
    logger.bug(QStringLiteral("odd"));
    logger.log(lcSys, llDetails, QStringLiteral("chatty"));
    logger.log(lcLog, llNormal, QStringLiteral("normal"));
    EXPECT_EQ(logger.KeptLines(), QStringLiteral("2020/08/14 14:37:05.123: (ERR) broken\r\n"
                                                 "2020/08/14 14:37:05.123: (BUG) odd\r\n"
                                                 "2020/08/14 14:37:05.123: (LOG) normal\r\n"));

    logger.setLevel(llOff);
    logger.error(QStringLiteral("dropped"));
    logger.setLevel(llVerbose);
    logger.log(lcSys, llVerbose, QStringLiteral("kept"));
    EXPECT_TRUE(logger.KeptLines().endsWith(QStringLiteral(": (SYS) kept\r\n")));
    EXPECT_FALSE(logger.KeptLines().contains(QStringLiteral("dropped")));
}

TEST_F(LoggerTest, LineFormatTagsPercentAndLineEnds) {
    TlpmLogger logger;
    std::vector<std::tuple<TlpmLogLevel, TlpmLogCategory, QString>> seen;
    logger.OnLog = [&](TlpmLogLevel aLevel, TlpmLogCategory aCategory, const QString& aLine) {
        seen.emplace_back(aLevel, aCategory, aLine);
    };
    logger.error(QStringLiteral("50% of %s done %d"));
    logger.LogMessage(QStringLiteral("100%"));
    logger.log(lcFat, llMinimal, QStringLiteral("no tag"));
    logger.log(lcSys, llNormal, QStringLiteral("two ends\r\n\r\n"));
    logger.log(lcSys, llNormal, QStringLiteral("lone cr\r"));

    const QString stamp = QStringLiteral("2020/08/14 14:37:05.123: ");
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], std::make_tuple(llMinimal, lcErr, stamp + "(ERR) 50% of %s done %d"));
    EXPECT_EQ(seen[1], std::make_tuple(llNormal, lcSys, stamp + "(SYS) 100%"));
    EXPECT_EQ(seen[2], std::make_tuple(llMinimal, lcFat, stamp + "no tag"));
    EXPECT_EQ(std::get<2>(seen[3]), stamp + "(SYS) two ends");
    EXPECT_EQ(std::get<2>(seen[4]), stamp + "(SYS) lone cr\r");
    EXPECT_TRUE(
        logger.KeptLines().endsWith(stamp + "(SYS) two ends\r\n" + stamp + "(SYS) lone cr\r\r\n"));
}

TEST_F(LoggerTest, KeepsOnlyTheNewestLinesWithoutAFile) {
    TlpmLogger logger;
    for (int i = 0; i < TlpmLogger::kMaxKeptLines + 5; ++i) {
        logger.error(QString::number(i));
    }
    const QStringList lines = logger.KeptLines().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), TlpmLogger::kMaxKeptLines);
    EXPECT_TRUE(lines.first().endsWith(QStringLiteral("(ERR) 5")));
    EXPECT_TRUE(lines.last().endsWith(QString::number(TlpmLogger::kMaxKeptLines + 4)));
}

TEST_F(LoggerTest, WritesAnHourlyFileStrippingOnlyTheTrailingExtension) {
    clock.Set(EncodeDateTime(2020, 8, 14, 9, 5, 0, 0));
    // A folder whose name holds the extension's text must keep it.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("app.log")));
    const QString base = folder.file(QStringLiteral("app.log/app.log"));
    const QString expected = folder.file(QStringLiteral("app.log/app_2020-08-14_0900-0959.log"));

    TlpmLogger logger;
    EXPECT_EQ(logger.HourlyFileName(), QString());
    logger.start(base);
    EXPECT_EQ(logger.HourlyFileName(), expected);
    logger.error(QString::fromUtf8("Gr\u00FC\u00DFe \u20AC"));
    logger.stop();
    EXPECT_EQ(ReadAll(expected), QByteArray("2020/08/14 09:05:00.000: (ERR) Gr\xFC\xDF"
                                            "e \x80\r\n"));
    EXPECT_EQ(logger.KeptLines(), QString());
}

TEST_F(LoggerTest, AppendsToAnExistingFile) {
    const QString expected = folder.file(QStringLiteral("lpm_2020-08-14_1400-1459.log"));
    {
        QFile file(expected);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old line\r\n");
    }
    TlpmLogger logger;
    logger.start(folder.file(QStringLiteral("lpm.log")));
    logger.error(QStringLiteral("new line"));
    logger.stop();
    EXPECT_EQ(ReadAll(expected),
              QByteArray("old line\r\n2020/08/14 14:37:05.123: (ERR) new line\r\n"));
}

TEST_F(LoggerTest, ABurstBeyondTheMemoryLimitReachesTheFileWhole) {
    TlpmLogger logger;
    logger.start(folder.file(QStringLiteral("lpm.log")));
    const int count = TlpmLogger::kMaxKeptLines + 5;
    for (int i = 0; i < count; ++i) {
        logger.error(QString::number(i));
    }
    logger.stop();
    const QByteArray written = ReadAll(folder.file(QStringLiteral("lpm_2020-08-14_1400-1459.log")));
    EXPECT_EQ(written.count("\r\n"), count);
    EXPECT_TRUE(written.startsWith("2020/08/14 14:37:05.123: (ERR) 0\r\n"));
}

// The caller only keeps lines: a burst past the memory limit is written by the writer thread at
// once, without waiting for the flush interval or a stop.
TEST_F(LoggerTest, TheWriterTakesABurstAtOnce) {
    TlpmLogger logger;
    logger.setFlushInterval(3600000);
    logger.start(folder.file(QStringLiteral("lpm.log")));
    const int count = TlpmLogger::kMaxKeptLines + 1;
    for (int i = 0; i < count; ++i) {
        logger.error(QString::number(i));
    }
    const QString file = folder.file(QStringLiteral("lpm_2020-08-14_1400-1459.log"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReadAll(file).count("\r\n") == count; }, 10000));
    logger.error(QStringLiteral("flushed"));
    logger.Flush();
    EXPECT_TRUE(ReadAll(file).endsWith("(ERR) flushed\r\n"));
    logger.stop();
}

TEST_F(LoggerTest, FileErrorsKeepTheLinesForTheNextFlush) {
    TlpmLogger logger;
    logger.start(folder.file(QStringLiteral("missing/lpm.log")));
    logger.error(QStringLiteral("waiting"));
    EXPECT_NO_THROW(logger.stop());
    EXPECT_TRUE(logger.KeptLines().contains(QStringLiteral("waiting")));

    logger.start(folder.file(QStringLiteral("lpm.log")));
    logger.stop();
    EXPECT_TRUE(ReadAll(folder.file(QStringLiteral("lpm_2020-08-14_1400-1459.log")))
                    .endsWith("(ERR) waiting\r\n"));
}

TEST_F(LoggerTest, TimerFlushesWhileStarted) {
    TlpmLogger logger;
    logger.setFlushInterval(10);
    logger.start(folder.file(QStringLiteral("lpm.log")));
    logger.error(QStringLiteral("by timer"));
    const QString file = folder.file(QStringLiteral("lpm_2020-08-14_1400-1459.log"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReadAll(file).contains("by timer"); }, 10000));
    logger.stop();
}

TEST_F(LoggerTest, FatalWritesAndAsksToQuit) {
    int terminations = 0;
    {
        TlpmLogger logger;
        logger.OnTerminate = [&] { ++terminations; };
        logger.start(folder.file(QStringLiteral("lpm.log")));
        logger.fatal(QStringLiteral("the end"));
        EXPECT_EQ(terminations, 1);
        EXPECT_EQ(ReadAll(folder.file(QStringLiteral("lpm_2020-08-14_1400-1459.log"))),
                  QByteArray("2020/08/14 14:37:05.123: the end\r\n"));
        logger.error(QStringLiteral("written on destruction"));
    }
    EXPECT_TRUE(ReadAll(folder.file(QStringLiteral("lpm_2020-08-14_1400-1459.log")))
                    .endsWith("(ERR) written on destruction\r\n"));
}

TEST_F(LoggerTest, LoggerIsOneObject) {
    EXPECT_EQ(&Logger(), &Logger());
    EXPECT_EQ(Logger().Level(), llNormal);
}

// Four threads log while the file name changes many times and the writer passes run often: every
// line is in the files once, and the files read in the order they were set hold each thread's
// lines in order. Run under ThreadSanitizer too.
TEST_F(LoggerTest, FourThreadsWhileTheFileNameChangesKeepEveryLineOnceInOrder) {
    constexpr int kThreads = 4;
    constexpr int kLines = 100000;
    QStringList bases;
    TlpmLogger logger;
    logger.setFlushInterval(1);
    const auto nextFile = [&] {
        bases << folder.file(QStringLiteral("%1.log").arg(bases.size()));
        logger.start(bases.last());
    };
    nextFile();
    qel::test::LogFromThreads(
        kThreads, kLines,
        [&](int aThread, int aLine) {
            logger.log(lcLog, llNormal, QStringLiteral("%1 %2").arg(aThread).arg(aLine));
        },
        nextFile);
    logger.stop();
    QByteArray written;
    for (const QString& base : bases) {
        written += ReadAll(base.chopped(4) + QStringLiteral("_2020-08-14_1400-1459.log"));
    }
    EXPECT_EQ(qel::test::CheckLinesOncePerThreadInOrder(written, kThreads, kLines), QString());
}

}  // namespace
