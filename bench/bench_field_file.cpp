// The field stream: a pitch of 40 objects with a 1,000-point plane written to memory and read
// back, each against a memcpy of the same bytes. Prints the ratios at the end.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <cstring>
#include <vector>

#include "model/field/field.h"
#include "model/field/field_varuzas.h"
#include "platform/binary_stream.h"
#include "ratio_reporter.h"

namespace {

void FillPitch(TqelField& aField) {
    aField.setFieldBox({{-52500, 34000}, {52500, -34000}});
    for (int i = 0; i < 20; ++i) {
        auto* line = aField.NewVaruza<TqelFieldLineVaruza>();
        line->setName(aField.NewVaruzaName("line"));
        line->setStartPoint(-52500 + i * 1000, -34000);
        line->setEndPoint(-52500 + i * 1000, 34000);
    }
    for (int i = 0; i < 10; ++i) {
        auto* circle = aField.NewVaruza<TqelFieldCircleVaruza>();
        circle->setName(aField.NewVaruzaName("circle"));
        circle->setRadiusInMM(9150);
    }
    for (int i = 0; i < 9; ++i) {
        aField.NewVaruza<TqelFieldCameraVaruza>()->setArea("Stand " + QString::number(i));
    }
    auto* plane = aField.NewVaruza<TqelFieldPlaneVaruza>();
    for (int32_t i = 0; i < 1000; ++i) {
        plane->addPoint(i, -i);
    }
}

QByteArray Written(TqelField& aField) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    aField.writeToStream(writer);
    return data;
}

void BM_FieldWrite(benchmark::State& aState) {
    TqelField field;
    FillPitch(field);
    const qsizetype size = Written(field).size();
    for (auto _ : aState) {
        benchmark::DoNotOptimize(Written(field));
    }
    aState.SetBytesProcessed(aState.iterations() * size);
}
BENCHMARK(BM_FieldWrite);

void BM_FieldRead(benchmark::State& aState) {
    TqelField source;
    FillPitch(source);
    QByteArray data = Written(source);
    TqelField field;
    for (auto _ : aState) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        field.readFromStream(reader);
        benchmark::DoNotOptimize(field.FieldVaruzaCount());
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}
BENCHMARK(BM_FieldRead);

// The baselines: the same bytes copied whole.
void CopyBaseline(benchmark::State& aState) {
    TqelField field;
    FillPitch(field);
    const QByteArray data = Written(field);
    std::vector<char> target(static_cast<size_t>(data.size()));
    for (auto _ : aState) {
        std::memcpy(target.data(), data.constData(), target.size());
        benchmark::ClobberMemory();
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}

void BM_FieldWriteBaseline(benchmark::State& aState) {
    CopyBaseline(aState);
}
BENCHMARK(BM_FieldWriteBaseline);

void BM_FieldReadBaseline(benchmark::State& aState) {
    CopyBaseline(aState);
}
BENCHMARK(BM_FieldReadBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
