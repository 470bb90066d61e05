#pragma once

#include <cstdint>

class QUdpSocket;

namespace qel {

// The next pending datagram of a socket bound to IPv4: its full length and its sender's address
// (host byte order), without taking it from the socket. Qt's readDatagram builds a sender
// address on the heap for every datagram; this does not, so a receive path can stay free of
// allocations and read the bytes with readDatagram without a sender. False when no datagram is
// waiting or the socket is not open.
bool PeekDatagram(const QUdpSocket& aSocket, int64_t& aLength, uint32_t& aSenderIPv4);

}  // namespace qel
