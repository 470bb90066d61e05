#pragma once

#include <cstddef>

namespace qel {

// Zero-filled memory straight from the system: its pages are neither touched nor committed until
// written, so a large block that is only partly used costs what is used. Raises
// std::bad_alloc when the system refuses.
void* AllocateZeroedBlock(size_t aBytes);
void FreeZeroedBlock(void* aBlock, size_t aBytes);

}  // namespace qel
