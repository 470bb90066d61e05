// The LPM driver's receive path: datagrams of 1 to 20 records of 56 bytes read from its UDP
// port, cut into records and decoded to an empty callback. The baseline reads the same
// datagrams from a plain socket without touching them, so the ratio is the cost of cutting and
// decoding on top of the socket. Reports records per second and heap allocations per datagram
// (counted by the replaced global operator new of this program; the path should make none).

#include <benchmark/benchmark.h>

#include <QUdpSocket>
#include <QtEndian>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "measurement/drivers/lpm_system.h"
#include "ratio_reporter.h"
#include "udp_records.h"

namespace {

constexpr int kRecordSize = 56;
// Datagrams waiting per timed pass; well inside the socket's receive buffer.
constexpr int kDatagramsPerPass = 64;

class EmptyCallback : public IqelMeasurementSystemCallback {
public:
    void log(TqelMeasurementSystem*, const QString&) override {}
    void status(TqelMeasurementSystem*, int32_t, const QString&) override {}
    void error(TqelMeasurementSystem*, int32_t, const QString&) override {}
    void stateChanged(TqelMeasurementSystem*, TqelStartupSequence) override {}
    void positionReceived(TqelMeasurementSystem*, const RqelPositionRec&) override { ++Positions; }
    void event(TqelMeasurementSystem*, uint8_t, int32_t) override {}
    TqelAntennaList* getAntennaList() override { return nullptr; }

    int64_t Positions = 0;
};

QByteArray Datagram(int aRecords) {
    QByteArray bytes(aRecords * kRecordSize, '\0');
    for (int i = 0; i < aRecords; ++i) {
        auto* record = reinterpret_cast<uchar*>(bytes.data()) + i * kRecordSize;
        qToLittleEndian<uint32_t>(50 + 100 * static_cast<uint32_t>(i), record);
        qToLittleEndian<uint16_t>(static_cast<uint16_t>(i + 1), record + 4);
        qToLittleEndian<int32_t>(1000 + i, record + 12);
        qToLittleEndian<int32_t>(2000 + i, record + 16);
        qToLittleEndian<int16_t>(300, record + 24);
        record[11] = 15 << 2;  // heart-rate telemetry
        record[10] = 2;
    }
    return bytes;
}

void Send(QUdpSocket& aSender, const QByteArray& aDatagram, quint16 aPort) {
    for (int i = 0; i < kDatagramsPerPass; ++i) {
        aSender.writeDatagram(aDatagram, QHostAddress::LocalHost, aPort);
    }
}

// Sends a pass of datagrams outside the timing.
void SendPass(benchmark::State& state, QUdpSocket& aSender, const QByteArray& aDatagram,
              quint16 aPort) {
    state.PauseTiming();
    Send(aSender, aDatagram, aPort);
    state.ResumeTiming();
}

void Report(benchmark::State& state, int64_t aRecords, int64_t aAllocations) {
    const auto datagrams = static_cast<int64_t>(state.iterations()) * kDatagramsPerPass;
    state.SetItemsProcessed(aRecords);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(aRecords), benchmark::Counter::kIsRate);
    state.counters["allocs/datagram"] =
        static_cast<double>(aAllocations) / static_cast<double>(std::max<int64_t>(datagrams, 1));
}

void BM_LPMData(benchmark::State& state, int aRecords) {
    TqelServerConfig config;
    TqelFieldSettings field;
    field.setLPMDataProtocol(dtpMiddleDataFormat);
    field.setUDPListenPort(0);
    field.setLPMPort(0);
    TqelLPMSystem driver(config);
    EmptyCallback callback;
    driver.setCallBack(&callback);
    driver.SetField(&field);
    driver.Initialize();
    QUdpSocket sender;
    sender.bind(QHostAddress::LocalHost, 0);
    const QByteArray datagram = Datagram(aRecords);

    // Warm up: the first pass takes the time base.
    Send(sender, datagram, driver.DataPort());
    driver.LPMDataAvailable();
    callback.Positions = 0;

    int64_t allocations = 0;
    for (auto _ : state) {
        SendPass(state, sender, datagram, driver.DataPort());
        const int64_t before = qel::bench::AllocationCount();
        driver.LPMDataAvailable();
        allocations += qel::bench::AllocationCount() - before;
    }
    if (callback.Positions !=
        static_cast<int64_t>(state.iterations()) * kDatagramsPerPass * aRecords) {
        state.SkipWithError("records lost");
        return;
    }
    Report(state, callback.Positions, allocations);
}

void BM_LPMDataBaseline(benchmark::State& state, int aRecords) {
    QUdpSocket receiver;
    receiver.bind(QHostAddress::AnyIPv4, 0);
    QUdpSocket sender;
    sender.bind(QHostAddress::LocalHost, 0);
    const QByteArray datagram = Datagram(aRecords);
    std::vector<char> buffer(static_cast<size_t>(datagram.size()));

    int64_t records = 0;
    int64_t allocations = 0;
    for (auto _ : state) {
        SendPass(state, sender, datagram, receiver.localPort());
        const int64_t before = qel::bench::AllocationCount();
        records += qel::bench::ReadWaitingRecords(receiver, buffer, kRecordSize);
        allocations += qel::bench::AllocationCount() - before;
    }
    Report(state, records, allocations);
}

}  // namespace

int main(int argc, char** argv) {
    for (int records : {1, 5, 10, 20}) {
        const std::string name = "BM_LPMData" + std::to_string(records) + "Records";
        benchmark::RegisterBenchmark(name.c_str(), BM_LPMData, records);
        benchmark::RegisterBenchmark((name + "Baseline").c_str(), BM_LPMDataBaseline, records);
    }
    return qel::bench::RunWithRatios(argc, argv);
}
