#include "model/blocks/camera.h"

#include <algorithm>
#include <span>

#include "model/dataset/dataset.h"
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
