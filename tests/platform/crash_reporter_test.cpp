#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/crash_reporter.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "support/temp_folder.h"

namespace {

QByteArray ReadAll(const QString& aFileName) {
    QFile file(aFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CrashReporterTest : public ::testing::Test {
protected:
    void TearDown() override { qel::CrashReporter::SetLogFileName({}); }

    qel::test::TempFolder FFolder;
    qel::FakeClock FClock{EncodeDateTime(2024, 3, 5, 14, 7, 9, 45)};
    qel::ScopedClock FClockScope{FClock};
};

}  // namespace

TEST_F(CrashReporterTest, AppendsDatedLinesWithCrLfAndCounts) {
    const QString log = FFolder.file(QStringLiteral("server_crash.log"));
    {
        QFile old(log);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier\r\n");
    }
    qel::CrashReporter::SetLogFileName(log);
    EXPECT_EQ(qel::CrashReporter::LogFileName(), log);
    const int64_t before = qel::CrashReporter::ReportCount();

    qel::CrashReporter::Report(EAssertionFailed(QStringLiteral("text")));
    FClock.Advance(1);
    qel::CrashReporter::Report(EConvertError(QStringLiteral("first\nsecond")),
                               QStringLiteral("Interval thread"));
    qel::CrashReporter::ReportUnknown(QStringLiteral("Pool task"));

    EXPECT_EQ(qel::CrashReporter::ReportCount(), before + 3);
    EXPECT_EQ(ReadAll(log),
              QByteArray("earlier\r\n"
                         "2024-03-05 14:07:09.045 EAssertionFailed - text\r\n"
                         "2024-03-05 14:07:09.046 Interval thread: EConvertError - first\r\n"
                         "second\r\n"
                         "2024-03-05 14:07:09.046 Pool task: Unknown exception\r\n"));
}

TEST_F(CrashReporterTest, ThreadsReportingAtOnceKeepWholeLines) {
    const QString log = FFolder.file(QStringLiteral("crash.log"));
    qel::CrashReporter::SetLogFileName(log);
    const int64_t before = qel::CrashReporter::ReportCount();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 25; ++i) {
                qel::CrashReporter::Report(EInvalidOp(QStringLiteral("worker")));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(qel::CrashReporter::ReportCount(), before + 100);
    const QByteArray line("2024-03-05 14:07:09.045 EInvalidOp - worker\r\n");
    EXPECT_EQ(ReadAll(log), line.repeated(100));
}

TEST_F(CrashReporterTest, AnUnwritableLogIsSwallowedButCounted) {
    qel::CrashReporter::SetLogFileName(FFolder.file(QStringLiteral("missing/folder/crash.log")));
    const int64_t before = qel::CrashReporter::ReportCount();
    qel::CrashReporter::Report(std::runtime_error("disk full"));
    EXPECT_EQ(qel::CrashReporter::ReportCount(), before + 1);
    EXPECT_FALSE(QFile::exists(FFolder.file(QStringLiteral("missing/folder/crash.log"))));
}

TEST_F(CrashReporterTest, DefaultsToTheExecutableFolder) {
    EXPECT_EQ(qel::CrashReporter::LogFileName(),
              QDir(QCoreApplication::applicationDirPath())
                  .filePath(QStringLiteral("test_platform_crash.log")));
}
