#include "foundation/logging/file_logger.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <system_error>

#include "platform/ansi_codec.h"
#include "platform/crash_reporter.h"
#include "platform/thread_name.h"

namespace {

// Lines waiting beyond this mean the disk does not keep up; said once per backlog.
constexpr size_t kQueueWarningSize = 100000;
constexpr size_t kFileBufferSize = 32768;
// Added to the process's niceness for the writer thread.
constexpr int kWriterNiceness = 10;
// The room a queue keeps after a pass; a larger backlog gives its room back.
constexpr size_t kKeptQueueRoom = 65536;

// Only blanks and control characters, as the trimming of the texts takes them.
bool IsBlank(const QString& aText) {
    return std::all_of(aText.cbegin(), aText.cend(),
                       [](QChar aChar) { return aChar.unicode() <= u' '; });
}

QString ErrnoText(int aError) {
    return QString::fromStdString(std::error_code(aError, std::generic_category()).message());
}

// The text Windows gives for a file that another writer holds, so the refusal reads as usual.
const QString kFileInUse = QStringLiteral(
    "The process cannot access the file because it is being used by another "
    "process");

// An existing file is opened for appending after its content, a missing one created anew
// (failing if someone creates it in between). A regular file is locked for this stream alone:
// a second logger on it is refused. Raises with the runtime's texts.
std::FILE* OpenLogFile(const QString& aFileName) {
    const QByteArray path = QFile::encodeName(aFileName);
    const bool exists = QFileInfo::exists(aFileName);
    const auto fail = [&](const QString& aReason) {
        if (exists) {
            throw EFOpenError(
                QStringLiteral("Cannot open file \"%1\". %2").arg(aFileName, aReason));
        }
        throw EFCreateError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(aFileName, aReason));
    };
    const int flags = O_RDWR | O_APPEND | O_CLOEXEC | (exists ? 0 : O_CREAT | O_EXCL);
    const int handle = ::open(path.constData(), flags, 0666);
    if (handle < 0) {
        fail(ErrnoText(errno));
    }
    struct stat status {};
    if (::fstat(handle, &status) == 0 && S_ISREG(status.st_mode) &&
        ::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(handle);
        fail(error == EWOULDBLOCK ? kFileInUse : ErrnoText(error));
    }
    std::FILE* file = ::fdopen(handle, "ab");
    if (file == nullptr) {
        const int error = errno;
        ::close(handle);
        fail(ErrnoText(error));
    }
    std::setvbuf(file, nullptr, _IOFBF, kFileBufferSize);
    return file;
}

}  // namespace

TqelFileLogger::TqelFileLogger()
    : FName(QStringLiteral("TqelFileLogger")), FThread([this] { Execute(); }) {}

TqelFileLogger::~TqelFileLogger() {
    {
        std::lock_guard lock(FLock);
        FTerminated = true;
        FEventSignalled = true;
    }
    FEvent.notify_all();
    FThread.join();
}

QString TqelFileLogger::Filename() const {
    std::lock_guard lock(FLock);
    return FFilename;
}

void TqelFileLogger::setFilename(const QString& aValue) {
    std::lock_guard streamLock(FStreamLock);
    {
        std::lock_guard lock(FLock);
        if (aValue == FFilename) {
            return;
        }
    }
    if (FFileStream != nullptr) {
        std::fclose(FFileStream);
        FFileStream = nullptr;
    }
    // Opened outside FLock, so adders never wait for the disk.
    try {
        if (!aValue.isEmpty()) {
            FFileStream = OpenLogFile(aValue);
        }
    } catch (...) {
        FStreamName.clear();
        std::lock_guard lock(FLock);
        FFilename.clear();
        NameThread();
        throw;
    }
    FStreamName = aValue;
    std::lock_guard lock(FLock);
    FFilename = aValue;
    NameThread();
}

QString TqelFileLogger::Name() const {
    std::lock_guard lock(FLock);
    return FName;
}

void TqelFileLogger::setName(const QString& aValue) {
    std::lock_guard lock(FLock);
    FName = aValue;
    NameThread();
}

