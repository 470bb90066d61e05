#include "foundation/protocol/client_protocol_io.h"

#include <QtEndian>
#include <bit>

namespace qel {

void CheckProtocolCount(const BinaryReader& aReader, qint64 aCount, qint64 anElementSize) {
    const qint64 left = aReader.bytesLeft();
    if (aCount < 0 || (anElementSize > 0 && aCount > left / anElementSize)) {
        throw EqelProtocolError(
            QStringLiteral("Received datagram counts %1 elements of %2 bytes, %3 bytes are left")
                .arg(aCount)
                .arg(anElementSize)
                .arg(left));
    }
}

void WriteProtocolString(BinaryWriter& aWriter, const QString& aValue) {
    const auto count = static_cast<uint16_t>(aValue.size());
    aWriter.writeU16(count);
    if constexpr (std::endian::native == std::endian::little) {
        aWriter.writeBytes(aValue.utf16(), qint64{count} * 2);
    } else {
        for (int i = 0; i < count; ++i) {
            aWriter.writeU16(aValue[i].unicode());
        }
    }
}

QString ReadProtocolString(BinaryReader& aReader) {
    const uint16_t count = aReader.readU16();
    CheckProtocolCount(aReader, count, 2);
    QString result(count, Qt::Uninitialized);
    aReader.readExact(result.data(), qint64{count} * 2);
    if constexpr (std::endian::native != std::endian::little) {
        qFromLittleEndian<uint16_t>(result.data(), count, result.data());
    }
    return result;
}

void WriteProtocolWords(BinaryWriter& aWriter, const TqelArrayOfWord& aValue) {
    const auto count = static_cast<uint8_t>(aValue.size());
    aWriter.writeU8(count);
    for (int i = 0; i < count; ++i) {
        aWriter.writeU16(aValue[i]);
    }
}

TqelArrayOfWord ReadProtocolWords(BinaryReader& aReader) {
    const uint8_t count = aReader.readU8();
    CheckProtocolCount(aReader, count, 2);
    TqelArrayOfWord result;
    result.reserve(count);
    for (int i = 0; i < count; ++i) {
        result.append(aReader.readU16());
    }
    return result;
}

uint8_t CheckProtocolOrdinal(uint32_t aValue, uint8_t aLast, const char* aWhat) {
    if (aValue > aLast) {
        throw EqelProtocolError(QStringLiteral("Received datagram has %1 %2, the last is %3")
                                    .arg(QLatin1String(aWhat))
                                    .arg(aValue)
                                    .arg(aLast));
    }
    return static_cast<uint8_t>(aValue);
}

void RaiseTruncated(int32_t aType, const EReadError& anError) {
    throw EqelProtocolError(QStringLiteral("Received datagram of type %1 ends too early (%2)")
                                .arg(aType)
                                .arg(anError.Message()));
}

}  // namespace qel
