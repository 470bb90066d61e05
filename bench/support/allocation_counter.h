#pragma once

#include <cstdint>

// Heap allocations of this program so far, counted by its replaced global operator new (linked
// into every benchmark program, and into the tests that make allocations fail).
namespace qel::bench {

int64_t AllocationCount();

// While it lives, every operator new on this thread raises std::bad_alloc: how an operation meets
// memory running out halfway.
class ScopedFailingAllocations {
public:
    ScopedFailingAllocations();
    ~ScopedFailingAllocations();
    ScopedFailingAllocations(const ScopedFailingAllocations&) = delete;
    ScopedFailingAllocations& operator=(const ScopedFailingAllocations&) = delete;
};

}  // namespace qel::bench
