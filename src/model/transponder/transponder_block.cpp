// The transponder's stream block: written in the current layout, read in every layout since the
// first, older records converted into the current ones.

#include <QBuffer>
#include <algorithm>
#include <array>
#include <vector>

#include "analysis/framework/calculation.h"
#include "app/translation.h"
#include "foundation/stream_strings.h"
#include "model/dataset/dataset.h"
#include "model/transponder/laps_sectors.h"
#include "model/transponder/transponder_data.h"
#include "platform/binary_stream.h"
#include "platform/format_text.h"
#include "platform/numbers.h"

namespace {

using qel::BinaryReader;
using qel::BinaryWriter;

// First versions of the items, where several steps share them.
constexpr uint8_t kIdentityFrom = 77;
constexpr uint8_t kPropertiesFrom = 2;
constexpr uint8_t kFlagsFrom = 109;
constexpr uint8_t kSamplesWholeFrom = 149;
constexpr uint8_t kSamples12From = 21;
constexpr uint8_t kIndexFrom = 18;
constexpr uint8_t kIndexCapacityFrom = 26;
constexpr uint8_t kIndexCurrentFrom = 133;
constexpr uint8_t kLapsFrom = 60;

// Record sizes of the older layouts.
constexpr int kOldSampleSize = 8;
constexpr int kSample12Size = 12;
constexpr int kOldIndexSize = 12;
constexpr int kOldIndexWithStatusSize = 16;
constexpr int kLegacyValueSize = 8;
// The smallest lap and sector blocks: a count beyond what they need is corrupt.
constexpr int kLapBlockSize = 12;
constexpr int kSectorBlockSize = 16;
// Old index records converted per run, so that the conversion buffer stays small.
constexpr int32_t kConversionRun = 4096;
// The range-flag byte that marked an 8 g recording before the flag moved into each sample.
constexpr uint8_t kHighRangeByte = 124;
constexpr uint8_t kFilteredHeartbeatType = 56;

// Reads a count or capacity and refuses, before anything is sized, one that is negative, larger
// than what is left of the stream or larger than the store holds.
int32_t ReadCount(BinaryReader& aStream, qint64 aRecordSize, int64_t aMaxCount, const char* aWhat) {
    const int32_t count = aStream.readI32();
    if (count < 0 || count > aMaxCount) {
        throw EReadError(QStringLiteral("Transponder block: %1 count %2 is corrupt")
                             .arg(QLatin1String(aWhat))
                             .arg(count));
    }
    aStream.checkCount(count, aRecordSize);
    return count;
}

bool InMemory(const BinaryReader& aStream) {
    return qobject_cast<QBuffer*>(&aStream.device()) != nullptr;
}

void Details(IlpmProgress* aProgress, const char* aText) {
    if (aProgress) {
        aProgress->updateDetails(qel::Translate(aText));
    }
}

void ReportPosition(IlpmProgress* aProgress, const BinaryReader& aStream) {
    if (aProgress && InMemory(aStream)) {
        aProgress->updateProgress(aStream.position());
    }
}

// Reads aCount records into the array's blocks, one read per block.
template <class Array>
void ReadRuns(BinaryReader& aStream, Array& anArray, int32_t aCount) {
    anArray.ForEachRun(aCount, [&](auto* aFirst, int32_t aRun) {
        aStream.readExact(aFirst, qint64{aRun} * qint64{sizeof(*aFirst)});
    });
}

template <class Array>
void WriteRuns(BinaryWriter& aStream, Array& anArray, int32_t aCount) {
    anArray.ForEachRun(aCount, [&](auto* aFirst, int32_t aRun) {
        aStream.writeBytes(aFirst, qint64{aRun} * qint64{sizeof(*aFirst)});
    });
}

// The packed words of a raw sample from the 8-byte layout of the first versions. The low byte
// of the word is added into the coordinate word, and can carry into the coordinate bits, as it
// always did.
RqelRawSample SampleFromOldLayout(uint32_t aWord, int16_t aX, int16_t aY) {
    RqelRawSample sample;
    sample.setVal1((aWord >> 8) * 160u);
    sample.setVal2(((static_cast<uint32_t>(aX * 10) & 0xFFFFFu) << 12) + ((aWord & 3u) << 8));
    sample.setVal3(((static_cast<uint32_t>(aY * 10) & 0xFFFFFu) << 12) + ((aWord & 0xF8u) << 8));
    return sample;
}

int32_t MetresToMM(double aMetres) {
    return qel::RoundToInt32Saturated(aMetres * 1000);
}

// The index sums of versions 133 to 145 were stored without the factor 1000; they wrap as the
// field does.
int32_t Thousandfold(int32_t aValue) {
    return static_cast<int32_t>(static_cast<uint32_t>(aValue) * 1000u);
}

RqelSampleIdx10Hz SlotWithDistance(uint32_t aStatus, int32_t aLastSampleIndex, double aDistanceInM,
                                   double anEnergy) {
    RqelSampleIdx10Hz slot;
    slot.SetStatus(aStatus);
    slot.setLastSampleIndex(aLastSampleIndex);
    slot.setCumDistanceInMM(MetresToMM(aDistanceInM));
    slot.setCumEnergyConsumption(qel::RoundToInt32Saturated(anEnergy));
    return slot;
}

template <class Old>
RqelSampleIdx10Hz SlotFromOld(const Old& anOld) {
    return SlotWithDistance(anOld.Status(), anOld.LastSampleIndex(), anOld.CumDistanceInM(),
                            anOld.CumEnergyConsumption());
}

RqelSampleIdx10Hz SlotFromOld(const RqelSampleIdx10HzUpToV132& anOld) {
    RqelSampleIdx10Hz slot;
    slot.SetStatus(anOld.Status());
    slot.setLastSampleIndex(anOld.LastSampleIndex());
    slot.setXinMM(anOld.XinMM());
    slot.setYinMM(anOld.YinMM());
    slot.setZinMM(anOld.ZinMM());
    slot.setFSpeedMMS(anOld.FSpeedMMS());
    slot.setFAcceleration(anOld.FAcceleration());
    slot.setFHeartbeat(anOld.FHeartbeat());
    slot.setCumDistanceInMM(anOld.CumDistanceInMM());
    slot.setCumEnergyConsumption(anOld.CumEnergyConsumption());
    slot.setCumSpeedIndex(anOld.CumSpeedIndex());
    slot.setCumAccelIndex(anOld.CumAccelIndex());
    slot.setCumDecelIndex(anOld.CumDecelIndex());
    slot.setCumHeartIndex(anOld.CumHeartIndex());
    slot.setCumHIHBTimeMS(anOld.CumHIHBTimeMS());
    slot.setCumHMLDinMM(anOld.CumHMLDinMM());
    return slot;
}

// Reads aCount records of an older 10 Hz layout in runs and converts them into the index.
template <class Old, class Index>
void ReadOldIndex(BinaryReader& aStream, Index& anIndex, int32_t aCount) {
    std::vector<Old> run(static_cast<size_t>(std::min(aCount, kConversionRun)));
    for (int32_t first = 0; first < aCount; first += kConversionRun) {
        const int32_t n = std::min(kConversionRun, aCount - first);
        aStream.readExact(run.data(), qint64{n} * qint64{sizeof(Old)});
        for (int32_t i = 0; i < n; ++i) {
            anIndex[first + i] = SlotFromOld(run[static_cast<size_t>(i)]);
        }
    }
}

}  // namespace

