#include "app/instance_channel.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSocketNotifier>
#include <csignal>

#include "foundation/system/registry_helper.h"
#include "platform/crash_reporter.h"

namespace qel {

namespace {

// [0] written by the signal handler, [1] read on the main thread.
int gSignalPipe[2] = {-1, -1};

void HandleSignal(int aSignal) {
    const char number = char(aSignal);
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[0], &number, 1);
}

const QString kGuidField = QStringLiteral("InstallationGUID");

}  // namespace

QString InstanceName(const QString& aProgramFile) {
    return QFileInfo(aProgramFile).completeBaseName().toLower();
}

InstanceLock::InstanceLock(const QString& aInstanceName)
    : FFileName(QDir(QDir::tempPath()).filePath(aInstanceName + QStringLiteral(".lock"))),
      FLock(std::make_unique<QLockFile>(FFileName)) {
    // Held for the whole run: never considered stale while this process lives.
    FLock->setStaleLockTime(0);
    FHeld = FLock->tryLock(0);
}

InstanceLock::~InstanceLock() = default;

RestoreChannel::RestoreChannel(const QString& aInstanceName, bool aTakeOver, QObject* aParent)
    : QObject(aParent),
      FServerName(aInstanceName + QStringLiteral("Message")),
      FServer(std::make_unique<QLocalServer>()) {
    if (aTakeOver)
        QLocalServer::removeServer(FServerName);
    connect(FServer.get(), &QLocalServer::newConnection, this, &RestoreChannel::AcceptConnections);
    FServer->listen(FServerName);
}

RestoreChannel::~RestoreChannel() = default;

bool RestoreChannel::IsListening() const {
    return FServer->isListening();
}

void RestoreChannel::AcceptConnections() {
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        socket->disconnectFromServer();
        socket->deleteLater();
        if (OnRestore)
            OnRestore();
    }
}

TerminationSignals::TerminationSignals(QObject* aParent) : QObject(aParent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
        return;
    FNotifier = std::make_unique<QSocketNotifier>(gSignalPipe[1], QSocketNotifier::Read);
    connect(FNotifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::ReadSignal);
    struct sigaction action {};
    action.sa_handler = HandleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    FNotifier.reset();
    for (int& fd : gSignalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TerminationSignals::ReadSignal() {
    char number = 0;
    if (::read(gSignalPipe[1], &number, 1) == 1 && OnSignal)
        OnSignal(int(number));
}

QString InstallationGUID() {
    try {
        return TRegistryHelper().ReadString(QStringLiteral("Qelvani"), kGuidField, QString());
    } catch (...) {
        return {};
    }
}

InstallationGuidField::InstallationGuidField() {
    CrashReporter::RegisterField(kGuidField, QStringLiteral("Installation GUID"),
                                 &InstallationGUID);
}

InstallationGuidField::~InstallationGuidField() {
    CrashReporter::UnregisterField(kGuidField);
}

}  // namespace qel
