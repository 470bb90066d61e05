#pragma once

#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/binary_stream.h"

// Appends queued text lines to one file from a writer thread of its own, so that callers on any
// thread never wait for the disk (only for a running pass). Lines are written in Windows-1252
// with CRLF and each one is on disk once written; the writer wakes at the latest every
// FUpdateInterval ms, at once after Flush.
//
// Threads: Add, Flush, Filename and Name may be called from any thread. FLock guards the queue,
// the file name, the name and the file; the writer holds it for a whole pass, so a change of
// file name never races with a write. FEventLock guards the wake-up flag and the stop request.
class TqelFileLogger {
public:
    TqelFileLogger();
    // Stops the writer after one more pass, so lines added before are still written.
    ~TqelFileLogger();
    TqelFileLogger(const TqelFileLogger&) = delete;
    TqelFileLogger& operator=(const TqelFileLogger&) = delete;

    QString Filename() const;
    // Opens the file for appending (created when missing). When that fails the file name
    // becomes empty and EFOpenError / EFCreateError is raised; lines are dropped until a file
    // name is set again. Setting the current name again does nothing.
    void setFilename(const QString& aValue);

    QString Name() const;
    void setName(const QString& aValue);

    // Queues aText unless it is blank (only blanks and control characters) or no file is set.
    // The text is written as given, not trimmed.
    void Add(const QString& aText);
    // Wakes the writer so that the queue is written now.
    void Flush();

private:
    void Execute();
    void WritePass();
    void Signal();
    void NameThread();

    mutable std::mutex FLock;
    QStringList FLog;
    QString FFilename;
    QString FName;
    std::FILE* FFileStream = nullptr;
    // The queue has grown past its warning size; cleared when it drains.
    bool FQueueWarned = false;

    std::mutex FEventLock;
    std::condition_variable FEvent;
    bool FEventSignalled = false;
    bool FTerminated = false;

    const int FUpdateInterval = 5000;

    // Last: it starts running in the constructor, after everything above exists.
    std::thread FThread;
};
