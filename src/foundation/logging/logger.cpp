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

// Appends the text at the end of the file, creating it when missing; false when it cannot be
// opened or written.
bool AppendText(const QString& aFileName, const QString& aText) {
    QFile file(aFileName);
    const bool opened = file.exists() ? file.open(QIODevice::ReadWrite) && file.seek(file.size())
                                      : file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    if (!opened) {
        return false;
    }
    qel::BinaryWriter writer(file);
    WriteStreamAnsiString(writer, aText, false);
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
            FLineSizes.push_back(line.size());
            try {
                // Copied, not shared: the writer frees the text on its own thread.
                FLogText.append(line.constData(), line.size());
            } catch (...) {
                FLineSizes.pop_back();
                throw;
            }
            const size_t kept = FLineSizes.size();
            if (FFileName.isEmpty()) {
                // Lines that no file takes: only the newest are kept. Dropped in batches, so
                // that the text moves once per kMaxKeptLines lines.
                if (kept >= 2 * static_cast<size_t>(kMaxKeptLines)) {
                    DropOldestLines(kept - kMaxKeptLines);
                }
            } else if (kept > static_cast<size_t>(kMaxWaitingLines)) {
                DropOldestLines(kMaxKeptLines);
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
        // Only the newest lines were kept without a file. Lines waiting for a file that is
        // only renamed all go to the new one.
        if (FFileName.isEmpty() && FLineSizes.size() > static_cast<size_t>(kMaxKeptLines)) {
            DropOldestLines(FLineSizes.size() - kMaxKeptLines);
        }
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
    qsizetype start = 0;
    for (size_t i = 0; i < LinesNotKept(); ++i) {
        start += FLineSizes[i];
    }
    // A copy of its own, as the writer may free the kept text meanwhile.
    return QString(FLogText.constData() + start, FLogText.size() - start);
}

// Without a file, lines beyond the newest kMaxKeptLines that are not dropped yet.
size_t TlpmLogger::LinesNotKept() const {
    const size_t kept = FLineSizes.size();
    return FFileName.isEmpty() && kept > static_cast<size_t>(kMaxKeptLines) ? kept - kMaxKeptLines
                                                                            : 0;
}

void TlpmLogger::DropOldestLines(size_t aCount) {
    aCount = std::min(aCount, FLineSizes.size());
    qsizetype size = 0;
    for (size_t i = 0; i < aCount; ++i) {
        size += FLineSizes[i];
    }
    FLogText.remove(0, size);
    FLineSizes.erase(FLineSizes.begin(), FLineSizes.begin() + static_cast<std::ptrdiff_t>(aCount));
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
    QString text;
    std::vector<qsizetype> sizes;
    QString fileName;
    {
        std::lock_guard lock(FLock);
        FOverflow = false;
        if (FFileName.isEmpty() || FLineSizes.empty()) {
            return;
        }
        text.swap(FLogText);
        sizes.swap(FLineSizes);
        // The callers go on in the room of the last pass, so that a burst does not grow the
        // text again from nothing under the lock.
        FLogText.swap(FSpareText);
        FLineSizes.swap(FSpareSizes);
        fileName = FFileName;
    }
    bool written = false;
    try {
        written = AppendText(HourlyName(fileName), text);
    } catch (...) {
        // Kept for the next flush.
    }
    if (written) {
        text.truncate(0);
        sizes.clear();
        if (sizes.capacity() <= kKeptRoomLines) {
            FSpareText.swap(text);
            FSpareSizes.swap(sizes);
        }
        return;
    }
    try {
        std::lock_guard lock(FLock);
        text += FLogText;
        sizes.insert(sizes.end(), FLineSizes.begin(), FLineSizes.end());
        FLogText.swap(text);
        FLineSizes.swap(sizes);
        if (FLineSizes.size() > static_cast<size_t>(kMaxKeptLines)) {
            DropOldestLines(FLineSizes.size() - kMaxKeptLines);
        }
    } catch (...) {
        // Out of memory: the lines are lost rather than the caller.
    }
}

TlpmLogger& Logger() {
    static TlpmLogger instance;
    return instance;
}