void TqelFileLogger::Add(const QString& aText) {
    if (IsBlank(aText)) {
        return;
    }
    bool wake = false;
    QString warnedName;
    QString warnedFile;
    {
        std::lock_guard lock(FLock);
        if (FFilename.isEmpty()) {
            return;
        }
        FLog.push_back(aText);
        if (FLog.size() > kQueueWarningSize && !FQueueWarned) {
            FQueueWarned = true;
            warnedName = FName;
            warnedFile = FFilename;
        }
        // One wake-up per pass: the writer takes every line queued until it runs.
        wake = !FEventSignalled;
        FEventSignalled = true;
    }
    if (wake) {
        FEvent.notify_one();
    }
    if (!warnedFile.isEmpty()) {
        qWarning("%s: more than %lld lines are waiting to be written to %s", qPrintable(warnedName),
                 static_cast<long long>(kQueueWarningSize), qPrintable(warnedFile));
    }
}

void TqelFileLogger::Flush() {
    Signal();
}

void TqelFileLogger::Signal() {
    {
        std::lock_guard lock(FLock);
        FEventSignalled = true;
    }
    FEvent.notify_one();
}

// Called with FLock held.
void TqelFileLogger::NameThread() {
    const QByteArray name = qel::ThreadName(FName + QStringLiteral(": ") + FFilename);
    pthread_setname_np(FThread.native_handle(), name.constData());
}

void TqelFileLogger::Execute() {
    // Woken by an adder, the writer is put on the adder's processor and would take it from
    // the adder for a whole time slice: a lower priority leaves the adders theirs.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWriterNiceness);
    for (;;) {
        bool terminated = false;
        {
            std::unique_lock lock(FLock);
            // A wake-up stays signalled until the writer takes it, like a manual-reset event.
            if (FEvent.wait_for(lock, std::chrono::milliseconds(FUpdateInterval),
                                [this] { return FEventSignalled; })) {
                FEventSignalled = false;
            }
            terminated = FTerminated;
        }
        // Stop only after a pass that began after the request, so no added line is left behind.
        try {
            WritePass();
        } catch (const std::exception& e) {
            qel::CrashReporter::Report(e, QStringLiteral("TqelFileLogger"));
        } catch (...) {
            qel::CrashReporter::ReportUnknown(QStringLiteral("TqelFileLogger"));
        }
        if (terminated) {
            break;
        }
    }
    std::lock_guard lock(FStreamLock);
    if (FFileStream != nullptr) {
        std::fclose(FFileStream);
        FFileStream = nullptr;
    }
}

void TqelFileLogger::WritePass() {
    std::lock_guard streamLock(FStreamLock);
    if (FFileStream == nullptr) {
        return;
    }
    {
        std::lock_guard lock(FLock);
        FWriting.swap(FLog);
        FQueueWarned = false;
    }
    if (FWriting.empty()) {
        return;
    }
    try {
        WriteLines();
    } catch (...) {
        FWriting.clear();
        throw;
    }
    FWriting.clear();
    if (FWriting.capacity() > kKeptQueueRoom) {
        std::vector<QString>().swap(FWriting);
    }
}

// Called with FStreamLock held.
void TqelFileLogger::WriteLines() {
    // The lines go through the stream's buffer and reach the file with one flush per pass.
    bool written = true;
    for (const QString& line : FWriting) {
        const QByteArray bytes = qel::ToWindows1252(line);
        written = std::fwrite(bytes.constData(), 1, bytes.size(), FFileStream) ==
                      static_cast<size_t>(bytes.size()) &&
                  std::fwrite("\r\n", 1, 2, FFileStream) == 2;
        if (!written) {
            break;
        }
    }
    if (!written || std::fflush(FFileStream) != 0) {
        const int error = errno;
        std::clearerr(FFileStream);
        throw EWriteError(
            QStringLiteral("Cannot write to \"%1\". %2").arg(FStreamName, ErrnoText(error)));
    }
}
