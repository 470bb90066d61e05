#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "foundation/model_interfaces.h"
#include "foundation/settings/client_config.h"
#include "foundation/shared_enums.h"
#include "model/dataset/dataset_item_type.h"
#include "model/dataset/dataset_subscribers.h"
#include "model/dataset/live_stages.h"
#include "model/dataset/notify_varuza.h"
#include "model/dataset/smoothing_kernels.h"
#include "model/dataset/transponder_list.h"
#include "model/dataset/transponder_tables.h"
#include "model/groups/group_types.h"
#include "platform/date_time.h"

class QVariant;
struct RqelLPMSample;
namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel
class IqelDatasetSignals;
class IqelDataSetCallBack;
class IlpmProgress;
class TqelAvailableTransponder;
class TqelCamera;
class TqelDatabase;
class TqelEvent;
class TqelGamePart;
class TqelGroup;
class TqelMarker;
class TqelMatchInfo;
class TqelPath;
class TqelPlayList;
class TqelPlayListItem;
class TqelPrepareRecording;
class TqelPrepareTransponder;
class TqelStitchFile;
class TqelTimeOnIce;
class TqelTimeRecorder;
class TqelVideoStream;
class TqelViewerOptionSet;
class TqelVisualisation;
class TqeldbAgilityDefinitions;
class TqeldbAgilityTest;
class TqelField;
class TqeldbAnalyzeDefinitions;
class TqeldbDataset;
class TqeldbDatasets;
class TqeldbExerciseNames;
class TqeldbPlayer;
class TqeldbPlayers;
class TqeldbPosition;
class TqeldbPrepareRecordings;
class TqeldbTeams;
class TqeldbTransponders;

// Transponder store
class TqeldbAnalyzeDef;
class TqelGame;
class TqelLap;
class TqelSector;
class TqelTransponderData;
enum TqelPositionAlgorithm : uint8_t;
// End of transponder store
namespace qel {
class RebuildLoop;
}

namespace qel {
class BinaryReader;
// A transponder that cannot join the dataset: its antenna id or TPid lies outside the tables.
// A kind of refused sample, so that the intake counts it.
QEL_DECLARE_EXCEPTION(ETransponderRefused, ESampleRefused);

// The highest believable speed of the sport, m/s.
int32_t MaxSpeedOfSport(TqelSports aSport);
}  // namespace qel

// One recording, or one dataset read from its file, in memory: its transponders, the tables that
// find them by antenna and by TPid, its settings and its link to the database.
//
// Threads: a dataset is created and destroyed on the main thread, which also adds and removes
// transponders and runs the setters. The cadence thread reads the transponder list while the
// main thread appends (see qel::TransponderList) and reads the settings it needs, which are
// atomic. Notifications may be raised on any thread; their subscribers are called on the main
// thread (queued there when raised elsewhere), except the agility changed and deleting notices
// and the field notice, which run on the raising thread. The subscriber list guards itself.
class TqelDataset : public TNotifyVaruza, public IqelDatasetData {
public:
    // Without a database the registered database manager's is taken; without either every
    // database step is skipped.
    explicit TqelDataset(TqelDatabase* aDatabase = nullptr);
    // Must run on the main thread: the deleting notice is delivered at once there, and the
    // queued notices still pending for this dataset are dropped with it.
    ~TqelDataset() override;

    // IqelDatasetData
    TqelDataset* GetDatasetVaruza() override { return this; }
    int32_t GetDBDtsID() override { return static_cast<int32_t>(DBDtsID()); }

    // The file name without its folder.
    QString ToString() const;
    // 0 without an analysis definition.
    int32_t AnalyzeDefID() const;

    // Inside an update bracket a change is only remembered; outside it (or at the last
    // EndUpdate) the dataset is marked modified and one ItemChanged(dataset, itemDataSet, -1)
    // goes out.
    void setChanged(bool aValue) override;

    bool Modified() const { return FModified_.load(); }
    bool EventsModified() const { return FEventsModified.load(); }
    void SetEventsModified(bool aValue) { FEventsModified = aValue; }
    // Set by the file reader while it reads: added, changed, deleted and cleared notices are
    // dropped meanwhile.
    bool Loading() const { return FLoading.load(); }
    void setLoading(bool aValue) { FLoading = aValue; }
    IqelDataSetCallBack* CallBack() const { return FCallBack; }
    void setCallBack(IqelDataSetCallBack* aValue) { FCallBack = aValue; }
    // The relay of a transponder's live summary to the callback, with the dataset row's id and
    // the player of aTPID; nothing without a callback or without a transponder of that id.
    void SendTransponderSummary(int32_t aTPID, int32_t aHeartRate, double aDistanceInM);

    void subscribeToSignals(IqelDatasetSignals* aSubscriber);
    // Removes the subscriber's first entry and waits until no other thread is inside one of
    // its calls, so that the caller may free it.
    void unsubscribeToSignals(IqelDatasetSignals* aSubscriber);

    void NotifyItemAdded(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID);
    void NotifyItemChanged(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID);
    void NotifyItemDeleting(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID);
    void NotifyItemDeleted(TqelDatasetItemType anItemType, int32_t anID);
    void NotifyItemsCleared(TqelDatasetItemType anItemType);
    void NotifyItemSelected(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID);

    // The agility runs are database rows, not model objects: their notices carry no object,
    // only the run's TgID. Added reaches the main thread; changed and deleting run at once on
    // the caller's thread.
    void NotifyAgilityTestAdded(const TqeldbAgilityTest& aAgilityTest);
    void NotifyAgilityTestChanged(const TqeldbAgilityTest& aAgilityTest);
    void NotifyAgilityTestDeleting(const TqeldbAgilityTest& aAgilityTest);

    // Marks the dataset changed and calls every subscriber's ItemChanged(dataset, itemField, 0)
    // at once on the caller's thread, first subscriber first.
    void NotifyFieldChanged();

    // Field
    // Owned; made with the dataset as its owner, so it reports its changes here.
    TqelField* Field() const { return FField.get(); }
    // The game-clock samples and the dataset-to-wall-clock table; both live as long as the dataset.
    TqelTimeOnIce* TimeOnIce() const { return FTimeOnIce.get(); }
    TqelTimeRecorder* Timer() const { return FTimer.get(); }
    // The match's identifiers from the dataset file; lives as long as the dataset.
    TqelMatchInfo* MatchInfo() const { return FMatchInfo.get(); }
    // Reads the field from a field definition file and then remembers the file. A missing file
    // leaves the field as it was; reading while recording raises EFieldDefinitionError.
    void LoadFieldDefinition(const QString& aFieldDefinition);

    // Receives the dataset's log lines; an exception of the handler is swallowed.
    TqelLogMessageEvent OnLogMessage;

