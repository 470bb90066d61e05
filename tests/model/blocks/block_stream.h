#pragma once

#include <QBuffer>
#include <QByteArray>
#include <cstdint>

#include "platform/binary_stream.h"

// A dataset-file block written to memory, and bytes read into a block as the file reader would.

template <typename T>
QByteArray WrittenBlock(const T& aBlock) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    aBlock.writeToStream(writer);
    return data;
}

template <typename T>
void ReadBlockInto(T& aBlock, QByteArray aData, int32_t aVersion) {
    QBuffer buffer(&aData);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    aBlock.readFromStream(reader, aVersion);
}
