// Laps and sectors of a transponder: the lists' lookups for readers, the detection that finds
// laps and sectors from the positions in 100 ms steps, and the track position and speed.
//
// Threads: the detection runs on the cadence thread while recording and on the main thread
// otherwise; it holds the transponder's detection lock for the whole pass, and the list lock only
// to append or look up. It allocates nothing beyond the new laps and sectors.

#include <algorithm>
#include <climits>

#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/field/track_geometry.h"
#include "model/transponder/laps_sectors.h"
#include "model/transponder/transponder_data.h"
#include "platform/numbers.h"

namespace {

constexpr int32_t DetectionStepMS = 100;
constexpr int32_t DetectionStartMS = 1000;
// The detection stays this far behind the dataset's end.
constexpr int32_t DetectionTailMS = 999;
// A lap is counted when the athlete goes from this last stretch of the lap into its first one.
constexpr int32_t FinishZoneInMM = 25000;
// A field-sector passage is extended by a step at most this long after its exit.
constexpr int32_t PassageReachMS = 500;
constexpr double MaxTrackSpeed = 20.0;
// Beyond this X or Y (m) a position is the no-position value.
constexpr double NoPositionLimitInM = 999;
// FPrevTrackPosInMM before the first step whose position was found.
constexpr int32_t NoTrackPosition = INT32_MIN;

bool PositionFound(const RqelCalculatedPosition& aPos) {
    return aPos.XinM < NoPositionLimitInM && aPos.YinM < NoPositionLimitInM;
}

int32_t TrackPositionInMM(const TqelField& aField, const RqelCalculatedPosition& aPos) {
    return qel::RoundToInt32Saturated(TrackPositionInM(aField, aPos.XinM, aPos.YinM) * 1000);
}

// The time at which a line aOvershootInMM behind the step's position was crossed, the step
// having covered aStepInMM in 100 ms; the step's time when it covered nothing.
int64_t CrossingTime(int32_t aTimeStampInMS, int64_t aOvershootInMM, int64_t aStepInMM) {
    if (aStepInMM <= 0) {
        return aTimeStampInMS;
    }
    return aTimeStampInMS -
           Round(static_cast<double>(DetectionStepMS) * static_cast<double>(aOvershootInMM) /
                 static_cast<double>(aStepInMM));
}

// A lap's time as computed; a sector's never before the recording.
int32_t LapTime(int64_t aTimeInMS) {
    return static_cast<int32_t>(std::clamp<int64_t>(aTimeInMS, INT32_MIN, INT32_MAX));
}
int32_t SectorTime(int64_t aTimeInMS) {
    return static_cast<int32_t>(std::clamp<int64_t>(aTimeInMS, 0, INT32_MAX));
}

}  // namespace

TqelLap* TqelTransponderData::FindLap(int32_t anIndex) const {
    std::lock_guard lock(FListLock);
    if (anIndex < 0 || anIndex >= static_cast<int32_t>(FLaps.size())) {
        return nullptr;
    }
    return FLaps[static_cast<size_t>(anIndex)].get();
}

void TqelTransponderData::JoinLap(TqelSector* aSector) {
    std::lock_guard lock(FListLock);
    if (TqelLap* lap = FindLap(aSector->LapIndex())) {
        lap->AppendSector(aSector);
    }
}

TqelLap* TqelTransponderData::AppendStoredLap() {
    std::lock_guard detection(FDetectionLock);
    std::lock_guard lock(FListLock);
    FLaps.push_back(std::make_unique<TqelLap>(this));
    return FLaps.back().get();
}

TqelSector* TqelTransponderData::AppendStoredSector() {
    std::lock_guard detection(FDetectionLock);
    std::lock_guard lock(FListLock);
    FSectors.push_back(std::make_unique<TqelSector>(this, 0, -1));
    return FSectors.back().get();
}

TqelLap* TqelTransponderData::getCurrentLap(int32_t aTimeStampInMS) const {
    if (!FDataSet || !FDataSet->Field()->HasTrack()) {
        return nullptr;
    }
    std::lock_guard lock(FListLock);
    for (const auto& lap : FLaps) {
        const int32_t exit = lap->ExitInMS();
        if (lap->EntryInMS() <= aTimeStampInMS && (aTimeStampInMS < exit || exit == -1)) {
            return lap.get();
        }
    }
    return nullptr;
}

double TqelTransponderData::calcTrackPositionInM(int32_t aTimeStampInMS) {
    if (!FDataSet || !FDataSet->Field()->HasTrack()) {
        return 0;
    }
    const RqelCalculatedPosition position = calcPosition(aTimeStampInMS);
    if (!PositionFound(position)) {
        return 0;
    }
    return TrackPositionInM(*FDataSet->Field(), position.XinM, position.YinM);
}

double TqelTransponderData::calcTrackSpeed(int32_t aTimeStampInMS) {
    if (!FDataSet || !FDataSet->Field()->HasTrack()) {
        return 0;
    }
    const int64_t frame = FDataSet->SpeedFrameInterval();
    const int64_t last = int64_t{FDataSet->DurationInMS()} - 1;
    if (last < frame) {
        return 0;
    }
    const int64_t start = std::max<int64_t>(0, aTimeStampInMS - frame);
    const int64_t end = std::min<int64_t>(last, aTimeStampInMS + frame);
    if (end <= start) {
        return 0;
    }
    const RqelCalculatedPosition first = calcPosition(static_cast<int32_t>(start));
    const RqelCalculatedPosition second = calcPosition(static_cast<int32_t>(end));
    if (!PositionFound(first) || !PositionFound(second)) {
        return 0;
    }
    const double speed = TrackBendAngleDistance(*FDataSet->Field(), first, second) * 1000 /
                         static_cast<double>(end - start);
    return std::min(speed, MaxTrackSpeed);
}