    // Identity and time base
    QUuid DatasetGUID() const { return FDatasetGUID; }
    void setDatasetGUID(const QUuid& aValue) { FDatasetGUID = aValue; }
    TDateTime Timestamp() const { return FTimestamp.load(); }
    // A different value marks the dataset changed.
    void setTimestamp(TDateTime aValue);
    TDateTime RecordingStartedAt() const { return FRecordingStartedAt; }
    void setRecordingStartedAt(TDateTime aValue) { FRecordingStartedAt = aValue; }
    uint32_t FirstSampleTick() const { return FFirstSampleTick.load(); }
    bool FirstSampleSet() const { return FFirstSampleSet.load(); }
    uint32_t LastLPMTick() const { return FLastSampleTick.load(); }
    TDateTime SynchronisationNTPTimestamp() const { return FSynchronisationNTPTimestamp; }
    int32_t SynchronisationLPMTimestamp() const { return FSynchronisationLPMTimestamp; }
    // The network date-time of a dataset time.
    TDateTime NTPTimestamp(int32_t aTimeStampInMS) const;
    // The LPM time in ms of a dataset time.
    int64_t LPMTimeStampMS(int32_t aTimestamp) const {
        return int64_t{aTimestamp} + FFirstSampleTick.load();
    }
    TDateTime DatasetTimeToDateTime(int32_t aTimeInMS) const;
    void setSynchronisationData(int32_t anLPMTimestamp, TDateTime anNTPTimestamp) {
        FSynchronisationLPMTimestamp = anLPMTimestamp;
        FSynchronisationNTPTimestamp = anNTPTimestamp;
    }
    QString Filename() const { return FFilename; }
    void setFilename(const QString& aValue) { FFilename = aValue; }
    uint8_t StoredVersion() const { return FStoredVersion; }
    QString ExternalID() const { return FExternalID; }
    void setExternalID(const QString& aValue) { FExternalID = aValue; }
    QString RecordingGUID() const { return FRecordingGUID; }
    int32_t RecordingType() const { return FRecordingType; }
    int32_t DatasetType() const { return FRecordingType; }

    // Settings. The setters notify as their table says (see dataset_settings.cpp).
    // The sport of the recording; the field shares it. Derives MaxSpeed.
    TqelSports SportType() const { return FSportType.load(); }
    void setSportType(TqelSports aValue);
    int32_t MaxSpeed() const { return FMaxSpeed.load(); }
    int32_t DistanceInterval() const { return FDistanceInterval.load(); }
    void setDistanceInterval(int32_t aValue);
    int32_t SpeedFrameInterval() const { return FSpeedFrameInterval.load(); }
    void setSpeedFrameInterval(int32_t aValue);
    int32_t AccelFrameInterval() const { return FAccelFrameInterval.load(); }
    void setAccelFrameInterval(int32_t aValue) { FAccelFrameInterval = aValue; }
    int32_t HeartbeatInterval() const { return FHeartbeatInterval.load(); }
    void setHeartbeatInterval(int32_t aValue);
    int32_t HeartbeatSensitivity() const { return FHeartbeatSensitivity.load(); }
    void setHeartbeatSensitivity(int32_t aValue);
    bool ShowHBSpikes() const { return FShowHBSpikes.load(); }
    void setShowHBSpikes(bool aValue) { FShowHBSpikes = aValue; }
    double MaxPower() const { return FMaxPower.load(); }
    void setMaxPower(double aValue);
    int32_t LiveIndexCalcDelay() const { return FLiveIndexCalcDelay.load(); }
    void setLiveIndexCalcDelay(int32_t aValue) { FLiveIndexCalcDelay = aValue; }
    int32_t StorePositionInterval() const { return FStorePositionInterval.load(); }
    void setStorePositionInterval(int32_t aValue);
    bool StoreLivePositions() const { return FStoreLivePositions.load(); }
    void setStoreLivePositions(bool aValue);
    TqelNameRepresenting NameRepresenting() const { return FNameRepresenting.load(); }
    void setNameRepresenting(TqelNameRepresenting aValue) { FNameRepresenting = aValue; }
    bool UseLastKnownRawIn3DViewer() const { return FUseLastKnownRawIn3DViewer.load(); }
    void setUseLastKnownRawIn3DViewer(bool aValue);
    bool IgnoreTimestampCheck() const { return FIgnoreTimestampCheck.load(); }
    void setIgnoreTimestampCheck(bool aValue) { FIgnoreTimestampCheck = aValue; }
    bool LostConnection() const { return FLostConnection.load(); }
    void setLostConnection(bool aValue) { FLostConnection = aValue; }
    int32_t BallPossesionTimeFrame() const { return FBallPossesionTimeFrame; }
    int32_t BallPossessionExternalFramerate() const { return FBallPossessionExternalFramerate; }
    uint8_t DataSource() const { return FDataSource; }
    void setDataSource(uint8_t aValue) { FDataSource = aValue; }

    // Training times, rounded to five minutes.
    TDateTime BeginTraining() const { return FBeginTraining; }
    void setBeginTraining(TDateTime aValue);
    TDateTime EndTraining() const { return FEndTraining; }
    void setEndTraining(TDateTime aValue);
    int32_t BeginTrainingRoundingDif() const { return FBeginTrainingRoundingDif; }

    // Team
    int32_t TeamID() const { return FTeamID; }
    void setTeamID(int32_t aValue);
    QString TeamName() const { return FTeamName; }
    QString TeamSystemID() const { return FTeamSystemID; }
    void setTeamSystemID(const QString& aValue);
    QString TeamExternalID() const { return FTeamExternalID; }
    void setTeamExternalID(const QString& aValue) { FTeamExternalID = aValue; }
    QString FieldDefinitionFile() const { return FFieldDefinitionFile; }

    // Weather
    int32_t Humidity() const { return FHumidity; }
    double Temperature() const { return FTemperature; }
    QString Weather() const { return FWeather; }
    int32_t Clouds() const { return FClouds; }
    void setClouds(int32_t aValue) { FClouds = aValue; }
    double WindSpeed() const { return FWindSpeed; }
    void setWindSpeed(double aValue) { FWindSpeed = aValue; }
    int32_t WindDirection() const { return FWindDirection; }
    void setWindDirection(int32_t aValue) { FWindDirection = aValue; }
    bool WeatherInfoReceived() const { return FWeatherInfoReceived; }

    // Playback and selection
    bool Playing() const { return FPlaying.load(); }
    double InternalPlayPos() const { return FInternalPlayPos.load(); }
    bool WrapPlay() const { return FWrapPlay; }
    void setWrapPlay(bool aValue) { FWrapPlay = aValue; }
    int32_t TimelineMin() const { return FTimelineMin; }
    void setTimelineMin(int32_t aValue) { FTimelineMin = aValue; }
    int32_t TimelineMax() const { return FTimelineMax; }
    void setTimelineMax(int32_t aValue) { FTimelineMax = aValue; }
    TqelTransponderData* SelectedTransponder() const { return FSelectedTransponder; }
    uint8_t SelectionType() const { return FSelectionType; }
    int32_t SelectionAroundPlayPosMSBefore() const { return FSelectionAroundPlayPosMSBefore; }
    int32_t SelectionAroundPlayPosMSAfter() const { return FSelectionAroundPlayPosMSAfter; }
    int32_t SelectionFixedIntervalStartInMS() const { return FSelectionFixedIntervalStartInMS; }
    int32_t SelectionFixedIntervalEndInMS() const { return FSelectionFixedIntervalEndInMS; }

