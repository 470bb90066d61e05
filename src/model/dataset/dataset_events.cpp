#include <algorithm>

#include "database/agility/agility_definitions.h"
#include "model/dataset/dataset.h"
#include "model/dataset/dataset_signals.h"
#include "model/groups/event.h"
#include "model/groups/marker.h"
#include "model/transponder/laps_sectors.h"
#include "platform/exception.h"
#include "platform/guid_text.h"

namespace {

constexpr uint8_t kEverySource = 255;
constexpr uint8_t kEveryMarkerType = 255;
constexpr int8_t kOptaSource = 10;

template <class List>
void CheckListIndex(const List& aList, int32_t anIndex) {
    if (anIndex < 0 || anIndex >= static_cast<int32_t>(aList.size())) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list of %2").arg(anIndex).arg(aList.size()));
    }
}

// Takes the object out of its owning list; null when it is not there.
template <class T>
std::unique_ptr<T> Extract(std::vector<std::unique_ptr<T>>& aList, const T* anItem) {
    const auto found = std::find_if(aList.begin(), aList.end(),
                                    [anItem](const auto& aOwn) { return aOwn.get() == anItem; });
    if (found == aList.end()) {
        return nullptr;
    }
    std::unique_ptr<T> item = std::move(*found);
    aList.erase(found);
    return item;
}

QUuid GuidOrNew(const QString& aText) {
    if (!aText.isEmpty()) {
        try {
            return qel::StringToGuid(aText);
        } catch (const EConvertError&) {
            // A malformed GUID is replaced without a word.
        }
    }
    return QUuid::createUuid();
}

}  // namespace

// --- Events ---

TqelEvent* TqelDataset::AddEvent(int8_t aSource, int32_t aTimeStart, int32_t aTimeEnd,
                                 int32_t aAthleteID, int32_t aTargetID, const QString& aLabel,
                                 double aX, double aY, int32_t aEventKind) {
    TqelEvent* event = nullptr;
    {
        std::lock_guard lock(FModelLock);
        auto created = std::make_unique<TqelEvent>(this, ++FLastEventID);
        created->SetValues(aSource, aTimeStart, aTimeEnd, aAthleteID, aTargetID, aX, aY, 0, aLabel,
                           aEventKind);
        // By the given start, not the stored one: a negative start goes before the zeros.
        const auto at = std::find_if(FEvents.begin(), FEvents.end(), [aTimeStart](const auto& e) {
            return e->TimeStart() > aTimeStart;
        });
        event = FEvents.insert(at, std::move(created))->get();
    }
    NotifyItemAdded(event, itemEvent, event->ID());
    return event;
}

int32_t TqelDataset::NextEventID() {
    std::lock_guard lock(FModelLock);
    return ++FLastEventID;
}

void TqelDataset::deleteEvent(TqelEvent* anEvent) {
    if (!anEvent) {
        return;
    }
    {
        std::lock_guard lock(FModelLock);
        if (std::none_of(FEvents.begin(), FEvents.end(),
                         [anEvent](const auto& aOwn) { return aOwn.get() == anEvent; })) {
            return;
        }
    }
    if (FSelectedEvent == anEvent) {
        setSelectedEvent(nullptr);
    }
    const int32_t id = anEvent->ID();
    NotifyItemDeleting(anEvent, itemEvent, id);
    std::unique_ptr<TqelEvent> freed;
    {
        std::lock_guard lock(FModelLock);
        freed = Extract(FEvents, anEvent);
        freed.reset();
    }
    NotifyItemDeleted(itemEvent, id);
}

void TqelDataset::deleteEvent(int32_t anID) {
    deleteEvent(findEventByID(anID));
}

