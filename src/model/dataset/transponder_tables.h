#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace qel {

// An antenna's entry in the dataset's antenna table: the transponder's position in the
// transponder list (-1 for none) and which of its four antennas this is (1..4; 0 for none).
struct AntennaEntry {
    int16_t TransponderIndex = -1;
    uint8_t Slot = 0;
};

// Maps each 14-bit antenna id of the measurement system to a transponder's list position.
// Ids outside 0..16383 have no entry: they find nothing and are never stored. Owning thread only.
class AntennaTable {
public:
    static constexpr int32_t Size = 16384;

    AntennaTable();
    static bool InRange(int32_t anAntennaID) { return anAntennaID >= 0 && anAntennaID < Size; }
    // The empty entry for an id outside the table.
    AntennaEntry Entry(int32_t anAntennaID) const;
    // Ignored for an id outside the table.
    void Set(int32_t anAntennaID, const AntennaEntry& anEntry);
    // Keeps the slot.
    void SetIndex(int32_t anAntennaID, int32_t anIndex);
    void Reset();

private:
    std::unique_ptr<AntennaEntry[]> FEntries;
};

// Maps a transponder id (TPid) to a list position, -1 for an id not in use. It starts with 100
// ids and grows to hold any id stored; ids above MaxID are refused, so one bad id cannot take
// gigabytes. Owning thread only.
class TransponderIDTable {
public:
    static constexpr int32_t InitialSize = 100;
    static constexpr int32_t MaxID = 65535;

    TransponderIDTable() { Reset(InitialSize); }
    static bool InRange(int32_t aTPid) { return aTPid >= 0 && aTPid <= MaxID; }
    int32_t Size() const { return static_cast<int32_t>(FIndexes.size()); }
    // -1 for an id outside the table.
    int32_t Index(int32_t aTPid) const;
    // Grows the table to hold aTPid; raises EArgumentOutOfRangeException outside 0..MaxID.
    void Set(int32_t aTPid, int32_t anIndex);
    // aSize entries (at least InitialSize), all -1.
    void Reset(int32_t aSize = InitialSize);

private:
    std::vector<int32_t> FIndexes;
};

}  // namespace qel
