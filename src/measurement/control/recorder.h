#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "foundation/position_records.h"
#include "platform/date_time.h"

class TqelDataset;
class TqelFieldSettings;
class TqelTransponderData;
namespace qel {
class IGameBlock;
}  // namespace qel

// What the recorder needs of its owner, the client server.
class IqelRecorderCallback {
public:
    virtual ~IqelRecorderCallback() = default;

    // Fills the (emptied) array completely before it returns; called from a pool thread.
    virtual void GetCameraSettings(TqelArrayOfCamSetting& aCameraSettings) = 0;
    // Accepts lines from any thread.
    virtual void Log(const QString& aText) = 0;
    // The owner's first data time stamp (local ms of the day) and its NTP time.
    virtual int32_t GetFirstTimestampDataMS() = 0;
    virtual TDateTime GetFirstTimestampNTP() = 0;
};

// Turns the client server's sample ring into a recording. This is the part the client server
// drives: the ring read position, the recording flag and the maximum duration; it counts the
// samples it is given and keeps the newest. The dataset, the cadence and partner threads and
// the video files come with the full recorder.
//
// Main thread only (the client server's timer calls it under the position lock); no lock of its
// own.
class TqelRecorder {
public:
    explicit TqelRecorder(IqelRecorderCallback* aCallback);
    // Stops a running recording.
    ~TqelRecorder();
    TqelRecorder(const TqelRecorder&) = delete;
    TqelRecorder& operator=(const TqelRecorder&) = delete;

    // Records the samples written to the ring from aCurrentSampleIndex on.
    void StartRecording(int32_t aCurrentSampleIndex);
    void StopRecording();
    void ProcessPositionSample(const RqelLPMSample& aSample);
    // False when not recording or when the maximum duration has passed.
    bool CheckContinueRecording() const;
    // Advances the ring read position, wrapping from RingLast to 0.
    void IncLastSampleRecorded();
    // Nothing to move until the recording writes video files.
    void MoveVideoFiles() {}
    // What clients and the main window hand to the recording. The dataset takes them with the
    // full recorder; until then they are counted while recording (vest changes always).
    void ProcessCameraPos(const RqelCamPosCommunication& aCamPos);
    void ProcessEventFromWeb(const RqelEventFromWeb& anEvent);
    void ProcessGameFromClient(qel::IGameBlock* aGame);
    // While recording, also to the dataset's HandleTransponderFromOther.
    void ProcessTPFromClient(TqelTransponderData* aTransponder);
    void ChangeAthletesVest(const QString& anOldVestID, const QString& aNewVestID);

    IqelRecorderCallback* Callback() const { return FCallback; }
    // The recording dataset, not owned; none until the full recorder creates it.
    TqelDataset* Dataset() const { return FDataset; }
    void SetDataset(TqelDataset* aValue) { FDataset = aValue; }
    int32_t LastSampleRecorded() const { return FLastSampleRecorded; }
    void SetLastSampleRecorded(int32_t aValue) { FLastSampleRecorded = aValue; }
    bool Recording() const { return FRecording; }
    int32_t MaxRecordingTimeInMin() const { return FMaxRecordingTimeInMin; }
    void SetMaxRecordingTimeInMin(int32_t aValue) { FMaxRecordingTimeInMin = aValue; }
    TDateTime RecordingStartedAt() const { return FRecordingStartedAt; }
    int64_t RecordingStopAtInMS() const { return FRecordingStopAtInMS; }
    // 0 when not recording, -1 without a maximum duration.
    int32_t RemainingRecordingTimeInMS() const;
    int32_t PreparationID() const { return FPreparationID; }
    void SetPreparationID(int32_t aValue) { FPreparationID = aValue; }
    TqelFieldSettings* Field() const { return FField; }
    void SetField(TqelFieldSettings* aValue) { FField = aValue; }
    bool StoreLiveData() const { return FStoreLiveData; }
    void SetStoreLiveData(bool aValue) { FStoreLiveData = aValue; }
    void AddRoamingField(TqelFieldSettings* aField);
    void ClearRoamingFields() { FRoamingFields.clear(); }
    const std::vector<TqelFieldSettings*>& RoamingFields() const { return FRoamingFields; }

    // Samples handed over since the last start, and the newest of them.
    int64_t SampleCount() const { return FSampleCount; }
    const RqelLPMSample& LastSample() const { return FLastSample; }
    // Handed over since the last start: camera positions, events, games, transponders; and
    // vest changes since creation.
    struct RqelForwarded {
        int32_t CameraPositions = 0;
        int32_t Events = 0;
        int32_t Games = 0;
        int32_t Transponders = 0;
        int32_t VestChanges = 0;
        QString LastEventText;
    };
    const RqelForwarded& Forwarded() const { return FForwarded; }

    // The client server's ring: indices 0..RingLast.
    static constexpr int32_t RingLast = 30000;

private:
    void Log(const QString& aText);
    static int64_t NowInMS();

    IqelRecorderCallback* FCallback;
    TqelDataset* FDataset = nullptr;
    int32_t FLastSampleRecorded = 0;
    bool FRecording = false;
    int32_t FMaxRecordingTimeInMin = 0;
    TDateTime FRecordingStartedAt = 0;
    int64_t FRecordingStopAtInMS = 0;
    int32_t FPreparationID = 0;
    TqelFieldSettings* FField = nullptr;
    bool FStoreLiveData = false;
    std::vector<TqelFieldSettings*> FRoamingFields;
    int64_t FSampleCount = 0;
    RqelLPMSample FLastSample;
    RqelForwarded FForwarded;
};
