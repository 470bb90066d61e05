#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "analysis/framework/calculation.h"
#include "analysis/intensity/mip_distance_info.h"
#include "database/datasets/live_position.h"
#include "database/datasets/transponder_rows.h"
#include "foundation/logging/logger.h"
#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/transponder/slot_from_calculation.h"
#include "model/transponder/transponder_data.h"
#include "platform/numbers.h"

namespace {

constexpr int32_t kSlotMS = 100;
constexpr int32_t kMIPSecondMS = 1000;
// The step of a live calculation, and what a step of 0 or less counts as.
constexpr int32_t kLiveTimeFrameMS = 10;
constexpr int32_t kKeeperRole = 2;

// The totals of aFrom carried into aTo, without position, speed, acceleration or heart rate.
void CarryTotals(const RqelSampleIdx10Hz& aFrom, RqelSampleIdx10Hz& aTo) {
    aTo.setXinMM(0);
    aTo.setYinMM(0);
    aTo.setZinMM(0);
    aTo.setCumDistanceInMM(aFrom.CumDistanceInMM());
    aTo.setCumHIDInMM(aFrom.CumHIDInMM());
    aTo.setCumEnergyConsumption(aFrom.CumEnergyConsumption());
    aTo.setCumSpeedIndex(aFrom.CumSpeedIndex());
    aTo.setCumAccelIndex(aFrom.CumAccelIndex());
    aTo.setCumDecelIndex(aFrom.CumDecelIndex());
    aTo.setCumHeartIndex(aFrom.CumHeartIndex());
    aTo.setCumHIHBTimeMS(aFrom.CumHIHBTimeMS());
    aTo.setCumHMLDinMM(aFrom.CumHMLDinMM());
    aTo.setFFatigueTemporary(aFrom.FFatigueTemporary());
    aTo.setFFatigueChroncal(aFrom.FFatigueChroncal());
    aTo.setFSpeedMMS(0);
    aTo.setFAcceleration(0);
    aTo.setFHeartbeat(0);
}

}  // namespace

int32_t TqelTransponderData::GrowLiveIndexes(int32_t aDurationInMS) {
    std::lock_guard lock(FCriticalIndexSection);
    // A full block table keeps what exists: the loops below stay within it.
    try {
        Grow10HzIndex(aDurationInMS / kSlotMS + 1);
        while (FMIPDist1Hz.Capacity() < aDurationInMS / kMIPSecondMS + 1) {
            FMIPDist1Hz.Grow();
        }
    } catch (const qel::ESampleRefused&) {
    }
    return FSampleIdx10Hz.Capacity();
}

void TqelTransponderData::updateLiveIndex() {
    if (!FDataSet || SampleCount() == 0) {
        return;
    }
    // The main thread raises the duration meanwhile: one value for the whole step.
    const int32_t duration = FDataSet->DurationInMS();
    const int32_t length = GrowLiveIndexes(duration);
    if (length == 0) {
        return;
    }
    const int32_t lastSlot = length - 1;
    const int32_t delay = FDataSet->LiveIndexCalcDelay() + FDataSet->SpeedFrameInterval();
    int32_t target = std::min((getLastSampleTime() - delay) / kSlotMS, lastSlot);
    const int32_t durationSlot = (duration - delay) / kSlotMS;
    target = std::min(target, durationSlot);
    if (target < 1) {
        return;
    }
    if (FCalculation) {
        StepLiveCalculation(*FCalculation, target);
    }
    FillProvisionalSlots(target, std::min(duration / kSlotMS, lastSlot));
}

void TqelTransponderData::StepLiveCalculation(TqelCalculation& aCalculation, int32_t aLastSlot) {
    int32_t frame = aCalculation.TimeFrame();
    if (frame <= 0) {
        if (!FBadTimeFrameLogged.exchange(true)) {
            Logger().error(QStringLiteral("Live update of TPid %1: calculation time frame "
                                          "%2 ms counts as %3 ms")
                               .arg(TPid())
                               .arg(frame)
                               .arg(kLiveTimeFrameMS));
        }
        frame = kLiveTimeFrameMS;
    }
    const int32_t lastTime = aLastSlot * kSlotMS;
    for (int32_t time = FLiveUpdateTimestampCalculator.load(); time <= lastTime;
         time = FLiveUpdateTimestampCalculator.load()) {
        aCalculation.ProcessTimeFrame(time, true);
        if (time % kSlotMS == 0 && time >= 0) {
            const int32_t slot = time / kSlotMS;
            RqelSampleIdx10Hz values = qel::SlotFromCalculation(aCalculation);
            {
                std::lock_guard lock(FCriticalIndexSection);
                const RqelSampleIdx10Hz stored = SlotValue(slot);
                values.SetStatus(stored.FStatus());
                values.setLastSampleIndex(stored.LastSampleIndex());
                InitializeSlotsUpTo(slot);
                FSampleIdx10Hz[slot] = values;
            }
            FLiveUpdateTimestamp = time;
        }
        if (time % kMIPSecondMS == 0 && time >= 0) {
            StoreMIPSecond(aCalculation, time / kMIPSecondMS);
        }
        FLiveUpdateTimestampCalculator = time + frame;
    }
}

