#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"
#include "platform/date_time.h"

class IqelMeasurementControl;
class TqelAntennaData;
class TqelAntennaList;
class TqelFollowAntenna;

// Status values of the ZXY tags, written by the ZXY driver.
enum TqelPositionValidity : uint8_t {
    zxyPositionValid,
    zxyPositionInvalid,
    zxyPositionOnlyZinvalid
};
enum TqelTagState : uint8_t {
    zxyTagStateSleep,
    zxyTagStatePowerDown,
    zxyTagStateStandBy,
    zxyTagStateActive
};
enum TqelTagHeartBeltStatus : uint8_t {
    zxyheartbeltStatusDisconnected,
    zxyheartbeltStatusConneted,
    zxyheartbeltStatusError
};

struct RqelBatteryData {
    uint16_t State = 0;
    int32_t Percentage = 0;
    TDateTime LastTimeReceived = 0;
};

// Whether one camera slot follows one transponder, and where the transponder was when it
// started. Owned by the transponder; main thread only.
class TqelFollowData {
public:
    TqelFollowData(TqelAntennaData* anOwner, int32_t anArrayIndex);

    // Following off (with notification) and the position emptied.
    void Clear();

    bool Following() const { return FFollowing; }
    // A change is told to the owner, which passes it to the list's callback.
    void setFollowing(bool aValue);
    // A change nobody hears of: a camera dropping an entry on purpose.
    void setFollowingWithoutNotification(bool aValue) { FFollowing = aValue; }
    RqelPositionRec* Position() { return &FPosition; }
    int32_t ArrayIndex() const { return FArrayIndex; }

private:
    RqelPositionRec FPosition = RqelPositionRec::Create();
    bool FFollowing = false;
    TqelAntennaData* FAntennaData;
    int32_t FArrayIndex;
};

// Identity of a transponder as other threads copy it out of the list.
struct RqelAntennaIdentity {
    uint16_t AntennaID = 0;
    int32_t TPid = 0;
    int32_t Enabled = 0;
    int32_t TPRole = 0;
    QString VestID;
    QString AthleteName;
    QString ShortcutChar;
    QString MacAddress;
};

// The live state of one transponder: a ring of its last 255 positions, last-known values,
// reception statistics, its enable state and one follow record per camera slot.
//
// Owned by its TqelAntennaList and written on the main thread only. The main thread reads it
// without a lock. Every write of what other threads read (the ring, the identity, the enable
// state) takes the list's lock, and other threads read only through the list's copy-out readers,
// which take it too; they never keep a pointer to this object, since the list's Clear frees it.
// Notifications (measurement control, follow flags) run outside the lock.
class TqelAntennaData {
public:
    static constexpr uint32_t MaxTrack = 255;
    static constexpr int StatisticsCount = 11;

    TqelAntennaData(TqelAntennaList* anOwner, IqelMeasurementControl* aMeasurementControl,
                    uint16_t anAntennaID, int32_t aFollowDataCount, int32_t aTPid,
                    int32_t anEnabled);
    // Detaches every follow entry that still points here (its flag goes off with notification).
    ~TqelAntennaData();
    TqelAntennaData(const TqelAntennaData&) = delete;
    TqelAntennaData& operator=(const TqelAntennaData&) = delete;

    // Empties the ring, the statistics, the filter state and the follow records; keeps Enabled.
    void Clear();
    // Allocates nothing: runs for every sample.
    void AddData(const RqelPositionRec& aPosition);
    // A further antenna id of the transponder; one already present is ignored.
    void AntennaAdd(uint16_t anAntennaID);
    // The first antenna id; 0 for none.
    uint16_t AntennaID() const;
    int32_t AddRun();

    // The newest position when it is at most 10 s old, else an empty record.
    RqelPositionRec LastKnown() const;
    // The oldest position of the ring.
    RqelPositionRec FirstKnown() const;
    // Smoothed position at aTimeInMS (0: now) from the Gauss weight table. Without samples in
    // reach the previous result is returned and InvalideCount grows.
    RqelPositionRec Weighted(int32_t aTimeInMS);
    // Plain mean of the samples within aTimeFrameInMS of aTimeInMS (0: now).
    RqelPositionRec Linear(int32_t aTimeInMS, int32_t aTimeFrameInMS);
    int32_t XinMM() const { return FLastResult.XinMM; }
    int32_t YinMM() const { return FLastResult.YinMM; }
    const RqelPositionRec* LastResult() const { return &FLastResult; }