void TqelDataset::clearEvents(uint8_t aSource, int32_t aFromInMS, int32_t aToInMS) {
    if (aSource == kEverySource) {
        if (FSelectedEvent) {
            setSelectedEvent(nullptr);
        }
        {
            std::lock_guard lock(FModelLock);
            FEvents.clear();
        }
        NotifyItemsCleared(itemEvent);
        return;
    }
    const int32_t from = aFromInMS > 0 ? aFromInMS : 0;
    const int32_t to = aToInMS > 0 ? aToInMS : DurationInMS();
    const auto matches = [&](const TqelEvent& anEvent) {
        return static_cast<uint8_t>(anEvent.Source()) == aSource &&
               ((from <= anEvent.TimeStart() && anEvent.TimeStart() <= to) || from == to);
    };
    int32_t i = EventCount() - 1;
    for (;;) {
        TqelEvent* event = nullptr;
        {
            std::lock_guard lock(FModelLock);
            i = std::min(i, static_cast<int32_t>(FEvents.size()) - 1);
            while (i >= 0 && !matches(*FEvents[static_cast<size_t>(i)])) {
                --i;
            }
            if (i < 0) {
                return;
            }
            event = FEvents[static_cast<size_t>(i)].get();
        }
        deleteEvent(event);
        --i;
    }
}

TqelEvent* TqelDataset::findEventByID(int32_t anID) const {
    std::lock_guard lock(FModelLock);
    for (const auto& event : FEvents) {
        if (event->ID() == anID) {
            return event.get();
        }
    }
    return nullptr;
}

TqelEvent* TqelDataset::GetEvent(int32_t anIndex) const {
    std::lock_guard lock(FModelLock);
    CheckListIndex(FEvents, anIndex);
    return FEvents[static_cast<size_t>(anIndex)].get();
}

int32_t TqelDataset::EventCount() const {
    std::lock_guard lock(FModelLock);
    return static_cast<int32_t>(FEvents.size());
}

void TqelDataset::EventsSortOnTime() {
    std::lock_guard lock(FModelLock);
    std::stable_sort(FEvents.begin(), FEvents.end(), [](const auto& aLeft, const auto& aRight) {
        if (aLeft->TimeStart() != aRight->TimeStart()) {
            return aLeft->TimeStart() < aRight->TimeStart();
        }
        return aLeft->EventKind() > aRight->EventKind();
    });
}

bool TqelDataset::HasOptaEvents() const {
    std::lock_guard lock(FModelLock);
    return std::any_of(FEvents.begin(), FEvents.end(),
                       [](const auto& e) { return e->Source() == kOptaSource; });
}

void TqelDataset::notifyEventChanged(TqelEvent* anEvent) {
    NotifyItemChanged(anEvent, itemEvent, anEvent->ID());
}

void TqelDataset::NotifyEventsRefresh() {
    NotifyItemSelected(nullptr, itemEvent, -1);
}

void TqelDataset::ReportEventToAllClients(uint8_t aKind, int32_t aValue1, int32_t aValue2,
                                          int32_t aValue3, int32_t aValue4, int32_t aValue5) {
    if (Recording() && FCallBack) {
        FCallBack->ReportEventToAllClients(aKind, aValue1, aValue2, aValue3, aValue4, aValue5);
    }
}

TqelEvent* TqelDataset::LoadEvent(qel::BinaryReader& aStream, int32_t aVersion) {
    auto loaded = std::make_unique<TqelEvent>(this, 0);
    loaded->readFromStream(aStream, aVersion);
    TqelEvent* event = nullptr;
    {
        std::lock_guard lock(FModelLock);
        FLastEventID = std::max(FLastEventID, loaded->ID());
        event = FEvents.emplace_back(std::move(loaded)).get();
    }
    NotifyItemAdded(event, itemEvent, event->ID());
    return event;
}

// --- Markers ---

