#include <QThread>
#include <QtEndian>
#include <bit>

#include "lpm_server_fixture.h"
#include "measurement/clients/client_requests.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "platform/crash_reporter.h"
#include "support/temp_folder.h"

namespace qel::test {
namespace {

QByteArray Le16(uint16_t aValue) {
    QByteArray bytes(2, '\0');
    qToLittleEndian<uint16_t>(aValue, bytes.data());
    return bytes;
}

QByteArray Le32(uint32_t aValue) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<uint32_t>(aValue, bytes.data());
    return bytes;
}

QByteArray Le64(uint64_t aValue) {
    QByteArray bytes(8, '\0');
    qToLittleEndian<uint64_t>(aValue, bytes.data());
    return bytes;
}

QByteArray Frame(int32_t aType, const QByteArray& aPayload) {
    return Le32(static_cast<uint32_t>(aType)) +
           Le32(static_cast<uint32_t>(TqelProtocol::kHeaderSize + aPayload.size())) + aPayload;
}

// A stream string in its UTF-16 form: the count with bit 31 set, then the code units.
QByteArray StreamString(const QString& aText) {
    QByteArray bytes = Le32(0x80000000u | static_cast<uint32_t>(aText.size()));
    for (const QChar c : aText) {
        bytes += Le16(c.unicode());
    }
    return bytes;
}

// Message 72 as the server encodes it: a transponder without dataset, properties only.
QByteArray TransponderMessage(uint16_t anAntennaID, const QString& aName) {
    TqelTransponderData transponder(nullptr, false);
    transponder.setAntenna1ID(anAntennaID);
    transponder.setAthleteName(aName);
    QBuffer message;
    message.open(QIODevice::ReadWrite);
    TqelProtocol::encodeTransponderToClients(message, &transponder);
    return message.data();
}

// Message 72 with a version-110 block of the same values, laid down by the block's gates (no
// system and external ids yet); aPropertiesOnly false announces sample arrays.
QByteArray TransponderMessage110(uint16_t anAntennaID, const QString& aName,
                                 bool aPropertiesOnly = true) {
    QByteArray payload;
    payload += char(110);
    payload += char(1);
    payload += Le32(0) + StreamString({}) + Le16(anAntennaID) + Le16(0) + Le16(0) + Le16(0);
    payload += char(roleAthlete);
    payload += Le32(0) + StreamString(aName) + StreamString({}) + Le32(255);
    payload += char(1);
    payload += Le32(220);
    for (double value : {7.0, 7.0, 7.0}) {
        payload += Le64(std::bit_cast<uint64_t>(value));
    }
    payload += Le32(0);
    for (double value : {0.0, 0.0, 4.0, 0.0}) {
        payload += Le64(std::bit_cast<uint64_t>(value));
    }
    payload += Le32(0) + Le32(2) + StreamString({});
    payload += char(0);
    payload += char(0);
    payload += char(aPropertiesOnly ? 1 : 0);
    return Frame(msg::TransponderToClients, payload);
}

// Message 71: block version, present, the dataset's first LPM time, the game block.
QByteArray GameMessage(uint8_t aVersion, int32_t aFirstLPMtime,
                       const QByteArray& aBlock = QByteArrayLiteral("game block")) {
    QByteArray payload;
    payload += char(aVersion);
    payload += char(1);
    payload += Le32(static_cast<uint32_t>(aFirstLPMtime)) + aBlock;
    return Frame(msg::GameInfoToClients, payload);
}

QByteArray EventMessage(const QString& aText) {
    RqelEventFromWeb event;
    event.EventType = 0;
    event.EventText = aText;
    event.EventGUID = QUuid::createUuid();
    return Encoded([&](QBuffer& aDatagram) { TqelProtocol::encodeEventFromWeb(aDatagram, event); });
}

QString EventText(const QByteArray& aMessage) {
    QByteArray copy = aMessage;
    QBuffer datagram(&copy);
    datagram.open(QIODevice::ReadOnly);
    datagram.seek(copy.size());
    RqelEventFromWeb event;
    TqelProtocol::decodeEventToClient(datagram, event);
    return event.EventText;
}

class ClientRequestsTest : public LPMServerTest {
protected:
    // Lets the event loop run long enough for posted requests to be handled.
    static void Settle() { ProcessMessagesFor(100); }
    int32_t PortIdOf(int anIndex) const { return server->Client(anIndex)->PortId(); }
};

TEST_F(ClientRequestsTest, SocketEventRequestsAnswerAtOncePostedOnesAfterTheLoop) {
    owner.FieldID = 4;
    owner.PreparationID = 33;
    owner.MeasurementStatus = imsActivated;
    owner.RemainingMS = 1234;
    owner.LastLPMError = QStringLiteral("E");
    auto client = Connect();
    server->Client(0)->setLastLPMTimestamp(0x01020304);
    EXPECT_FALSE(server->Client(0)->CanAccessAllAntennas());

    // Authentication (posted) before the time stamp request (socket event), in one write.
    client->send(Encoded([](QBuffer& d) {
                     TqelProtocol::encodeAuthenticatedUser(d, QStringLiteral("coach"));
                 }) +
                 Encoded([](QBuffer& d) { TqelProtocol::encodeGetLastSendLPMTimestamp(d); }));
    ASSERT_TRUE(client->waitForMessages(msg::CurrentStatus));
    EXPECT_EQ(TypesAfterGreeting(*client),
              (std::vector<int32_t>{msg::LastSendLPMTimestamp, msg::CurrentStatus}));
    EXPECT_EQ(client->messagesOfType(msg::LastSendLPMTimestamp).front(),
              QByteArray::fromHex("090000000c00000004030201"));
    EXPECT_EQ(client->messagesOfType(msg::CurrentStatus).front(), Encoded([](QBuffer& d) {
                  TqelProtocol::encodeCurrenctStatus(d, 4, 33, imsActivated, 1234,
                                                     QStringLiteral("E"));
              }));
    TqelClientConnection* connection = server->Client(0);
    EXPECT_EQ(connection->UserName(), QStringLiteral("coach"));
    EXPECT_EQ(connection->ProtocolVersion(), TqelProtocol::kProtocolVersion);
    EXPECT_TRUE(connection->CanAccessAllAntennas());
}

TEST_F(ClientRequestsTest, AuthenticationUnderRestrictedAccessHidesEveryAntenna) {
    ServerConfig()->setRestrictAccess(true);
    auto client = Connect();
    server->Client(0)->SetCanAccessAntenna(7, true);
    client->send(Encoded(
        [](QBuffer& d) { TqelProtocol::encodeAuthenticatedUser(d, QStringLiteral("coach")); }));
    ASSERT_TRUE(client->waitForMessages(msg::CurrentStatus));
    EXPECT_FALSE(server->Client(0)->GetCanAccessAntenna(7));
}

TEST_F(ClientRequestsTest, ActivationRequestSetsPreparationEvenWhenRefusedAndWaitersGetTheAnswer) {
    auto waiting = Connect();
    auto other = Connect();
    waiting->send(Encoded([](QBuffer& d) { TqelProtocol::encodeActivateMeasurement(d, 4, 33); }));
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return !owner.NonLogCalls().isEmpty(); }));
    EXPECT_EQ(owner.NonLogCalls(), QStringList{QStringLiteral("RequestFieldActivation 4 33")});
    EXPECT_EQ(server->Recorder()->PreparationID(), 33);

    server->SendActivateMeasurementState(imsCannotChangeFieldWhileRecording);
    server->SendActivateMeasurementState(imsActivated);  // nobody waits any more
    ASSERT_TRUE(waiting->waitForMessages(msg::ActivateMeasurementResponse));
    Settle();
    EXPECT_EQ(waiting->messagesOfType(msg::ActivateMeasurementResponse),
              std::vector<QByteArray>{QByteArray::fromHex("020000000c00000008000000")});
    EXPECT_TRUE(TypesAfterGreeting(*other).empty());
    EXPECT_EQ(server->Recorder()->PreparationID(), 33);
}