    // Live recording path (dataset_live.cpp), main thread. Takes one live position sample in
    // dataset time; never raises: a sample that cannot be taken is counted in ExceptionCount
    // (a std::exception) and dropped. Allocates nothing per sample.
    void recordLPMSample(const RqelLPMSample& anLPMSample);
    // Every transponder's heartbeat spikes, read without the spikes shown; logs a transponder
    // whose filter gave up.
    void RemoveHeartbeatSpikes();

    // Statistics of the live path
    int32_t CacheRequests() const { return FCacheRequest.load(); }
    void setCacheRequests(int32_t aValue) { FCacheRequest = aValue; }
    int32_t CacheHits() const { return FCacheHits.load(); }
    // Any thread. Halves both counters past 2000 requests, so that their ratio is a hit rate
    // over roughly the last 1000 to 2000 requests.
    void addCacheRequest();
    void addCacheHit() { ++FCacheHits; }
    void resetCacheStats();
    void setCacheHits(int32_t aValue) { FCacheHits = aValue; }
    int32_t ExceptionCount() const { return FExceptionCount.load(); }
    void setExceptionCount(int32_t aValue) { FExceptionCount = aValue; }
    int64_t IndexUpdateTime() const { return FIndexUpdateTime.load(); }
    void setIndexUpdateTime(int64_t aValue) { FIndexUpdateTime = aValue; }
    int32_t IndexUpdateCount() const { return FIndexUpdateCount.load(); }
    // Position algorithms
    int64_t GaussianCalculationCount() const {
        return FGaussianCalculationCount.load(std::memory_order_relaxed);
    }
    int64_t GaussianUsedSamplesCount() const {
        return FGaussianUsedSamplesCount.load(std::memory_order_relaxed);
    }
    // Any thread: statistics of the smoothing, where a lost update does no harm.
    void incGaussianCalculationCount() {
        FGaussianCalculationCount.fetch_add(1, std::memory_order_relaxed);
    }
    void incGaussianUsedSamplesCount(int32_t aNumber) {
        FGaussianUsedSamplesCount.fetch_add(aNumber, std::memory_order_relaxed);
    }
    void resetGaussianStats();
    // End of position algorithms

    // Ids of the owned objects
    int32_t LastMarkerID() const { return FLastMarkerID; }
    int32_t LastGameID() const { return FLastGameID; }
    int32_t LastEventID() const { return FLastEventID; }
    int32_t LastGroupID() const { return FLastGroupID; }
    int32_t LastGroupPartID() const { return FLastGroupPartID; }
    int32_t LastVisualisationID() const { return FLastVisualisationID; }
    int32_t LastViewerOptionID() const { return FLastViewerOptionID; }
    int32_t LastVideoStreamID() const { return FLastVideoStreamID; }
    int32_t LastStitchFileID() const { return FLastStitchFileID; }
    int32_t LastPlaylistID() const { return FLastPlaylistID; }

    // Database link: every object below is absent without a database, except the dataset row
    // and the agility definitions.
    TqelDatabase* Database() const { return FDatabase; }
    TqeldbDataset* DBDataset() const { return FDBDataset.get(); }
    TqeldbAgilityDefinitions* AgilityDefs() const { return FAgilityDefs.get(); }
    TqeldbPlayers* DBPlayers() const { return FDBPlayers.get(); }
    TqeldbTeams* DBTeams() const { return FDBTeams.get(); }
    TqeldbTransponders* DBTransponders() const { return FDBTransponders.get(); }
    TqeldbExerciseNames* ExerciseNames() const { return FExerciseNames.get(); }
    int32_t PrepareRecordingID() const { return FPrepareRecordingID; }
    // Set by the preparation loader; the dataset owns both.
    TqeldbPrepareRecordings* DBPrepareRecordings() const { return FDBPrepareRecordings.get(); }
    void setDBPrepareRecordings(std::unique_ptr<TqeldbPrepareRecordings> aValue);
    TqelPrepareRecording* PrepareRec() const { return FPrepareRec.get(); }
    void setPrepareRec(std::unique_ptr<TqelPrepareRecording> aValue);

    // Transponder registry (see dataset_registry.cpp). Readers on other threads see only
    // transponders that are complete.
    const qel::TransponderList& Transponders() const { return FTransponders; }
    int32_t TransponderCount() const { return FTransponders.Count(); }
    // Raises EArgumentOutOfRangeException outside the list.
    TqelTransponderData* getTransponder(int32_t anIndex) const {
        return FTransponders.Get(anIndex);
    }
    // The transponder of the antenna, made and announced when the antenna has none. Raises
    // qel::ETransponderRefused, registering nothing, for an antenna outside 0..16383 or a TPid
    // outside 0..65535.
    TqelTransponderData* AddTransponder(int32_t anAntennaID, TqelPrepareTransponder* aPrepTP,
                                        int32_t aPlayerId);
    TqelTransponderData* GetTransponderByAtenna(int32_t anAntennaID) const;
    TqelTransponderData* GetTransponderByTP(int32_t aTPID) const;
    TqelTransponderData* GetTransponderByExternalID(const QString& anExternalID) const;
    TqelTransponderData* GetTransponderByName(const QString& aAthleteName) const;
    // The athlete whose name holds the surname that the text ends with ("J. Smith").
    TqelTransponderData* TransponderByLastPartOfName(const QString& aAthleteName) const;
    TqelTransponderSet ArrayOfAntennaIDsToTransponderSet(std::span<const uint16_t> aValue) const;
    int32_t MaxTPid() const;
    int32_t MaxTransponderID() const { return FMaxTransponderID; }
    int32_t TransponderIDTableSize() const { return FTransponderIDToIndex.Size(); }
    // Refused while recording; a bad index raises EArgumentOutOfRangeException.
    void removeTransponder(int32_t aTransponderIndex);
    void RenumberTransponders();
    // Takes over the athlete properties of a transponder another server sent.
    void HandleTransponderFromOther(const TqelTransponderData& aTransponder);

    // While recording, the cadence thread reads the field without a lock: it may not be read
    // from a stream then. The recorder switches it.
    bool Recording() const { return FRecording.load(); }
    // Switching off names the dataset file after the recording's times, tells the subscribers
    // (itemRecording) and clears the database row's recording flag (dataset_live.cpp).
    void setRecording(bool aValue);

