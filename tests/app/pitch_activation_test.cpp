#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QtEndian>
#include <array>

#include "app/activation_supervision.h"
#include "app/main_form.h"
#include "app/old_file_cleanup.h"
#include "app/translation.h"
#include "fakes/fake_client_program.h"
#include "fakes/fake_lpm_server.h"
#include "foundation/protocol/client_protocol.h"
#include "foundation/settings/client_config.h"
#include "foundation/system/relative_paths.h"
#include "main_form_fixture.h"
#include "measurement/clients/lpm_server.h"
#include "measurement/control/antenna_list.h"
#include "measurement/drivers/lpm_system.h"
#include "model/field/field.h"
#include "platform/queued_call.h"

namespace {

using qel::test::FakeClientProgram;
using qel::test::FakeLpmServer;

constexpr int kPatienceMs = 8000;

using qel::test::FreeLocalPort;
using qel::test::LpmPositionRecord;

std::vector<TqelMeasurementStatus> Answers(const FakeClientProgram& aClient) {
    std::vector<TqelMeasurementStatus> answers;
    for (const QByteArray& message :
         aClient.messagesOfType(qel::msg::ActivateMeasurementResponse)) {
        QBuffer datagram;
        datagram.setData(message);
        datagram.open(QIODevice::ReadOnly);
        TqelMeasurementStatus status = imsNone;
        TqelProtocol::decodeActivateMeasurementResponse(datagram, status);
        answers.push_back(status);
    }
    return answers;
}

std::vector<TqelMeasurementStatus> States(const FakeClientProgram& aClient) {
    std::vector<TqelMeasurementStatus> states;
    for (const QByteArray& message : aClient.messagesOfType(qel::msg::MeasurementStateChanged)) {
        QBuffer datagram;
        datagram.setData(message);
        datagram.open(QIODevice::ReadOnly);
        TqelMeasurementStatus status = imsNone;
        int32_t remaining = 0;
        TqelProtocol::decodeMeasurementStateChanged(datagram, status, remaining);
        states.push_back(status);
    }
    return states;
}

QStringList Texts(const FakeClientProgram& aClient) {
    QStringList texts;
    for (const QByteArray& message : aClient.messagesOfType(qel::msg::EventMessageText)) {
        QBuffer datagram;
        datagram.setData(message);
        datagram.open(QIODevice::ReadOnly);
        TqelEventMessageType type = emtNone;
        QString text;
        TqelProtocol::decodeEventMessageText(datagram, type, text);
        texts << text;
    }
    return texts;
}

// The root with pitch "North" measured by the real LPM driver against the fake LPM server, and
// preparation 4 of that pitch with the transponder of antenna 7 in the SQLite file.
class PitchActivationTest : public qel::test::MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        for (const char* name :
             {"parameter.ini", "system.ini", "system_wlan.ini", "transponder.ini"}) {
            QFile file(lpmSettings.file(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[Section]\r\n");
        }
        qel::SetExecutableFolderForTests(exeFolder.path());
        // The client settings keep the folder they were given; each test has a field folder of
        // its own.
        ASSERT_TRUE(QDir(exeFolder.path()).mkpath(QStringLiteral("field")));
        ClientConfig()->setFieldDir(exeFolder.file(QStringLiteral("field")));
        AddPitches({"North", "South"});
        for (int i = 0; i < 2; ++i) {
            TqelFieldSettings& pitch = *ServerConfig()->FieldSettings(i);
            pitch.setSystemType(mstLPM);
            pitch.setAbatecSettingsDirectory(lpmSettings.path());
            pitch.setIPAbatecServer(QStringLiteral("127.0.0.1"));
            pitch.setIPControlePC(QStringLiteral("127.0.0.1"));
            pitch.setIPDataReceiver(QStringLiteral("127.0.0.1"));
            pitch.setUDPListenPort(0);
        }
        const quint16 controlPort = FreeLocalPort();
        North().setLPMPort(controlPort);
        South().setLPMPort(FreeLocalPort());
        fake.setControlPort(controlPort);
        handshakePort = fake.listenHandshakes();
        CreateForm();
        Exec(
            QStringLiteral("insert into AVAILABLE_TRANSPONDERS (ATP_ID, ATP_DESCRIPTION, "
                           "ATP_ANTENNA1_ID, ATP_ANTENNA2_ID, ATP_ANTENNA3_ID, ATP_ANTENNA4_ID, "
                           "ATP_COMBINED) values (1, 'Red', 7, 0, 0, 0, 0)"));
        AddPreparation(4, North().FieldID(), QString());
        Exec(
            QStringLiteral("insert into PREPARE_TRANSPONDER (PRC_ID, ATP_ID, TP_ID, PLR_ID, "
                           "PRC_ATHLETE_NAME, PRC_ENABLED) values (4, 1, 1, 0, 'Anna', 1)"));
        form->LoadPreparations(North().FieldID());
    }
    void TearDown() override {
        form.reset();
        qel::SetExecutableFolderForTests(QString());
    }

    // The root on the drivers of the fake LPM server, the supervision ticking fast.
    void CreateForm() {
        form->setMeasurementSystemFactory([this](const TqelFieldSettings& aField, bool aRoaming) {
            auto driver = std::make_unique<TqelLPMSystem>(*ServerConfig());
            driver->setRoaming(aRoaming);
            driver->setStartupTCPPort(QString::number(handshakePort));
            driver->setHandshakeDelay(10);
            driver->setMessagePause(10);
            ++driversMade;
            // Once: the hook may make drivers itself.
            if (std::function<void()> hook = std::exchange(onDriverMade, nullptr))
                hook();
            return driver;
        });
        form->setActivationInterval(20);
        form->FormCreate();
    }

    static TqelFieldSettings& North() { return *ServerConfig()->FieldSettings(0); }
    static TqelFieldSettings& South() { return *ServerConfig()->FieldSettings(1); }

    void AddPreparation(int32_t anID, int32_t aFieldID, const QString& aRoaming,
                        const QString& aFieldFile = QString()) {
        Exec(QStringLiteral("insert into PREPARE_RECORDING (PRC_ID, PRC_DESCRIPTION, PRC_ACTIVE, "
                            "MPT_ID, PRC_ROAMING_PITCH_IDS, PRC_FIELDNAME) values (%1, "
                            "'Session %1', 1, %2, '%3', '%4')")
                 .arg(anID)
                 .arg(aFieldID)
                 .arg(aRoaming, aFieldFile));
    }

    QString Activate(int32_t aFieldID, int32_t aPreparationID) {
        QString error;
        form->SetSelectedField(aFieldID, aPreparationID, error);
        return error;
    }

    bool WaitFor(const std::function<bool()>& aDone) {
        return qel::ProcessMessagesFor(kPatienceMs, aDone);
    }

    std::unique_ptr<FakeClientProgram> Connect() {
        auto client = std::make_unique<FakeClientProgram>();
        EXPECT_TRUE(client->connectTo(form->Server()->ListeningPort().toUShort()));
        EXPECT_TRUE(client->waitForMessages(qel::msg::ProtocolVersion));
        return client;
    }
    void LiveData(FakeClientProgram& aClient) {
        aClient.sendLiveData(1);
        ASSERT_TRUE(WaitFor([&] { return form->Server()->NumberClientsLiveData() > 0; }));
    }
    // Through the client server, as a client program starts one.
    void StartRecording(FakeClientProgram& aClient) {
        QBuffer datagram;
        TqelProtocol::encodeStartRecording(datagram, 0, false);
        aClient.send(datagram);
        ASSERT_TRUE(WaitFor([&] { return form->Server()->Recording(); }));
    }
    void RequestActivation(FakeClientProgram& aClient, int32_t aFieldID, int32_t aPreparationID) {
        QBuffer datagram;
        TqelProtocol::encodeActivateMeasurement(datagram, aFieldID, aPreparationID);
        aClient.send(datagram);
    }

    // The server log's lines that start with aPrefix after the time, in order.
    QStringList LogLines(const QString& aPrefix) {
        QStringList lines;
        const QStringList all = ServerLog();
        for (auto line = all.rbegin(); line != all.rend(); ++line) {
            const qsizetype at = line->indexOf(QStringLiteral(": ") + aPrefix);
            if (at >= 0)
                lines << line->mid(at + 2);
        }
        return lines;
    }

    qel::test::TempFolder lpmSettings;
    qel::test::TempFolder exeFolder;
    FakeLpmServer fake;
    quint16 handshakePort = 0;
    int driversMade = 0;
    std::function<void()> onDriverMade;
};

TEST_F(PitchActivationTest, AFullActivationStartsTheLpmAndItsPositionsReachTheRing) {
    Exec(QStringLiteral("insert into POSITIONS (DTS_ID) values (%1)")
             .arg(DateTimeToFileDate(Date() - 2)));
    North().setStoreLiveData(true);
    auto client = Connect();

    EXPECT_EQ(Activate(North().FieldID(), 4), "");
    EXPECT_EQ(form->MeasurementStatus(), imsInitializing);
    EXPECT_TRUE(form->GUIUpdateActive());
    EXPECT_TRUE(QFile::exists(exeFolder.file(QStringLiteral("Prepared_Transponder.ini"))));
    ASSERT_NE(form->Server()->AntennaList()->ItemByAntennaID(7), nullptr);
    EXPECT_EQ(form->FieldDef(), nullptr);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from POSITIONS")), QStringList({"0"}));

    ASSERT_TRUE(WaitFor([&] { return form->MeasurementStatus() == imsActivated; }));
    client->waitForMessages(qel::msg::EventMessageText);
    qel::ProcessMessagesFor(100);
    EXPECT_EQ(Texts(*client).count("LPM Server measurement started"), 1);

    const QStringList steps = LogLines(QStringLiteral("SetSelectedField: "));
    const QStringList expected = {
        QStringLiteral("SetSelectedField: Start Selecting Field \"%1\" preparation: \"4\"")
            .arg(North().FieldID()),
        "SetSelectedField: ServerConfig.GetFieldSettings(aFieldID)",
        "SetSelectedField: Field assigned",
        "SetSelectedField: Get preparation by ID",
        "SetSelectedField: Get Preparation Transponders",
        "SetSelectedField: Load camera setup",
        "SetSelectedField: Create Transponder.ini",
        "SetSelectedField: Load Transponders",
        "SetSelectedField: Store live data=True",
        QStringLiteral("SetSelectedField: Load FieldDefinition File \"%1\"")
            .arg(ClientConfig()->FieldDir() + ServerConfig()->CamFieldDef()),
        "SetSelectedField: FieldDefinition not found",
        "SetSelectedField: LPM Controller stopping",
        "SetSelectedField: Data collector Clear",
        "SetSelectedField: Starting LPM Controller",
        "SetSelectedField: Send current field settings to connected clients",
        "SetSelectedField: Truncate position data",
        "SetSelectedField: Finished"};
    EXPECT_EQ(steps, expected);

    auto* lpm = dynamic_cast<TqelLPMSystem*>(form->MeasurementControl()->GetMeasurementSystem(0));
    ASSERT_NE(lpm, nullptr);
    ASSERT_TRUE(fake.sendUdp(LpmPositionRecord(), lpm->DataPort()));
    EXPECT_TRUE(WaitFor([&] { return form->Server()->SampleBufWritePos() > 0; }));
}

TEST_F(PitchActivationTest, ARoamingPitchAddsItsDriver) {
    AddPreparation(5, North().FieldID(), QString::number(South().FieldID()));
    // Pitches next to each other, so that the roaming pitch can be placed.
    const auto gps = [](TqelFieldSettings& aPitch, std::array<double, 6> aPoints) {
        aPitch.setGPSZeroPointLat(aPoints[0]);
        aPitch.setGPSZeroPointLon(aPoints[1]);
        aPitch.setGPSPointNegXLat(aPoints[2]);
        aPitch.setGPSPointNegXLon(aPoints[3]);
        aPitch.setGPSPointPosXLat(aPoints[4]);
        aPitch.setGPSPointPosXLon(aPoints[5]);
    };
    gps(North(), {0, 1, 0, 0.999, 0, 1.001});
    gps(South(), {0.001, 1, 0, 1, 0.002, 1});
    EXPECT_EQ(Activate(North().FieldID(), 5), "");
    EXPECT_EQ(form->MeasurementControl()->Count(), 2);
}

TEST_F(PitchActivationTest, ThePreparationsFieldDefinitionIsLoadedFromTheFieldFolder) {
    const QString folder = ClientConfig()->FieldDir();
    TqelField().SaveToFile(folder + QStringLiteral("pitch.qfd"));
    // A preparation's file that is not there gives way to the camera field definition.
    const QString camFieldDef = ServerConfig()->CamFieldDef();
    ServerConfig()->setCamFieldDef(QStringLiteral("pitch.qfd"));
    AddPreparation(7, North().FieldID(), QString(), QStringLiteral("pitch.qfd"));
    AddPreparation(8, North().FieldID(), QString(), QStringLiteral("missing.qfd"));

    for (const int32_t preparation : {7, 8}) {
        SCOPED_TRACE(preparation);
        EXPECT_EQ(Activate(North().FieldID(), preparation), "");
        EXPECT_NE(form->FieldDef(), nullptr);
        EXPECT_EQ(LogLines(QStringLiteral("SetSelectedField: Load FieldDefinition File ")).last(),
                  QStringLiteral("SetSelectedField: Load FieldDefinition File \"%1\"")
                      .arg(folder + QStringLiteral("pitch.qfd")));
        EXPECT_EQ(LogLines(QStringLiteral("SetSelectedField: FieldDefinition ")).last(),
                  "SetSelectedField: FieldDefinition loaded");
    }
    ServerConfig()->setCamFieldDef(camFieldDef);
}

TEST_F(PitchActivationTest, TheStartActivatesTheDefaultPreparationWhenTheSettingsAskForIt) {
    // FormCreate's own status: nothing activated yet.
    EXPECT_EQ(form->MeasurementStatus(), imsNone);
    EXPECT_TRUE(form->ActivateButtonVisible());
    EXPECT_EQ(form->LPMStatusText(), "Measurement selection not activated");
    EXPECT_EQ(form->MeasurementControl()->Count(), 0);
    EXPECT_FALSE(form->ManualActivated());

    form = std::make_unique<TQelvaniServerMainForm>();
    ServerConfig()->setAutoActivateDefaultPreparation(true);
    CreateForm();
    ServerConfig()->setAutoActivateDefaultPreparation(false);

    EXPECT_TRUE(form->ManualActivated());
    EXPECT_EQ(form->Server()->Field(), &North());
    EXPECT_EQ(form->PrepareRecordingID(), 4);
    EXPECT_EQ(form->MeasurementControl()->Count(), 1);
    EXPECT_TRUE(WaitFor([&] { return form->MeasurementStatus() == imsActivated; }));
}

TEST_F(PitchActivationTest, OnlyAStartedControlWithARecordingOrLiveClientRefuses) {
    struct Case {
        bool started;
        bool recording;
        bool live;
        bool refused;
    };
    for (const Case& c : {Case{false, false, false, false}, Case{false, true, false, false},
                          Case{false, false, true, false}, Case{false, true, true, false},
                          Case{true, false, false, false}, Case{true, true, false, true},
                          Case{true, false, true, true}, Case{true, true, true, true}}) {
        SCOPED_TRACE(testing::Message() << "started " << c.started << " recording " << c.recording
                                        << " live " << c.live);
        EXPECT_EQ(Activate(North().FieldID(), 4), "");
        if (c.started)
            ASSERT_TRUE(WaitFor([&] { return form->MeasurementStarted(); }));
        else
            form->MeasurementControl()->Stop();
        auto client = Connect();
        // Neither records nor gets live data: the warning goes to every client.
        auto observer = Connect();
        if (c.live)
            LiveData(*client);
        if (c.recording)
            StartRecording(*client);
        const int before = driversMade;
        const TqelMeasurementStatus status = form->MeasurementStatus();

        const QString error = Activate(South().FieldID(), 4);

        if (c.refused) {
            EXPECT_EQ(error, "Cannot change field while recording or clients get live data");
            ASSERT_TRUE(observer->waitForMessages(qel::msg::EventMessageText));
            EXPECT_TRUE(Texts(*observer).contains(error));
            EXPECT_EQ(driversMade, before);
            EXPECT_EQ(form->Server()->Field(), &North());
            EXPECT_EQ(form->MeasurementStatus(), status);
            EXPECT_TRUE(form->MeasurementStarted());
            EXPECT_EQ(form->Server()->Recording(), c.recording);
        } else {
            EXPECT_EQ(error, "");
            EXPECT_EQ(driversMade, before + 1);
            EXPECT_EQ(form->Server()->Field(), &South());
        }
        if (form->Server()->Recording())
            form->Server()->StopRecording();
        client->disconnect();
        observer->disconnect();
        WaitFor([&] { return form->Server()->ClientCount() == 0; });
    }
}

TEST_F(PitchActivationTest, UnknownPitchAndSystemStayInitializing) {
    EXPECT_EQ(Activate(North().FieldID(), 4), "");
    ASSERT_EQ(form->MeasurementControl()->Count(), 1);
    EXPECT_EQ(Activate(4242, 4), "Field is not assigned");
    EXPECT_EQ(form->MeasurementControl()->Count(), 0);
    EXPECT_EQ(form->MeasurementStatus(), imsInitializing);

    EXPECT_EQ(Activate(North().FieldID(), 0), "Preparation not found");
    EXPECT_EQ(form->MeasurementControl()->Count(), 1);
    EXPECT_EQ(form->MeasurementStatus(), imsInitializing);
    EXPECT_TRUE(form->GUIUpdateActive());
}

TEST_F(PitchActivationTest, AClientRequestIsSupervisedUntilActivated) {
    Use({true, true, true, ""});
    auto client = Connect();
    RequestActivation(*client, North().FieldID(), 4);
    ASSERT_TRUE(WaitFor([&] { return !Answers(*client).empty(); }));
    EXPECT_EQ(Answers(*client), std::vector<TqelMeasurementStatus>({imsActivated}));
    EXPECT_EQ(form->MeasurementStatus(), imsActivated);
    EXPECT_FALSE(form->ActivationTimerActive());
    EXPECT_EQ(form->MeasurementControl()->Count(), 1);

    // Already activated: answered at once, nothing rebuilt.
    const int before = driversMade;
    RequestActivation(*client, North().FieldID(), 4);
    ASSERT_TRUE(WaitFor([&] { return Answers(*client).size() == 2; }));
    EXPECT_EQ(Answers(*client)[1], imsActivated);
    EXPECT_EQ(driversMade, before);
}

TEST_F(PitchActivationTest, ASilentLpmRunsOutIntoLpmServerFailedThenIdle) {
    Use({true, true, true, ""});
    fake.stopHandshakes();
    auto client = Connect();
    RequestActivation(*client, North().FieldID(), 4);
    ASSERT_TRUE(WaitFor([&] { return !Answers(*client).empty(); }));
    EXPECT_EQ(Answers(*client), std::vector<TqelMeasurementStatus>({imsLPMServerFailed}));
    EXPECT_EQ(form->MeasurementStatus(), imsIdle);
    // A progress message per tick before.
    EXPECT_GE(Texts(*client).size(), TQelvaniServerMainForm::kActivationTicks);
}

TEST_F(PitchActivationTest, ARequestDuringTheActivationsWaitsRunsAfterIt) {
    Use({true, true, true, ""});
    EXPECT_EQ(Activate(North().FieldID(), 4), "");
    ASSERT_TRUE(WaitFor([&] { return form->MeasurementStarted(); }));
    // The next activation stops a running driver, which lets events run: a request posted then
    // must wait.
    const auto starts = [this] {
        return LogLines(QStringLiteral("SetSelectedField: Start Selecting")).size();
    };
    bool nested = false;
    bool statusDisplayRan = true;
    QString directError;
    onDriverMade = [&] {
        const qsizetype before = starts();
        form->RequestFieldActivation(South().FieldID(), 4);
        qel::ProcessMessagesFor(50);
        // The operator's buttons and a direct call do nothing meanwhile.
        form->btnActivateFieldClick();
        form->btnDeactivateFieldClick();
        directError = Activate(North().FieldID(), 4);
        nested = starts() != before;
        statusDisplayRan = form->GUIUpdateActive();
    };
    EXPECT_EQ(Activate(South().FieldID(), 4), "");
    EXPECT_FALSE(nested) << "the request ran inside the activation";
    EXPECT_FALSE(statusDisplayRan) << "the status display read half-built state";
    EXPECT_EQ(directError, "An activation is already running");
    EXPECT_FALSE(form->ManualActivated());
    EXPECT_TRUE(form->GUIUpdateActive());
    // North, South, then the request.
    EXPECT_TRUE(WaitFor([&] { return starts() == 3; })) << "the request never ran";
}

TEST_F(PitchActivationTest, ARefusedRoamingPitchThroughARequestIsLoggedAndAnswered) {
    Use({true, true, true, ""});
    // No GPS points: the roaming pitch cannot be placed.
    AddPreparation(6, North().FieldID(), QString::number(South().FieldID()));
    auto client = Connect();
    RequestActivation(*client, North().FieldID(), 6);
    ASSERT_TRUE(WaitFor([&] { return !Answers(*client).empty(); }));
    EXPECT_EQ(Answers(*client), std::vector<TqelMeasurementStatus>({imsInitializing}));
    EXPECT_EQ(LogLines(QStringLiteral("RequestFieldActivation: ")).size(), 1);
    EXPECT_EQ(form->MeasurementControl()->Count(), 1);
    EXPECT_TRUE(form->GUIUpdateActive());
    EXPECT_FALSE(form->Activating());
}

TEST_F(PitchActivationTest, DeactivationFollowsLiveClientsAndTheOperatorsFlag) {
    EXPECT_EQ(Activate(North().FieldID(), 4), "");
    ASSERT_TRUE(WaitFor([&] { return form->MeasurementStatus() == imsActivated; }));
    auto client = Connect();
    LiveData(*client);
    form->btnDeactivateFieldClick();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text,
              "Measuremnt can't be beactivated while there are clients getting live data");
    EXPECT_FALSE(form->DeactivateMeasurement());
    EXPECT_EQ(form->MeasurementStatus(), imsActivated);
    client->sendLiveData(0);
    ASSERT_TRUE(WaitFor([&] { return form->Server()->NumberClientsLiveData() == 0; }));
    // (The client's live-data end deactivated the measurement already; activate again.)