int32_t TqelTransponderData::DurationSlots(int32_t anUnbounded) const {
    return FDataSet ? FDataSet->DurationInMS() / 100 + 1 : anUnbounded;
}

void TqelTransponderData::RebuildIndexesAfterOldRead() {
    // Layouts before the stored index: the index and the analyses come from the samples, with the
    // athlete's reference values read from the database.
    rebuildIndexes(true);
}

// --- Writing ---

void TqelTransponderData::writeToStream(BinaryWriter& aStream, IlpmProgress* aProgressCallback,
                                        bool aPropertiesOnly) {
    if (!aPropertiesOnly && FDataSet && FDataSet->Recording()) {
        throw qel::ETransponderBusy(
            QStringLiteral("Transponder %1 is being recorded: its data cannot be written now")
                .arg(TPid()));
    }
    aStream.writeI32(TPid());
    WriteStreamString(aStream, VestID());
    aStream.writeU16(FAntenna1ID);
    aStream.writeU16(FAntenna2ID);
    aStream.writeU16(FAntenna3ID);
    aStream.writeU16(FAntenna4ID);
    aStream.writeU8(static_cast<uint8_t>(Role()));
    aStream.writeI32(PlayerRole());
    WriteStreamString(aStream, AthleteName());
    WriteStreamString(aStream, AthleteCategory());
    aStream.writeI32(static_cast<int32_t>(AthleteColor()));
    aStream.writeBool(VisibleIn3D());
    aStream.writeI32(FAthleteMaxHeartbeat.load());
    aStream.writeDouble(AthleteMaxSpeed());
    aStream.writeDouble(AthleteMaxAcceleration());
    aStream.writeDouble(AthleteMaxDeceleration());
    aStream.writeI32(ShirtNumber());
    aStream.writeDouble(AthleteWeight());
    aStream.writeDouble(AthleteHeight());
    aStream.writeDouble(AthleteRecon());
    aStream.writeDouble(AthleteFTP());
    aStream.writeI32(AthleteFTPtime());
    aStream.writeI32(AthletePreferredArm());
    WriteStreamString(aStream, SystemID());
    WriteStreamString(aStream, ExternalID());
    WriteStreamString(aStream, Remark());
    aStream.writeBool(BadData());
    aStream.writeBool(BadHB());
    aStream.writeBool(aPropertiesOnly);
    if (!aPropertiesOnly) {
        WriteRecordedData(aStream, aProgressCallback);
    }
}