    // Cameras and video streams
    // Live recording path (dataset_live.cpp). Takes one camera sample, main thread: none before
    // the first position sample, none of time 0, none a little before the first tick; a time
    // far below it has wrapped.
    void recordCamPosition(const RqelCamPosCommunication& aCamPos);
    // The cadence thread: every transponder's live index (and laps and sectors on a field with
    // a track), then the game parts' rest times and the time-on-ice clock.
    void updateLiveData();
    // Appends one new live summary per transponder for the span, clamped to the live limit
    // (1000 ms behind the newest sample while recording, else the play position). Nothing
    // without a list.
    void GetPositions(int32_t aBeginTimeInMS, int32_t aEndTimeInMS,
                      std::vector<std::unique_ptr<TqeldbPosition>>* aPositions);
    // Appends every transponder's long average position over the span, in list order.
    void GetLongAvaragePositions(int32_t aTimeStampStartInMS, int32_t aTimeStampStopInMS,
                                 TqelCalculatedPositionArray& aPositions);
    // The play position rounded to whole ms.
    int32_t PlayposInMS() const;
    // The wall-clock time of the play position, from the time recorder.
    TDateTime RealTime() const;
    // The stages the live path drives; the model's own unless replaced. Set before a
    // recording starts; not owned.
    qel::LiveStages& LiveStages() const { return *FLiveStages; }
    void setLiveStages(qel::LiveStages* aStages) {
        FLiveStages = aStages ? aStages : &qel::LiveStages::Model();
    }

    // Cameras (dataset_media.cpp), main thread. The first camera of that index, else a new
    // one; either takes the prepared recording's lines for that camera.
    TqelCamera* CameraAdd(uint8_t aCameraIndex);
    // Null at or beyond the count; a negative position raises EArgumentOutOfRangeException.
    TqelCamera* GetCamera(int32_t aIndex) const;
    TqelCamera* GetCameraByID(int32_t aID) const;
    TqelCamera* GetCameraByIndex(int32_t aIndex) const;
    int32_t CameraCount() const { return static_cast<int32_t>(FCameras.size()); }

    // Video streams (dataset_media.cpp), main thread. A new stream, numbered after the last,
    // its camera index from the last digit of its own file name ("..._dome3.mp4" is camera 2);
    // announced.
    TqelVideoStream* addVideoStream(const QString& aDescription, const QString& aFilename,
                                    int32_t anOffsetInMS);
    // Null for a position outside the list.
    TqelVideoStream* getVideoStream(int32_t anIndex) const;
    int32_t VideoStreamCount() const { return static_cast<int32_t>(FVideoStreams.size()); }
    void notifyVideoStreamChanged(TqelVideoStream* aVideoStream);
    // Does nothing for a position outside the list.
    void DeleteVideoStream(int32_t aIndex);
    // Ids start again at 1 after this.
    void clearVideoStreams();
    TqelVideoStream* GetVideoStreamByID(int32_t aID) const;
    TqelVideoStream* GetVideoStreamByCameraIndex(int32_t aCameraIndex) const;
    // The first stream whose video time for aTimeInMS lies after 0 and, when it has a
    // duration, before its end.
    TqelVideoStream* FirstVideoStreamByTime(int32_t aTimeInMS) const;
    // Timestamp minus RecordingStartedAt in whole ms when positive, else 0: the offset of the
    // videos started with the recording.
    int32_t RecordingVideoOffsetInMS() const;
    // Attaches the recording's video files in aVideoPath (named like the dataset's first 13
    // characters, then "dome"). Renames that the caller should make are added to aVideofiles
    // as "file=target"; no file is touched.
    void FindMatchingVideoFiles(TqelCopyfileOnAttach aCopyVideoFileOnAttach,
                                const QString& aVideoPath, QStringList* aVideofiles);

    // Stitch files (dataset_media.cpp), main thread. Ids keep counting after a clear.
    TqelStitchFile* addStitchFile(const QString& aDescription, const QString& aFilename,
                                  int32_t anOffsetInMS);
    // Raises EArgumentOutOfRangeException outside the list.
    void DeleteStitchFile(int32_t aIndex);
    void clearStitchFiles();
    // Raises EArgumentOutOfRangeException outside the list.
    TqelStitchFile* GetStitchFile(int32_t anIndex) const;
    TqelStitchFile* GetStitchFileByID(int32_t aID) const;
    int32_t StitchFileCount() const { return static_cast<int32_t>(FStitchFiles.size()); }
    // Tells only for a file in the list.
    void notifyStitchFileChanged(TqelStitchFile* aStitchFile);
    // End of cameras and video streams

    // Playlists, viewer option sets and paths (dataset_playlists.cpp), main thread.
    // The top of the playlist tree: ID 0, not in the playlist list, lives with the dataset.
    TqelPlayList* PlayListRoot() const { return FPlayListRoot.get(); }
    // A new playlist numbered after the last, a child of the playlist aParentID names (the root
    // for 0 or an unknown id; of none for -1); announced.
    TqelPlayList* PlayListAdd(const QString& aDescription, int32_t aTPID, int32_t aParentID);
    // Deletes its items, then its children, then itself; once the list is empty ids start again
    // at 1. Nothing for null or a playlist outside the list (the root).
    void PlayListDelete(TqelPlayList* aPlayList);
    // By athlete name: into the child named aDescription (made when missing) of the athlete's
    // playlist under the root (made, named after the athlete, when missing). Otherwise into the
    // selected playlist. Null, and nothing added, for an unknown transponder, without a
    // selected playlist, or when AddItem adds nothing.
    TqelPlayListItem* PlayListItemAdd(bool aByAthletename, int32_t aVideoID,
                                      const QString& aDescription, int32_t aTransponderId,
                                      int32_t aBeginTimeInMS, int32_t aEndTimeInMS);
    // Frees every playlist of the list; ids keep counting.
    void ClearPlayList();
    // Raises EArgumentOutOfRangeException outside the list.
    TqelPlayList* GetPlaylist(int32_t anIndex) const;
    // The last playlist of that id; the root for 0 or less or when there is none. Never null.
    TqelPlayList* GetPlayListByID(int32_t aID) const;
    int32_t PlayListCount() const { return static_cast<int32_t>(FPlaylists.size()); }
    // Deleting or clearing the selected playlist or item selects none.
    TqelPlayList* SelectedPlayList() const { return FSelectedPlayList; }
    void setSelectedPlayList(TqelPlayList* aValue);
    TqelPlayListItem* SelectedPlayListItem() const { return FSelectedPlayListItem; }
    void setSelectedPlayListItem(TqelPlayListItem* aValue);
    void notifyPlaylistChanged(TqelPlayList* aPlayList);
    // The dataset file's playlist list of any version (the count and blocks from version 81):
    // the counter starts again from the ids read and the root's children are emptied first.
    void readPlayLists(qel::BinaryReader& aStream, uint16_t aVersion);
    void writePlayLists(qel::BinaryWriter& aStream) const;