    // Adds follow records up to aCount camera slots.
    void SetFollowDataCount(int32_t aCount);
    // Raises EArgumentOutOfRangeException outside the camera slots.
    TqelFollowData* GetFollowData(int32_t aSlot) const;
    void SaveCurrentPosition(int32_t aSlot);
    void CameraStartedFollowing(int32_t aSlot);
    void CameraStoppedFollowing(int32_t aSlot);

    // Data states outside TqelDataStatus are not counted; a count never goes below 0.
    void StatisticInc(TqelDataStatus aDataState);
    void StatisticDec(TqelDataStatus aDataState);
    int32_t GetDataStatistics(TqelDataStatus aDataState) const;
    // Samples per second over the last 5 s.
    int32_t Frequency() const;
    // Percentage of ldsOK among the counted samples.
    int32_t Quality() const;

    // Read: the value only when received within the last 300 s, else 0. The percentage setter
    // stamps the time of receipt.
    int32_t BatteryPercentage() const;
    void setBatteryPercentage(int32_t aValue);
    uint16_t BatteryState() const;
    void setBatteryState(uint16_t aValue) { FBattery.State = aValue; }

    // 0 off, 1 on, 2 paused. A change tells the measurement control (not for 2).
    int32_t Enabled() const { return FEnabled; }
    void setEnabled(int32_t aValue);

    // The CamIDs of the slots that follow this transponder, joined by ";".
    QString FollowByCams() const;

    // Copies for other threads; the caller holds the list's lock.
    RqelAntennaIdentity Identity() const;

    int32_t TPid() const { return FTPid; }
    int32_t AntennaCount() const { return static_cast<int32_t>(FAntennas.size()); }
    QString VestID() const { return FVestID; }
    void setVestID(const QString& aValue);
    QString AthleteName() const { return FAthleteName; }
    void setAthleteName(const QString& aValue);
    QString ShortcutChar() const { return FShortcutChar; }
    void setShortcutChar(const QString& aValue);
    int32_t TPRole() const { return FTPRole; }
    void setTPRole(int32_t aValue);
    QString MacAddress() const { return FMacAddress; }
    void setMacAddress(const QString& aValue);

    int32_t LastHeartbeat() const { return FLastHeartbeat; }
    void setLastHeartbeat(int32_t aValue) { FLastHeartbeat = aValue; }
    int32_t LastNumBS() const { return FLastNumBS; }
    void setLastNumBS(int32_t aValue) { FLastNumBS = aValue; }
    double LastGravity() const { return FLastGravity; }
    void setLastGravity(double aValue) { FLastGravity = aValue; }
    bool LastValide() const { return FLastValide; }
    int32_t InvalideCount() const { return FInvalideCount; }
    bool InPauseMode() const { return FInPauseMode; }
    int32_t LastTimestamp() const { return FLastTimeStamp; }
    int32_t LastOnFieldTime() const { return FLastOnFieldTime; }
    void setLastOnFieldTime(int32_t aValue) { FLastOnFieldTime = aValue; }
    bool CanAutoFollow() const { return FCanAutoFollow; }
    void setCanAutoFollow(bool aValue) { FCanAutoFollow = aValue; }
    bool Visible() const { return FVisible; }
    void setVisible(bool aValue) { FVisible = aValue; }
    int32_t GridRecordIdx() const { return FGridRecordIdx; }
    void setGridRecordIdx(int32_t aValue) { FGridRecordIdx = aValue; }
    int32_t MeasurementSystemIndex() const { return FMeasurementSystemIndex; }
    void setMeasurementSystemIndex(int32_t aValue) { FMeasurementSystemIndex = aValue; }
    TDateTime MeasurementSystemLastValidAt() const { return FMeasurementSystemLastValidAt; }
    void setMeasurementSystemLastValidAt(TDateTime aValue) {
        FMeasurementSystemLastValidAt = aValue;
    }