void TqelTransponderData::WriteRecordedData(BinaryWriter& aStream, IlpmProgress* aProgress) {
    Details(aProgress, "writing position samples");
    const int32_t sampleCount = SampleCount();
    aStream.writeI32(sampleCount);
    WriteRuns(aStream, FSamples, sampleCount);

    Details(aProgress, "writing index and distances");
    int32_t slotCount = FSampleIdx10Hz.Capacity();
    if (slotCount > DurationSlots(slotCount)) {
        slotCount = DurationSlots(slotCount);
        FSampleIdx10Hz.Resize(slotCount);
        FSampleIdx10HzWritten = std::min(FSampleIdx10HzWritten, slotCount);
    }
    // Slots never written read as the empty slot; the file holds them so.
    if (slotCount > 0) {
        InitializeSlotsUpTo(slotCount - 1);
    }
    aStream.writeI32(slotCount);
    WriteRuns(aStream, FSampleIdx10Hz, slotCount);

    const int32_t seconds = FMIPDist1Hz.Capacity();
    aStream.writeI32(seconds);
    WriteRuns(aStream, FMIPDist1Hz, seconds);

    aStream.writeU8(1);
    FCalculation->writeToStream(aStream);

    Details(aProgress, "writing heartbeat");
    const int32_t heartbeats = HeartbeatCount();
    aStream.writeI32(heartbeats);
    if (heartbeats > 0) {
        WriteRuns(aStream, FHeartbeat, heartbeats);
        aStream.writeBool(HeartbeatFiltered());
    }

    Details(aProgress, "writing accelerometer");
    const int32_t accelerations = AccelerometerCount();
    aStream.writeI32(accelerations);
    if (accelerations > 0) {
        aStream.writeU8(0);
        WriteRuns(aStream, FAccelerometer, accelerations);
        int32_t accelerationSlots = FAccelerometerIdx10Hz.Capacity();
        if (accelerationSlots > DurationSlots(accelerationSlots)) {
            accelerationSlots = DurationSlots(accelerationSlots);
            FAccelerometerIdx10Hz.Resize(accelerationSlots);
        }
        aStream.writeI32(accelerationSlots);
        WriteRuns(aStream, FAccelerometerIdx10Hz, accelerationSlots);
    }

    const int32_t batteries = BatteryCount();
    aStream.writeI32(batteries);
    if (batteries > 0) {
        WriteRuns(aStream, FBatteryStatus, batteries);
        FBatteryStatus.Resize(batteries);
    }

    std::lock_guard lock(FListLock);
    aStream.writeI32(static_cast<int32_t>(FLaps.size()));
    for (const auto& lap : FLaps) {
        lap->writeToStream(aStream);
    }
    aStream.writeI32(static_cast<int32_t>(FSectors.size()));
    for (const auto& sector : FSectors) {
        sector->writeToStream(aStream);
    }
}

