// Rebuilding a transponder's indexes from its samples in one pass: after a file of an older
// layout was read, after samples were edited, or when the operator asks for it.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "analysis/framework/calculation.h"
#include "analysis/intensity/mip_distance_info.h"
#include "database/agility/agility_definitions.h"
#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/transponder/slot_from_calculation.h"
#include "model/transponder/transponder_data.h"
#include "platform/numbers.h"

namespace {

constexpr int32_t kSlotMS = 100;
constexpr int32_t kSecondMS = 1000;
// The data source whose producer delivers the index with the samples: never rebuilt.
constexpr uint8_t kOwnIndexDataSource = 16;
// The analysis run steps every 10 ms.
constexpr int32_t kRebuildTimeFrameMS = 10;
// Smoothing factor of the filtered accelerometer data.
constexpr double kAccelerometerAlpha = 0.8;
// A slot further than this from the last sample at or before it has no believable position.
constexpr int32_t kMaxSampleGapMS = 5000;
// Steps faster than this (m/s) are jumps of the measurement, not movement.
constexpr double kMaxStepSpeed = 50;
// The position branch leaves heart rate and energy out over the first slots, while the speed
// frame is still filling.
constexpr int32_t kFirstSlotWithHeartAndEnergy = 13;
constexpr double kPositionBranchECCRF = 4.0;

// Sets every entry of an index below its capacity to -1 after sizing it to at least aLength
// entries, and frees the blocks beyond.
template <class Array>
void ResetIndex(Array& anIndex, int32_t aLength) {
    anIndex.Shrink(aLength);
    while (anIndex.Capacity() < aLength) {
        anIndex.Grow(-1);
    }
    const int32_t capacity = anIndex.Capacity();
    for (int32_t i = 0; i < capacity; ++i) {
        std::atomic_ref(anIndex[i]).store(-1, std::memory_order_release);
    }
}

// From the last sample down to 1: the slots from a sample's one back to its predecessor's
// point at it, so a slot names the first sample in it, or the next one after a gap. Sample 0 is
// never named; slots beyond aLength are not written.
template <class Array, class SlotOf>
void FillIndex(Array& anIndex, int32_t aLength, int32_t aCount, SlotOf aSlotOf) {
    for (int32_t n = aCount - 1; n >= 1; --n) {
        const int32_t j = std::min(aSlotOf(n), aLength - 1);
        const int32_t b = aSlotOf(n - 1);
        for (int32_t slot = j; slot >= b; --slot) {
            std::atomic_ref(anIndex[slot]).store(n, std::memory_order_release);
        }
    }
}

}  // namespace

void TqelTransponderData::rebuildAccelerometerIndexes() {
    const int32_t duration = FDataSet ? std::max(FDataSet->DurationInMS(), 0) : 0;
    const int32_t length = duration / kSlotMS + 1;
    ResetIndex(FAccelerometerIdx10Hz, length);
    const int32_t count = AccelerometerCount();
    FillIndex(FAccelerometerIdx10Hz, length, count,
              [this](int32_t n) { return FAccelerometer[n].TimestampInMS() / kSlotMS; });
    FAccelerometerIdx10HzLast =
        count > 0 ? std::min(FAccelerometer[count - 1].TimestampInMS() / kSlotMS, length - 1) : 0;
}

void TqelTransponderData::rebuildHeartbeatIndexes() {
    const int32_t duration = FDataSet ? std::max(FDataSet->DurationInMS(), 0) : 0;
    const int32_t length = duration / kSecondMS + 1;
    ResetIndex(FHeartbeatIdx1Hz, length);
    FillIndex(FHeartbeatIdx1Hz, length, HeartbeatCount(),
              [this](int32_t n) { return FHeartbeat[n].GetTimestampInMS() / kSecondMS; });
}

void TqelTransponderData::rebuildFatigueIndex() {
    std::lock_guard lock(FCriticalIndexSection);
    const int32_t length = std::min(FSampleIdx10HzWritten, Sample10HzCount());
    for (int32_t q = 0; q < length; ++q) {
        // The fatigue readers are not there yet: both words stay 0.
        FSampleIdx10Hz[q].setFFatigueTemporary(0);
        FSampleIdx10Hz[q].setFFatigueChroncal(0);
    }
}

