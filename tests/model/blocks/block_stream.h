#pragma once

#include <QBuffer>
#include <QByteArray>
#include <cstdint>

#include "model/field/field_bytes.h"
#include "platform/binary_stream.h"

// A dataset-file block written to memory, and bytes read into a block as the file reader would.

template <typename T>
QByteArray WrittenBlock(const T& aBlock) {
    return WriteBytes(aBlock);
}

template <typename T>
void ReadBlockInto(T& aBlock, QByteArray aData, int32_t aVersion) {
    QBuffer buffer(&aData);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    aBlock.readFromStream(reader, aVersion);
}
