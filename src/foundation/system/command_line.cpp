#include "foundation/system/command_line.h"

#include <pthread.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringDecoder>
#include <mutex>
#include <vector>

#include "foundation/text_utils.h"
#include "platform/crash_reporter.h"
#include "platform/queued_call.h"

namespace {

constexpr int kStartTimeoutMs = 30000;
constexpr int kOwnEndWaitMs = 1000;

// Children left running by a destroyed runner are reaped once they end, so that they do not
// stay behind as zombies. The list belongs to whichever thread holds gAbandonedLock.
std::mutex gAbandonedLock;
std::vector<pid_t> gAbandoned;

void ReapAbandonedChildren() {
    std::lock_guard lock(gAbandonedLock);
    std::erase_if(gAbandoned, [](pid_t anId) { return ::waitpid(anId, nullptr, WNOHANG) != 0; });
}

// A QProcess that can let go of a running child: QProcess would kill it on destruction.
class ChildProcess : public QProcess {
public:
    void Abandon() {
        const qint64 id = processId();
        closeWriteChannel();
        setProcessState(QProcess::NotRunning);
        if (id > 0) {
            std::lock_guard lock(gAbandonedLock);
            gAbandoned.push_back(static_cast<pid_t>(id));
        }
    }
};

// The program to run for an empty command line.
QString CommandInterpreter() {
    for (const char* name : {"COMSPEC", "SHELL"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty()) {
            return value;
        }
    }
    return QStringLiteral("/bin/sh");
}

}  // namespace

TqelCommandLine::TqelCommandLine(bool CreateSuspended) {
    ReapAbandonedChildren();
    if (!CreateSuspended) {
        Start();
    }
}

TqelCommandLine::~TqelCommandLine() {
    try {
        if (FOnDoCloseProcess && FIsExecuting) {
            FOnDoCloseProcess(this);
        }
        if (FOnDestroy) {
            FOnDestroy(this);
        }
    } catch (const std::exception& e) {
        qel::CrashReporter::Report(e, QStringLiteral("TqelCommandLine.Destroy"));
    } catch (...) {
        qel::CrashReporter::ReportUnknown(QStringLiteral("TqelCommandLine.Destroy"));
    }
    if (!wait(QDeadlineTimer(kOwnEndWaitMs)) && FOnNewOutput) {
        try {
            FOnNewOutput(QStringLiteral("Ending process timedout"));
        } catch (...) {
            // The owner's handler may fail; destruction goes on.
        }
    }
    Terminate();
    wait();
    ReapAbandonedChildren();
}

std::unique_ptr<TqelCommandLine> TqelCommandLine::RunDosCommand(
    const QString& aCommand, TqelProcCmdOutput aOnNewOutput,
    TqelProcCmdNotify aOnDoCloseProcessCommand, TqelProcCmdNotify aOnExecuteFinished,
    TqelProcCmdNotify aOnDestroy, int aReadinterval) {
    auto runner = std::make_unique<TqelCommandLine>(true);
    runner->setCommand(aCommand);
    runner->FOnNewOutput = std::move(aOnNewOutput);
    runner->FOnDoCloseProcess = std::move(aOnDoCloseProcessCommand);
    runner->FOnExecuteFinished = std::move(aOnExecuteFinished);
    runner->FOnDestroy = std::move(aOnDestroy);
    if (aReadinterval > 0) {
        runner->setReadInterval(aReadinterval);
    }
    runner->Start();
    return runner;
}

void TqelCommandLine::Start() {
    // Executing from here on, so that a runner destroyed before its thread got going still
    // asks its program to quit.
    FIsExecuting = true;
    // One step above normal; where the system refuses it the thread runs at normal priority.
    start(QThread::HighPriority);
}

void TqelCommandLine::Terminate() {
    requestInterruption();
    TerminatedSet();
}

void TqelCommandLine::TerminatedSet() {
    FProgramTerminated = true;
}

void TqelCommandLine::WriteOut(const QString& aInString) {
    if (FProgramTerminated) {
        return;
    }
    std::lock_guard lock(FLock);
    FPendingInput += aInString.toUtf8();
}