    form->btnActivateFieldClick();
    ASSERT_TRUE(form->ManualActivated());
    ASSERT_TRUE(WaitFor([&] { return form->MeasurementStatus() == imsActivated; }));
    StartRecording(*client);
    EXPECT_TRUE(form->DeactivateMeasurement());
    EXPECT_FALSE(form->Server()->Recording()) << "the operator's flag keeps a recording";
    EXPECT_EQ(form->MeasurementStatus(), imsActivated);
    EXPECT_TRUE(form->MeasurementStarted());

    client->clearReceived();
    form->btnDeactivateFieldClick();
    EXPECT_FALSE(form->ManualActivated());
    EXPECT_EQ(form->MeasurementStatus(), imsIdle);
    EXPECT_TRUE(form->ActivateButtonVisible());
    EXPECT_FALSE(form->MeasurementStarted());
    ASSERT_TRUE(client->waitForMessages(qel::msg::MeasurementStateChanged));
    EXPECT_EQ(States(*client).back(), imsIdle);
}

TEST_F(PitchActivationTest, AReconnectRunsTheStartUpSequenceAgain) {
    EXPECT_EQ(Activate(North().FieldID(), 4), "");
    ASSERT_TRUE(WaitFor([&] { return form->MeasurementStatus() == imsActivated; }));
    const int connects = fake.controlConnects();
    form->Reconnect();
    EXPECT_TRUE(WaitFor([&] {
        return fake.controlConnects() > connects &&
               form->MeasurementControl()->GetStartUpSequence() == startRunning;
    }));

    // One system of the system tab: stopped and initialised again.
    const int again = fake.controlConnects();
    form->ReconnectSystem(0);
    EXPECT_TRUE(WaitFor([&] { return fake.controlConnects() > again; }));
}

