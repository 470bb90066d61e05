#include "app/activation_supervision.h"

#include "app/translation.h"

namespace qel {

bool ActivationReady(const ActivationConditions& aConditions) {
    bool ready = !aConditions.VideoServerEnabled || aConditions.FFmpegRecording ||
                 aConditions.VideoServerConnected;
    if (aConditions.RemoteControl)
        ready = ready && aConditions.LPMState == startRunning;
    if (aConditions.FFmpegRecording && aConditions.RecordingServerUsed)
        ready = ready && aConditions.RecordingServerConnected;
    return ready;
}

std::vector<TqelMeasurementStatus> ActivationExpiryAnswers(
    const ActivationConditions& aConditions) {
    std::vector<TqelMeasurementStatus> answers;
    if (aConditions.LPMFailed())
        answers.push_back(imsLPMServerFailed);
    if (aConditions.VideoServerMissing())
        answers.push_back(imsVideoServerFailed);
    if (aConditions.RecordingServerMissing())
        answers.push_back(imsRecordingServerFailed);
    if (answers.empty())
        answers.push_back(imsIdle);
    return answers;
}

std::vector<ActivationProgressMessage> ActivationProgress(const ActivationConditions& aConditions,
                                                          int32_t aRemaining) {
    std::vector<ActivationProgressMessage> messages;
    const auto counted = [aRemaining](const char* aText) {
        return Translate(aText).replace(QStringLiteral("%d"), QString::number(aRemaining));
    };
    if (aConditions.RemoteControl) {
        switch (aConditions.LPMState) {
            case startNone:
            case startSendControlPCIP:
            case startSendUPDReceiverIP:
                messages.push_back({emtError, counted("LPM server not running (%d)")});
                break;
            case startSendConnect:
            case startSendParameterIni:
            case startSendTransponderIni:
            case startSendSystemINI:
            case startSendInitialize:
            case startSendStart:
                messages.push_back({emtInformation, Translate("LPM server Initializing...")});
                break;
            case startStopping:
                messages.push_back({emtWarning, Translate("LPM server Stopping")});
                break;
            case startDisconnected:
                messages.push_back({emtError, Translate("LPM server Disconnected")});
                break;
            case startRunning:
            case startFinished:
                break;
        }
    }
    if (aConditions.VideoServerMissing())
        messages.push_back({emtWarning, counted("Not connected to video server (%d)")});
    if (aConditions.RecordingServerMissing())
        messages.push_back({emtWarning, counted("Not connected to recording server (%d)")});
    return messages;
}

int32_t VideoServerImageIndex(TSocketState aState, int32_t aCurrent) {
    switch (aState) {
        case wsInvalidState:
            return 4;
        case wsConnecting:
            return 3;
        case wsConnected:
        case wsOpened:
        case wsBound:
        case wsSocksConnected:
        case wsAccepting:
        case wsListening:
            return 1;
        case wsClosed:
            return 2;
        case wsDnsLookup:
            break;
    }
    return aCurrent;
}

}  // namespace qel
