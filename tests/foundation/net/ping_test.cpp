#include "foundation/net/ping.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QSysInfo>
#include <vector>

#include "foundation/net/network_utils.h"

namespace {

using qel::TIcmpAnswer;

TEST(Ping, TheLoopbackAnswersAndAnUnknownNameDoesNot) {
    EXPECT_TRUE(Ping("127.0.0.1"));
    EXPECT_TRUE(Ping("localhost"));
    EXPECT_FALSE(Ping("no-such-host.invalid"));
    EXPECT_FALSE(Ping(""));
}

TEST(Ping, ThePingProgramRouteAnswersToo) {
    if (QStandardPaths::findExecutable("ping").isEmpty()) {
        GTEST_SKIP() << "no ping program on this machine";
    }
    EXPECT_TRUE(qel::PingHost("127.0.0.1", 1000, qel::TPingRoute::Program));
    EXPECT_FALSE(qel::PingHost("no-such-host.invalid", 1000, qel::TPingRoute::Program));
}

// An IPv4 header (20 bytes) of a packet from 10.0.0.1.
std::vector<uint8_t> IpHeader() {
    return {0x45, 0, 0, 0, 0, 0, 0, 0, 64, 1, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2};
}

std::vector<uint8_t> Icmp(uint8_t aType, uint16_t anId, uint16_t aSequence) {
    return {aType,
            0,
            0,
            0,
            static_cast<uint8_t>(anId >> 8),
            static_cast<uint8_t>(anId),
            static_cast<uint8_t>(aSequence >> 8),
            static_cast<uint8_t>(aSequence)};
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> aParts) {
    std::vector<uint8_t> all;
    for (const auto& part : aParts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST(Ping, IcmpAnswersAreToldApart) {
    constexpr uint16_t id = 0x1234;
    // An unreachable report quotes the header of our echo and its first 8 bytes.
    const auto unreachable = [&](uint16_t aQuotedId) {
        return Join({Icmp(3, 0, 0), IpHeader(), Icmp(8, aQuotedId, 0)});
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> packet;
        bool withIpHeader;
        TIcmpAnswer expected;
    };
    const Case cases[] = {
        {"bare reply", Icmp(0, 999, 0), false, TIcmpAnswer::Reply},
        {"bare reply to another sequence", Icmp(0, 999, 1), false, TIcmpAnswer::Other},
        {"reply with our id", Join({IpHeader(), Icmp(0, id, 0)}), true, TIcmpAnswer::Reply},
        {"reply to someone else", Join({IpHeader(), Icmp(0, id + 1, 0)}), true, TIcmpAnswer::Other},
        {"our own request on loopback", Join({IpHeader(), Icmp(8, id, 0)}), true,
         TIcmpAnswer::Other},
        {"unreachable about our echo", Join({IpHeader(), unreachable(id)}), true,
         TIcmpAnswer::Error},
        {"unreachable about another echo", Join({IpHeader(), unreachable(id + 1)}), true,
         TIcmpAnswer::Other},
        {"bare time exceeded", Join({Icmp(11, 0, 0), IpHeader(), Icmp(8, 7, 0)}), false,
         TIcmpAnswer::Error},
        {"unreachable cut short", Join({IpHeader(), Icmp(3, 0, 0), IpHeader()}), true,
         TIcmpAnswer::Other},
        {"truncated header", {0x45, 0, 0}, true, TIcmpAnswer::Other},
        {"empty", {}, false, TIcmpAnswer::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qel::ClassifyIcmpAnswer(c.packet.data(), c.packet.size(), c.withIpHeader, id, 0),
                  c.expected);
    }
}

TEST(ComputerName, IsTheHostName) {
    QString name = "stale";
    GetComputerNameString(name);
    EXPECT_FALSE(name.isEmpty());
    EXPECT_EQ(name, QSysInfo::machineHostName());
}

}  // namespace