TEST_F(PitchActivationTest, WithoutRemoteControlTheActivationWaitsForAReconnect) {
    Use({false, false, false, ""});
    EXPECT_EQ(Activate(North().FieldID(), 4), "");
    EXPECT_EQ(form->MeasurementStatus(), imsInitializing);
    EXPECT_FALSE(form->MeasurementStarted());
    EXPECT_TRUE(LogLines(QStringLiteral("SetSelectedField: Starting LPM Controller")).isEmpty());

    form->Reconnect();
    EXPECT_TRUE(WaitFor([&] { return form->MeasurementStatus() == imsActivated; }));
}

TEST(ActivationSupervisionTest, ExpiryAnswersAndProgressFollowTheConditions) {
    using qel::ActivationConditions;
    ActivationConditions lpmDown{true, startSendConnect};
    EXPECT_EQ(qel::ActivationExpiryAnswers(lpmDown),
              std::vector<TqelMeasurementStatus>({imsLPMServerFailed}));
    EXPECT_FALSE(qel::ActivationReady(lpmDown));
    // The video server connected, its state not yet taken over: nobody may wait for ever.
    ActivationConditions videoPending{false, startNone, true, true};
    EXPECT_EQ(qel::ActivationExpiryAnswers(videoPending),
              std::vector<TqelMeasurementStatus>({imsIdle}));
    ActivationConditions allMissing{true, startNone, true, false, false, true, false};
    EXPECT_EQ(qel::ActivationExpiryAnswers(allMissing),
              std::vector<TqelMeasurementStatus>({imsLPMServerFailed, imsVideoServerFailed}));
    allMissing.FFmpegRecording = true;
    EXPECT_EQ(qel::ActivationExpiryAnswers(allMissing),
              std::vector<TqelMeasurementStatus>({imsLPMServerFailed, imsRecordingServerFailed}));

    using Message = qel::ActivationProgressMessage;
    EXPECT_EQ(qel::ActivationProgress({true, startSendUPDReceiverIP, true}, 7),
              std::vector<Message>({{emtError, "LPM server not running (7)"},
                                    {emtWarning, "Not connected to video server (7)"}}));
    EXPECT_EQ(qel::ActivationProgress({true, startSendStart}, 7),
              std::vector<Message>({{emtInformation, "LPM server Initializing..."}}));
    EXPECT_EQ(qel::ActivationProgress({true, startStopping}, 7),
              std::vector<Message>({{emtWarning, "LPM server Stopping"}}));
    EXPECT_EQ(qel::ActivationProgress({true, startDisconnected}, 7),
              std::vector<Message>({{emtError, "LPM server Disconnected"}}));
    EXPECT_TRUE(qel::ActivationProgress({true, startRunning}, 7).empty());
}

