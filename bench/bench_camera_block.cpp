// The camera block: a camera of 135,000 positions (an hour at about 37 samples a second)
// written to memory and read back, each against a memcpy of the same bytes. Prints the ratios
// at the end.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <cstring>
#include <vector>

#include "copy_baseline.h"
#include "model/blocks/camera.h"
#include "platform/binary_stream.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t Positions = 135000;

void FillCamera(TqelCamera& aCamera) {
    RqelCamPosCommunication sample;
    for (int32_t i = 0; i < Positions; ++i) {
        sample.PanInRad = static_cast<uint16_t>(i);
        aCamera.AddRecord(i * 27, sample);
    }
}

QByteArray Written(TqelCamera& aCamera) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    aCamera.writeToStream(writer);
    return data;
}

void BM_CameraWrite(benchmark::State& aState) {
    TqelCamera camera(nullptr, 0);
    FillCamera(camera);
    const qsizetype size = Written(camera).size();
    for (auto _ : aState) {
        benchmark::DoNotOptimize(Written(camera));
    }
    aState.SetBytesProcessed(aState.iterations() * size);
}
BENCHMARK(BM_CameraWrite);

void BM_CameraRead(benchmark::State& aState) {
    TqelCamera source(nullptr, 0);
    FillCamera(source);
    QByteArray data = Written(source);
    TqelCamera camera(nullptr, 0);
    for (auto _ : aState) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        camera.readFromStream(reader, 151);
        benchmark::DoNotOptimize(camera.RawDataCount());
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}
BENCHMARK(BM_CameraRead);

// The baselines: the same bytes copied whole.
void CopyBaseline(benchmark::State& aState) {
    TqelCamera camera(nullptr, 0);
    FillCamera(camera);
    qel::bench::CopyBytesBaseline(aState, Written(camera));
}

void BM_CameraWriteBaseline(benchmark::State& aState) {
    CopyBaseline(aState);
}
BENCHMARK(BM_CameraWriteBaseline);

void BM_CameraReadBaseline(benchmark::State& aState) {
    CopyBaseline(aState);
}
BENCHMARK(BM_CameraReadBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
