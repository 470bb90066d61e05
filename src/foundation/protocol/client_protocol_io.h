#pragma once

#include <QBuffer>
#include <QString>
#include <cstdint>

#include "foundation/protocol/client_protocol.h"
#include "foundation/shared_enums.h"
#include "platform/binary_stream.h"

// The primitive encodings of the client protocol over the platform's binary streams, and the
// frame around every encoder and decoder. Used by the codec's units only.
namespace qel {

// Raises EqelProtocolError unless aCount elements of anElementSize bytes are left.
void CheckProtocolCount(const BinaryReader& aReader, qint64 aCount, qint64 anElementSize);

// 16-bit count of UTF-16 code units, then the units; the count is cut to 16 bits.
void WriteProtocolString(BinaryWriter& aWriter, const QString& aValue);
QString ReadProtocolString(BinaryReader& aReader);
// 8-bit count, then 16-bit values; the count is cut to 8 bits.
void WriteProtocolWords(BinaryWriter& aWriter, const TqelArrayOfWord& aValue);
TqelArrayOfWord ReadProtocolWords(BinaryReader& aReader);

// An enumeration ordinal received on the wire; raises EqelProtocolError above aLast.
uint8_t CheckProtocolOrdinal(uint32_t aValue, uint8_t aLast, const char* aWhat);

// A short read inside a message becomes the codec's error.
[[noreturn]] void RaiseTruncated(int32_t aType, const EReadError& anError);

// Frames what aWrite puts into the payload.
template <typename F>
void EncodeDatagram(QBuffer& aDatagram, int32_t aType, F&& aWrite) {
    TqelProtocol::InitDatagram(aDatagram);
    BinaryWriter writer(aDatagram);
    aWrite(writer);
    TqelProtocol::formatDatagram(aDatagram, aType);
}

// Checks the frame, then reads the payload with aRead.
template <typename F>
void DecodeDatagram(QBuffer& aDatagram, int32_t aType, F&& aRead) {
    TqelProtocol::checkDatagramFormat(aDatagram, aType);
    BinaryReader reader(aDatagram);
    try {
        aRead(reader);
    } catch (const EReadError& e) {
        RaiseTruncated(aType, e);
    }
}

}  // namespace qel