// Posted as the socket event would post them, after the client is gone.
TEST_F(ClientRequestsTest, PostedRequestsOfAClientGoneInBetweenDoNothing) {
    auto gone = Connect();
    auto witness = Connect();
    const int32_t portId = PortIdOf(0);
    gone->disconnect();
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->ClientCount() == 1; }));
    owner.Calls.clear();

    for (const int request :
         {msg::AuthenticatedUser, msg::Reconnected, msg::CameraGetCount, msg::MainClientRequest}) {
        PostMessage(server.get(), TqelLPMServer::UM_CLIENT_MESSAGE_RECEIVED, request, portId);
    }
    Settle();
    EXPECT_TRUE(owner.NonLogCalls().isEmpty());
    EXPECT_TRUE(owner.Calls.filter(QStringLiteral("TqelLPMServer.handle")).isEmpty())
        << owner.Calls.join(u'\n').toStdString();
    EXPECT_TRUE(TypesAfterGreeting(*witness).empty());
    EXPECT_EQ(server->NumberClientsLiveData(), 0);
}

TEST_F(ClientRequestsTest, CameraCommandsReachTheOwnerAndPositionsQueryGetsNoAnswer) {
    auto client = Connect();
    client->send(Encoded([](QBuffer& d) {
                     TqelProtocol::encodeCameraFollow(d, 2, {7, 300});
                 }) +
                 Encoded([](QBuffer& d) { TqelProtocol::encodeCameraZoom(d, 1, 3); }) +
                 Encoded([](QBuffer& d) {
                     TqelProtocol::encodeCameraGotoPosition(d, 0, QStringLiteral("Goal"));
                 }) +
                 Encoded([](QBuffer& d) { TqelProtocol::encodeCameraPTZSpeed(d, 3, 1, -2, 5); }) +
                 Encoded([](QBuffer& d) { TqelProtocol::encodeCameraGetPositions(d); }) +
                 Encoded([](QBuffer& d) { TqelProtocol::encodeMainClientRequest(d); }));
    // The main-client answer comes after the positions query was handled.
    ASSERT_TRUE(client->waitForMessages(msg::MainClientReply));
    EXPECT_EQ(owner.NonLogCalls(),
              (QStringList{QStringLiteral("SetFollowAntennaIDs 2 7,300"),
                           QStringLiteral("ZoomChanged 1 3"), QStringLiteral("GotoPreset 0 Goal"),
                           QStringLiteral("SetPTZSpeed 3 1 -2 5")}));
    EXPECT_EQ(TypesAfterGreeting(*client), std::vector<int32_t>{msg::MainClientReply});
}

