#include <benchmark/benchmark.h>

#include <QBuffer>
#include <vector>

#include "foundation/protocol/client_protocol.h"

// The live update as the client server sends it: one reused stream, the samples of one tick.
static void BM_EncodeUpdate(benchmark::State& state) {
    std::vector<RqelLPMSample> samples(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i].setTimestamp(static_cast<uint32_t>(i));
        samples[i].setAntennaID(static_cast<uint16_t>(i % 200));
        samples[i].setXinMM(static_cast<int32_t>(i * 10));
    }
    QBuffer datagram;
    datagram.open(QIODevice::ReadWrite);
    for (auto _ : state) {
        qel::EncodeUpdateSamples(datagram, samples);
        benchmark::DoNotOptimize(datagram.data().constData());
    }
    state.SetBytesProcessed(state.iterations() * datagram.size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeUpdate)->Arg(1)->Arg(100)->Arg(1000)->Arg(30000);

static void BM_DecodeCameraSettings(benchmark::State& state) {
    TqelArrayOfCamSetting cameras(8);
    for (TqelCamSetting& camera : cameras) {
        camera.FollowingAntennaIDs = {1, 2, 3};
        camera.IPAddress = QStringLiteral("192.168.1.20");
        camera.Presets = {QStringLiteral("Home"), QStringLiteral("Goal")};
    }
    QBuffer datagram;
    datagram.open(QIODevice::ReadWrite);
    TqelProtocol::encodeProtocolVersion(datagram);
    TqelProtocol::encodeCameraSettings(datagram, cameras, TqelProtocol::kProtocolVersion);
    TqelArrayOfCamSetting decoded;
    for (auto _ : state) {
        TqelProtocol::decodeCameraSettings(datagram, decoded);
        benchmark::DoNotOptimize(decoded.size());
    }
}
BENCHMARK(BM_DecodeCameraSettings);

BENCHMARK_MAIN();
