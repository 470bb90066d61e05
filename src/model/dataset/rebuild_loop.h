#pragma once

#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <functional>

namespace qel {

// The parallel index rebuild of a dataset: one pool task per list position, on a pool of its
// own so that the global pool keeps serving network and camera work and no task ever waits for
// its own pool. Each task takes the next position from a counter and checks the cancel flag
// first, so a cancel lets the running iterations finish and skips the others.
//
// Threads: made, started, waited for and destroyed by one thread (the main thread); Cancel and
// Cancelled from any thread. The iteration runs on the pool threads and must not raise.
class RebuildLoop {
public:
    // aThreads of 0 or less: one per core.
    RebuildLoop(int32_t aCount, int aThreads, std::function<void(int32_t aPosition)> anIteration);
    // Skips what has not started and waits for the running iterations.
    ~RebuildLoop();
    RebuildLoop(const RebuildLoop&) = delete;
    RebuildLoop& operator=(const RebuildLoop&) = delete;

    void Start();
    void Cancel() { FCancelled = true; }
    bool Cancelled() const { return FCancelled.load(); }
    // True when every task has finished within aMilliseconds.
    bool Wait(int aMilliseconds) { return FPool.waitForDone(aMilliseconds); }

private:
    void RunOne();

    QThreadPool FPool;
    std::atomic<int32_t> FNext{0};
    std::atomic<bool> FCancelled{false};
    const int32_t FCount;
    const std::function<void(int32_t)> FIteration;
};

}  // namespace qel