TEST_F(ClientRequestsTest, CameraCountIsAnsweredInTheClientsProtocolVersion) {
    TqelCamSetting camera;
    camera.CameraID = 2;
    camera.IPAddress = QStringLiteral("10.0.0.2");
    camera.GameOnID = QStringLiteral("g1");
    camera.RTSPStream = QStringLiteral("rtsp://cam");
    owner.Cameras = {camera};
    auto older = Connect();
    auto current = Connect();
    // An authentication of a version-16 client: the version is the last field.
    QByteArray authentication = Encoded(
        [](QBuffer& d) { TqelProtocol::encodeAuthenticatedUser(d, QStringLiteral("old")); });
    qToLittleEndian<int32_t>(16, authentication.data() + authentication.size() - 4);
    older->send(authentication +
                Encoded([](QBuffer& d) { TqelProtocol::encodeCameraGetCount(d); }));
    current->send(Encoded([](QBuffer& d) {
                      TqelProtocol::encodeAuthenticatedUser(d, QStringLiteral("new"));
                  }) +
                  Encoded([](QBuffer& d) { TqelProtocol::encodeCameraGetCount(d); }));
    ASSERT_TRUE(older->waitForMessages(msg::CameraSettings));
    ASSERT_TRUE(current->waitForMessages(msg::CameraSettings));

    const QByteArray v16 =
        Encoded([&](QBuffer& d) { TqelProtocol::encodeCameraSettings(d, owner.Cameras, 16); });
    const QByteArray v19 =
        Encoded([&](QBuffer& d) { TqelProtocol::encodeCameraSettings(d, owner.Cameras, 19); });
    ASSERT_NE(v16, v19);
    EXPECT_EQ(older->messagesOfType(msg::CameraSettings).front(), v16);
    EXPECT_EQ(current->messagesOfType(msg::CameraSettings).front(), v19);
}

