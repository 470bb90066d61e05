// Load tool of the client server: 60 transponders at 50 Hz, and ten times that, served live to 20
// client programs on loopback. Each iteration is one 20 ms period: its positions go through
// PositionDataRecevied, one update tick runs, and the event loop runs until every client has
// every sample. Reported: samples per second end to end, the cost of a period's positions and
// of the tick, samples lost (must be
// 0), heap allocations per sample written (must be 0) and per live-data message sent (the
// socket's write buffer takes over the message; none of them is per sample). The baseline copies
// the same bytes once per client, and the ratios are printed at the end.
//
// The second half takes the whole road: 56-byte LPM records sent as UDP datagrams by the fake
// LPM server, read and decoded by the real LPM driver, forwarded by the measurement control to
// the client server's ring and sent on to the clients. Reported: records per second end to end
// against the same datagrams through a plain UDP socket pair, and heap allocations per record
// from the datagram to the ring (must be 0).

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtEndian>
#include <cstring>
#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "fakes/fake_lpm_server.h"
#include "foundation/protocol/client_protocol.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "measurement/clients/lpm_server.h"
#include "measurement/control/measurement_control.h"
#include "measurement/drivers/lpm_system.h"
#include "platform/date_time.h"
#include "platform/queued_call.h"
#include "ratio_reporter.h"
#include "udp_records.h"

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

// Starts the server with kClients clients receiving live data, then stops its timer: the ticks
// are the benchmark's own from here; the clients stay connected.
bool ConnectLiveClients(TqelLPMServer& aServer,
                        std::vector<std::unique_ptr<CountingClient>>& aClients) {
    ServerConfig()->setServerPort(QStringLiteral("0"));
    aServer.start();
    const quint16 port = aServer.ListeningPort().toUShort();
    for (int i = 0; i < kClients; ++i) {
        aClients.push_back(std::make_unique<CountingClient>(port));
    }
    const bool live =
        qel::ProcessMessagesFor(5000, [&] { return aServer.NumberClientsLiveData() == kClients; });
    aServer.stop();
    return live;
}

// Runs the event loop until every client has at least aSamples samples.
bool WaitForClients(const std::vector<std::unique_ptr<CountingClient>>& aClients,
                    int64_t aSamples) {
    return qel::ProcessMessagesFor(5000, [&] {
        for (const auto& client : aClients) {
            if (client->Samples() < aSamples) {
                return false;
            }
        }
        return true;
    });
}

void LiveLoad(benchmark::State& state, int aSamplesPerPeriod) {
    TqelLPMServer server;
    std::vector<std::unique_ptr<CountingClient>> clients;
    if (!ConnectLiveClients(server, clients)) {
        state.SkipWithError("clients did not switch live data on");
        return;
    }

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
    WaitForClients(clients, aSamplesPerPeriod);

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
        WaitForClients(clients, fed);
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
// ---- Second half: LPM records over UDP through the LPM driver and the measurement control.

constexpr int kRecordSize = 56;
constexpr int kRecordsPerDatagram = 20;
constexpr int kDatagramsPerPeriod = kTransponders / kRecordsPerDatagram;

// The main window between the measurement control and the client server.
class ServerOwner : public IqelMeasurementControlCallBack {
public:
    explicit ServerOwner(TqelLPMServer& aServer) : FServer(aServer) {}
    void log(int32_t, const QString&) override {}
    void status(int32_t, int32_t, const QString&) override {}
    void error(int32_t, int32_t, const QString&) override {}
    void stateChanged(int32_t, TqelStartupSequence) override {}
    void event(TqelMeasurementSystem*, uint8_t, int32_t) override {}
    void positionReceived(IqelMeasurementControl* aControl,
                          const RqelPositionRec& aPosition) override {
        FServer.PositionDataRecevied(aControl, aPosition);
    }
    TqelAntennaList* getAntennaList() override { return FServer.AntennaList(); }

private:
    TqelLPMServer& FServer;
};

// One period's datagrams: a valid record per transponder; Stamp sets their time.
std::vector<QByteArray> PeriodDatagrams() {
    std::vector<QByteArray> datagrams;
    for (int d = 0; d < kDatagramsPerPeriod; ++d) {
        QByteArray bytes(kRecordsPerDatagram * kRecordSize, '\0');
        for (int r = 0; r < kRecordsPerDatagram; ++r) {
            auto* record = reinterpret_cast<uchar*>(bytes.data()) + r * kRecordSize;
            const int transponder = d * kRecordsPerDatagram + r;
            qToLittleEndian<uint16_t>(static_cast<uint16_t>(20 + transponder), record + 4);
            qToLittleEndian<int32_t>(1000 * transponder, record + 12);
            qToLittleEndian<int32_t>(500 * transponder, record + 16);
        }
        datagrams.push_back(bytes);
    }
    return datagrams;
}

// Every record's time stamp, in 0.1 ms.
void Stamp(std::vector<QByteArray>& aDatagrams, uint32_t aStamp) {
    for (QByteArray& datagram : aDatagrams) {
        for (qsizetype at = 0; at < datagram.size(); at += kRecordSize) {
            qToLittleEndian<uint32_t>(aStamp, datagram.data() + at);
        }
    }
}

void ReportUdp(benchmark::State& state, int64_t aRecords, int64_t anAllocations) {
    state.SetItemsProcessed(aRecords);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(aRecords), benchmark::Counter::kIsRate);
    state.counters["allocs/record"] =
        static_cast<double>(anAllocations) / static_cast<double>(std::max<int64_t>(aRecords, 1));
}

