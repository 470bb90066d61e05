#pragma once

#include <benchmark/benchmark.h>

#include <QUdpSocket>
#include <cstdint>
#include <vector>

namespace qel::bench {

// The baselines of the UDP receive paths: reads every waiting datagram into aBuffer and returns
// the records of aRecordSize bytes they held.
inline int64_t ReadWaitingRecords(QUdpSocket& aReceiver, std::vector<char>& aBuffer,
                                  int aRecordSize) {
    int64_t records = 0;
    while (aReceiver.hasPendingDatagrams()) {
        const qint64 read =
            aReceiver.readDatagram(aBuffer.data(), static_cast<qint64>(aBuffer.size()));
        benchmark::DoNotOptimize(aBuffer.data());
        records += read / aRecordSize;
    }
    return records;
}

}  // namespace qel::bench
