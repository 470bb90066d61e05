// The game clock and the time recorder: IsRunning over a two-hour clock list and GetDateTime over
// 720,000 pairs, each against a plain binary search of as many int32 times; the two blocks written
// to memory and read back, each against a memcpy of the same bytes. Prints the ratios at the end.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <vector>

#include "copy_baseline.h"
#include "model/blocks/block_stream.h"
#include "model/blocks/time_on_ice.h"
#include "model/blocks/time_recorder.h"
#include "platform/binary_stream.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t ClockSamples = 7200;  // one reading a second for two hours
constexpr int32_t RecorderPairs = 720000;
constexpr int32_t LookupStepMS = 7919;  // a prime: lookups spread over the whole list

void FillClock(TqelTimeOnIce& aClock) {
    for (int32_t i = 0; i < ClockSamples; ++i) {
        RqelClockSample sample;
        sample.SetValues(i * 1000, 1200 - i % 1200, 1 + i / 1200, 0, 0, true);
        aClock.AddRecord(sample);
    }
}

void FillRecorder(TqelTimeRecorder& aRecorder) {
    for (int32_t i = 0; i < RecorderPairs; ++i) {
        aRecorder.AddTime(i * 10, 45000.0 + i * 10.002 / 86400000.0);
    }
    aRecorder.Finish();
}

std::vector<int32_t> Times(int32_t aCount, int32_t aStepMS) {
    std::vector<int32_t> times(static_cast<size_t>(aCount));
    for (int32_t i = 0; i < aCount; ++i) {
        times[static_cast<size_t>(i)] = i * aStepMS;
    }
    return times;
}

void SearchBaseline(benchmark::State& aState, int32_t aCount, int32_t aStepMS) {
    const std::vector<int32_t> times = Times(aCount, aStepMS);
    const int32_t end = aCount * aStepMS;
    int32_t t = 0;
    for (auto _ : aState) {
        benchmark::DoNotOptimize(std::lower_bound(times.begin(), times.end(), t));
        t = (t + LookupStepMS) % end;
    }
}

void BM_IsRunning(benchmark::State& aState) {
    TqelTimeOnIce clock(nullptr);
    FillClock(clock);
    int32_t t = 0;
    for (auto _ : aState) {
        benchmark::DoNotOptimize(clock.IsRunning(t));
        t = (t + LookupStepMS) % (ClockSamples * 1000);
    }
}
BENCHMARK(BM_IsRunning);

void BM_IsRunningBaseline(benchmark::State& aState) {
    SearchBaseline(aState, ClockSamples, 1000);
}
BENCHMARK(BM_IsRunningBaseline);

void BM_GetDateTime(benchmark::State& aState) {
    TqelTimeRecorder recorder(nullptr);
    FillRecorder(recorder);
    int32_t t = 0;
    for (auto _ : aState) {
        benchmark::DoNotOptimize(recorder.GetDateTime(t));
        t = (t + LookupStepMS) % (RecorderPairs * 10);
    }
}
BENCHMARK(BM_GetDateTime);

void BM_GetDateTimeBaseline(benchmark::State& aState) {
    SearchBaseline(aState, RecorderPairs, 10);
}
BENCHMARK(BM_GetDateTimeBaseline);

// Into one buffer kept across rounds, as the baseline copies into one target: a fresh buffer
// per round would measure page faults.
template <typename T>
void WriteBlock(benchmark::State& aState, const T& aBlock) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    for (auto _ : aState) {
        buffer.seek(0);
        aBlock.writeToStream(writer);
        benchmark::ClobberMemory();
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}

template <typename T>
void ReadBlock(benchmark::State& aState, const QByteArray& aBytes, T& aTarget) {
    QByteArray data = aBytes;
    for (auto _ : aState) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        aTarget.readFromStream(reader, 151);
        benchmark::ClobberMemory();
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}

void BM_ClockBlockWrite(benchmark::State& aState) {
    TqelTimeOnIce clock(nullptr);
    FillClock(clock);
    WriteBlock(aState, clock);
}
BENCHMARK(BM_ClockBlockWrite);

void BM_ClockBlockRead(benchmark::State& aState) {
    TqelTimeOnIce clock(nullptr);
    FillClock(clock);
    const QByteArray data = WrittenBlock(clock);
    for (auto _ : aState) {
        // Reading appends: every round starts from an empty clock.
        TqelTimeOnIce target(nullptr);
        QByteArray bytes = data;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        target.readFromStream(reader, 151);
        benchmark::DoNotOptimize(target.ClockSampleCount());
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}
BENCHMARK(BM_ClockBlockRead);

void BM_ClockBlockWriteBaseline(benchmark::State& aState) {
    TqelTimeOnIce clock(nullptr);
    FillClock(clock);
    qel::bench::CopyBytesBaseline(aState, WrittenBlock(clock));
}
BENCHMARK(BM_ClockBlockWriteBaseline);

void BM_ClockBlockReadBaseline(benchmark::State& aState) {
    TqelTimeOnIce clock(nullptr);
    FillClock(clock);
    qel::bench::CopyBytesBaseline(aState, WrittenBlock(clock));
}
BENCHMARK(BM_ClockBlockReadBaseline);

void BM_RecorderBlockWrite(benchmark::State& aState) {
    TqelTimeRecorder recorder(nullptr);
    FillRecorder(recorder);
    WriteBlock(aState, recorder);
}
BENCHMARK(BM_RecorderBlockWrite);

void BM_RecorderBlockRead(benchmark::State& aState) {
    TqelTimeRecorder recorder(nullptr);
    FillRecorder(recorder);
    TqelTimeRecorder target(nullptr);
    ReadBlock(aState, WrittenBlock(recorder), target);
}
BENCHMARK(BM_RecorderBlockRead);

void BM_RecorderBlockWriteBaseline(benchmark::State& aState) {
    TqelTimeRecorder recorder(nullptr);
    FillRecorder(recorder);
    qel::bench::CopyBytesBaseline(aState, WrittenBlock(recorder));
}
BENCHMARK(BM_RecorderBlockWriteBaseline);

void BM_RecorderBlockReadBaseline(benchmark::State& aState) {
    TqelTimeRecorder recorder(nullptr);
    FillRecorder(recorder);
    qel::bench::CopyBytesBaseline(aState, WrittenBlock(recorder));
}
BENCHMARK(BM_RecorderBlockReadBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
