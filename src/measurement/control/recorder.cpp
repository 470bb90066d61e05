#include "measurement/control/recorder.h"

#include <algorithm>

#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "platform/numbers.h"

TqelRecorder::TqelRecorder(IqelRecorderCallback* aCallback) : FCallback(aCallback) {}

TqelRecorder::~TqelRecorder() {
    if (FRecording) {
        StopRecording();
    }
}

void TqelRecorder::Log(const QString& aText) {
    if (FCallback) {
        FCallback->Log(aText);
    }
}

int64_t TqelRecorder::NowInMS() {
    return Round(Now() * qel::kMSecsPerDay);
}

void TqelRecorder::StartRecording(int32_t aCurrentSampleIndex) {
    Log(QStringLiteral("TqelRecorder.StartRecording: CurrentSampleIndex %1")
            .arg(aCurrentSampleIndex));
    FLastSampleRecorded = aCurrentSampleIndex;
    FRecordingStartedAt = Now();
    FRecordingStopAtInMS = NowInMS() + int64_t{FMaxRecordingTimeInMin} * 60000;
    FSampleCount = 0;
    FLastSample = RqelLPMSample{};
    const int32_t vestChanges = FForwarded.VestChanges;
    FForwarded = RqelForwarded{};
    FForwarded.VestChanges = vestChanges;
    FRecording = true;
}

void TqelRecorder::StopRecording() {
    Log(QStringLiteral("TqelRecorder.StopRecording: Begin"));
    FRecording = false;
    Log(QStringLiteral("TqelRecorder.StopRecording: End"));
}

void TqelRecorder::ProcessPositionSample(const RqelLPMSample& aSample) {
    ++FSampleCount;
    FLastSample = aSample;
}

void TqelRecorder::ProcessCameraPos(const RqelCamPosCommunication& aCamPos) {
    if (FRecording) {
        ++FForwarded.CameraPositions;
    }
}

void TqelRecorder::ProcessEventFromWeb(const RqelEventFromWeb& anEvent) {
    if (FRecording) {
        ++FForwarded.Events;
        FForwarded.LastEventText = anEvent.EventText;
    }
}

void TqelRecorder::ProcessGameFromClient(qel::IGameBlock* aGame) {
    if (FRecording && aGame) {
        ++FForwarded.Games;
    }
}

void TqelRecorder::ProcessTPFromClient(TqelTransponderData* aTransponder) {
    if (FRecording && aTransponder) {
        ++FForwarded.Transponders;
        if (FDataset) {
            FDataset->HandleTransponderFromOther(*aTransponder);
        }
    }
}

void TqelRecorder::ChangeAthletesVest(const QString& anOldVestID, const QString& aNewVestID) {
    ++FForwarded.VestChanges;
}

bool TqelRecorder::CheckContinueRecording() const {
    if (!FRecording) {
        return false;
    }
    return FMaxRecordingTimeInMin == 0 || NowInMS() < FRecordingStopAtInMS;
}

void TqelRecorder::IncLastSampleRecorded() {
    FLastSampleRecorded = FLastSampleRecorded >= RingLast ? 0 : FLastSampleRecorded + 1;
}

int32_t TqelRecorder::RemainingRecordingTimeInMS() const {
    if (!FRecording) {
        return 0;
    }
    if (FMaxRecordingTimeInMin <= 0) {
        return -1;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(FRecordingStopAtInMS) -
                                static_cast<uint32_t>(NowInMS()));
}

void TqelRecorder::AddRoamingField(TqelFieldSettings* aField) {
    if (std::find(FRoamingFields.begin(), FRoamingFields.end(), aField) == FRoamingFields.end()) {
        FRoamingFields.push_back(aField);
    }
}