void TqelTransponderData::StoreMIPSecond(TqelCalculation& aCalculation, int32_t aSecond) {
    TqelMIPDistanceInfo* mip = aCalculation.MIPDistInfo();
    if (!mip) {
        return;
    }
    TqelMIPDistValue entry;
    {
        // Reading a window restarts its maximum: a change of the analysis's state.
        std::lock_guard lock(aCalculation.ResultLock());
        for (int32_t i = 0; i < TqelMIPDistValue::Count; ++i) {
            entry.setValue(i, qel::RoundSaturated<int32_t>(mip->GetValue(i) * 1000));
        }
    }
    std::lock_guard lock(FCriticalIndexSection);
    if (aSecond < FMIPDist1Hz.Capacity()) {
        FMIPDist1Hz[aSecond] = entry;
    }
}

void TqelTransponderData::FillProvisionalSlots(int32_t aTargetSlot, int32_t aLastSlot) {
    std::lock_guard lock(FCriticalIndexSection);
    int32_t start = aTargetSlot;
    const int32_t preliminary = FPreliminaryIndex.load();
    if (aTargetSlot < preliminary && preliminary <= aLastSlot &&
        SlotValue(aTargetSlot).CumDistanceInMM() == SlotValue(preliminary).CumDistanceInMM()) {
        start = preliminary;
    }
    if (start >= aLastSlot) {
        return;
    }
    InitializeSlotsUpTo(aLastSlot);
    for (int32_t i = start + 1; i <= aLastSlot; ++i) {
        CarryTotals(FSampleIdx10Hz[i - 1], FSampleIdx10Hz[i]);
        FPreliminaryIndex = i;
    }
}

TqelMIPDistValue TqelTransponderData::MIPDist1Hz(int32_t aSecond) const {
    std::lock_guard lock(FCriticalIndexSection);
    return FMIPDist1Hz[aSecond];
}

TqeldbPosition TqelTransponderData::CalcLiveData(int32_t aBeginTimeMS, int32_t aEndTimeMS,
                                                 int32_t aTimeFrameInMS, bool aCreate,
                                                 bool aUseIndexes, bool aTeamInfo) {
    const int32_t dtsID = FDataSet ? static_cast<int32_t>(FDataSet->DBDtsID()) : 0;
    if (aCreate) {
        TqeldbPosition record(dtsID, TPid());
        FillLiveSummary(record, aBeginTimeMS, aEndTimeMS, aTimeFrameInMS, aUseIndexes, aTeamInfo);
        return record;
    }
    std::lock_guard lock(FDBPositionLock);
    if (!FDBPosition) {
        FDBPosition = std::make_unique<TqeldbPosition>(dtsID, TPid());
    }
    FillLiveSummary(*FDBPosition, aBeginTimeMS, aEndTimeMS, aTimeFrameInMS, aUseIndexes, aTeamInfo);
    return *FDBPosition;
}