TEST_F(ClientRequestsTest, LogoutAndLiveDataOffDeactivateOnceWhenTheLastLiveClientStops) {
    auto first = Connect();
    auto second = Connect();
    LiveData(*first, 1);
    LiveData(*second, 1);
    const QByteArray logout = Encoded([](QBuffer& d) { TqelProtocol::encodeLogout(d); });
    first->send(logout);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->NumberClientsLiveData() == 1; }));
    EXPECT_EQ(owner.Deactivations, 0);
    LiveData(*second, 0);
    EXPECT_EQ(owner.Deactivations, 1);
    EXPECT_EQ(server->ClientCount(), 2) << "a logout keeps the connection";
    EXPECT_TRUE(owner.Calls.contains(QStringLiteral("log TqelLPMServer.handleLogout: Begin")));
    EXPECT_TRUE(owner.Calls.contains(
        QStringLiteral("log TqelLPMServer.handleLiveData: DeactivateMeasurement")));

    // While recording, the last live client leaving deactivates nothing.
    LiveData(*first, 1);
    server->StartRecording(0, false);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    first->send(logout);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->NumberClientsLiveData() == 0; }));
    EXPECT_EQ(owner.Deactivations, 1);
}

struct ReconnectionCase {
    const char* name;
    std::vector<uint32_t> ring;
    int32_t writePos;
    uint32_t timestamp;
    int32_t expected;
};

TEST(ReconnectionIndexTest, FindsWhereTheClientResumes) {
    const ReconnectionCase cases[] = {
        {"empty ring", {0, 0, 0, 0, 0}, 0, 500, 0},
        {"not wrapped, older than all: first entry", {100, 200, 300, 0, 0}, 3, 50, 0},
        {"not wrapped, equal", {100, 200, 300, 0, 0}, 3, 200, 1},
        {"not wrapped, between", {100, 200, 300, 0, 0}, 3, 250, 2},
        {"not wrapped, newer than all: newest", {100, 200, 300, 0, 0}, 3, 301, 2},
        {"wrapped, older than all: oldest", {600, 700, 300, 400, 500}, 2, 100, 2},
        {"wrapped, before the wrap point", {600, 700, 300, 400, 500}, 2, 450, 4},
        {"wrapped, after the wrap point", {600, 700, 300, 400, 500}, 2, 550, 0},
        {"wrapped, newer than all: newest", {600, 700, 300, 400, 500}, 2, 800, 1},
        {"written to the end, write position 0", {100, 200, 300, 400, 500}, 0, 250, 2},
        {"written to the end, older than all", {100, 200, 300, 400, 500}, 0, 50, 0},
        {"written to the end, newer than all", {100, 200, 300, 400, 500}, 0, 600, 4},
        {"compared unsigned", {0x80000000u, 0x90000000u, 0, 0, 0}, 2, 0x85000000u, 1},
    };
    for (const ReconnectionCase& c : cases) {
        std::vector<RqelLPMSample> ring(c.ring.size());
        for (size_t i = 0; i < ring.size(); ++i) {
            ring[i].setTimestamp(c.ring[i]);
        }
        EXPECT_EQ(ClientRequests::ReconnectionIndex(ring, c.writePos, c.timestamp), c.expected)
            << c.name;
    }
}

TEST_F(ClientRequestsTest, ReconnectedClientResumesAtItsTimeStamp) {
    for (int i = 0; i < 5; ++i) {
        RqelPositionRec position = Sample(7, 100 + i);
        position.TimeStampInMS = 1000 + i;  // ring time 10000 + 10 i
        server->PositionDataRecevied(&control, position);
    }
    auto client = Connect();
    client->send(Encoded([](QBuffer& d) { TqelProtocol::encodeReconnected(d, 10025); }));
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->NumberClientsLiveData() == 1; }));
    // The server's own send timer may already have run: only what the client got counts.
    Tick();
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return client->samples().size() >= 2; }));
    ProcessMessagesFor(50);
    EXPECT_EQ(Xs(client->samples()), (std::vector<int32_t>{103, 104}));
}