void TqelTransponderData::updateLapsAndSectors() {
    if (!FDataSet || SampleCount() == 0) {
        return;
    }
    const int64_t duration = FDataSet->DurationInMS();
    if (duration < 2 * (int64_t{FDataSet->SpeedFrameInterval()} + DetectionTailMS)) {
        return;
    }
    const int64_t end = duration - DetectionTailMS;
    const TqelField& field = *FDataSet->Field();
    std::lock_guard detection(FDetectionLock);
    if (FLapsSectorsLastTimeStamp == 0) {
        FLapsSectorsLastTimeStamp = DetectionStartMS;
        FLapsSectorsLastPos = calcPosition(DetectionStartMS);
        // The no-position point lies somewhere on the track: it would make phantom laps.
        FPrevTrackPosInMM = PositionFound(FLapsSectorsLastPos)
                                ? TrackPositionInMM(field, FLapsSectorsLastPos)
                                : NoTrackPosition;
        if (field.HasTrack() && LapCount() == 0) {
            AddLap(0);
        }
        FLapsSectorsLastTimeStamp += DetectionStepMS;
    }
    int32_t sector = field.HasTrack() ? field.SectorCount() - 1 : -1;
    {
        std::lock_guard lock(FListLock);
        if (!FSectors.empty()) {
            sector = FSectors.back()->SectorIndex();
        }
    }
    while (FLapsSectorsLastTimeStamp < end) {
        const int32_t t = FLapsSectorsLastTimeStamp;
        const RqelCalculatedPosition position = calcPosition(t);
        if (field.HasTrack()) {
            DetectOnTrack(t, position, sector);
        } else if (field.FieldSectorCount() > 0) {
            DetectInFieldSectors(t, position, sector);
        }
        FLapsSectorsLastPos = position;
        FLapsSectorsLastTimeStamp += DetectionStepMS;
    }
}

void TqelTransponderData::DetectOnTrack(int32_t aTimeStampInMS, const RqelCalculatedPosition& aPos,
                                        int32_t& aSector) {
    // A step without a position is skipped; the next found one is compared with the last found.
    if (!PositionFound(aPos)) {
        return;
    }
    const TqelField& field = *FDataSet->Field();
    const int32_t position = TrackPositionInMM(field, aPos);
    if (FPrevTrackPosInMM == NoTrackPosition) {
        FPrevTrackPosInMM = position;
        return;
    }
    const int64_t p = position;
    const int64_t previous = FPrevTrackPosInMM;
    const int64_t length = field.TrackLengthInMM();
    const int32_t sectorCount = field.SectorCount();
    int32_t s = sectorCount;
    for (int32_t i = 0; i < sectorCount; ++i) {
        const RqelSectorDef definition = field.getSector(i);
        if (definition.StartInMM <= p && p <= definition.EndInMM) {
            s = i;
            break;
        }
    }
    // Without a length every step would pass the finish line.
    if (length > 0) {
        if (p < FinishZoneInMM && previous > length - FinishZoneInMM) {
            AddLap(LapTime(CrossingTime(aTimeStampInMS, p, length - previous + p)));
        }
        const int64_t half = length / 2;
        if (field.TrackTeamPursuit() && p > half && previous < half) {
            AddLap(LapTime(CrossingTime(aTimeStampInMS, p - half, p - previous)));
        }
    }
    const int32_t q = aSector;
    if (s != q && q != -1 && LapCount() > 0) {
        int64_t entry = aTimeStampInMS;
        if (s == 0) {
            entry = CrossingTime(aTimeStampInMS, p, length - previous + p);
        } else if (q >= 0 && q < sectorCount) {
            // Leaving "no sector" the entry is the step's time.
            entry = CrossingTime(aTimeStampInMS, p - (int64_t{field.getSector(q).EndInMM} + 1),
                                 p - previous);
        }
        AddSector(SectorTime(entry), s, LapCount() - 1);
    }
    aSector = s;
    FPrevTrackPosInMM = position;
}

void TqelTransponderData::DetectInFieldSectors(int32_t aTimeStampInMS,
                                               const RqelCalculatedPosition& aPos,
                                               int32_t& aSector) {
    const TqelField& field = *FDataSet->Field();
    int32_t s = -1;
    if (field.isOnField(aPos)) {
        const auto& sectors = field.FieldSectors();
        for (size_t i = 0; i < sectors.size(); ++i) {
            if (isInSector(sectors[i], aPos)) {
                s = static_cast<int32_t>(i);
                break;
            }
        }
    }
    aSector = s;
    if (s < 0) {
        return;
    }
    // One passage per visit: a step extends the newest passage while it is of this sector and
    // recent, and starts a new one otherwise.
    TqelSector* newest = nullptr;
    {
        std::lock_guard lock(FListLock);
        if (!FSectors.empty()) {
            newest = FSectors.back().get();
        }
    }
    const int32_t newestExit = newest ? newest->ExitInMS() : -1;
    if (newest && newest->SectorIndex() == s && newestExit >= 0 &&
        int64_t{aTimeStampInMS} - newestExit <= PassageReachMS) {
        newest->setExitInMS(aTimeStampInMS);
        return;
    }
    AddSector(aTimeStampInMS, s, -1)->setExitInMS(aTimeStampInMS);
    // Left behind by a direct change the older passage ends now; left earlier, it keeps its exit.
    if (newest && newestExit != aTimeStampInMS - DetectionStepMS) {
        newest->setExitInMS(newestExit);
    }
}
