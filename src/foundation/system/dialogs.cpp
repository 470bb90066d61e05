#include "foundation/system/dialogs.h"

#include <atomic>

#include "foundation/logging/logger.h"
#include "foundation/system/progress_state.h"

namespace qel {
namespace {

QString KindName(MessageKind aKind) {
    switch (aKind) {
        case MessageKind::Information:
            return QStringLiteral("Information");
        case MessageKind::Warning:
            return QStringLiteral("Warning");
        case MessageKind::Error:
            return QStringLiteral("Error");
        case MessageKind::Confirmation:
            return QStringLiteral("Confirmation");
    }
    return {};
}

// Keeps the state for its user and says in the log what is being done.
class HeadlessProgress : public ProgressState {
public:
    explicit HeadlessProgress(TqelLogMessageEvent aLog) : FLog(std::move(aLog)) {}

protected:
    void ShowCaption(const QString& aCaption) override { FLog(aCaption); }

private:
    TqelLogMessageEvent FLog;
};

std::atomic<IDialogs*> gInstalled{nullptr};

}  // namespace

HeadlessDialogs::HeadlessDialogs(TqelLogMessageEvent aLog) : FLog(std::move(aLog)) {}

MessageButton HeadlessDialogs::Message(MessageKind aKind, const QString& aCaption,
                                       const QString& aText, MessageButtons /*aButtons*/,
                                       MessageButton aDefault) {
    QString line = KindName(aKind);
    if (!aCaption.isEmpty()) {
        line += QStringLiteral(" (") + aCaption + QLatin1Char(')');
    }
    Log(line + QStringLiteral(": ") + aText);
    return aDefault;
}

std::unique_ptr<IlpmProgress> HeadlessDialogs::CreateProgress() {
    // A copy of the sink: a receiver may outlive the dialogs that made it.
    return std::make_unique<HeadlessProgress>([log = FLog](const QString& aLine) {
        if (log) {
            log(aLine);
        } else {
            Logger().LogMessage(aLine);
        }
    });
}

void HeadlessDialogs::Log(const QString& aLine) const {
    if (FLog) {
        FLog(aLine);
    } else {
        Logger().LogMessage(aLine);
    }
}

IDialogs& Dialogs() {
    static HeadlessDialogs headless;
    IDialogs* installed = gInstalled.load();
    return installed ? *installed : headless;
}

IDialogs* SetDialogs(IDialogs* aDialogs) {
    return gInstalled.exchange(aDialogs);
}

}  // namespace qel
