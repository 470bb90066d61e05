#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/protocol/client_protocol.h"

namespace qel::test {

// Bytes typed as hexadecimal pairs; spaces are only for reading.
inline QByteArray Hex(const char* aText) {
    return QByteArray::fromHex(QByteArray(aText).replace(' ', ""));
}

// A received datagram as the socket layer hands it over: the message's bytes, positioned at
// their end.
class Received {
public:
    explicit Received(const QByteArray& aBytes) : FBytes(aBytes), FBuffer(&FBytes) {
        FBuffer.open(QIODevice::ReadWrite);
        FBuffer.seek(FBytes.size());
    }
    explicit Received(const char* aHex) : Received(Hex(aHex)) {}
    QBuffer& operator*() { return FBuffer; }
    qint64 unread() const { return FBuffer.size() - FBuffer.pos(); }

private:
    QByteArray FBytes;
    QBuffer FBuffer;
};

// What an encoder writes into a fresh stream.
inline QByteArray Encoded(const std::function<void(QBuffer&)>& anEncode) {
    QBuffer datagram;
    datagram.open(QIODevice::ReadWrite);
    anEncode(datagram);
    return datagram.data();
}

// The decoders' version, set the way a client's is: by a received message 99.
inline void SetDecoderVersion(int32_t aVersion) {
    QByteArray bytes = Hex("63000000 0C000000");
    for (int i = 0; i < 4; ++i) {
        bytes.append(static_cast<char>((static_cast<uint32_t>(aVersion) >> (8 * i)) & 0xFF));
    }
    Received datagram(bytes);
    TqelProtocol::decodeProtocolVersion(*datagram);
}

// Every test starts and ends with the decoders at the current version.
class ClientProtocolFixture : public ::testing::Test {
protected:
    void SetUp() override { SetDecoderVersion(TqelProtocol::kProtocolVersion); }
    void TearDown() override { SetDecoderVersion(TqelProtocol::kProtocolVersion); }
};

// A frame around a payload typed as hexadecimal pairs, its length field counted.
inline QByteArray Message(int32_t aType, const char* aPayloadHex) {
    const QByteArray payload = Hex(aPayloadHex);
    const auto length = static_cast<uint32_t>(8 + payload.size());
    QByteArray bytes;
    for (uint32_t value : {static_cast<uint32_t>(aType), length}) {
        for (int i = 0; i < 4; ++i) {
            bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    }
    return bytes + payload;
}

// One message: what its encoder writes, and what its decoder gives back from those bytes.
struct MessageCase {
    const char* name;
    std::function<void(QBuffer&)> encode;
    const char* bytes;
    std::function<void(QBuffer&)> decodeAndCheck;
};

inline void ExpectMessages(const std::vector<MessageCase>& aCases) {
    for (const MessageCase& c : aCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Encoded(c.encode).toHex(' '), Hex(c.bytes).toHex(' '));
        Received datagram(c.bytes);
        c.decodeAndCheck(*datagram);
        EXPECT_EQ(datagram.unread(), 0) << "the decoder left bytes unread";
    }
}

}  // namespace qel::test
