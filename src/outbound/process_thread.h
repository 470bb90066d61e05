#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>

#include "foundation/shared_enums.h"

// The work of one pass of the periodic worker thread.
using TqelDoProcess = std::function<void()>;

// Calls one procedure over and over, pausing UpdateInterval ms after each pass, until it is
// stopped. Synchronised (the default), each pass runs on the main thread while the worker waits;
// otherwise on the worker thread, concurrently with the main thread, and whatever the procedure
// touches must be guarded by its owner.
//
// Created not running on the main thread; the owner sets OnProcess, Synchronized and
// UpdateInterval before start(). OnLogMessage may change at any time and is guarded by FLock,
// as are the pause event and the state of a synchronised pass. The stop flags are atomics: the
// stopping thread writes them, the worker reads them.
class TqelProcessThread : public QThread {
    Q_OBJECT

public:
    TqelProcessThread(TqelDoProcess aProcess, int32_t anInterval, const QString& aName);
    // Stops the worker and waits for it; log lines still queued are dropped with the object.
    ~TqelProcessThread() override;

    const QString& Name() const { return FName; }
    bool Synchronized() const { return FSynchronized; }
    void setSynchronized(bool aValue) { FSynchronized = aValue; }
    const TqelDoProcess& OnProcess() const { return FOnProcess; }
    void setOnProcess(TqelDoProcess aValue) { FOnProcess = std::move(aValue); }
    TqelLogMessageEvent OnLogMessage() const;
    void setOnLogMessage(TqelLogMessageEvent aValue);
    int32_t UpdateInterval() const { return FUpdateInterval; }
    void setUpdateInterval(int32_t aValue) { FUpdateInterval = aValue; }

    // Ends the loop after the current pass; the end is still logged. Does not wait.
    void Stop();
    // Requests termination: the thread logs nothing more and a pause in progress ends at once.
    void Terminate();

    // Pauses entered since the start, for the tests.
    int64_t PauseCount() const { return FPauseCount; }

protected:
    void run() override;
    // The loop of passes.
    virtual void Execute();
    // Runs when termination is requested.
    virtual void TerminatedSet();

private:
    enum class PassState : uint8_t { Idle, Pending, Running, Done };

    void RunPass();
    void RunSynchronizedPass();
    void Pause();
    void SetEvent();
    bool Stopping() const;
    void LogMessage(const QString& aText);

    const QString FName;
    TqelDoProcess FOnProcess;
    std::atomic<int32_t> FUpdateInterval;
    std::atomic<bool> FSynchronized{true};
    std::atomic<bool> FContinueFetching{true};
    std::atomic<int64_t> FPauseCount{0};

    mutable std::mutex FLock;
    std::condition_variable FWake;
    bool FEventSet = false;
    PassState FPassState = PassState::Idle;
    std::exception_ptr FPassError;
    TqelLogMessageEvent FOnLogMessage;
};
