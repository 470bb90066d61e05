#pragma once

#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "database/datasets/player_to_transponder.h"
#include "foundation/model_interfaces.h"
#include "foundation/protocol/client_protocol_types.h"
#include "foundation/settings/client_config.h"
#include "foundation/settings/client_config_lists.h"
#include "model/dataset/notify_varuza.h"
#include "model/transponder/accelerometer_filter.h"
#include "model/transponder/block_array.h"
#include "model/transponder/field_records.h"
#include "model/transponder/raw_sample.h"
#include "model/transponder/sample_index.h"
#include "model/transponder/telemetry_samples.h"
#include "platform/format_settings.h"

class TqelCalculation;
class TqelDataset;
class TqelGroup;
class TqelLap;
class TqelSector;
class TqeldbPosition;
class TqeldbTransponder;
// Motion values
struct RqelFieldSectorDef;
// End of motion values

namespace qel {
// The transponder is in use by a recording: its block is neither read nor fully written.
QEL_DECLARE_EXCEPTION(ETransponderBusy, Exception);
}  // namespace qel

// Position algorithms
namespace qel {
// Sample marks cannot change now: the dataset records, and the cadence thread reads them.
QEL_DECLARE_EXCEPTION(EPositionStatusRefused, Exception);
// An index rebuild cannot run now: the dataset records, and the live update writes the same
// index and analysis run.
QEL_DECLARE_EXCEPTION(EIndexRebuildRefused, Exception);
}  // namespace qel
// End of position algorithms