void TqelTransponderData::FillLiveSummary(TqeldbPosition& aRecord, int32_t aBeginTimeMS,
                                          int32_t aEndTimeMS, int32_t aTimeFrameInMS,
                                          bool aUseIndexes, bool aTeamInfo) {
    using qel::RoundTo2Decimals;
    aRecord.setTpID(TPid());
    aRecord.setTransponderRole(static_cast<int32_t>(Role()));
    aRecord.setTimestampMS(aEndTimeMS);
    aRecord.setPlrID(PlayerID());
    aRecord.setVestID(VestID());
    aRecord.setAntennaID(Antenna1ID());
    aRecord.setAthleteName(AthleteName());
    aRecord.setAthleteColor(static_cast<int32_t>(AthleteColor()));
    aRecord.setMaxSpeed(AthleteMaxSpeed());
    aRecord.setMaxAccel(AthleteMaxAcceleration());
    aRecord.setMaxDecel(AthleteMaxDeceleration());
    // The stored maximum: AthleteMaxHeartbeat answers 220 when unset.
    aRecord.setMaxHB(FAthleteMaxHeartbeat.load());
    aRecord.setShirtNumber(ShirtNumber());

    RqelCalculatedPosition pos;
    double speed = 0;
    double accel = 0;
    if (aUseIndexes) {
        pos = IndexPosition(aEndTimeMS);
        speed = indexSpeed(aEndTimeMS);
        accel = indexAcceleration(aEndTimeMS);
    } else {
        pos = calcPosition(aEndTimeMS);
        speed = calcSpeed(aEndTimeMS, 0);
        accel = calcAcceleration(aEndTimeMS);
    }
    aRecord.setSpeed(RoundTo2Decimals(speed));
    aRecord.setAcceleration(RoundTo2Decimals(accel));
    aRecord.setx_pos(pos.XinM);
    aRecord.sety_pos(pos.YinM);
    aRecord.setz_pos(pos.ZinM);
    aRecord.setHeartbeat(RoundTo2Decimals(indexHeartbeat(aEndTimeMS)));
    aRecord.setDistDeltaInM(aTimeFrameInMS * aRecord.Speed() / 1000);

    // Of the span values only the distance exists yet; the others and the fatigue stay 0 and
    // the per-category arrays empty until their readers come.
    aRecord.setDistanceInM(RoundTo2Decimals(calcDistance(aBeginTimeMS, aEndTimeMS)));
    aRecord.setHIDinM(0);
    aRecord.setAccelerations(0);
    aRecord.setDecelerations(0);
    aRecord.setActions(0);
    aRecord.AccelArray().clear();
    aRecord.DecelArray().clear();
    aRecord.ActionArray().clear();
    aRecord.setSpeedIndex(0);
    aRecord.setAccelIndex(0);
    aRecord.setDecelIndex(0);
    aRecord.setHRIndex(0);
    aRecord.setHeartbeatHITimeMS(0);
    aRecord.setNumberIcehockeyShifts(0);
    aRecord.setAvgTOIShiftInMS(0);
    aRecord.setFatigueIndex(0);
    aRecord.setFitnessIndex(0);
    aRecord.setExertionIndex(100);

    aRecord.setTeamID(-2);
    aRecord.setPlayerRole(PlayerRole());
    if (!aTeamInfo) {
        return;
    }
    if (Role() == roleBall) {
        aRecord.setTeamID(-1);
        return;
    }
    if (Role() == roleReferee) {
        aRecord.setTeamID(2);
        return;
    }
    if (!FDataSet) {
        return;
    }
    try {
        std::lock_guard lock(FDataSet->ModelLock());
        const TqelGame* game = FDataSet->GameByTime(aEndTimeMS);
        const TqelGroup* team = game ? game->GetTeamByMember(TPid()) : nullptr;
        const TqelGroupMember* member = team ? team->GetMemberByTransponderID(TPid()) : nullptr;
        if (member) {
            const bool firstTeam = team == game->GetTeam(0);
            const bool keeper = member->Role() == kKeeperRole;
            aRecord.setPlayerRole(member->Role());
            aRecord.setTeamID(firstTeam ? (keeper ? 3 : 0) : (keeper ? 4 : 1));
        }
    } catch (const std::exception&) {
        // A list changing under the lookup leaves the team unknown.
        aRecord.setTeamID(-2);
    }
}

void TqelTransponderData::SendLiveSummary() {
    if (!FDataSet || PlayerID() == 0) {
        return;
    }
    const int32_t duration = FDataSet->DurationInMS();
    const int32_t frame = FDataSet->SpeedFrameInterval();
    if (duration < 2 * (frame + 999) || duration - 1999 + frame <= FLiveSendSummaryDataTS.load()) {
        return;
    }
    const int32_t summaryTime = duration - 999 - frame;
    FLiveSendSummaryDataTS = summaryTime;
    if (summaryTime <= 0) {
        return;
    }
    const int32_t heartRate = qel::RoundSaturated<int32_t>(getHeartbeatValue(summaryTime, false));
    // The distance at the summary's own time: the slot there carries the newest total forward.
    const int32_t slot = Get10HzIndex(summaryTime);
    const double distanceInM = slot < 0 ? 0.0 : Get10HzSlot(slot).CumDistanceInMM() / 1000.0;
    FDataSet->SendTransponderSummary(TPid(), heartRate, distanceInM);
}

void TqelTransponderData::InitLiveDBPosition() {
    if (FDataSet && FDataSet->StoreLivePositions()) {
        const bool connected = FDataSet->Database() && FDataSet->DBTransponders();
        {
            // Only the swap: a feed thread holds this lock while it takes the model's lock.
            std::lock_guard lock(FDBPositionLock);
            FDBPosition = connected ? std::make_unique<TqeldbPosition>(
                                          static_cast<int32_t>(FDataSet->DBDtsID()), TPid())
                                    : nullptr;
        }
        if (connected) {
            const QString name = AthleteName();
            const QString vest = VestID();
            std::lock_guard rowLock(FPropertyLock);
            TqeldbTransponder& row = *FDBTransponder;
            row.setDtsID(static_cast<int32_t>(FDataSet->DBDtsID()));
            row.setTpID(TPid());
            row.setAthleteName(name);
            row.setVestID(vest);
            row.setMaxHB(FAthleteMaxHeartbeat.load());
            row.setMaxSpeed(AthleteMaxSpeed());
            row.setMaxAccel(AthleteMaxAcceleration());
            row.setMaxDecel(AthleteMaxDeceleration());
            row.setColor(static_cast<int32_t>(AthleteColor()));
            FDataSet->DBTransponders()->Save(&row);
        }
    }
    if (FCalculation) {
        FCalculation->setTimeFrame(kLiveTimeFrameMS);
    }
}
