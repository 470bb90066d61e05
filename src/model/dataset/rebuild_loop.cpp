#include "model/dataset/rebuild_loop.h"

#include <QThread>

#include "platform/crash_reporter.h"

namespace qel {

RebuildLoop::RebuildLoop(int32_t aCount, int aThreads,
                         std::function<void(int32_t aPosition)> anIteration)
    : FCount(aCount), FIteration(std::move(anIteration)) {
    FPool.setMaxThreadCount(aThreads > 0 ? aThreads : QThread::idealThreadCount());
}

RebuildLoop::~RebuildLoop() {
    Cancel();
    FPool.clear();
    FPool.waitForDone();
}

void RebuildLoop::Start() {
    for (int32_t i = 0; i < FCount; ++i) {
        FPool.start([this] { RunOne(); });
    }
}

void RebuildLoop::RunOne() {
    if (FCancelled.load()) {
        return;
    }
    const int32_t position = FNext.fetch_add(1);
    if (position >= FCount) {
        return;
    }
    try {
        FIteration(position);
    } catch (const std::exception& e) {
        CrashReporter::Report(e, QStringLiteral("RebuildLoop"));
    } catch (...) {
        CrashReporter::ReportUnknown(QStringLiteral("RebuildLoop"));
    }
}

}  // namespace qel
