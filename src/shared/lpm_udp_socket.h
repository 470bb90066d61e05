#pragma once

#include <QString>
#include <cstdint>

#include "shared/lpm_port.h"

class QUdpSocket;

// A UDP port with the same framing: received datagrams are collected and cut like a stream.
//
// Main thread only; no lock.
class TlpmUDPSocket : public TlpmPort {
public:
    TlpmUDPSocket(TlpmProcessDatagramEvent aProcessDatagramEvent,
                  TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId = 0);
    ~TlpmUDPSocket() override;

    // Binds to the address and port (decimal text; "0" takes a free one) and receives. Raises
    // ESocketException when it cannot.
    void start(const QString& anInterface, const QString& aPort);

    QAbstractSocket* GetSocket() const override;

protected:
    void doConnected(int anError) override {}
    void doClosed() override {}
    bool hasInput() const override;
    qint64 readInput(char* aBuffer, qint64 aMaxSize) override;
    qint64 nextInputSize() const override;

private:
    QUdpSocket* FSocket;
};
