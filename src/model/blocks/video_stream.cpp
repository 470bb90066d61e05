#include "model/blocks/video_stream.h"

#include <QFileInfo>

#include "foundation/stream_strings.h"
#include "model/dataset/dataset.h"

TqelVideoStream::TqelVideoStream(TqelDataset* aDataset, int32_t anID)
    : FDataSet(aDataset), FID(anID) {}

template <class T>
void TqelVideoStream::StoreNotifying(T& aField, const T& aValue) {
    if (aField == aValue) {
        return;
    }
    aField = aValue;
    if (FDataSet) {
        FDataSet->notifyVideoStreamChanged(this);
    }
}

void TqelVideoStream::setFilename(const QString& aValue) {
    StoreNotifying(FFilename, aValue);
}

void TqelVideoStream::setDescription(const QString& aValue) {
    StoreNotifying(FDescription, aValue);
}

void TqelVideoStream::setOffsetInMS(int32_t aValue) {
    StoreNotifying(FOffsetInMS, aValue);
}

void TqelVideoStream::setDurationInMS(int64_t aValue) {
    StoreNotifying(FDurationInMS, aValue);
}

void TqelVideoStream::setCamState(TqelCamConnection aValue) {
    StoreNotifying(FCamState, aValue);
}

void TqelVideoStream::setTrackMode(TqelTrackingMode aValue) {
    StoreNotifying(FTrackMode, aValue);
}

void TqelVideoStream::setZoomLevel(int32_t aValue) {
    StoreNotifying(FZoomLevel, aValue);
}

void TqelVideoStream::setStartLPMtimeInMS(int32_t aValue) {
    FStartInMS = aValue;
    if (FDataSet && FDataSet->FirstSampleSet()) {
        // 32-bit arithmetic, as the offset is stored.
        setOffsetInMS(
            static_cast<int32_t>(FDataSet->FirstSampleTick() - static_cast<uint32_t>(aValue)));
    }
}

namespace {

// Version gates of the video stream block.
constexpr uint16_t IDVersion = 20;
constexpr uint16_t StartVersion = 53;
// Files of this one version hold a byte after the start that nothing reads.
constexpr uint16_t SpareByteVersion = 83;
constexpr uint16_t DurationVersion = 89;
constexpr uint16_t CameraIndexVersion = 90;

constexpr uint8_t NoCamera = 255;

}  // namespace

uint8_t TqelVideoStream::CameraIndexFromName(const QString& aFilename) {
    const QString base = QFileInfo(aFilename).completeBaseName();
    const qsizetype dome = base.indexOf(QLatin1String("dome"), 0, Qt::CaseInsensitive);
    // Without "dome" the number stands at the 4th and 5th characters.
    const qsizetype digitsAt = dome >= 0 ? dome + 4 : 3;
    bool isNumber = false;
    const int number = base.mid(digitsAt, 2).toInt(&isNumber);
    if (!isNumber || number <= 0 || number > NoCamera) {
        return NoCamera;
    }
    return static_cast<uint8_t>(number - 1);
}

void TqelVideoStream::readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) {
    FID = aVersion >= IDVersion ? aStream.readI32() : -1;
    FFilename = ReadStreamString(aStream);
    FDescription = ReadStreamString(aStream);
    FOffsetInMS = aStream.readI32();
    if (aVersion >= StartVersion) {
        FStartInMS = aStream.readI32();
    }
    if (aVersion == SpareByteVersion) {
        aStream.skip(1);
    }
    if (aVersion >= DurationVersion) {
        FDurationInMS = aStream.readI64();
    }
    FCameraIndex =
        aVersion >= CameraIndexVersion ? aStream.readU8() : CameraIndexFromName(FFilename);
    setInitialized(true);
}

void TqelVideoStream::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FID);
    WriteStreamString(aStream, FFilename);
    WriteStreamString(aStream, FDescription);
    aStream.writeI32(FOffsetInMS);
    aStream.writeI32(FStartInMS);
    aStream.writeI64(FDurationInMS);
    aStream.writeU8(FCameraIndex);
}
