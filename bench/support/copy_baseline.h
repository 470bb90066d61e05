#pragma once

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <cstring>
#include <vector>

namespace qel::bench {

// The baseline of a block benchmark: the block's bytes copied whole into a buffer of their size.
inline void CopyBytesBaseline(benchmark::State& aState, const QByteArray& aBytes) {
    std::vector<char> target(static_cast<size_t>(aBytes.size()));
    for (auto _ : aState) {
        std::memcpy(target.data(), aBytes.constData(), target.size());
        benchmark::ClobberMemory();
    }
    aState.SetBytesProcessed(aState.iterations() * aBytes.size());
}

}  // namespace qel::bench