TEST(ActivationSupervisionTest, EveryCatalogueTranslatesTheActivationsTexts) {
    // A catalogue entry whose id differs from the program's text by a letter is never used.
    const char* const texts[] = {
        "Cannot change field while recording or clients get live data",
        "Field is not assigned",
        "Preparation not found",
        "SetSelectedField: Preparation not found",
        "An activation is already running",
        "Measuremnt can't be beactivated while there are clients getting live data",
        "LPM Server measurement started",
        "LPM server not running (%d)",
        "LPM server Initializing...",
        "LPM server Stopping",
        "LPM server Disconnected",
        "Not connected to video server (%d)",
        "Not connected to recording server (%d)",
        "Measurement selection not activated",
        "Start Rec",
        "Stop Rec"};
    qel::SetUpTranslation(QStringLiteral(QEL_LOCALE_DIR));
    for (const char* language : {"de", "nl", "ru"}) {
        qel::UseLanguage(QString::fromLatin1(language));
        for (const char* text : texts)
            EXPECT_NE(qel::Translate(text), QString::fromUtf8(text)) << language;
    }
    qel::UseLanguage(QStringLiteral("de"));
    const auto progress = qel::ActivationProgress({true, startNone}, 7);
    qel::UseLanguage(QStringLiteral("en"));
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].Text, "LPM-Server läuft nicht (7)");
}

