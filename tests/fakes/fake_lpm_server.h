#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QTcpServer;

namespace qel::test {

// The commands the fake understands, written from the LPM server's table rather than taken from
// the program's, so that the tests check the program against it.
namespace lpm {
constexpr int32_t kConnect = 100002;
constexpr int32_t kInitialize = 100004;
constexpr int32_t kStop = 100005;
constexpr int32_t kStart = 100006;
constexpr int32_t kTpActivate = 100101;
constexpr int32_t kTpDeactivate = 100102;
constexpr int32_t kTpPause = 100107;
constexpr int32_t kSendFile = 100202;
constexpr int32_t kDatalogEnable = 100203;
constexpr int32_t kDatalogDisable = 100204;
}  // namespace lpm

// A TCP port on 127.0.0.1 that was free a moment ago, for a peer that must be told its port
// before it listens.
quint16 FreeLocalPort();

// One 56-byte LPM record of a valid position: time 50 (5 ms), antenna 7, X 1000 mm, Y 2000 mm,
// Z 300 mm, no velocity; the bytes nobody reads are 0x5A, not 0.
QByteArray LpmPositionRecord();

// The LPM server computer as the control program sees it, on 127.0.0.1 and the main thread:
// it takes the 5-byte hand-shakes on its hand-shake port, connects to the program's control
// port (by itself after the data-receiver hand-shake, or on request), answers the 12-byte
// control messages like the real server or from a script, receives the ini uploads and sends
// UDP position records.
class FakeLpmServer : public QObject {
public:
    struct Message {
        int32_t Code = 0;
        int32_t Param0 = 0;
        int32_t Param1 = 0;
        bool operator==(const Message&) const = default;
    };
    struct Upload {
        int32_t FileID = 0;
        int32_t Size = 0;
        QByteArray Bytes;
    };

    FakeLpmServer();
    ~FakeLpmServer() override;

    // The hand-shake port, a free port on 127.0.0.1 or the address given (127.0.0.2 makes the
    // fake an LPM server whose address differs from other local senders).
    quint16 listenHandshakes(const QHostAddress& anAddress = QHostAddress(QHostAddress::LocalHost));
    void stopHandshakes();
    // Each hand-shake connection's bytes, recorded when it closes.
    QList<QByteArray> handshakes() const { return handshakes_; }

    // After a data-receiver hand-shake (role byte 1) the fake connects to this control port.
    void setControlPort(quint16 aPort) { controlPort_ = aPort; }
    bool connectControl(quint16 aPort, int aTimeoutMs = 5000);
    bool isControlConnected() const;
    int controlConnects() const { return controlConnects_; }
    // Closes the control connection at once.
    void dropControl();
    // Drops the control connection once that many bytes of the next upload have arrived.
    void dropDuringUpload(int aBytes) { dropAfterUploadBytes_ = aBytes; }

    // The next request with that code is answered with these messages instead of the real
    // server's answer; no messages means silence. A file's answer comes after its bytes.
    void script(int32_t aRequestCode, std::vector<Message> anAnswers);
    // Every such request from now on.
    void scriptAlways(int32_t aRequestCode, std::vector<Message> anAnswers);

    // Sends messages on the control connection as one segment, or cut into pieces of the given
    // sizes (each its own write, followed by a pass of the event loop).
    void send(const std::vector<Message>& aMessages, const std::vector<int>& aPieces = {});

    // Control messages received, in order, file bytes left out.
    std::vector<Message> received() const { return received_; }
    std::vector<int32_t> receivedCodes() const;
    std::vector<Upload> uploads() const { return uploads_; }
    // Every byte received on control connections, in order.
    QByteArray rawReceived() const { return raw_; }

    // Sends a datagram to 127.0.0.1:aPort from aFrom (127.0.0.1 or 127.0.0.2); one sending socket
    // per address is kept.
    bool sendUdp(const QByteArray& aDatagram, quint16 aPort,
                 const QHostAddress& aFrom = QHostAddress(QStringLiteral("127.0.0.1")));

    static QByteArray Encode(const Message& aMessage);

private:
    void onControlData();
    void handleRequest(const Message& aRequest);
    void answer(const Message& aRequest);
    void finishUpload();

    QTcpServer* handshakeServer_ = nullptr;
    QList<QByteArray> handshakes_;
    quint16 controlPort_ = 0;
    QPointer<QTcpSocket> control_;
    int controlConnects_ = 0;
    QByteArray buffer_;
    QByteArray raw_;
    std::vector<Message> received_;
    std::vector<Upload> uploads_;
    // Bytes of the current upload still to come; -1 when none runs.
    int64_t uploadRemaining_ = -1;
    Message uploadRequest_;
    int dropAfterUploadBytes_ = -1;
    std::map<int32_t, std::deque<std::vector<Message>>> scripted_;
    std::map<int32_t, std::vector<Message>> scriptedAlways_;
    std::map<quint32, std::unique_ptr<QUdpSocket>> udpSenders_;
};

}  // namespace qel::test
