#pragma once

#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "platform/binary_stream.h"

// Packed records go through the binary stream whole, as the dataset file writes and reads them.

template <typename T>
QByteArray WrittenBytes(const T& aRecord) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter(buffer).writeRecord(aRecord);
    return data;
}

template <typename T, size_t N>
T ReadRecord(const uint8_t (&aBytes)[N]) {
    static_assert(sizeof(T) == N);
    QByteArray data(reinterpret_cast<const char*>(aBytes), N);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return qel::BinaryReader(buffer).readRecord<T>();
}

template <size_t N>
QByteArray Fixture(const uint8_t (&aBytes)[N]) {
    return QByteArray(reinterpret_cast<const char*>(aBytes), N);
}
