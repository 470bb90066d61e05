#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"

class TqelAntennaData;
class TqelAntennaList;

// One transponder in one camera's follow list. While attached it holds the transponder's follow
// flag for its camera slot on. A transponder that dies first detaches it; the entry then keeps
// its antenna id but has no Data. Main thread only.
class TqelFollowAntenna {
public:
    // Raises EArgumentOutOfRangeException when the transponder has no follow record for the slot.
    TqelFollowAntenna(TqelAntennaData* anAntennaData, int32_t aCamFollowIndex);
    ~TqelFollowAntenna();
    TqelFollowAntenna(const TqelFollowAntenna&) = delete;
    TqelFollowAntenna& operator=(const TqelFollowAntenna&) = delete;

    // Resets the out-of-group count.
    void Clear() { FOutOfGroupCount = 0; }
    // Follow flag off (with notification) and no transponder any more.
    void ClearAntennaData();

    int32_t OutOfGroupCount() const { return FOutOfGroupCount; }
    void setOutOfGroupCount(int32_t aValue) { FOutOfGroupCount = aValue; }
    uint16_t AntennaID() const { return FAntennaID; }
    // Nil once the transponder is gone.
    TqelAntennaData* Data() const { return FAntennaData; }
    RqelPositionRec* LastPos() { return &FLastPos; }
    int32_t CamFollowIndex() const { return FCamFollowIndex; }

private:
    int32_t FOutOfGroupCount = 0;
    RqelPositionRec FLastPos = RqelPositionRec::Create();
    TqelAntennaData* FAntennaData;
    uint16_t FAntennaID;
    int32_t FCamFollowIndex;
};

// The follow list of one camera slot, owned by the camera driver. Main thread only; the antenna
// list must outlive it.
class TqelFollowAntennas {
public:
    TqelFollowAntennas(TqelAntennaList* anAntennaList, int32_t aCamFollowIndex);
    // Entries die detached (their flags go off with notification).
    ~TqelFollowAntennas();
    TqelFollowAntennas(const TqelFollowAntennas&) = delete;
    TqelFollowAntennas& operator=(const TqelFollowAntennas&) = delete;

    // Every entry detached with notification, then freed.
    void Clear();
    int32_t Count() const { return static_cast<int32_t>(FFollowAntennas.size()); }
    // Appends an entry for the transponder (nil: nothing) with that last position.
    TqelFollowAntenna* Add(TqelAntennaData* anAntennaData, const RqelPositionRec& aLastPos);
    // The entry of the antenna id; a new one from the list's transponder (nil when unknown). With
    // FollowOnlyOneAntenna a new entry replaces all others.
    TqelFollowAntenna* Add(uint16_t anAntennaID);
    // Sets aAntennaIDs to the followed ids in list order and returns their count.
    int32_t GetFollowingAntennaIDs(TqelArrayOfWord& aAntennaIDs) const;
    // Keeps the entries of these ids, drops all others (with notification) and adds the ids not
    // yet followed.
    void SetFollowingAntennaIDs(const TqelArrayOfWord& aAntennaIDs);
    bool IsFollowingAntenna(uint16_t anAntennaID) const;
    // Frees the entry; its transponder's flag goes off without notification.
    void Delete(int32_t anIndex);
    // Frees every entry of the id; each flag goes off with notification.
    void DeleteByAntenna(uint16_t anAntennaID);
    // Raises EArgumentOutOfRangeException outside the list.
    TqelFollowAntenna* GetItem(int32_t anIndex) const;

    int32_t CamFollowIndex() const { return FCamFollowIndex; }
    bool FollowOnlyOneAntenna() const { return FFollowOnlyOneAntenna; }
    void setFollowOnlyOneAntenna(bool aValue) { FFollowOnlyOneAntenna = aValue; }

private:
    void EraseAt(size_t anIndex);

    TqelAntennaList* FAntennaList;
    std::vector<std::unique_ptr<TqelFollowAntenna>> FFollowAntennas;
    int32_t FCamFollowIndex;
    bool FFollowOnlyOneAntenna = false;
};
