#include <QHostAddress>
#include <QTcpServer>
#include <QtEndian>

#include "database/prepare_recording.h"
#include "lpm_server_fixture.h"
#include "shared/socket_errors.h"

namespace qel::test {
namespace {

// One live sample, written by hand from the wire layout.
TEST_F(LPMServerTest, ClientIsGreetedWithVersionAndGetsOnlyLaterSamplesByteForByte) {
    auto client = Connect();
    const QByteArray greeting = client->messagesOfType(msg::ProtocolVersion).front();
    EXPECT_EQ(greeting, QByteArray::fromHex("630000000c00000013000000"));

    Feed(3);  // before live data: never sent
    LiveData(*client, 1);
    RqelPositionRec position = RqelPositionRec::Create();
    position.TimeStampInMS = 1000;
    position.AntennaID = 0x0102;
    position.Quality = 0x0304;
    position.XinMM = -2;
    position.YinMM = 0x01020304;
    position.ZinMM = 5;
    position.DistanceInMM = 6;
    position.SpeedInMMS = 0x0708;
    position.AccelInMMss = -3;
    position.Telemetry.setType_(0x3C);
    position.Telemetry.setCRC(0xAB);
    position.Telemetry.setData(0x1234);
    server->PositionDataRecevied(&control, position);
    Tick();

    const std::vector<QByteArray> updates = client->messagesOfType(msg::Update);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates.front(), QByteArray::fromHex("0a0000002c00000001000000"
                                                   "10270000020104 03feffffff04030201"
                                                   "05000000060000000807fdff3cab3412"));
    // A tick without a new sample sends nothing.
    Tick();
    EXPECT_EQ(client->messagesOfType(msg::Update).size(), 1u);
    EXPECT_EQ(server->Client(0)->LastLPMTimestamp(), 10000u);
}

TEST_F(LPMServerTest, RingWrapReachesClientInOneMessageAndRecorderOnce) {
    auto client = Connect();
    Feed(29990, 7, 0);
    LiveData(*client, 1);
    ASSERT_EQ(server->Client(0)->LastSampleSent(), 29990);
    server->StartRecording(0, false);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    ASSERT_EQ(server->Recorder()->LastSampleRecorded(), 29990);

    Feed(11 + 5, 7, 100000);  // 29990..30000, then 0..4
    EXPECT_EQ(server->SampleBufWritePos(), 5);
    Tick();

    const std::vector<QByteArray> updates = client->messagesOfType(msg::Update);
    ASSERT_EQ(updates.size(), 1u);
    std::vector<int32_t> expected;
    for (int i = 0; i < 16; ++i) {
        expected.push_back(100000 + i);
    }
    EXPECT_EQ(Xs(FakeClientProgram::decodeSamples(updates.front())), expected);
    EXPECT_EQ(server->Recorder()->SampleCount(), 16);
    EXPECT_EQ(server->Recorder()->LastSample().XinMM(), 100015);
    EXPECT_EQ(server->Recorder()->LastSampleRecorded(), 5);
    Tick();
    EXPECT_EQ(server->Recorder()->SampleCount(), 16);
}

TEST_F(LPMServerTest, StateTwoContinuesWhereTheClientStandsAndOffStopsSamples) {
    Feed(3, 7, 1);
    auto client = Connect();
    LiveData(*client, 2);  // a fresh client stands at entry 0
    Tick();
    EXPECT_EQ(Xs(client->samples()), (std::vector<int32_t>{1, 2, 3}));

    LiveData(*client, 0);
    EXPECT_EQ(owner.Deactivations, 1);
    Feed(2, 7, 10);
    Tick();
    LiveData(*client, 2);  // continues after the last sample it got
    Feed(1, 7, 20);
    Tick();
    EXPECT_EQ(Xs(client->samples()), (std::vector<int32_t>{1, 2, 3, 10, 11, 20}));
}

TEST_F(LPMServerTest, RestrictedAccessShowsOnlyWhatIsMadeVisible) {
    ServerConfig()->setRestrictAccess(true);
    auto client = Connect();
    LiveData(*client, 1);
    server->Client(0)->setUserName(QStringLiteral("coach"));
    Feed(2, 7);
    Feed(2, 8, 50);
    Tick();
    EXPECT_TRUE(client->messagesOfType(msg::Update).empty());

    server->VisibleToChanged(QStringLiteral("coach"), 7);
    server->VisibleToChanged(QStringLiteral("all clients"), 16384);  // outside the table
    Feed(1, 7, 10);
    Feed(1, 8, 60);
    Tick();
    EXPECT_EQ(Xs(client->samples()), (std::vector<int32_t>{10}));

    server->VisibleToChanged(QStringLiteral("all clients"), 8);
    server->VisibleToChanged(QStringLiteral("someone else"), 7);
    Feed(1, 7, 20);
    Feed(1, 8, 70);
    Tick();
    EXPECT_EQ(Xs(client->samples()), (std::vector<int32_t>{10, 70}));
}

TEST_F(LPMServerTest, AntennaOutsideTheTableIsNeverSent) {
    auto client = Connect();
    LiveData(*client, 1);
    Feed(1, 16384, 1);
    Feed(1, 65535, 2);
    Feed(1, 16383, 3);
    Tick();
    EXPECT_EQ(Xs(client->samples()), (std::vector<int32_t>{3}));
}

TEST_F(LPMServerTest, RecordingPastItsDurationStopsAtNextTickInOrder) {
    auto client = Connect();
    server->StartRecording(1, true);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    EXPECT_TRUE(server->BallTrackingVideoRecording());
    ASSERT_TRUE(client->waitForMessages(msg::VideoRecording));

    // A second start changes nothing, not even the duration.
    server->StartRecording(5, false);
    ProcessMessagesFor(50);
    EXPECT_EQ(server->Recorder()->MaxRecordingTimeInMin(), 1);
    EXPECT_EQ(client->messagesOfType(msg::VideoRecording).size(), 1u);

    clock.Advance(59999);
    Tick();
    EXPECT_TRUE(server->Recording());
    owner.Calls.clear();
    clock.Advance(1);
    Tick();
    EXPECT_FALSE(server->Recording());
    ASSERT_TRUE(client->waitForMessages(msg::VideoRecording, 2));
    EXPECT_EQ(client->messagesOfType(msg::VideoRecording).back(),
              QByteArray::fromHex("110000000900000000"));
    const QStringList expected{
        QStringLiteral("log TqelLPMServer.SetRecording: Recording: 0"),
        QStringLiteral("log TqelRecorder.StopRecording: Begin"),
        QStringLiteral("log TqelRecorder.StopRecording: End"),
        QStringLiteral("log TqelLPMServer.SetRecording: FCallbacks.ServerRecordingStarted"),
        QStringLiteral("ServerRecordingStarted 0"),
        QStringLiteral("log TqelLPMServer.SetRecording: RecordingState"),
        QStringLiteral("log TqelLPMServer.SetRecording: Recording: End")};
    EXPECT_EQ(owner.Calls, expected);
}

TEST_F(LPMServerTest, StopRecordingSendsRecordingOffThenMeasurementState) {
    auto client = Connect();
    server->StartRecording(0, false);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    server->StopRecording();
    EXPECT_FALSE(server->Recording());
    ASSERT_TRUE(client->waitForMessages(msg::MeasurementStateChanged));
    std::vector<int32_t> types;
    for (const QByteArray& message : client->messages()) {
        types.push_back(qFromLittleEndian<int32_t>(message.constData()));
    }
    EXPECT_EQ(types, (std::vector<int32_t>{msg::ProtocolVersion, msg::VideoRecording,
                                           msg::VideoRecording, msg::MeasurementStateChanged}));
}

TEST_F(LPMServerTest, PreparationRegistersTranspondersAndSkipsRefusedAntenna) {
    TqelPrepareRecording preparation(nullptr);
    preparation.setPrcID(12);
    struct Row {
        int32_t antenna;
        bool enabled;
        const char* vest;
        const char* name;
        const char* mac;
    };
    const Row rows[] = {{301, true, "V1", "Anna", "aa:01"},
                        {16384, true, "V2", "Ben", "aa:02"},
                        {302, false, "V3", "Cleo", "aa:03"}};
    int tp = 1;
    for (const Row& row : rows) {
        TqelPrepareTransponder* prepared = preparation.AddTranponder(-1);
        prepared->setTPid(tp++);
        prepared->setAntennaID(row.antenna);
        prepared->setEnabled(row.enabled);
        prepared->setVestID(QString::fromLatin1(row.vest));
        prepared->setAthleteName(QString::fromLatin1(row.name));
        prepared->setShortcutChar(QStringLiteral("s"));
        prepared->setMacAddress(QString::fromLatin1(row.mac));
    }
    server->SetPreparation(&control, &preparation);

    TqelAntennaList* list = server->AntennaList();
    ASSERT_EQ(list->Count(), 2);
    const TqelAntennaData* anna = list->ItemByAntennaID(301);
    const TqelAntennaData* cleo = list->ItemByAntennaID(302);
    ASSERT_TRUE(anna && cleo);
    EXPECT_EQ(anna->Enabled(), 1);
    EXPECT_EQ(cleo->Enabled(), 0);
    EXPECT_EQ(anna->AthleteName(), QStringLiteral("Anna"));
    EXPECT_EQ(cleo->VestID(), QStringLiteral("V3"));
    EXPECT_EQ(cleo->MacAddress(), QStringLiteral("aa:03"));
    EXPECT_EQ(cleo->TPid(), 3);
    EXPECT_EQ(server->Recorder()->PreparationID(), 12);
}

TEST_F(LPMServerTest, FirstDataTimeStampAndMidnight) {
    // Across midnight the newest position keeps advancing.
    clock.Set(EncodeDateTime(2026, 12, 11, 23, 59, 59, 990));
    Feed(1);
    EXPECT_EQ(server->TimestampLastPositionMS(), 86399990);
    EXPECT_EQ(server->LastTimestampReceived(), 86399990);
    clock.Advance(20);
    Feed(1);
    EXPECT_EQ(server->TimestampLastPositionMS(), 10);
    EXPECT_EQ(server->LastTimestampReceived(), 10);

    // The first position after Clear sets the first data time stamp.
    server->Clear();
    clock.Set(EncodeDateTime(2026, 12, 12, 12, 0, 0, 0));
    Feed(1);
    EXPECT_EQ(server->FirstTimeStampDataMS(), 43200000);

    // Exactly at midnight it stays 0; the next position synchronises again.
    server->Clear();
    clock.Set(EncodeDateTime(2026, 12, 13, 0, 0, 0, 0));
    Feed(1);
    EXPECT_EQ(server->FirstTimeStampDataMS(), 0);
    EXPECT_EQ(server->OffsetMessurmentRestartedInMS(), 0u);
    clock.Advance(20);
    Feed(1);
    EXPECT_EQ(server->FirstTimeStampDataMS(), 20);
    EXPECT_EQ(server->OffsetMessurmentRestartedInMS(), 20u);
}

TEST_F(LPMServerTest, CorruptFrameClosesOnlyThatClient) {
    auto good = Connect();
    auto bad = Connect();
    LiveData(*good, 1);
    LiveData(*bad, 1);
    bad->sendCorruptFrame();
    ASSERT_TRUE(bad->peer().waitForDisconnect());
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->ClientCount() == 1; }));
    Feed(2, 7, 1);
    Tick();
    EXPECT_EQ(Xs(good->samples()), (std::vector<int32_t>{1, 2}));
    // The closed client had live data, but another still has it.
    EXPECT_EQ(owner.Deactivations, 0);
}

