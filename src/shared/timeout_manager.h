#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class QTimer;

using TlpmTimeOutEvent = std::function<void(uint32_t aTimeOutHandle, uint32_t aParam)>;

// One pending time-out.
struct TlpmTimeOut {
    uint32_t EventHandle = 0;
    // Tick count when it was added.
    int32_t ReceivedTime = 0;
    // Interval in ms.
    int32_t TimeOut = 0;
    uint32_t Param = 0;
    TlpmTimeOutEvent Event;
};

// One-shot time-outs on the main thread. A callback runs once, at the first tick (every 25 ms)
// at which more than its interval has passed since it was added, unless its handle is removed
// first. Entries due at the same tick fire from the newest to the oldest.
//
// Elapsed times are 32-bit differences of qel::TickCount(), so the wrap of the tick count does
// not disturb intervals below 2^31 ms.
//
// Threads: the timer and every callback run on the thread that created the manager (the main
// thread). addTimeOut and removeTimeOut may be called from any thread; FCritSect guards
// FTimeOutList and is never held while a callback runs, so callbacks may call back in.
class TlpmTimeOutManager : public QObject {
public:
    static constexpr int kTickInterval = 25;

    // The timer runs from creation on (made on a thread without an event loop: from when the
    // manager reaches one).
    explicit TlpmTimeOutManager(QObject* aParent = nullptr);
    // Pending time-outs are dropped without firing.
    ~TlpmTimeOutManager() override;

    // Returns the handle, never 0.
    uint32_t addTimeOut(TlpmTimeOutEvent aTimeOut, int32_t aTimeOutInterval, uint32_t aParam);
    // Removes the pending time-out and sets aTimeOutHandle to 0; a handle that is not pending
    // (fired, removed, or 0) leaves the variable as it is.
    void removeTimeOut(uint32_t& aTimeOutHandle);

    // Pending time-outs stay while stopped and fire at the first tick after start once due.
    void start();
    void stop();
    bool Active() const;

    // One tick: fires every entry that is due now. The timer calls it; tests call it directly
    // with a set tick source.
    void processTick();

    int Count() const;

private:
    QTimer* FTimer;
    std::vector<TlpmTimeOut> FTimeOutList;
    mutable std::mutex FCritSect;
};

// The process-wide manager, made on first use from any thread and moved to the main thread, where
// its timer and callbacks run; freed when the application object goes. Null once it has been
// freed.
TlpmTimeOutManager* TimeOutManager();
