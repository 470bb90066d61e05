#include "shared/lpm_port.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QHostAddress>
#include <QUdpSocket>
#include <memory>
#include <vector>

#include "fakes/fake_tcp_peer.h"
#include "shared/lpm_client_socket.h"
#include "shared/lpm_udp_socket.h"
#include "socket_test_support.h"

QEL_DECLARE_EXCEPTION(ETestProblem, Exception);

namespace {

using qel::test::FakeTcpPeer;
using qel::test::Frame;
using qel::test::FrameBoundaryCheck;
using qel::test::LogCapture;
using qel::test::WaitUntil;

// A client socket connected to a fake server that sends the test's bytes.
class PortFramingTest : public ::testing::Test {
protected:
    void SetUp() override {
        FPort = std::make_unique<TlpmClientSocket>(
            [this](TlpmPort* aSender, QBuffer& aDatagram) {
                EXPECT_EQ(aSender, FPort.get());
                // Handed over positioned at its end.
                EXPECT_EQ(aDatagram.pos(), aDatagram.size());
                FMessages.push_back(aDatagram.data());
                if (FOnMessage) {
                    FOnMessage(aDatagram.data());
                }
            },
            [this](const char* aDatagram, int32_t aSize, int32_t& aLength) {
                FCheck(aDatagram, aSize, aLength);
            });
        ASSERT_NE(FPeer.listen(), 0);
        // No reconnect after a drop: the test watches the one connection.
        FPort->connect(QStringLiteral("127.0.0.1"), QString::number(FPeer.port()), 0);
        ASSERT_TRUE(WaitUntil([this] { return FPort->Connected() && FPeer.isConnected(); }));
    }

    void TearDown() override {
        FPort.reset();
        qel::test::FlushDeferredDeletes();
    }

