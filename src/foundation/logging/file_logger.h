#pragma once

#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/binary_stream.h"

// Appends queued text lines to one file from a writer thread of its own, so that callers on any
// thread never wait for the disk. Lines are written in Windows-1252 with CRLF; each pass takes
// the whole queue, writes it and flushes it to the file once. The writer wakes at the latest
// every FUpdateInterval ms, at once after Flush.
//
// The file is written at its end and held under an exclusive lock while it is open, so a second
// logger on the same file is refused instead of overwriting this one's lines.
//
// Threads: Add, Flush, Filename and Name may be called from any thread. FLock guards the queue,
// the name, FQueueWarned, FFilename, the wake-up flag and the stop request, and is held only to
// add to or take the queue (an adder never allocates under it once the queue has grown, and
// wakes the writer only when it is not woken yet). FStreamLock guards the file stream and
// FWriting; the writer holds it for a whole pass and setFilename while it swaps the file, so a
// change of file name never races with a write. FFilename is changed under both locks. Order:
// FStreamLock before FLock.
class TqelFileLogger {
public:
    TqelFileLogger();
    // Stops the writer after one more pass, so lines added before are still written.
    ~TqelFileLogger();
    TqelFileLogger(const TqelFileLogger&) = delete;
    TqelFileLogger& operator=(const TqelFileLogger&) = delete;

    QString Filename() const;
    // Opens the file for appending (created when missing) and locks it. When that fails (a
    // file that another logger holds included) the file name becomes empty and EFOpenError /
    // EFCreateError is raised; lines are dropped until a file name is set again. Setting the
    // current name again does nothing. Waits for a running pass.
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
    void WriteLines();
    void Signal();
    void NameThread();

    mutable std::mutex FLock;
    // The queue; a pass swaps it with FWriting, so both keep their room for the next lines.
    std::vector<QString> FLog;
    std::vector<QString> FWriting;
    QString FFilename;
    QString FName;
    // The queue has grown past its warning size; cleared when it drains.
    bool FQueueWarned = false;

    std::mutex FStreamLock;
    std::FILE* FFileStream = nullptr;
    // The name of the open stream, for error texts.
    QString FStreamName;

    std::condition_variable FEvent;
    bool FEventSignalled = false;
    bool FTerminated = false;

    const int FUpdateInterval = 5000;

    // Last: it starts running in the constructor, after everything above exists.
    std::thread FThread;
};
