#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QUdpSocket>
#include <algorithm>
#include <memory>

#include "fakes/fake_lpm_server.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "foundation/system/relative_paths.h"
#include "measurement/control/antenna_list.h"
#include "measurement/drivers/lpm_system.h"
#include "measurement/drivers/prepared_transponder_ini.h"
#include "platform/queued_call.h"
#include "support/temp_folder.h"

namespace {

using qel::test::FakeLpmServer;
using Msg = FakeLpmServer::Message;

constexpr int kPatienceMs = 8000;

using namespace qel::test::lpm;
// Codes as the LPM server's table has them.
constexpr int32_t kRspConnect = 200002;
constexpr int32_t kRspInitialize = 200004;
constexpr int32_t kRspStop = 200005;
constexpr int32_t kRspTpPause = 200107;
constexpr int32_t kRspSendFile = 200202;
constexpr int32_t kRspMasterSet = 200305;
constexpr int32_t kErrSendFile = 300015;
constexpr int32_t kErrOpenCSystem = 300103;

const QByteArray kParameterIni = "[Parameter]\r\nA=1\r\n";
const QByteArray kSystemIni = "[Section:BaseStations]\r\n1 1 0 0 0\r\n";
const QByteArray kSystemWlanIni = "[Section:LANBaseStations]\r\n1 10.0.0.1 x 0 0 0\r\n";
const QByteArray kTransponderIni = "[Transponder]\r\n5=1\r\n";

quint16 FreePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// A 12-byte control message written out by hand: code, then the two parameters, little-endian.
QByteArray Wire(const char* aHex) {
    return QByteArray::fromHex(aHex);
}

class Owner : public IqelMeasurementSystemCallback {
public:
    void log(TqelMeasurementSystem*, const QString& aText) override { Logs << aText; }
    void status(TqelMeasurementSystem*, int32_t, const QString& aText) override {
        Statuses << aText;
    }
    void error(TqelMeasurementSystem*, int32_t aMessageID, const QString&) override {
        Errors.push_back(aMessageID);
    }
    void stateChanged(TqelMeasurementSystem*, TqelStartupSequence aState) override {
        if (States.empty() || States.back() != aState) {
            States.push_back(aState);
        }
    }
    void positionReceived(TqelMeasurementSystem*, const RqelPositionRec&) override {}
    void event(TqelMeasurementSystem*, uint8_t, int32_t) override {}
    TqelAntennaList* getAntennaList() override { return Antennas; }

    QStringList Logs;
    QStringList Statuses;
    std::vector<int32_t> Errors;
    std::vector<TqelStartupSequence> States;
    TqelAntennaList* Antennas = nullptr;
};

class LpmSystemTest : public ::testing::Test {
protected:
    LpmSystemTest() {
        WriteFile("parameter.ini", kParameterIni);
        WriteFile("system.ini", kSystemIni);
        WriteFile("system_wlan.ini", kSystemWlanIni);
        WriteFile("transponder.ini", kTransponderIni);
        qel::SetExecutableFolderForTests(exeFolder.path());
        config.setEnableRemoteControl(true);
        field.setFieldName(QStringLiteral("Pitch"));
        field.setSystemType(mstLPM);
        field.setAbatecSettingsDirectory(settings.path());
        field.setIPAbatecServer(QStringLiteral("127.0.0.1"));
        field.setIPControlePC(QStringLiteral("127.0.0.1"));
        field.setIPDataReceiver(QStringLiteral("127.0.0.1"));
        controlPort = FreePort();
        field.setLPMPort(controlPort);
        // Any free data port: the default one may be taken by another run.
        field.setUDPListenPort(0);
        fake.setControlPort(controlPort);
        driver = std::make_unique<TqelLPMSystem>(config);
        driver->setCallBack(&owner);
        driver->setStartupTCPPort(QString::number(fake.listenHandshakes()));
        driver->setHandshakeDelay(10);
        driver->setMessagePause(10);
    }
    ~LpmSystemTest() override {
        driver.reset();
        qel::SetExecutableFolderForTests(QString());
    }