void TqelTransponderData::rebuildIndexes(bool aCanAccessDatabase) {
    if (!FDataSet || FDataSet->DataSource() == kOwnIndexDataSource) {
        return;
    }
    if (FDataSet->Recording()) {
        throw qel::EIndexRebuildRefused(
            QStringLiteral("The indexes of TPid %1 cannot be rebuilt while the dataset records")
                .arg(TPid()));
    }
    FCalculation.reset();
    rebuildAccelerometerIndexes();
    CalcFilteredAccelerometerData(kAccelerometerAlpha);
    rebuildHeartbeatIndexes();

    auto calculation =
        std::make_unique<TqelCalculation>(this, FDataSet->AnalyzeDef(), nullptr, false);
    calculation->setCanAccessDatabase(aCanAccessDatabase);
    calculation->setTimeFrame(kRebuildTimeFrameMS);
    if (TqeldbAgilityDefinitions* agilities = FDataSet->AgilityDefs()) {
        for (int i = 0; i < agilities->Count(); ++i) {
            calculation->AddAgility(agilities->Definition(i));
        }
    }
    FCalculation = std::move(calculation);

    const int32_t count = SampleCount();
    if (count == 0) {
        ResizeRebuiltIndexes(0, 0);
        FLiveUpdateTimestamp = 0;
        return;
    }
    const int32_t lastTime = FSamples[count - 1].TimeStampInMS();
    const int32_t length = lastTime / kSlotMS + 1;
    ResizeRebuiltIndexes(length, lastTime / kSecondMS + 1);
    FLiveUpdateTimestamp = length * kSlotMS;
    RebuildSampleLinks(length);
    RebuildSlotPositions(length);
    if (UsesAnalysisBranch()) {
        RebuildSlotsFromCalculation(*FCalculation, length);
    } else {
        RebuildSlotsFromPositions(length);
    }
    FCalculation->Finalize();
    ResetLapsAndSectors();
}

void TqelTransponderData::ResizeRebuiltIndexes(int32_t aLength, int32_t aMIPLength) {
    std::lock_guard lock(FCriticalIndexSection);
    Grow10HzIndex(aLength);
    FSampleIdx10Hz.Shrink(aLength);
    // Every value of an earlier run goes; only the marks set on the samples' slots stay.
    const int32_t written = FSampleIdx10HzWritten;
    for (int32_t q = 0; q < aLength; ++q) {
        const uint32_t marks =
            q < written ? FSampleIdx10Hz[q].FStatus() & RqelSampleIdx10Hz::MarkedBit : 0;
        RqelSampleIdx10Hz slot;
        slot.SetStatus(marks);
        slot.setLastSampleIndex(-1);
        FSampleIdx10Hz[q] = slot;
    }
    FSampleIdx10HzWritten = aLength;

    while (FMIPDist1Hz.Capacity() < aMIPLength) {
        FMIPDist1Hz.Grow();
    }
    FMIPDist1Hz.Shrink(aMIPLength);
    const int32_t seconds = FMIPDist1Hz.Capacity();
    for (int32_t i = 0; i < seconds; ++i) {
        FMIPDist1Hz[i] = TqelMIPDistValue{};
    }
}

void TqelTransponderData::RebuildSampleLinks(int32_t aLength) {
    const int32_t count = SampleCount();
    int32_t r = 0;
    while (r < count && FSamples[r].TimeStampInMS() < kSlotMS) {
        ++r;
    }
    --r;
    int32_t previous = r;
    {
        std::lock_guard lock(FCriticalIndexSection);
        FSampleIdx10Hz[0].setLastSampleIndex(r);
    }
    r = std::max(r, 0);
    for (int32_t q = 1; q < aLength; ++q) {
        const int32_t end = q * kSlotMS + kSlotMS;
        while (r < count && FSamples[r].TimeStampInMS() < end) {
            ++r;
        }
        --r;
        int32_t link = -1;
        if (r < 0) {
            r = 0;
        } else if (FSamples[r].TimeStampInMS() < end && r != previous) {
            link = r;
        }
        // In a gap the slots alternate between the sample before it and -1.
        previous = link;
        std::lock_guard lock(FCriticalIndexSection);
        FSampleIdx10Hz[q].setLastSampleIndex(link);
    }
}

bool TqelTransponderData::SlotPositionUsable(const RqelCalculatedPosition& aPos) const {
    // A NaN would pass the box test.
    if (!std::isfinite(aPos.XinM) || !std::isfinite(aPos.YinM) || aPos.XinM == 0 ||
        aPos.YinM == 0) {
        return false;
    }
    const TqelField* field = FDataSet->Field();
    return field && field->MeasureBox().PositionInBox(aPos.XinM * 1000, aPos.YinM * 1000);
}

int32_t TqelTransponderData::SampleAtOrBefore(int32_t aSlot, int32_t aTimeStampInMS) const {
    const int32_t count = SampleCount();
    if (FSamples[count - 1].TimeStampInMS() <= aTimeStampInMS) {
        return count - 1;
    }
    int32_t g = 0;
    {
        std::lock_guard lock(FCriticalIndexSection);
        for (int32_t slot = aSlot; slot >= 0; --slot) {
            const int32_t link = FSampleIdx10Hz[slot].LastSampleIndex();
            if (link >= 0) {
                g = link;
                break;
            }
        }
    }
    while (g > 0 && FSamples[g].TimeStampInMS() > aTimeStampInMS) {
        --g;
    }
    return g;
}