// One tracked object of a recording (athlete, ball, referee, ...): its samples, the time indexes
// over them, its position cache, the athlete's properties and its laps and sectors.
//
// Threads. The main thread appends samples (AddSample) and sets properties; the cadence thread
// grows and fills the 10 Hz index (live update) and adds laps; the web interface and feeds read.
// - Sample arrays and indexes live in never-moving blocks (qel::BlockArray); their counts are
//   atomic, raised with release after the element is written, so a reader that loads a count
//   with acquire may read every element below it. Only the main thread appends.
// - The 10 Hz slots change after they exist (the intake's link, the live update): their values
//   are copied in and out under FCriticalIndexSection, which also guards the growth of the 10 Hz
//   and 1 Hz MIP indexes. It is recursive: the live update holds it while calling index readers.
// - The position cache and the one-shot position override are guarded by FCriticalCacheSection.
// - Numeric properties are atomic; strings and the database row's columns are guarded by
//   FPropertyLock; the lap, sector and group lists by FListLock.
// By-reference accessors (GetSample, Sample10Hz, HeartbeatSample, ...) are for code that has the
// transponder to itself: file reading, rebuilds.
class TqelTransponderData : public TNotifyVaruza,
                            public IqelTransponderData,
                            public IqeldbAthleteTransponder,
                            public qel::ITransponderBlock {
public:
    // Growth steps of the arrays, and their block tables: large enough for the longest time a
    // raw sample holds, with room for bursts; a source beyond that is refused.
    static constexpr int32_t SampleStep = 500000;
    static constexpr int32_t Idx10HzStep = 36000;
    static constexpr int32_t MIPStep = 3600;
    static constexpr int32_t HeartbeatStep = 2500;
    static constexpr int32_t HeartbeatIdxStep = 3600;
    static constexpr int32_t AccelerometerStep = 250000;
    static constexpr int32_t AccelerometerIdxStep = 25000;
    static constexpr int32_t BatteryStep = 240;
    // The last time a raw sample holds without wrapping.
    static constexpr int32_t MaxSampleTimeInMS = 26843545;
    static constexpr int32_t PositionCacheSize = 39000;

    using SampleArray = qel::BlockArray<RqelRawSample, SampleStep, 64>;
    using Idx10HzArray = qel::BlockArray<RqelSampleIdx10Hz, Idx10HzStep, 8>;
    using MIPArray = qel::BlockArray<TqelMIPDistValue, MIPStep, 8>;
    using HeartbeatArray = qel::BlockArray<RqelHeartbeatSample, HeartbeatStep, 1024>;
    using HeartbeatIdxArray = qel::BlockArray<int32_t, HeartbeatIdxStep, 8>;
    using AccelerometerArray = qel::BlockArray<RqelAccelerometerSample, AccelerometerStep, 64>;
    using AccelerometerFilteredArray =
        qel::BlockArray<RqelAccelerometerFiltered, AccelerometerStep, 64>;
    using AccelerometerIdxArray = qel::BlockArray<int32_t, AccelerometerIdxStep, 11>;
    using BatteryArray = qel::BlockArray<RqelBatterySample, BatteryStep, 1024>;

    // Position algorithms
    // A position algorithm: fills aPos and tells whether a position was found.
    using TqelCalcPositonFunction = bool (TqelTransponderData::*)(int32_t aTimeStampInMS,
                                                                  RqelCalculatedPosition& aPos);
    // End of position algorithms

    // aDataSet may be absent (a transponder received from a peer): then nothing notifies and no
    // dataset setting is taken.
    TqelTransponderData(TqelDataset* aDataSet, bool aReadingFromStream);
    ~TqelTransponderData() override;

    // Identity and links
    int32_t TPIndex() const { return FID.load(); }
    void SetTPIndex(int32_t anIndex) { FID = anIndex; }
    int32_t TPid() const { return FTPid.load(); }
    // Also into the database row and the analysis run; no notice.
    void setTPid(int32_t aValue);
    QString VestID() const;
    void setVestID(const QString& aValue);
    uint16_t Antenna1ID() const { return FAntenna1ID; }
    void setAntenna1ID(uint16_t aValue) { FAntenna1ID = aValue; }
    uint16_t Antenna2ID() const { return FAntenna2ID; }
    void setAntenna2ID(uint16_t aValue) { FAntenna2ID = aValue; }
    uint16_t Antenna3ID() const { return FAntenna3ID; }
    void setAntenna3ID(uint16_t aValue) { FAntenna3ID = aValue; }
    uint16_t Antenna4ID() const { return FAntenna4ID; }
    void setAntenna4ID(uint16_t aValue) { FAntenna4ID = aValue; }
    TqelDataset* Dataset() const { return FDataSet; }
    TqeldbTransponder& DBTransponder() { return *FDBTransponder; }
    TqeldbPosition* DBPos() const { return FDBPosition.get(); }
    void setDBPos(std::unique_ptr<TqeldbPosition> aValue);
    TqelCalculation* Calculation() const { return FCalculation.get(); }

    // Sample intake: stores one live sample at aTimeStampInMS (dataset time). A negative time
    // or an unknown antenna slot is ignored. A time beyond MaxSampleTimeInMS, or a sample whose
    // array is full, raises qel::ESampleRefused and is counted in RefusedSampleCount; telemetry
    // refused that way leaves the position sample stored.
    void AddSample(int32_t aTimeStampInMS, const RqelLPMSample& aSample);
    int64_t RefusedSampleCount() const { return FRefusedSampleCount.load(); }
    // Flags the heartbeat spikes and stores their replacements (heartbeat_editing.cpp). False
    // when the filter gave up: every flag is 0 then and the series stays unfiltered.
    bool RemoveHeartbeatSpikes();
    // Re-tags heart-rate telemetry as beats per minute, clears every flag, removes the spikes.
    bool ForceTelemetryToSwissTiming();
    // Fills filtered accelerometer record anAccelIndex from its sample, in arrival order.
    void FilterAccelerometerData(int32_t anAccelIndex);

    // Heartbeat import
    // Empties the heartbeat samples, sets every 1 Hz entry to -1 and makes room for aNewLength
    // samples. Only while no other thread reads the heartbeat (not during a recording).
    void ClearHeartbeat(int32_t aNewLength);
    // Appends one beat interval; a negative time is ignored (it has no 1 Hz entry). Raises
    // qel::ESampleRefused when the samples or the 1 Hz index are full.
    void AddHeartbeat(int32_t aTimeStampInMS, uint16_t aTimeBetweenBeats, uint8_t aHBType);
    // Appends a rate as its beat interval in ms, right after the previous beat when it follows
    // without a gap. Rates outside 30..250 bpm and beats that overlap the previous one are
    // ignored.
    void AddHeartbeatBPM(int32_t aTimeStampInMS, uint16_t aBPM, uint8_t aHBType);
    // Frees the room beyond the imported samples. Only while no other thread reads.
    void FinalizeHeartbeatImport();
    // Marks the heartbeat samples of [aStartTimeInMS, aEndTimeInMS) invalid or valid again; marks
    // the dataset changed and sends a filter notice. Not during a recording.
    void setHeartbeatValidity(int32_t aStartTimeInMS, int32_t aEndTimeInMS, bool aInvalid);
    // The same, with one more filter notice.
    void InvalidateHeartbeat(int32_t aStartTimeInMS, int32_t aEndTimeInMS);
    void RestoreHeartbeat(int32_t aStartTimeInMS, int32_t aEndTimeInMS);

    // Heart rate, accelerometer, impacts and battery (heart_values.cpp). The readers run on the
    // main and the cadence thread beside the intake: each walk stops at the counts loaded once
    // on entry, and nothing is allocated. Missing data gives 0. Heart rates in bpm (results
    // outside 40..230 give 0), accelerations in g, times in dataset ms.
    // The kernel-weighted harmonic mean of the heartbeat samples within +-HeartbeatInterval;
    // after the newest sample its value for HeartbeatInterval ms. calcHeartbeat answers the same.
    double getHeartbeatValue(int32_t aTimeStampInMS, bool aShowSpikes) const;
    // Heartbeat samples per second within +-HeartbeatInterval.
    double calcHeartbeatFreq(int32_t aTimeStampInMS) const;
    // The highest heart rate that stays within aMaxPeakDiffInBMP over aMinIntervalTimeInSec
    // seconds between the times, at the second of its peak. False when none was found; the time
    // is aStartTimeInMS then and the value is left.
    bool calcMaxHeartbeat(int32_t aStartTimeInMS, int32_t anEndTimeInMS,
                          int32_t aMinIntervalTimeInSec, int32_t aMaxPeakDiffInBMP,
                          int32_t& aMaxHBTimeInMS, int32_t& aMaxHeartBeat) const;
    // Refilters every accelerometer sample with aAlpha, from the first sample's reading; the
    // live filter state stays. Rewrites records that calcImpact reads on the cadence thread, so
    // only where no live update runs (after reading, rebuilding or splitting).
    void CalcFilteredAccelerometerData(double aAlpha);
    // Gallop number at aTimeStampInMS since aStartTimeInMS (0: not in a gallop), and the gallops
    // ending within the span: counted from the equestrian analysis, 0 without it
    // (calcNumberImpacts below counts the impact analysis's impacts).
    int32_t calcGallop(int32_t aStartTimeInMS, int32_t aTimeStampInMS) const;
    int32_t calcNumberGallops(int32_t aStartTimeInMS, int32_t anEndTimeInMS) const;
    // The battery sample at or before the time: its state 0..3, its voltage in V.
    int32_t calcBatteryStatus(int32_t aTimeStampInMS) const;
    double calcBatteryVoltage(int32_t aTimeStampInMS) const;
    // The mean quality value of the raw samples within +-250 ms (the raw sample keeps no
    // base-station count); 0 for fewer than two samples and at the very first sample.
    double calcBaseStationsUsed(int32_t aTimeStampInMS) const;
    // Count, mean X and Y (m) and largest planar step (m) of the raw samples in
    // (aStartInMS, anEndInMS]. Without a sample the count is 0 and the other outputs are left.
    void calcRawWindowStats(int32_t aStartInMS, int32_t anEndInMS, int32_t& aSampleCount,
                            RqelCalculatedPosition& anAveragePos, double& aLargestDist) const;

    // Counts
    int32_t SampleCount() const { return FSampleCount.load(std::memory_order_acquire); }
    int32_t SampleCapacity() const { return FSamples.Capacity(); }
    int32_t HeartbeatCount() const { return FHeartbeatCount.load(std::memory_order_acquire); }
    int32_t HeartbeatCapacity() const { return FHeartbeat.Capacity(); }
    bool HeartbeatFiltered() const { return FHeartbeatFiltered.load(); }
    int32_t AccelerometerCount() const {
        return FAccelerometerCount.load(std::memory_order_acquire);
    }
    int32_t BatteryCount() const { return FBatteryCount.load(std::memory_order_acquire); }
    int32_t BatteryCapacity() const { return FBatteryStatus.Capacity(); }
    // The 10 Hz index length.
    int32_t Sample10HzCount() const { return FSampleIdx10Hz.Capacity(); }
    int32_t MIPDist1HzCapacity() const { return FMIPDist1Hz.Capacity(); }
    int32_t HeartbeatIdx1HzCapacity() const { return FHeartbeatIdx1Hz.Capacity(); }
    int32_t AccelerometerIdx10HzCapacity() const { return FAccelerometerIdx10Hz.Capacity(); }
    int32_t LiveUpdateTimestamp() const { return FLiveUpdateTimestamp.load(); }
    void setLiveUpdateTimestamp(int32_t aValue) { FLiveUpdateTimestamp = aValue; }

    // Live index update and live summary (live_index.cpp).
    // One live step (cadence thread): grows the indexes to the dataset's duration, steps the
    // calculation up to the newest sample less the delay and the speed frame, copying its
    // totals into the 10 Hz slots, and carries the last totals forward to the duration.
    void updateLiveIndex();
    int32_t LiveUpdateTimestampCalculator() const { return FLiveUpdateTimestampCalculator.load(); }
    int32_t PreliminaryIndex() const { return FPreliminaryIndex.load(); }
    // The live summary over [aBeginTimeMS, aEndTimeMS]. With aCreate a new record; otherwise
    // the transponder's own one, filled under FDBPositionLock: each caller gets a copy.
    TqeldbPosition CalcLiveData(int32_t aBeginTimeMS, int32_t aEndTimeMS, int32_t aTimeFrameInMS,
                                bool aCreate, bool aUseIndexes, bool aTeamInfo);
    // Prepares the live position record and database row when the dataset adds the transponder
    // while storing live positions; the calculation steps every 10 ms from now on.
    void InitLiveDBPosition();
    // An entry of the 1 Hz most-intense-period table, copied under the index lock.
    TqelMIPDistValue MIPDist1Hz(int32_t aSecond) const;
    // Hands the heart rate and distance about a second behind the duration to the dataset's
    // summary callback, at most once per advance of the duration; nothing without a player id.
    void SendLiveSummary();

    // Index rebuild (index_rebuild.cpp): recomputes the indexes from the samples, for a
    // transponder that no live update steps. Runs on the main thread or on one pool task per
    // transponder; it reads the dataset's settings, field and agility definitions unlocked, so
    // they must not change meanwhile.
    // The telemetry indexes, the filtered accelerometer data, a new analysis run (given
    // aCanAccessDatabase) and the 10 Hz and 1 Hz MIP indexes; then the run is finalised and
    // the laps and sectors are detected again. Nothing happens without a dataset or for the
    // data source that brings its own index. Raises qel::EIndexRebuildRefused, changing
    // nothing, while the dataset records.
    void rebuildIndexes(bool aCanAccessDatabase);
    // One entry per 100 ms of the dataset's duration: the accelerometer sample the slot starts
    // from, -1 before the first and after the last sample.
    void rebuildAccelerometerIndexes();
    // The same over the heartbeat samples, one entry per second.
    void rebuildHeartbeatIndexes();
    // The fatigue words of every 10 Hz slot.
    void rebuildFatigueIndex();

    // Single elements by reference, for code that has the transponder to itself. No index check.
    RqelRawSample& GetSample(int32_t aIndex) { return FSamples[aIndex]; }
    RqelHeartbeatSample& HeartbeatSample(int32_t anIndex) { return FHeartbeat[anIndex]; }
    RqelSampleIdx10Hz& Sample10Hz(int32_t anIndex);
    RqelAccelerometerSample& AccelerometerSample(int32_t anIndex) {
        return FAccelerometer[anIndex];
    }
    RqelAccelerometerFiltered& AccelerometerFiltered(int32_t anIndex) {
        return FAccelerometerFiltered[anIndex];
    }
    RqelBatterySample& BatterySample(int32_t anIndex) { return FBatteryStatus[anIndex]; }
    // Index entries: a sample index, or -1 for none. Readable from any thread.
    int32_t HeartbeatIdx1Hz(int32_t aSecond) const;
    int32_t AccelerometerIdx10Hz(int32_t aSlot) const;

    // A 10 Hz slot copied in or out under the index lock; safe beside the live update.
    RqelSampleIdx10Hz Get10HzSlot(int32_t anIndex) const;
    void Set10HzSlot(int32_t anIndex, const RqelSampleIdx10Hz& aSlot);
    // Grows the 10 Hz index until it has aLength slots, new slots valid and empty (the live
    // update extends it so). Their pages are written only when a slot is: until then a slot
    // reads as the empty one.
    void Grow10HzIndex(int32_t aLength);
    std::recursive_mutex& IndexLock() const { return FCriticalIndexSection; }

    // Lookups over the raw samples (binary search; with equal times the last of them).
    int32_t getSampleIndex(int32_t aTimeStampInMS) const;
    int32_t getLastSampleIndexBefore(int32_t aTimeStampInMS, int32_t aRangeInMS) const;
    int32_t getFirstSampleIndexAfter(int32_t aTimeStampInMS, int32_t aRangeInMS) const;
    int32_t countSamples(int32_t aStartTimestampInMS, int32_t anEndTimestampInMS) const;
    // -1 without samples; the index is clamped to the samples.
    int32_t getSampleTime(int32_t anIndex) const;
    int32_t GetSampleTimeInMS(int32_t anIndex) const { return getSampleTime(anIndex); }
    int32_t getLastSampleTime() const;

    // Raw sample readers; no index check.
    double getRawSampleX(int32_t anIndex) const { return FSamples[anIndex].XinMM() / 1000.0; }
    double getRawSampleY(int32_t anIndex) const { return FSamples[anIndex].YinMM() / 1000.0; }
    int32_t getRawSampleXinMM(int32_t anIndex) const { return FSamples[anIndex].XinMM(); }
    int32_t getRawSampleYinMM(int32_t anIndex) const { return FSamples[anIndex].YinMM(); }
    int32_t getRawSampleAntenna(int32_t anIndex) const { return FSamples[anIndex].GetAntenna(); }
    int32_t GetSampleAntenna(int32_t anIndex) const { return FSamples[anIndex].GetAntenna(); }
    int32_t GetSampleQuality(int32_t anIndex) const { return FSamples[anIndex].GetQuality(); }
    int32_t GetSampleXinMM(int32_t anIndex) const { return FSamples[anIndex].XinMM(); }
    int32_t GetSampleYinMM(int32_t anIndex) const { return FSamples[anIndex].YinMM(); }
    int32_t GetSampleZinMM(int32_t anIndex) const { return FSamples[anIndex].ZinMM(); }
    double GetSampleXinM(int32_t anIndex) const { return GetSampleXinMM(anIndex) / 1000.0; }
    double GetSampleYinM(int32_t anIndex) const { return GetSampleYinMM(anIndex) / 1000.0; }
    double GetSampleZinM(int32_t anIndex) const { return GetSampleZinMM(anIndex) / 1000.0; }
    double GetSampleDistanceInM(int32_t anIndex) const {
        return FSamples[anIndex].DistanceInMM() / 1000.0;
    }
    double GetSampleSpeed(int32_t anIndex) const { return FSamples[anIndex].SpeedInMS(); }
    // The rate of heartbeat sample anIndex, spikes and invalid mark disregarded.
    double GetRawHeartbeat(int32_t anIndex) const;

    // 10 Hz slot of a time: the slot, the last available one up to a second beyond the index,
    // else -1 (also for a negative time).
    int32_t Get10HzIndex(int32_t aTimeStampInMS) const;
    int32_t Get10HzRoundUpIndex(int32_t aTimeStampInMS) const;

    // Readers of the 10 Hz index; 0 (or a cleared position) when the time has no slot.
    RqelCalculatedPosition IndexPosition(int32_t aTimeStampInMS);
    double indexSpeed(int32_t aTimeStampInMS) const;
    double indexAcceleration(int32_t aTimeStampInMS) const;
    double indexHeartbeat(int32_t aTimeStampInMS) const;
    double indexDistance(int32_t aStartTimestampInMS, int32_t aEndTimestampInMS) const;
    double IndexHIDinM(int32_t aStartTimeInMS, int32_t aEndTimeInMS) const;

    // Position cache: one entry per time modulo PositionCacheSize, allocated on first use.
    bool CachedPosition(int32_t aTimeStampInMS, RqelCalculatedPosition& aPosition) const;
    void CachePosition(int32_t aTimeStampInMS, const RqelCalculatedPosition& aPosition);
    void invalidatePositionCache();
    bool PositionCacheAllocated() const;
    // The one-shot override that IndexPosition and calcPosition answer for its time.
    void SetTempPosition(int32_t aTimeStampInMS, double aXinM, double aYinM);

    // Position algorithms
    // The averaging window of linear interpolation, in 10 ms; 1 or less: none. No notice.
    int32_t PositionSensitivity() const { return FPositionSensitivity.load(); }
    void setPositionSensitivity(int32_t aValue) { FPositionSensitivity = aValue; }
    // The selected algorithm; PositionFunctionUnassigned until one is selected.
    TqelPositionAlgorithm PositionAlgorithm() const;
    static constexpr uint8_t PositionFunctionUnassigned = 0xFF;
    // Selects the algorithm (an unknown value: closest known). The cache stays.
    void SetPositionFunction(TqelPositionAlgorithm anAlgorithm);
    // The algorithms (position_algorithms.cpp). They neither clamp the time nor use the cache;
    // without a sample near the time they leave the no-position result and answer false.
    bool calcPositionByLastKnown(int32_t aTimeStampInMS, RqelCalculatedPosition& aPos);
    bool calcPositionByClosestKnown(int32_t aTimeStampInMS, RqelCalculatedPosition& aPos);
    bool calcPositionByLinearInterpolation(int32_t aTimeStampInMS, RqelCalculatedPosition& aPos);
    bool calcPositionByWeightedAverage(int32_t aTimeStampInMS, RqelCalculatedPosition& aPos);
    bool calcPositionByWeightedSportVU(int32_t aTimeStampInMS, RqelCalculatedPosition& aPos);
    // The plain mean of the antenna slots' means over [start, stop).
    RqelCalculatedPosition CalcLongAvgPos(int32_t aTimeStampStartInMS, int32_t aTimeStampStopInMS);

    // Samples
    void clearMarks();
    // Asks the dataset for a rebuild and marks the raw samples of the range invalidated.
    void InvalidatePositions(int32_t aStartTimeInMS, int32_t aEndTimeInMS);
    // Marks (or, with ldsOK, restores) the raw samples in (start, end] and their 10 Hz slots,
    // clears the position cache and notifies. Raises qel::EPositionStatusRefused while the
    // dataset records: the cadence thread reads the sample words without a lock then.
    void setPositionStatus(int32_t aStartTimeInMS, int32_t aEndTimeInMS, TqelDataStatus aStatus);
    // End of position algorithms

    // Athlete properties. Setters that notify tell the dataset only when the value changes (a
    // NaN always does).
    TqelTransponderRole Role() const { return FRole.load(); }
    void setRole(TqelTransponderRole aValue);
    int32_t PlayerID();
    void setPlayerID(int32_t aValue) { FPlayerID = aValue; }
    QString PlayerRegistrationID() const;
    int32_t PlayerRole() const override { return FPlayerRole.load(); }
    void setPlayerRole(int32_t aValue) override { StoreNotifying(FPlayerRole, aValue); }
    int32_t FormationPlace() const { return FFormationPlace.load(); }
    void setFormationPlace(int32_t aValue) { FFormationPlace = aValue; }
    QString AthleteName() const;
    void setAthleteName(const QString& aValue) override { StoreNotifying(FAthleteName, aValue); }
    QString AthleteCategory() const;
    void setAthleteCategory(const QString& aValue) override {
        StoreNotifying(FAthleteCategory, aValue);
    }
    QString Remark() const;
    void setRemark(const QString& aValue) { StoreNotifying(FRemark, aValue); }
    QString ShortCutChar() const;
    void setShortCutChar(const QString& aValue);
    QString ExternalID() const;
    void setExternalID(const QString& aValue);
    QString SystemID() const;
    void setSystemID(const QString& aValue) override;
    uint32_t AthleteColor() const { return FAthleteColor.load(); }
    void setAthleteColor(uint32_t aValue) override { StoreNotifying(FAthleteColor, aValue); }
    int32_t ShirtNumber() const { return FShirtNumber.load(); }
    void setShirtNumber(int32_t aValue) override { StoreNotifying(FShirtNumber, aValue); }
    bool VisibleIn3D() const { return FVisibleIn3D.load(); }
    void setVisibleIn3D(bool aValue) { StoreNotifying(FVisibleIn3D, aValue); }
    // 220 when not set.
    int32_t AthleteMaxHeartbeat() const;
    void setAthleteMaxHeartbeat(int32_t aValue) override {
        StoreNotifying(FAthleteMaxHeartbeat, aValue);
    }
    double AthleteMaxSpeed() const { return FAthleteMaxSpeed.load(); }
    void setAthleteMaxSpeed(double aValue) override { StoreNotifying(FAthleteMaxSpeed, aValue); }
    double AthleteMaxAcceleration() const { return FAthleteMaxAcceleration.load(); }
    void setAthleteMaxAcceleration(double aValue) override {
        StoreNotifying(FAthleteMaxAcceleration, aValue);
    }
    double AthleteMaxDeceleration() const { return FAthleteMaxDeceleration.load(); }
    void setAthleteMaxDeceleration(double aValue) {
        StoreNotifying(FAthleteMaxDeceleration, aValue);
    }
    double AthleteWeight() const { return FAthleteWeight.load(); }
    void setAthleteWeight(double aValue) override { StoreNotifying(FAthleteWeight, aValue); }
    double AthleteHeight() const { return FAthleteHeight.load(); }
    void setAthleteHeight(double aValue) override { StoreNotifying(FAthleteHeight, aValue); }
    double AthleteRecon() const { return FAthleteRecon.load(); }
    void setAthleteRecon(double aValue) override { StoreNotifying(FAthleteRecon, aValue); }
    double AthleteFTP() const { return FAthleteFTP.load(); }
    void setAthleteFTP(double aValue) { StoreNotifying(FAthleteFTP, aValue); }
    int32_t AthleteFTPtime() const { return FAthleteFTPtime.load(); }
    void setAthleteFTPtime(int32_t aValue) { StoreNotifying(FAthleteFTPtime, aValue); }
    double AthleteMaxPowerWkg() const { return FAthleteMaxPowerWkg.load(); }
    void setAthleteMaxPowerWkg(double aValue) { StoreNotifying(FAthleteMaxPowerWkg, aValue); }
    int32_t AthletePreferredArm() const { return FAthletePreferredArm.load(); }
    void setAthletePreferredArm(int32_t aValue) override {
        StoreNotifying(FAthletePreferredArm, aValue);
    }
    bool BadData() const { return FBadData.load(); }
    void setBadData(bool aValue) { FBadData = aValue; }
    bool BadHB() const { return FBadHB.load(); }
    void setBadHB(bool aValue) { FBadHB = aValue; }
    // Takes the athlete properties of a transponder another server sent, without notices, and
    // passes name, system id, maximum heartbeat and colour to the database row. Identity,
    // antennas, shortcut and samples stay.
    void AssignFromOther(const TqelTransponderData& aTP);

    // Teams (current_team.cpp). They take the dataset's model lock: hold no transponder lock
    // when calling them.
    // Team of the transponder at a time: -1 ball, 2 referee, else by the team holding it in the
    // game running then: 0 in the first team, 1 in another, 3 and 4 for their keepers (role 2);
    // -2 without one.
    int32_t GetTeamID(int32_t aTimeStampInMS) const;
    // The team holding this transponder in the first game covering the time; null when none.
    // Another thread holds the dataset's ModelLock() while it uses the team.
    TqelGroup* getCurrentTeam(int32_t aTimeStampInMS) const;
    // Memberships without a role take aRole.
    void GiveRoleToMemberships(int32_t aRole) override;

    // Groups (not owned), laps and sectors (owned). The getters raise
    // EArgumentOutOfRangeException for an index outside the list.
    void AddedToGroup(TqelGroup* aGroup);
    void RemovedFromGroup(TqelGroup* aGroup);
    int32_t GroupCount() const;
    TqelGroup* getGroup(int32_t anIndex) const;
    int32_t LapCount() const;
    TqelLap* getLap(int32_t anIndex) const;
    int32_t SectorCount() const;
    TqelSector* getSector(int32_t anIndex) const;
    // Closes the open lap (announcing it now) and opens a new one at aTimeInMS.
    TqelLap* AddLap(int32_t aTimeInMS);
    TqelSector* AddSector(int32_t aTimeInMS, int32_t aSectorIndex, int32_t aLapIndex);
    void clearLapsAndSectors();
    // Guards the lap, sector and group lists and each lap's sector list. Held only to append,
    // find or clear, never while calling out, so it is always the last lock a thread takes.
    std::recursive_mutex& ListLock() const { return FListLock; }
    // Empties the laps and sectors and runs the detection again from the start.
    void ResetLapsAndSectors();

    // Laps and sectors (lap_detection.cpp)
    // The lap at anIndex, null outside the list.
    TqelLap* FindLap(int32_t anIndex) const;
    // Appends aSector to the sector list of its lap when that lap exists.
    void JoinLap(TqelSector* aSector);
    // An empty lap or sector appended for a block reader, which then reads its fields.
    TqelLap* AppendStoredLap();
    TqelSector* AppendStoredSector();
    // Lap and sector detection in 100 ms steps from where it stopped up to a second before the
    // dataset's end (cadence thread while recording, main thread otherwise).
    void updateLapsAndSectors();
    // Metres along the track from the finish line; 0 without a track.
    double calcTrackPositionInM(int32_t aTimeStampInMS);
    // m/s along the track over the dataset's speed frame, at most 20; 0 without a track.
    double calcTrackSpeed(int32_t aTimeStampInMS);
    // The first lap that holds the time (an open lap holds every later time); null without a
    // track or lap.
    TqelLap* getCurrentLap(int32_t aTimeStampInMS) const;

private:
    // Serialises a detection pass (with its state FLapsSectorsLastTimeStamp, FLapsSectorsLastPos
    // and FPrevTrackPosInMM), AddLap, AddSector and the clears, so that the main thread never
    // frees a lap or sector that the cadence thread's pass holds. Taken before the list lock.
    mutable std::recursive_mutex FDetectionLock;
    // One step of the detection on a track, and on field sectors.
    void DetectOnTrack(int32_t aTimeStampInMS, const RqelCalculatedPosition& aPos,
                       int32_t& aSector);
    void DetectInFieldSectors(int32_t aTimeStampInMS, const RqelCalculatedPosition& aPos,
                              int32_t& aSector);

public:
    // End of laps and sectors

    // IqelTransponderData
    TqelTransponderData* GetTransponderVaruza() override { return this; }
    int32_t GetTPid() override { return TPid(); }
    RqelCalculatedPosition calcPosition(int32_t aTimeStampInMS) override;
    uint32_t GetAthleteColor() override { return AthleteColor(); }
    QString ToString() override;
    QString ToString(TqelTransponderToStringType aType) override;
    double calcSpeed(int32_t aTimeStampInMS, bool& aIsValid, int32_t aSpeedFrameInterval) override;
    double calcSpeed(int32_t aTimeStampInMS, int32_t aSpeedFrameInterval) override;
    double calcAcceleration(int32_t aTimeStampInMS) override;
    double calcImpact(int32_t aTimeStampInMS) override;
    double calcLowPassGrav(int32_t aTimeStampInMS) override;
    double calcHeartbeat(int32_t aTimeStampInMS, bool aShowSpikes) override;
    double calcAverageHeartbeat(int32_t aStartTimeInMS, int32_t aEndTimeInMS) override;
    double calcDistance(int32_t aStartTimestampInMS, int32_t aEndTimestampInMS) override;
    bool isOnField(int32_t aTimeStampInMS) override;
    bool isOnField(const RqelCalculatedPosition& aPos) override;
    double calcEnergy(double aSpeed, double aAccel, double aECCRF) override;

    // Motion values (motion_values.cpp; calcSpeed, calcAcceleration, calcDistance and isOnField
    // above). Times in ms of the dataset, speeds in m/s, distances in m, angles in radians; 0
    // (false) when data are missing. A speed frame interval of 0 means the dataset's own; a
    // frame that is 0 after that gives 0, not valid. Run on the main and the cadence thread
    // without a lock of their own and without allocating.
    // The distance between the positions at both ends of the frame; only calcSpeed is used.
    double calcSpeedOld(int32_t aTimeStampInMS, bool& aIsValid, int32_t aSpeedFrameInterval);
    // The 10 Hz index distance over the frame divided by the frame's actual span.
    double calcSpeed2(int32_t aTimeStampInMS, int32_t aSpeedFrameInterval);
    // The 3-D path over the 50 ms grid of the frame, uncapped; pairs with a position that was
    // not found add nothing.
    double calcSpeed3D(int32_t aTimeStampInMS, int32_t aSpeedFrameInterval);
    // The speed stored with the raw sample at or before the time (else after it) within 1 s.
    double calcSpeedRAW(int32_t aTimeStampInMS) const;
    // Nothing fills a filtered track: always 0.
    double calcSpeedFiltered(int32_t aTimeStampInMS) const;
    // Accelerometer magnitude in g, smoothed over +-75 ms; 1.0 (at rest) without samples.
    double calcAcceleration2(int32_t aTimeStampInMS) const;
    // Axis 0 X, 1 Y, 2 Z of the first accelerometer sample at or after the time, in g.
    double calcAccelerationAxis(int32_t aTimeStampInMS, int32_t aAxis) const;
    // From the cumulative distance stored with the raw samples.
    double calcDistanceRAW(int32_t aStartTimestampInMS, int32_t aEndTimestampInMS) const;
    // The bearing from the position at the time back to the one aTimeOffset ms earlier.
    double calcDirection(int32_t aTimeStampInMS, int32_t aTimeOffset);
    // Samples per second over the last four intervals before the time.
    double calcFrequency(int32_t aTimeStampInMS) const;
    // calcPosition through the field's GPS conversion. Raises what the conversion raises.
    RqelGPSPosition calcGPSPosition(int32_t aTimeStampInMS);
    double calcLatitude(int32_t aTimeStampInMS);
    double calcLongitude(int32_t aTimeStampInMS);
    // Left and bottom edges of the sector's box inside, right and top edges outside.
    static bool isInSector(const RqelFieldSectorDef& aSector, const RqelCalculatedPosition& aPos);
    static bool isInSector(const RqelFieldSectorDef& aSector, const RqelFieldPosition& aPos);
    // Every place counts as on the ice while the calculation has no ice-hockey shifts analysis.
    bool isOnIce(int32_t aTimeStampInMS, double aXinM, double aYinM) const;
    // End of motion values

    // Speed analysis
    // The speed analysis's distribution text, empty without one.
    QString calcSpeedDistValue(const qel::FormatSettings& aFormatSetting) const;
    // Speed analysis end
    // Impacts of the calculation starting within [aStartTimeInMS, anEndTimeInMS]; 0 without.
    int32_t calcNumberImpacts(int32_t aStartTimeInMS, int32_t anEndTimeInMS) const;

    double GetAthleteWeight() override { return AthleteWeight(); }
    double GetAthleteMaxSpeed() override { return AthleteMaxSpeed(); }
    double GetAthleteMaxAcceleration() override { return AthleteMaxAcceleration(); }
    double GetAthleteMaxDeceleration() override { return AthleteMaxDeceleration(); }
    double GetAthleteRecon() override { return AthleteRecon(); }
    int32_t GetAthleteMaxHeartbeat() override { return AthleteMaxHeartbeat(); }
    int32_t GetPlayerID() override { return PlayerID(); }

    // Stream block (transponder_block.cpp). The writer always writes StreamVersion; the reader
    // takes every version up to it and refuses newer ones and counts that the stream or the
    // store cannot hold with EReadError, before allocating. Neither takes the index or cache
    // lock: reading into, or fully writing, a transponder whose dataset records raises
    // qel::ETransponderBusy and changes nothing. A transponder without dataset (one received
    // from a client) takes properties-only blocks only.
    static constexpr uint8_t StreamVersion = 151;
    void writeToStream(qel::BinaryWriter& aStream, IlpmProgress* aProgressCallback,
                       bool aPropertiesOnly) override;
    void readFromStream(qel::BinaryReader& aStream, uint8_t aVersion,
                        IlpmProgress* aProgressCallback) override;

    // Smaller block tables, for tests of a full store.
    SampleArray& SamplesForTest() { return FSamples; }
    HeartbeatArray& HeartbeatForTest() { return FHeartbeat; }
    Idx10HzArray& Index10HzForTest() { return FSampleIdx10Hz; }

private:
    // Stream block steps (transponder_block.cpp).
    void ReadProperties(qel::BinaryReader& aStream, uint8_t aVersion);
    void ReadSamples(qel::BinaryReader& aStream, uint8_t aVersion, IlpmProgress* aProgress);
    void Read10HzIndex(qel::BinaryReader& aStream, uint8_t aVersion, IlpmProgress* aProgress);
    void ReadHeartbeat(qel::BinaryReader& aStream, uint8_t aVersion, IlpmProgress* aProgress);
    void ReadAccelerometer(qel::BinaryReader& aStream, uint8_t aVersion, IlpmProgress* aProgress);
    void BuildAccelerometerIndex(int32_t aCount);
    void ReadLapsAndSectors(qel::BinaryReader& aStream, uint8_t aVersion);
    void WriteRecordedData(qel::BinaryWriter& aStream, IlpmProgress* aProgress);
    // The dataset's duration div 100 + 1, or anUnbounded without a dataset.
    int32_t DurationSlots(int32_t anUnbounded) const;
    // Old layouts carry no usable index: rebuilt from the samples after reading.
    void RebuildIndexesAfterOldRead();

    struct PositionCacheEntry {
        int32_t TimeStamp;
        RqelCalculatedPosition Position;
    };

    template <class T>
    void StoreNotifying(std::atomic<T>& aField, T aValue) {
        if (aField.load() == aValue && aValue == aValue) {
            return;
        }
        aField = aValue;
        notifyChanged();
    }
    void StoreNotifying(QString& aField, const QString& aValue);
    // The same for a property that is also a column of the database row.
    void StoreRowText(QString& aField, const QString& aValue,
                      void (TqeldbTransponder::*aSetColumn)(const QString&));
    QString ReadText(const QString& aField) const;
    void notifyChanged();
    [[noreturn]] void Refuse(const qel::ESampleRefused& anError);
    void TakeDatasetPositionSettings();
    // Position algorithms
    // The override for this time, under the cache lock; an override for another time is
    // dropped.
    bool TakeTempPosition(int32_t aTimeStampInMS, RqelCalculatedPosition& aPos);
    bool RunPositionFunction(int32_t aTimeStampInMS, RqelCalculatedPosition& aPos);
    void SetNoPosition(RqelCalculatedPosition& aPos) const;
    bool Usable(int32_t anIndex) const { return FSamples[anIndex].GetStatus() == ldsOK; }
    // The last raw sample linked from the 10 Hz index at or before aSlot, -1 when none.
    int32_t LinkedSampleAtOrBefore(int32_t aSlot) const;
    // End of position algorithms

    // Intake steps
    void AddHeartbeatSample(int32_t aTimeStampInMS, const RqelLPMSample& aSample);
    void AddAccelerometerSample(int32_t aTimeStampInMS, const RqelLPMSample& aSample);
    void AddBatterySample(int32_t aTimeStampInMS, const RqelLPMSample& aSample);
    // A new slot: valid, no raw sample of its own, every value 0.
    static RqelSampleIdx10Hz EmptySlot();
    // Under the index lock: a slot's value, and writing the empty slot up to anIndex before a
    // slot there is written.
    RqelSampleIdx10Hz SlotValue(int32_t anIndex) const;
    void InitializeSlotsUpTo(int32_t anIndex);
    // Live index steps (live_index.cpp). The grown 10 Hz length: every loop stays below it.
    int32_t GrowLiveIndexes(int32_t aDurationInMS);
    void StepLiveCalculation(TqelCalculation& aCalculation, int32_t aLastSlot);
    void FillProvisionalSlots(int32_t aTargetSlot, int32_t aLastSlot);
    // The most-intense-distance analysis's ten window values into 1 Hz entry aSecond.
    void StoreMIPSecond(TqelCalculation& aCalculation, int32_t aSecond);
    void FillLiveSummary(TqeldbPosition& aRecord, int32_t aBeginTimeMS, int32_t aEndTimeMS,
                         int32_t aTimeFrameInMS, bool aUseIndexes, bool aTeamInfo);
    // Index rebuild steps (index_rebuild.cpp).
    void ResizeRebuiltIndexes(int32_t aLength, int32_t aMIPLength);
    void RebuildSampleLinks(int32_t aLength);
    void RebuildSlotPositions(int32_t aLength);
    bool SlotPositionUsable(const RqelCalculatedPosition& aPos) const;
    int32_t SampleAtOrBefore(int32_t aSlot, int32_t aTimeStampInMS) const;
    void RebuildSlotsFromCalculation(TqelCalculation& aCalculation, int32_t aLength);
    void RebuildSlotsFromPositions(int32_t aLength);
    bool UsesAnalysisBranch() const;
    // aSlot when the index has it, the last available slot up to a second beyond, else -1.
    int32_t AvailableSlot(int32_t aTimeStampInMS, int32_t aSlot) const;
    // The slot of a time for the readers: copies of slot s and, when wanted, s + 1.
    int32_t SlotCopies(int32_t aTimeStampInMS, RqelSampleIdx10Hz& aSlot, RqelSampleIdx10Hz* aNext,
                       bool& aHasNext) const;
    double InterpolatedSlotValue(int32_t aTimeStampInMS,
                                 double (RqelSampleIdx10Hz::*aValue)() const) const;
    double SlotDifference(int32_t aStartTimeInMS, int32_t anEndTimeInMS,
                          int32_t (RqelSampleIdx10Hz::*aValue)() const) const;

    // Identity and links
    std::atomic<int32_t> FID{-1};
    std::atomic<int32_t> FTPid{0};
    QString FVestID;
    uint16_t FAntenna1ID = 0;
    uint16_t FAntenna2ID = 0;
    uint16_t FAntenna3ID = 0;
    uint16_t FAntenna4ID = 0;
    TqelDataset* FDataSet;
    std::unique_ptr<TqeldbTransponder> FDBTransponder;
    std::unique_ptr<TqeldbPosition> FDBPosition;
    std::unique_ptr<TqelCalculation> FCalculation;

    // Samples and indexes
    SampleArray FSamples;
    std::atomic<int32_t> FSampleCount{0};
    HeartbeatArray FHeartbeat;
    std::atomic<int32_t> FHeartbeatCount{0};
    std::atomic<bool> FHeartbeatFiltered{false};
    AccelerometerArray FAccelerometer;
    AccelerometerFilteredArray FAccelerometerFiltered;
    std::atomic<int32_t> FAccelerometerCount{0};
    RqelAccelerometerFilteringData FAccelerometerFilteringData;
    BatteryArray FBatteryStatus;
    std::atomic<int32_t> FBatteryCount{0};
    Idx10HzArray FSampleIdx10Hz;
    // Slots below this have been written; the others read as EmptySlot(). Index lock.
    int32_t FSampleIdx10HzWritten = 0;
    MIPArray FMIPDist1Hz;
    HeartbeatIdxArray FHeartbeatIdx1Hz;
    AccelerometerIdxArray FAccelerometerIdx10Hz;
    int32_t FAccelerometerIdx10HzLast = 0;
    std::atomic<int32_t> FLiveUpdateTimestamp{0};
    std::atomic<int32_t> FLiveUpdateTimestampCalculator{0};
    std::atomic<int32_t> FLiveDBPositionTimeStamp{0};
    std::atomic<int32_t> FPreliminaryIndex{0};
    std::atomic<int32_t> FLiveSendSummaryDataTS{0};
    std::atomic<int64_t> FRefusedSampleCount{0};
    // Guards the values of FDBPosition while CalcLiveData fills and copies it.
    mutable std::mutex FDBPositionLock;
    std::atomic<bool> FBadTimeFrameLogged{false};

    // Position cache and locks
    mutable std::mutex FCriticalCacheSection;
    mutable std::recursive_mutex FCriticalIndexSection;
    std::unique_ptr<PositionCacheEntry[]> FPositionCache;
    RqelCalculatedPosition FTempPosition;
    std::atomic<bool> FTempPositionSet{false};
    // Position algorithms
    std::atomic<uint8_t> FPositionAlgorithm{PositionFunctionUnassigned};
    std::atomic<int32_t> FPositionSensitivity{0};
    // End of position algorithms

    // Laps, sectors, groups
    mutable std::recursive_mutex FListLock;
    std::vector<std::unique_ptr<TqelLap>> FLaps;
    std::vector<std::unique_ptr<TqelSector>> FSectors;
    QList<TqelGroup*> FGroups;
    RqelCalculatedPosition FLapsSectorsLastPos;
    std::atomic<int32_t> FLapsSectorsLastTimeStamp{0};
    int32_t FPrevTrackPosInMM = 0;

    // Athlete properties
    mutable std::mutex FPropertyLock;
    std::atomic<TqelTransponderRole> FRole{roleAthlete};
    std::atomic<int32_t> FPlayerID{0};
    std::atomic<int32_t> FPlayerRole{0};
    std::atomic<int32_t> FFormationPlace{0};
    QString FAthleteName;
    QString FAthleteCategory;
    QString FRemark;
    QString FShortCutChar;
    QString FExternalID;
    QString FSystemID;
    std::atomic<uint32_t> FAthleteColor{255};
    std::atomic<int32_t> FShirtNumber{0};
    std::atomic<bool> FVisibleIn3D{true};
    std::atomic<int32_t> FAthleteMaxHeartbeat{220};
    std::atomic<double> FAthleteMaxSpeed{7.0};
    std::atomic<double> FAthleteMaxAcceleration{7.0};
    std::atomic<double> FAthleteMaxDeceleration{7.0};
    std::atomic<double> FAthleteWeight{0};
    std::atomic<double> FAthleteHeight{0};
    std::atomic<double> FAthleteRecon{4.0};
    std::atomic<double> FAthleteFTP{0};
    std::atomic<int32_t> FAthleteFTPtime{0};
    std::atomic<double> FAthleteMaxPowerWkg{0};
    std::atomic<int32_t> FAthletePreferredArm{2};
    std::atomic<bool> FBadData{false};
    std::atomic<bool> FBadHB{false};
};
