#include "model/transponder/block_memory.h"

#include <sys/mman.h>

#include <new>

namespace qel {

void* AllocateZeroedBlock(size_t aBytes) {
    void* block = mmap(nullptr, aBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        throw std::bad_alloc();
    }
    return block;
}

void FreeZeroedBlock(void* aBlock, size_t aBytes) {
    if (aBlock) {
        munmap(aBlock, aBytes);
    }
}

}  // namespace qel
