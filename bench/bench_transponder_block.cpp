// The transponder's stream block: writing and reading a two-hour 25 Hz transponder (180,000 raw
// samples, 72,001 10 Hz slots, heart-rate telemetry on every fourth sample) to and from memory,
// against copying the same bytes with memcpy. Reports heap allocations per block; ratios are
// printed at the end.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <cstring>
#include <memory>

#include "allocation_counter.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "platform/binary_stream.h"
#include "ratio_reporter.h"

namespace {

using qel::bench::AllocationCount;

constexpr int32_t kStepMS = 40;
constexpr int32_t kDurationMS = 2 * 3600 * 1000;
constexpr uint16_t kAntenna = 7;

struct Recording {
    TqelDataset Dataset;
    std::unique_ptr<TqelTransponderData> Transponder;
    QByteArray Block;

    Recording() {
        Dataset.setAntennaEntry(kAntenna, {0, 1});
        Transponder = std::make_unique<TqelTransponderData>(&Dataset, false);
        for (int32_t time = 0, step = 0; time < kDurationMS; time += kStepMS, ++step) {
            RqelLPMSample sample;
            sample.setAntennaID(kAntenna);
            sample.setXinMM(10000 + step % 40000);
            sample.setYinMM(20000 - step % 30000);
            sample.setZinMM(1200);
            if (step % 4 == 0) {
                RqelTelemetry telemetry;
                telemetry.setType_(61);
                telemetry.setData(static_cast<uint16_t>(450 + step % 97));
                sample.setTelemetry(telemetry);
            }
            Transponder->AddSample(time, sample);
        }
        Dataset.setDurationInMS(kDurationMS);
        Transponder->Grow10HzIndex(kDurationMS / 100 + 1);
        Block = Write();
    }

    QByteArray Write() {
        QByteArray data;
        data.reserve(Block.size() + 1024);
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        qel::BinaryWriter writer(buffer);
        Transponder->writeToStream(writer, nullptr, false);
        return data;
    }
};

Recording& Shared() {
    static Recording recording;
    return recording;
}

void CountAllocations(benchmark::State& aState, int64_t aBefore) {
    aState.counters["allocs/block"] =
        benchmark::Counter(static_cast<double>(AllocationCount() - aBefore) /
                           static_cast<double>(aState.iterations()));
    aState.counters["MB"] = static_cast<double>(Shared().Block.size()) / 1e6;
}

void BM_WriteBlock(benchmark::State& aState) {
    Recording& recording = Shared();
    const int64_t before = AllocationCount();
    for (auto _ : aState) {
        benchmark::DoNotOptimize(recording.Write());
    }
    CountAllocations(aState, before);
}

void BM_WriteBlockBaseline(benchmark::State& aState) {
    Recording& recording = Shared();
    QByteArray target(recording.Block.size(), '\0');
    const int64_t before = AllocationCount();
    for (auto _ : aState) {
        std::memcpy(target.data(), recording.Block.constData(),
                    static_cast<size_t>(recording.Block.size()));
        benchmark::ClobberMemory();
    }
    CountAllocations(aState, before);
}

void BM_ReadBlock(benchmark::State& aState) {
    Recording& recording = Shared();
    const int64_t before = AllocationCount();
    for (auto _ : aState) {
        TqelTransponderData target(&recording.Dataset, true);
        QBuffer buffer(&recording.Block);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        target.readFromStream(reader, TqelTransponderData::StreamVersion, nullptr);
        benchmark::DoNotOptimize(target.SampleCount());
    }
    CountAllocations(aState, before);
}

void BM_ReadBlockBaseline(benchmark::State& aState) {
    BM_WriteBlockBaseline(aState);
}

}  // namespace

BENCHMARK(BM_WriteBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBlockBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBlockBaseline)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
