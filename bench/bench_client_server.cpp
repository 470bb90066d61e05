// Load tool of the client server: 60 transponders at 50 Hz, and ten times that, served live to 20
// client programs on loopback. Each iteration is one 20 ms period: its positions go through
// PositionDataRecevied, one update tick runs, and the event loop runs until every client has
// every sample. Reported: samples per second end to end, the cost of a period's positions and
// of the tick, samples lost (must be
// 0), heap allocations per sample written (must be 0) and per live-data message sent (the
// socket's write buffer takes over the message; none of them is per sample). The baseline copies
// the same bytes once per client, and the ratios are printed at the end.
//
// Positions enter through PositionDataRecevied only; the road from LPM records over UDP through
// the LPM driver and the measurement control is measured once those units exist.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QtEndian>
#include <cstring>
#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "foundation/protocol/client_protocol.h"
#include "foundation/settings/server_config.h"
#include "measurement/clients/lpm_server.h"
#include "platform/date_time.h"
#include "platform/queued_call.h"
#include "ratio_reporter.h"

namespace {

constexpr int kClients = 20;
constexpr int kTransponders = 60;
constexpr int kPeriodsPerSecond = 50;

// A client program that counts the samples of the live-data messages it receives.
class CountingClient {
public:
    explicit CountingClient(quint16 aPort) {
        QObject::connect(&FSocket, &QTcpSocket::readyRead, [this] { read(); });
        FSocket.connectToHost(QHostAddress::LocalHost, aPort);
        FSocket.waitForConnected(5000);
        QBuffer datagram;
        TqelProtocol::encodeLiveData(datagram, 1);
        FSocket.write(datagram.data());
        FSocket.flush();
    }
    int64_t Samples() const { return FSamples; }

private:
    void read() {
        FPending += FSocket.readAll();
        qsizetype at = 0;
        while (FPending.size() - at >= TqelProtocol::kHeaderSize) {
            const int32_t type = qFromLittleEndian<int32_t>(FPending.constData() + at);
            const int32_t length = qFromLittleEndian<int32_t>(FPending.constData() + at + 4);
            if (FPending.size() - at < length) {
                break;
            }
            if (type == qel::msg::Update) {
                FSamples += qFromLittleEndian<int32_t>(FPending.constData() + at + 8);
            }
            at += length;
        }
        FPending.remove(0, at);
    }

    QTcpSocket FSocket;
    QByteArray FPending;
    int64_t FSamples = 0;
};

void LiveLoad(benchmark::State& state, int aSamplesPerPeriod) {
    ServerConfig()->setServerPort(QStringLiteral("0"));
    TqelLPMServer server;
    server.start();
    const quint16 port = server.ListeningPort().toUShort();
    std::vector<std::unique_ptr<CountingClient>> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(std::make_unique<CountingClient>(port));
    }
    if (!qel::ProcessMessagesFor(5000,
                                 [&] { return server.NumberClientsLiveData() == kClients; })) {
        state.SkipWithError("clients did not switch live data on");
        return;
    }
    // The ticks are the benchmark's own from here; the clients stay connected.
    server.stop();

    std::vector<RqelPositionRec> positions(static_cast<size_t>(aSamplesPerPeriod));
    for (int i = 0; i < aSamplesPerPeriod; ++i) {
        RqelPositionRec& position = positions[static_cast<size_t>(i)];
        position = RqelPositionRec::Create();
        position.AntennaID = static_cast<uint16_t>(1 + i % kTransponders);
        position.XinMM = 1000 * i;
        position.YinMM = 500 * i;
        position.Valid = true;
    }
    // Registration of the transponders may allocate; the live path after it may not.
    for (const RqelPositionRec& position : positions) {
        server.PositionDataRecevied(nullptr, position);
    }
    server.UpdateTimerTimer();
    const int64_t expectedBefore = aSamplesPerPeriod;
    qel::ProcessMessagesFor(5000, [&] {
        for (const auto& client : clients) {
            if (client->Samples() < expectedBefore) {
                return false;
            }
        }
        return true;
    });

    int64_t fed = aSamplesPerPeriod;
    int64_t tickNs = 0;
    int64_t feedNs = 0;
    int64_t sampleAllocations = 0;
    int64_t tickAllocations = 0;
    int64_t periods = 0;
    int32_t time = static_cast<int32_t>(MilliSecondOfTheDay(Now()));
    for (auto _ : state) {
        const int64_t allocationsBefore = qel::bench::AllocationCount();
        QElapsedTimer feed;
        feed.start();
        for (RqelPositionRec& position : positions) {
            position.TimeStampInMS = time;
            server.PositionDataRecevied(nullptr, position);
        }
        feedNs += feed.nsecsElapsed();
        const int64_t allocationsBeforeTick = qel::bench::AllocationCount();
        sampleAllocations += allocationsBeforeTick - allocationsBefore;
        QElapsedTimer tick;
        tick.start();
        server.UpdateTimerTimer();
        tickNs += tick.nsecsElapsed();
        tickAllocations += qel::bench::AllocationCount() - allocationsBeforeTick;
        fed += aSamplesPerPeriod;
        time += 1000 / kPeriodsPerSecond;
        ++periods;
        qel::ProcessMessagesFor(5000, [&] {
            for (const auto& client : clients) {
                if (client->Samples() < fed) {
                    return false;
                }
            }
            return true;
        });
    }
    int64_t lost = 0;
    for (const auto& client : clients) {
        lost += fed - client->Samples();
    }
    const int64_t samples = (fed - aSamplesPerPeriod);
    state.SetItemsProcessed(samples);
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
    state.counters["tick_us"] =
        static_cast<double>(tickNs) / 1000.0 / static_cast<double>(std::max<int64_t>(periods, 1));
    state.counters["feed_us"] =
        static_cast<double>(feedNs) / 1000.0 / static_cast<double>(std::max<int64_t>(periods, 1));
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["allocs/sample"] =
        static_cast<double>(sampleAllocations) / static_cast<double>(std::max<int64_t>(samples, 1));
    state.counters["allocs/message"] =
        static_cast<double>(tickAllocations) /
        static_cast<double>(std::max<int64_t>(periods * kClients, 1));
}

// The least the server can do per period: copy each sample's 32 bytes once per client.
void LiveLoadBaseline(benchmark::State& state, int aSamplesPerPeriod) {
    std::vector<RqelLPMSample> ring(static_cast<size_t>(aSamplesPerPeriod));
    std::vector<char> out(ring.size() * sizeof(RqelLPMSample));
    for (auto _ : state) {
        for (int client = 0; client < kClients; ++client) {
            std::memcpy(out.data(), ring.data(), out.size());
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * aSamplesPerPeriod);
}

void BM_LiveLoad(benchmark::State& state) {
    LiveLoad(state, kTransponders);
}
void BM_LiveLoadBaseline(benchmark::State& state) {
    LiveLoadBaseline(state, kTransponders);
}
void BM_LiveLoadTenfold(benchmark::State& state) {
    LiveLoad(state, 10 * kTransponders);
}
void BM_LiveLoadTenfoldBaseline(benchmark::State& state) {
    LiveLoadBaseline(state, 10 * kTransponders);
}
BENCHMARK(BM_LiveLoad)->UseRealTime();
BENCHMARK(BM_LiveLoadBaseline);
BENCHMARK(BM_LiveLoadTenfold)->UseRealTime();
BENCHMARK(BM_LiveLoadTenfoldBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
