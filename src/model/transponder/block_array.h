#pragma once

#include <QString>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "model/transponder/block_memory.h"
#include "platform/exception.h"

namespace qel {

// A sample could not be stored: its time lies beyond what a raw sample holds, or the array it
// belongs to is full. The caller counts it like any refused sample.
QEL_DECLARE_EXCEPTION(ESampleRefused, Exception);

// An array that grows by whole blocks of BlockSize elements and never moves an element: a
// reader on another thread may keep reading while the owner appends. The blocks are found
// through a table of MaxBlocks entries inside the object, so a full table refuses further growth
// instead of letting one flooding source take unbounded memory.
//
// Threads: one thread grows (the owner's appending thread, or whoever holds the owner's lock for
// this array); any thread may read elements below Capacity(), which is raised with release after
// a new block is published and its elements are written. Element values themselves are guarded
// by the owner.
template <class T, int32_t BlockSize, int32_t MaxBlocks>
class BlockArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    static_assert(BlockSize > 0 && MaxBlocks > 0);

public:
    static constexpr int32_t GrowthStep = BlockSize;

    BlockArray() = default;
    BlockArray(const BlockArray&) = delete;
    BlockArray& operator=(const BlockArray&) = delete;
    ~BlockArray() { Clear(); }

    // Elements that exist: every block published so far, or the exact length Resize set.
    int32_t Capacity() const { return FCapacity.load(std::memory_order_acquire); }
    int32_t BlockLimit() const { return FBlockLimit; }
    // The most elements the block table can hold.
    int64_t MaxCapacity() const { return int64_t{FBlockLimit} * BlockSize; }
    // Fewer blocks than the table holds; for tests of a full table. Only before the first block.
    void setBlockLimit(int32_t aValue) {
        FBlockLimit = aValue < 1 ? 1 : (aValue > MaxBlocks ? MaxBlocks : aValue);
    }

    T& operator[](int32_t anIndex) {
        return FBlocks[anIndex / BlockSize].load(std::memory_order_acquire)[anIndex % BlockSize];
    }
    const T& operator[](int32_t anIndex) const {
        return FBlocks[anIndex / BlockSize].load(std::memory_order_acquire)[anIndex % BlockSize];
    }

    // Adds one block whose elements stay zero bytes; their pages are not touched. After Resize
    // to a length inside a block, it first extends to the end of that block.
    void Grow() {
        if (Capacity() < Allocated()) {
            FCapacity.store(Allocated(), std::memory_order_release);
            return;
        }
        Publish(NewBlock());
    }
    // Adds one block with every element set to anInitial (or fills the rest of the last one).
    void Grow(const T& anInitial) {
        const int32_t spare = Capacity();
        if (spare < Allocated()) {
            for (int32_t i = spare; i < Allocated(); ++i) {
                (*this)[i] = anInitial;
            }
            FCapacity.store(Allocated(), std::memory_order_release);
            return;
        }
        T* block = NewBlock();
        for (int32_t i = 0; i < BlockSize; ++i) {
            block[i] = anInitial;
        }
        Publish(block);
    }

    // Makes exactly aLength elements exist: new elements are zero bytes, blocks beyond are freed.
    // Raises ESampleRefused, before allocating, when the table cannot hold aLength. Only when no
    // other thread reads.
    void Resize(int32_t aLength) {
        const int32_t length = aLength < 0 ? 0 : aLength;
        if (length > MaxCapacity()) {
            throw ESampleRefused(QStringLiteral("The sample store holds at most %1 elements, "
                                                "%2 asked for")
                                     .arg(MaxCapacity())
                                     .arg(length));
        }
        const int32_t old = Capacity();
        Shrink(length);
        // What is cut inside the last block is cleared: Grow() hands out zero elements.
        const int32_t clearEnd = std::min(old, Allocated());
        for (int32_t i = length; i < clearEnd; ++i) {
            std::memset(static_cast<void*>(&(*this)[i]), 0, sizeof(T));
        }
        while (Allocated() < length) {
            FBlocks[FBlockCount].store(NewBlock(), std::memory_order_release);
            ++FBlockCount;
        }
        FCapacity.store(length, std::memory_order_release);
    }

    // Calls aVisit(T* aFirst, int32_t aCount) for the elements 0 .. aCount - 1, once per block, in
    // order: whole runs for block reads and writes. aCount must not exceed Capacity().
    template <class F>
    void ForEachRun(int32_t aCount, F&& aVisit) {
        for (int32_t first = 0; first < aCount; first += BlockSize) {
            aVisit(&(*this)[first], std::min(BlockSize, aCount - first));
        }
    }

    // Frees every block. Only when no other thread reads.
    void Clear() { Shrink(0); }
    // Frees the blocks that hold no element below aLength. Only when no other thread reads.
    void Shrink(int32_t aLength) {
        const int32_t keep = aLength <= 0 ? 0 : (aLength - 1) / BlockSize + 1;
        if (keep >= FBlockCount) {
            return;
        }
        FCapacity.store(keep * BlockSize, std::memory_order_release);
        for (int32_t i = keep; i < FBlockCount; ++i) {
            FreeZeroedBlock(FBlocks[i].exchange(nullptr), BlockBytes);
        }
        FBlockCount = keep;
    }

private:
    int32_t Allocated() const { return FBlockCount * BlockSize; }

    static constexpr size_t BlockBytes = sizeof(T) * static_cast<size_t>(BlockSize);

    T* NewBlock() {
        if (FBlockCount >= FBlockLimit) {
            throw ESampleRefused(QStringLiteral("The sample store is full (%1 elements)")
                                     .arg(static_cast<qint64>(FBlockCount) * BlockSize));
        }
        return static_cast<T*>(AllocateZeroedBlock(BlockBytes));
    }
    void Publish(T* aBlock) {
        FBlocks[FBlockCount].store(aBlock, std::memory_order_release);
        ++FBlockCount;
        FCapacity.store(FBlockCount * BlockSize, std::memory_order_release);
    }

    std::array<std::atomic<T*>, MaxBlocks> FBlocks{};
    int32_t FBlockCount = 0;
    int32_t FBlockLimit = MaxBlocks;
    std::atomic<int32_t> FCapacity{0};
};

}  // namespace qel
