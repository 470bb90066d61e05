#include "foundation/net/ping.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>

namespace qel {

namespace {

constexpr uint8_t kEchoReply = 0;
constexpr uint8_t kDestinationUnreachable = 3;
constexpr uint8_t kEchoRequest = 8;
constexpr uint8_t kTimeExceeded = 11;
constexpr uint8_t kParameterProblem = 12;
constexpr size_t kIcmpHeaderSize = 8;

uint16_t ReadBigEndian16(const uint8_t* aData) {
    return static_cast<uint16_t>((aData[0] << 8) | aData[1]);
}

uint16_t InternetChecksum(const uint8_t* aData, size_t aSize) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < aSize; i += 2) {
        sum += ReadBigEndian16(aData + i);
    }
    if (aSize % 2 != 0) {
        sum += static_cast<uint32_t>(aData[aSize - 1]) << 8;
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint16_t>(~sum);
}

// The IPv4 header's length when aData starts with a plausible one, else 0.
size_t IpHeaderSize(const uint8_t* aData, size_t aSize) {
    if (aSize < 20 || (aData[0] >> 4) != 4) {
        return 0;
    }
    const size_t size = static_cast<size_t>(aData[0] & 0x0F) * 4;
    return size >= 20 && size <= aSize ? size : 0;
}

std::optional<in_addr> ResolveIPv4(const QString& aHost) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_RAW;
    addrinfo* found = nullptr;
    const QByteArray host = aHost.trimmed().toUtf8();
    if (host.isEmpty() || getaddrinfo(host.constData(), nullptr, &hints, &found) != 0 || !found) {
        return std::nullopt;
    }
    const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return address;
}

