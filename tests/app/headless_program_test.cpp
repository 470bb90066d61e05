#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QThread>
#include <csignal>

#include "app/instance_channel.h"
#include "platform/crash_reporter.h"
#include "support/temp_folder.h"

namespace {

void WriteText(const QString& aFileName, const QString& aText) {
    QFile file(aFileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(aText.toUtf8());
}

// The built server, run headless against a settings file, SQLite database, temporary folder
// and registry of its own.
class HeadlessProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString clientIni = folder.file(QStringLiteral("client.ini"));
        WriteText(clientIni, QStringLiteral("[Database]\r\nConnectionstring=Provider=SQLite;"
                                            "Data Source=%1\r\n")
                                 .arg(folder.file(QStringLiteral("qel.sqlite"))));
        serverIni = folder.file(QStringLiteral("Server Settings.ini"));
        WriteText(serverIni,
                  QStringLiteral("[General]\r\nClient Ini Location=%1\r\n").arg(clientIni));
    }

    std::unique_ptr<QProcess> Start() {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), folder.path());
        environment.insert(QStringLiteral("HOME"), folder.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           folder.file(QStringLiteral("config")));
        environment.remove(QStringLiteral("DISPLAY"));
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(QEL_SERVER_EXE), {QStringLiteral("--headless"), serverIni});
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }

    // Reads the process's error output until it holds aText.
    static bool WaitForOutput(QProcess& aProcess, QByteArray& aOutput, const QByteArray& aText) {
        QDeadlineTimer deadline(15000);
        while (!aOutput.contains(aText) && !deadline.hasExpired() &&
               aProcess.state() == QProcess::Running) {
            aProcess.waitForReadyRead(100);
            aOutput += aProcess.readAllStandardError();
        }
        aOutput += aProcess.readAllStandardError();
        return aOutput.contains(aText);
    }

    QString ChannelPath() const { return folder.file(QStringLiteral("qelserverMessage")); }

    bool ConnectToChannel() const {
        QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired()) {
            QLocalSocket socket;
            socket.connectToServer(ChannelPath());
            if (socket.waitForConnected(500))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    static void Terminate(QProcess& aProcess, int aSignal) {
        ::kill(pid_t(aProcess.processId()), aSignal);
        EXPECT_TRUE(aProcess.waitForFinished(15000));
        EXPECT_EQ(aProcess.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(aProcess.exitCode(), 0) << aProcess.readAllStandardError().toStdString();
    }

    qel::test::TempFolder folder;
    QString serverIni;
};

TEST_F(HeadlessProgramTest, HoldsLockServesRestoreChannelAndStopsOnSignals) {
    auto first = Start();
    ASSERT_TRUE(ConnectToChannel());
    QByteArray firstOutput;
    EXPECT_TRUE(WaitForOutput(*first, firstOutput, "Restore requested"));

    QLockFile lock(folder.file(QStringLiteral("qelserver.lock")));
    EXPECT_FALSE(lock.tryLock(0));
    qint64 holder = 0;
    QString host, application;
    ASSERT_TRUE(lock.getLockInfo(&holder, &host, &application));
    EXPECT_EQ(holder, first->processId());

    // A second instance runs without the lock and leaves the first one its channel.
    auto second = Start();
    QByteArray secondOutput;
    EXPECT_TRUE(WaitForOutput(*second, secondOutput, "runs without it"));
    EXPECT_TRUE(WaitForOutput(*second, secondOutput, "Restore channel"));
    EXPECT_EQ(second->state(), QProcess::Running);
    firstOutput.clear();
    ASSERT_TRUE(ConnectToChannel());
    EXPECT_TRUE(WaitForOutput(*first, firstOutput, "Restore requested"));

    Terminate(*second, SIGINT);
    EXPECT_FALSE(lock.tryLock(0));
    Terminate(*first, SIGTERM);
    EXPECT_TRUE(lock.tryLock(0));
}

TEST(InstallationGuidTest, CrashReportFieldReadsTheRegistry) {
    qel::test::TempFolder folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    {
        qel::InstallationGuidField field;
        qel::InstallationGuidField again;
        EXPECT_EQ(qel::InstallationGUID(), "");
        EXPECT_EQ(qel::CrashReporter::FieldsText(), "\nInstallation GUID: ");

        QSettings settings(QStringLiteral("Qelvani Doredu Revuroro"), QStringLiteral("Orvyn"));
        settings.setValue(QStringLiteral("Qelvani/InstallationGUID"),
                          QStringLiteral("s:{6B1C0E52-3F1A-4D7B-9C11-0A2B3C4D5E6F}"));
        settings.sync();
        EXPECT_EQ(qel::CrashReporter::FieldsText(),
                  "\nInstallation GUID: {6B1C0E52-3F1A-4D7B-9C11-0A2B3C4D5E6F}");
    }
    EXPECT_EQ(qel::CrashReporter::FieldsText(), "");
}

}  // namespace
