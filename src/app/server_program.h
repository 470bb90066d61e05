#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "app/instance_channel.h"

namespace qel {

// The program-level state of one run and the start-up steps before the main form exists:
// instance name, instance lock, restore channel, command line, both settings files, language.
// Made by main on the main thread; lives until the event loop has ended.
class ServerProgram : public QObject {
    Q_OBJECT
public:
    // Names the instance after aProgramFile and takes the instance lock; needs no application
    // object yet.
    explicit ServerProgram(const QString& aProgramFile, QObject* aParent = nullptr);
    ~ServerProgram() override;

    // With the application object: the restore channel, the command line, the server and
    // client settings, the language, and the handlers of SIGTERM and SIGINT.
    void Start(const QString& aLocaleFolder);

    // After the loop has ended, while the application object still exists: the channel and the
    // signal handlers go, the instance lock is released.
    void Finish();

    QString InstanceName() const { return FInstanceName; }
    // nullptr after Finish.
    const InstanceLock* Lock() const { return FLock.get(); }
    const RestoreChannel* Channel() const { return FChannel.get(); }

    // A connection on the restore channel: the window brings itself to the front.
    std::function<void()> OnRestore;
    // SIGTERM or SIGINT: close as the operator's forced close would; quits the loop when unset.
    std::function<void()> OnTerminate;

private:
    void Log(const QString& aText) const;
    QString FInstanceName;
    std::unique_ptr<InstanceLock> FLock;
    std::unique_ptr<RestoreChannel> FChannel;
    std::unique_ptr<TerminationSignals> FSignals;
};

}  // namespace qel