// Closes the socket when the echo is done, whichever way it ends.
class SocketHandle {
public:
    explicit SocketHandle(int aDescriptor) : FDescriptor(aDescriptor) {}
    ~SocketHandle() {
        if (FDescriptor >= 0) {
            ::close(FDescriptor);
        }
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    int Descriptor() const { return FDescriptor; }

private:
    int FDescriptor;
};

bool EchoOverSocket(int aDescriptor, bool aRaw, const in_addr& anAddress, int aTimeoutMs) {
    // Raw sockets see every ICMP message of the machine: the identifier tells ours apart,
    // also from other threads pinging at the same time.
    static std::atomic<uint16_t> nextIdentifier{static_cast<uint16_t>(::getpid())};
    const uint16_t identifier = nextIdentifier.fetch_add(1);
    constexpr uint16_t sequence = 0;
    static const char kPayload[] = "abcdefghijklmnopqrstuvwabcdefghi";
    std::array<uint8_t, kIcmpHeaderSize + sizeof(kPayload) - 1> packet{};
    packet[0] = kEchoRequest;
    packet[4] = static_cast<uint8_t>(identifier >> 8);
    packet[5] = static_cast<uint8_t>(identifier);
    packet[6] = static_cast<uint8_t>(sequence >> 8);
    packet[7] = static_cast<uint8_t>(sequence);
    std::memcpy(packet.data() + kIcmpHeaderSize, kPayload, sizeof(kPayload) - 1);
    const uint16_t checksum = InternetChecksum(packet.data(), packet.size());
    packet[2] = static_cast<uint8_t>(checksum >> 8);
    packet[3] = static_cast<uint8_t>(checksum);

    if (!aRaw) {
        // The kernel then reports ICMP errors about our echo as a socket error instead of
        // dropping them. A raw socket reads them as messages and tells ours by the identifier.
        const int on = 1;
        setsockopt(aDescriptor, IPPROTO_IP, IP_RECVERR, &on, sizeof(on));
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr = anAddress;
    if (::sendto(aDescriptor, packet.data(), packet.size(), 0,
                 reinterpret_cast<const sockaddr*>(&target), sizeof(target)) < 0) {
        return false;
    }

    QElapsedTimer elapsed;
    elapsed.start();
    std::array<uint8_t, 1500> answer{};
    while (true) {
        const qint64 left = aTimeoutMs - elapsed.elapsed();
        if (left <= 0) {
            return false;
        }
        pollfd waiting{aDescriptor, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return false;
        }
        const ssize_t received = ::recv(aDescriptor, answer.data(), answer.size(), MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        switch (ClassifyIcmpAnswer(answer.data(), static_cast<size_t>(received), aRaw, identifier,
                                   sequence)) {
            case TIcmpAnswer::Reply:
                return true;
            case TIcmpAnswer::Error:
                return false;
            case TIcmpAnswer::Other:
                break;
        }
    }
}

bool PingWithProgram(const QString& anAddress, int aTimeoutMs) {
    QProcess ping;
    ping.setProgram(QStringLiteral("ping"));
    ping.setArguments({QStringLiteral("-n"), QStringLiteral("-q"), QStringLiteral("-c"),
                       QStringLiteral("1"), QStringLiteral("-W"),
                       QString::number(aTimeoutMs / 1000.0, 'f', 3), anAddress});
    ping.setStandardInputFile(QProcess::nullDevice());
    ping.setStandardOutputFile(QProcess::nullDevice());
    ping.setStandardErrorFile(QProcess::nullDevice());
    ping.start();
    if (!ping.waitForFinished(aTimeoutMs + 5000)) {
        ping.kill();
        ping.waitForFinished(1000);
        return false;
    }
    // Exit code 1 means no reply, which includes an unreachable report.
    return ping.exitStatus() == QProcess::NormalExit && ping.exitCode() == 0;
}

}  // namespace

TIcmpAnswer ClassifyIcmpAnswer(const uint8_t* aData, size_t aSize, bool aWithIpHeader,
                               uint16_t anIdentifier, uint16_t aSequence) {
    size_t offset = 0;
    if (aWithIpHeader) {
        offset = IpHeaderSize(aData, aSize);
        if (offset == 0) {
            return TIcmpAnswer::Other;
        }
    }
    if (aSize < offset + kIcmpHeaderSize) {
        return TIcmpAnswer::Other;
    }
    const uint8_t* icmp = aData + offset;
    const size_t icmpSize = aSize - offset;
    const auto isOurs = [&](const uint8_t* anEcho) {
        return (!aWithIpHeader || ReadBigEndian16(anEcho + 4) == anIdentifier) &&
               ReadBigEndian16(anEcho + 6) == aSequence;
    };
    switch (icmp[0]) {
        case kEchoReply:
            return isOurs(icmp) ? TIcmpAnswer::Reply : TIcmpAnswer::Other;
        case kDestinationUnreachable:
        case kTimeExceeded:
        case kParameterProblem: {
            // The error quotes the IPv4 header and the first 8 bytes of what we sent.
            const uint8_t* quoted = icmp + kIcmpHeaderSize;
            const size_t quotedSize = icmpSize - kIcmpHeaderSize;
            const size_t quotedHeader = IpHeaderSize(quoted, quotedSize);
            if (quotedHeader == 0 || quotedSize < quotedHeader + kIcmpHeaderSize) {
                return TIcmpAnswer::Other;
            }
            const uint8_t* echo = quoted + quotedHeader;
            return echo[0] == kEchoRequest && isOurs(echo) ? TIcmpAnswer::Error
                                                           : TIcmpAnswer::Other;
        }
        default:
            return TIcmpAnswer::Other;
    }
}

bool PingHost(const QString& aHost, int aTimeoutMs, TPingRoute aRoute) {
    try {
        const std::optional<in_addr> address = ResolveIPv4(aHost);
        if (!address) {
            return false;
        }
        if (aRoute == TPingRoute::Automatic) {
            SocketHandle datagram(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
            if (datagram.Descriptor() >= 0) {
                return EchoOverSocket(datagram.Descriptor(), false, *address, aTimeoutMs);
            }
            SocketHandle raw(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
            if (raw.Descriptor() >= 0) {
                return EchoOverSocket(raw.Descriptor(), true, *address, aTimeoutMs);
            }
        }
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &*address, text, sizeof(text));
        return PingWithProgram(QString::fromLatin1(text), aTimeoutMs);
    } catch (...) {
        return false;
    }
}

}  // namespace qel

bool Ping(const QString& aHost) {
    return qel::PingHost(aHost, qel::kPingTimeoutMs);
}