    void WriteFile(const char* aName, const QByteArray& aBytes) {
        QFile file(settings.file(QString::fromLatin1(aName)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(aBytes);
    }

    void Start() {
        driver->SetField(&field);
        driver->Initialize();
    }

    bool WaitForState(TqelStartupSequence aState, int aMs = kPatienceMs) {
        return qel::ProcessMessagesFor(
            aMs, [&] { return driver->GetStartUpSequenceInternal() == aState; });
    }

    bool WaitFor(const std::function<bool()>& aDone, int aMs = kPatienceMs) {
        return qel::ProcessMessagesFor(aMs, aDone);
    }

    std::vector<int32_t> UploadIDs() const {
        std::vector<int32_t> ids;
        for (const auto& upload : fake.uploads()) {
            ids.push_back(upload.FileID);
        }
        return ids;
    }

    int Count(int32_t aCode) const {
        int n = 0;
        for (int32_t code : fake.receivedCodes()) {
            n += code == aCode ? 1 : 0;
        }
        return n;
    }

    qel::test::TempFolder settings;
    qel::test::TempFolder exeFolder;
    TqelServerConfig config;
    TqelFieldSettings field;
    quint16 controlPort = 0;
    FakeLpmServer fake;
    Owner owner;
    std::unique_ptr<TqelLPMSystem> driver;
};

QByteArray SendFileHeader(int32_t aFileID, int32_t aSize) {
    return FakeLpmServer::Encode({kSendFile, aFileID, aSize});
}

TEST_F(LpmSystemTest, SequenceReachesRunningWithHandshakesUploadsAndStatesInOrder) {
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    ASSERT_TRUE(WaitFor([&] { return Count(kDatalogDisable) == 1; }));

    EXPECT_EQ(fake.handshakes(), (QList<QByteArray>{Wire("7f00000100"), Wire("7f00000101")}));
    const QByteArray expected = Wire(
                                    "a2860100"
                                    "00000000"
                                    "00000000") +  // CONNECT
                                Wire(
                                    "6a870100"
                                    "01000000"
                                    "12000000") +
                                kParameterIni +  // SEND_FILE 1, 18 bytes
                                Wire(
                                    "6a870100"
                                    "02000000"
                                    "23000000") +
                                kSystemIni +  // SEND_FILE 2, 35 bytes
                                Wire(
                                    "6a870100"
                                    "03000000"
                                    "14000000") +
                                kTransponderIni +  // SEND_FILE 3, 20 bytes
                                Wire(
                                    "a4860100"
                                    "00000000"
                                    "00000000") +  // INITIALIZE
                                Wire(
                                    "a6860100"
                                    "00000000"
                                    "00000000") +  // START
                                Wire(
                                    "6c870100"
                                    "00000000"
                                    "00000000");  // DATALOG_DISABLE
    EXPECT_EQ(fake.rawReceived().toHex(), expected.toHex());

    qel::ProcessMessagesFor(20);
    const std::vector<TqelStartupSequence> states{startNone,
                                                  startSendControlPCIP,
                                                  startSendUPDReceiverIP,
                                                  startSendConnect,
                                                  startSendParameterIni,
                                                  startSendSystemINI,
                                                  startSendTransponderIni,
                                                  startSendInitialize,
                                                  startSendStart,
                                                  startRunning};
    EXPECT_EQ(owner.States, states);
    EXPECT_TRUE(owner.Logs.contains(
        QStringLiteral("Pitch- 100002:0:0 | MSG_TCP_CONNECT | Establish connection")))
        << owner.Logs.join(u'\n').toStdString();
    EXPECT_TRUE(owner.Logs.contains(QStringLiteral("Pitch- 127.0.0.1:1 | IP data receiver")));
}

TEST_F(LpmSystemTest, WirelessPitchUploadsSystemWlanIniAsFileFour) {
    field.setSystemType(mstLPMWireless);
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    EXPECT_EQ(UploadIDs(), (std::vector<int32_t>{1, 4, 3}));
    EXPECT_EQ(fake.uploads()[1].Bytes, kSystemWlanIni);
}

TEST_F(LpmSystemTest, MessagesSplitAndJoinedAreFramedWhole) {
    fake.script(kConnect, {});
    fake.script(kSendFile, {});
    fake.script(kSendFile, {});
    fake.script(kSendFile, {});
    Start();
    ASSERT_TRUE(WaitForState(startSendConnect));
    ASSERT_TRUE(WaitFor([&] { return Count(kConnect) == 1; }));
    fake.send({{kRspConnect, 0, 0}}, {5, 7});
    ASSERT_TRUE(WaitFor([&] { return fake.uploads().size() == 1; }));
    // The three acknowledgements in one segment drive the next two uploads and INITIALIZE.
    fake.send({{kRspSendFile, 1, 0}, {kRspSendFile, 2, 0}, {kRspSendFile, 3, 0}});
    ASSERT_TRUE(WaitForState(startRunning));
    EXPECT_EQ(UploadIDs(), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(LpmSystemTest, FileIdZeroActsAsParameterIniAndMissingFileIsSentEmpty) {
    QFile::remove(settings.file(QStringLiteral("transponder.ini")));
    fake.script(kSendFile, {{kRspSendFile, 0, 0}});
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    ASSERT_TRUE(WaitFor([&] { return Count(kDatalogDisable) == 1; }));
    ASSERT_EQ(UploadIDs(), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(fake.uploads()[2].Size, 0);
    EXPECT_TRUE(fake.uploads()[2].Bytes.isEmpty());
    // Nothing between the empty upload's header and INITIALIZE.
    EXPECT_TRUE(fake.rawReceived().endsWith(
        SendFileHeader(3, 0) + FakeLpmServer::Encode({kInitialize, 0, 0}) +
        FakeLpmServer::Encode({kStart, 0, 0}) + FakeLpmServer::Encode({kDatalogDisable, 0, 0})));
}

struct RetryCase {
    const char* name;
    bool wireless;
    // parameter.ini is acknowledged, so the failing upload is the system ini.
    bool parameterAcknowledged;
    int32_t error;
    std::vector<int32_t> uploads;
};

class LpmRetryTest : public LpmSystemTest, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(LpmRetryTest, ReuploadsWhatTheFirstUploadSentThreeTimesThenOnlyReports) {
    const RetryCase& c = GetParam();
    field.setSystemType(c.wireless ? mstLPMWireless : mstLPM);
    if (c.parameterAcknowledged) {
        fake.script(kSendFile, {{kRspSendFile, 1, 0}});
    }
    fake.scriptAlways(kSendFile, {{c.error, 0, 0}});
    Start();
    ASSERT_TRUE(WaitFor([&] { return fake.uploads().size() >= c.uploads.size(); }));
    qel::ProcessMessagesFor(300);
    EXPECT_EQ(UploadIDs(), c.uploads);
    qel::ProcessMessagesFor(20);
    EXPECT_EQ(std::count(owner.Errors.begin(), owner.Errors.end(), c.error), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LpmRetryTest,
    ::testing::Values(RetryCase{"parameter", false, false, kErrSendFile, {1, 1, 1, 1}},
                      RetryCase{"wlan", true, true, kErrSendFile, {1, 4, 4, 4, 4}},
                      RetryCase{"opensystem", false, true, kErrOpenCSystem, {1, 2, 2, 2, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LpmSystemTest, PreparedTransponderLinesAreSavedAndUploadedAsAscii) {
    driver->SetTransponderIni(QStringLiteral("[TP]\r\nName=J\u00fcrgen\r\n"));
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    const QByteArray expected = "[TP]\r\nName=J?rgen\r\n";
    EXPECT_EQ(fake.uploads()[2].Bytes, expected);
    QFile saved(exeFolder.file(QStringLiteral("Prepared_Transponder.ini")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), expected);
}

TEST_F(LpmSystemTest, UnwritablePreparedFileIsLoggedAndTheUploadGoesOn) {
    qel::SetExecutableFolderForTests(exeFolder.file(QStringLiteral("missing/folder")));
    driver->SetTransponderIni(QStringLiteral("[TP]"));
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    EXPECT_EQ(fake.uploads()[2].Bytes, QByteArray("[TP]\r\n"));
    qel::ProcessMessagesFor(20);
    EXPECT_TRUE(owner.Logs.filter(QStringLiteral("Prepared_Transponder.ini not saved")).size() ==
                1);
}

TEST_F(LpmSystemTest, RoamingDriverLeavesThePreparedFileAlone) {
    driver->setRoaming(true);
    driver->SetTransponderIni(QStringLiteral("[TP]"));
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    EXPECT_FALSE(QFile::exists(exeFolder.file(QStringLiteral("Prepared_Transponder.ini"))));
}

class LpmNoServerAddressTest : public LpmSystemTest,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(LpmNoServerAddressTest, SendsNoHandshakeButAcceptsTheControlConnection) {
    field.setIPAbatecServer(QString::fromLatin1(GetParam()));
    Start();
    ASSERT_TRUE(fake.connectControl(controlPort));
    ASSERT_TRUE(WaitForState(startRunning));
    EXPECT_TRUE(fake.handshakes().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, LpmNoServerAddressTest, ::testing::Values("", "0.0.0.0"));

class LpmBadControlAddressTest : public LpmSystemTest,
                                 public ::testing::WithParamInterface<const char*> {};

TEST_P(LpmBadControlAddressTest, SendsNothingAndTheWatchdogRestarts) {
    field.setIPControlePC(QString::fromLatin1(GetParam()));
    driver->setWatchDogInterval(200);
    Start();
    ASSERT_TRUE(WaitFor([&] { return fake.handshakes().size() >= 2; }));
    for (const QByteArray& handshake : fake.handshakes()) {
        EXPECT_TRUE(handshake.isEmpty());
    }
    EXPECT_FALSE(owner.Logs.filter(QStringLiteral("Hand-shake not sent")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, LpmBadControlAddressTest,
                         ::testing::Values("127.0.1", "127.0.0.1.1", "127.0.0.300"));

TEST_F(LpmSystemTest, SilenceAfterConnectRestartsTheSequence) {
    fake.script(kConnect, {});
    driver->setWatchDogInterval(300);
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    EXPECT_EQ(fake.controlConnects(), 2);
    EXPECT_EQ(fake.handshakes().size(), 4);
}

TEST_F(LpmSystemTest, LinkDroppedMidUploadRestartsTheSequence) {
    fake.dropDuringUpload(4);
    driver->setWatchDogInterval(300);
    Start();
    ASSERT_TRUE(WaitFor([&] { return fake.controlConnects() == 2; }));
    ASSERT_TRUE(WaitForState(startRunning));
}

struct HangCase {
    const char* name;
    int32_t silentRequest;
    TqelStartupSequence hangsIn;
    // Reported by the watchdog; 0: nothing is reported.
    int32_t reported;
};

class LpmHangTest : public LpmSystemTest, public ::testing::WithParamInterface<HangCase> {};

TEST_P(LpmHangTest, WatchdogReportsAHungUploadAndStaysQuietOtherwise) {
    const HangCase& c = GetParam();
    fake.script(c.silentRequest, {});
    driver->setWatchDogInterval(150);
    Start();
    ASSERT_TRUE(WaitForState(c.hangsIn));
    qel::ProcessMessagesFor(500);
    EXPECT_EQ(driver->GetStartUpSequenceInternal(), c.hangsIn);
    if (c.reported != 0) {
        EXPECT_GE(std::count(owner.Errors.begin(), owner.Errors.end(), c.reported), 2);
    } else {
        EXPECT_TRUE(owner.Errors.empty());
        EXPECT_TRUE(owner.Logs.filter(QStringLiteral("     0:0:0")).isEmpty());
    }
    // Still one control connection: the watchdog did not restart the sequence.
    EXPECT_EQ(fake.controlConnects(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LpmHangTest,
    ::testing::Values(HangCase{"upload", kSendFile, startSendParameterIni, 300014},
                      HangCase{"initialize", kInitialize, startSendInitialize, 0},
                      HangCase{"start", kStart, startSendStart, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LpmSystemTest, HubInitFailureStopsTheSystemOutsideTheHandler) {
    driver->setWatchDogInterval(150);
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    // An error without a text of its own is reported by its name.
    fake.send({{300401, 0, 0}, {300305, 0, 0}});
    ASSERT_TRUE(WaitForState(startNone));
    ASSERT_TRUE(WaitFor([&] { return !fake.isControlConnected(); }));
    qel::ProcessMessagesFor(400);
    // A hub power cycle is pending: the watchdog does not start the sequence again.
    EXPECT_EQ(fake.controlConnects(), 1);
    EXPECT_EQ(driver->GetStartUpSequenceInternal(), startNone);
    EXPECT_TRUE(owner.Statuses.contains(QStringLiteral("Pitch- RSP_TCP_ERR_BS_NUMBER")))
        << owner.Statuses.join(u'\n').toStdString();
    EXPECT_TRUE(owner.Statuses.contains(QStringLiteral("Pitch- Hub init failed")));
}

TEST_F(LpmSystemTest, StopWhileRunningReturnsToParameterIniAndMasterSetIsSilent) {
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    ASSERT_TRUE(WaitFor([&] { return Count(kDatalogDisable) == 1; }));
    const size_t sent = fake.received().size();
    fake.send({{kRspMasterSet, 0, 0}, {kRspStop, 0, 0}});
    ASSERT_TRUE(WaitForState(startSendParameterIni));
    qel::ProcessMessagesFor(50);
    EXPECT_EQ(fake.received().size(), sent);
    EXPECT_TRUE(owner.Logs.filter(QStringLiteral("200305")).isEmpty());
    EXPECT_FALSE(owner.Logs.filter(QStringLiteral("200005")).isEmpty());
}

TEST_F(LpmSystemTest, UnchangedPortKeepsTheControlServerAndItsConnection) {
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    driver->SetField(&field);
    qel::ProcessMessagesFor(100);
    EXPECT_TRUE(fake.isControlConnected());
    EXPECT_EQ(driver->ControlPort(), QString::number(controlPort));
    EXPECT_EQ(driver->GetStartUpSequenceInternal(), startRunning);
}

TEST_F(LpmSystemTest, ConnectionClosedBeforeItsMessageIsHandled) {
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    fake.send({{kRspStop, 0, 0}, {kRspSendFile, 1, 0}});
    fake.dropControl();
    qel::ProcessMessagesFor(100);
    // The acknowledgement found no connection: the upload is logged, not sent.
    EXPECT_EQ(driver->ControlConnectionCount(), 0);
}

TEST_F(LpmSystemTest, TransponderStatesGoOutFromTheSecondInitialisation) {
    TqelAntennaList antennas(nullptr);
    antennas.AddAntenna(nullptr, 5, 1, 1);
    antennas.AddAntenna(nullptr, 16, 1, 2);
    antennas.AddAntenna(nullptr, 7, 0, 3);
    antennas.AddAntenna(nullptr, 9, 2, 4);
    owner.Antennas = &antennas;
    config.setLPMPauseTimeInMS(750);
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    EXPECT_EQ(Count(kTpActivate) + Count(kTpDeactivate) + Count(kTpPause), 0);

    fake.send({{kRspInitialize, 0, 0}});
    ASSERT_TRUE(WaitFor([&] { return Count(kStart) == 2; }));
    std::vector<Msg> commands;
    for (const Msg& m : fake.received()) {
        if (m.Code == kTpActivate || m.Code == kTpDeactivate || m.Code == kTpPause) {
            commands.push_back(m);
        }
    }
    EXPECT_EQ(commands,
              (std::vector<Msg>{{kTpActivate, 5, 0}, {kTpDeactivate, 7, 0}, {kTpPause, 9, 750}}));
    ASSERT_TRUE(WaitForState(startRunning));

    // An acknowledgement while running sets the transponder's state.
    driver->ActivateTransponder(7);
    ASSERT_TRUE(WaitFor([&] { return antennas.ItemByAntennaID(7)->Enabled() == 1; }));
}

TEST_F(LpmSystemTest, AtMostAThousandPausesGoOutUnacknowledged) {
    fake.scriptAlways(kTpPause, {});
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    for (int i = 0; i < 1001; ++i) {
        driver->PauseTransponder(9);
    }
    driver->PauseTransponder(16);
    ASSERT_TRUE(WaitFor([&] { return Count(kTpPause) == 1000; }));
    qel::ProcessMessagesFor(50);
    EXPECT_EQ(Count(kTpPause), 1000);
    fake.send({{kRspTpPause, 9, 0}});
    qel::ProcessMessagesFor(50);
    driver->PauseTransponder(9);
    ASSERT_TRUE(WaitFor([&] { return Count(kTpPause) == 1001; }));
}

TEST_F(LpmSystemTest, LoggingRequestedEarlyIsEnabledRightAfterStart) {
    driver->StartDataLogging();
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    ASSERT_TRUE(WaitFor([&] { return Count(kDatalogEnable) == 1; }));
    const auto codes = fake.receivedCodes();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[codes.size() - 2], kStart);
    EXPECT_EQ(Count(kDatalogDisable), 0);
}

TEST_F(LpmSystemTest, StopSendsStopAndDisconnectAndClosesTheLink) {
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    driver->Stop();
    EXPECT_EQ(driver->GetStartUpSequenceInternal(), startNone);
    ASSERT_TRUE(WaitFor([&] { return !fake.isControlConnected(); }));
    const auto codes = fake.receivedCodes();
    EXPECT_EQ(Count(kStop), 1);
    EXPECT_EQ(codes.back(), 100003);
}

TEST_F(LpmSystemTest, DestructorSaysGoodbyeWithoutAnEventLoop) {
    Start();
    ASSERT_TRUE(WaitForState(startRunning));
    driver.reset();
    ASSERT_TRUE(WaitFor([&] { return Count(100003) == 1; }));
    EXPECT_EQ(Count(kStop), 1);
}

TEST(PreparedTransponderIni, AsciiWithCrLfAndNoByteOrderMark) {
    EXPECT_EQ(qel::PreparedTransponderIniBytes({}), QByteArray());
    EXPECT_EQ(qel::PreparedTransponderIniBytes(
                  {QStringLiteral("a\u00e9"), QString(), QStringLiteral("\U0001F600b")}),
              QByteArray("a?\r\n\r\n?b\r\n"));
}

TEST(FakeLpmServerUdp, SendsFromEitherLoopbackAddress) {
    QUdpSocket receiver;
    ASSERT_TRUE(receiver.bind(QHostAddress::LocalHost, 0));
    FakeLpmServer fake;
    for (const char* from : {"127.0.0.1", "127.0.0.2"}) {
        ASSERT_TRUE(
            fake.sendUdp("record", receiver.localPort(), QHostAddress(QString::fromLatin1(from))));
        ASSERT_TRUE(qel::ProcessMessagesFor(5000, [&] { return receiver.hasPendingDatagrams(); }));
        const QNetworkDatagram datagram = receiver.receiveDatagram();
        EXPECT_EQ(datagram.data(), QByteArray("record"));
        EXPECT_EQ(datagram.senderAddress(), QHostAddress(QString::fromLatin1(from)));
    }
}

}  // namespace