    // Viewer option sets. A new set is not announced.
    TqelViewerOptionSet* addViewerOptionSet();
    // Announces the deletion of any set but null; frees it when it is in the list.
    void DeleteViewerOptionSet(TqelViewerOptionSet* aViewerOptionSet);
    void DeleteViewerOptionSet(const QString& aDescription);
    TqelViewerOptionSet* ViewerOptionByID(int32_t aID) const;
    // Exact name, letter case included.
    TqelViewerOptionSet* ViewerOptionByName(const QString& aName) const;
    int32_t ViewerOptionSetCount() const { return static_cast<int32_t>(FViewerOptionSets.size()); }
    // Raises EArgumentOutOfRangeException outside the list.
    TqelViewerOptionSet* GetViewerOptionSet(int32_t anIndex) const;
    int32_t IncLastViewerOptionID() { return ++FLastViewerOptionID; }
    // Never lowers the counter.
    void setLastViewerOptionID(int32_t aValue);
    // The dataset file's list of viewer option sets (from version 94), after the groups.
    void readViewerOptionSets(qel::BinaryReader& aStream, uint16_t aVersion);
    void writeViewerOptionSets(qel::BinaryWriter& aStream) const;

    // Paths: announced with their position in the list.
    TqelPath* PathAdd(int32_t aTPID, int32_t aTimeBegin, int32_t aTimeEnd, int32_t aColor);
    void PathClear();
    int32_t PathCount() const { return static_cast<int32_t>(FPaths.size()); }
    // Raises EArgumentOutOfRangeException outside the list.
    TqelPath* GetPath(int32_t aIndex) const;
    // End of playlists, viewer option sets and paths

    // Transponder store
    // What a transponder reads of its dataset. Atomic: the cadence thread and the rebuild tasks
    // read them while the main thread may change them.
    TqelPositionAlgorithm PositionAlgorithm() const;
    void setPositionAlgorithm(TqelPositionAlgorithm aValue);
    int32_t PositionSensitivity() const { return FPositionSensitivity.load(); }
    void setPositionSensitivity(int32_t aValue);
    bool UseTelemetryIDs() const { return FUseTelemetryIDs.load(); }
    void setUseTelemetryIDs(bool aValue) { FUseTelemetryIDs = aValue; }
    int32_t DurationInMS() const { return FDurationInMS.load(); }
    void setDurationInMS(int32_t aValue) { FDurationInMS = aValue; }
    int64_t DBDtsID() const { return FDatabaseID.load(); }
    void setDBDtsID(int64_t aValue) { FDatabaseID = aValue; }
    bool IndexesNeedsToRebuild() const { return FIndexesNeedsToRebuild.load(); }
    void setIndexesNeedsToRebuild(bool aValue) { FIndexesNeedsToRebuild = aValue; }
    // The first analysis definition; not owned, may be absent.
    TqeldbAnalyzeDef* AnalyzeDef() const { return FAnalyzeDef; }
    // The antenna's slot (1..4) at its transponder; 0 for an id outside 0..16383 or never
    // registered. Main thread.
    int32_t AntennaIndex(int32_t anAntennaID) const;
    void setAntennaEntry(int32_t anAntennaID, const qel::AntennaEntry& anEntry);
    // The game running at that time; null when none.
    TqelGame* GameByTime(int32_t aTimeInMS) const;
    // Receives every sector a transponder adds.
    std::function<void(TqelSector*)> OnNewSector;
    void notifyTransponderChanged(TqelTransponderData* aTransponder);
    void notifyLapAdded(TqelLap* aLap);
    void notifySectorAdded(TqelSector* aSector);
    // Laps and sectors of every transponder, in list order (main thread).
    void notifyLapChanged(TqelLap* aLap);
    void notifySectorChanged(TqelSector* aSector);
    // Empties them, then one cleared notice.
    void clearLapsAndSectors();
    // Empties them and detects them again from the start.
    void RecalculateLapsAndSectors();
    // Detects them on from where each transponder stopped.
    void updateLapsAndSectorsFilterd();
    // End of laps and sectors

    // Index rebuild (dataset_rebuild.cpp), main thread: every transponder's indexes and
    // analysis run from its samples. Not while recording: each raises qel::EIndexRebuildRefused
    // then, changing nothing. The athletes' most-intense-period references are read once on
    // this thread for the whole run.
    // Called with the transponder just rebuilt, or null when its list position no longer exists.
    using TqelRebuildTaskFinished = std::function<void(TqelTransponderData* aTransponder)>;
    // Clears laps and sectors, prepares, and rebuilds on the pool (aThreaded, without database
    // access) or here in list order (with it). aDoTaskFinished may be empty; the parallel run
    // calls it from the main thread's queue after returning, the sequential one at once. True
    // when the run completed. Afterwards IndexesNeedsToRebuild is True after a cancel or
    // without a database, else False. An exception of the sequential run propagates.
    bool rebuildIndexes(bool aThreaded, const TqelRebuildTaskFinished& aDoTaskFinished);
    // The parallel run alone: blocks without letting messages run, keeping the crash reporter
    // told that the program lives; a transponder that raises is reported and the others go on.
    // False when cancelled.
    bool rebuildIndexes(const TqelRebuildTaskFinished& aDoTaskFinished);
    // The parallel rebuild on a progress display whose "Cancel" stops it.
    bool rebuildIndexesProgress(IlpmProgress* aProgressCallback, bool aDoUpdateCaption);
    // Cancels the running parallel rebuild, if any. Any thread.
    void DoCancelRebuild(QObject* aSender);
    // Reads the agility definitions and the analysis definitions again.
    void InitRebuildIndexes();
    void rebuildFatigueIndexes();
    // Threads of the parallel rebuild's own pool; 0 (the default): one per core.
    int RebuildThreadCount() const { return FRebuildThreadCount; }
    void setRebuildThreadCount(int aValue) { FRebuildThreadCount = aValue; }

private:
    bool RunParallelRebuild(const TqelRebuildTaskFinished& aDoTaskFinished);
    void RebuildInTask(int32_t aPosition, const TqelRebuildTaskFinished& aDoTaskFinished);
    void RebuildProgressStep(TqelTransponderData* aTransponder);
    void RefuseRebuildWhileRecording() const;
    // The running parallel rebuild; guarded by FRebuildLock, which DoCancelRebuild takes too.
    std::mutex FRebuildLock;
    std::shared_ptr<qel::RebuildLoop> ForLoopTask;
    int FRebuildThreadCount = 0;
    // Analysis definition lists replaced by a rebuild's preparation: runs not yet rebuilt still
    // read their zone tables.
    std::vector<std::unique_ptr<TqeldbAnalyzeDefinitions>> FRetiredAnalyzeDefinitions;

public:
    // Position algorithms
    // The smoothing kernels, rebuilt from the settings: the position and accelerometer kernels
    // for the current algorithm and sensitivity, the heartbeat kernel for the heartbeat interval
    // and sensitivity. Each build publishes a new set; a set that a computation still holds lives
    // on until it lets go, so the cadence thread never reads a torn or freed kernel.
    void BuildPositionWeights();
    void BuildHeartbeatWeights();
    // The current set, taken once per computation. Any thread.
    std::shared_ptr<const qel::SmoothingKernels> Kernels() const;
    // Single weights of the current set: 0 beyond each kernel's reach.
    double getPositionWeight(int32_t aTimePos) const;
    double getAccelerometerWeight(int32_t aTimePos) const;
    double getHeartbeatWeight(int32_t aTimePos) const;
    // End of position algorithms