// --- Reading ---

void TqelTransponderData::readFromStream(BinaryReader& aStream, uint8_t aVersion,
                                         IlpmProgress* aProgressCallback) {
    if (aVersion > StreamVersion) {
        throw EReadError(QStringLiteral("Transponder block of version %1: this program reads up "
                                        "to version %2")
                             .arg(aVersion)
                             .arg(StreamVersion));
    }
    if (FDataSet && FDataSet->Recording()) {
        throw qel::ETransponderBusy(
            QStringLiteral("Transponder %1 is being recorded: no block can be read into it")
                .arg(TPid()));
    }
    ReadProperties(aStream, aVersion);
    if (aProgressCallback) {
        aProgressCallback->updateMessage(
            qel::Format(qel::Translate("reading transponder (%d) %s"), {TPIndex(), AthleteName()}));
    }
    if (aVersion < 76) {
        aStream.skip(4);
    }
    bool propertiesOnly = false;
    if (aVersion >= kFlagsFrom) {
        setBadData(aStream.readBool());
        setBadHB(aStream.readBool());
        propertiesOnly = aStream.readBool();
    }
    if (!propertiesOnly) {
        // Without a dataset there is nothing to size the indexes by and no rebuild may run: such
        // a transponder came from the network, which sends properties only.
        if (!FDataSet) {
            throw EReadError(QStringLiteral(
                "Transponder block with recorded data for a transponder without dataset"));
        }
        ReadSamples(aStream, aVersion, aProgressCallback);
        if (!FCalculation) {
            FCalculation = std::make_unique<TqelCalculation>(this, nullptr, nullptr, false);
        }
        Read10HzIndex(aStream, aVersion, aProgressCallback);
        if (aVersion >= 150) {
            const int32_t seconds =
                ReadCount(aStream, sizeof(TqelMIPDistValue), FMIPDist1Hz.MaxCapacity(), "MIP");
            FMIPDist1Hz.Resize(seconds);
            ReadRuns(aStream, FMIPDist1Hz, seconds);
        }
        if (aVersion >= 80 && aStream.readU8() == 1) {
            FCalculation->ReadFromStream(aStream, aVersion);
        }
        ReadHeartbeat(aStream, aVersion, aProgressCallback);
        if (aVersion >= 37) {
            ReadAccelerometer(aStream, aVersion, aProgressCallback);
        }
        if (aVersion >= 104) {
            const int32_t batteries = ReadCount(aStream, sizeof(RqelBatterySample),
                                                FBatteryStatus.MaxCapacity(), "battery");
            FBatteryCount.store(0, std::memory_order_release);
            FBatteryStatus.Resize(batteries);
            ReadRuns(aStream, FBatteryStatus, batteries);
            FBatteryCount.store(batteries, std::memory_order_release);
        }
        if (aVersion == 1) {
            const int32_t values = ReadCount(aStream, kLegacyValueSize, INT32_MAX, "legacy list");
            aStream.skip(qint64{values} * kLegacyValueSize);
        }
        if (Role() == roleBall) {
            SetPositionFunction(posLinearInterpolation);
            FPositionSensitivity = 10;
        } else {
            SetPositionFunction(FDataSet->PositionAlgorithm());
        }
        ReadLapsAndSectors(aStream, aVersion);
    }
    if (aVersion < kFlagsFrom) {
        if (aVersion >= 93) {
            setBadData(aStream.readBool());
        }
        if (aVersion >= 97) {
            setBadHB(aStream.readBool());
        }
    }
    setInitialized(true);
}

