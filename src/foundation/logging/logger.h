#pragma once

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class QTimer;

enum TlpmLogLevel : uint8_t { llOff, llMinimal, llNormal, llDetails, llVerbose };

enum TlpmLogCategory : uint8_t { lcSys, lcLog, lcErr, lcBug, lcFat };

using TlpmLogEvent =
    std::function<void(TlpmLogLevel aLevel, TlpmLogCategory aCategory, const QString& aMessage)>;

// The framework log of the socket layer: stamps each line with the time and a category tag and
// keeps it; once started with a file name it appends the kept lines to an hourly file
// ("lpm.log" -> "lpm_2020-08-14_1400-1459.log") every FlushInterval ms.
//
// Messages are logged as given: callers format them first, so a "%" in a text is never taken
// for a format. Without a file name only the newest kMaxKeptLines lines are kept.
//
// Main thread only (its timer runs there); it takes no lock.
class TlpmLogger {
public:
    static constexpr int kMaxKeptLines = 10000;

    TlpmLogger();
    // Writes what is still kept.
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

    // Sets the base file name and starts the flush timer.
    void start(const QString& aFileName);
    // Writes the kept lines, stops the timer and clears the file name.
    void stop();

    TlpmLogLevel Level() const { return FLevel; }
    void setLevel(TlpmLogLevel aValue) { FLevel = aValue; }
    int FlushInterval() const { return FFlushInterval; }
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

    QString FFileName;
    TlpmLogLevel FLevel = llNormal;
    int FFlushInterval = 5000;
    // Made by start, so a logger that is never started owns no timer.
    std::unique_ptr<QTimer> FLogTimer;
    std::deque<QString> FLogLines;
};

// The process-wide framework log.
TlpmLogger& Logger();
