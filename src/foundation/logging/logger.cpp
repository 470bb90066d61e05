#include "foundation/logging/logger.h"

#include <pthread.h>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <chrono>

#include "foundation/stream_strings.h"
#include "platform/date_time.h"

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

QString CategoryTag(TlpmLogCategory aCategory) {
    switch (aCategory) {
        case lcSys:
            return QStringLiteral("(SYS) ");
        case lcLog:
            return QStringLiteral("(LOG) ");
        case lcErr:
            return QStringLiteral("(ERR) ");
        case lcBug:
            return QStringLiteral("(BUG) ");
        case lcFat:
            break;
    }
    return {};
}

// The extension as the file name's last "." after its last folder separator.
qsizetype ExtensionStart(const QString& aFileName) {
    const qsizetype dot = aFileName.lastIndexOf(u'.');
    const qsizetype separator = std::max(aFileName.lastIndexOf(u'/'), aFileName.lastIndexOf(u'\\'));
    return dot > separator ? dot : aFileName.size();
}

// The base name with the current hour before its extension; empty without a base name.
QString HourlyName(const QString& aFileName) {
    if (aFileName.isEmpty()) {
        return {};
    }
    const qsizetype extension = ExtensionStart(aFileName);
    return aFileName.left(extension) + u'_' +
           FormatDateTime(QStringLiteral("yyyy-mm-dd_hh00-hh59"), Now()) + aFileName.mid(extension);
}

// Appends the lines at the end of the file, creating it when missing; false when it cannot be
// opened or written.
bool AppendLines(const QString& aFileName, const std::deque<QString>& aLines) {
    QFile file(aFileName);
    const bool opened = file.exists() ? file.open(QIODevice::ReadWrite) && file.seek(file.size())
                                      : file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    if (!opened) {
        return false;
    }
    // Converted and written in pieces, so a large burst needs no copy of its whole text.
    constexpr qsizetype kChunkChars = 65536;
    qel::BinaryWriter writer(file);
    QString chunk;
    for (const QString& line : aLines) {
        chunk += line;
        if (chunk.size() >= kChunkChars) {
            WriteStreamAnsiString(writer, chunk, false);
            chunk.resize(0);
        }
    }
    WriteStreamAnsiString(writer, chunk, false);
    return file.flush();
}

}  // namespace

TlpmLogger::TlpmLogger() {
    OnTerminate = [] {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
        }
    };
}

TlpmLogger::~TlpmLogger() {
    StopWriter();
    WriteKeptLines();
}

void TlpmLogger::log(TlpmLogCategory aCategory, TlpmLogLevel aLevel, const QString& aMessage) {
    if (FLevel < aLevel) {
        return;
    }
    try {
        QString line = FormatDateTime(QStringLiteral("yyyy/mm/dd hh:mm:ss.zzz"), Now()) +
                       QStringLiteral(": ") + CategoryTag(aCategory) + aMessage;
        while (line.endsWith(kLineEnd)) {
            line.chop(kLineEnd.size());
        }
        if (OnLog) {
            OnLog(aLevel, aCategory, line);
        }
        line += kLineEnd;
        bool wake = false;
        {
            std::lock_guard lock(FLock);
            FLogLines.push_back(std::move(line));
            const size_t kept = FLogLines.size();
            if (FFileName.isEmpty() || kept > static_cast<size_t>(kMaxWaitingLines)) {
                // Lines that no file takes: keep the newest only.
                const int limit = FFileName.isEmpty() ? kMaxKeptLines : kMaxWaitingLines;
                while (FLogLines.size() > static_cast<size_t>(limit)) {
                    FLogLines.pop_front();
                }
            } else if (kept > static_cast<size_t>(kMaxKeptLines) && !FOverflow) {
                // A burst larger than the memory limit goes to the file before anything is
                // dropped.
                FOverflow = true;
                wake = true;
            }
        }
        if (wake) {
            FWake.notify_one();
        }
    } catch (...) {
        // A log line must never take its caller down.
    }
}

void TlpmLogger::bug(const QString& aMessage) {
    log(lcBug, llMinimal, aMessage);
}