void TqelTransponderData::ReadProperties(BinaryReader& aStream, uint8_t aVersion) {
    if (aVersion >= kIdentityFrom) {
        setTPid(aStream.readI32());
        setVestID(ReadStreamString(aStream));
        FAntenna1ID = aStream.readU16();
        FAntenna2ID = aStream.readU16();
        FAntenna3ID = aStream.readU16();
        FAntenna4ID = aStream.readU16();
    }
    if (FDataSet) {
        FPositionSensitivity = FDataSet->PositionSensitivity();
    }
    if (aVersion < kPropertiesFrom) {
        return;
    }
    if (aVersion >= 16) {
        const uint8_t role = aStream.readU8();
        if (role > rolePlayerTrackingVaruza) {
            throw EReadError(QStringLiteral("Transponder block: role %1 is unknown").arg(role));
        }
        setRole(static_cast<TqelTransponderRole>(role));
    }
    if (aVersion >= 55) {
        setPlayerRole(aStream.readI32());
    }
    setAthleteName(ReadStreamString(aStream));
    setAthleteCategory(aVersion >= 27 ? ReadStreamString(aStream) : QString());
    setAthleteColor(static_cast<uint32_t>(aStream.readI32()));
    setVisibleIn3D(aVersion >= 6 ? aStream.readBool() : true);
    if (aVersion >= 12) {
        setAthleteMaxHeartbeat(aStream.readI32());
    }
    if (aVersion >= 22) {
        setAthleteMaxSpeed(aStream.readDouble());
    }
    if (aVersion >= 25) {
        setAthleteMaxAcceleration(aStream.readDouble());
    }
    setAthleteMaxDeceleration(aVersion >= 88 ? aStream.readDouble() : AthleteMaxAcceleration());
    if (aVersion >= 13) {
        setShirtNumber(aStream.readI32());
    }
    if (aVersion >= 23) {
        setAthleteWeight(aStream.readDouble());
        setAthleteHeight(aStream.readDouble());
    } else {
        setAthleteWeight(80.0);
        setAthleteHeight(1.8);
    }
    setAthleteRecon(aVersion >= 78 ? aStream.readDouble() : 4.0);
    if (aVersion >= 27) {
        setAthleteFTP(aStream.readDouble());
        setAthleteFTPtime(aStream.readI32());
    } else {
        setAthleteFTP(100.0);
        setAthleteFTPtime(480);
    }
    if (aVersion >= 70) {
        setAthletePreferredArm(aStream.readI32());
    }
    if (aVersion >= 148) {
        setSystemID(ReadStreamString(aStream));
    }
    if (aVersion >= 138) {
        setExternalID(ReadStreamString(aStream));
    }
    if (aVersion >= 39) {
        setRemark(ReadStreamString(aStream));
    }
}

void TqelTransponderData::ReadSamples(BinaryReader& aStream, uint8_t aVersion,
                                      IlpmProgress* aProgress) {
    Details(aProgress, "reading position samples");
    const int sampleSize = aVersion >= kSamplesWholeFrom ? int{sizeof(RqelRawSample)}
                           : aVersion >= kSamples12From  ? kSample12Size
                                                         : kOldSampleSize;
    const int32_t count = ReadCount(aStream, sampleSize, FSamples.MaxCapacity(), "sample");
    FSampleCount.store(0, std::memory_order_release);
    FSamples.Resize(count);
    if (aVersion >= kSamplesWholeFrom) {
        ReadRuns(aStream, FSamples, count);
    } else if (aVersion >= kSamples12From) {
        for (int32_t i = 0; i < count; ++i) {
            RqelRawSample& sample = FSamples[i];
            sample.setVal1(aStream.readU32());
            sample.setVal2(aStream.readU32());
            sample.setVal3(aStream.readU32());
        }
    } else {
        Details(aProgress,
                "reading in old format position samples, consider re-saving this dataset for "
                "much faster loading times");
        for (int32_t i = 0; i < count; ++i) {
            const uint32_t word = aStream.readU32();
            const int16_t x = aStream.readI16();
            const int16_t y = aStream.readI16();
            FSamples[i] = SampleFromOldLayout(word, x, y);
            if ((i + 1) % 250 == 0) {
                ReportPosition(aProgress, aStream);
            }
        }
    }
    if (aVersion >= kSamples12From) {
        ReportPosition(aProgress, aStream);
    }
    // Balls' heights were stored in mm where the sample now keeps cm.
    if (aVersion < 72 && Role() == roleBall) {
        for (int32_t i = 0; i < count; ++i) {
            FSamples[i].SetZ(FSamples[i].ZinMM() / 10);
        }
    }
    if (count >= 2 && FSamples[0].TimeStampInMS() > FDataSet->DurationInMS()) {
        FSamples[0].AddTimeInMS(-FSamples[0].TimeStampInMS());
    }
    FSampleCount.store(count, std::memory_order_release);
}

