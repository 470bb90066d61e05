#pragma once

#include <QtEndian>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qel {

// 32-bit two's complement arithmetic: the records' values wrap as their fields do, never
// overflow into undefined behaviour.
inline int32_t WrapAdd(int32_t aLeft, int32_t aRight) {
    return static_cast<int32_t>(static_cast<uint32_t>(aLeft) + static_cast<uint32_t>(aRight));
}
inline int32_t WrapNegate(int32_t aValue) {
    return static_cast<int32_t>(0u - static_cast<uint32_t>(aValue));
}

// Base of the model's packed records: the record is its little-endian bytes, so arrays of it are
// the dataset file's memory images and are read and written whole, and no field is reached
// unaligned. Derived records add named accessors over these helpers.
template <size_t N>
struct PackedRecord {
    uint8_t bytes[N]{};

protected:
    uint8_t getU8(size_t anOffset) const { return bytes[anOffset]; }
    void setU8(size_t anOffset, uint8_t aValue) { bytes[anOffset] = aValue; }
    uint16_t getU16(size_t anOffset) const { return qFromLittleEndian<uint16_t>(bytes + anOffset); }
    void setU16(size_t anOffset, uint16_t aValue) {
        qToLittleEndian<uint16_t>(aValue, bytes + anOffset);
    }
    int16_t getI16(size_t anOffset) const { return static_cast<int16_t>(getU16(anOffset)); }
    void setI16(size_t anOffset, int16_t aValue) {
        setU16(anOffset, static_cast<uint16_t>(aValue));
    }
    uint32_t getU32(size_t anOffset) const { return qFromLittleEndian<uint32_t>(bytes + anOffset); }
    void setU32(size_t anOffset, uint32_t aValue) {
        qToLittleEndian<uint32_t>(aValue, bytes + anOffset);
    }
    int32_t getI32(size_t anOffset) const { return static_cast<int32_t>(getU32(anOffset)); }
    void setI32(size_t anOffset, int32_t aValue) {
        setU32(anOffset, static_cast<uint32_t>(aValue));
    }
    float getSingle(size_t anOffset) const {
        const uint32_t bits = getU32(anOffset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void setSingle(size_t anOffset, float aValue) {
        uint32_t bits;
        std::memcpy(&bits, &aValue, sizeof bits);
        setU32(anOffset, bits);
    }
    double getDouble(size_t anOffset) const {
        const uint64_t bits = qFromLittleEndian<uint64_t>(bytes + anOffset);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void setDouble(size_t anOffset, double aValue) {
        uint64_t bits;
        std::memcpy(&bits, &aValue, sizeof bits);
        qToLittleEndian<uint64_t>(bits, bytes + anOffset);
    }
    int64_t getI64(size_t anOffset) const {
        return static_cast<int64_t>(qFromLittleEndian<uint64_t>(bytes + anOffset));
    }
    void setI64(size_t anOffset, int64_t aValue) {
        qToLittleEndian<uint64_t>(static_cast<uint64_t>(aValue), bytes + anOffset);
    }
};

}  // namespace qel
