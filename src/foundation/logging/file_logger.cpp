#include "foundation/logging/file_logger.h"

#include <pthread.h>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <system_error>

#include "foundation/text_utils.h"
#include "platform/ansi_codec.h"
#include "platform/crash_reporter.h"
#include "platform/thread_name.h"

namespace {

// Lines waiting beyond this mean the disk does not keep up; said once per backlog.
constexpr qsizetype kQueueWarningSize = 100000;
constexpr size_t kFileBufferSize = 32768;

QString ErrnoText(int aError) {
    return QString::fromStdString(std::error_code(aError, std::generic_category()).message());
}

// An existing file is opened for appending after its content, a missing one created anew
// (failing if someone creates it in between). Raises with the runtime's texts.
std::FILE* OpenLogFile(const QString& aFileName) {
    const QByteArray path = QFile::encodeName(aFileName);
    const bool exists = QFileInfo::exists(aFileName);
    std::FILE* file = std::fopen(path.constData(), exists ? "r+be" : "wxbe");
    if (file == nullptr) {
        const QString reason = ErrnoText(errno);
        if (exists) {
            throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(aFileName, reason));
        }
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(aFileName, reason));
    }
    std::setvbuf(file, nullptr, _IOFBF, kFileBufferSize);
    if (exists && std::fseek(file, 0, SEEK_END) != 0) {
        const QString reason = ErrnoText(errno);
        std::fclose(file);
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(aFileName, reason));
    }
    return file;
}

}  // namespace

TqelFileLogger::TqelFileLogger()
    : FName(QStringLiteral("TqelFileLogger")), FThread([this] { Execute(); }) {}

TqelFileLogger::~TqelFileLogger() {
    {
        std::lock_guard lock(FEventLock);
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
    std::lock_guard lock(FLock);
    if (aValue == FFilename) {
        return;
    }
    FFilename = aValue;
    if (FFileStream != nullptr) {
        std::fclose(FFileStream);
        FFileStream = nullptr;
    }
    if (!FFilename.isEmpty()) {
        try {
            FFileStream = OpenLogFile(FFilename);
        } catch (...) {
            FFilename.clear();
            NameThread();
            throw;
        }
    }
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
    if (qel::Trim(aText).isEmpty()) {
        return;
    }
    {
        std::lock_guard lock(FLock);
        if (FFilename.isEmpty()) {
            return;
        }
        FLog.append(aText);
        if (FLog.size() > kQueueWarningSize && !FQueueWarned) {
            FQueueWarned = true;
            qWarning("%s: more than %lld lines are waiting to be written to %s", qPrintable(FName),
                     static_cast<long long>(kQueueWarningSize), qPrintable(FFilename));
        }
    }
    Signal();
}

void TqelFileLogger::Flush() {
    Signal();
}

void TqelFileLogger::Signal() {
    {
        std::lock_guard lock(FEventLock);
        FEventSignalled = true;
    }
    FEvent.notify_all();
}

// Called with FLock held.
void TqelFileLogger::NameThread() {
    const QByteArray name = qel::ThreadName(FName + QStringLiteral(": ") + FFilename);
    pthread_setname_np(FThread.native_handle(), name.constData());
}

void TqelFileLogger::Execute() {
    for (;;) {
        bool terminated = false;
        {
            std::unique_lock lock(FEventLock);
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
    std::lock_guard lock(FLock);
    if (FFileStream != nullptr) {
        std::fclose(FFileStream);
        FFileStream = nullptr;
    }
}

void TqelFileLogger::WritePass() {
    std::lock_guard lock(FLock);
    if (FFileStream == nullptr) {
        return;
    }
    while (!FLog.isEmpty()) {
        const QByteArray bytes = qel::ToWindows1252(FLog.first()) + "\r\n";
        FLog.removeFirst();
        if (std::fwrite(bytes.constData(), 1, bytes.size(), FFileStream) !=
                static_cast<size_t>(bytes.size()) ||
            std::fflush(FFileStream) != 0) {
            const int error = errno;
            std::clearerr(FFileStream);
            throw EWriteError(
                QStringLiteral("Cannot write to \"%1\". %2").arg(FFilename, ErrnoText(error)));
        }
    }
    FQueueWarned = false;
}
