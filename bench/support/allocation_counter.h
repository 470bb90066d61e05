#pragma once

#include <cstdint>

// Heap allocations of this program so far, counted by its replaced global operator new (linked
// into every benchmark program).
namespace qel::bench {

int64_t AllocationCount();

}  // namespace qel::bench