void TlpmLogger::error(const QString& aMessage) {
    log(lcErr, llMinimal, aMessage);
}

void TlpmLogger::fatal(const QString& aMessage) {
    log(lcFat, llMinimal, aMessage);
    WriteKeptLines();
    if (OnTerminate) {
        OnTerminate();
    }
}

void TlpmLogger::LogMessage(const QString& aMessage) {
    log(lcSys, llNormal, aMessage);
}

void TlpmLogger::start(const QString& aFileName) {
    {
        std::lock_guard lock(FLock);
        FFileName = aFileName;
        FStopping = false;
    }
    if (!FWriter.joinable()) {
        FWriter = std::thread([this] { Execute(); });
        pthread_setname_np(FWriter.native_handle(), "TlpmLogger");
    }
}

void TlpmLogger::stop() {
    WriteKeptLines();
    StopWriter();
    std::lock_guard lock(FLock);
    FFileName.clear();
}

void TlpmLogger::Flush() {
    WriteKeptLines();
}

int TlpmLogger::FlushInterval() const {
    std::lock_guard lock(FLock);
    return FFlushInterval;
}

void TlpmLogger::setFlushInterval(int aValue) {
    {
        std::lock_guard lock(FLock);
        FFlushInterval = aValue;
        FIntervalChanged = true;
    }
    FWake.notify_one();
}

QString TlpmLogger::KeptLines() const {
    std::lock_guard lock(FLock);
    QString text;
    for (const QString& line : FLogLines) {
        text += line;
    }
    return text;
}

QString TlpmLogger::HourlyFileName() const {
    std::unique_lock lock(FLock);
    const QString fileName = FFileName;
    lock.unlock();
    return HourlyName(fileName);
}

void TlpmLogger::StopWriter() {
    if (!FWriter.joinable()) {
        return;
    }
    {
        std::lock_guard lock(FLock);
        FStopping = true;
    }
    FWake.notify_one();
    FWriter.join();
}

// The writer's loop: a pass every flush interval, and at once when the kept lines overflow.
void TlpmLogger::Execute() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(FLock);
    // An interval below 1 ms would keep the writer busy without a pause.
    const auto interval = [this] { return std::chrono::milliseconds(std::max(FFlushInterval, 1)); };
    Clock::time_point due = Clock::now() + interval();
    while (!FStopping) {
        FWake.wait_until(lock, due, [this] { return FStopping || FOverflow || FIntervalChanged; });
        if (FStopping) {
            break;
        }
        if (FIntervalChanged) {
            // As a running timer does, the new interval counts from now.
            FIntervalChanged = false;
            due = Clock::now() + interval();
            if (!FOverflow) {
                continue;
            }
        }
        if (!FOverflow) {
            due = Clock::now() + interval();
        }
        lock.unlock();
        WriteKeptLines();
        lock.lock();
    }
}

// One pass: takes the kept lines under the short lock and writes them outside it. Lines that
// cannot be written are kept back, ahead of those added meanwhile.
void TlpmLogger::WriteKeptLines() {
    std::lock_guard pass(FWriteLock);
    std::deque<QString> lines;
    QString fileName;
    {
        std::lock_guard lock(FLock);
        FOverflow = false;
        if (FFileName.isEmpty() || FLogLines.empty()) {
            return;
        }
        lines.swap(FLogLines);
        fileName = FFileName;
    }
    bool written = false;
    try {
        written = AppendLines(HourlyName(fileName), lines);
    } catch (...) {
        // Kept for the next flush.
    }
    if (written) {
        return;
    }
    try {
        std::lock_guard lock(FLock);
        lines.insert(lines.end(), std::make_move_iterator(FLogLines.begin()),
                     std::make_move_iterator(FLogLines.end()));
        FLogLines.swap(lines);
        while (FLogLines.size() > static_cast<size_t>(kMaxKeptLines)) {
            FLogLines.pop_front();
        }
    } catch (...) {
        // Out of memory: the lines are lost rather than the caller.
    }
}

TlpmLogger& Logger() {
    static TlpmLogger instance;
    return instance;
}