    // Groups and games (dataset_groups.cpp, dataset_games.cpp). The main thread changes and
    // frees games (parts), groups (members, laps), events and markers under ModelLock(); other
    // threads hold it while they walk these lists or use their objects. It is taken before any
    // transponder or calculation lock, on every thread.
    std::recursive_mutex& ModelLock() const { return FModelLock; }

    // Groups. Ids count from 1, those of part groups from 1001.
    TqelGroup* addGroup(TqelGame* aGame, TqelGroupType aGroupType);
    // Sends deleting and deleted also for a group outside the list. The group leaves its
    // members' transponders, the team lists and its part.
    void deleteGroup(TqelGroup* aGroup);
    void clearGroups();
    // Raises EArgumentOutOfRangeException outside the list.
    TqelGroup* getGroup(int32_t anIndex) const;
    int32_t GroupCount() const { return static_cast<int32_t>(FGroups.size()); }
    TqelGroup* getGroupByID(int32_t aGroupID) const;
    TqelGroup* getGroupByGUID(const QString& aGUID) const;
    // Null for a null variant.
    TqelGroup* findGroupByID(const QVariant& anID) const;
    // The last group of that exact name.
    TqelGroup* GroupByName(const QString& aName) const;
    void notifyGroupChanged(TqelGroup* aGroup);
    TqelGroup* SelectedGroup() const { return FSelectedGroup; }
    void setSelectedGroup(TqelGroup* aValue);
    // In the first game whose whole part covers the time (begin <= t < end), the first team
    // holding aPlayer1 decides.
    bool InSameTeam(int32_t aTimeStampInMS, int32_t aPlayer1, int32_t aPlayer2) const;
    // That team's id; 0 when none.
    int32_t PlayerInTeam(int32_t aTimeStampInMS, int32_t aPlayerId) const;
    int32_t IncLastVisualisationID() { return ++FLastVisualisationID; }
    // Never lowers the counter.
    void setLastVisualisationID(int32_t aValue);
    TqelVisualisation* VisualisationByID(int32_t aID) const;

    // Games
    // aTeamCount -1: two teams for a match, one for an exercise, none otherwise.
    TqelGame* addGame(int32_t aPlayPosInMS, TqelGameType aGameType, int32_t aTeamCount,
                      const QString& aGameName);
    // A copy of the source game whose periods are cut into slices of aPartDurationMin minutes
    // (the rest, at most two slices, in the last one); named like the source. Slices of 0
    // minutes or less leave each period whole.
    TqelGame* AddGameWithParts(TqelGame* aSourceGame, int32_t aPartDurationMin,
                               const QString& aGameName);
    // The first game that is open or covers the time.
    TqelGame* ActiveGame(int32_t aPlayPosInMS) const;
    TqelGame* GameByGUID(const QUuid& aGUID) const;
    TqelGame* GameByName(const QString& aName) const;
    // Null at or past the count; a negative index raises EArgumentOutOfRangeException.
    TqelGame* getGame(int32_t anIndex) const;
    TqelGame* getGameByID(int32_t aID) const;
    int32_t GameCount() const { return static_cast<int32_t>(FGames.size()); }
    int32_t NumberGames(TqelGameType aGameType) const;
    TqelGame* GetGameByPartCode(const QString& aPartCode) const;
    TqelGamePart* GetGamePartByCode(const QString& aPartCode) const;
    // Always null: no part is chosen by time here.
    TqelGamePart* GamePartByTime(int32_t aTimeInMS) const;
    // Refused for a clock-based game while recording. The teams go with the game; the part
    // groups stay, without their game and part.
    void deleteGame(TqelGame* aGame);
    void clearGames();
    // The game of that GUID, else a new one, takes over aGame.
    TqelGame* HandleGameFromOther(const TqelGame& aGame);
    // "Begin <game>/<part>" or "End <game>/<part>" of the closest boundary within aRange ms.
    QString FindClosestGamePartName(int32_t aPlayPosInMS, int32_t aRange) const;
    TqelGame* SelectedGame() const { return FSelectedGame; }
    void setSelectedGame(TqelGame* aValue);
    TqelGame* SelectedExercise() const { return FSelectedExercise; }
    void setSelectedExercise(TqelGame* aValue);
    TqelGamePart* SelectedPart() const { return FSelectedPart; }
    void setSelectedPart(TqelGamePart* aValue);
    void notifyGameChanged(TqelGame* aGame);
    void notifyGamePartChanged(TqelGamePart* aGamePart);
    // Rest times: the gap to the next part by begin over all games; the last part's is 0, or
    // while recording the time since its end (updatePartsRestTime, cadence thread).
    void RecalculatePartsRestTime();
    void updatePartsRestTime();
    // The part with the latest begin.
    TqelGamePart* LastPart() const { return FLastPart; }
    void setLastPart(TqelGamePart* aValue);
    // Clears every reference to a part that is about to be freed.
    void ForgetGamePart(const TqelGamePart* aPart);

    // Events and markers (dataset_events.cpp), under ModelLock(); their notices go out after it
    // is let go. Events stay in start order and markers in time order while they are only added
    // here.
    // A negative start is stored as 0 but placed by the given one, after equal starts.
    TqelEvent* AddEvent(int8_t aSource, int32_t aTimeStart, int32_t aTimeEnd, int32_t aAthleteID,
                        int32_t aTargetID, const QString& aLabel, double aX, double aY,
                        int32_t aEventKind);
    // Raises the event counter; for events read without an id.
    int32_t NextEventID();
    // Nothing for null or an unknown id; a selected event is deselected first.
    void deleteEvent(TqelEvent* anEvent);
    void deleteEvent(int32_t anID);
    // 255: every event, one cleared notice. Otherwise the source's events starting within
    // [from, to] (0 or less: the start, the duration), every one of them when from = to.
    void clearEvents(uint8_t aSource, int32_t aFromInMS, int32_t aToInMS);
    TqelEvent* findEventByID(int32_t anID) const;
    // Raises EArgumentOutOfRangeException outside the list.
    TqelEvent* GetEvent(int32_t anIndex) const;
    int32_t EventCount() const;
    // Stable: start ascending, equal starts by kind descending.
    void EventsSortOnTime();
    // Events imported from the match-data provider (source 10).
    bool HasOptaEvents() const;
    void notifyEventChanged(TqelEvent* anEvent);
    // Tells the listeners to reload their event lists.
    void NotifyEventsRefresh();
    // Passed on unchanged to the callback while recording.
    void ReportEventToAllClients(uint8_t aKind, int32_t aValue1, int32_t aValue2, int32_t aValue3,
                                 int32_t aValue4, int32_t aValue5);
    // The file reader's step: one event block, appended in file order.
    TqelEvent* LoadEvent(qel::BinaryReader& aStream, int32_t aVersion);

