#include "shared/timeout_manager.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <atomic>

#include "platform/crash_reporter.h"
#include "platform/tick_count.h"

namespace {

// Shared by every manager, so a handle is never given out twice in the process.
std::atomic<uint32_t> timeOutHandleCounter{0};

uint32_t NextHandle() {
    uint32_t handle = ++timeOutHandleCounter;
    // 0 means "none" to the callers; skip it when the counter wraps.
    while (handle == 0) {
        handle = ++timeOutHandleCounter;
    }
    return handle;
}

std::once_flag theManagerMade;
std::atomic<TlpmTimeOutManager*> theManager{nullptr};

void FreeTheManager() {
    delete theManager.exchange(nullptr);
}

}  // namespace

TlpmTimeOutManager::TlpmTimeOutManager(QObject* aParent)
    : QObject(aParent), FTimer(new QTimer(this)) {
    FTimer->setInterval(kTickInterval);
    QObject::connect(FTimer, &QTimer::timeout, this, [this] { processTick(); });
    if (QAbstractEventDispatcher::instance() != nullptr) {
        FTimer->start();
    } else {
        // Made on a thread without an event loop: the timer starts where the manager is moved
        // to, since queued calls move with it.
        QMetaObject::invokeMethod(
            FTimer, [timer = FTimer] { timer->start(); }, Qt::QueuedConnection);
    }
}

TlpmTimeOutManager::~TlpmTimeOutManager() {
    FTimer->stop();
}

uint32_t TlpmTimeOutManager::addTimeOut(TlpmTimeOutEvent aTimeOut, int32_t aTimeOutInterval,
                                        uint32_t aParam) {
    std::lock_guard lock(FCritSect);
    TlpmTimeOut& entry = FTimeOutList.emplace_back();
    entry.EventHandle = NextHandle();
    entry.ReceivedTime = static_cast<int32_t>(qel::TickCount());
    entry.TimeOut = aTimeOutInterval;
    entry.Param = aParam;
    entry.Event = std::move(aTimeOut);
    return entry.EventHandle;
}

void TlpmTimeOutManager::removeTimeOut(uint32_t& aTimeOutHandle) {
    std::lock_guard lock(FCritSect);
    for (auto it = FTimeOutList.begin(); it != FTimeOutList.end(); ++it) {
        if (it->EventHandle == aTimeOutHandle) {
            FTimeOutList.erase(it);
            aTimeOutHandle = 0;
            return;
        }
    }
}

void TlpmTimeOutManager::start() {
    FTimer->start();
}

void TlpmTimeOutManager::stop() {
    FTimer->stop();
}

bool TlpmTimeOutManager::Active() const {
    return FTimer->isActive();
}

int TlpmTimeOutManager::Count() const {
    std::lock_guard lock(FCritSect);
    return static_cast<int>(FTimeOutList.size());
}

void TlpmTimeOutManager::processTick() {
    const uint32_t now = qel::TickCount();
    while (true) {
        TlpmTimeOutEvent event;
        uint32_t handle = 0;
        uint32_t param = 0;
        {
            std::lock_guard lock(FCritSect);
            auto due = FTimeOutList.end();
            for (auto it = FTimeOutList.end(); it != FTimeOutList.begin();) {
                --it;
                const auto elapsed =
                    static_cast<int32_t>(now - static_cast<uint32_t>(it->ReceivedTime));
                if (elapsed > it->TimeOut) {
                    due = it;
                    break;
                }
            }
            if (due == FTimeOutList.end()) {
                return;
            }
            event = std::move(due->Event);
            handle = due->EventHandle;
            param = due->Param;
            FTimeOutList.erase(due);
        }
        if (!event) {
            // An entry without a callback ends the tick; later entries wait for the next one.
            return;
        }
        try {
            event(handle, param);
        } catch (const std::exception& e) {
            // No exception may leave the timer's event.
            qel::CrashReporter::Report(e, QStringLiteral("TlpmTimeOutManager"));
        } catch (...) {
            qel::CrashReporter::ReportUnknown(QStringLiteral("TlpmTimeOutManager"));
        }
    }
}

TlpmTimeOutManager* TimeOutManager() {
    // Whichever thread asks first, the manager is made once and ticks on the main thread.
    std::call_once(theManagerMade, [] {
        auto* manager = new TlpmTimeOutManager();
        if (QCoreApplication* app = QCoreApplication::instance()) {
            manager->moveToThread(app->thread());
        }
        theManager = manager;
        qAddPostRoutine(FreeTheManager);
    });
    return theManager;
}
