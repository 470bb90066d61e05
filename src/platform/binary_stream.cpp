#include "platform/binary_stream.h"

#include <cmath>
#include <limits>

namespace qel {
namespace {

const QString kReadErrorText = QStringLiteral("Stream read error");
const QString kWriteErrorText = QStringLiteral("Stream write error");
constexpr int kExtendedBias = 16383;

}  // namespace

qint64 BinaryReader::bytesLeft() const {
    if (FDevice.isSequential()) {
        return FDevice.bytesAvailable();
    }
    return FDevice.size() - FDevice.pos();
}

void BinaryReader::seek(qint64 aPosition) {
    if (aPosition < 0 || aPosition > FDevice.size() || !FDevice.seek(aPosition)) {
        throw EReadError(kReadErrorText);
    }
}

void BinaryReader::skip(qint64 aCount) {
    checkCount(aCount, 1);
    if (FDevice.isSequential()) {
        if (FDevice.skip(aCount) != aCount) {
            throw EReadError(kReadErrorText);
        }
        return;
    }
    seek(FDevice.pos() + aCount);
}

void BinaryReader::readExact(void* aBuffer, qint64 aCount) {
    if (aCount < 0) {
        throw EReadError(kReadErrorText);
    }
    if (aCount == 0) {
        return;
    }
    if (FDevice.read(static_cast<char*>(aBuffer), aCount) != aCount) {
        throw EReadError(kReadErrorText);
    }
}

QByteArray BinaryReader::readBytes(qint64 aCount) {
    checkCount(aCount, 1);
    QByteArray result(aCount, Qt::Uninitialized);
    readExact(result.data(), aCount);
    return result;
}

void BinaryReader::checkCount(qint64 aCount, qint64 aElementSize) const {
    if (aCount < 0 || aElementSize < 0) {
        throw EReadError(kReadErrorText);
    }
    // Divide instead of multiplying so that a huge count cannot overflow the check.
    if (aElementSize > 0 && aCount > bytesLeft() / aElementSize) {
        throw EReadError(kReadErrorText);
    }
}

long double BinaryReader::readExtended() {
    unsigned char bytes[10];
    readExact(bytes, sizeof bytes);
    return DecodeExtended(bytes);
}

void BinaryWriter::writeBytes(const void* aData, qint64 aCount) {
    if (aCount <= 0) {
        return;
    }
    if (FDevice.write(static_cast<const char*>(aData), aCount) != aCount) {
        throw EWriteError(kWriteErrorText);
    }
}

void BinaryWriter::writeExtended(long double aValue) {
    unsigned char bytes[10];
    EncodeExtended(aValue, bytes);
    writeBytes(bytes, sizeof bytes);
}

void EncodeExtended(long double aValue, unsigned char aBytes[10]) {
    uint64_t significand = 0;
    uint16_t exponentAndSign = std::signbit(aValue) ? 0x8000 : 0;
    if (std::isnan(aValue)) {
        exponentAndSign |= 0x7FFF;
        significand = 0xC000000000000000ULL;  // the default quiet NaN
    } else if (std::isinf(aValue)) {
        exponentAndSign |= 0x7FFF;
        significand = 0x8000000000000000ULL;
    } else if (aValue != 0) {
        int exponent = 0;
        const long double fraction = std::frexp(std::fabs(aValue), &exponent);  // [0.5, 1)
        int biased = exponent - 1 + kExtendedBias;
        int shift = 64;
        if (biased <= 0) {
            // Denormal: the exponent field is 0 and the significand loses its integer bit.
            shift = 64 + biased - 1;
            biased = 0;
        }
        significand = shift > 0 ? static_cast<uint64_t>(std::ldexp(fraction, shift)) : 0;
        exponentAndSign |= static_cast<uint16_t>(biased);
    }
    for (int i = 0; i < 8; ++i) {
        aBytes[i] = static_cast<unsigned char>(significand >> (8 * i));
    }
    aBytes[8] = static_cast<unsigned char>(exponentAndSign);
    aBytes[9] = static_cast<unsigned char>(exponentAndSign >> 8);
}

long double DecodeExtended(const unsigned char aBytes[10]) {
    uint64_t significand = 0;
    for (int i = 0; i < 8; ++i) {
        significand |= static_cast<uint64_t>(aBytes[i]) << (8 * i);
    }
    const uint16_t exponentAndSign = static_cast<uint16_t>(aBytes[8] | (aBytes[9] << 8));
    const bool negative = (exponentAndSign & 0x8000) != 0;
    const int biased = exponentAndSign & 0x7FFF;
    long double value;
    if (biased == 0x7FFF) {
        value = (significand << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                        : std::numeric_limits<long double>::quiet_NaN();
    } else if (biased == 0) {
        value = std::ldexp(static_cast<long double>(significand), 1 - kExtendedBias - 63);
    } else {
        value = std::ldexp(static_cast<long double>(significand), biased - kExtendedBias - 63);
    }
    return negative ? -value : value;
}

}  // namespace qel
