// The live recording path: the time base and the intake of live samples, on the main thread.

#include <exception>

#include "database/datasets/dataset_rows.h"
#include "database/prepare_recording.h"
#include "foundation/position_records.h"
#include "model/dataset/dataset.h"
#include "model/dataset/lpm_clock.h"
#include "model/transponder/transponder_data.h"

namespace {

constexpr double MSPerDay = 86400000.0;
// The wall clock is fixed from the first sample this far after the first one.
constexpr int64_t WallClockDelayMS = 9000;
// A sample further beyond the newest one than this is believed corrupt.
constexpr int64_t MaxForwardJumpMS = 1200000;
// Samples of this antenna move the clock but are never stored.
constexpr uint16_t ClockOnlyAntenna = 16;

}  // namespace

void TqelDataset::setTimestamp(TDateTime aValue) {
    if (aValue != FTimestamp.load()) {
        FTimestamp = aValue;
        setChanged(true);
    }
}

TDateTime TqelDataset::NTPTimestamp(int32_t aTimeStampInMS) const {
    const int64_t lpmTime = LPMTimeStampMS(aTimeStampInMS) - FSynchronisationLPMTimestamp;
    return static_cast<double>(lpmTime) / MSPerDay + FSynchronisationNTPTimestamp;
}

TDateTime TqelDataset::DatasetTimeToDateTime(int32_t aTimeInMS) const {
    return FTimestamp.load() + aTimeInMS / MSPerDay;
}

void TqelDataset::addCacheRequest() {
    // Statistics: a lost update between threads only blurs the rate.
    if (FCacheRequest.load(std::memory_order_relaxed) > 2000) {
        FCacheRequest = FCacheRequest.load(std::memory_order_relaxed) / 2;
        FCacheHits = FCacheHits.load(std::memory_order_relaxed) / 2;
    }
    ++FCacheRequest;
}

void TqelDataset::resetCacheStats() {
    FCacheRequest = 0;
    FCacheHits = 0;
}

void TqelDataset::SetFirstSampleTick(uint32_t aValue) {
    FFirstSampleTick = aValue;
    FFirstSampleSet = true;
    if (Recording() && StoreLivePositions() && FDBDts && FDBDataset) {
        FDBDataset->setFirstLPMtime(static_cast<int32_t>(aValue));
        FDBDts->Save(FDBDataset.get());
    }
}

void TqelDataset::FixWallClock(int64_t aSinceFirstMS) {
    FTimeStampSet = true;
    // A sample a day or more after the first says nothing about when the first arrived.
    if (aSinceFirstMS >= 86400000) {
        return;
    }
    setTimestamp(Now() - static_cast<double>(aSinceFirstMS) / MSPerDay);
    LogMessage(QStringLiteral("New TimeStamp: %1, FFirstSampleTick=%2, lLastSampleTick=%3")
                   .arg(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz"), Timestamp()))
                   .arg(FFirstSampleTick.load())
                   .arg(FFirstSampleTick.load() + aSinceFirstMS));
}

void TqelDataset::StoreLiveSample(int32_t aTimeInMS, const RqelLPMSample& anLPMSample) {
    const uint16_t antenna = anLPMSample.AntennaID();
    const int32_t index = FAntennaToTransponderID.Entry(antenna).TransponderIndex;
    TqelTransponderData* transponder = nullptr;
    if (index < 0) {
        TqelPrepareTransponder* prepared =
            FPrepareRec ? FPrepareRec->TransponderByAntenna(antenna) : nullptr;
        transponder = AddTransponder(antenna, prepared, 0);
    } else {
        transponder = getTransponder(index);
    }
    // The first sample's own time is dataset time 0: it is not stored.
    if (aTimeInMS > 0) {
        transponder->AddSample(aTimeInMS, anLPMSample);
    }
}

void TqelDataset::recordLPMSample(const RqelLPMSample& anLPMSample) {
    const uint32_t lpmTimeMS = anLPMSample.Timestamp() / 10;
    // Time 0 is no time: taken as the first tick it would leave every later sample implausible.
    if (lpmTimeMS == 0) {
        return;
    }
    try {
        if (!FFirstSampleSet.load()) {
            SetFirstSampleTick(lpmTimeMS);
            FTimeStampSet = false;
            setTimestamp(Now());
        }
        int64_t sinceFirst = 0;
        if (IgnoreTimestampCheck()) {
            // The sample already carries dataset time.
            sinceFirst = lpmTimeMS;
            if (sinceFirst > FDurationInMS.load()) {
                FDurationInMS = static_cast<int32_t>(sinceFirst);
            }
        } else {
            FLastSampleTick = anLPMSample.Timestamp();
            const std::optional<int64_t> since = qel::LPMTimeSince(FFirstSampleTick, lpmTimeMS);
            if (!since) {
                return;
            }
            sinceFirst = *since;
            if (!FTimeStampSet.load() && sinceFirst > WallClockDelayMS) {
                FixWallClock(sinceFirst);
            }
            if (sinceFirst > FDurationInMS.load() + MaxForwardJumpMS) {
                ++FExceptionCount;
                return;
            }
            if (sinceFirst > FDurationInMS.load()) {
                FDurationInMS = static_cast<int32_t>(sinceFirst);
            }
        }
        if (anLPMSample.AntennaID() != ClockOnlyAntenna) {
            StoreLiveSample(static_cast<int32_t>(sinceFirst), anLPMSample);
        }
        SetModified(true);
    } catch (const std::exception&) {
        ++FExceptionCount;
    }
}

void TqelDataset::setRecording(bool aValue) {
    if (FRecording.exchange(aValue) == aValue) {
        return;
    }
    if (aValue) {
        if (SportType() == sportIceHockey) {
            LogMessage(QStringLiteral("TqelDataset.SetRecording: Create ExternalClock"));
        }
        return;
    }
    const TDateTime lastSample = FTimestamp.load() + FDurationInMS.load() / MSPerDay;
    FFilename = ClientConfig()->DatasetDir() +
                FormatDateTime(QStringLiteral("yyyymmdd hhnn"), FRecordingStartedAt) +
                QStringLiteral("-") + FormatDateTime(QStringLiteral("hhnn"), lastSample) +
                QStringLiteral(".qel");
    NotifyItemChanged(this, itemRecording, 0);
    RemoveHeartbeatSpikes();
    if (StoreLivePositions() && FDBDts && FDBDataset) {
        FDBDataset->setRecording(false);
        FDBDts->Save(FDBDataset.get());
    }
    FExtrenalClock.reset();
}

void TqelDataset::RemoveHeartbeatSpikes() {
    // The filter reads the decoded beats, not their replacements.
    const bool showSpikes = FShowHBSpikes.exchange(false);
    struct Restore {
        std::atomic<bool>& flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{FShowHBSpikes, showSpikes};
    for (int32_t i = 0; i < TransponderCount(); ++i) {
        TqelTransponderData* transponder = getTransponder(i);
        if (!transponder->RemoveHeartbeatSpikes()) {
            LogMessage(QStringLiteral("RemoveHeartbeatSpikes of TPid %1 stopped: the heartbeat "
                                      "series is left unfiltered")
                           .arg(transponder->TPid()));
        }
    }
}
