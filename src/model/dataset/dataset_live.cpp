// The live recording path: the time base and the intake of live samples, on the main thread.

#include <QFileInfo>
#include <algorithm>
#include <exception>

#include "database/datasets/dataset_rows.h"
#include "database/datasets/live_position.h"
#include "database/prepare_recording.h"
#include "foundation/position_records.h"
#include "model/blocks/block_objects.h"
#include "model/blocks/camera.h"
#include "model/blocks/time_recorder.h"
#include "model/blocks/video_stream.h"
#include "model/dataset/dataset.h"
#include "model/dataset/dataset_signals.h"
#include "model/dataset/lpm_clock.h"
#include "model/field/field.h"
#include "model/groups/group_objects.h"
#include "model/transponder/transponder_data.h"
#include "platform/numbers.h"

namespace {

constexpr double MSPerDay = 86400000.0;
// The wall clock is fixed from the first sample this far after the first one.
constexpr int64_t WallClockDelayMS = 9000;
// A sample further beyond the newest one than this is believed corrupt.
constexpr int64_t MaxForwardJumpMS = 1200000;
// Samples of this antenna move the clock but are never stored.
constexpr uint16_t ClockOnlyAntenna = 16;
// Live queries stay this far behind the newest sample, out of the cadence thread's way.
constexpr int32_t LiveQueryDelayMS = 1000;
// The time frame of a live summary.
constexpr int32_t LiveSummaryFrameMS = 100;

// The file name without its last extension; the folder stays.
QString WithoutExtension(const QString& aFilename) {
    const qsizetype dot = aFilename.lastIndexOf(QLatin1Char('.'));
    const qsizetype folderEnd =
        std::max(aFilename.lastIndexOf(QLatin1Char('/')), aFilename.lastIndexOf(QLatin1Char('\\')));
    return dot > folderEnd ? aFilename.left(dot) : aFilename;
}

}  // namespace

void TqelDataset::setTimestamp(TDateTime aValue) {
    if (aValue != FTimestamp.load()) {
        FTimestamp = aValue;
        setChanged(true);
    }
    if (Recording() && FTimeStampSet.load() && StoreLivePositions() && FDatabase && FDBDts) {
        RefreshDatasetRow();
    }
}

void TqelDataset::RefreshDatasetRow() {
    TqeldbDataset& row = *FDBDataset;
    row.setDtsID(GetDBDtsID());
    row.setGUID(FDatasetGUID);
    row.setRecordDate(FRecordingStartedAt);
    row.setTeamID(FTeamID);
    row.setFileName(QStringLiteral("Livedata"));
    row.setPowerFactor(FField->PowerFactor());
    row.setPositionfilter(FPositionAlgorithm.load());
    row.setPositionSensitivity(PositionSensitivity());
    row.setSpeedFrameInterval(SpeedFrameInterval());
    row.setMaxPowerWKG(MaxPower());
    row.setAccelFrameInterval(AccelFrameInterval());
    row.setHeartbeatFrameInterval(HeartbeatInterval());
    row.setHeartbeatSensitivity(HeartbeatSensitivity());
    row.setFirstLPMtime(static_cast<int32_t>(FFirstSampleTick.load()));
    row.setLiveData(Recording() && StoreLivePositions());
    row.setRecording(Recording());
    row.setStorePositionInterval(StorePositionInterval());
    FDBDts->Save(&row);
}

int32_t TqelDataset::PlayposInMS() const {
    return static_cast<int32_t>(Round(FInternalPlayPos.load()));
}

