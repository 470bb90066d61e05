// A match's passes: PassByTime (the game's value 122) over 1,500 passes against a plain scan of
// as many begin/end pairs, and the pass and phase blocks written and read against copying the
// same bytes. Prints the ratios at the end.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <cstring>
#include <utility>
#include <vector>

#include "copy_baseline.h"
#include "model/blocks/handball_phase.h"
#include "model/blocks/passes.h"
#include "model/groups/game.h"
#include "platform/binary_stream.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t Passes = 1500;  // a busy match
constexpr int32_t Phases = 200;
constexpr int32_t PassEveryMS = 2400;
constexpr int32_t LookupStepMS = 7919;  // a prime: lookups spread over the whole match
constexpr int32_t MatchMS = Passes * PassEveryMS;

void FillPasses(TqelGame& aGame) {
    for (int32_t i = 0; i < Passes; ++i) {
        const int32_t begin = i * PassEveryMS;
        aGame.PassAdd(begin, begin + 900, i % 7, 1.0, 2.0, (i + 1) % 7, 3.0, 4.0, 1);
    }
}

void BM_PassByTime(benchmark::State& aState) {
    TqelGame game(nullptr, 1, gameMatch);
    FillPasses(game);
    int32_t t = 0;
    for (auto _ : aState) {
        benchmark::DoNotOptimize(game.PassByTime(t));
        t = (t + LookupStepMS) % MatchMS;
    }
}
BENCHMARK(BM_PassByTime);

void BM_PassByTimeBaseline(benchmark::State& aState) {
    std::vector<std::pair<int32_t, int32_t>> spans;
    for (int32_t i = 0; i < Passes; ++i) {
        spans.emplace_back(i * PassEveryMS, i * PassEveryMS + 900);
    }
    int32_t t = 0;
    for (auto _ : aState) {
        const std::pair<int32_t, int32_t>* found = nullptr;
        for (const auto& span : spans) {
            if (span.first <= t && t <= span.second) {
                found = &span;
                break;
            }
        }
        benchmark::DoNotOptimize(found);
        t = (t + LookupStepMS) % MatchMS;
    }
}
BENCHMARK(BM_PassByTimeBaseline);

// Every pass and phase of the game, as the game block lays them down.
void WriteAll(const TqelGame& aGame, qel::BinaryWriter& aWriter) {
    for (int32_t i = 0; i < aGame.PassCount(); ++i) {
        aGame.PassByIndex(i)->writeToStream(aWriter);
    }
    for (int32_t i = 0; i < aGame.PhaseCount(); ++i) {
        aGame.GethandballGamePhase(i)->writeToStream(aWriter);
    }
}

class Match {
public:
    Match() {
        FillPasses(game);
        for (int32_t i = 0; i < Phases; ++i) {
            game.PhaseAdd()->setBeginTimeInMS(i * 18000);
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        qel::BinaryWriter writer(buffer);
        WriteAll(game, writer);
    }

    TqelGame game{nullptr, 1, gameMatch};
    QByteArray bytes;
};

void BM_PassesAndPhasesWrite(benchmark::State& aState) {
    Match match;
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    for (auto _ : aState) {
        buffer.seek(0);
        WriteAll(match.game, writer);
        benchmark::ClobberMemory();
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}
BENCHMARK(BM_PassesAndPhasesWrite);

void BM_PassesAndPhasesRead(benchmark::State& aState) {
    Match match;
    QByteArray data = match.bytes;
    for (auto _ : aState) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        for (int32_t i = 0; i < Passes; ++i) {
            match.game.PassByIndex(i)->readFromStream(reader, 151);
        }
        for (int32_t i = 0; i < Phases; ++i) {
            match.game.GethandballGamePhase(i)->readFromStream(reader, 151);
        }
        benchmark::ClobberMemory();
    }
    aState.SetBytesProcessed(aState.iterations() * data.size());
}
BENCHMARK(BM_PassesAndPhasesRead);

void CopyBaseline(benchmark::State& aState) {
    Match match;
    qel::bench::CopyBytesBaseline(aState, match.bytes);
}

void BM_PassesAndPhasesWriteBaseline(benchmark::State& aState) {
    CopyBaseline(aState);
}
BENCHMARK(BM_PassesAndPhasesWriteBaseline);

void BM_PassesAndPhasesReadBaseline(benchmark::State& aState) {
    CopyBaseline(aState);
}
BENCHMARK(BM_PassesAndPhasesReadBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
