#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/binary_stream.h"

// Little-endian bytes laid down item by item from the field stream's tables, independent of the
// field's own writer.
class FieldBytes {
public:
    FieldBytes& u8(uint8_t aValue) { return raw(&aValue, 1); }
    FieldBytes& u16(uint16_t aValue) { return le(aValue, 2); }
    FieldBytes& u32(uint32_t aValue) { return le(aValue, 4); }
    FieldBytes& i32(int32_t aValue) { return le(static_cast<uint32_t>(aValue), 4); }
    FieldBytes& f64(double aValue) { return le(std::bit_cast<uint64_t>(aValue), 8); }
    FieldBytes& pos(int32_t aX, int32_t aY) { return i32(aX).i32(aY); }
    FieldBytes& box(int32_t aLeft, int32_t aTop, int32_t aRight, int32_t aBottom) {
        return i32(aLeft).i32(aTop).i32(aRight).i32(aBottom);
    }
    // A stream string: length word with bit 31, then UTF-16LE code units.
    FieldBytes& str(const QString& aText) {
        u32(0x80000000u | static_cast<uint32_t>(aText.size()));
        for (const QChar c : aText) {
            u16(c.unicode());
        }
        return *this;
    }
    // A description: length byte, then 32 bytes of Latin text padded with 0.
    FieldBytes& desc(const char* aText) {
        const auto length = static_cast<uint8_t>(std::strlen(aText));
        u8(length);
        raw(aText, length);
        for (int i = length; i < 32; ++i) {
            u8(0);
        }
        return *this;
    }
    // The base block of an object: name, colour, visible.
    FieldBytes& base(const QString& aName, int32_t aColor, bool aVisible = true) {
        return str(aName).i32(aColor).u8(aVisible ? 1 : 0);
    }
    FieldBytes& raw(const void* aData, qsizetype aCount) {
        FData.append(static_cast<const char*>(aData), aCount);
        return *this;
    }
    FieldBytes& raw(const QByteArray& aData) { return raw(aData.constData(), aData.size()); }
    qsizetype size() const { return FData.size(); }
    const QByteArray& data() const { return FData; }

private:
    FieldBytes& le(uint64_t aValue, int aBytes) {
        for (int i = 0; i < aBytes; ++i) {
            FData.append(static_cast<char>((aValue >> (8 * i)) & 0xFF));
        }
        return *this;
    }

    QByteArray FData;
};

// Reads aData into aTarget with a fresh reader; the target's readFromStream(BinaryReader&).
template <typename T>
void ReadBytes(T& aTarget, QByteArray aData) {
    QBuffer buffer(&aData);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    aTarget.readFromStream(reader);
}

template <typename T>
QByteArray WriteBytes(T& aSource) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    aSource.writeToStream(writer);
    return data;
}
