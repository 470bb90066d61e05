// A log flooded from four threads: what one line costs its caller and the main thread that
// shows it, and that the shown lines stay bounded. The baseline in the same run is the plain
// way to log from threads: format the same line and fwrite it to a file under a mutex.
// Arguments: file 0 = no log file, 1 = the log also writes every line to a file.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/logging/log_window_core.h"
#include "platform/date_time.h"
#include "platform/queued_call.h"

namespace {

constexpr int kThreads = 4;
constexpr int kLinesPerThread = 5000;
constexpr int kLines = kThreads * kLinesPerThread;

// CPU time of the calling thread: on a busy machine wall time would mostly count the waits
// for a core.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs aWork on kThreads threads at once; returns the summed CPU time the threads spent in it.
template <typename Work>
double RunThreads(Work aWork) {
    std::atomic<bool> go{false};
    std::vector<double> spent(kThreads, 0.0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            const double start = ThreadSeconds();
            aWork(t);
            spent[static_cast<size_t>(t)] = ThreadSeconds() - start;
        });
    }
    go.store(true);
    for (std::thread& thread : threads) {
        thread.join();
    }
    double total = 0;
    for (double s : spent) {
        total += s;
    }
    return total;
}

// Seconds per line of the baseline: each thread formats its lines and fwrites them under one
// mutex.
double BaselinePerLine(const QString& aFileName) {
    std::FILE* file = std::fopen(QFile::encodeName(aFileName).constData(), "wb");
    std::mutex lock;
    const double spent = RunThreads([&](int aThread) {
        for (int i = 0; i < kLinesPerThread; ++i) {
            const QString line = FormatDateTime(QStringLiteral("hh:nn:ss.zzz"), Now()) +
                                 QStringLiteral(": ") +
                                 QStringLiteral("thread %1 line %2").arg(aThread).arg(i);
            const QByteArray bytes = line.toLatin1() + "\r\n";
            std::lock_guard guard(lock);
            std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file);
        }
    });
    std::fclose(file);
    return spent / kLines;
}

void BM_LogFlood(benchmark::State& state) {
    const bool toFile = state.range(0) != 0;
    QTemporaryDir folder;
    double callerSeconds = 0;
    double mainSeconds = 0;
    int maxShown = 0;
    int64_t lines = 0;
    for (auto _ : state) {
        TqelShowTextDialog log(QStringLiteral("Bench log"));
        if (toFile) {
            log.setLogToFile(folder.filePath(QStringLiteral("flood.log")));
        }
        int steps = 0;
        QObject::connect(&log, &TqelShowTextDialog::LinesChanged, [&] { ++steps; });
        std::atomic<bool> done{false};
        std::thread flood([&] {
            callerSeconds += RunThreads([&](int aThread) {
                for (int i = 0; i < kLinesPerThread; ++i) {
                    log.AddText(QStringLiteral("thread %1 line %2").arg(aThread).arg(i));
                }
            });
            done.store(true);
        });
        // The main thread: only passes that ran a display step count.
        while (true) {
            const bool last = done.load();
            const int before = steps;
            const double start = ThreadSeconds();
            qel::ProcessMessages();
            if (steps != before) {
                mainSeconds += ThreadSeconds() - start;
            }
            maxShown = std::max(maxShown, log.LineCount());
            if (last) {
                break;
            }
        }
        flood.join();
        lines += kLines;
    }
    const double baseline = BaselinePerLine(folder.filePath(QStringLiteral("baseline.log")));
    const double callerPerLine = callerSeconds / static_cast<double>(lines);
    const double mainPerLine = mainSeconds / static_cast<double>(lines);
    state.SetItemsProcessed(lines);
    state.counters["caller_ns/line"] = callerPerLine * 1e9;
    state.counters["main_ns/line"] = mainPerLine * 1e9;
    state.counters["fwrite_ns/line"] = baseline * 1e9;
    state.counters["caller/fwrite"] = callerPerLine / baseline;
    state.counters["main/fwrite"] = mainPerLine / baseline;
    state.counters["max_shown"] = maxShown;
    if (maxShown > TqelShowTextDialog::kMaxOldLines + 2) {
        state.SkipWithError("the shown lines are not bounded");
    }
}
BENCHMARK(BM_LogFlood)->ArgName("file")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The log delivers through the main thread's event loop, as in the server.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