void TqelCommandLine::WriteLnOut(const QString& aInString) {
    WriteOut(aInString + QStringLiteral("\r\n"));
}

QString TqelCommandLine::Command() const {
    std::lock_guard lock(FLock);
    return FCommand;
}

void TqelCommandLine::setCommand(const QString& aValue) {
    std::lock_guard lock(FLock);
    FCommand = aValue;
}

void TqelCommandLine::setThreadName(const QString& aValue) {
    const QString name = QStringLiteral("TqelCommandLine: ") + aValue;
    QThread::currentThread()->setObjectName(name);
    // The system keeps 15 bytes of a thread's name: the value tells runners apart.
    pthread_setname_np(pthread_self(), aValue.toUtf8().left(15).constData());
}

QByteArray TqelCommandLine::TakePendingInput() {
    std::lock_guard lock(FLock);
    return std::exchange(FPendingInput, QByteArray());
}

void TqelCommandLine::run() {
    try {
        Execute();
    } catch (const std::exception& e) {
        qel::CrashReporter::Report(e, QStringLiteral("TqelCommandLine.Execute"));
    } catch (...) {
        qel::CrashReporter::ReportUnknown(QStringLiteral("TqelCommandLine.Execute"));
    }
}

void TqelCommandLine::Execute() {
    FIsExecuting = true;
    try {
        QString command = Command();
        if (command.trimmed().isEmpty()) {
            command = CommandInterpreter();
        }
        QStringList arguments = QProcess::splitCommand(command);
        ChildProcess process;
        bool started = false;
        if (!arguments.isEmpty()) {
            process.setProgram(arguments.takeFirst());
            process.setArguments(arguments);
            process.start(QIODevice::ReadWrite);
            started = process.waitForStarted(kStartTimeoutMs);
        }
        if (started) {
            // Stateful, so that a character split between two reads survives.
            QStringDecoder outputDecoder(QStringDecoder::Utf8);
            QStringDecoder errorDecoder(QStringDecoder::Utf8);
            const auto readPipes = [&] {
                const QString output = outputDecoder.decode(process.readAllStandardOutput());
                const QString errors = errorDecoder.decode(process.readAllStandardError());
                if (isInterruptionRequested()) {
                    return;
                }
                if (!output.isEmpty()) {
                    NewOutput(output);
                }
                if (!errors.isEmpty()) {
                    NewOutput(errors);
                }
            };
            bool ended = false;
            while (!FProgramTerminated) {
                const QByteArray input = TakePendingInput();
                if (!input.isEmpty() && process.state() == QProcess::Running) {
                    process.write(input);
                }
                // Reads the pipes into the process's buffers while it waits, so a talkative
                // child never blocks on a full pipe.
                ended = process.waitForFinished(FReadInterval) ||
                        process.state() == QProcess::NotRunning;
                if (ended || FProgramTerminated) {
                    FProgramTerminated = true;
                    break;
                }
                readPipes();
            }
            if (ended) {
                // What the child wrote just before it ended.
                readPipes();
            } else {
                process.Abandon();
            }
        }
    } catch (...) {
        NewOutput(QStringLiteral("Thread: Execute ended"));
        FIsExecuting = false;
        throw;
    }
    NewOutput(QStringLiteral("Thread: Execute ended"));
    FIsExecuting = false;
    // Queued, not waited for: the owner may be destroying this runner right now.
    qel::QueueCall(this, [this] {
        // A copy: the owner may destroy the runner, and with it the handler, in the handler.
        const TqelProcCmdNotify handler = FOnExecuteFinished;
        if (handler) {
            handler(this);
        }
    });
}

void TqelCommandLine::NewOutput(const QString& aText) {
    if (aText.isEmpty()) {
        return;
    }
    qel::QueueCall(this, [this, text = qel::Trim(aText)] {
        const TqelProcCmdOutput handler = FOnNewOutput;
        if (!handler) {
            return;
        }
        try {
            handler(text);
        } catch (...) {
            // A failing output handler must not stop the runner's reports.
        }
    });
}
