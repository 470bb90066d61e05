#include "lpm_server_fixture.h"

namespace qel::test {
namespace {

class ClientBroadcastsTest : public LPMServerTest {
protected:
    static void Settle() { ProcessMessagesFor(100); }
};

TEST_F(ClientBroadcastsTest, LiveOnlyMessagesReachLiveClientsOnly) {
    auto live = Connect();
    auto idle = Connect();
    LiveData(*live, 1);
    server->FollowingAntennaIDs(2, {7, 8}, trkTransponder);
    server->CameraZoomChanged(1, 0x1234);
    server->ChangeAthletesVest(QStringLiteral("V1"), QStringLiteral("V2"));
    ASSERT_TRUE(live->waitForMessages(msg::ChangeAthletesVest));
    Settle();

    EXPECT_EQ(
        TypesAfterGreeting(*live),
        (std::vector<int32_t>{msg::CameraFollowing, msg::CameraZoomed, msg::ChangeAthletesVest}));
    EXPECT_EQ(live->messagesOfType(msg::CameraFollowing).front(), QByteArray::fromHex("15000000"
                                                                                      "0f000000"
                                                                                      "02"
                                                                                      "02"
                                                                                      "0700"
                                                                                      "0800"
                                                                                      "02"));
    EXPECT_EQ(live->messagesOfType(msg::CameraZoomed).front(), QByteArray::fromHex("1b000000"
                                                                                   "0a000000"
                                                                                   "01"
                                                                                   "34"));
    EXPECT_TRUE(TypesAfterGreeting(*idle).empty());
}

TEST_F(ClientBroadcastsTest, EveryRecipientGetsTheSameBytes) {
    auto first = Connect();
    auto second = Connect();
    LiveData(*second, 1);
    server->StartRecording(0, false);
    ASSERT_TRUE(ProcessMessagesFor(5000, [&] { return server->Recording(); }));
    owner.Calls.clear();

    RqelCamPosCommunication camPos;
    camPos.CameraIndex = 1;
    camPos.TimeStampInMS = 5000;
    camPos.Antennas = {7};
    RqelEventFromWeb event;
    event.EventText = QStringLiteral("goal");
    event.EventGUID = QUuid::createUuid();
    server->SendCurrentField(4, 33, imsActivated, 60000, QStringLiteral("none"));
    server->SendMeasurementState(imsRecording, 59000);
    server->SendCameraPosition(camPos);
    server->SendCamRecording(1, comRecording, QStringLiteral("dome2.mp4"), 1234);
    server->handleEventFromWeb(event);
    server->BallTrackingPostFilePostProcessed(QStringLiteral("ball.csv"));
    server->SendMessage(emtWarning, QStringLiteral("Hi"));
    ASSERT_TRUE(first->waitForMessages(msg::EventMessageText));
    ASSERT_TRUE(second->waitForMessages(msg::EventMessageText));

    const std::vector<int32_t> expected{msg::VideoRecording,
                                        msg::CurrentStatus,
                                        msg::MeasurementStateChanged,
                                        msg::CamPosition,
                                        msg::CamRecording,
                                        msg::EventToClient,
                                        msg::BalltrackingPostProcessFile,
                                        msg::EventMessageText};
    EXPECT_EQ(TypesAfterGreeting(*first), expected);
    EXPECT_EQ(first->messages(), second->messages());
    EXPECT_EQ(first->messagesOfType(msg::EventMessageText).front(), QByteArray::fromHex("62000000"
                                                                                        "12000000"
                                                                                        "02000000"
                                                                                        "0200"
                                                                                        "4800"
                                                                                        "6900"));
    EXPECT_EQ(server->Recorder()->Forwarded().CameraPositions, 1);
    EXPECT_EQ(server->Recorder()->Forwarded().Events, 1);
    EXPECT_EQ(owner.Calls
                  .filter(QStringLiteral(
                      "log TqelLPMServer.BallTrackingPostFilePostProcessed: Client: 127.0.0.1"))
                  .size(),
              2);
}

TEST_F(ClientBroadcastsTest, StateAndTextMessagesNeedAListeningSocket) {
    auto client = Connect();
    server->stop();  // the client stays connected
    server->SendMeasurementState(imsIdle, 0);
    server->SendMessage(emtInformation, QStringLiteral("LPM Server measurement started"));
    server->RecordingState(false);
    ASSERT_TRUE(client->waitForMessages(msg::VideoRecording));
    Settle();
    EXPECT_EQ(TypesAfterGreeting(*client), std::vector<int32_t>{msg::VideoRecording});
}

}  // namespace
}  // namespace qel::test
