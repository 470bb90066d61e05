#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "model/transponder/block_array.h"

class TqelTransponderData;

namespace qel {

// The dataset's owning list of transponders.
//
// Threads: the owning thread appends, removes and frees; the cadence thread reads while the
// owner appends during a recording. The slots never move (a qel::BlockArray) and Count() is
// raised with release only after a transponder is complete (Publish), so a reader that loads
// the count sees complete transponders below it. Removal shifts the slots and is only allowed
// when no other thread reads (the dataset refuses it while recording).
class TransponderList {
public:
    // The antenna table keeps list positions in 16 signed bits.
    static constexpr int32_t MaxCount = INT16_MAX;

    TransponderList() = default;
    TransponderList(const TransponderList&) = delete;
    TransponderList& operator=(const TransponderList&) = delete;
    ~TransponderList() { Clear(); }

    int32_t Count() const { return FCount.load(std::memory_order_acquire); }
    // Null outside 0..Count() - 1.
    TqelTransponderData* At(int32_t anIndex) const;
    // Raises EArgumentOutOfRangeException outside 0..Count() - 1.
    TqelTransponderData* Get(int32_t anIndex) const;

    // Puts the transponder in the slot after the counted ones, not yet counted; returns its
    // position. Only one may wait for Publish at a time.
    int32_t Append(std::unique_ptr<TqelTransponderData> aTransponder);
    // Counts the appended transponder: readers find it from now on.
    void Publish();
    // Frees an appended transponder that was not published.
    void DropPending();

    // Takes the transponder out of the list, the later ones moving up by one.
    std::unique_ptr<TqelTransponderData> Extract(int32_t anIndex);
    // Frees every transponder.
    void Clear();

private:
    BlockArray<TqelTransponderData*, 256, 256> FSlots;
    std::atomic<int32_t> FCount{0};
    bool FPending = false;
};

}  // namespace qel
