#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

enum TlpmLogLevel : uint8_t { llOff, llMinimal, llNormal, llDetails, llVerbose };

enum TlpmLogCategory : uint8_t { lcSys, lcLog, lcErr, lcBug, lcFat };

using TlpmLogEvent =
    std::function<void(TlpmLogLevel aLevel, TlpmLogCategory aCategory, const QString& aMessage)>;

// The framework log of the socket layer: stamps each line with the time and a category tag and
// keeps it; once started with a file name, a writer thread of its own appends the kept lines to
// an hourly file ("lpm.log" -> "lpm_2020-08-14_1400-1459.log") every FlushInterval ms, and at
// once when more than kMaxKeptLines are kept. So a caller only formats its line and appends it.
//
// Messages are logged as given: callers format them first, so a "%" in a text is never taken
// for a format. Without a file name (or while it cannot be written) only the newest
// kMaxKeptLines lines are kept.
//
// Threads: log and its shorthands, Flush, Level and KeptLines may be called from any thread; OnLog
// runs on the caller's thread and is set before logging starts. start, stop, setFlushInterval
// and the destructor belong to one controlling thread. FLock guards FFileName, FLogText,
// FLineSizes, FFlushInterval and the writer's wake-up flags and is held only to append or take
// lines.
// FWriteLock lets one pass (take, write, keep back on failure) run at a time, so the file gets
// the lines in their order, and guards the spare room a pass hands on; it is taken before FLock.
class TlpmLogger {
public:
    static constexpr int kMaxKeptLines = 10000;
    // While a file is set, lines beyond this many waiting for the writer are dropped, oldest
    // first, so a stalled disk cannot take all memory.
    static constexpr int kMaxWaitingLines = 100 * kMaxKeptLines;

    TlpmLogger();
    // Stops the writer and writes what is still kept.
    ~TlpmLogger();
    TlpmLogger(const TlpmLogger&) = delete;
    TlpmLogger& operator=(const TlpmLogger&) = delete;

    // Keeps a line when aLevel is not above Level. Never raises: a line that cannot be made is
    // lost.
    void log(TlpmLogCategory aCategory, TlpmLogLevel aLevel, const QString& aMessage);
    // At llMinimal with category lcBug / lcErr / lcFat.
    void bug(const QString& aMessage);
    void error(const QString& aMessage);
    // Also writes the kept lines and asks the application to quit.
    void fatal(const QString& aMessage);
    // At lcSys, llNormal.
    void LogMessage(const QString& aMessage);

    // Sets the base file name and starts the writer.
    void start(const QString& aFileName);
    // Writes the kept lines, stops the writer and clears the file name.
    void stop();
    // Writes the kept lines now, on the calling thread; returns once they are in the file (or
    // kept back because it cannot be written).
    void Flush();

    TlpmLogLevel Level() const { return FLevel; }
    void setLevel(TlpmLogLevel aValue) { FLevel = aValue; }
    int FlushInterval() const;
    void setFlushInterval(int aValue);

    // The kept lines, each ending in CRLF, as the next flush would write them.
    QString KeptLines() const;
    // The file the lines kept now would go to: the base name with "_yyyy-mm-dd_hh00-hh59"
    // before its extension, for the current hour. Empty without a file name.
    QString HourlyFileName() const;

    TlpmLogEvent OnLog;
    // How fatal asks the application to quit; a queued QCoreApplication::exit(1) unless replaced.
    std::function<void()> OnTerminate;

private:
    void WriteKeptLines();
    void Execute();
    void StopWriter();
    // Called with FLock held.
    void DropOldestLines(size_t aCount);
    size_t LinesNotKept() const;

    std::atomic<TlpmLogLevel> FLevel{llNormal};

    mutable std::mutex FLock;
    std::condition_variable FWake;
    QString FFileName;
    int FFlushInterval = 5000;
    // The kept lines, each with its CRLF, in one text, so that the writer takes them whole and
    // frees one block rather than a string per line that the callers allocated.
    QString FLogText;
    std::vector<qsizetype> FLineSizes;
    // The kept lines passed kMaxKeptLines: the writer writes at once.
    bool FOverflow = false;
    bool FIntervalChanged = false;
    bool FStopping = false;

    std::mutex FWriteLock;
    // Emptied text and sizes of the last pass written, with their room; guarded by FWriteLock.
    static constexpr size_t kKeptRoomLines = 4 * kMaxKeptLines;
    QString FSpareText;
    std::vector<qsizetype> FSpareSizes;
    // Made by start, so a logger that is never started owns no thread.
    std::thread FWriter;
};
// The process-wide framework log.
TlpmLogger& Logger();
