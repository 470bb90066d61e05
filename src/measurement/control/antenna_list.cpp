#include "measurement/control/antenna_list.h"

#include <algorithm>

#include "database/row_helpers.h"
#include "foundation/settings/client_config_lists.h"

namespace {

// Antenna 16 is registered hidden when it delivers unannounced.
constexpr uint16_t kHiddenAntennaID = 16;

}  // namespace

TqelAntennaList::TqelAntennaList(IqelAntennaListCallback* anAntennaListCallback)
    : FAntennaListCallback(anAntennaListCallback) {}

TqelAntennaList::~TqelAntennaList() {
    // The owner is going away with the list; the cameras' slots are still needed while the
    // dying transponders detach their follow entries.
    FAntennaListCallback = nullptr;
    FTrack.fill(nullptr);
    FAntennas.clear();
}

TqelAntennaData* TqelAntennaList::GetItems(int32_t anIndex) {
    return qel::RowAt(FAntennas, anIndex);
}

void TqelAntennaList::Clear() {
    std::vector<std::unique_ptr<TqelAntennaData>> dying;
    {
        const std::lock_guard lock(FLock);
        FMaxTPid = 0;
        dying.swap(FAntennas);
        FTrack.fill(nullptr);
        ResetStatistics();
    }
    // Freed outside the lock: each detaches its follow entries, which notifies the owner.
    dying.clear();
}

void TqelAntennaList::ResetStatistics() {
    FStatisticsSampleState.fill(RqelStatisticsSample{});
    FStatisticsState.fill(0);
    FStatisticsWritePos = 0;
}

TqelAntennaData* TqelAntennaList::RegisterUnknown(IqelMeasurementControl* aMeasurementControl,
                                                  uint16_t anAntennaID) {
    TqelAntennaData* data = AddAntenna(aMeasurementControl, anAntennaID, 1, FMaxTPid + 1);
    data->setVisible(anAntennaID != kHiddenAntennaID);
    data->setTPRole(roleBall);
    data->setVestID(QString::number(anAntennaID));
    return data;
}

void TqelAntennaList::AddData(IqelMeasurementControl* aMeasurementControl,
                              const RqelPositionRec& aPosition) {
    // Drivers may deliver 16 bits; only 14 fit the table.
    if (aPosition.AntennaID >= TrackSize) {
        return;
    }
    TqelAntennaData* data = FTrack[aPosition.AntennaID];
    if (!data) {
        data = RegisterUnknown(aMeasurementControl, aPosition.AntennaID);
    }
    const TDateTime received = TqelAntennaData::ReceivedAt(aPosition);
    bool switchedOn = false;
    {
        const std::lock_guard lock(FLock);
        FLastTimestampInMS = aPosition.TimeStampInMS;
        switchedOn = data->StoreData(aPosition, received);
        CountSample(*data, aPosition);
    }
    if (switchedOn) {
        data->NotifyEnabled(1);
    }
}

void TqelAntennaList::CountSample(TqelAntennaData& anAntennaData,
                                  const RqelPositionRec& aPosition) {
    RqelStatisticsSample& entry = FStatisticsSampleState[static_cast<size_t>(FStatisticsWritePos)];
    if (entry.Occupied && entry.DataState < TqelAntennaData::StatisticsCount) {
        const auto oldState = static_cast<TqelDataStatus>(entry.DataState);
        --FStatisticsState[oldState];
        if (TqelAntennaData* old = FTrack[entry.AntennaID]) {
            old->StatisticDec(oldState);
        }
    }
    if (aPosition.DataState < TqelAntennaData::StatisticsCount) {
        ++FStatisticsState[aPosition.DataState];
        anAntennaData.StatisticInc(aPosition.DataState);
    }
    entry.AntennaID = aPosition.AntennaID;
    entry.DataState = aPosition.DataState;
    entry.Occupied = true;
    entry.TimeStampInMS = aPosition.TimeStampInMS;
    FStatisticsWritePos = (FStatisticsWritePos + 1) % StatisticsSize;
}

TqelAntennaData* TqelAntennaList::AddAntenna(IqelMeasurementControl* aMeasurementControl,
                                             uint16_t anAntennaID, int32_t anEnabled,
                                             int32_t aTPid) {
    if (anAntennaID >= TrackSize) {
        return nullptr;
    }
    for (const auto& registered : FAntennas) {
        if (registered->AntennaID() == anAntennaID) {
            const std::lock_guard lock(FLock);
            FTrack[anAntennaID] = registered.get();
            return registered.get();
        }
    }
    // Built outside the lock; only the publication needs it.
    auto data = std::make_unique<TqelAntennaData>(this, aMeasurementControl, anAntennaID,
                                                  CameraCount(), aTPid, anEnabled);
    TqelAntennaData* result = data.get();
    const std::lock_guard lock(FLock);
    FAntennas.push_back(std::move(data));
    FTrack[anAntennaID] = result;
    FMaxTPid = std::max(FMaxTPid, aTPid);
    return result;
}

