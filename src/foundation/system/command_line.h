#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class TqelCommandLine;

using TqelProcCmdOutput = std::function<void(const QString& aText)>;
using TqelProcCmdNotify = std::function<void(TqelCommandLine* sender)>;

// Runs one console program on a thread of its own with the program's standard input, output
// and error on pipes: reports the output as text, lets its owner type into the program's input
// and tells the owner when the program has ended. Stopping the program is the owner's business
// (ffmpeg quits on "q"): the runner never kills it, and a program still running when the
// runner is destroyed keeps running without its pipes.
//
// Threads: made, fed and destroyed on the owner's thread (the main thread), whose event loop
// receives the output and the finish notification as queued calls; calls still queued when the
// runner is destroyed are dropped. The runner's thread owns the child process. FLock guards
// FCommand and FPendingInput; the flags are atomic.
class TqelCommandLine : public QThread {
    Q_OBJECT

public:
    // Not suspended: the thread starts at once, with the command interpreter as the command.
    explicit TqelCommandLine(bool CreateSuspended);
    // Asks the program to quit (OnDoCloseProcess), tells OnDestroy, gives the thread a second to
    // end by itself, then ends the polling and waits for the thread.
    ~TqelCommandLine() override;

    // Starts aCommand (a program and its arguments, quoted like a command line; no shell). A
    // read interval of 0 or less keeps 40 ms. The caller owns the runner.
    static std::unique_ptr<TqelCommandLine> RunDosCommand(
        const QString& aCommand, TqelProcCmdOutput aOnNewOutput,
        TqelProcCmdNotify aOnDoCloseProcessCommand, TqelProcCmdNotify aOnExecuteFinished,
        TqelProcCmdNotify aOnDestroy, int aReadinterval);

    // Starts a runner that was created suspended.
    void Start();
    // Marks the thread terminated: the polling ends at its next wait.
    void Terminate();

    // Sends the text (UTF-8) to the program's input; dropped once ProgramTerminated is set.
    // Callable from any thread; the runner's thread writes it within one read interval.
    void WriteOut(const QString& aInString);
    // WriteOut of the text followed by "\r\n".
    void WriteLnOut(const QString& aInString);

    int ReadInterval() const { return FReadInterval; }
    void setReadInterval(int aValue) { FReadInterval = aValue; }
    QString Command() const;
    void setCommand(const QString& aValue);
    // Names the calling thread "TqelCommandLine: <value>".
    void setThreadName(const QString& aValue);
    bool IsExecuting() const { return FIsExecuting; }
    bool ProgramTerminated() const { return FProgramTerminated; }
    void setProgramTerminated(bool aValue) { FProgramTerminated = aValue; }

protected:
    virtual void TerminatedSet();
    virtual void Execute();

private:
    void run() override;
    // Hands output to FOnNewOutput, trimmed, on the owner's thread.
    void NewOutput(const QString& aText);
    QByteArray TakePendingInput();

    std::atomic<int> FReadInterval{40};
    std::atomic<bool> FIsExecuting{false};
    std::atomic<bool> FProgramTerminated{false};
    mutable std::mutex FLock;
    QString FCommand;
    QByteArray FPendingInput;
    // Set before the thread starts, read-only afterwards.
    TqelProcCmdOutput FOnNewOutput;
    TqelProcCmdNotify FOnDoCloseProcess;
    TqelProcCmdNotify FOnExecuteFinished;
    TqelProcCmdNotify FOnDestroy;
};
