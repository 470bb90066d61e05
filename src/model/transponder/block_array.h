#pragma once

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
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

    // Elements that exist (every block published so far).
    int32_t Capacity() const { return FCapacity.load(std::memory_order_acquire); }
    int32_t BlockLimit() const { return FBlockLimit; }
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

    // Adds one block whose elements stay zero bytes; their pages are not touched.
    void Grow() { Publish(NewBlock()); }
    // Adds one block with every element set to anInitial.
    void Grow(const T& anInitial) {
        T* block = NewBlock();
        for (int32_t i = 0; i < BlockSize; ++i) {
            block[i] = anInitial;
        }
        Publish(block);
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