void TqelTransponderData::Read10HzIndex(BinaryReader& aStream, uint8_t aVersion,
                                        IlpmProgress* aProgress) {
    std::lock_guard lock(FCriticalIndexSection);
    if (aVersion < kIndexFrom) {
        Details(aProgress,
                "old data format: rebuilding indexes, consider re-saving this dataset for much "
                "faster loading times");
        RebuildIndexesAfterOldRead();
        return;
    }
    Details(aProgress, "reading index and distances");
    const int64_t maxSlots = FSampleIdx10Hz.MaxCapacity();
    if (aVersion < kIndexCapacityFrom) {
        const bool withStatus = aVersion >= kSamples12From;
        const int32_t count = ReadCount(
            aStream, withStatus ? kOldIndexWithStatusSize : kOldIndexSize, maxSlots, "index");
        FSampleIdx10Hz.Resize(count);
        for (int32_t i = 0; i < count; ++i) {
            const uint32_t status = withStatus ? aStream.readU32() : 1;
            const int32_t lastSampleIndex = aStream.readI32();
            FSampleIdx10Hz[i] = SlotWithDistance(status, lastSampleIndex, aStream.readDouble(), 0);
        }
        FSampleIdx10HzWritten = count;
        Details(aProgress, "old index format: rebuilding indexes");
        RebuildIndexesAfterOldRead();
        return;
    }
    qint64 recordSize = sizeof(RqelSampleIdx10Hz);
    if (aVersion < 80) {
        recordSize = sizeof(RqelSampleIdx10HzUpToV79);
    } else if (aVersion < 123) {
        recordSize = sizeof(RqelSampleIdx10HzUpToV122);
    } else if (aVersion < 125) {
        recordSize = sizeof(RqelSampleIdx10HzUpToV124);
    } else if (aVersion < kIndexCurrentFrom) {
        recordSize = sizeof(RqelSampleIdx10HzUpToV132);
    }
    const int32_t slotCount = ReadCount(aStream, recordSize, maxSlots, "index");
    FSampleIdx10Hz.Resize(slotCount);
    if (aVersion < 80) {
        ReadOldIndex<RqelSampleIdx10HzUpToV79>(aStream, FSampleIdx10Hz, slotCount);
    } else if (aVersion < 123) {
        ReadOldIndex<RqelSampleIdx10HzUpToV122>(aStream, FSampleIdx10Hz, slotCount);
    } else if (aVersion < 125) {
        ReadOldIndex<RqelSampleIdx10HzUpToV124>(aStream, FSampleIdx10Hz, slotCount);
    } else if (aVersion < kIndexCurrentFrom) {
        ReadOldIndex<RqelSampleIdx10HzUpToV132>(aStream, FSampleIdx10Hz, slotCount);
    } else {
        ReadRuns(aStream, FSampleIdx10Hz, slotCount);
        if (aVersion <= 145) {
            for (int32_t i = 0; i < slotCount; ++i) {
                RqelSampleIdx10Hz& slot = FSampleIdx10Hz[i];
                slot.setCumSpeedIndex(Thousandfold(slot.CumSpeedIndex()));
                slot.setCumAccelIndex(Thousandfold(slot.CumAccelIndex()));
                slot.setCumDecelIndex(Thousandfold(slot.CumDecelIndex()));
                slot.setCumHeartIndex(Thousandfold(slot.CumHeartIndex()));
            }
        }
    }
    FSampleIdx10HzWritten = slotCount;
    FLiveUpdateTimestamp = slotCount * 100;
}

void TqelTransponderData::ReadHeartbeat(BinaryReader& aStream, uint8_t aVersion,
                                        IlpmProgress* aProgress) {
    Details(aProgress, "reading heartbeat");
    const int32_t count =
        ReadCount(aStream, sizeof(RqelHeartbeatSample), FHeartbeat.MaxCapacity(), "heartbeat");
    FHeartbeatCount.store(0, std::memory_order_release);
    FHeartbeat.Resize(count);
    if (count <= 0) {
        return;
    }
    ReadRuns(aStream, FHeartbeat, count);
    FHeartbeatCount.store(count, std::memory_order_release);
    FHeartbeatFiltered = aVersion >= 45 ? aStream.readBool()
                                        : FHeartbeat[0].TelemetryType() == kFilteredHeartbeatType;
    ReportPosition(aProgress, aStream);
    if (!HeartbeatFiltered()) {
        RemoveHeartbeatSpikes();
    }
    rebuildHeartbeatIndexes();
}

