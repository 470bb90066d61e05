#include "app/server_program.h"

#include <QCoreApplication>
#include <cstdio>

#include "app/parse_command_line.h"
#include "app/translation.h"
#include "foundation/logging/logger.h"
#include "foundation/settings/client_config.h"
#include "foundation/settings/server_config.h"

namespace qel {

ServerProgram::ServerProgram(const QString& aProgramFile, QObject* aParent)
    : QObject(aParent),
      FInstanceName(qel::InstanceName(aProgramFile)),
      FLock(std::make_unique<InstanceLock>(FInstanceName)) {}

ServerProgram::~ServerProgram() = default;

void ServerProgram::Start(const QString& aLocaleFolder) {
    if (!FLock->IsHeld()) {
        Log(QStringLiteral("Another instance holds the lock %1; this one runs without it")
                .arg(FLock->FileName()));
    }
    FChannel = std::make_unique<RestoreChannel>(FInstanceName, FLock->IsHeld());
    if (!FChannel->IsListening())
        Log(QStringLiteral("Restore channel %1 not available").arg(FChannel->ServerName()));
    FChannel->OnRestore = [this] {
        Log(QStringLiteral("Restore requested"));
        if (OnRestore)
            OnRestore();
    };
    FSignals = std::make_unique<TerminationSignals>();
    FSignals->OnSignal = [this](int aSignal) {
        Log(QStringLiteral("Signal %1 received: closing").arg(aSignal));
        if (OnTerminate)
            OnTerminate();
        else
            QCoreApplication::quit();
    };

    SetUpTranslation(aLocaleFolder);
    ::ParseCommandLine();
    ServerConfig()->load();
    ClientConfig()->loadFromIni(ServerConfig()->ClientIni());
    UseLanguage(ServerConfig()->GetSelectedLanguage());
}

void ServerProgram::Finish() {
    FSignals.reset();
    FChannel.reset();
    FLock.reset();
}

void ServerProgram::Log(const QString& aText) const {
    Logger().LogMessage(aText);
    std::fprintf(stderr, "%s\n", qUtf8Printable(aText));
}

}  // namespace qel
