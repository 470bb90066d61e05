// Both loggers writing 200,000 lines to a file, against fwrite of the same bytes on the same file
// system. A logger's time runs from its first call until its writer has put the last line in the
// file; beside lines per second it reports the longest single call on the caller's side, which
// must stay below 1 ms while the writer works. Prints the ratios at the end.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/logging/file_logger.h"
#include "foundation/logging/logger.h"
#include "platform/ansi_codec.h"

namespace {

constexpr int kLines = 200000;
// What the framework log puts before each message: "yyyy/mm/dd hh:mm:ss.zzz: (LOG) ".
const QByteArray kStampOfTheFrameworkLog = "2020/08/14 14:37:05.123: (LOG) ";

using Clock = std::chrono::steady_clock;

QString Message(int aLine) {
    return QStringLiteral("Client %1 sent %2 bytes to port 4711, frame %3 of the live data")
        .arg(aLine % 40)
        .arg(aLine * 7 % 100000)
        .arg(aLine);
}

const std::vector<QString>& Messages() {
    static const std::vector<QString> messages = [] {
        std::vector<QString> all;
        all.reserve(kLines);
        for (int i = 0; i < kLines; ++i) {
            all.push_back(Message(i));
        }
        return all;
    }();
    return messages;
}

// The bytes each logger writes for a line.
std::vector<QByteArray> LineBytes(const QByteArray& aPrefix) {
    std::vector<QByteArray> lines;
    lines.reserve(kLines);
    for (const QString& message : Messages()) {
        lines.push_back(aPrefix + qel::ToWindows1252(message) + "\r\n");
    }
    return lines;
}

qint64 TotalBytes(const std::vector<QByteArray>& aLines) {
    qint64 total = 0;
    for (const QByteArray& line : aLines) {
        total += line.size();
    }
    return total;
}

// Checks what a run wrote, then removes it so that every run starts with no file.
void CheckAndRemove(benchmark::State& aState, const QString& aFolder, const QString& aFile,
                    qint64 aExpectedBytes) {
    aState.PauseTiming();
    if (!aFile.isEmpty() && QFile(aFile).size() != aExpectedBytes) {
        aState.SkipWithError("lines lost");
    }
    const QDir folder(aFolder);
    for (const QString& written : folder.entryList(QDir::Files)) {
        QFile::remove(folder.filePath(written));
    }
    aState.ResumeTiming();
}

// Times each call and keeps the longest. Also counts how often the calling thread gave up the
// processor while in its calls: a wait for a lock or the disk does, being preempted on a busy
// machine does not, so this tells a logger that blocks from a machine that is slow.
class CallTimer {
public:
    void beginCalls() { FSwitchesAtBegin = VoluntarySwitches(); }
    void endCalls() { FWaits += VoluntarySwitches() - FSwitchesAtBegin; }
    long waits() const { return FWaits; }

    template <typename F>
    void run(F&& aCall) {
        const Clock::time_point start = Clock::now();
        aCall();
        const Clock::duration took = Clock::now() - start;
        FLongest = std::max(FLongest, took);
        FTotal += took;
        if (took > std::chrono::milliseconds(1)) {
            ++FAboveOneMs;
        }
    }
    double totalSeconds() const { return std::chrono::duration<double>(FTotal).count(); }
    double longestMicroseconds() const {
        return std::chrono::duration<double, std::micro>(FLongest).count();
    }
    int aboveOneMs() const { return FAboveOneMs; }

private:
    static long VoluntarySwitches() {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_nvcsw;
    }

    Clock::duration FLongest{};
    Clock::duration FTotal{};
    int FAboveOneMs = 0;
    long FSwitchesAtBegin = 0;
    long FWaits = 0;
};

void Report(benchmark::State& aState, int64_t aLines, const CallTimer& aCalls) {
    aState.SetItemsProcessed(aLines);
    aState.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(aLines), benchmark::Counter::kIsRate);
    // The callers' side alone, without waiting for the writer.
    aState.counters["caller_lines/s"] = static_cast<double>(aLines) / aCalls.totalSeconds();
    aState.counters["longest_call_us"] = aCalls.longestMicroseconds();
    // Per run of kLines calls.
    aState.counters["calls_above_1ms"] =
        static_cast<double>(aCalls.aboveOneMs()) * kLines / static_cast<double>(aLines);
    aState.counters["caller_waits"] =
        static_cast<double>(aCalls.waits()) * kLines / static_cast<double>(aLines);
}

