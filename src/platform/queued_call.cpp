#include "platform/queued_call.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "platform/crash_reporter.h"

namespace qel {

bool QueueCall(QObject* aContext, std::function<void()> aCall) {
    if (!aContext || !aCall) {
        return false;
    }
    return QMetaObject::invokeMethod(
        aContext,
        [call = std::move(aCall)] {
            // No exception may leave an event handler.
            try {
                call();
            } catch (const std::exception& e) {
                CrashReporter::Report(e, QStringLiteral("Queued call"));
            } catch (...) {
                CrashReporter::ReportUnknown(QStringLiteral("Queued call"));
            }
        },
        Qt::QueuedConnection);
}

void ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool ProcessMessagesFor(int aMilliseconds, const std::function<bool()>& aDone) {
    QElapsedTimer elapsed;
    elapsed.start();
    // The timer wakes the waiting loop at the deadline, and often enough to notice aDone
    // turning true through another thread, which posts nothing here.
    constexpr qint64 kPollMs = 10;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (true) {
        if (aDone && aDone()) {
            return true;
        }
        const qint64 left = aMilliseconds - elapsed.elapsed();
        if (left <= 0) {
            return false;
        }
        if (!wake.isActive()) {
            wake.start(static_cast<int>(aDone ? std::min(left, kPollMs) : left));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

PostMessageEvent::PostMessageEvent(int aMsg, qint64 aWParam, qint64 aLParam, std::any aPayload)
    : QEvent(EventType()),
      FMsg(aMsg),
      FWParam(aWParam),
      FLParam(aLParam),
      FPayload(std::move(aPayload)) {}

QEvent::Type PostMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

const PostMessageEvent* PostMessageEvent::From(const QEvent* anEvent) {
    return anEvent && anEvent->type() == EventType() ? static_cast<const PostMessageEvent*>(anEvent)
                                                     : nullptr;
}

bool PostMessage(QObject* aReceiver, int aMsg, qint64 aWParam, qint64 aLParam, std::any aPayload) {
    if (!aReceiver) {
        return false;
    }
    QCoreApplication::postEvent(aReceiver,
                                new PostMessageEvent(aMsg, aWParam, aLParam, std::move(aPayload)));
    return true;
}

}  // namespace qel
