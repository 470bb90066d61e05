#include "outbound/process_thread.h"

#include <pthread.h>
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/crash_reporter.h"
#include "platform/exception.h"
#include "platform/queued_call.h"
#include "platform/thread_name.h"

namespace {

QString MessageOf(const std::exception& anException) {
    if (const auto* own = dynamic_cast<const Exception*>(&anException)) {
        return own->Message();
    }
    return QString::fromUtf8(anException.what());
}

bool OnMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

}  // namespace

TqelProcessThread::TqelProcessThread(TqelDoProcess aProcess, int32_t anInterval,
                                     const QString& aName)
    : FName(aName), FOnProcess(std::move(aProcess)), FUpdateInterval(anInterval) {
    setObjectName(aName);
    // Log lines are queued with this object as context: it must live on the main thread.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        moveToThread(app->thread());
    }
}

TqelProcessThread::~TqelProcessThread() {
    Stop();
    // Also ends a worker that has not yet entered its loop.
    requestInterruption();
    // A synchronised pass still pending is given up by the worker, so waiting here on the main
    // thread cannot deadlock.
    wait();
    TerminatedSet();
}

TqelLogMessageEvent TqelProcessThread::OnLogMessage() const {
    std::lock_guard lock(FLock);
    return FOnLogMessage;
}

void TqelProcessThread::setOnLogMessage(TqelLogMessageEvent aValue) {
    std::lock_guard lock(FLock);
    FOnLogMessage = std::move(aValue);
}

void TqelProcessThread::Stop() {
    FContinueFetching = false;
    SetEvent();
}

void TqelProcessThread::Terminate() {
    TerminatedSet();
}

void TqelProcessThread::TerminatedSet() {
    setOnLogMessage({});
    requestInterruption();
    FContinueFetching = false;
    SetEvent();
}

void TqelProcessThread::run() {
    // The debugger's name; a name the system refuses is of no consequence.
    pthread_setname_np(pthread_self(), qel::ThreadName(FName).constData());
    Execute();
}

void TqelProcessThread::Execute() {
    // The flag is not set again here: a stop that comes before the loop would be lost.
    LogMessage(FName + QStringLiteral(".Execute: Begin"));
    const QString context = FName + QStringLiteral(".Execute");
    QString lastMessage;
    // A failure is reported and logged once for each change of its message.
    const auto failed = [&](const QString& aMessage, const auto& aReport) {
        if (aMessage != lastMessage) {
            aReport();
            lastMessage = aMessage;
            LogMessage(context + QStringLiteral(": ") + aMessage);
        }
    };
    while (!Stopping()) {
        // The pause follows every pass, also one that raised, so a failing procedure does not
        // spin.
        for (const auto& step : {&TqelProcessThread::RunPass, &TqelProcessThread::Pause}) {
            try {
                (this->*step)();
            } catch (const std::exception& e) {
                failed(MessageOf(e), [&] { qel::CrashReporter::Report(e, context); });
            } catch (...) {
                failed(QStringLiteral("Unknown exception"),
                       [&] { qel::CrashReporter::ReportUnknown(context); });
            }
        }
    }
    LogMessage(FName + QStringLiteral(".Execute: End"));
}

bool TqelProcessThread::Stopping() const {
    return !FContinueFetching || isInterruptionRequested();
}

void TqelProcessThread::RunPass() {
    if (!FOnProcess) {
        return;
    }
    if (!FSynchronized) {
        FOnProcess();
        return;
    }
    {
        std::lock_guard lock(FLock);
        FPassState = PassState::Pending;
        FPassError = nullptr;
    }
    qel::QueueCall(this, [this] { RunSynchronizedPass(); });
    std::unique_lock lock(FLock);
    // A stop gives up a pass the main thread has not begun; one it runs is waited for.
    FWake.wait(lock, [this] {
        return FPassState == PassState::Done || (FPassState == PassState::Pending && Stopping());
    });
    const bool done = FPassState == PassState::Done;
    FPassState = PassState::Idle;
    if (done && FPassError) {
        std::rethrow_exception(std::exchange(FPassError, nullptr));
    }
}

// On the main thread.
void TqelProcessThread::RunSynchronizedPass() {
    {
        std::lock_guard lock(FLock);
        if (FPassState != PassState::Pending) {
            return;
        }
        FPassState = PassState::Running;
    }
    std::exception_ptr error;
    try {
        FOnProcess();
    } catch (...) {
        error = std::current_exception();
    }
    {
        std::lock_guard lock(FLock);
        FPassError = error;
        FPassState = PassState::Done;
    }
    FWake.notify_all();
}

void TqelProcessThread::Pause() {
    ++FPauseCount;
    std::unique_lock lock(FLock);
    // A manual-reset event: a stop sets it, the pause that sees it resets it.
    if (FWake.wait_for(lock, std::chrono::milliseconds(std::max<int32_t>(FUpdateInterval, 0)),
                       [this] { return FEventSet; })) {
        FEventSet = false;
    }
}

void TqelProcessThread::SetEvent() {
    {
        std::lock_guard lock(FLock);
        FEventSet = true;
    }
    FWake.notify_all();
}

void TqelProcessThread::LogMessage(const QString& aText) {
    if (OnMainThread()) {
        if (const TqelLogMessageEvent handler = OnLogMessage()) {
            handler(aText);
        }
        return;
    }
    // Dropped by the platform when this object is destroyed before the call runs.
    qel::QueueCall(this, [this, aText] {
        if (const TqelLogMessageEvent handler = OnLogMessage()) {
            handler(aText);
        }
    });
}
