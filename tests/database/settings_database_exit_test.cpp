#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include "database/database.h"
#include "database_test_support.h"
#include "foundation/settings/client_config.h"
#include "support/temp_folder.h"

// The client settings own a database; a program whose settings connected it must still end
// cleanly. The check runs this test program again as a child that loads such settings and ends.

namespace {

const char* const kChildSettings = "QEL_TEST_CHILD_CLIENT_SETTINGS";

}  // namespace

TEST(SettingsDatabaseExit, ChildLoadsTheSettingsAndEnds) {
    const QString settings = qEnvironmentVariable(kChildSettings);
    if (settings.isEmpty()) {
        GTEST_SKIP() << "runs as the child of the test below";
    }
    ClientConfig()->loadFromIni(settings, true);
    ASSERT_TRUE(ClientConfig()->Database()->Connected());
}

TEST(SettingsDatabaseExit, AProgramWhoseSettingsConnectedEndsCleanly) {
    if (qEnvironmentVariableIsSet(kChildSettings)) {
        GTEST_SKIP() << "the child runs no children";
    }
    qel::test::TempFolder folder;
    const QString settings = folder.file(QStringLiteral("client.ini"));
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((QStringLiteral("[Database]\r\nConnectionstring=") +
                qel::test::ConnectionStringFor(qel::test::DatabaseRoad::SQLite,
                                               folder.file(QStringLiteral("qel.db"))) +
                QStringLiteral("\r\n"))
                   .toUtf8());
    file.close();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildSettings), settings);
    child.setProcessEnvironment(environment);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_filter=SettingsDatabaseExit.ChildLoadsTheSettingsAndEnds")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