TEST_F(ClientRequestsTest, MainClientRoleGoesToTheFirstUnlessAllMayHoldIt) {
    const QByteArray request =
        Encoded([](QBuffer& d) { TqelProtocol::encodeMainClientRequest(d); });
    const QByteArray granted = QByteArray::fromHex(
        "3d000000"
        "09000000"
        "01");
    const QByteArray refused = QByteArray::fromHex(
        "3d000000"
        "09000000"
        "00");
    auto first = Connect();
    auto second = Connect();
    first->send(request);
    ASSERT_TRUE(first->waitForMessages(msg::MainClientReply));
    second->send(request);
    ASSERT_TRUE(second->waitForMessages(msg::MainClientReply));
    EXPECT_EQ(first->messagesOfType(msg::MainClientReply).back(), granted);
    EXPECT_EQ(second->messagesOfType(msg::MainClientReply).back(), refused);
    EXPECT_TRUE(owner.Calls.contains(
        QStringLiteral("log TqelLPMServer.handleMainClientRequest: Send Reply 127.0.0.1 : False")));

    // The role ends with the connection.
    first->disconnect();
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->ClientCount() == 1; }));
    second->send(request);
    ASSERT_TRUE(second->waitForMessages(msg::MainClientReply, 2));
    EXPECT_EQ(second->messagesOfType(msg::MainClientReply).back(), granted);

    ServerConfig()->setAllClientsCanBeMain(true);
    auto third = Connect();
    third->send(request);
    ASSERT_TRUE(third->waitForMessages(msg::MainClientReply));
    EXPECT_EQ(third->messagesOfType(msg::MainClientReply).back(), granted);
    ServerConfig()->setAllClientsCanBeMain(false);
}

TEST_F(ClientRequestsTest, TwoEventsInOneWriteAreEachHandledOnceInOrder) {
    auto sender = Connect();
    auto other = Connect();
    server->StartRecording(0, false);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    sender->send(EventMessage(QStringLiteral("first")) + EventMessage(QStringLiteral("second")));
    ASSERT_TRUE(other->waitForMessages(msg::EventToClient, 2));
    Settle();
    for (FakeClientProgram* client : {sender.get(), other.get()}) {
        const std::vector<QByteArray> events = client->messagesOfType(msg::EventToClient);
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(EventText(events[0]), QStringLiteral("first"));
        EXPECT_EQ(EventText(events[1]), QStringLiteral("second"));
    }
    EXPECT_EQ(server->Recorder()->Forwarded().Events, 2);
    EXPECT_EQ(server->Recorder()->Forwarded().LastEventText, QStringLiteral("second"));
    EXPECT_EQ(server->Requests().WaitingEvents(), 0u);
}

TEST_F(ClientRequestsTest, TranspondersFromTwoClientsReachEveryClientButTheirSender) {
    server->AntennaList()->AddAntenna(&control, 301, 1, 1);
    auto anna = Connect();
    auto ben = Connect();
    auto witness = Connect();
    const QByteArray fromAnna = TransponderMessage(301, QStringLiteral("Anna"));
    const QByteArray fromBen = TransponderMessage(302, QStringLiteral("Ben"));
    anna->send(fromAnna);
    ben->send(fromBen);
    // Both arrive before the posted requests run, so both wait in one queue.
    QThread::msleep(50);
    ASSERT_TRUE(witness->waitForMessages(msg::TransponderToClients, 2));
    Settle();
    EXPECT_EQ(witness->messagesOfType(msg::TransponderToClients).size(), 2u);
    EXPECT_EQ(anna->messagesOfType(msg::TransponderToClients), std::vector<QByteArray>{fromBen});
    EXPECT_EQ(ben->messagesOfType(msg::TransponderToClients), std::vector<QByteArray>{fromAnna});
    EXPECT_EQ(server->AntennaList()->ItemByAntennaID(301)->AthleteName(), QStringLiteral("Anna"));
    EXPECT_EQ(owner.NonLogCalls(), QStringList{QStringLiteral("SetAthleteName 301 Anna")});
    EXPECT_EQ(server->Requests().WaitingTransponders(), 0u);
}

TEST_F(ClientRequestsTest, OlderTransponderBlocksAreForwardedAs151AndGamesAsTheyCame) {
    server->AntennaList()->AddAntenna(&control, 301, 1, 1);
    auto sender = Connect();
    auto other = Connect();
    const QByteArray game = GameMessage(100, 77);
    sender->send(TransponderMessage110(301, QStringLiteral("Old")) + game);
    ASSERT_TRUE(other->waitForMessages(msg::TransponderToClients));
    ASSERT_TRUE(other->waitForMessages(msg::GameInfoToClients));
    EXPECT_EQ(other->messagesOfType(msg::TransponderToClients).front(),
              TransponderMessage(301, QStringLiteral("Old")));
    EXPECT_EQ(other->messagesOfType(msg::GameInfoToClients).front(), game);
    EXPECT_EQ(server->AntennaList()->ItemByAntennaID(301)->AthleteName(), QStringLiteral("Old"));
}