    FakeTcpPeer FPeer;
    std::unique_ptr<TlpmClientSocket> FPort;
    std::vector<QByteArray> FMessages;
    std::function<void(const QByteArray&)> FOnMessage;
    TlpmDatagramBoundaryCheckProc FCheck = FrameBoundaryCheck;
};

TEST_F(PortFramingTest, TwoAndAHalfMessagesInOneReadGiveTwoAndTheThirdWhenComplete) {
    const QByteArray first = Frame(1, 0);
    const QByteArray second = Frame(2, 32);
    const QByteArray third = Frame(3, 3200);
    const QByteArray half = third.left(1600);

    FPeer.send(first + second + half);
    ASSERT_TRUE(WaitUntil([this] { return FMessages.size() >= 2; }));
    qel::ProcessMessagesFor(20);
    EXPECT_EQ(FMessages, (std::vector<QByteArray>{first, second}));
    EXPECT_EQ(FPort->PendingBytes(), half.size());

    FPeer.send(third.mid(half.size()));
    ASSERT_TRUE(WaitUntil([this] { return FMessages.size() >= 3; }));
    EXPECT_EQ(FMessages.back(), third);
    EXPECT_EQ(FPort->PendingBytes(), 0);
}

TEST_F(PortFramingTest, AStreamSentOneByteAtATimeArrivesWholeAndInOrder) {
    const QByteArray stream = Frame(4, 12) + Frame(5, 0) + Frame(6, 40);
    FPeer.send(stream, std::vector<int>(stream.size(), 1));
    ASSERT_TRUE(WaitUntil([this] { return FMessages.size() >= 3; }));
    EXPECT_EQ(FMessages, (std::vector<QByteArray>{Frame(4, 12), Frame(5, 0), Frame(6, 40)}));
    EXPECT_EQ(FPort->PendingBytes(), 0);
}

TEST_F(PortFramingTest, ACheckThatNeverAnswersDeliversNothingAndKeepsTheBytes) {
    FCheck = [](const char*, int32_t, int32_t&) {};
    FPeer.send(Frame(7, 100));
    ASSERT_TRUE(WaitUntil([this] { return FPort->PendingBytes() == 108; }));
    EXPECT_TRUE(FMessages.empty());
}

TEST_F(PortFramingTest, AHandlerThatRaisesIsLoggedAndTheNextMessageStillArrives) {
    LogCapture log;
    FOnMessage = [](const QByteArray& aMessage) {
        if (aMessage.at(0) == 1) {
            throw ETestProblem(QStringLiteral("boom"));
        }
    };
    FPeer.send(Frame(1, 4) + Frame(2, 4));
    ASSERT_TRUE(WaitUntil([this] { return FMessages.size() >= 2; }));
    EXPECT_EQ(FMessages.back(), Frame(2, 4));
    EXPECT_EQ(
        log.count(QStringLiteral("(ERR) Problem in processDatagram event (ETestProblem - boom)")),
        1);
    EXPECT_TRUE(FPort->Connected());
}

TEST_F(PortFramingTest, CorruptStreamsAreLoggedAndTheConnectionCloses) {
    struct Case {
        const char* Name;
        TlpmDatagramBoundaryCheckProc Check;
        QString Line;
    };
    const std::vector<Case> cases = {
        {"check raises",
         [](const char*, int32_t, int32_t&) { throw ETestProblem(QStringLiteral("corrupt")); },
         QStringLiteral("(BUG) Problem in onDataAvailable(..): (ETestProblem - corrupt)")},
        {"check answers more than it was given",
         [](const char*, int32_t, int32_t& aLength) { aLength = 1000; },
         QStringLiteral("(ERR) TlpmClientSocket dropped its input: the boundary check found 1000 "
                        "bytes in ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        LogCapture log;
        FCheck = c.Check;
        FPeer.send(Frame(8, 100));
        EXPECT_TRUE(FPeer.waitForDisconnect());
        EXPECT_TRUE(WaitUntil([this] { return FPort->State() == ipsClosed; }));
        EXPECT_TRUE(FMessages.empty());
        EXPECT_TRUE(log.contains(c.Line)) << log.lines().join(u'\n').toStdString();
        // Next round on a fresh connection.
        FPort->connect(QStringLiteral("127.0.0.1"), QString::number(FPeer.port()), 0);
        ASSERT_TRUE(WaitUntil([this] { return FPort->Connected() && FPeer.isConnected(); }));
    }
}

TEST_F(PortFramingTest, APeerThatSendsForeverWithoutABoundaryIsClosedAtTheCap) {
    LogCapture log;
    constexpr int32_t kCap = 1024 * 1024;
    FPort->setMaxBufferSize(kCap);
    FCheck = [](const char*, int32_t, int32_t&) {};
    int32_t largestBuffer = 0;
    FPort->setOnRawInput([&](TlpmPort* aPort, uint32_t, const char*, int32_t) {
        largestBuffer = std::max(largestBuffer, aPort->BufferSize());
    });
    FPeer.flood(64 * 1024);
    ASSERT_TRUE(FPeer.waitForDisconnect(20000));
    EXPECT_GT(FPeer.bytesSent(), kCap);
    EXPECT_EQ(largestBuffer, kCap);
    EXPECT_LE(FPort->BufferSize(), kCap);
    EXPECT_TRUE(FMessages.empty());
    EXPECT_EQ(log.count(QStringLiteral(
                  "(ERR) TlpmClientSocket dropped its input: a message does not fit into 1048576 "
                  "bytes")),
              1);
}

TEST_F(PortFramingTest, PartialMessagesMoveToTheFrontInsteadOfGrowingTheBuffer) {
    // Reads that keep ending inside a message: the buffer must stay at its first size.
    QByteArray stream;
    for (int i = 0; i < 200; ++i) {
        stream += Frame(i % 100 + 1, 1000);
    }
    std::vector<int> pieces(stream.size() / 700 + 1, 700);
    FPeer.send(stream, pieces);
    ASSERT_TRUE(WaitUntil([this] { return FMessages.size() >= 200; }));
    EXPECT_EQ(FMessages[199], Frame(100, 1000));
    // The first read doubles the empty buffer (its free room is not above 16384); no more.
    EXPECT_EQ(FPort->BufferSize(), 2 * TlpmPort::kInitialBufferSize);
}

TEST_F(PortFramingTest, AHandlerThatFreesItsPortStopsTheLoop) {
    FOnMessage = [this](const QByteArray&) { FPort.reset(); };
    FPeer.send(Frame(1, 4) + Frame(2, 4) + Frame(3, 4));
    ASSERT_TRUE(WaitUntil([this] { return !FPort; }));
    EXPECT_TRUE(FPeer.waitForDisconnect());
    qel::test::FlushDeferredDeletes();
    EXPECT_EQ(FMessages.size(), 1u);
}

TEST_F(PortFramingTest, AHandlerThatDisconnectsGetsNoFurtherMessage) {
    FOnMessage = [this](const QByteArray&) { FPort->disconnect(); };
    FPeer.send(Frame(1, 4) + Frame(2, 4) + Frame(3, 4));
    ASSERT_TRUE(WaitUntil([this] { return FPort->State() == ipsClosed; }));
    EXPECT_EQ(FMessages.size(), 1u);
}

// Ports fed without a socket.
class InjectTest : public ::testing::Test {
protected:
    TlpmUDPSocket FPort{
        [this](TlpmPort*, QBuffer& aDatagram) { FMessages.push_back(aDatagram.data()); },
        FrameBoundaryCheck};
    std::vector<QByteArray> FMessages;
};

TEST_F(InjectTest, InjectedBytesAreFramedLikeReceivedOnes) {
    std::vector<uint32_t> ticks;
    FPort.setOnRawInput(
        [&](TlpmPort*, uint32_t aTick, const char*, int32_t) { ticks.push_back(aTick); });
    const QByteArray stream = Frame(1, 10) + Frame(2, 0);
    FPort.injectRawData(11, stream.constData(), 5);
    FPort.injectRawData(12, stream.constData() + 5, stream.size() - 5);
    EXPECT_EQ(FMessages, (std::vector<QByteArray>{Frame(1, 10), Frame(2, 0)}));
    EXPECT_EQ(ticks, (std::vector<uint32_t>{11, 12}));
    EXPECT_EQ(FPort.LastReceiveTick(), 0u);
}

TEST_F(InjectTest, ABlockLargerThanTheFreeRoomIsTakenWhole) {
    QByteArray stream;
    for (int i = 0; i < 30; ++i) {
        stream += Frame(i + 1, 32 * 100 + 4);
    }
    FPort.injectRawData(0, stream.constData(), stream.size());
    ASSERT_EQ(FMessages.size(), 30u);
    EXPECT_EQ(FMessages[29], Frame(30, 32 * 100 + 4));
    EXPECT_EQ(FPort.PendingBytes(), 0);
}

TEST(PortConstruction, NeedsBothCallbacksAndNumbersPorts) {
    const auto handler = [](TlpmPort*, QBuffer&) {};
    try {
        TlpmClientSocket port({}, FrameBoundaryCheck);
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(
            e.Message(),
            QStringLiteral("A TlpmPort can only be created with a valid ProcessDatagramEvent."));
    }
    try {
        TlpmClientSocket port(handler, {});
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("A TlpmPort can only be created with a valid BoundaryCheckProc."));
    }

    TlpmClientSocket first(handler, FrameBoundaryCheck);
    TlpmUDPSocket second(handler, FrameBoundaryCheck);
    TlpmClientSocket given(handler, FrameBoundaryCheck, 4711);
    EXPECT_GT(first.PortId(), 0);
    EXPECT_EQ(second.PortId(), first.PortId() + 1);
    EXPECT_EQ(given.PortId(), 4711);

    EXPECT_EQ(first.DisplayName(), QStringLiteral("TlpmClientSocket"));
    EXPECT_EQ(second.DisplayName(), QStringLiteral("TlpmUDPSocket"));
    first.setDisplayName(QStringLiteral("Camera link"));
    EXPECT_EQ(first.DisplayName(), QStringLiteral("Camera link"));
}

TEST(UdpPort, FramesReceivedDatagrams) {
    std::vector<QByteArray> messages;
    TlpmUDPSocket port([&](TlpmPort*, QBuffer& aDatagram) { messages.push_back(aDatagram.data()); },
                       FrameBoundaryCheck);
    port.start(QStringLiteral("127.0.0.1"), QStringLiteral("0"));
    const quint16 portNumber = port.GetSocket()->localPort();
    ASSERT_NE(portNumber, 0);

    QUdpSocket sender;
    const QByteArray two = Frame(1, 3) + Frame(2, 5);
    sender.writeDatagram(two, QHostAddress::LocalHost, portNumber);
    sender.writeDatagram(Frame(3, 60000), QHostAddress::LocalHost, portNumber);
    ASSERT_TRUE(WaitUntil([&] { return messages.size() >= 3; }));
    EXPECT_EQ(messages, (std::vector<QByteArray>{Frame(1, 3), Frame(2, 5), Frame(3, 60000)}));

    EXPECT_THROW(port.start(QStringLiteral("no address"), QStringLiteral("0")), ESocketException);
}

}  // namespace
