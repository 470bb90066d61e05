#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <atomic>
#include <memory>
#include <set>
#include <thread>

#include "foundation/logging/file_logger.h"
#include "platform/crash_reporter.h"
#include "support/temp_folder.h"
#include "threaded_log_lines.h"

namespace {

QByteArray ReadAll(const QString& aFileName) {
    QFile file(aFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The writer runs on its own; wait for what it must produce, not for a time.
bool WaitForContent(const QString& aFileName, const QByteArray& aExpected) {
    return QTest::qWaitFor([&] { return ReadAll(aFileName) == aExpected; }, 10000);
}

class FileLoggerTest : public ::testing::Test {
protected:
    qel::test::TempFolder folder;
};

TEST_F(FileLoggerTest, WritesNonBlankLinesAsGivenWithCrlfAfterFlush) {
    const QString name = folder.file(QStringLiteral("out.log"));
    TqelFileLogger logger;
    logger.Add(QStringLiteral("before a file"));
    logger.setFilename(name);
    EXPECT_EQ(logger.Filename(), name);
    logger.Add(QStringLiteral("   "));
    logger.Add(QStringLiteral("\t\r\n"));
    logger.Add(QString());
    logger.Add(QStringLiteral("  two leading blanks"));
    logger.Add(QString::fromUtf8("Gr\u00FC\u00DFe \u20AC"));
    logger.Flush();
    EXPECT_TRUE(WaitForContent(name, QByteArray("  two leading blanks\r\nGr\xFC\xDF"
                                                "e \x80\r\n")))
        << ReadAll(name).toStdString();
}

TEST_F(FileLoggerTest, AppendsToAnExistingFile) {
    const QString name = folder.file(QStringLiteral("out.log"));
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old\r\n");
    }
    TqelFileLogger logger;
    logger.setFilename(name);
    logger.Add(QStringLiteral("new"));
    logger.Flush();
    EXPECT_TRUE(WaitForContent(name, "old\r\nnew\r\n"));
}

// The file is held while it is open: a second logger on it is refused clearly instead of
// writing over the first one's lines, and gets it once the first lets go.
TEST_F(FileLoggerTest, ASecondLoggerOnTheSameFileIsRefused) {
    const QString name = folder.file(QStringLiteral("out.log"));
    auto first = std::make_unique<TqelFileLogger>();
    first->setFilename(name);
    first->Add(QStringLiteral("one"));
    first->Flush();
    ASSERT_TRUE(WaitForContent(name, "one\r\n"));

    TqelFileLogger second;
    try {
        second.setFilename(name);
        ADD_FAILURE() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot open file \"%1\". The process cannot access "
                                              "the file because it is being used by another "
                                              "process")
                                   .arg(name));
    }
    EXPECT_EQ(second.Filename(), QString());
    first->Add(QStringLiteral("two"));
    first->Flush();
    EXPECT_TRUE(WaitForContent(name, "one\r\ntwo\r\n"));

    first.reset();
    second.setFilename(name);
    second.Add(QStringLiteral("three"));
    second.Flush();
    EXPECT_TRUE(WaitForContent(name, "one\r\ntwo\r\nthree\r\n"));
}

TEST_F(FileLoggerTest, SameNameTwiceKeepsTheOpenFile) {
    const QString name = folder.file(QStringLiteral("out.log"));
    TqelFileLogger logger;
    logger.setFilename(name);
    logger.Add(QStringLiteral("one"));
    logger.Flush();
    ASSERT_TRUE(WaitForContent(name, "one\r\n"));
    // Were the file reopened, it would be created again.
    ASSERT_TRUE(QFile::remove(name));
    logger.setFilename(name);
    EXPECT_FALSE(QFile::exists(name));
}

TEST_F(FileLoggerTest, LinesStillQueuedAreWrittenOnDestruction) {
    const QString name = folder.file(QStringLiteral("out.log"));
    {
        TqelFileLogger logger;
        logger.setFilename(name);
        for (int i = 0; i < 100; ++i) {
            logger.Add(QString::number(i));
        }
    }
    QByteArray expected;
    for (int i = 0; i < 100; ++i) {
        expected += QByteArray::number(i) + "\r\n";
    }
    EXPECT_EQ(ReadAll(name), expected);
}

TEST_F(FileLoggerTest, AFileThatCannotBeCreatedRaisesAndEmptiesTheName) {
    const QString good = folder.file(QStringLiteral("good.log"));
    TqelFileLogger logger;
    logger.setFilename(good);
    const QString bad = folder.file(QStringLiteral("missing/out.log"));
    try {
        logger.setFilename(bad);
        ADD_FAILURE() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot create file \"%1\"").arg(bad)))
            << e.Message().toStdString();
    }
    EXPECT_EQ(logger.Filename(), QString());
    logger.Add(QStringLiteral("dropped"));
    logger.Flush();
    logger.setFilename(good);
    logger.Add(QStringLiteral("kept"));
    logger.Flush();
    EXPECT_TRUE(WaitForContent(good, "kept\r\n"));
}