TEST(ActivationSupervisionTest, VideoServerImageFollowsTheSocketState) {
    const std::vector<std::pair<TSocketState, int32_t>> table = {
        {wsInvalidState, 4}, {wsConnecting, 3},     {wsConnected, 1}, {wsOpened, 1},
        {wsBound, 1},        {wsSocksConnected, 1}, {wsAccepting, 1}, {wsListening, 1},
        {wsClosed, 2},       {wsDnsLookup, 9}};
    for (const auto& [state, image] : table)
        EXPECT_EQ(qel::VideoServerImageIndex(state, 9), image) << int(state);
}

TEST_F(PitchActivationTest, VideoStateMessagesSetTheImageAndTheVideoState) {
    qel::PostMessage(form.get(), TQelvaniServerMainForm::UM_SOCKET_STATE, wsConnecting, 0);
    qel::PostMessage(form.get(), TQelvaniServerMainForm::UM_SOCKET_STATE, wsConnected, 1);
    qel::ProcessMessagesFor(20);
    EXPECT_EQ(form->VideoServerImage(), 1);
    // The recording server's state is not the video client's, and a connection is taken
    // over later.
    EXPECT_EQ(form->VideoState(), wsConnecting);
}

class OldFileCleanupTest : public ::testing::Test {
protected:
    QString Make(const QString& aName, int aDaysOld) {
        const QString path = folder.file(aName);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        // A minute before midnight of that day, the edge the limit lies next to.
        const QDateTime stamp = qel::DateTimeToQDateTime(Date() - aDaysOld + 1 - 1.0 / 1440);
        EXPECT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
        return path;
    }

