#include "shared/lpm_client_socket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QBuffer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>
#include <memory>
#include <utility>
#include <vector>

#include "fakes/fake_tcp_peer.h"
#include "foundation/net/network_utils.h"
#include "platform/tick_count.h"
#include "shared/timeout_manager.h"
#include "socket_test_support.h"

namespace {

using qel::SocketState;
using qel::test::FakeTcpPeer;
using qel::test::FrameBoundaryCheck;
using qel::test::WaitUntil;

// A client socket with its events counted. The tick count is set by the test, so reconnect
// times pass when the test says so (the time-out manager's timer still ticks every 25 ms).
class ClientSocketTest : public ::testing::Test {
protected:
    ClientSocketTest() : FScope(FTicks) {}

    void SetUp() override {
        ASSERT_NE(TimeOutManager(), nullptr);
        FSocket =
            std::make_unique<TlpmClientSocket>([](TlpmPort*, QBuffer&) {}, FrameBoundaryCheck);
        FSocket->OnConnect = [this](TlpmClientSocket*) { ++FConnects; };
        FSocket->OnDisconnect = [this](TlpmClientSocket*) { ++FDisconnects; };
        FSocket->OnConnectRetry = [this](TlpmClientSocket*) { ++FRetries; };
        FSocket->OnConnectError = [this](TlpmClientSocket*, const QString& aMessage) {
            FErrors << aMessage;
        };
        FSocket->OnStateChange = [this](TlpmClientSocket*, SocketState anOld, SocketState aNew) {
            FStates.emplace_back(anOld, aNew);
        };
    }

    void TearDown() override {
        FSocket.reset();
        qel::test::FlushDeferredDeletes();
    }

    void connectTo(quint16 aPort, int32_t aRetry = 1000) {
        FSocket->connect(QStringLiteral("127.0.0.1"), QString::number(aPort), aRetry);
    }

    // Lets the time-out manager tick a few times without the tick count moving.
    static void LetTicksRun() { qel::ProcessMessagesFor(4 * TlpmTimeOutManager::kTickInterval); }

    qel::FakeTickSource FTicks{100000};
    qel::ScopedTickSource FScope;
    FakeTcpPeer FPeer;
    std::unique_ptr<TlpmClientSocket> FSocket;
    int FConnects = 0;
    int FDisconnects = 0;
    int FRetries = 0;
    QStringList FErrors;
    std::vector<std::pair<SocketState, SocketState>> FStates;
};

TEST_F(ClientSocketTest, AClosedPortIsRetriedEverySecondWithTheErrorText) {
    const quint16 port = FPeer.listen();
    ASSERT_NE(port, 0);
    FPeer.stopListening();

    connectTo(port);
    ASSERT_TRUE(WaitUntil([this] { return FErrors.size() == 1; }));
    const QString text = QStringLiteral(
        "Could not connect TlpmClientSocket because of winsock error 10061, retrying in 1000 "
        "ms.");
    EXPECT_EQ(FErrors.front(), text);
    for (int attempt = 2; attempt <= 4; ++attempt) {
        FTicks.Advance(1000);
        LetTicksRun();
        EXPECT_EQ(FErrors.size(), attempt - 1) << "retried before the second was over";
        FTicks.Advance(1);
        ASSERT_TRUE(WaitUntil([&] { return FErrors.size() == attempt; }));
        EXPECT_EQ(FErrors.back(), text);
        EXPECT_EQ(FRetries, attempt - 1);
    }
    // A connection that never came up is never reported as lost.
    EXPECT_EQ(FDisconnects, 0);
    EXPECT_EQ(FSocket->State(), ipsNew);
}

TEST_F(ClientSocketTest, WithoutRetryTimeAFailedAttemptIsNotRetried) {
    const quint16 port = FPeer.listen();
    FPeer.stopListening();
    connectTo(port, 0);
    ASSERT_TRUE(WaitUntil([this] { return FErrors.size() == 1; }));
    EXPECT_EQ(FErrors.front(),
              QStringLiteral("Could not connect TlpmClientSocket because of winsock error 10061, "
                             "not retrying."));
    FTicks.Advance(60000);
    LetTicksRun();
    EXPECT_EQ(FRetries, 0);
    EXPECT_EQ(FErrors.size(), 1);
}

TEST_F(ClientSocketTest, ALostConnectionIsReportedOnceAndComesBackAfterTheRetryTime) {
    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.isConnected(); }));
    EXPECT_EQ(FConnects, 1);
    EXPECT_EQ(FSocket->SocketState(), SocketState::Connected);
    int noDelay = 0;
    socklen_t size = sizeof(noDelay);
    ::getsockopt(static_cast<int>(FSocket->GetSocket()->socketDescriptor()), IPPROTO_TCP,
                 TCP_NODELAY, &noDelay, &size);
    EXPECT_EQ(noDelay, 1);

    FPeer.close();
    ASSERT_TRUE(WaitUntil([this] { return FDisconnects == 1; }));
    EXPECT_EQ(FSocket->State(), ipsReconnecting);
    LetTicksRun();
    EXPECT_EQ(FRetries, 0);

    FTicks.Advance(1001);
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected(); }));
    EXPECT_EQ(FRetries, 1);
    EXPECT_EQ(FConnects, 2);
    EXPECT_EQ(FDisconnects, 1);
    EXPECT_TRUE(WaitUntil([this] { return FPeer.acceptedCount() == 2; }));
}