void BM_LpmUdpLoad(benchmark::State& state) {
    TqelLPMServer server;
    std::vector<std::unique_ptr<CountingClient>> clients;
    if (!ConnectLiveClients(server, clients)) {
        state.SkipWithError("clients did not switch live data on");
        return;
    }
    qel::test::FakeLpmServer fake;
    const QString handshakePort = QString::number(fake.listenHandshakes());
    TqelFieldSettings field;
    field.setFieldID(1);
    field.setLPMDataProtocol(dtpMiddleDataFormat);
    field.setUDPListenPort(0);
    field.setLPMPort(0);
    field.setIPAbatecServer(QStringLiteral("127.0.0.1"));
    TqelLPMSystem* driver = nullptr;
    TqelMeasurementControl control(nullptr, [&](const TqelFieldSettings&, bool aRoaming) {
        auto lpm = std::make_unique<TqelLPMSystem>(*ServerConfig());
        lpm->setRoaming(aRoaming);
        lpm->setStartupTCPPort(handshakePort);
        driver = lpm.get();
        return lpm;
    });
    ServerOwner owner(server);
    control.setCallback(&owner);
    control.MeasurementSystemAdd(&field);
    control.Startup();
    if (!driver || driver->DataPort() == 0) {
        state.SkipWithError("the LPM driver has no data port");
        return;
    }
    const quint16 dataPort = driver->DataPort();

    // Warm up outside the timing: the time base is taken and the transponders registered.
    std::vector<QByteArray> datagrams = PeriodDatagrams();
    uint32_t stamp = 50;
    Stamp(datagrams, stamp);
    for (const QByteArray& datagram : datagrams) {
        fake.sendUdp(datagram, dataPort);
    }
    driver->LPMDataAvailable();
    server.UpdateTimerTimer();
    WaitForClients(clients, kTransponders);

    int64_t fed = kTransponders;
    int64_t allocations = 0;
    for (auto _ : state) {
        stamp += 200;  // 20 ms
        Stamp(datagrams, stamp);
        for (const QByteArray& datagram : datagrams) {
            fake.sendUdp(datagram, dataPort);
        }
        const int64_t before = qel::bench::AllocationCount();
        driver->LPMDataAvailable();
        allocations += qel::bench::AllocationCount() - before;
        server.UpdateTimerTimer();
        fed += kTransponders;
        WaitForClients(clients, fed);
    }
    int64_t lost = 0;
    for (const auto& client : clients) {
        lost += fed - client->Samples();
    }
    state.counters["lost"] = static_cast<double>(lost);
    ReportUdp(state, fed - kTransponders, allocations);
    control.Clear();
}

// The same datagrams from one plain UDP socket to another, read into a buffer.
void BM_LpmUdpLoadBaseline(benchmark::State& state) {
    QUdpSocket receiver;
    receiver.bind(QHostAddress::LocalHost, 0);
    QUdpSocket sender;
    sender.bind(QHostAddress::LocalHost, 0);
    std::vector<QByteArray> datagrams = PeriodDatagrams();
    std::vector<char> buffer(static_cast<size_t>(kRecordsPerDatagram * kRecordSize));
    uint32_t stamp = 50;
    int64_t records = 0;
    int64_t allocations = 0;
    for (auto _ : state) {
        stamp += 200;
        Stamp(datagrams, stamp);
        for (const QByteArray& datagram : datagrams) {
            sender.writeDatagram(datagram, QHostAddress::LocalHost, receiver.localPort());
        }
        const int64_t before = qel::bench::AllocationCount();
        records += qel::bench::ReadWaitingRecords(receiver, buffer, kRecordSize);
        allocations += qel::bench::AllocationCount() - before;
    }
    ReportUdp(state, records, allocations);
}

BENCHMARK(BM_LiveLoad)->UseRealTime();
BENCHMARK(BM_LiveLoadBaseline);
BENCHMARK(BM_LiveLoadTenfold)->UseRealTime();
BENCHMARK(BM_LiveLoadTenfoldBaseline);
BENCHMARK(BM_LpmUdpLoad)->UseRealTime();
BENCHMARK(BM_LpmUdpLoadBaseline);

}  // namespace

int main(int argc, char** argv) {
    return qel::bench::RunWithRatios(argc, argv);
}
