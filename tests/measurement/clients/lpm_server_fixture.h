#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QtEndian>
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
// as "log <text>"; answers the status questions with the values set here.
class FakeServerOwner final : public IqelServerCallbacks {
public:
    void RequestFieldActivation(int32_t aFieldID, int32_t aPreparationID) override {
        Calls.append(
            QStringLiteral("RequestFieldActivation %1 %2").arg(aFieldID).arg(aPreparationID));
    }
    bool DeactivateMeasurement() override {
        ++Deactivations;
        return true;
    }
    int32_t GetCameraInfo(TqelArrayOfCamSetting& aCameraSettings) override {
        aCameraSettings = Cameras;
        return static_cast<int32_t>(Cameras.size());
    }
    int32_t GetSelectedFieldID() override { return FieldID; }
    int32_t GetPrepareRecordingID() override { return PreparationID; }
    TqelMeasurementStatus GetMeasurementStatus() override { return MeasurementStatus; }
    int32_t GetRemainingRecordingTimeInMS() override { return RemainingMS; }
    QString GetLastLPMError() override { return LastLPMError; }
    void SetFollowAntennaIDs(uint8_t aCameraIndex, const TqelArrayOfWord& anAntennaIDs) override {
        QStringList ids;
        for (const uint16_t id : anAntennaIDs) {
            ids << QString::number(id);
        }
        Calls.append(
            QStringLiteral("SetFollowAntennaIDs %1 %2").arg(aCameraIndex).arg(ids.join(u',')));
    }
    void GotoPreset(uint8_t aCameraIndex, const QString& aPresetName) override {
        Calls.append(QStringLiteral("GotoPreset %1 %2").arg(aCameraIndex).arg(aPresetName));
    }
    void SetPTZSpeed(uint8_t aCameraIndex, int32_t aPan, int32_t aTilt, int32_t aZoom) override {
        Calls.append(QStringLiteral("SetPTZSpeed %1 %2 %3 %4")
                         .arg(aCameraIndex)
                         .arg(aPan)
                         .arg(aTilt)
                         .arg(aZoom));
    }
    void ZoomChanged(uint8_t aCameraIndex, uint8_t aRelativeZoom) override {
        Calls.append(QStringLiteral("ZoomChanged %1 %2").arg(aCameraIndex).arg(aRelativeZoom));
    }
    void CameraStoppedFollowing(int32_t, TqelAntennaData*) override {}
    void CameraStartedFollowing(int32_t, TqelAntennaData*) override {}
    void ServerRecordingStarted(bool aRecordingOn) override {
        Calls.append(QStringLiteral("ServerRecordingStarted %1").arg(aRecordingOn));
    }
    void EnableFieldSelection(bool) override {}
    void LogMessage(const QString& aText) override { Calls.append(QStringLiteral("log ") + aText); }
    void SetAthleteName(uint16_t anAntennaID, const QString& anAthleteName) override {
        Calls.append(QStringLiteral("SetAthleteName %1 %2").arg(anAntennaID).arg(anAthleteName));
    }
    TDateTime GetNTPTimeDifference() override { return 0; }

    // The calls that are not log lines.
    QStringList NonLogCalls() const {
        QStringList result;
        for (const QString& call : Calls) {
            if (!call.startsWith(QStringLiteral("log "))) {
                result << call;
            }
        }
        return result;
    }

    QStringList Calls;
    int Deactivations = 0;
    int32_t FieldID = 0;
    int32_t PreparationID = 0;
    TqelMeasurementStatus MeasurementStatus = imsIdle;
    int32_t RemainingMS = 0;
    QString LastLPMError;
    TqelArrayOfCamSetting Cameras;
};

namespace qel::test {

// The bytes an encoder of the codec writes.
template <typename F>
QByteArray Encoded(F&& anEncode) {
    QBuffer datagram;
    anEncode(datagram);
    return datagram.data();
}

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
    // Types of the messages a client received, after the greeting.
    static std::vector<int32_t> TypesAfterGreeting(const FakeClientProgram& aClient) {
        std::vector<int32_t> types;
        for (const QByteArray& message : aClient.messages()) {
            const int32_t type = qFromLittleEndian<int32_t>(message.constData());
            if (type != msg::ProtocolVersion) {
                types.push_back(type);
            }
        }
        return types;
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