TEST_F(FileLoggerTest, AnExistingFileThatCannotBeOpenedRaises) {
    TqelFileLogger logger;
    // A folder exists but cannot be opened as a file.
    EXPECT_THROW(logger.setFilename(folder.path()), EFOpenError);
    EXPECT_EQ(logger.Filename(), QString());
}

TEST_F(FileLoggerTest, WriteErrorsGoToTheCrashReporterAndTheWriterGoesOn) {
    qel::CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
    const int64_t before = qel::CrashReporter::ReportCount();
    {
        TqelFileLogger logger;
        logger.setFilename(QStringLiteral("/dev/full"));
        logger.Add(QStringLiteral("first"));
        logger.Flush();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return qel::CrashReporter::ReportCount() > before; }, 10000));
        logger.Add(QStringLiteral("second"));
        logger.Flush();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return qel::CrashReporter::ReportCount() > before + 1; }, 10000));
    }
    EXPECT_TRUE(ReadAll(folder.file(QStringLiteral("crash.log"))).contains("/dev/full"));
    qel::CrashReporter::SetLogFileName(QString());
}

TEST_F(FileLoggerTest, NamesItsThreadWithinTheLimit) {
    TqelFileLogger logger;
    EXPECT_EQ(logger.Name(), QStringLiteral("TqelFileLogger"));
    logger.setName(QStringLiteral("NMEA"));
    logger.setFilename(folder.file(QStringLiteral("nmea.log")));
    const QByteArray expected = ("NMEA: " + logger.Filename()).toUtf8().left(15);
    bool found = false;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        found = found ||
                ReadAll(QStringLiteral("/proc/self/task/%1/comm").arg(task)).trimmed() == expected;
    }
    EXPECT_TRUE(found) << expected.toStdString();
}

// Many threads add while the file name changes under them: every line lands whole in one of
// the files, none is lost, and ThreadSanitizer sees no race.
TEST_F(FileLoggerTest, ManyWritersAndAFilenameChange) {
    constexpr int kThreads = 8;
    constexpr int kLines = 400;
    const QString first = folder.file(QStringLiteral("first.log"));
    const QString second = folder.file(QStringLiteral("second.log"));
    {
        TqelFileLogger logger;
        logger.setFilename(first);
        std::atomic<int> running{kThreads};
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t) {
            writers.emplace_back([&, t] {
                for (int i = 0; i < kLines; ++i) {
                    logger.Add(QStringLiteral("writer %1 line %2").arg(t).arg(i));
                    if (i % 50 == 0) {
                        logger.Flush();
                    }
                }
                --running;
            });
        }
        for (int switches = 0; running > 0 || switches < 4; ++switches) {
            logger.setFilename(switches % 2 == 0 ? second : first);
            (void)logger.Filename();
            std::this_thread::yield();
        }
        for (std::thread& writer : writers) {
            writer.join();
        }
    }
    const QList<QByteArray> lines = (ReadAll(first) + ReadAll(second)).split('\n');
    std::set<QByteArray> unique;
    for (const QByteArray& line : lines) {
        if (!line.isEmpty()) {
            EXPECT_TRUE(line.startsWith("writer ") && line.endsWith('\r')) << line.toStdString();
            unique.insert(line);
        }
    }
    EXPECT_EQ(lines.size() - 1, kThreads * kLines);
    EXPECT_EQ(unique.size(), static_cast<size_t>(kThreads * kLines));
}

// Four threads add while the file changes under them many times: each pass writes outside the
// queue's lock, yet every line lands once, and the files read in the order they were set hold
// each thread's lines in order. Run under ThreadSanitizer too.
TEST_F(FileLoggerTest, FourThreadsWhileTheFileChangesKeepEveryLineOnceInOrder) {
    constexpr int kThreads = 4;
    constexpr int kLines = 100000;
    QStringList files;
    {
        TqelFileLogger logger;
        const auto nextFile = [&] {
            files << folder.file(QStringLiteral("%1.log").arg(files.size()));
            logger.setFilename(files.last());
        };
        nextFile();
        qel::test::LogFromThreads(
            kThreads, kLines,
            [&](int aThread, int aLine) {
                logger.Add(QStringLiteral("writer %1 %2").arg(aThread).arg(aLine));
                if (aLine % 1000 == 0) {
                    logger.Flush();
                }
            },
            nextFile);
    }
    QByteArray written;
    for (const QString& file : files) {
        written += ReadAll(file);
    }
    EXPECT_EQ(qel::test::CheckLinesOncePerThreadInOrder(written, kThreads, kLines), QString());
}

}  // namespace
