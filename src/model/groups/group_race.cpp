#include <algorithm>

#include "model/dataset/dataset.h"
#include "model/groups/group.h"
#include "model/groups/marker.h"
#include "model/groups/model_lock.h"
#include "model/transponder/laps_sectors.h"
#include "model/transponder/transponder_data.h"

namespace {

// A group lap's provisional exit after its entry, and how close to a lap's exit a member's
// crossing still counts on that lap.
constexpr int32_t kProvisionalLapMS = 5000;
constexpr int32_t kCrossingMarginMS = 2000;
// The first look at the members' laps after a start.
constexpr int32_t kFirstLookAfterStartMS = 2000;

}  // namespace

// --- Group lap ---

int32_t TqelGroupLap::MembersToFinish() const {
    return std::max(FGroup ? FGroup->MembersToFinish() : 1, 1);
}

void TqelGroupLap::incMemberOut(int32_t aTimeStampInMS) {
    if (aTimeStampInMS == 0) {
        return;
    }
    ++FMembersOut;
    FExitInMS = std::max(FExitInMS, aTimeStampInMS);
    // Ascending, equal times in their order of crossing.
    FExitTimes.insert(std::upper_bound(FExitTimes.begin(), FExitTimes.end(), aTimeStampInMS),
                      aTimeStampInMS);
    const int32_t needed = MembersToFinish();
    const int32_t members = FGroup ? FGroup->MemberCount() : 0;
    // A lap read from a stream holds fewer times than members out: only a held time is used.
    if (needed < members && FMembersOut == members &&
        needed <= static_cast<int32_t>(FExitTimes.size())) {
        FExitInMS = FExitTimes[static_cast<size_t>(needed - 1)];
    }
}

bool TqelGroupLap::EnoughMembersFinished(int32_t aTimeStampInMS) const {
    const int32_t needed = MembersToFinish();
    if (FMembersOut < needed) {
        return false;
    }
    if (needed <= static_cast<int32_t>(FExitTimes.size())) {
        return aTimeStampInMS >= FExitTimes[static_cast<size_t>(needed - 1)];
    }
    // The times were not stored: the lap's exit is when enough had finished.
    return aTimeStampInMS >= FExitInMS;
}

bool TqelGroupLap::IsLastLap() const {
    return FGroup && int64_t{FLapNumber} == 2 * int64_t{FGroup->NumberOfLaps()};
}

void TqelGroupLap::readFromStream(qel::BinaryReader& aStream, int32_t /*aVersion*/) {
    FEntryInMS = aStream.readI32();
    FExitInMS = aStream.readI32();
    FMembersOut = aStream.readI32();
    FLapNumber = aStream.readI32();
}

void TqelGroupLap::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FEntryInMS);
    aStream.writeI32(FExitInMS);
    aStream.writeI32(FMembersOut);
    aStream.writeI32(FLapNumber);
}

// --- Group race ---

TqelGroupLap* TqelGroup::AppendLap(int32_t aLapNumber) {
    qel::ModelLockGuard lock(FDataSet);
    return FLaps.emplace_back(std::make_unique<TqelGroupLap>(this, aLapNumber)).get();
}

void TqelGroup::MemberNewLap(const TqelLap& aLap) {
    const int32_t lapExit = aLap.ExitInMS();
    // No start marker lies before an exit of 0 or less (-1: not known yet) at a time of 0 or
    // more, and one before it would be negative: nothing would happen.
    if (lapExit <= 0 || !FDataSet) {
        return;
    }
    qel::ModelLockGuard lock(FDataSet);
    const int32_t start = FDataSet->LastStartMarkerTimeInMS(lapExit);
    if (start < 0) {
        return;
    }
    const int64_t lapEntry = aLap.EntryInMS();
    const auto newRaceLap = [this, start] {
        TqelGroupLap* lap = AppendLap(1);
        lap->setEntryInMS(start);
        lap->setExitInMS(start + kProvisionalLapMS);
    };
    int32_t k = 0;
    if (FLaps.empty()) {
        newRaceLap();
    } else {
        TqelGroupLap& last = *FLaps.back();
        if (last.ExitInMS() < start) {
            newRaceLap();
            k = LapCount() - 1;
        } else if (last.ExitInMS() < lapEntry + kCrossingMarginMS) {
            last.incMemberOut(aLap.EntryInMS());
            k = LapCount() - 1;
        } else if (LapCount() >= 2) {
            k = LapCount() - 2;
            TqelGroupLap& previous = *FLaps[static_cast<size_t>(k)];
            if (previous.ExitInMS() < lapEntry + kCrossingMarginMS) {
                previous.incMemberOut(aLap.EntryInMS());
                last.setEntryInMS(previous.ExitInMS());
            }
        }
    }
    if (k != LapCount() - 1) {
        return;
    }
    TqelGroupLap& last = *FLaps.back();
    if (last.EnoughMembersFinished(last.ExitInMS()) && !last.IsLastLap()) {
        const int32_t entry = last.ExitInMS();
        TqelGroupLap* next = AppendLap(last.LapNumber() + 1);
        next->setEntryInMS(entry);
        next->setExitInMS(entry + kProvisionalLapMS);
    }
}