TDateTime TqelDataset::RealTime() const {
    return FTimer->GetDateTime(PlayposInMS());
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
    for (const auto& stream : FVideoStreams) {
        stream->setOffsetInMS(
            static_cast<int32_t>(aValue - static_cast<uint32_t>(stream->StartLPMtimeInMS())));
    }
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
    FLiveStages->FinalizeProcess(*FTimeOnIce);
    const TDateTime lastSample = FTimestamp.load() + FDurationInMS.load() / MSPerDay;
    FFilename = ClientConfig()->DatasetDir() +
                FormatDateTime(QStringLiteral("yyyymmdd hhnn"), FRecordingStartedAt) +
                QStringLiteral("-") + FormatDateTime(QStringLiteral("hhnn"), lastSample) +
                QStringLiteral(".qel");
    FLiveStages->Finish(*FTimer);
    NotifyItemChanged(this, itemRecording, 0);
    SettleVideoStreams();
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

// Cameras and video streams

void TqelDataset::recordCamPosition(const RqelCamPosCommunication& aCamPos) {
    if (!FFirstSampleSet.load() || aCamPos.TimeStampInMS == 0) {
        return;
    }
    TqelCamera* camera = GetCameraByIndex(aCamPos.CameraIndex);
    if (!camera) {
        camera = CameraAdd(aCamPos.CameraIndex);
    }
    // The same time base as the position samples, across a wrap of the LPM clock.
    const std::optional<int64_t> since =
        qel::LPMTimeSince(FFirstSampleTick.load(), aCamPos.TimeStampInMS);
    if (since) {
        camera->AddRecord(static_cast<int32_t>(*since), aCamPos);
    }
}

void TqelDataset::SettleVideoStreams() {
    const QString folder = ClientConfig()->VideoDir();
    for (auto i = static_cast<int32_t>(FVideoStreams.size()) - 1; i >= 0; --i) {
        TqelVideoStream& stream = *FVideoStreams[i];
        const QString recordingFile = stream.RecordingFile();
        // An empty name would name the folder itself.
        if (QFileInfo(folder + recordingFile).isFile()) {
            stream.setFilename(recordingFile);
            stream.setDescription(WithoutExtension(recordingFile));
        } else {
            FVideoStreams.erase(FVideoStreams.begin() + i);
        }
    }
}

void TqelDataset::updateLiveData() {
    qel::LiveStages& stages = *FLiveStages;
    const bool hasTrack = FField->HasTrack();
    // One failing transponder must not stop the others or the later steps: the first failure
    // goes on to the cadence thread's handler once everything ran.
    std::exception_ptr firstFailure;
    for (int32_t i = 0; i < TransponderCount(); ++i) {
        TqelTransponderData& transponder = *FTransponders.At(i);
        try {
            // The analyses of the step read games and groups; held per transponder so that the
            // main thread gets its turn between them.
            std::lock_guard lock(FModelLock);
            stages.updateLiveIndex(transponder);
            if (hasTrack) {
                stages.updateLapsAndSectors(transponder);
            }
        } catch (...) {
            if (!firstFailure) {
                firstFailure = std::current_exception();
            }
        }
    }
    stages.updatePartsRestTime(*this);
    if (FTimeOnIce) {
        stages.UpdateClock(*FTimeOnIce);
    }
    if (firstFailure) {
        std::rethrow_exception(firstFailure);
    }
}

void TqelDataset::GetPositions(int32_t aBeginTimeInMS, int32_t aEndTimeInMS,
                               std::vector<std::unique_ptr<TqeldbPosition>>* aPositions) {
    if (!aPositions) {
        return;
    }
    // Below a second of recording the limit would lie before dataset time 0.
    const int32_t limit =
        Recording() ? std::max(0, DurationInMS() - LiveQueryDelayMS) : PlayposInMS();
    const int32_t end = aEndTimeInMS > limit || aEndTimeInMS <= 0 ? limit : aEndTimeInMS;
    const int32_t begin = std::min(std::max(aBeginTimeInMS, 0), limit);
    for (int32_t i = 0; i < TransponderCount(); ++i) {
        aPositions->push_back(FLiveStages->CalcLiveData(*FTransponders.At(i), begin, end,
                                                        LiveSummaryFrameMS, true, false));
    }
}

void TqelDataset::SendTransponderSummary(int32_t aTPID, int32_t aHeartRate, double aDistanceInM) {
    IqelDataSetCallBack* callBack = FCallBack;
    if (!callBack || !FDBDataset) {
        return;
    }
    TqelTransponderData* transponder = GetTransponderByTP(aTPID);
    if (!transponder) {
        return;
    }
    callBack->SendSummaryData(FDBDataset->DtsID(), transponder->PlayerID(), aHeartRate,
                              aDistanceInM, aTPID);
}

void TqelDataset::GetLongAvaragePositions(int32_t aTimeStampStartInMS, int32_t aTimeStampStopInMS,
                                          TqelCalculatedPositionArray& aPositions) {
    for (int32_t i = 0; i < TransponderCount(); ++i) {
        aPositions.append(FLiveStages->CalcLongAvgPos(*FTransponders.At(i), aTimeStampStartInMS,
                                                      aTimeStampStopInMS));
    }
}

// End of cameras and video streams