    int32_t RAWTimestamp() const { return FRAWTimestamp; }
    void setRAWTimestamp(int32_t aValue) { FRAWTimestamp = aValue; }
    int32_t SatellitesUsed() const { return FSatellitesUsed; }
    void setSatellitesUsed(int32_t aValue) { FSatellitesUsed = aValue; }
    uint8_t SolutionType() const { return FSolutionType; }
    void setSolutionType(uint8_t aValue) { FSolutionType = aValue; }
    TqelPositionValidity PositionValidity() const { return FPositionValidity; }
    void setPositionValidity(TqelPositionValidity aValue) { FPositionValidity = aValue; }
    TqelTagState TagState() const { return FTagState; }
    void setTagState(TqelTagState aValue) { FTagState = aValue; }
    QString TagVersion() const { return FTagVersio; }
    void setTagVersion(const QString& aValue) { FTagVersio = aValue; }
    int32_t TimeSinceBeaconPacket() const { return FTimeSinceBeaconPacket; }
    void setTimeSinceBeaconPacket(int32_t aValue) { FTimeSinceBeaconPacket = aValue; }
    TqelTagHeartBeltStatus HeartbeltState() const { return FHeartbeltState; }
    void setHeartbeltState(TqelTagHeartBeltStatus aValue) { FHeartbeltState = aValue; }

private:
    friend class TqelFollowAntenna;
    friend class TqelAntennaList;

    // The owner's lock; none without an owner.
    std::unique_lock<std::mutex> LockOwner() const;
    // Stores a new enable state; true when it changed. The caller holds the lock.
    bool StoreEnabled(int32_t aValue);
    void NotifyEnabled(int32_t aValue);
    // When a sample's battery value arrived; read before the lock is taken.
    static TDateTime ReceivedAt(const RqelPositionRec& aPosition);
    // Stores a sample; true when it switched the transponder on. The caller holds the lock and
    // notifies afterwards.
    bool StoreData(const RqelPositionRec& aPosition, TDateTime aReceivedAt);
    template <class TWeight>
    RqelPositionRec Filter(int32_t aTimeInMS, TWeight aWeightOfAge);
    uint32_t NewestSlot() const { return FTrackPos == 0 ? MaxTrack - 1 : FTrackPos - 1; }

    // Follow entries (of any camera's list) pointing here; detached when this dies.
    void AttachFollower(TqelFollowAntenna* aFollower);
    void DetachFollower(TqelFollowAntenna* aFollower);
    TqelFollowData* FollowDataOrNil(int32_t aSlot) const;

    std::array<int32_t, StatisticsCount> FDataStatistics{};
    RqelBatteryData FBattery;
    IqelMeasurementControl* FMeasurementControl;
    TqelAntennaList* FAntennaList;
    uint32_t FTrackPos = 0;
    // Slots written since the last Clear, up to MaxTrack: 0 is a time of day like any other
    // (midnight), so an empty slot is not told by its time stamp.
    uint32_t FFilledSlots = 0;
    std::array<RqelPositionRec, MaxTrack> FData;
    RqelPositionRec FLastResult;
    bool FLastValide = false;
    int32_t FInvalideCount = 0;
    int32_t FLastTimeStamp = 0;
    bool FInPauseMode = false;
    TqelArrayOfWord FAntennas;
    int32_t FEnabled;
    int16_t FDataReceived = 0;
    bool FCanAutoFollow = true;
    std::vector<std::unique_ptr<TqelFollowData>> FFollowData;
    std::vector<TqelFollowAntenna*> FFollowers;
    QString FVestID;
    QString FAthleteName;
    int32_t FTPRole = 0;
    QString FShortcutChar;
    int32_t FTPid;
    int32_t FRuns = 0;
    int32_t FGridRecordIdx = -1;
    int32_t FLastHeartbeat = 0;
    int32_t FLastNumBS = 0;
    int32_t FLastOnFieldTime = 0;
    bool FVisible = true;
    int32_t FMeasurementSystemIndex = 0;
    TDateTime FMeasurementSystemLastValidAt = 0;
    double FLastGravity = 0;
    QString FMacAddress;
    TqelPositionValidity FPositionValidity = zxyPositionValid;
    int32_t FSatellitesUsed = 0;
    uint8_t FSolutionType = 0;
    TqelTagState FTagState = zxyTagStateSleep;
    int32_t FRAWTimestamp = 0;
    int32_t FTimeSinceBeaconPacket = 0;
    TqelTagHeartBeltStatus FHeartbeltState = zxyheartbeltStatusDisconnected;
    QString FTagVersio;
};
