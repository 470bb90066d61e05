#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "database/devices/battery_state.h"

class TqelDatabase;

// Collects the latest battery reading of each transponder and writes what was collected to
// TP_BATTERY_STATE once a cycle (30 s), over a database of its own that is connected only for
// each cycle's write. Readings a failed write did not store are written with the next cycle
// (a newer reading of the same antenna replaces them); switching storing off drops them.
//
// Threads: the owner creates it, sets OnLogMessage and StoreData, starts, terminates and
// destroys it on its own thread (the main thread), where the log lines arrive too; Add may be
// called from any thread. FLock guards the pending readings, and is never held during a write.
// FEventLock guards the wake-up flag. FStoreData and FTerminated are atomic. The database and
// the writer belong to the worker thread; FOnLogMessage and FLogContext to the owner's.
class TqelDBBatteryStatusThread {
public:
    static constexpr int kCycleMs = 30000;
    // Makes the writer on the thread's database; tests put a fake in place of the real one.
    using TWriterFactory = std::function<std::unique_ptr<TqelDBTPBatteryState>(TqelDatabase*)>;

    // Created suspended: the owner sets OnLogMessage and StoreData and calls Start.
    explicit TqelDBBatteryStatusThread(const QString& aConnectionString, int aCycleMs = kCycleMs,
                                       TWriterFactory aWriterFactory = {});
    // Terminates and waits for the work to end.
    ~TqelDBBatteryStatusThread();
    TqelDBBatteryStatusThread(const TqelDBBatteryStatusThread&) = delete;
    TqelDBBatteryStatusThread& operator=(const TqelDBBatteryStatusThread&) = delete;

    // Starts the work once; later calls do nothing.
    void Start();
    // Wakes the work to end at once (after a write in progress) and drops the log event, so
    // lines logged from now on go nowhere.
    void Terminate();
    bool Terminated() const { return FTerminated.load(); }

    void setOnLogMessage(std::function<void(const QString&)> aValue);
    // Readings are collected and written only while true; false after creation.
    void setStoreData(bool aValue) { FStoreData.store(aValue); }
    bool StoreData() const { return FStoreData.load(); }

    // Keeps the reading as its antenna's pending one (replacing an earlier one); ignored unless
    // storing is on and the thread is not terminated.
    void Add(int32_t aAntennaID, int32_t aDateTimeS, int32_t aVoltage_mV, int32_t aState);
    // Readings waiting for the next cycle, one per antenna.
    int PendingCount() const;

private:
    struct RqelBatteryReading {
        int32_t AntennaID;
        int32_t DateTimeS;
        int32_t Voltage_mV;
        int32_t State;
    };

    void Execute();
    // False once terminated.
    bool WaitForCycle();
    void WriteCycle(TqelDBTPBatteryState& aWriter);
    void DropPending(TqelDBTPBatteryState& aWriter);
    // Queues the line to the owner's thread.
    void Log(const QString& aLine);

    const QString FConnectionString;
    const int FCycleMs;
    const TWriterFactory FWriterFactory;

    std::function<void(const QString&)> FOnLogMessage;
    // Queued log lines run in its name, so they are dropped once it is gone.
    std::unique_ptr<QObject> FLogContext;

    mutable std::mutex FLock;
    std::vector<RqelBatteryReading> FTBS;
    // The worker's copy of the pending readings, taken out under FLock and written outside it.
    std::vector<RqelBatteryReading> FTaken;

    std::atomic<bool> FStoreData{false};
    std::atomic<bool> FTerminated{false};

    std::mutex FEventLock;
    std::condition_variable FTerminateEvent;
    bool FEventSignalled = false;

    std::thread FThread;
};
