#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> allocationCount{0};
thread_local bool failAllocations = false;

}  // namespace

namespace qel::bench {

int64_t AllocationCount() {
    return allocationCount.load(std::memory_order_relaxed);
}

ScopedFailingAllocations::ScopedFailingAllocations() {
    failAllocations = true;
}

ScopedFailingAllocations::~ScopedFailingAllocations() {
    failAllocations = false;
}

}  // namespace qel::bench

void* operator new(std::size_t aSize) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (failAllocations) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(aSize == 0 ? 1 : aSize)) {
        return memory;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t aSize) {
    return operator new(aSize);
}

// The nothrow forms too: left to the sanitizer's runtime, their memory would come from its own
// operator new and be freed here with free, which it reports as a mismatch.
void* operator new(std::size_t aSize, const std::nothrow_t&) noexcept {
    try {
        return operator new(aSize);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t aSize, const std::nothrow_t&) noexcept {
    return operator new(aSize, std::nothrow);
}

void operator delete(void* aMemory, const std::nothrow_t&) noexcept {
    std::free(aMemory);
}

void operator delete[](void* aMemory, const std::nothrow_t&) noexcept {
    std::free(aMemory);
}

void operator delete(void* aMemory) noexcept {
    std::free(aMemory);
}

void operator delete[](void* aMemory) noexcept {
    std::free(aMemory);
}

void operator delete(void* aMemory, std::size_t) noexcept {
    std::free(aMemory);
}

void operator delete[](void* aMemory, std::size_t) noexcept {
    std::free(aMemory);
}
