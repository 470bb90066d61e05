#include "measurement/control/antenna_data.h"

#include <algorithm>
#include <cstdlib>

#include "database/row_helpers.h"
#include "measurement/control/antenna_list.h"
#include "measurement/control/follow_antennas.h"
#include "measurement/control/gauss_weight_table.h"
#include "measurement/control/measurement_control_interface.h"
#include "platform/numbers.h"

namespace {

// Samples carry the local millisecond of the day of their arrival.
int32_t NowMsOfDay() {
    return static_cast<int32_t>(MilliSecondOfTheDay(Now()));
}

// Age of a sample on the day's circle, so that one of 23:59:59 is 2 s old at 00:00:01.
int64_t AgeInMS(int32_t aNow, int32_t aTimeStamp) {
    return qel::MsOfDayDiff(aNow, aTimeStamp);
}

constexpr int32_t kLastKnownMaxAgeMS = 10000;
constexpr int32_t kFrequencyWindowMS = 5000;
constexpr int64_t kBatteryMaxAgeMS = 300000;
constexpr int16_t kSamplesBeforeSwitchOn = 1000;

}  // namespace

TqelFollowData::TqelFollowData(TqelAntennaData* anOwner, int32_t anArrayIndex)
    : FAntennaData(anOwner), FArrayIndex(anArrayIndex) {}

void TqelFollowData::Clear() {
    setFollowing(false);
    FPosition = RqelPositionRec::Create();
}

void TqelFollowData::setFollowing(bool aValue) {
    if (FFollowing == aValue) {
        return;
    }
    FFollowing = aValue;
    if (!FAntennaData) {
        return;
    }
    if (aValue) {
        FAntennaData->CameraStartedFollowing(FArrayIndex);
    } else {
        FAntennaData->CameraStoppedFollowing(FArrayIndex);
    }
}

TqelAntennaData::TqelAntennaData(TqelAntennaList* anOwner,
                                 IqelMeasurementControl* aMeasurementControl, uint16_t anAntennaID,
                                 int32_t aFollowDataCount, int32_t aTPid, int32_t anEnabled)
    : FMeasurementControl(aMeasurementControl),
      FAntennaList(anOwner),
      FEnabled(anEnabled),
      FTPid(aTPid) {
    SetFollowDataCount(aFollowDataCount);
    FAntennas.append(anAntennaID);
    FMeasurementSystemLastValidAt = Now();
    Clear();
}

TqelAntennaData::~TqelAntennaData() {
    // Cameras keep their follow entries; they must not write to this object later.
    while (!FFollowers.empty()) {
        FFollowers.front()->ClearAntennaData();
    }
}

std::unique_lock<std::mutex> TqelAntennaData::LockOwner() const {
    return FAntennaList ? std::unique_lock<std::mutex>(FAntennaList->FLock)
                        : std::unique_lock<std::mutex>();
}

void TqelAntennaData::Clear() {
    const TDateTime now = Now();
    {
        const auto lock = LockOwner();
        FGridRecordIdx = -1;
        FRuns = 0;
        FDataReceived = 0;
        FLastTimeStamp = 0;
        FInvalideCount = 0;
        FInPauseMode = false;
        FTrackPos = 0;
        FFilledSlots = 0;
        FLastResult = RqelPositionRec::Create();
        FLastValide = false;
        FData.fill(RqelPositionRec::Create());
        FCanAutoFollow = true;
        FMeasurementSystemLastValidAt = now;
        FDataStatistics.fill(0);
    }
    for (const auto& followData : FFollowData) {
        followData->Clear();
    }
}

void TqelAntennaData::AddData(const RqelPositionRec& aPosition) {
    const TDateTime received = ReceivedAt(aPosition);
    bool switchedOn = false;
    {
        const auto lock = LockOwner();
        switchedOn = StoreData(aPosition, received);
    }
    if (switchedOn) {
        NotifyEnabled(1);
    }
}

TDateTime TqelAntennaData::ReceivedAt(const RqelPositionRec& aPosition) {
    // Only a battery value needs the date and time.
    return aPosition.BatteryState != RqelPositionRec::NoBatteryState ? Now() : 0;
}

bool TqelAntennaData::StoreData(const RqelPositionRec& aPosition, TDateTime aReceivedAt) {
    bool switchedOn = false;
    // A transponder switched off or paused that still delivers is switched on again.
    if (FDataReceived >= kSamplesBeforeSwitchOn) {
        switchedOn = StoreEnabled(1);
    } else {
        ++FDataReceived;
    }
    FLastTimeStamp = aPosition.TimeStampInMS;
    FData[FTrackPos] = aPosition;
    if (aPosition.Heartbeat != 0) {
        FLastHeartbeat = aPosition.Heartbeat;
    }
    FLastNumBS = aPosition.NumberBS;
    if (aPosition.BatteryState != RqelPositionRec::NoBatteryState) {
        FBattery.Percentage = aPosition.BatteryPerc;
        FBattery.LastTimeReceived = aReceivedAt;
        FBattery.State = aPosition.BatteryState;
    }
    if (aPosition.Accel.TimestampInMS() != 0) {
        FLastGravity = aPosition.Gravity();
    }
    FTrackPos = (FTrackPos + 1) % MaxTrack;
    FFilledSlots = std::min(FFilledSlots + 1, MaxTrack);
    return switchedOn;
}

