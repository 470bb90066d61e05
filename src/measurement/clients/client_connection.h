#pragma once

#include <QBuffer>
#include <QString>
#include <array>
#include <cstdint>

#include "shared/lpm_client_connection.h"

// One client program connected to the client server, with its live-data state.
//
// Main thread only, like the server; no lock.
class TqelClientConnection : public TlpmClientConnection {
public:
    static constexpr int32_t AntennaCount = 16384;
    // A live client that stops reading is closed before it holds more than about 2.5 s of a
    // full live stream; stale positions are worth nothing to it.
    static constexpr int32_t MaxUnsentBytes = 8 * 1024 * 1024;

    TqelClientConnection(QTcpSocket* aSocket, TlpmProcessDatagramEvent aProcessDatagramEvent,
                         TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId = 0);

    const QString& UserName() const { return FUserName; }
    void setUserName(const QString& aValue);
    bool UsernameReceived() const { return FUsernameReceived; }
    bool LiveData() const { return FLiveData; }
    void setLiveData(bool aValue) { FLiveData = aValue; }
    int32_t LastSampleSent() const { return FLastSampleSent; }
    void setLastSampleSent(int32_t aValue) { FLastSampleSent = aValue; }
    // Wraps from aRingLast to 0.
    void IncLastSampleSent(int32_t aRingLast) {
        FLastSampleSent = FLastSampleSent >= aRingLast ? 0 : FLastSampleSent + 1;
    }
    uint32_t LastLPMTimestamp() const { return FLastLPMTimestamp; }
    void setLastLPMTimestamp(uint32_t aValue) { FLastLPMTimestamp = aValue; }
    bool ActivatingMeasurement() const { return FActivatingMeasurement; }
    void setActivatingMeasurement(bool aValue) { FActivatingMeasurement = aValue; }
    int32_t ProtocolVersion() const { return FProtocolVersion; }
    void setProtocolVersion(int32_t aValue) { FProtocolVersion = aValue; }
    bool MainClient() const { return FMainClient; }
    void setMainClient(bool aValue) { FMainClient = aValue; }

    // Ids outside 0..AntennaCount-1 are never visible; setting them does nothing.
    bool GetCanAccessAntenna(uint32_t anAntennaID) const {
        return anAntennaID < static_cast<uint32_t>(AntennaCount) && FCanAccessAntenna[anAntennaID];
    }
    void SetCanAccessAntenna(uint32_t anAntennaID, bool aValue);
    void SetCanAccessAllAntennas(bool aValue);
    // Every id in the table is visible.
    bool CanAccessAllAntennas() const { return FAccessibleCount == AntennaCount; }

    // The live-data message, kept between ticks so that building it allocates nothing.
    QBuffer& UpdateDatagram() { return FUpdateDatagram; }

private:
    QString FUserName;
    bool FLiveData = false;
    int32_t FLastSampleSent = 0;
    std::array<bool, AntennaCount> FCanAccessAntenna{};
    int32_t FAccessibleCount = 0;
    uint32_t FLastLPMTimestamp = 0;
    bool FActivatingMeasurement = false;
    bool FUsernameReceived = false;
    int32_t FProtocolVersion = 0;
    bool FMainClient = false;
    QBuffer FUpdateDatagram;
};
