#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;
class QSocketNotifier;

namespace qel {

// The program file's name without folder and extension, in lower case: the instance's name
// for outside tools.
QString InstanceName(const QString& aProgramFile);

// The instance lock, a lock file named after the instance in the temporary folder, held until
// destruction. A second instance gets no lock and runs anyway.
class InstanceLock {
public:
    explicit InstanceLock(const QString& aInstanceName);
    ~InstanceLock();
    bool IsHeld() const { return FHeld; }
    QString FileName() const { return FFileName; }

private:
    QString FFileName;
    std::unique_ptr<QLockFile> FLock;
    bool FHeld = false;
};

// The restore channel: outside tools connect to the local socket N + "Message" to bring the
// running server to the front. Every connection is accepted, calls OnRestore and is closed.
// Main thread only.
class RestoreChannel : public QObject {
    Q_OBJECT
public:
    // aTakeOver: the caller holds the instance lock, so a socket left by a dead instance is
    // removed; without it a live first instance keeps the name.
    RestoreChannel(const QString& aInstanceName, bool aTakeOver, QObject* aParent = nullptr);
    ~RestoreChannel() override;
    bool IsListening() const;
    QString ServerName() const { return FServerName; }
    std::function<void()> OnRestore;

private:
    void AcceptConnections();
    QString FServerName;
    std::unique_ptr<QLocalServer> FServer;
};

// SIGTERM and SIGINT turned into a call of OnSignal on the main thread (the handler only writes
// to a socket pair). One per process; the previous handlers return on destruction.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* aParent = nullptr);
    ~TerminationSignals() override;
    std::function<void(int aSignal)> OnSignal;

private:
    void ReadSignal();
    std::unique_ptr<QSocketNotifier> FNotifier;
};

// The "InstallationGUID" string of the registry section "Qelvani"; empty when it is missing or
// cannot be read. Never raises.
QString InstallationGUID();

// Registers the "InstallationGUID" crash-report field for its lifetime.
class InstallationGuidField {
public:
    InstallationGuidField();
    ~InstallationGuidField();
    InstallationGuidField(const InstallationGuidField&) = delete;
    InstallationGuidField& operator=(const InstallationGuidField&) = delete;
};

}  // namespace qel