void TqelTransponderData::ReadAccelerometer(BinaryReader& aStream, uint8_t aVersion,
                                            IlpmProgress* aProgress) {
    Details(aProgress, "reading accelerometer");
    // A negative count reads as none, as it always did.
    const int32_t count = std::max(aStream.readI32(), 0);
    if (count > FAccelerometer.MaxCapacity()) {
        throw EReadError(
            QStringLiteral("Transponder block: accelerometer count %1 is corrupt").arg(count));
    }
    aStream.checkCount(count, sizeof(RqelAccelerometerSample));
    FAccelerometerCount.store(0, std::memory_order_release);
    FAccelerometer.Resize(count);
    FAccelerometerFiltered.Resize(count);
    if (count == 0) {
        return;
    }
    const uint8_t rangeFlag = aVersion >= 44 ? aStream.readU8() : 0;
    ReadRuns(aStream, FAccelerometer, count);
    ReportPosition(aProgress, aStream);
    if (aVersion < 64) {
        BuildAccelerometerIndex(count);
    } else {
        const int32_t slotCount = ReadCount(
            aStream, sizeof(int32_t), FAccelerometerIdx10Hz.MaxCapacity(), "accelerometer index");
        FAccelerometerIdx10Hz.Resize(slotCount);
        ReadRuns(aStream, FAccelerometerIdx10Hz, slotCount);
        const int32_t last = std::max(FAccelerometer[count - 1].TimestampInMS() / 100, 0);
        if (last >= slotCount) {
            FAccelerometerIdx10Hz.Resize(last + 1);
        }
        const int32_t length = FAccelerometerIdx10Hz.Capacity();
        for (int32_t slot = last; slot < length; ++slot) {
            FAccelerometerIdx10Hz[slot] = -1;
        }
        const int32_t duration = FDataSet->DurationInMS();
        for (int32_t i = count - 1; i >= 1; --i) {
            const int32_t time = FAccelerometer[i].TimestampInMS();
            const int32_t before = FAccelerometer[i - 1].TimestampInMS();
            if (time < duration && before < time) {
                const int32_t upper = std::min(time / 100, length - 1);
                for (int32_t slot = std::max(before / 100, 0); slot <= upper; ++slot) {
                    FAccelerometerIdx10Hz[slot] = i;
                }
            }
        }
    }
    if (aVersion < 106 && rangeFlag == kHighRangeByte) {
        for (int32_t i = 0; i < count; ++i) {
            FAccelerometer[i].setHighRange(true);
        }
    }
    FAccelerometerCount.store(count, std::memory_order_release);
    CalcFilteredAccelerometerData(0.8);
}

void TqelTransponderData::BuildAccelerometerIndex(int32_t aCount) {
    const int32_t length = DurationSlots(0);
    FAccelerometerIdx10Hz.Resize(length);
    for (int32_t slot = 0; slot < length; ++slot) {
        FAccelerometerIdx10Hz[slot] = 0;
    }
    for (int32_t i = 0; i < aCount; ++i) {
        const int32_t slot = FAccelerometer[i].TimestampInMS() / 100;
        // A sample after the dataset's end has no slot: it stays out of the index.
        if (slot >= 0 && slot < length) {
            FAccelerometerIdx10Hz[slot] = i;
        }
    }
}

void TqelTransponderData::ReadLapsAndSectors(BinaryReader& aStream, uint8_t aVersion) {
    if (aVersion < kLapsFrom) {
        updateLapsAndSectors();
        return;
    }
    const int32_t laps = ReadCount(aStream, kLapBlockSize, INT32_MAX, "lap");
    for (int32_t i = 0; i < laps; ++i) {
        AppendStoredLap()->readFromStream(aStream, aVersion);
    }
    const int32_t sectors = ReadCount(aStream, kSectorBlockSize, INT32_MAX, "sector");
    for (int32_t i = 0; i < sectors; ++i) {
        AppendStoredSector()->readFromStream(aStream, aVersion);
    }
}
