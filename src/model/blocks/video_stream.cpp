#include "model/blocks/video_stream.h"

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