TqelMarker* TqelDataset::addMarker(int32_t aPlayPosInMS, const QString& aDescription,
                                   int8_t aMarkerType, int32_t aSymbol, const QString& aGUID) {
    int32_t id = 0;
    {
        std::lock_guard lock(FModelLock);
        id = ++FLastMarkerID;
    }
    // Not yet listed nor initialized: its setters notify nothing, but the time reaches the
    // database row.
    auto created = std::make_unique<TqelMarker>(this, aDescription, id);
    created->setGUID(GuidOrNew(aGUID));
    created->setMarkerType(aMarkerType);
    if (aSymbol != 0) {
        created->setSymbol(aSymbol);
    }
    created->setTimeposInMS(aPlayPosInMS);
    TqelMarker* marker = nullptr;
    {
        std::lock_guard lock(FModelLock);
        const auto at =
            std::find_if(FMarkers.begin(), FMarkers.end(),
                         [aPlayPosInMS](const auto& m) { return m->TimeposInMS() > aPlayPosInMS; });
        marker = FMarkers.insert(at, std::move(created))->get();
    }
    NotifyItemAdded(marker, itemMarker, marker->ID());
    return marker;
}

void TqelDataset::deleteMarker(TqelMarker* aMarker) {
    if (!aMarker) {
        return;
    }
    if (FSelectedMarker == aMarker) {
        setSelectedMarker(nullptr);
    }
    const int32_t id = aMarker->ID();
    NotifyItemDeleting(aMarker, itemMarker, id);
    {
        std::lock_guard lock(FModelLock);
        Extract(FMarkers, aMarker).reset();
    }
    NotifyItemDeleted(itemMarker, id);
}

void TqelDataset::clearMarkers(uint8_t aMarkerType) {
    if (aMarkerType == kEveryMarkerType) {
        if (FSelectedMarker) {
            setSelectedMarker(nullptr);
        }
        {
            std::lock_guard lock(FModelLock);
            FMarkers.clear();
        }
        NotifyItemsCleared(itemMarker);
        return;
    }
    int32_t i = MarkerCount() - 1;
    for (;;) {
        TqelMarker* marker = nullptr;
        {
            std::lock_guard lock(FModelLock);
            i = std::min(i, static_cast<int32_t>(FMarkers.size()) - 1);
            while (i >= 0 && static_cast<uint8_t>(FMarkers[static_cast<size_t>(i)]->MarkerType()) !=
                                 aMarkerType) {
                --i;
            }
            if (i < 0) {
                return;
            }
            marker = FMarkers[static_cast<size_t>(i)].get();
        }
        deleteMarker(marker);
        --i;
    }
}

TqelMarker* TqelDataset::findMarkerByGUID(const QUuid& aGUID) const {
    std::lock_guard lock(FModelLock);
    for (const auto& marker : FMarkers) {
        if (marker->GUID() == aGUID) {
            return marker.get();
        }
    }
    return nullptr;
}

TqelMarker* TqelDataset::findMarkerByID(int32_t anID) const {
    std::lock_guard lock(FModelLock);
    for (const auto& marker : FMarkers) {
        if (marker->ID() == anID) {
            return marker.get();
        }
    }
    return nullptr;
}

TqelMarker* TqelDataset::findMarkerByTime(int32_t aPlayPosInMS) const {
    std::lock_guard lock(FModelLock);
    for (const auto& marker : FMarkers) {
        if (marker->TimeposInMS() == aPlayPosInMS) {
            return marker.get();
        }
        if (marker->TimeposInMS() > aPlayPosInMS) {
            break;
        }
    }
    return nullptr;
}

TqelMarker* TqelDataset::FindClosestMarker(int32_t aPlayPosInMS, int32_t aRange) const {
    std::lock_guard lock(FModelLock);
    const int64_t low = int64_t{aPlayPosInMS} - aRange;
    const int64_t high = int64_t{aPlayPosInMS} + aRange;
    TqelMarker* closest = nullptr;
    int64_t closestDistance = 0;
    for (const auto& marker : FMarkers) {
        const int64_t time = marker->TimeposInMS();
        if (time > high) {
            break;
        }
        if (time <= low || time >= high) {
            continue;
        }
        const int64_t distance = std::abs(time - aPlayPosInMS);
        if (!closest || distance < closestDistance) {
            closest = marker.get();
            closestDistance = distance;
        }
    }
    return closest;
}

TqelMarker* TqelDataset::getMarker(int32_t anIndex) const {
    std::lock_guard lock(FModelLock);
    CheckListIndex(FMarkers, anIndex);
    return FMarkers[static_cast<size_t>(anIndex)].get();
}