TEST_F(LPMServerTest, SplitRequestIsHandledWhole) {
    auto client = Connect();
    client->sendLiveData(1, {3, 5, 1});
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->NumberClientsLiveData() == 1; }));
}

TEST_F(LPMServerTest, LastLiveClientLeavingDeactivatesOnce) {
    auto first = Connect();
    auto second = Connect();
    LiveData(*first, 1);
    LiveData(*second, 2);
    second->sendLiveData(0);
    second->disconnect();  // between the request and anything the server may answer
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->ClientCount() == 1; }));
    EXPECT_EQ(owner.Deactivations, 0);
    first->disconnect();
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->ClientCount() == 0; }));
    EXPECT_EQ(owner.Deactivations, 1);
    EXPECT_TRUE(owner.Calls.contains(QStringLiteral("log TqelLPMServer.onClientDisconnect: End")));
}

TEST_F(LPMServerTest, ClientThatStopsReadingIsClosed) {
    auto slow = Connect();
    auto fast = Connect();
    LiveData(*slow, 1);
    LiveData(*fast, 1);
    slow->stopReading();
    // Far more than the cap of unsent bytes plus what the kernel buffers hold.
    for (int round = 0; round < 60 && server->ClientCount() == 2; ++round) {
        Feed(20000, static_cast<uint16_t>(round), 0);
        server->UpdateTimerTimer();
        ProcessMessagesFor(20);
    }
    EXPECT_TRUE(ProcessMessagesFor(5000, [&] { return server->ClientCount() == 1; }));
    EXPECT_TRUE(fast->peer().isConnected());
}

}  // namespace
}  // namespace qel::test

namespace qel::test {
namespace {

// A port held by another listener: the second try fails too, and that is reported, not hidden.
TEST(LPMServerStartTest, PortInUseRaisesAfterTheRetry) {
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
    ServerConfig()->setServerPort(QString::number(holder.serverPort()));
    FakeServerOwner owner;
    TqelLPMServer server;
    server.setCallback(&owner);
    EXPECT_THROW(server.start(), ESocketException);
    EXPECT_EQ(owner.Calls.filter(QStringLiteral("retrying")).size(), 1);
    ServerConfig()->setServerPort(QStringLiteral("2378"));
}

}  // namespace
}  // namespace qel::test