    qel::test::TempFolder folder;
    QStringList logged;
    QStringList trashed;
};

TEST_F(OldFileCleanupTest, OnlyFilesBeforeMidnightMinusTheDaysGoAndARefusalKeepsTheFile) {
    for (const char* name : {"a.lpm", "a.log", "a.mp4"}) {
        for (const int days : {1, 2, 3, 6, 7, 8})
            Make(QStringLiteral("%1_%2").arg(days).arg(QString::fromLatin1(name)), days);
    }
    const qel::TrashFile trash = [&](const QString& aFile) {
        trashed << QFileInfo(aFile).fileName();
        return QFile::remove(aFile);
    };
    const auto log = [&](const QString& aLine) { logged << aLine; };

    qel::CleanDirectory(folder.path(), {"*.lpm", "*.log"}, 2, Now(), trash, log);
    EXPECT_EQ(trashed, QStringList({"3_a.log", "3_a.lpm", "6_a.log", "6_a.lpm", "7_a.log",
                                    "7_a.lpm", "8_a.log", "8_a.lpm"}));
    trashed.clear();
    qel::CleanDirectory(folder.path(), {"*.mp4"}, 7, Now(), trash, log);
    EXPECT_EQ(trashed, QStringList({"8_a.mp4"}));
    ASSERT_EQ(logged.size(), 9);
    EXPECT_EQ(logged.last(), "CleanDirectory - Deleted: " + folder.file("8_a.mp4"));

    logged.clear();
    qel::CleanDirectory(
        folder.path(), {"*.mp4"}, 6, Now(), [](const QString&) { return false; }, log);
    EXPECT_EQ(logged, QStringList({"CleanDirectory - Not deleted: " + folder.file("7_a.mp4")}));
    EXPECT_TRUE(QFile::exists(folder.file("7_a.mp4")));
}

TEST_F(PitchActivationTest, DeactivationCleansOldFilesThroughTheTrash) {
    ServerConfig()->setCleanupLPMFiles(true);
    ServerConfig()->setLPMSavePath(lpmSettings.path());
    QFile old(lpmSettings.file(QStringLiteral("old.lpm")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.setFileTime(qel::DateTimeToQDateTime(Date() - 3), QFileDevice::FileModificationTime);
    old.close();
    QStringList trashed;
    form->setTrash([&](const QString& aFile) {
        trashed << aFile;
        return false;
    });
    EXPECT_TRUE(form->DeactivateMeasurement());
    EXPECT_EQ(trashed, QStringList({old.fileName()}));
    EXPECT_TRUE(old.exists());
    EXPECT_EQ(LogLines(QStringLiteral("CleanDirectory - Not deleted: ")).size(), 1);
    ServerConfig()->setCleanupLPMFiles(false);
}

}  // namespace