void TqelAntennaData::AntennaAdd(uint16_t anAntennaID) {
    if (FAntennas.contains(anAntennaID)) {
        return;
    }
    const auto lock = LockOwner();
    FAntennas.append(anAntennaID);
}

uint16_t TqelAntennaData::AntennaID() const {
    return FAntennas.isEmpty() ? 0 : FAntennas.first();
}

int32_t TqelAntennaData::AddRun() {
    return ++FRuns;
}

RqelPositionRec TqelAntennaData::LastKnown() const {
    if (AgeInMS(NowMsOfDay(), FLastTimeStamp) <= kLastKnownMaxAgeMS) {
        return FData[NewestSlot()];
    }
    return RqelPositionRec::Create();
}

RqelPositionRec TqelAntennaData::FirstKnown() const {
    return FData[FTrackPos];
}

template <class TWeight>
RqelPositionRec TqelAntennaData::Filter(int32_t aTimeInMS, TWeight aWeightOfAge) {
    const int32_t time = aTimeInMS == 0 ? NowMsOfDay() : aTimeInMS;
    RqelPositionRec result = RqelPositionRec::Create();
    result.AntennaID = AntennaID();
    FLastValide = false;

    double sumX = 0, sumY = 0, sumZ = 0, sumVX = 0, sumVY = 0, sumVZ = 0, sumWeight = 0;
    for (uint32_t i = 0; i < FFilledSlots; ++i) {
        const RqelPositionRec& slot = FData[i];
        // An exact 0 coordinate means the slot holds no position.
        if (slot.XinMM == 0 || slot.YinMM == 0) {
            continue;
        }
        const double weight = aWeightOfAge(std::llabs(AgeInMS(time, slot.TimeStampInMS)));
        if (weight <= 0) {
            continue;
        }
        sumX += weight * slot.XinMM;
        sumY += weight * slot.YinMM;
        sumZ += weight * slot.ZinMM;
        sumVX += weight * slot.VXinMMS;
        sumVY += weight * slot.VYinMMS;
        sumVZ += weight * slot.VZinMMS;
        sumWeight += weight;
    }

    if (sumWeight > 0) {
        result.TimeStampInMS = time;
        result.XinMM = static_cast<int32_t>(Round(sumX / sumWeight));
        result.YinMM = static_cast<int32_t>(Round(sumY / sumWeight));
        result.ZinMM = static_cast<int32_t>(Round(sumZ / sumWeight));
        result.VXinMMS = static_cast<int16_t>(Round(sumVX / sumWeight));
        result.VYinMMS = static_cast<int16_t>(Round(sumVY / sumWeight));
        result.VZinMMS = static_cast<int16_t>(Round(sumVZ / sumWeight));
        result.Valid = true;
        FLastResult = result;
        FLastValide = true;
        FInvalideCount = FInvalideCount <= 10 ? 0 : FInvalideCount - 10;
        return result;
    }
    ++FInvalideCount;
    return FLastResult;
}

RqelPositionRec TqelAntennaData::Weighted(int32_t aTimeInMS) {
    return Filter(aTimeInMS, [](int64_t anAge) {
        return anAge < qel::kGaussWeightCount ? qel::GaussWeight(static_cast<int>(anAge)) : 0.0;
    });
}

RqelPositionRec TqelAntennaData::Linear(int32_t aTimeInMS, int32_t aTimeFrameInMS) {
    return Filter(aTimeInMS,
                  [aTimeFrameInMS](int64_t anAge) { return anAge <= aTimeFrameInMS ? 1.0 : 0.0; });
}

void TqelAntennaData::SetFollowDataCount(int32_t aCount) {
    while (static_cast<int32_t>(FFollowData.size()) < aCount) {
        FFollowData.push_back(
            std::make_unique<TqelFollowData>(this, static_cast<int32_t>(FFollowData.size())));
    }
}

TqelFollowData* TqelAntennaData::GetFollowData(int32_t aSlot) const {
    return qel::RowAt(FFollowData, aSlot);
}

TqelFollowData* TqelAntennaData::FollowDataOrNil(int32_t aSlot) const {
    return aSlot >= 0 && aSlot < static_cast<int32_t>(FFollowData.size())
               ? FFollowData[static_cast<size_t>(aSlot)].get()
               : nullptr;
}

void TqelAntennaData::SaveCurrentPosition(int32_t aSlot) {
    *GetFollowData(aSlot)->Position() = LastKnown();
}

void TqelAntennaData::CameraStartedFollowing(int32_t aSlot) {
    if (FAntennaList) {
        FAntennaList->CameraStartedFollowingAntenna(aSlot, this);
    }
}

void TqelAntennaData::CameraStoppedFollowing(int32_t aSlot) {
    if (FAntennaList) {
        FAntennaList->CameraStoppedFollowingAntenna(aSlot, this);
    }
}

