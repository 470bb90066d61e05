#pragma once

#include <QByteArray>
#include <QIODevice>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/exception.h"

QEL_DECLARE_EXCEPTION(EStreamError, Exception);
// A read that finds fewer bytes than it needs, or a count larger than what is left.
QEL_DECLARE_EXCEPTION(EReadError, EStreamError);
QEL_DECLARE_EXCEPTION(EWriteError, EStreamError);
// A file that cannot be created or opened.
QEL_DECLARE_EXCEPTION(EFCreateError, EStreamError);
QEL_DECLARE_EXCEPTION(EFOpenError, EStreamError);

namespace qel {

// Little-endian reader over a QIODevice (QBuffer for memory, QFile for files). Every read is
// exact: a short read raises EReadError and consumes nothing the caller can rely on.
class BinaryReader {
public:
    explicit BinaryReader(QIODevice& aDevice) : FDevice(aDevice) {}

    QIODevice& device() const { return FDevice; }
    qint64 position() const { return FDevice.pos(); }
    // Bytes between the position and the end (what is buffered, for sequential devices).
    qint64 bytesLeft() const;
    bool atEnd() const { return bytesLeft() <= 0; }
    void seek(qint64 aPosition);
    void skip(qint64 aCount);

    uint8_t readU8() { return readScalar<uint8_t>(); }
    int8_t readI8() { return readScalar<int8_t>(); }
    uint16_t readU16() { return readScalar<uint16_t>(); }
    int16_t readI16() { return readScalar<int16_t>(); }
    uint32_t readU32() { return readScalar<uint32_t>(); }
    int32_t readI32() { return readScalar<int32_t>(); }
    uint64_t readU64() { return readScalar<uint64_t>(); }
    int64_t readI64() { return readScalar<int64_t>(); }
    float readSingle() { return readScalar<float>(); }
    double readDouble() { return readScalar<double>(); }
    // One byte; any value but 0 is true.
    bool readBool() { return readU8() != 0; }
    // The 10-byte x87 extended format.
    long double readExtended();

    void readExact(void* aBuffer, qint64 aCount);
    // aCount bytes; checked against what is left before anything is allocated.
    QByteArray readBytes(qint64 aCount);

    // Raises unless aCount elements of aElementSize bytes each can still be read. Call it before
    // sizing a container from a count that came from the stream.
    void checkCount(qint64 aCount, qint64 aElementSize) const;

    // A packed record stored as its bytes (trivially copyable, size fixed by static_assert).
    template <typename T>
    T readRecord() {
        static_assert(std::is_trivially_copyable_v<T>);
        T value;
        readExact(&value, sizeof(T));
        return value;
    }

private:
    template <typename T>
    T readScalar() {
        static_assert(std::is_arithmetic_v<T>);
        unsigned char bytes[sizeof(T)];
        readExact(bytes, sizeof(T));
        return FromLittleEndian<T>(bytes);
    }

    template <typename T>
    static T FromLittleEndian(const unsigned char* aBytes) {
        using U = std::conditional_t<
            sizeof(T) == 1, uint8_t,
            std::conditional_t<sizeof(T) == 2, uint16_t,
                               std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
        U bits = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            bits |= static_cast<U>(static_cast<U>(aBytes[i]) << (8 * i));
        }
        T value;
        std::memcpy(&value, &bits, sizeof(T));
        return value;
    }

    QIODevice& FDevice;
};

// Little-endian writer over a QIODevice; a write that the device does not take whole raises
// EWriteError.
class BinaryWriter {
public:
    explicit BinaryWriter(QIODevice& aDevice) : FDevice(aDevice) {}

    QIODevice& device() const { return FDevice; }

    void writeU8(uint8_t aValue) { writeScalar(aValue); }
    void writeI8(int8_t aValue) { writeScalar(aValue); }
    void writeU16(uint16_t aValue) { writeScalar(aValue); }
    void writeI16(int16_t aValue) { writeScalar(aValue); }
    void writeU32(uint32_t aValue) { writeScalar(aValue); }
    void writeI32(int32_t aValue) { writeScalar(aValue); }
    void writeU64(uint64_t aValue) { writeScalar(aValue); }
    void writeI64(int64_t aValue) { writeScalar(aValue); }
    void writeSingle(float aValue) { writeScalar(aValue); }
    void writeDouble(double aValue) { writeScalar(aValue); }
    // Written as 0 or 1.
    void writeBool(bool aValue) { writeU8(aValue ? 1 : 0); }
    void writeExtended(long double aValue);

    void writeBytes(const void* aData, qint64 aCount);
    void writeBytes(const QByteArray& aData) { writeBytes(aData.constData(), aData.size()); }

    template <typename T>
    void writeRecord(const T& aValue) {
        static_assert(std::is_trivially_copyable_v<T>);
        writeBytes(&aValue, sizeof(T));
    }

private:
    template <typename T>
    void writeScalar(T aValue) {
        static_assert(std::is_arithmetic_v<T>);
        using U = std::conditional_t<
            sizeof(T) == 1, uint8_t,
            std::conditional_t<sizeof(T) == 2, uint16_t,
                               std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
        U bits;
        std::memcpy(&bits, &aValue, sizeof(T));
        unsigned char bytes[sizeof(T)];
        for (size_t i = 0; i < sizeof(T); ++i) {
            bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
        }
        writeBytes(bytes, sizeof(T));
    }

    QIODevice& FDevice;
};

// The 10-byte x87 extended format: 64-bit significand with its explicit integer bit, then a
// 15-bit exponent biased by 16383 with the sign in the top bit. Portable: built from the value's
// parts, not from the host's memory layout.
void EncodeExtended(long double aValue, unsigned char aBytes[10]);
long double DecodeExtended(const unsigned char aBytes[10]);

}  // namespace qel