void TqelTransponderData::RebuildSlotPositions(int32_t aLength) {
    using qel::RoundSaturated;
    for (int32_t q = 0; q < aLength; ++q) {
        const int32_t t = q * kSlotMS;
        const RqelCalculatedPosition p = calcPosition(t);
        const bool valid =
            SlotPositionUsable(p) && SlotPositionUsable(calcPosition(t + kSlotMS)) &&
            std::abs(t - FSamples[SampleAtOrBefore(q, t)].TimeStampInMS()) <= kMaxSampleGapMS;
        std::lock_guard lock(FCriticalIndexSection);
        RqelSampleIdx10Hz& slot = FSampleIdx10Hz[q];
        slot.setXinMM(RoundSaturated<int32_t>(p.XinM * 1000));
        slot.setYinMM(RoundSaturated<int32_t>(p.YinM * 1000));
        slot.setZinMM(RoundSaturated<int32_t>(p.ZinM * 1000));
        slot.SetValid(valid);
    }
}

bool TqelTransponderData::UsesAnalysisBranch() const {
    return Role() != roleBall && FDataSet->Database() && FDataSet->AnalyzeDef();
}

void TqelTransponderData::RebuildSlotsFromCalculation(TqelCalculation& aCalculation,
                                                      int32_t aLength) {
    using qel::RoundSaturated;
    int32_t s = 0;
    for (int32_t q = 1; q < aLength; ++q) {
        const int32_t limit = q * kSlotMS;
        for (; s <= limit; s += kRebuildTimeFrameMS) {
            aCalculation.ProcessTimeFrame(s, false);
        }
        const RqelSampleIdx10Hz values = qel::SlotFromCalculation(aCalculation);
        TqelMIPDistValue mip;
        TqelMIPDistanceInfo* mipInfo = aCalculation.MIPDistInfo();
        if (mipInfo && q % 10 == 0) {
            std::lock_guard resultLock(aCalculation.ResultLock());
            for (int j = 0; j < TqelMIPDistValue::Count; ++j) {
                mip.setValue(j, RoundSaturated<int32_t>(mipInfo->GetValue(j) * 1000));
            }
        }
        std::lock_guard lock(FCriticalIndexSection);
        RqelSampleIdx10Hz& slot = FSampleIdx10Hz[q];
        // Position, status and sample link come from the earlier passes.
        RqelSampleIdx10Hz merged = values;
        merged.SetStatus(slot.FStatus());
        merged.setLastSampleIndex(slot.LastSampleIndex());
        merged.setXinMM(slot.XinMM());
        merged.setYinMM(slot.YinMM());
        merged.setZinMM(slot.ZinMM());
        slot = merged;
        if (mipInfo && q % 10 == 0 && q / 10 < FMIPDist1Hz.Capacity()) {
            FMIPDist1Hz[q / 10] = mip;
        }
    }
}

void TqelTransponderData::RebuildSlotsFromPositions(int32_t aLength) {
    using qel::RoundSaturated;
    const int32_t d = FDataSet->DistanceInterval() > 0 ? FDataSet->DistanceInterval() : 20;
    const bool ball = Role() == roleBall;
    const double weight = AthleteWeight();
    // Each step runs from the previous position, across slot borders too, so none is lost.
    RqelCalculatedPosition a = calcPosition(0);
    bool on = isOnField(a);
    int32_t s = d;
    for (int32_t q = 1; q < aLength; ++q) {
        const int32_t limit = q * kSlotMS;
        RqelSampleIdx10Hz slot = Get10HzSlot(q);
        const RqelSampleIdx10Hz previous = Get10HzSlot(q - 1);
        slot.setCumDistanceInMM(previous.CumDistanceInMM());
        slot.setCumEnergyConsumption(previous.CumEnergyConsumption());
        for (; s <= limit; s += d) {
            const RqelCalculatedPosition b = calcPosition(s);
            const bool bOn = isOnField(b);
            if (bOn && on) {
                const double length = std::hypot(b.XinM - a.XinM, b.YinM - a.YinM);
                if (length / (d / 1000.0) < kMaxStepSpeed) {
                    slot.setCumDistanceInMM(slot.CumDistanceInMM() +
                                            RoundSaturated<int32_t>(length * 1000));
                }
                bool valid = false;
                const double v = calcSpeed(s, valid, 0);
                if (valid) {
                    const double acceleration = calcAcceleration(s);
                    slot.setFSpeedMMS(RoundSaturated<uint16_t>(v * 1000));
                    slot.setFAcceleration(RoundSaturated<int16_t>(acceleration * 1000));
                    if (q >= kFirstSlotWithHeartAndEnergy && !ball) {
                        slot.setFHeartbeat(RoundSaturated<uint16_t>(calcHeartbeat(s, false) * 100));
                        // Joules here, where the analyses store kcal.
                        slot.setCumEnergyConsumption(
                            slot.CumEnergyConsumption() +
                            RoundSaturated<int32_t>(
                                d * calcEnergy(v, acceleration, kPositionBranchECCRF) / 1000 *
                                weight));
                    }
                }
            }
            on = bOn;
            a = b;
        }
        Set10HzSlot(q, slot);
    }
}
