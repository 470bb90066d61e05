#include "model/blocks/camera.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <span>

#include "foundation/stream_strings.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "platform/exception.h"

TqelCamera::TqelCamera(TqelDataset* aDataSet, uint8_t aCameraIndex)
    : FDataSet(aDataSet), FCameraIndex(aCameraIndex) {}

void TqelCamera::AddRecord(int32_t aTimeStampInMS, const RqelCamPosCommunication& aPos) {
    if (FPositionsCount >= RawDataCapacity()) {
        FPositionData.resize(FPositionData.size() + PositionStep);
    }
    TqelCameraPosition& record = FPositionData[FPositionsCount];
    record.Timestamp = aTimeStampInMS;
    record.PanInRad = aPos.PanInRad;
    record.Tilt = aPos.Tilt;
    record.Zoom = aPos.Zoom;
    record.Transponders = FDataSet ? FDataSet->ArrayOfAntennaIDsToTransponderSet(
                                         std::span(aPos.Antennas.constData(), aPos.Antennas.size()))
                                   : TqelTransponderSet();
    ++FPositionsCount;
}

TqelCameraPosition TqelCamera::GetPosition(int32_t aTimeStampInMS, int32_t aOffsetInMS) const {
    const auto begin = FPositionData.begin();
    const auto end = begin + FPositionsCount;
    // The first record that starts after the time; the one before it is in force.
    const auto after = std::upper_bound(begin, end, aTimeStampInMS,
                                        [aOffsetInMS](int32_t aTime, const TqelCameraPosition& r) {
                                            return aTime < r.TimeStampInMS(aOffsetInMS);
                                        });
    if (after == begin) {
        return TqelCameraPosition();
    }
    return *(after - 1);
}

TqelCameraPosition TqelCamera::GetRawData(int32_t aIndex) const {
    if (aIndex < 0 || aIndex >= FPositionsCount) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the %2 records of camera %3")
                .arg(aIndex)
                .arg(FPositionsCount)
                .arg(FCameraIndex));
    }
    return FPositionData[aIndex];
}

namespace {

// Version gates of the camera block.
constexpr uint16_t ByteIndexVersion = 83;
constexpr uint16_t FollowSettingsVersion = 92;
constexpr uint16_t PackedRecordVersion = 82;

// Offsets inside an old 69-byte record.
constexpr int OldTimestampAt = 1;
constexpr int OldPanAt = 13;
constexpr int OldTiltAt = 17;
constexpr int OldZoomAt = 21;
constexpr int OldTransponderBitsAt = 37;
// Bits 1..100 of the old set name list positions 0..99.
constexpr int OldTransponderBits = 100;

int32_t Int32At(const QByteArray& aBytes, int anOffset) {
    return qFromLittleEndian<int32_t>(aBytes.constData() + anOffset);
}

// One 23-byte record, field by field: the record in memory is not packed.
TqelCameraPosition DecodeRecord(const char* aBytes) {
    TqelCameraPosition record;
    record.Timestamp = qFromLittleEndian<int32_t>(aBytes);
    record.PanInRad = qFromLittleEndian<uint16_t>(aBytes + 4);
    record.Tilt = qFromLittleEndian<uint16_t>(aBytes + 6);
    record.Zoom = qFromLittleEndian<uint16_t>(aBytes + 8);
    record.Transponders.setBytes(reinterpret_cast<const uint8_t*>(aBytes + 10));
    return record;
}

void EncodeRecord(const TqelCameraPosition& aRecord, char* aBytes) {
    qToLittleEndian(aRecord.Timestamp, aBytes);
    qToLittleEndian(aRecord.PanInRad, aBytes + 4);
    qToLittleEndian(aRecord.Tilt, aBytes + 6);
    qToLittleEndian(aRecord.Zoom, aBytes + 8);
    std::memcpy(aBytes + 10, aRecord.Transponders.data(), TqelTransponderSet::ByteCount);
}
}  // namespace

TqelCameraPosition TqelCamera::ReadOldRecord(qel::BinaryReader& aStream) const {
    const QByteArray bytes = aStream.readBytes(OldRecordSize);
    TqelCameraPosition record;
    record.Timestamp = Int32At(bytes, OldTimestampAt);
    record.PanInRad = static_cast<uint16_t>(Int32At(bytes, OldPanAt));
    record.Tilt = static_cast<uint16_t>(Int32At(bytes, OldTiltAt));
    record.Zoom = static_cast<uint16_t>(Int32At(bytes, OldZoomAt));
    if (!FDataSet) {
        return record;
    }
    const auto* set = reinterpret_cast<const uint8_t*>(bytes.constData()) + OldTransponderBitsAt;
    const int32_t known = FDataSet->TransponderCount();
    for (int bit = 1; bit <= OldTransponderBits && bit <= known; ++bit) {
        if (set[bit >> 3] & (1u << (bit & 7))) {
            // TPids beyond the set's range are dropped by the set itself.
            record.Transponders.include(FDataSet->getTransponder(bit - 1)->TPid());
        }
    }
    return record;
}

void TqelCamera::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    FCameraIndex =
        aVersion >= ByteIndexVersion ? aStream.readU8() : static_cast<uint8_t>(aStream.readI32());
    FCamPosX = aStream.readI32();
    FCamPosY = aStream.readI32();
    FCamPosZ = aStream.readI32();
    FPanOffset = aStream.readI32();
    if (aVersion >= FollowSettingsVersion) {
        FAutoFollowStartLine = ReadStreamString(aStream);
        FAutoFollowFinishLine = ReadStreamString(aStream);
        FFollowOrder = aStream.readI32();
        FSectionID = aStream.readI32();
    }
    const int32_t count = aStream.readI32();
    const bool packed = aVersion >= PackedRecordVersion;
    if (count < 0) {
        throw EReadError(QStringLiteral("Camera %1 has a negative record count").arg(FCameraIndex));
    }
    aStream.checkCount(count, packed ? RecordSize : OldRecordSize);
    FPositionData.clear();
    FPositionData.reserve(count);
    if (packed) {
        // One read for all records: the block of a long recording holds a great many.
        const QByteArray bytes = aStream.readBytes(qint64{count} * RecordSize);
        for (int32_t i = 0; i < count; ++i) {
            FPositionData.push_back(DecodeRecord(bytes.constData() + qint64{i} * RecordSize));
        }
    } else {
        for (int32_t i = 0; i < count; ++i) {
            FPositionData.push_back(ReadOldRecord(aStream));
        }
    }
    FPositionsCount = count;
}

void TqelCamera::writeToStream(qel::BinaryWriter& aStream) {
    FPositionData.resize(FPositionsCount);
    aStream.writeU8(FCameraIndex);
    aStream.writeI32(FCamPosX);
    aStream.writeI32(FCamPosY);
    aStream.writeI32(FCamPosZ);
    aStream.writeI32(FPanOffset);
    WriteStreamString(aStream, FAutoFollowStartLine);
    WriteStreamString(aStream, FAutoFollowFinishLine);
    aStream.writeI32(FFollowOrder);
    aStream.writeI32(FSectionID);
    aStream.writeI32(FPositionsCount);
    QByteArray bytes(qsizetype{FPositionsCount} * RecordSize, Qt::Uninitialized);
    for (int32_t i = 0; i < FPositionsCount; ++i) {
        EncodeRecord(FPositionData[i], bytes.data() + qsizetype{i} * RecordSize);
    }
    aStream.writeBytes(bytes);
}