TEST_F(ClientSocketTest, ReconnectingAttemptsThatFailReportEachClose) {
    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.isConnected(); }));
    FPeer.stopListening();
    FPeer.close();
    ASSERT_TRUE(WaitUntil([this] { return FDisconnects == 1; }));

    // In ipsReconnecting the error text has no tail; the close after it schedules the retry.
    FTicks.Advance(1001);
    ASSERT_TRUE(WaitUntil([this] { return FErrors.size() == 1 && FDisconnects == 2; }));
    EXPECT_EQ(FErrors.front(),
              QStringLiteral("Could not connect TlpmClientSocket because of winsock error 10061"));
    FTicks.Advance(1001);
    ASSERT_TRUE(WaitUntil([this] { return FErrors.size() == 2 && FDisconnects == 3; }));
    EXPECT_EQ(FRetries, 2);
    EXPECT_EQ(FSocket->State(), ipsReconnecting);
}

TEST_F(ClientSocketTest, DisconnectClosesOnceAndNeverReconnects) {
    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.isConnected(); }));

    FSocket->disconnect();
    EXPECT_EQ(FSocket->State(), ipsClosing);
    ASSERT_TRUE(WaitUntil([this] { return FSocket->State() == ipsClosed; }));
    EXPECT_TRUE(FPeer.waitForDisconnect());
    FTicks.Advance(60000);
    LetTicksRun();
    EXPECT_EQ(FDisconnects, 1);
    EXPECT_EQ(FRetries, 0);
    EXPECT_EQ(FPeer.acceptedCount(), 1);
    EXPECT_EQ(FStates.back(), std::make_pair(SocketState::Connected, SocketState::Closed));
}

TEST_F(ClientSocketTest, DisconnectRemovesAPendingReconnect) {
    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.isConnected(); }));
    FPeer.close();
    ASSERT_TRUE(WaitUntil([this] { return FDisconnects == 1; }));
    ASSERT_EQ(FSocket->State(), ipsReconnecting);

    FSocket->disconnect();
    EXPECT_EQ(FSocket->State(), ipsClosed);
    FTicks.Advance(60000);
    LetTicksRun();
    EXPECT_EQ(FRetries, 0);
    EXPECT_EQ(FDisconnects, 1);
    EXPECT_EQ(FPeer.acceptedCount(), 1);
}

TEST_F(ClientSocketTest, DisconnectDuringAFailedFirstAttemptStopsItsRetry) {
    const quint16 port = FPeer.listen();
    FPeer.stopListening();
    connectTo(port);
    ASSERT_TRUE(WaitUntil([this] { return FErrors.size() == 1; }));
    FSocket->disconnect();
    EXPECT_EQ(FSocket->State(), ipsClosed);
    FTicks.Advance(60000);
    LetTicksRun();
    EXPECT_EQ(FRetries, 0);
    EXPECT_EQ(FErrors.size(), 1);
}

TEST_F(ClientSocketTest, AnAttemptWithoutAnswerTimesOut) {
    // A listener whose accept queue is full drops further handshakes unanswered.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(std::make_unique<QTcpSocket>());
        fillers.back()->connectToHost(QHostAddress::LocalHost, ntohs(address.sin_port));
    }
    qel::ProcessMessagesFor(100);

    FSocket->setConnectTimeout(300);
    connectTo(ntohs(address.sin_port), 0);
    EXPECT_TRUE(WaitUntil([this] { return !FErrors.isEmpty(); }));
    EXPECT_EQ(FErrors.value(0),
              QStringLiteral("Could not connect TlpmClientSocket because of winsock error 10060, "
                             "not retrying."));
    EXPECT_EQ(FSocket->SocketState(), SocketState::Closed);
    fillers.clear();
    ::close(listener);
}

TEST_F(ClientSocketTest, SendsOnlyWhileConnected) {
    FSocket->sendToServer(QByteArray("lost"));
    FSocket->sendStr(QStringLiteral("lost too"));

    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.isConnected(); }));
    QBuffer datagram;
    datagram.open(QIODevice::ReadWrite);
    datagram.write("\x01\x02\x03", 3);
    datagram.seek(1);  // sent from its first byte whatever the position
    FSocket->sendToServer(datagram);
    FSocket->sendStr(QStringLiteral("Gr\u00FC\u00DFe"));
    ASSERT_TRUE(FPeer.waitForReceived(8));
    EXPECT_EQ(FPeer.received(), QByteArray("\x01\x02\x03Gr\xFC\xDF"
                                           "e"));
}

