// 20,000 events and 20,000 markers written to memory and read back as the dataset file holds
// them, each against a memcpy of the same bytes. Prints the ratios at the end.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <cstring>
#include <vector>

#include "copy_baseline.h"
#include "model/dataset/dataset.h"
#include "model/groups/event.h"
#include "model/groups/marker.h"
#include "platform/binary_stream.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t Count = 20000;

// A recording's worth of passes with two labels and a qualifier, and markers.
void Fill(TqelDataset& aDataset) {
    aDataset.setDurationInMS(Count * 100);
    for (int32_t i = 0; i < Count; ++i) {
        TqelEvent* event =
            aDataset.AddEvent(1, i * 100, i * 100 + 800, i % 22, (i + 1) % 22,
                              QStringLiteral("Pass\r\nForward"), i * 0.01, -i * 0.01, evkPass);
        event->Qualifiers().Add(140, QStringLiteral("Zone"), QStringLiteral("left"));
        aDataset.addMarker(i * 100, QStringLiteral("Marker"), 0, 0, QString());
    }
}

void WriteAll(const TqelDataset& aDataset, qel::BinaryWriter& aWriter) {
    for (int32_t i = 0; i < Count; ++i) {
        aDataset.GetEvent(i)->writeToStream(aWriter);
    }
    for (int32_t i = 0; i < Count; ++i) {
        aDataset.getMarker(i)->writeToStream(aWriter);
    }
}

QByteArray Written() {
    TqelDataset dataset(nullptr);
    Fill(dataset);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    WriteAll(dataset, writer);
    return bytes;
}

void BM_EventsAndMarkersWrite(benchmark::State& aState) {
    TqelDataset dataset(nullptr);
    Fill(dataset);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    for (auto _ : aState) {
        buffer.seek(0);
        WriteAll(dataset, writer);
        benchmark::ClobberMemory();
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}
BENCHMARK(BM_EventsAndMarkersWrite)->Unit(benchmark::kMillisecond);

// Into a fresh dataset each round, as the file reader enters them.
void BM_EventsAndMarkersRead(benchmark::State& aState) {
    QByteArray data = Written();
    for (auto _ : aState) {
        TqelDataset target(nullptr);
        target.setLoading(true);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        for (int32_t i = 0; i < Count; ++i) {
            target.LoadEvent(reader, 151);
        }
        for (int32_t i = 0; i < Count; ++i) {
            target.LoadMarker(reader, 151);
        }
        benchmark::DoNotOptimize(target.MarkerCount());
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}
BENCHMARK(BM_EventsAndMarkersRead)->Unit(benchmark::kMillisecond);

void CopyBaseline(benchmark::State& aState) {
    qel::bench::CopyBytesBaseline(aState, Written());
}

void BM_EventsAndMarkersWriteBaseline(benchmark::State& aState) {
    CopyBaseline(aState);
}
BENCHMARK(BM_EventsAndMarkersWriteBaseline)->Unit(benchmark::kMillisecond);

void BM_EventsAndMarkersReadBaseline(benchmark::State& aState) {
    CopyBaseline(aState);
}
BENCHMARK(BM_EventsAndMarkersReadBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