    // A GUID text that is no GUID gives a new one. Placed after equal times.
    TqelMarker* addMarker(int32_t aPlayPosInMS, const QString& aDescription, int8_t aMarkerType,
                          int32_t aSymbol, const QString& aGUID);
    void deleteMarker(TqelMarker* aMarker);
    // 255: every marker, one cleared notice; else each marker of that type, last first.
    void clearMarkers(uint8_t aMarkerType);
    TqelMarker* findMarkerByGUID(const QUuid& aGUID) const;
    TqelMarker* findMarkerByID(int32_t anID) const;
    TqelMarker* getMarkerByID(int32_t anID) const { return findMarkerByID(anID); }
    // The marker exactly at that time.
    TqelMarker* findMarkerByTime(int32_t aPlayPosInMS) const;
    // The closest marker strictly less than aRange away; the earlier one of two as close.
    TqelMarker* FindClosestMarker(int32_t aPlayPosInMS, int32_t aRange) const;
    // Raises EArgumentOutOfRangeException outside the list.
    TqelMarker* getMarker(int32_t anIndex) const;
    int32_t MarkerCount() const;
    // 0 without markers.
    int32_t FindMarkerLowestTime() const;
    // The duration without markers.
    int32_t FindMarkerHighestTime() const;
    // The latest start marker strictly before the time; -1 when none.
    int32_t LastStartMarkerTimeInMS(int32_t aTimeStampInMS) const;
    bool StartMarkerPassed(int32_t aTimeStampInMS) const;
    void notifyMarkerChanged(TqelMarker* aMarker);
    // The file reader's step: one marker block entered like a new marker (so with a new GUID),
    // keeping the block's id unless the block has none.
    TqelMarker* LoadMarker(qel::BinaryReader& aStream, int32_t aVersion);

    // Selections of an event, a marker and a lap, each with its selected notice.
    TqelEvent* SelectedEvent() const { return FSelectedEvent; }
    void setSelectedEvent(TqelEvent* aValue);
    TqelMarker* SelectedMarker() const { return FSelectedMarker; }
    void setSelectedMarker(TqelMarker* aValue);
    TqelLap* SelectedLap() const { return FSelectedLap; }
    void setSelectedLap(TqelLap* aValue);

    // Agility definitions: taken from the list or the database, and dropped from it.
    void AddAgilityDef(int32_t aAglID);
    void RemoveAgilityDef(int32_t aAglID);
    // Marks the running tests of that definition invalid on every other transponder.
    void StopAllRunningTestes(int32_t aTPidExclude, int32_t aAgilDefID);
    // End of events and markers

private:
    // Clears every reference to a game, its parts and a group about to be freed.
    void ForgetGame(const TqelGame* aGame);
    void ForgetGroup(const TqelGroup* aGroup);
    mutable std::recursive_mutex FModelLock;
    // End of groups and games

private:
    // Position algorithms
    // The current kernels: FKernelLock covers only taking or replacing the pointer, never a
    // computation. The builders run one at a time under FKernelBuildLock.
    mutable std::mutex FKernelLock;
    std::shared_ptr<const qel::SmoothingKernels> FKernels;
    std::mutex FKernelBuildLock;
    void PublishKernels(std::shared_ptr<const qel::SmoothingKernels> aKernels);
    // End of position algorithms

    std::atomic<uint8_t> FPositionAlgorithm{0};
    std::atomic<int32_t> FPositionSensitivity{0};
    std::atomic<bool> FUseTelemetryIDs{false};
    std::atomic<int32_t> FDurationInMS{0};
    std::atomic<int64_t> FDatabaseID{0};
    std::atomic<bool> FIndexesNeedsToRebuild{false};
    TqeldbAnalyzeDef* FAnalyzeDef = nullptr;
    // End of transponder store

    // Playlists: the selection, the notices and the list let go of one whose items and
    // children are gone; the root lets go of its children.
    void FreePlayList(TqelPlayList* aPlayList);
    void EmptyPlayListRoot();

    // Cameras and video streams
    // Recording stopped: streams whose recording file exists take it, the others go.
    void SettleVideoStreams();
    void RefreshDatasetRow();
    qel::LiveStages* FLiveStages = &qel::LiveStages::Model();
    // End of cameras and video streams

private:
    template <class T>
    using Owned = std::vector<std::unique_ptr<T>>;

    // Construction steps (dataset.cpp).
    void CreateDatabaseObjects();
    void CopyClientSettings();
    // Every log line goes through here.
    void LogMessage(const QString& aMessage);

    // Registry steps (dataset_registry.cpp).
    struct NewTransponderPlan;
    NewTransponderPlan PlanTransponder(int32_t anAntennaID, TqelPrepareTransponder* aPrepTP,
                                       int32_t aPlayerId);
    int32_t NextFreeTPid(int32_t aFirst) const;
    TqelAvailableTransponder* AvailableByAntenna(int32_t anAntennaID);
    TqeldbPlayer* LocatePlayer(int32_t aPlayerID, int32_t aDefaultKey);
    void AssignProperties(TqelTransponderData& aTransponder, int32_t anIndex,
                          const NewTransponderPlan& aPlan);
    void RegisterAntenna(TqelTransponderData& aTransponder, int32_t anIndex, int32_t aSlot,
                         int32_t anAntennaID);
    void UnregisterAntennas(const TqelTransponderData& aTransponder);
    void RebuildTables();
    // Clears the position caches and the cache and smoothing counters and rebuilds the kernel.
    void ResetPositionCalculation();

    void SetModified(bool aValue) { FModified_ = aValue; }
    // Live path steps (dataset_live.cpp).
    void SetFirstSampleTick(uint32_t aValue);
    void FixWallClock(int64_t aSinceFirstMS);
    void StoreLiveSample(int32_t aTimeInMS, const RqelLPMSample& anLPMSample);
    // Runs aMessage's delivery at once on the main thread, else queues it there.
    void Post(const TqelDataSetSignalMessage& aMessage);
    void Deliver(const TqelDataSetSignalMessage& aMessage);

    // Identity and time base
    QUuid FDatasetGUID;
    std::atomic<TDateTime> FTimestamp{0};
    TDateTime FRecordingStartedAt = 0;
    std::atomic<uint32_t> FFirstSampleTick{0};
    std::atomic<bool> FFirstSampleSet{false};
    std::atomic<uint32_t> FLastSampleTick{0};
    std::atomic<bool> FTimeStampSet{false};
    int32_t FSynchronisationLPMTimestamp = 0;
    TDateTime FSynchronisationNTPTimestamp = 0;
    QString FFilename;
    uint8_t FStoredVersion = 0;
    QString FExternalID;
    QString FRecordingGUID;
    int32_t FRecordingType = 0;

