// Framing speed of a port: a stream of client-protocol messages (an empty one, and live data with
// 1, 100 and 1000 samples) fed in read-sized pieces and cut by the protocol's boundary check.
// Reports messages per second and heap allocations per message (counted by the replaced global
// operator new of this program).

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <cstring>
#include <vector>

#include "allocation_counter.h"
#include "bench_main.h"
#include "foundation/protocol/client_protocol.h"
#include "shared/lpm_udp_socket.h"

namespace {

// An empty message (8 bytes) for -1, else a live-data message of that many 32-byte samples.
std::vector<char> MessageStream(int aSamples, int64_t& aCount) {
    const int32_t size = aSamples < 0 ? 8 : 12 + 32 * aSamples;
    aCount = std::max<int64_t>(16, (256 * 1024) / size);
    std::vector<char> stream(static_cast<size_t>(size * aCount));
    for (int64_t i = 0; i < aCount; ++i) {
        char* message = stream.data() + i * size;
        const int32_t type = 10;
        std::memcpy(message, &type, 4);
        std::memcpy(message + 4, &size, 4);
        if (aSamples >= 0) {
            std::memcpy(message + 8, &aSamples, 4);
            std::memset(message + 12, static_cast<int>(i & 0x7F), static_cast<size_t>(size - 12));
        }
    }
    return stream;
}

void BM_Framing(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    const int piece = static_cast<int>(state.range(1));
    int64_t messagesPerStream = 0;
    const std::vector<char> stream = MessageStream(samples, messagesPerStream);

    int64_t delivered = 0;
    int64_t bytes = 0;
    TlpmUDPSocket port(
        [&](TlpmPort*, QBuffer& aDatagram) {
            ++delivered;
            bytes += aDatagram.size();
        },
        TqelProtocol::BoundaryCheck);
    const auto feed = [&] {
        const auto total = static_cast<int64_t>(stream.size());
        for (int64_t at = 0; at < total; at += piece) {
            const auto count = static_cast<int32_t>(std::min<int64_t>(piece, total - at));
            port.injectRawData(0, stream.data() + at, count);
        }
    };
    // Warm up: the buffer and the datagram stream reach their working sizes.
    feed();
    delivered = 0;

    const int64_t allocationsBefore = qel::bench::AllocationCount();
    for (auto _ : state) {
        feed();
    }
    const int64_t allocations = qel::bench::AllocationCount() - allocationsBefore;
    if (delivered != messagesPerStream * static_cast<int64_t>(state.iterations())) {
        state.SkipWithError("messages lost");
        return;
    }
    state.SetItemsProcessed(delivered);
    state.SetBytesProcessed(bytes);
    state.counters["messages/s"] =
        benchmark::Counter(static_cast<double>(delivered), benchmark::Counter::kIsRate);
    state.counters["allocs/message"] =
        static_cast<double>(allocations) / static_cast<double>(std::max<int64_t>(delivered, 1));
}

void FramingArguments(benchmark::internal::Benchmark* aBenchmark) {
    aBenchmark->ArgNames({"samples", "piece"});
    for (int samples : {-1, 1, 100, 1000}) {
        for (int piece : {1, 1460, 64 * 1024}) {
            aBenchmark->Args({samples, piece});
        }
    }
}

BENCHMARK(BM_Framing)->Apply(FramingArguments);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunCountingAllocations(argc, argv);
}