TEST_F(ClientSocketTest, StateChangesCarryTheSocketStateNumbers) {
    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected(); }));
    ASSERT_FALSE(FStates.empty());
    EXPECT_EQ(FStates.back(), std::make_pair(SocketState::Connecting, SocketState::Connected));
    EXPECT_EQ(static_cast<int>(SocketState::Connecting), 3);
    EXPECT_EQ(static_cast<int>(SocketState::Connected), 5);
    EXPECT_EQ(static_cast<int>(SocketState::Closed), 8);
    EXPECT_EQ(static_cast<int>(SocketState::NameLookup), 9);
}

TEST_F(ClientSocketTest, ConnectOnAnOpenConnectionClosesItFirst) {
    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.isConnected(); }));
    connectTo(FPeer.port());
    EXPECT_EQ(FDisconnects, 1);
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.acceptedCount() == 2; }));
    EXPECT_EQ(FConnects, 2);
    // The close reported above must not leave a reconnect behind.
    FTicks.Advance(60000);
    LetTicksRun();
    EXPECT_EQ(FRetries, 0);
    EXPECT_EQ(FPeer.acceptedCount(), 2);
}

// What disconnect() queued belongs to the old connection: a connect() in the same turn of the
// event loop connects and stays connected, whether the socket was connected or still trying.
class DisconnectThenConnectTest : public ClientSocketTest,
                                  public ::testing::WithParamInterface<bool> {};

TEST_P(DisconnectThenConnectTest, InOneTurnConnects) {
    const bool connectedFirst = GetParam();
    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    if (connectedFirst) {
        ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.isConnected(); }));
    }
    FSocket->disconnect();
    connectTo(FPeer.port());
    EXPECT_EQ(FSocket->State(), ipsClosed);
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected(); }));
    LetTicksRun();
    EXPECT_TRUE(FSocket->Connected());
    EXPECT_EQ(FConnects, connectedFirst ? 2 : 1);
    EXPECT_EQ(FDisconnects, connectedFirst ? 1 : 0);
    EXPECT_EQ(FRetries, 0);
    EXPECT_TRUE(FPeer.waitForPeer());
    EXPECT_TRUE(FPeer.isConnected());
}

INSTANTIATE_TEST_SUITE_P(ConnectedOrTrying, DisconnectThenConnectTest, ::testing::Bool());

// A reconnect that a failed attempt left pending belongs to that attempt: connect() removes it,
// so the new connection is made once and no retry is announced.
TEST_F(ClientSocketTest, ConnectWhileAReconnectIsPendingConnectsOnceWithoutRetry) {
    const quint16 closed = FPeer.listen();
    FPeer.stopListening();
    connectTo(closed);
    ASSERT_TRUE(WaitUntil([this] { return FErrors.size() == 1; }));
    ASSERT_TRUE(FErrors.first().endsWith(QStringLiteral(", retrying in 1000 ms.")));

    ASSERT_NE(FPeer.listen(), 0);
    connectTo(FPeer.port());
    ASSERT_TRUE(WaitUntil([this] { return FSocket->Connected() && FPeer.isConnected(); }));
    FTicks.Advance(60000);
    LetTicksRun();
    EXPECT_EQ(FRetries, 0);
    EXPECT_EQ(FConnects, 1);
    EXPECT_EQ(FPeer.acceptedCount(), 1);
    EXPECT_TRUE(FSocket->Connected());
}

TEST(ClientSocketAddress, IsConnectedLocalComparesWithThisMachine) {
    QString host;
    QString address;
    QString error;
    ASSERT_TRUE(GetLocalHostNameAndAddress(host, address, error));
    EXPECT_EQ(host, QHostInfo::localHostName());
    EXPECT_TRUE(error.isEmpty());

    TlpmClientSocket socket([](TlpmPort*, QBuffer&) {}, FrameBoundaryCheck);
    socket.setServerAddress(QStringLiteral("127.0.0.1"));
    // Without an address of its own the machine cannot say.
    EXPECT_EQ(socket.IsConnectedLocal(), !address.isEmpty());
    if (!address.isEmpty()) {
        socket.setServerAddress(address);
        EXPECT_TRUE(socket.IsConnectedLocal());
    }
    socket.setServerAddress(QStringLiteral("192.0.2.1"));
    EXPECT_FALSE(socket.IsConnectedLocal());
}

TEST(SocketErrors, QtErrorsShowAsTheSystemsNumbers) {
    const std::pair<QAbstractSocket::SocketError, int> cases[] = {
        {QAbstractSocket::ConnectionRefusedError, 10061},
        {QAbstractSocket::SocketTimeoutError, 10060},
        {QAbstractSocket::HostNotFoundError, 11001},
        {QAbstractSocket::RemoteHostClosedError, 10054},
        {QAbstractSocket::AddressInUseError, 10048},
        {QAbstractSocket::UnknownSocketError, -1},
    };
    for (const auto& [error, number] : cases) {
        EXPECT_EQ(qel::WinsockError(error), number) << error;
    }
}

}  // namespace
