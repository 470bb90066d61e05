#include "database/devices/battery_status_thread.h"

#include <pthread.h>
#include <chrono>
#include <unordered_map>

#include "database/database.h"
#include "platform/exception.h"
#include "platform/queued_call.h"
#include "platform/thread_name.h"

namespace {

const QString kClassName = QStringLiteral("TqelDBBatteryStatusThread");

QString MessageOf(const std::exception& anException) {
    const auto* own = dynamic_cast<const Exception*>(&anException);
    return own ? own->Message() : QString::fromUtf8(anException.what());
}

}  // namespace

TqelDBBatteryStatusThread::TqelDBBatteryStatusThread(const QString& aConnectionString, int aCycleMs,
                                                     TWriterFactory aWriterFactory)
    : FConnectionString(aConnectionString),
      FCycleMs(aCycleMs),
      FWriterFactory(std::move(aWriterFactory)),
      FLogContext(std::make_unique<QObject>()) {}

TqelDBBatteryStatusThread::~TqelDBBatteryStatusThread() {
    Terminate();
    if (FThread.joinable()) {
        FThread.join();
    }
}

void TqelDBBatteryStatusThread::Start() {
    if (!FThread.joinable() && !Terminated()) {
        FThread = std::thread([this] { Execute(); });
    }
}

void TqelDBBatteryStatusThread::Terminate() {
    FTerminated.store(true);
    FOnLogMessage = nullptr;
    {
        std::lock_guard lock(FEventLock);
        FEventSignalled = true;
    }
    FTerminateEvent.notify_all();
}

void TqelDBBatteryStatusThread::setOnLogMessage(std::function<void(const QString&)> aValue) {
    FOnLogMessage = std::move(aValue);
}

void TqelDBBatteryStatusThread::Add(int32_t aAntennaID, int32_t aDateTimeS, int32_t aVoltage_mV,
                                    int32_t aState) {
    if (!StoreData() || Terminated()) {
        return;
    }
    try {
        std::lock_guard lock(FLock);
        for (RqelBatteryReading& pending : FTBS) {
            if (pending.AntennaID == aAntennaID) {
                pending = {aAntennaID, aDateTimeS, aVoltage_mV, aState};
                return;
            }
        }
        FTBS.push_back({aAntennaID, aDateTimeS, aVoltage_mV, aState});
    } catch (const std::exception& e) {
        Log(kClassName + QStringLiteral(".Add: Error: ") + MessageOf(e));
    }
}

int TqelDBBatteryStatusThread::PendingCount() const {
    std::lock_guard lock(FLock);
    return static_cast<int>(FTBS.size());
}

void TqelDBBatteryStatusThread::Log(const QString& aLine) {
    qel::QueueCall(FLogContext.get(), [this, aLine] {
        if (FOnLogMessage) {
            FOnLogMessage(aLine);
        }
    });
}

void TqelDBBatteryStatusThread::Execute() {
    pthread_setname_np(pthread_self(), qel::ThreadName(kClassName).constData());
    Log(kClassName + QStringLiteral(".Execute: started"));
    const QString errorPrefix = kClassName + QStringLiteral(".Execute: Error - ");
    try {
        TqelDatabase database;
        if (!database.Initialize(FConnectionString)) {
            Log(errorPrefix + database.ConnectionError());
        }
        // Connected only while a cycle writes: the connection layer would keep it open.
        database.Connection()->Disconnect();
        const std::unique_ptr<TqelDBTPBatteryState> writer =
            FWriterFactory ? FWriterFactory(&database)
                           : std::make_unique<TqelDBTPBatteryState>(&database);
        while (WaitForCycle()) {
            if (StoreData()) {
                try {
                    WriteCycle(*writer);
                } catch (const std::exception& e) {
                    Log(errorPrefix + MessageOf(e));
                }
                database.Connection()->Disconnect();
            } else {
                DropPending(*writer);
            }
        }
    } catch (const std::exception& e) {
        Log(errorPrefix + MessageOf(e));
    } catch (...) {
        Log(errorPrefix + QStringLiteral("unknown exception"));
    }
    Log(kClassName + QStringLiteral(".Execute: Finished"));
}

bool TqelDBBatteryStatusThread::WaitForCycle() {
    std::unique_lock lock(FEventLock);
    if (FTerminateEvent.wait_for(lock, std::chrono::milliseconds(FCycleMs),
                                 [this] { return FEventSignalled; })) {
        FEventSignalled = false;
    }
    return !Terminated();
}

void TqelDBBatteryStatusThread::WriteCycle(TqelDBTPBatteryState& aWriter) {
    FTaken.clear();
    {
        std::lock_guard lock(FLock);
        FTaken.swap(FTBS);
    }
    // Rows kept from a failed write take the newer values of their antenna.
    std::unordered_map<int32_t, TqelTPBatteryState*> kept;
    for (const auto& row : aWriter.VaruzaList()) {
        kept.emplace(row->AntennaID(), row.get());
    }
    for (const RqelBatteryReading& reading : FTaken) {
        TqelTPBatteryState* row = nullptr;
        if (const auto found = kept.find(reading.AntennaID); found != kept.end()) {
            row = found->second;
        } else {
            std::unique_ptr<TqelTPBatteryState> added = aWriter.NewVaruza();
            row = added.get();
            aWriter.Add(std::move(added));
        }
        row->setAntennaID(reading.AntennaID);
        row->setDateTimeS(reading.DateTimeS);
        row->setVoltage_mV(reading.Voltage_mV);
        row->setState(reading.State);
    }
    FTaken.clear();
    if (aWriter.Count() > 0) {
        aWriter.SaveAll();
    }
}

void TqelDBBatteryStatusThread::DropPending(TqelDBTPBatteryState& aWriter) {
    {
        std::lock_guard lock(FLock);
        FTBS.clear();
    }
    aWriter.ClearList();
}