RqelPositionRec TqelAntennaList::LastKnownPos(uint16_t anAntennaID) {
    const TqelAntennaData* data = Track(anAntennaID);
    return data ? data->LastKnown() : RqelPositionRec::Create();
}

int32_t TqelAntennaList::AddCamera(int32_t aCamID, int32_t aCamIndex) {
    const auto slot = static_cast<int32_t>(FCameras.size());
    FCameras.push_back({aCamID, aCamIndex});
    for (const auto& data : FAntennas) {
        data->SetFollowDataCount(slot + 1);
    }
    return slot;
}

RqelCameraData TqelAntennaList::GetCamera(int32_t aSlot) {
    qel::CheckRowIndex(aSlot, CameraCount());
    return FCameras[static_cast<size_t>(aSlot)];
}

TqelAntennaData* TqelAntennaList::ItemByAntennaID(uint16_t anAntennaID) {
    return Track(anAntennaID);
}

TqelAntennaData* TqelAntennaList::ItemByVestID(const QString& aVestID) const {
    for (const auto& data : FAntennas) {
        if (data->VestID() == aVestID) {
            return data.get();
        }
    }
    return nullptr;
}

TqelAntennaData* TqelAntennaList::ItemByMacAddress(const QString& aMacAddress) const {
    for (const auto& data : FAntennas) {
        if (data->MacAddress() == aMacAddress) {
            return data.get();
        }
    }
    return nullptr;
}

int32_t TqelAntennaList::MeasurementCount() {
    int32_t sum = 0;
    for (const int32_t count : FStatisticsState) {
        sum += count;
    }
    return sum;
}

int32_t TqelAntennaList::GetStatisticsState(TqelDataStatus aDataState) const {
    return aDataState < TqelAntennaData::StatisticsCount ? FStatisticsState[aDataState] : 0;
}

int32_t TqelAntennaList::MeasurementFrequency() {
    if (!FStatisticsSampleState[0].Occupied) {
        return 0;
    }
    const auto writePos = static_cast<size_t>(FStatisticsWritePos);
    const bool wrapped = FStatisticsSampleState[writePos].Occupied;
    const int64_t count = wrapped ? StatisticsSize : FStatisticsWritePos;
    const int32_t oldest = FStatisticsSampleState[wrapped ? writePos : 0].TimeStampInMS;
    const int32_t newest =
        FStatisticsSampleState[writePos == 0 ? StatisticsSize - 1 : writePos - 1].TimeStampInMS;
    // Arrival times of day: the span may cross midnight.
    const int64_t span = qel::MsOfDayDiff(newest, oldest);
    return span > 0 ? static_cast<int32_t>(count * 1000 / span) : 0;
}

void TqelAntennaList::CameraStartedFollowingAntenna(int32_t aSlot, TqelAntennaData* anAntennaData) {
    if (FAntennaListCallback && aSlot >= 0 && aSlot < CameraCount()) {
        FAntennaListCallback->CameraStartedFollowing(FCameras[static_cast<size_t>(aSlot)].CamIndex,
                                                     anAntennaData);
    }
}

void TqelAntennaList::CameraStoppedFollowingAntenna(int32_t aSlot, TqelAntennaData* anAntennaData) {
    if (FAntennaListCallback && aSlot >= 0 && aSlot < CameraCount()) {
        FAntennaListCallback->CameraStoppedFollowing(FCameras[static_cast<size_t>(aSlot)].CamIndex,
                                                     anAntennaData);
    }
}

bool TqelAntennaList::CopyLastKnownPos(uint16_t anAntennaID, RqelPositionRec& aPosition) const {
    const std::lock_guard lock(FLock);
    const TqelAntennaData* data = Track(anAntennaID);
    aPosition = data ? data->LastKnown() : RqelPositionRec::Create();
    return data != nullptr;
}

bool TqelAntennaList::CopyFirstKnownPos(uint16_t anAntennaID, RqelPositionRec& aPosition) const {
    const std::lock_guard lock(FLock);
    const TqelAntennaData* data = Track(anAntennaID);
    aPosition = data ? data->FirstKnown() : RqelPositionRec::Create();
    return data != nullptr;
}

bool TqelAntennaList::CopyIdentity(uint16_t anAntennaID, RqelAntennaIdentity& anIdentity) const {
    const std::lock_guard lock(FLock);
    const TqelAntennaData* data = Track(anAntennaID);
    anIdentity = data ? data->Identity() : RqelAntennaIdentity{};
    return data != nullptr;
}