TEST_F(ClientRequestsTest, TransponderReachesTheRecordingDatasetsTransponderOfItsAntenna) {
    TqelDataset dataset;
    TqelTransponderData* local = dataset.AddTransponder(301, nullptr, 0);
    server->Recorder()->SetDataset(&dataset);
    auto sender = Connect();
    auto other = Connect();
    server->StartRecording(0, false);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    sender->send(TransponderMessage(301, QStringLiteral("Anna")));
    ASSERT_TRUE(other->waitForMessages(msg::TransponderToClients));
    EXPECT_EQ(local->AthleteName(), QStringLiteral("Anna"));
    EXPECT_EQ(server->Recorder()->Forwarded().Transponders, 1);
    server->StopRecording();
    server->Recorder()->SetDataset(nullptr);
}

TEST_F(ClientRequestsTest, TransponderBlocksWithSamplesOrOfUnreadVersionsAreRefused) {
    TempFolder folder;
    CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
    const int64_t reportsBefore = CrashReporter::ReportCount();
    server->AntennaList()->AddAntenna(&control, 301, 1, 1);
    auto sender = Connect();
    auto other = Connect();
    // Samples announced (a huge count follows); version 108 has no properties-only flag;
    // version 152 is newer than this server.
    QByteArray withSamples = TransponderMessage110(301, QStringLiteral("S"), false);
    withSamples += Le32(0x7FFFFFFF);
    qToLittleEndian<int32_t>(static_cast<int32_t>(withSamples.size()), withSamples.data() + 4);
    QByteArray version108 = TransponderMessage(301, QStringLiteral("A"));
    version108[TqelProtocol::kHeaderSize] = char(108);
    QByteArray version152 = TransponderMessage(301, QStringLiteral("B"));
    version152[TqelProtocol::kHeaderSize] = char(152);
    const QByteArray good = TransponderMessage(301, QStringLiteral("Good"));
    sender->send(withSamples + version108 + version152 + good);
    ASSERT_TRUE(other->waitForMessages(msg::TransponderToClients));
    Settle();
    CrashReporter::SetLogFileName({});
    EXPECT_EQ(CrashReporter::ReportCount(), reportsBefore + 3);
    EXPECT_EQ(other->messagesOfType(msg::TransponderToClients), std::vector<QByteArray>{good});
    EXPECT_EQ(server->AntennaList()->ItemByAntennaID(301)->AthleteName(), QStringLiteral("Good"));
    EXPECT_TRUE(sender->peer().isConnected());
}

TEST_F(ClientRequestsTest, GameArrivingWhileOneIsPendingIsDroppedAndALaterOneAccepted) {
    auto sender = Connect();
    auto other = Connect();
    server->StartRecording(0, false);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    sender->send(GameMessage(151, 1) + GameMessage(151, 2));
    ASSERT_TRUE(other->waitForMessages(msg::GameInfoToClients));
    Settle();
    EXPECT_EQ(other->messagesOfType(msg::GameInfoToClients),
              std::vector<QByteArray>{GameMessage(151, 1)});
    EXPECT_FALSE(server->Requests().GamePending());

    sender->send(GameMessage(151, 3));
    ASSERT_TRUE(other->waitForMessages(msg::GameInfoToClients, 2));
    EXPECT_EQ(other->messagesOfType(msg::GameInfoToClients).back(), GameMessage(151, 3));
    EXPECT_TRUE(sender->messagesOfType(msg::GameInfoToClients).empty());
    EXPECT_EQ(server->Recorder()->Forwarded().Games, 2);
}

TEST_F(ClientRequestsTest, BadGameOrTransponderBlockIsReportedAndNotPosted) {
    TempFolder folder;
    CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
    const int64_t reportsBefore = CrashReporter::ReportCount();
    auto sender = Connect();
    auto other = Connect();
    // A game whose first LPM time is cut short; a transponder whose name runs past the end.
    QByteArray badGame = Frame(msg::GameInfoToClients, QByteArray::fromHex("970101"));
    QByteArray badTransponder = TransponderMessage(301, QStringLiteral("X"));
    badTransponder.chop(2);
    qToLittleEndian<int32_t>(static_cast<int32_t>(badTransponder.size()),
                             badTransponder.data() + 4);
    const QByteArray goodGame = GameMessage(151, 9);
    sender->send(badGame + badTransponder + goodGame);
    ASSERT_TRUE(other->waitForMessages(msg::GameInfoToClients));
    Settle();
    CrashReporter::SetLogFileName({});

    EXPECT_EQ(CrashReporter::ReportCount(), reportsBefore + 2);
    EXPECT_EQ(other->messagesOfType(msg::GameInfoToClients), std::vector<QByteArray>{goodGame})
        << "the pending place was emptied again";
    EXPECT_TRUE(other->messagesOfType(msg::TransponderToClients).empty());
    EXPECT_EQ(server->Requests().WaitingTransponders(), 0u);
    EXPECT_TRUE(sender->peer().isConnected());
}