void TqelAntennaData::AttachFollower(TqelFollowAntenna* aFollower) {
    FFollowers.push_back(aFollower);
}

void TqelAntennaData::DetachFollower(TqelFollowAntenna* aFollower) {
    const auto found = std::find(FFollowers.begin(), FFollowers.end(), aFollower);
    if (found != FFollowers.end()) {
        FFollowers.erase(found);
    }
}

void TqelAntennaData::StatisticInc(TqelDataStatus aDataState) {
    if (aDataState < StatisticsCount) {
        ++FDataStatistics[aDataState];
    }
}

void TqelAntennaData::StatisticDec(TqelDataStatus aDataState) {
    if (aDataState < StatisticsCount && FDataStatistics[aDataState] > 0) {
        --FDataStatistics[aDataState];
    }
}

int32_t TqelAntennaData::GetDataStatistics(TqelDataStatus aDataState) const {
    return aDataState < StatisticsCount ? FDataStatistics[aDataState] : 0;
}

int32_t TqelAntennaData::Frequency() const {
    if (FFilledSlots == 0) {
        return 0;
    }
    const int32_t now = NowMsOfDay();
    int64_t oldestAge = AgeInMS(now, FData[NewestSlot()].TimeStampInMS);
    int64_t count = 0;
    for (uint32_t i = 0; i < FFilledSlots; ++i) {
        const int64_t age = AgeInMS(now, FData[i].TimeStampInMS);
        if (age < kFrequencyWindowMS) {
            ++count;
            oldestAge = std::max(oldestAge, age);
        }
    }
    return oldestAge > 0 ? static_cast<int32_t>(count * 1000 / oldestAge) : 0;
}

int32_t TqelAntennaData::Quality() const {
    int64_t sum = 0;
    for (const int32_t count : FDataStatistics) {
        sum += count;
    }
    if (sum == 0) {
        return 0;
    }
    return static_cast<int32_t>(Round(FDataStatistics[ldsOK] * 100.0 / static_cast<double>(sum)));
}

int32_t TqelAntennaData::BatteryPercentage() const {
    const int64_t age = qel::DateTimeToMs(Now()) - qel::DateTimeToMs(FBattery.LastTimeReceived);
    return age <= kBatteryMaxAgeMS ? FBattery.Percentage : 0;
}

void TqelAntennaData::setBatteryPercentage(int32_t aValue) {
    FBattery.Percentage = aValue;
    FBattery.LastTimeReceived = Now();
}

uint16_t TqelAntennaData::BatteryState() const {
    const int64_t age = qel::DateTimeToMs(Now()) - qel::DateTimeToMs(FBattery.LastTimeReceived);
    return age <= kBatteryMaxAgeMS ? FBattery.State : 0;
}

bool TqelAntennaData::StoreEnabled(int32_t aValue) {
    if (FEnabled == aValue) {
        return false;
    }
    FEnabled = aValue;
    FDataReceived = 0;
    FInPauseMode = aValue == 2;
    return true;
}

void TqelAntennaData::NotifyEnabled(int32_t aValue) {
    if (!FMeasurementControl) {
        return;
    }
    if (aValue == 0) {
        FMeasurementControl->DeactivateTransponder(AntennaID());
    } else if (aValue == 1) {
        FMeasurementControl->ActivateTransponder(AntennaID());
    }
}

void TqelAntennaData::setEnabled(int32_t aValue) {
    bool changed = false;
    {
        const auto lock = LockOwner();
        changed = StoreEnabled(aValue);
    }
    if (changed) {
        NotifyEnabled(aValue);
    }
}

QString TqelAntennaData::FollowByCams() const {
    QStringList cameras;
    for (const auto& followData : FFollowData) {
        if (!followData->Following() || !FAntennaList) {
            continue;
        }
        const int32_t camID = FAntennaList->GetCamera(followData->ArrayIndex()).CamID;
        if (camID != -1) {
            cameras.append(QString::number(camID));
        }
    }
    return cameras.join(QLatin1Char(';'));
}

RqelAntennaIdentity TqelAntennaData::Identity() const {
    RqelAntennaIdentity identity;
    identity.AntennaID = AntennaID();
    identity.TPid = FTPid;
    identity.Enabled = FEnabled;
    identity.TPRole = FTPRole;
    identity.VestID = FVestID;
    identity.AthleteName = FAthleteName;
    identity.ShortcutChar = FShortcutChar;
    identity.MacAddress = FMacAddress;
    return identity;
}

void TqelAntennaData::setVestID(const QString& aValue) {
    const auto lock = LockOwner();
    FVestID = aValue;
}

void TqelAntennaData::setAthleteName(const QString& aValue) {
    const auto lock = LockOwner();
    FAthleteName = aValue;
}

void TqelAntennaData::setShortcutChar(const QString& aValue) {
    const auto lock = LockOwner();
    FShortcutChar = aValue;
}

void TqelAntennaData::setTPRole(int32_t aValue) {
    const auto lock = LockOwner();
    FTPRole = aValue;
}

void TqelAntennaData::setMacAddress(const QString& aValue) {
    const auto lock = LockOwner();
    FMacAddress = aValue;
}