void TqelGroup::OnAfterLoadDataSet() {
    if (!FDataSet) {
        return;
    }
    qel::ModelLockGuard lock(FDataSet);
    std::vector<int32_t> starts;
    for (int32_t i = 0; i < FDataSet->MarkerCount(); ++i) {
        const TqelMarker* marker = FDataSet->getMarker(i);
        if (marker->MarkerType() == TqelMarker::StartMarker) {
            starts.push_back(marker->TimeposInMS());
        }
    }
    for (size_t i = 0; i < starts.size(); ++i) {
        const int64_t end = i + 1 < starts.size() ? starts[i + 1] : FDataSet->DurationInMS();
        int64_t a = starts[i];
        // Each pass moves on to the latest exit of the members' laps at its time, so it ends.
        for (;;) {
            const int64_t t = a + kFirstLookAfterStartMS;
            if (t >= end || Isfinished(static_cast<int32_t>(t))) {
                break;
            }
            int64_t b = a;
            for (const auto& member : FMemberList) {
                const TqelTransponderData* transponder = member->Transponder();
                const TqelLap* lap =
                    transponder ? transponder->getCurrentLap(static_cast<int32_t>(t)) : nullptr;
                if (lap && lap->ExitInMS() > 0) {
                    MemberNewLap(*lap);
                    b = std::max<int64_t>(b, lap->ExitInMS());
                }
            }
            if (b == a) {
                break;
            }
            a = b;
        }
    }
}

namespace {

// The number of leading laps that began before the time.
template <class Laps>
int32_t LapsBegunBefore(const Laps& aLaps, int32_t aTimeStampInMS) {
    int32_t i = 0;
    while (i < static_cast<int32_t>(aLaps.size()) &&
           aLaps[static_cast<size_t>(i)]->EntryInMS() < aTimeStampInMS) {
        ++i;
    }
    return i;
}

// The laps of the race that began at aStart: First, the index of its first lap (the count when
// none), and Last, from there the last lap that began before the time (with aUpToTime: at or
// before it); First - 1 or less when none.
struct RaceSpan {
    int32_t First = 0;
    int32_t Last = -1;
};

template <class Laps>
RaceSpan RaceSpanAt(const Laps& aLaps, int32_t aStart, int32_t aTimeStampInMS, bool aUpToTime) {
    const auto count = static_cast<int32_t>(aLaps.size());
    RaceSpan span;
    while (span.First < count && aLaps[static_cast<size_t>(span.First)]->EntryInMS() != aStart) {
        ++span.First;
    }
    int32_t i = span.First;
    while (i < count) {
        const int32_t entry = aLaps[static_cast<size_t>(i)]->EntryInMS();
        if (aUpToTime ? entry > aTimeStampInMS : entry >= aTimeStampInMS) {
            break;
        }
        ++i;
    }
    span.Last = i - 1;
    return span;
}

}  // namespace

int32_t TqelGroup::CurrentRaceTime(int32_t aTimeStampInMS) const {
    qel::ModelLockGuard lock(FDataSet);
    if (FLaps.empty() || !FDataSet) {
        return 0;
    }
    return aTimeStampInMS - FDataSet->LastStartMarkerTimeInMS(aTimeStampInMS);
}

int32_t TqelGroup::LapsToGo(int32_t aTimeStampInMS) const {
    qel::ModelLockGuard lock(FDataSet);
    const int32_t i = LapsBegunBefore(FLaps, aTimeStampInMS);
    if (i == 0) {
        return FNumberOfLaps;
    }
    const TqelGroupLap& lap = *FLaps[static_cast<size_t>(i - 1)];
    int32_t n = lap.LapNumber();
    if (!lap.EnoughMembersFinished(aTimeStampInMS)) {
        --n;
    }
    return FNumberOfLaps - 1 - n / 2;
}

int32_t TqelGroup::LastLapNumber(int32_t aTimeStampInMS) const {
    qel::ModelLockGuard lock(FDataSet);
    const int32_t i = LapsBegunBefore(FLaps, aTimeStampInMS);
    if (i == 0) {
        return 0;
    }
    return (FLaps[static_cast<size_t>(i - 1)]->LapNumber() - 1) / 2 + 1;
}

bool TqelGroup::Isfinished(int32_t aTimeStampInMS) const {
    qel::ModelLockGuard lock(FDataSet);
    if (FLaps.empty() || !FDataSet) {
        return false;
    }
    const auto [a, b] =
        RaceSpanAt(FLaps, FDataSet->LastStartMarkerTimeInMS(aTimeStampInMS), aTimeStampInMS, false);
    if (b < 0) {
        return false;
    }
    const TqelGroupLap& lap = *FLaps[static_cast<size_t>(b)];
    return lap.IsLastLap() && lap.EnoughMembersFinished(aTimeStampInMS);
}

int32_t TqelGroup::LastFinishTime(int32_t aTimeStampInMS) const {
    qel::ModelLockGuard lock(FDataSet);
    if (FLaps.empty() || !FDataSet) {
        return 0;
    }
    const auto [a, b] =
        RaceSpanAt(FLaps, FDataSet->LastStartMarkerTimeInMS(aTimeStampInMS), aTimeStampInMS, true);
    if (b <= a) {
        return 0;
    }
    const TqelGroupLap& lap = *FLaps[static_cast<size_t>(b)];
    const int32_t finish =
        lap.EnoughMembersFinished(aTimeStampInMS) ? lap.ExitInMS() : lap.EntryInMS();
    return finish - FLaps[static_cast<size_t>(a)]->EntryInMS();
}

int32_t TqelGroup::LastLapTime(int32_t aTimeStampInMS) const {
    qel::ModelLockGuard lock(FDataSet);
    if (FLaps.empty() || !FDataSet) {
        return 0;
    }
    const auto [a, b] =
        RaceSpanAt(FLaps, FDataSet->LastStartMarkerTimeInMS(aTimeStampInMS), aTimeStampInMS, false);
    if (b <= a) {
        return 0;
    }
    const TqelGroupLap& lap = *FLaps[static_cast<size_t>(b - 1)];
    return lap.ExitInMS() - lap.EntryInMS();
}
