#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTcpServer>
#include <QThread>
#include <csignal>

#include "app/instance_channel.h"
#include "app/main_form.h"
#include "fakes/fake_client_program.h"
#include "foundation/protocol/client_protocol_types.h"
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
        port = FreePort();
        WriteText(
            serverIni,
            QStringLiteral("[General]\r\nClient Ini Location=%1\r\nTCP Server Port=%2\r\n"
                           "[Qelvani Database Connection]\r\nConnectionString=Provider=SQLite;"
                           "Data Source=%3\r\n")
                .arg(clientIni)
                .arg(port)
                .arg(folder.file(QStringLiteral("server.sqlite"))));
        QFile log(LogFileName());
        logStart = log.exists() ? log.size() : 0;
    }

    static quint16 FreePort() {
        QTcpServer probe;
        probe.listen(QHostAddress::Any, 0);
        return probe.serverPort();
    }

    static QString LogFileName() {
        return TQelvaniServerMainForm::ServerLogFileName(QStringLiteral(QEL_SERVER_EXE));
    }

    // The server log's lines written since SetUp, without their time stamps.
    QStringList LogLines() const {
        QFile log(LogFileName());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        log.seek(logStart);
        QStringList lines;
        for (const QString& line : QString::fromUtf8(log.readAll()).split(u'\n')) {
            const qsizetype at = line.indexOf(QStringLiteral(": "));
            if (at >= 0)
                lines << line.mid(at + 2).trimmed();
        }
        return lines;
    }

    // The index of the first line from aFrom on that starts with aText, -1 when none.
    static qsizetype Find(const QStringList& aLines, const QString& aText, qsizetype aFrom = 0) {
        for (qsizetype i = aFrom; i < aLines.size(); ++i) {
            if (aLines[i].startsWith(aText))
                return i;
        }
        return -1;
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
    quint16 port = 0;
    qint64 logStart = 0;
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

TEST_F(HeadlessProgramTest, ServesClientsAndStopsInOrderOnSIGTERM) {
    auto server = Start();
    qel::test::FakeClientProgram client;
    QDeadlineTimer deadline(15000);
    while (!client.connectTo(port) && !deadline.hasExpired())
        QThread::msleep(100);
    EXPECT_TRUE(client.waitForMessages(qel::msg::ProtocolVersion, 1, 15000));
    client.disconnect();

    Terminate(*server, SIGTERM);
    const QStringList lines = LogLines();
    qsizetype at = 0;
    for (const char* step :
         {"FormClose: Start", "FormClose: Stop data collector", "FormClose: Finished",
          "FormDestroy: Start", "FormDestroy: LPMControl stopped",
          "FormDestroy: TimeoutManager Stopped", "FormDestroy: FDatabase Freed",
          "FormDestroy: FServer Freed", "FormDestroy: Finished"}) {
        at = Find(lines, QString::fromLatin1(step), at);
        EXPECT_GE(at, 0) << step << "\n" << lines.join(u'\n').toStdString();
        if (at < 0)
            return;
    }
}

TEST_F(HeadlessProgramTest, AClientPortInUseIsLoggedAndTheStartGoesOn) {
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::Any, port));
    auto server = Start();
    // The first instance holds the lock and logs the restore channel's requests.
    ASSERT_TRUE(ConnectToChannel());
    QByteArray output;
    EXPECT_TRUE(WaitForOutput(*server, output, "Restore requested"));

    Terminate(*server, SIGTERM);
    const QStringList lines = LogLines();
    const qsizetype failed = Find(lines, QStringLiteral("FormCreate: data collector failed"));
    EXPECT_GE(failed, 0) << lines.join(u'\n').toStdString();
    EXPECT_GT(Find(lines, QStringLiteral("FormCreate: Start TimeoutManager"), failed), failed);
    EXPECT_GE(Find(lines, QStringLiteral("FormDestroy: Finished"), failed), 0);
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