TEST_F(ClientRequestsTest, GameOfASenderThatLeftStillGoesToTheRecordingAndEveryClient) {
    auto sender = Connect();
    auto second = Connect();
    auto third = Connect();
    server->StartRecording(0, false);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    const QByteArray game = GameMessage(151, 5);
    sender->send(game);
    sender->disconnect();
    ASSERT_TRUE(second->waitForMessages(msg::GameInfoToClients));
    ASSERT_TRUE(third->waitForMessages(msg::GameInfoToClients));
    EXPECT_EQ(third->messagesOfType(msg::GameInfoToClients).front(), game);
    EXPECT_EQ(server->Recorder()->Forwarded().Games, 1);
}

TEST_F(ClientRequestsTest, ClientStartsAndStopsARecordingAndAStartDuringOneOnlySetsTheFlag) {
    auto client = Connect();
    client->send(Encoded([](QBuffer& d) { TqelProtocol::encodeStartRecording(d, 2, false); }));
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    EXPECT_EQ(server->Recorder()->MaxRecordingTimeInMin(), 2);
    EXPECT_FALSE(server->BallTrackingVideoRecording());

    client->send(Encoded([](QBuffer& d) { TqelProtocol::encodeStartRecording(d, 5, true); }));
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->BallTrackingVideoRecording(); }));
    Settle();
    EXPECT_EQ(server->Recorder()->MaxRecordingTimeInMin(), 2);
    EXPECT_TRUE(
        owner.Calls.contains(QStringLiteral("log UMClientMessageReceived: msg_StartRecording")));

    client->send(Encoded([](QBuffer& d) { TqelProtocol::encodeStopRecording(d); }));
    ASSERT_TRUE(client->waitForMessages(msg::MeasurementStateChanged));
    EXPECT_FALSE(server->Recording());
    EXPECT_EQ(TypesAfterGreeting(*client),
              (std::vector<int32_t>{msg::VideoRecording, msg::VideoRecording,
                                    msg::MeasurementStateChanged}));
}

TEST_F(ClientRequestsTest, TransponderPastTheWaitingLimitIsDroppedAndLogged) {
    auto sender = Connect();
    auto witness = Connect();
    QByteArray burst;
    for (size_t i = 0; i <= ClientRequests::MaxWaiting; ++i) {
        burst += TransponderMessage(500, QStringLiteral("T%1").arg(i));
    }
    // The burst (over 100 kB) must be framed in one pass, before any posted request runs: it
    // goes into the sender's connection as if read at once.
    const QString senderPort = QString::number(sender->peer().socket()->localPort());
    TqelClientConnection* fromSender = nullptr;
    for (int i = 0; i < server->ClientCount(); ++i) {
        if (server->Client(i)->PeerPort() == senderPort) {
            fromSender = server->Client(i);
        }
    }
    ASSERT_NE(fromSender, nullptr);
    fromSender->injectRawData(0, burst.constData(), static_cast<int32_t>(burst.size()));
    ASSERT_TRUE(witness->waitForMessages(msg::TransponderToClients, ClientRequests::MaxWaiting));
    Settle();
    const std::vector<QByteArray> received = witness->messagesOfType(msg::TransponderToClients);
    ASSERT_EQ(received.size(), ClientRequests::MaxWaiting);
    EXPECT_EQ(received.front(), TransponderMessage(500, QStringLiteral("T0")));
    EXPECT_EQ(owner.Calls
                  .filter(QStringLiteral("transponders waiting, transponder of 127.0.0.1 "
                                         "dropped"))
                  .size(),
              1);
}

}  // namespace
}  // namespace qel::test
