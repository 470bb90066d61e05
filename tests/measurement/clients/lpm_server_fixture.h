#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <memory>

#include "../control/antenna_list_fakes.h"
#include "fakes/fake_client_program.h"
#include "foundation/protocol/client_protocol.h"
#include "foundation/settings/server_config.h"
#include "measurement/clients/client_connection.h"
#include "measurement/clients/lpm_server.h"
#include "measurement/clients/server_callbacks.h"
#include "platform/date_time.h"
#include "platform/queued_call.h"

// The main window as the client server sees it: records calls in one list, in order, log lines
// as "log <text>".
class FakeServerOwner final : public IqelServerCallbacks {
public:
    void RequestFieldActivation(int32_t aFieldID, int32_t aPreparationID) override {}
    bool DeactivateMeasurement() override {
        ++Deactivations;
        return true;
    }
    int32_t GetCameraInfo(TqelArrayOfCamSetting& aCameraSettings) override { return 0; }
    int32_t GetSelectedFieldID() override { return 0; }
    int32_t GetPrepareRecordingID() override { return 0; }
    TqelMeasurementStatus GetMeasurementStatus() override { return imsIdle; }
    int32_t GetRemainingRecordingTimeInMS() override { return 0; }
    QString GetLastLPMError() override { return {}; }
    void SetFollowAntennaIDs(uint8_t, const TqelArrayOfWord&) override {}
    void GotoPreset(uint8_t, const QString&) override {}
    void SetPTZSpeed(uint8_t, int32_t, int32_t, int32_t) override {}
    void ZoomChanged(uint8_t, uint8_t) override {}
    void CameraStoppedFollowing(int32_t, TqelAntennaData*) override {}
    void CameraStartedFollowing(int32_t, TqelAntennaData*) override {}
    void ServerRecordingStarted(bool aRecordingOn) override {
        Calls.append(QStringLiteral("ServerRecordingStarted %1").arg(aRecordingOn));
    }
    void EnableFieldSelection(bool) override {}
    void LogMessage(const QString& aText) override { Calls.append(QStringLiteral("log ") + aText); }
    void SetAthleteName(uint16_t, const QString&) override {}
    TDateTime GetNTPTimeDifference() override { return 0; }

    QStringList Calls;
    int Deactivations = 0;
};

namespace qel::test {

// A started client server on a free port, at noon of a fixed day, with access unrestricted.
class LPMServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ServerConfig()->setServerPort(QStringLiteral("0"));
        ServerConfig()->setRestrictAccess(false);
        server = std::make_unique<TqelLPMServer>();
        server->setCallback(&owner);
        server->start();
        port = server->ListeningPort().toUShort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override {
        server.reset();
        ServerConfig()->setRestrictAccess(false);
        ServerConfig()->setServerPort(QStringLiteral("2378"));
    }

    // A client that got the protocol-version message.
    std::unique_ptr<FakeClientProgram> Connect() {
        auto client = std::make_unique<FakeClientProgram>();
        EXPECT_TRUE(client->connectTo(port));
        EXPECT_TRUE(client->waitForMessages(msg::ProtocolVersion));
        return client;
    }
    // Live data on (or off) and handled by the server.
    void LiveData(FakeClientProgram& aClient, int32_t aState) {
        const int before = server->NumberClientsLiveData();
        aClient.sendLiveData(aState);
        const int expected = before + (aState != 0 ? 1 : -1);
        EXPECT_TRUE(
            ProcessMessagesFor(5000, [&] { return server->NumberClientsLiveData() == expected; }));
    }
    // Positions of one antenna whose X counts on from aFirstX.
    void Feed(int aCount, uint16_t anAntennaID = 7, int32_t aFirstX = 0) {
        for (int i = 0; i < aCount; ++i) {
            server->PositionDataRecevied(&control, Sample(anAntennaID, aFirstX + i));
        }
    }
    // One pass of the update timer, and time for what it sent to arrive.
    void Tick() {
        server->UpdateTimerTimer();
        ProcessMessagesFor(50);
    }
    static std::vector<int32_t> Xs(const std::vector<RqelLPMSample>& aSamples) {
        std::vector<int32_t> result;
        for (const RqelLPMSample& sample : aSamples) {
            result.push_back(sample.XinMM());
        }
        return result;
    }

    FakeClock clock{Noon()};
    ScopedClock scopedClock{clock};
    FakeServerOwner owner;
    FakeMeasurementControl control;
    std::unique_ptr<TqelLPMServer> server;
    quint16 port = 0;
};

}  // namespace qel::test
