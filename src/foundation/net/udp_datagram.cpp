#include "foundation/net/udp_datagram.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <QUdpSocket>

namespace qel {

bool PeekDatagram(const QUdpSocket& aSocket, int64_t& aLength, uint32_t& aSenderIPv4) {
    const qintptr descriptor = aSocket.socketDescriptor();
    if (descriptor < 0) {
        return false;
    }
    sockaddr_storage sender{};
    socklen_t senderLength = sizeof(sender);
    char none = 0;
    // MSG_TRUNC: the datagram's real length, although nothing is copied.
    const ssize_t length =
        ::recvfrom(static_cast<int>(descriptor), &none, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT,
                   reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (length < 0) {
        return false;
    }
    aLength = length;
    aSenderIPv4 = 0;
    if (sender.ss_family == AF_INET) {
        aSenderIPv4 = ntohl(reinterpret_cast<const sockaddr_in&>(sender).sin_addr.s_addr);
    }
    return true;
}

}  // namespace qel