void BM_FwriteBaseline(benchmark::State& state) {
    const std::vector<QByteArray> lines = LineBytes(state.range(0) ? kStampOfTheFrameworkLog : "");
    QTemporaryDir folder;
    const QByteArray name = QFile::encodeName(folder.filePath(QStringLiteral("fwrite.log")));
    CallTimer calls;
    for (auto _ : state) {
        std::FILE* file = std::fopen(name.constData(), "wb");
        calls.beginCalls();
        for (const QByteArray& line : lines) {
            calls.run([&] { std::fwrite(line.constData(), 1, line.size(), file); });
        }
        calls.endCalls();
        std::fclose(file);
    }
    Report(state, state.iterations() * kLines, calls);
}

void BM_TlpmLogger(benchmark::State& state) {
    const qint64 expectedBytes = TotalBytes(LineBytes(kStampOfTheFrameworkLog));
    QTemporaryDir folder;
    CallTimer calls;
    int run = 0;
    for (auto _ : state) {
        const QString base = folder.filePath(QStringLiteral("lpm%1.log").arg(++run));
        TlpmLogger logger;
        logger.start(base);
        const QString file = logger.HourlyFileName();
        calls.beginCalls();
        for (const QString& message : Messages()) {
            calls.run([&] { logger.log(lcLog, llNormal, message); });
        }
        calls.endCalls();
        // An hour that turns during the run splits the lines over two files.
        const bool oneFile = logger.HourlyFileName() == file;
        logger.stop();
        CheckAndRemove(state, folder.path(), oneFile ? file : QString(), expectedBytes);
    }
    Report(state, state.iterations() * kLines, calls);
}

void BM_TqelFileLogger(benchmark::State& state) {
    const qint64 expectedBytes = TotalBytes(LineBytes(""));
    QTemporaryDir folder;
    CallTimer calls;
    int run = 0;
    for (auto _ : state) {
        const QString file = folder.filePath(QStringLiteral("file%1.log").arg(++run));
        {
            TqelFileLogger logger;
            logger.setFilename(file);
            calls.beginCalls();
            for (const QString& message : Messages()) {
                calls.run([&] { logger.Add(message); });
            }
            calls.endCalls();
            // Its destruction waits for the pass that writes the rest.
        }
        CheckAndRemove(state, folder.path(), file, expectedBytes);
    }
    Report(state, state.iterations() * kLines, calls);
}

BENCHMARK(BM_FwriteBaseline)
    ->ArgName("stamped")
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TlpmLogger)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TqelFileLogger)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps each run's counters, to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& aRuns) override {
        ConsoleReporter::ReportRuns(aRuns);
        for (const Run& run : aRuns) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                FRuns[run.benchmark_name()] = run.counters;
            }
        }
    }

    void PrintRatios() const {
        const auto value = [&](const std::string& aName, const char* aCounter) {
            const auto run = FRuns.find(aName);
            if (run == FRuns.end() || run->second.count(aCounter) == 0) {
                return 0.0;
            }
            return run->second.at(aCounter).value;
        };
        const auto print = [&](const char* aLogger, const std::string& aName,
                               const std::string& aBaseline) {
            const double lines = value(aName, "lines/s");
            const double baseline = value(aBaseline, "lines/s");
            if (lines <= 0 || baseline <= 0) {
                return;
            }
            std::printf(
                "%s: %.0f lines/s written, fwrite of the same bytes %.0f lines/s: %.2f times "
                "slower; callers alone %.0f lines/s; longest call %.1f us, %.1f calls of "
                "200,000 above 1 ms, the caller waited %.1f times (fwrite: %.1f us, %.1f, "
                "%.1f)\n",
                aLogger, lines, baseline, baseline / lines, value(aName, "caller_lines/s"),
                value(aName, "longest_call_us"), value(aName, "calls_above_1ms"),
                value(aName, "caller_waits"), value(aBaseline, "longest_call_us"),
                value(aBaseline, "calls_above_1ms"), value(aBaseline, "caller_waits"));
        };
        print("TlpmLogger", "BM_TlpmLogger/real_time", "BM_FwriteBaseline/stamped:1/real_time");
        print("TqelFileLogger", "BM_TqelFileLogger/real_time",
              "BM_FwriteBaseline/stamped:0/real_time");
    }

private:
    std::map<std::string, benchmark::UserCounters> FRuns;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