int32_t TqelDataset::MarkerCount() const {
    std::lock_guard lock(FModelLock);
    return static_cast<int32_t>(FMarkers.size());
}

int32_t TqelDataset::FindMarkerLowestTime() const {
    std::lock_guard lock(FModelLock);
    if (FMarkers.empty()) {
        return 0;
    }
    int32_t lowest = FMarkers.front()->TimeposInMS();
    for (const auto& marker : FMarkers) {
        lowest = std::min(lowest, marker->TimeposInMS());
    }
    return lowest;
}

int32_t TqelDataset::FindMarkerHighestTime() const {
    std::lock_guard lock(FModelLock);
    if (FMarkers.empty()) {
        return DurationInMS();
    }
    int32_t highest = FMarkers.front()->TimeposInMS();
    for (const auto& marker : FMarkers) {
        highest = std::max(highest, marker->TimeposInMS());
    }
    return highest;
}

int32_t TqelDataset::LastStartMarkerTimeInMS(int32_t aTimeStampInMS) const {
    std::lock_guard lock(FModelLock);
    for (auto it = FMarkers.rbegin(); it != FMarkers.rend(); ++it) {
        const TqelMarker& marker = **it;
        if (marker.MarkerType() == TqelMarker::StartMarker &&
            marker.TimeposInMS() < aTimeStampInMS) {
            return marker.TimeposInMS();
        }
    }
    return -1;
}

bool TqelDataset::StartMarkerPassed(int32_t aTimeStampInMS) const {
    return LastStartMarkerTimeInMS(aTimeStampInMS) != -1;
}

void TqelDataset::notifyMarkerChanged(TqelMarker* aMarker) {
    NotifyItemChanged(aMarker, itemMarker, aMarker->ID());
}

TqelMarker* TqelDataset::LoadMarker(qel::BinaryReader& aStream, int32_t aVersion) {
    TqelMarker scratch(nullptr, QString(), -1);
    scratch.readFromStream(aStream, aVersion);
    TqelMarker* marker =
        addMarker(scratch.TimeposInMS(), QString(), TqelMarker::PlainMarker, 0, QString());
    marker->setDescription(scratch.Description());
    marker->setSymbol(scratch.Symbol());
    marker->setMarkerType(scratch.MarkerType());
    std::lock_guard lock(FModelLock);
    if (scratch.ID() != -1) {
        marker->setID(scratch.ID());
        FLastMarkerID = std::max(FLastMarkerID, scratch.ID());
    }
    marker->setInitialized(true);
    return marker;
}

// --- Selections ---

void TqelDataset::setSelectedEvent(TqelEvent* aValue) {
    FSelectedEvent = aValue;
    NotifyItemSelected(aValue, itemEvent, aValue ? aValue->ID() : 0);
}

void TqelDataset::setSelectedMarker(TqelMarker* aValue) {
    FSelectedMarker = aValue;
    NotifyItemSelected(aValue, itemMarker, aValue ? aValue->ID() : 0);
}

void TqelDataset::setSelectedLap(TqelLap* aValue) {
    FSelectedLap = aValue;
    NotifyItemSelected(aValue, itemLap, aValue ? aValue->LapNumber() : 0);
}

// --- Agility definitions ---

void TqelDataset::AddAgilityDef(int32_t aAglID) {
    if (!FAgilityDefs || !FAgilityDefs->Open(aAglID)) {
        return;
    }
    // Each transponder's calculation takes the definition with the agility-test analysis.
}

void TqelDataset::RemoveAgilityDef(int32_t aAglID) {
    // Each transponder's calculation lets go of it first, with the agility-test analysis.
    if (FAgilityDefs) {
        FAgilityDefs->RemoveDefinitionByID(aAglID);
    }
}

void TqelDataset::StopAllRunningTestes(int32_t /*aTPidExclude*/, int32_t /*aAgilDefID*/) {
    // The running tests live in each transponder's agility calculation, which comes with the
    // agility-test analysis; until then no transponder runs a test.
}