    // Settings
    std::atomic<TqelSports> FSportType{sportGeneric};
    std::atomic<int32_t> FMaxSpeed{20};
    std::atomic<int32_t> FDistanceInterval{20};
    std::atomic<int32_t> FSpeedFrameInterval{0};
    std::atomic<int32_t> FAccelFrameInterval{50};
    std::atomic<int32_t> FHeartbeatInterval{0};
    std::atomic<int32_t> FHeartbeatSensitivity{0};
    std::atomic<bool> FShowHBSpikes{false};
    std::atomic<double> FMaxPower{0};
    std::atomic<int32_t> FLiveIndexCalcDelay{1050};
    std::atomic<int32_t> FStorePositionInterval{100};
    std::atomic<bool> FStoreLivePositions{false};
    std::atomic<TqelNameRepresenting> FNameRepresenting{nrpNone};
    std::atomic<bool> FUseLastKnownRawIn3DViewer{false};
    std::atomic<bool> FIgnoreTimestampCheck{false};
    std::atomic<bool> FLostConnection{false};
    int32_t FBallPossesionTimeFrame = 10;
    int32_t FBallPossessionExternalFramerate = 0;
    uint8_t FDataSource = 1;
    // Position algorithms: the smoothing counters (statistics, relaxed).
    std::atomic<int64_t> FGaussianCalculationCount{0};
    std::atomic<int64_t> FGaussianUsedSamplesCount{0};
    // End of position algorithms

    // Transponder registry
    qel::TransponderList FTransponders;
    qel::AntennaTable FAntennaToTransponderID;
    qel::TransponderIDTable FTransponderIDToIndex;
    int32_t FMaxTransponderID = 0;

    // Owned collections
    Owned<TqelMarker> FMarkers;
    int32_t FLastMarkerID = 0;
    Owned<TqelGame> FGames;
    int32_t FLastGameID = 0;
    TqelGamePart* FLastPart = nullptr;
    Owned<TqelEvent> FEvents;
    int32_t FLastEventID = 0;
    Owned<TqelGroup> FGroups;
    int32_t FLastGroupID = 0;
    int32_t FLastGroupPartID = 1000;
    int32_t FLastVisualisationID = 0;
    Owned<TqelViewerOptionSet> FViewerOptionSets;
    int32_t FLastViewerOptionID = 0;
    Owned<TqelVideoStream> FVideoStreams;
    int32_t FLastVideoStreamID = 0;
    Owned<TqelStitchFile> FStitchFiles;
    int32_t FLastStitchFileID = 0;
    Owned<TqelCamera> FCameras;
    Owned<TqelPlayList> FPlaylists;
    std::unique_ptr<TqelPlayList> FPlayListRoot;
    int32_t FLastPlaylistID = 0;
    Owned<TqelPath> FPaths;
    std::unique_ptr<TqelTimeOnIce> FTimeOnIce;
    std::unique_ptr<TqelTimeRecorder> FTimer;
    std::unique_ptr<TqelMatchInfo> FMatchInfo;
    // Freed when recording stops and at destruction; nothing puts anything here yet.
    std::unique_ptr<QObject> FExtrenalClock;

    // Database link
    TqelDatabase* FDatabase = nullptr;
    std::unique_ptr<TqeldbDataset> FDBDataset;
    std::unique_ptr<TqeldbExerciseNames> FExerciseNames;
    std::unique_ptr<TqeldbPlayers> FDBPlayers;
    std::unique_ptr<TqeldbTransponders> FDBTransponders;
    std::unique_ptr<TqeldbAnalyzeDefinitions> FDBAnalyzeDefinitions;
    std::unique_ptr<TqeldbTeams> FDBTeams;
    std::unique_ptr<TqeldbDatasets> FDBDts;
    std::unique_ptr<TqeldbAgilityDefinitions> FAgilityDefs;
    std::unique_ptr<TqeldbPrepareRecordings> FDBPrepareRecordings;
    std::unique_ptr<TqelPrepareRecording> FPrepareRec;
    int32_t FPrepareRecordingID = -1;
    int32_t FTeamID = 0;
    QString FTeamName;
    QString FTeamSystemID;
    QString FTeamExternalID;
    QString FFieldDefinitionFile;

    // Weather and training times
    int32_t FHumidity = -1;
    double FTemperature = 0;
    QString FWeather;
    int32_t FClouds = -1;
    double FWindSpeed = -1.0;
    int32_t FWindDirection = -1;
    bool FWeatherInfoReceived = false;
    TDateTime FBeginTraining = 0;
    TDateTime FEndTraining = 0;
    int32_t FBeginTrainingRoundingDif = 0;

    // Playback and selection
    std::atomic<bool> FPlaying{false};
    std::atomic<bool> FRecording{false};
    std::atomic<double> FInternalPlayPos{0};
    double FPlayRate = 1.0;
    int32_t FPlayRateIndex = 0;
    bool FWrapPlay = false;
    int32_t FNumberOfNextFrames = 0;
    std::atomic<int64_t> FLastCadencerTick{0};
    std::atomic<int64_t> FLastLiveUpdateTick{0};
    int32_t FTimelineMin = 0;
    int32_t FTimelineMax = 0;
    TqelTransponderData* FSelectedTransponder = nullptr;
    TqelGroup* FSelectedGroup = nullptr;
    TqelLap* FSelectedLap = nullptr;
    TqelGame* FSelectedGame = nullptr;
    TqelMarker* FSelectedMarker = nullptr;
    TqelGame* FSelectedExercise = nullptr;
    TqelGamePart* FSelectedPart = nullptr;
    TqelEvent* FSelectedEvent = nullptr;
    TqelPlayList* FSelectedPlayList = nullptr;
    TqelPlayListItem* FSelectedPlayListItem = nullptr;
    uint8_t FSelectionType = 0;
    int32_t FSelectionAroundPlayPosMSBefore = 30000;
    int32_t FSelectionAroundPlayPosMSAfter = 5000;
    int32_t FSelectionFixedIntervalStartInMS = 0;
    int32_t FSelectionFixedIntervalEndInMS = 0;

    // Notification and statistics
    std::atomic<bool> FLoading{false};
    std::atomic<bool> FModified_{false};
    std::atomic<bool> FEventsModified{false};
    IqelDataSetCallBack* FCallBack = nullptr;
    qel::DatasetSubscribers FSubscribers;
    // Lives on the main thread; queued deliveries die with it.
    std::unique_ptr<QObject> FQueueContext;
    std::atomic<int32_t> FCacheRequest{0};
    std::atomic<int32_t> FCacheHits{0};
    std::atomic<int32_t> FExceptionCount{0};
    std::atomic<int64_t> FIndexUpdateTime{0};
    std::atomic<int32_t> FIndexUpdateCount{0};
    // Held without ownership by the index rebuild.
    IlpmProgress* FRebuildIndexesProgress = nullptr;
    // Field
    std::unique_ptr<TqelField> FField;
};
