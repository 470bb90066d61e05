#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <vector>

class QTcpServer;

namespace qel::test {

// A TCP peer for the socket layer on 127.0.0.1, on the main thread beside the port under test.
// It listens (for a client socket) or connects (to a server socket), sends given bytes in given
// pieces, records what it receives and closes on request. Every wait lets the event loop run
// and has a time limit.
class FakeTcpPeer : public QObject {
public:
    FakeTcpPeer();
    ~FakeTcpPeer() override;

    // Listens on 127.0.0.1 with a free port and returns it; a later connection replaces the
    // current one.
    quint16 listen();
    // Refuses connections from now on; the port stays known (and closed).
    void stopListening();
    quint16 port() const { return port_; }
    int acceptedCount() const { return accepted_; }

    // Connects to a listening port under test.
    bool connectTo(quint16 port, int timeoutMs = 5000);
    bool waitForPeer(int timeoutMs = 5000);
    bool isConnected() const;
    QTcpSocket* socket() const { return socket_; }

    // Without pieces the bytes go out as one write. With piece sizes each piece is a write of
    // its own, flushed and followed by a pass of the event loop, so the port tends to get them
    // one by one; what is left after the pieces goes out last.
    void send(const QByteArray& bytes, const std::vector<int>& pieces = {});
    // Keeps sending chunks of the size for as long as the connection is open.
    void flood(int chunkSize);
    qint64 bytesSent() const { return sent_; }

    QByteArray received() const { return received_; }
    bool waitForReceived(qsizetype count, int timeoutMs = 5000);

    // Closes the connection (FIN after what is written).
    void close();
    // Resets the connection at once.
    void abort();
    bool waitForDisconnect(int timeoutMs = 5000);
    int disconnectCount() const { return disconnects_; }

private:
    void adopt(QTcpSocket* socket);
    void floodMore();

    QTcpServer* server_ = nullptr;
    QPointer<QTcpSocket> socket_;
    quint16 port_ = 0;
    int accepted_ = 0;
    int disconnects_ = 0;
    QByteArray received_;
    qint64 sent_ = 0;
    int floodChunk_ = 0;
};

}  // namespace qel::test
