#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// True when the host (a name or an IPv4 address) answers one ICMP echo within 200 ms. False for
// no answer, an ICMP error (unreachable, time exceeded) and a name that does not resolve.
// Blocks its thread for up to the wait and the name look-up; never raises.
bool Ping(const QString& aHost);

namespace qel {

constexpr int kPingTimeoutMs = 200;

enum class TPingRoute : uint8_t {
    // An unprivileged ICMP socket, else a raw one, else the `ping` program.
    Automatic,
    Program,
};

bool PingHost(const QString& aHost, int aTimeoutMs, TPingRoute aRoute = TPingRoute::Automatic);

enum class TIcmpAnswer : uint8_t {
    Other,  // not about our echo (our own request on loopback, someone else's traffic)
    Reply,
    Error,  // unreachable, time exceeded and the like, about our echo
};

// Classifies one received ICMP message. Raw sockets deliver it behind the IPv4 header; an
// unprivileged ICMP socket delivers it bare and has already matched the identifier, so
// anIdentifier is only checked with the IPv4 header.
TIcmpAnswer ClassifyIcmpAnswer(const uint8_t* aData, size_t aSize, bool aWithIpHeader,
                               uint16_t anIdentifier, uint16_t aSequence);

}  // namespace qel
