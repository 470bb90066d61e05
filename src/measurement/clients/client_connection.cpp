#include "measurement/clients/client_connection.h"

TqelClientConnection::TqelClientConnection(QTcpSocket* aSocket,
                                           TlpmProcessDatagramEvent aProcessDatagramEvent,
                                           TlpmDatagramBoundaryCheckProc aBoundaryChecker,
                                           int32_t aPortId)
    : TlpmClientConnection(aSocket, std::move(aProcessDatagramEvent), std::move(aBoundaryChecker),
                           aPortId) {
    setMaxBufferSize(MaxUnsentBytes);
    setDisplayName(QStringLiteral("TqelClientConnection"));
}

void TqelClientConnection::setUserName(const QString& aValue) {
    FUserName = aValue;
    FUsernameReceived = true;
}

void TqelClientConnection::SetCanAccessAntenna(uint32_t anAntennaID, bool aValue) {
    if (anAntennaID >= static_cast<uint32_t>(AntennaCount) ||
        FCanAccessAntenna[anAntennaID] == aValue) {
        return;
    }
    FCanAccessAntenna[anAntennaID] = aValue;
    FAccessibleCount += aValue ? 1 : -1;
}

void TqelClientConnection::SetCanAccessAllAntennas(bool aValue) {
    FCanAccessAntenna.fill(aValue);
    FAccessibleCount = aValue ? AntennaCount : 0;
}
