#include "foundation/system/processes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "platform/queued_call.h"
#include "support/temp_folder.h"
#include "test_child.h"

namespace {

using qel::test::TestChild;

// Waits (bounded) until no process of that name runs any more.
bool GoneWithin(const QString& aName, int aMilliseconds) {
    return qel::ProcessMessagesFor(aMilliseconds,
                                   [&] { return FindProcessIdByExeName(aName) == 0; });
}

TEST(Processes, FindAndKillByExecutableNameMatchOnlyThatProgram) {
    TestChild child;
    qint64 id = 0;
    ASSERT_TRUE(QProcess::startDetached(child.path(), {"sleep", "30000"}, {}, &id));
    ASSERT_TRUE(
        qel::ProcessMessagesFor(5000, [&] { return FindProcessIdByExeName(child.name()) != 0; }));

    EXPECT_EQ(FindProcessIdByExeName(child.name()), id);
    EXPECT_EQ(FindProcessIdByExeName(child.name().toUpper()), id);
    EXPECT_EQ(FindProcessIdByExeName(child.name() + ".EXE"), id);
    EXPECT_EQ(FindProcessIdByExeName(child.path()), id);
    EXPECT_EQ(FindProcessIdByExeName(child.name() + "x"), 0);
    EXPECT_EQ(FindProcessIdByExeName(""), 0);
    EXPECT_EQ(KillProcessesByExeName(child.name() + "x"), 0);

    EXPECT_EQ(KillProcessesByExeName(child.name()), 1);
    EXPECT_TRUE(GoneWithin(child.name(), 5000));
    EXPECT_EQ(KillProcessesByExeName(child.name()), 0);
}

TEST(Processes, ExecuteAndWaitReturnsTheExitCode) {
    TestChild child;
    // No fixed-size buffer: a command line far beyond 512 characters runs as well.
    const QString longArgument(2000, 'x');
    EXPECT_EQ(ExecuteAndWait(child.command("exit 7"), SW_HIDE), 7);
    EXPECT_EQ(ExecuteAndWait(child.command("exit 0 " + longArgument), SW_SHOWNORMAL), 0);
    // A talkative program does not stall on its output.
    EXPECT_EQ(ExecuteAndWait(child.command("burst 100000"), SW_HIDE), 0);
    EXPECT_EQ(ExecuteAndWait("\"" + child.file("missing") + "\" exit 0", SW_HIDE), -1);
    EXPECT_EQ(ExecuteAndWait("", SW_HIDE), -1);
}

TEST(Processes, ShellOpenStartsAProgramWithItsParameters) {
    TestChild child;
    const QString touched = child.file("touched by shell open.txt");

    EXPECT_GT(ShellOpen(child.path(), QString("touch \"%1\"").arg(touched), SW_SHOWNORMAL), 32);
    EXPECT_TRUE(qel::ProcessMessagesFor(5000, [&] { return QFile::exists(touched); }));
    EXPECT_EQ(ShellOpen(child.file("missing.ini"), "", SW_SHOWNORMAL), SE_ERR_FNF);
    EXPECT_EQ(ShellOpen("", "", SW_SHOWNORMAL), SE_ERR_FNF);
}

TEST(Processes, ExtractResourceToFileWritesTheWholeResource) {
    qel::test::TempFolder folder;
    // foundation/data/sample_resource.bin, embedded in the test program.
    const QByteArray expected("QEL\x00\x01\x02\xff\xfe\r\nembedded resource\x00", 28);
    const QString target = folder.file("extracted.bin");
    QFile existing(target);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write(QByteArray(1000, 'z'));
    existing.close();

    EXPECT_TRUE(ExtractResourceToFile("test/sample_resource.bin", target));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected);
    EXPECT_TRUE(ExtractResourceToFile(":/test/sample_resource.bin", folder.file("again.bin")));

    EXPECT_FALSE(ExtractResourceToFile("test/missing.bin", folder.file("missing.bin")));
    EXPECT_FALSE(QFile::exists(folder.file("missing.bin")));
    EXPECT_FALSE(ExtractResourceToFile("test/sample_resource.bin", folder.file("no/such/dir.bin")));
}

}  // namespace
