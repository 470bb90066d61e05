#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "foundation/position_records.h"
#include "platform/binary_stream.h"

class TqelDataset;

// One PTZ camera of a dataset: its orientation over dataset time with the transponders it had
// in view, and the automatic-following settings of the prepared recording.
//
// Threads: main thread only (camera samples, recording start, the file reader).
class TqelCamera {
public:
    // The records grow in steps of this many.
    static constexpr int32_t PositionStep = 1000;

    // aDataSet may be absent: then samples carry no transponders.
    TqelCamera(TqelDataset* aDataSet, uint8_t aCameraIndex);

    TqelDataset* Dataset() const { return FDataSet; }
    // 255 while the camera's number in the server's list is not known.
    uint8_t CameraIndex() const { return FCameraIndex; }
    // The list position + 1 when read from a file; 0 for a camera made live.
    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { FID = aValue; }
    int32_t CamPosX() const { return FCamPosX; }
    int32_t CamPosY() const { return FCamPosY; }
    int32_t CamPosZ() const { return FCamPosZ; }
    int32_t PanOffset() const { return FPanOffset; }
    QString AutoFollowStartLine() const { return FAutoFollowStartLine; }
    void setAutoFollowStartLine(const QString& aValue) { FAutoFollowStartLine = aValue; }
    QString AutoFollowFinishLine() const { return FAutoFollowFinishLine; }
    void setAutoFollowFinishLine(const QString& aValue) { FAutoFollowFinishLine = aValue; }
    int32_t FollowOrder() const { return FFollowOrder; }
    void setFollowOrder(int32_t aValue) { FFollowOrder = aValue; }
    int32_t SectionID() const { return FSectionID; }
    void setSectionID(int32_t aValue) { FSectionID = aValue; }

    // Appends a sample at a dataset time, with the TPids of the antennas in view that have a
    // transponder.
    void AddRecord(int32_t aTimeStampInMS, const RqelCamPosCommunication& aPos);
    // The record in force at aTimeStampInMS when every record is taken aOffsetInMS earlier;
    // Timestamp 0 and no values when there is none (no records, or a time before the first).
    TqelCameraPosition GetPosition(int32_t aTimeStampInMS, int32_t aOffsetInMS) const;
    // Raises EArgumentOutOfRangeException outside 0 .. RawDataCount() - 1.
    TqelCameraPosition GetRawData(int32_t aIndex) const;
    int32_t RawDataCount() const { return FPositionsCount; }
    int32_t RawDataCapacity() const { return static_cast<int32_t>(FPositionData.size()); }

    // The camera block of a dataset file of aVersion; before 82 the old 69-byte records are
    // converted, their transponder bits mapped through the dataset's list. Raises EReadError
    // for a count that is negative or runs past the stream, before allocating.
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    // Always the current layout; trims the records to the count.
    void writeToStream(qel::BinaryWriter& aStream);

    // Bytes of one stored record, current and up to version 81.
    static constexpr int32_t RecordSize = 23;
    static constexpr int32_t OldRecordSize = 69;

private:
    TqelCameraPosition ReadOldRecord(qel::BinaryReader& aStream) const;

    TqelDataset* FDataSet;
    uint8_t FCameraIndex;
    int32_t FID = 0;
    int32_t FCamPosX = 0;
    int32_t FCamPosY = 0;
    int32_t FCamPosZ = 0;
    int32_t FPanOffset = 0;
    // Used up to FPositionsCount; the rest is capacity.
    std::vector<TqelCameraPosition> FPositionData;
    int32_t FPositionsCount = 0;
    QString FAutoFollowStartLine;
    QString FAutoFollowFinishLine;
    int32_t FFollowOrder = 0;
    int32_t FSectionID = 0;
};
