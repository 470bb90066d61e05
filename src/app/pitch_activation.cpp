// The composition root's activation of a pitch with a prepared session, its supervision,
// deactivation and reconnects, and the measurement control's reports.

#include <QFileInfo>

#include "app/main_form.h"
#include "app/translation.h"
#include "database/database.h"
#include "database/datasets/position_purge.h"
#include "database/prepare_recording.h"
#include "foundation/logging/log_window_core.h"
#include "foundation/settings/client_config.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "foundation/system/dialogs.h"
#include "foundation/system/file_utils.h"
#include "measurement/clients/lpm_server.h"
#include "model/field/field.h"
#include "platform/exception.h"
#include "platform/queued_call.h"

namespace {

constexpr int kReconnectWaitMS = 1001;

QString Quoted(int32_t aValue) {
    return u'"' + QString::number(aValue) + u'"';
}

}  // namespace

// ---- Activation

void TQelvaniServerMainForm::SetSelectedField(int32_t aFieldID, int32_t aPreparationID,
                                              QString& aErrorText) {
    aErrorText.clear();
    // The waits inside let events in: a second activation would run on half-built state.
    qel::ReentryGuard guard(FActivating);
    if (!guard.Entered()) {
        aErrorText = qel::Translate("An activation is already running");
        return;
    }
    // The status display must not read half-built state; it runs again on every way out, and
    // a client's request that came in meanwhile runs next.
    FtimGUIUpdate.stop();
    struct AtExit {
        TQelvaniServerMainForm& form;
        ~AtExit() {
            if (!form.FClosed)
                form.FtimGUIUpdate.start();
            if (form.FActivationRequestPending) {
                form.FActivationRequestPending = false;
                qel::PostMessage(&form, UM_FIELD_ACTIVATION, 1, 0);
            }
        }
    } atExit{*this};
    RunSetSelectedField(aFieldID, aPreparationID, aErrorText);
    LogServerMessage(QStringLiteral("SetSelectedField: Finished"));
}

bool TQelvaniServerMainForm::ActivationRefused() const {
    return FMeasurementControl->GetStartUpSequence() != startNone &&
           (FServer->Recording() || FServer->NumberClientsLiveData() > 0);
}

void TQelvaniServerMainForm::RunSetSelectedField(int32_t aFieldID, int32_t aPreparationID,
                                                 QString& aErrorText) {
    TqelServerConfig& settings = *ServerConfig();
    LogServerMessage(QStringLiteral("SetSelectedField: Start Selecting Field %1 preparation: %2")
                         .arg(Quoted(aFieldID), Quoted(aPreparationID)));
    if (ActivationRefused()) {
        const char* busy = "Cannot change field while recording or clients get live data";
        FServer->SendMessage(emtWarning, qel::Translate(busy));
        LogServerMessage(QStringLiteral("SetSelectedField: ") + QString::fromUtf8(busy));
        aErrorText = qel::Translate(busy);
        return;
    }

    FMeasurementControl->Clear();
    FServer->Clear();
    // (The web state object is cleared here.)
    UpdateMeasurementStatus(imsInitializing);
    LogServerMessage(QStringLiteral("SetSelectedField: ServerConfig.GetFieldSettings(aFieldID)"));
    FField = settings.GetFieldSettings(aFieldID).get();
    if (!FField) {
        LogServerMessage(QStringLiteral("SetSelectedField: Field is not assigned"));
        aErrorText = qel::Translate("Field is not assigned");
        return;
    }

    LogServerMessage(QStringLiteral("SetSelectedField: Field assigned"));
    FFieldDef.reset();
    // (The transponder page, its tabs, the ZXY button and the base-station grid's address
    // column follow the pitch here; the active camera page is remembered.)
    FServer->SetField(FField);
    FSelectedFieldID = aFieldID;
    if (FPitchBox.Value(-1) != aFieldID)
        FPitchBox.setValue(aFieldID);

    FMeasurementControl->MeasurementSystemAdd(FField);

    FSelectedPreparationID = aPreparationID;
    if (FPreparationBox.Value(-1) != aPreparationID)
        FPreparationBox.setValue(aPreparationID);
    // (The web state object takes the preparation, pitch and system here.)

    LogServerMessage(QStringLiteral("SetSelectedField: Get preparation by ID"));
    std::unique_ptr<TqeldbPrepareRecordings> preparations;
    TqelPrepareRecording* preparation = nullptr;
    if (FPrepareRec && FSelectedPreparationID != 0) {
        preparations = std::make_unique<TqeldbPrepareRecordings>(FDatabase.get());
        preparation = preparations->OpenPrc(FSelectedPreparationID);
    }
    if (!preparation) {
        LogServerMessage(qel::Translate("SetSelectedField: Preparation not found"));
        aErrorText = qel::Translate("Preparation not found");
        return;
    }

    AddRoamingFields(*preparation);
    // (The transponder grid's pitch column, the system tabs and the LPM popup's items follow
    // the systems here.)

    LogServerMessage(QStringLiteral("SetSelectedField: Get Preparation Transponders"));
    preparations->GetTPAndAntennaIDs(preparation);
    LogServerMessage(QStringLiteral("TransponderCount: %1").arg(preparation->TPCount()));
    LogServerMessage(QStringLiteral("SetSelectedField: Load camera setup"));
    preparations->GetCameraSetup(preparation);

    LogServerMessage(QStringLiteral("SetSelectedField: Create Transponder.ini"));
    FMeasurementControl->setPrepareRecording(preparation);
    LogServerMessage(QStringLiteral("SetSelectedField: Load Transponders"));
    FServer->SetPreparation(FMeasurementControl.get(), preparation);
    // Both now hold the new preparation: the old one may go.
    FActivePrepareRec = std::move(preparations);
    // (The transponder grid is refilled from the antenna list here.)

    LoadFieldDefinition(*preparation);
    // (The live video compilation takes the preparation's flag and sections here.)
    // (The base-station grid's progress column, the camera frames and pages follow here.)
    // (The networked power switches are set for the pitch here.)
    // (The video and camera-control programs restart for the pitch here.)
    // (The ball-tracking client reconnects for the pitch here.)
    // (The NMEA outputs of the preparation start here.)

    StartMeasurementControl();

    LogServerMessage(
        QStringLiteral("SetSelectedField: Send current field settings to connected clients"));
    FServer->SendCurrentField(FSelectedFieldID, FSelectedPreparationID, FFMeasurementStatus,
                              FServer->RemainingRecordingTimeInMS(), FLPMErrorText);
    // (The PosiStageNet output starts here.)

    if (FDatabase && FDatabase->Connected() && FField->StoreLiveData()) {
        LogServerMessage(QStringLiteral("SetSelectedField: Truncate position data"));
        TqeldbRemoveOldPositionData::Execute(FDatabase.get(), Date(), true);
    }
}

void TQelvaniServerMainForm::AddRoamingFields(TqelPrepareRecording& aPreparation) {
    const TqelServerConfig& settings = *ServerConfig();
    FServer->ClearRoamingFields();
    for (int i = 0; i < aPreparation.RoamingPitchCount(); ++i) {
        TqelFieldSettings* roaming =
            settings.GetFieldSettings(aPreparation.GetRoamingPitch(i)).get();
        if (!roaming)
            continue;
        // Raises for a pitch that cannot roam; the activation ends there.
        FMeasurementControl->MeasurementSystemAdd(roaming);
        FServer->AddRoamingField(roaming);
    }
}

void TQelvaniServerMainForm::LoadFieldDefinition(TqelPrepareRecording& aPreparation) {
    const QString folder = ClientConfig()->FieldDir();
    if (aPreparation.FieldName().isEmpty() ||
        !QFileInfo(folder + aPreparation.FieldName()).isFile())
        aPreparation.setFieldName(ServerConfig()->CamFieldDef());

    LogServerMessage(
        QStringLiteral("SetSelectedField: Store live data=%1")
            .arg(FField->StoreLiveData() ? QStringLiteral("True") : QStringLiteral("False")));
    FServer->SetStoreLiveData(FField->StoreLiveData());
    // (The preparation's exercises go to the web interface here.)

    const QString file = folder + aPreparation.FieldName();
    LogServerMessage(
        QStringLiteral("SetSelectedField: Load FieldDefinition File \"%1\"").arg(file));
    if (!aPreparation.FieldName().isEmpty() && QFileInfo(file).isFile()) {
        FFieldDef = std::make_unique<TqelField>(file);
        LogServerMessage(QStringLiteral("SetSelectedField: FieldDefinition loaded"));
    } else {
        FFieldDef.reset();
        LogServerMessage(QStringLiteral("SetSelectedField: FieldDefinition not found"));
    }
}

void TQelvaniServerMainForm::StartMeasurementControl() {
    LogServerMessage(QStringLiteral("SetSelectedField: LPM Controller stopping"));
    FMeasurementControl->Stop();
    FLPMState = startNone;
    // (Status-bar panel 4 is cleared here.)
    if (ServerConfig()->EnableRemoteControl() && FSelectedPreparationID != -1) {
        LogServerMessage(QStringLiteral("SetSelectedField: Data collector Clear"));
        LogServerMessage(QStringLiteral("SetSelectedField: Starting LPM Controller"));
        FMeasurementControl->Startup();
    }
}

// ---- Client requests and the supervision

void TQelvaniServerMainForm::RequestFieldActivation(int32_t aFieldID, int32_t aPreparationID) {
    FRequestedFieldID = aFieldID;
    FRequestedPreparationID = aPreparationID;
    // Never inside the socket event that brought the request.
    qel::PostMessage(this, UM_FIELD_ACTIVATION, 1, 0);
}

bool TQelvaniServerMainForm::event(QEvent* anEvent) {
    const qel::PostMessageEvent* message = qel::PostMessageEvent::From(anEvent);
    if (!message)
        return QObject::event(anEvent);
    try {
        if (message->Msg() == UM_FIELD_ACTIVATION && message->WParam() == 1)
            HandleActivationRequest();
        else if (message->Msg() == UM_SOCKET_STATE)
            HandleSocketState(static_cast<TSocketState>(message->WParam() & 0xFF),
                              message->LParam());
        // (wParam 20 and 22 come with the camera services.)
    } catch (const std::exception& e) {
        LogServerMessage(QStringLiteral("WndProc: %1").arg(qel::DescribeException(e)));
    }
    return true;
}

void TQelvaniServerMainForm::HandleActivationRequest() {
    if (!FServer || !FMeasurementControl)
        return;
    if (FActivating) {
        FActivationRequestPending = true;
        return;
    }
    LoadPreparations(FRequestedFieldID);
    if (FFMeasurementStatus == imsActivated || FFMeasurementStatus == imsRecording) {
        FServer->SendActivateMeasurementState(FFMeasurementStatus);
        return;
    }
    FActivationTicks = kActivationTicks;
    UpdateMeasurementStatus(imsInitializing);
    FNumberMissedPackages = 0;
    if (ServerConfig()->FieldSelectionRequired() && !FServer->Recording() &&
        FServer->NumberClientsLiveData() == 0 && !FManualActivated) {
        QString ignored;
        try {
            SetSelectedField(FRequestedFieldID, FRequestedPreparationID, ignored);
        } catch (const std::exception& e) {
            LogServerMessage(
                QStringLiteral("RequestFieldActivation: %1").arg(qel::DescribeException(e)));
            FServer->SendActivateMeasurementState(FFMeasurementStatus);
            return;
        }
    }
    CheckActivationComplete();
    if (FFMeasurementStatus == imsInitializing)
        FtmrMeasurementActivation.start();
}

qel::ActivationConditions TQelvaniServerMainForm::CurrentActivationConditions() const {
    qel::ActivationConditions conditions;
    conditions.RemoteControl = ServerConfig()->EnableRemoteControl();
    conditions.LPMState = FLPMState;
    // (The video-server and recording-server sides come with their clients.)
    conditions.VideoServerConnected = FVideoState == wsConnected;
    return conditions;
}

void TQelvaniServerMainForm::CheckActivationComplete() {
    if (FFMeasurementStatus != imsInitializing)
        return;
    if (!qel::ActivationReady(CurrentActivationConditions()))
        return;
    FtmrMeasurementActivation.stop();
    UpdateMeasurementStatus(imsActivated);
    if (FServer)
        FServer->SendActivateMeasurementState(imsActivated);
}

void TQelvaniServerMainForm::tmrMeasurementActivationTimer() {
    CheckActivationComplete();
    if (FFMeasurementStatus != imsInitializing || !FtmrMeasurementActivation.isActive())
        return;
    const qel::ActivationConditions conditions = CurrentActivationConditions();
    if (FActivationTicks <= 0) {
        FtmrMeasurementActivation.stop();
        if (FServer) {
            for (const TqelMeasurementStatus answer : qel::ActivationExpiryAnswers(conditions))
                FServer->SendActivateMeasurementState(answer);
        }
        UpdateMeasurementStatus(imsIdle);
        return;
    }
    if (FServer) {
        for (const qel::ActivationProgressMessage& message :
             qel::ActivationProgress(conditions, FActivationTicks))
            FServer->SendMessage(message.Type, message.Text);
    }
    --FActivationTicks;
}

bool TQelvaniServerMainForm::PitchBoxMayChange() const {
    const TqelServerConfig& settings = *ServerConfig();
    return settings.MeasurementPitchCanChange() && settings.FieldSelectionRequired();
}

void TQelvaniServerMainForm::UpdateMeasurementStatus(TqelMeasurementStatus aStatus) {
    FFMeasurementStatus = aStatus;
    if (FServer)
        FServer->SendMeasurementState(aStatus, FServer->RemainingRecordingTimeInMS());
    if (aStatus > imsInitializing)
        return;
    FActivateButtonVisible = aStatus == imsNone || aStatus == imsIdle;
    if (FActivateButtonVisible)
        FLPMStatusText = qel::Translate("Measurement selection not activated");
    FLPMErrorText.clear();
    FPitchBox.setEnabled(FActivateButtonVisible && PitchBoxMayChange());
    FPreparationBox.setEnabled(FActivateButtonVisible);
    FRecordButtonText = qel::Translate(aStatus == imsRecording ? "Stop Rec" : "Start Rec");
    emit ViewChanged();
}

// ---- Operator actions

void TQelvaniServerMainForm::btnActivateFieldClick() {
    if (FActivating || FPitchBox.ItemIndex() < 0)
        return;
    QString ignored;
    try {
        SetSelectedField(FPitchBox.Value(-1), FPreparationBox.Value(-1), ignored);
    } catch (const std::exception& e) {
        ReportFailure(QStringLiteral("Activate"), e);
    }
    FManualActivated = true;
}

void TQelvaniServerMainForm::btnDeactivateFieldClick() {
    if (FActivating || !FServer)
        return;
    if (FServer->NumberClientsLiveData() > 0) {
        qel::Dialogs().Message(
            qel::MessageKind::Information, qel::Translate("qelServer"),
            qel::Translate("Measuremnt can't be beactivated while there are clients getting live "
                           "data"),
            qel::mbOK, qel::mbOK);
        return;
    }
    FManualActivated = false;
    DeactivateMeasurement();
}

bool TQelvaniServerMainForm::DeactivateMeasurement() {
    const auto log = [this](const char* aStep) {
        LogServerMessage(QStringLiteral("TQelvaniServerMainForm.DeactivateMeasurement: ") +
                         QString::fromUtf8(aStep));
    };
    log("Begin");
    const bool result = FServer && FServer->NumberClientsLiveData() == 0;
    if (result) {
        log("No Clients with Live data");
        if (FServer->Recording())
            FServer->StopRecording();
        // (The NMEA and PosiStageNet outputs end here.)
        if (!FManualActivated) {
            log("Not manual activated");
            // (Each camera frame's follow list is cleared and the frame marked unused here.)
            UpdateMeasurementStatus(imsIdle);
            if (FMeasurementControl) {
                log("LPMControl.Stop");
                FMeasurementControl->Stop();
            }
            // (The ball-tracking client's stop is requested here.)
            log("SendMeasurementState");
            FServer->SendMeasurementState(FFMeasurementStatus, 0);
        }
        CleanOldFiles();
    }
    log("End");
    return result;
}

void TQelvaniServerMainForm::CleanOldFiles() {
    const TqelServerConfig& settings = *ServerConfig();
    const qel::TrashFile trash = FTrash ? FTrash : qel::TrashFile(DeleteFileToRecycleBin);
    const auto log = [this](const QString& aLine) { LogServerMessage(aLine); };
    if (settings.CleanupLPMFiles()) {
        qel::CleanDirectory(settings.LPMSavePath(),
                            {QStringLiteral("*.lpm"), QStringLiteral("*.log")}, 2, Now(), trash,
                            log);
    }
    if (settings.CleanupVideo())
        qel::CleanDirectory(settings.VideoDir(), {QStringLiteral("*.mp4")}, 7, Now(), trash, log);
}

void TQelvaniServerMainForm::Reconnect() {
    if (!FMeasurementControl)
        return;
    FMeasurementControl->Stop();
    qel::ProcessMessagesFor(kReconnectWaitMS);
    if (FMeasurementControl)
        FMeasurementControl->Startup();
}

void TQelvaniServerMainForm::ReconnectSystem(int32_t anIndex) {
    TqelMeasurementSystem* system =
        FMeasurementControl ? FMeasurementControl->GetMeasurementSystem(anIndex) : nullptr;
    if (!system)
        return;
    system->Stop();
    qel::ProcessMessagesFor(kReconnectWaitMS);
    // The wait may have cleared the control.
    if (TqelMeasurementSystem* again = FMeasurementControl->GetMeasurementSystem(anIndex);
        again == system)
        system->Initialize();
}

// ---- Server connections

void TQelvaniServerMainForm::HandleSocketState(TSocketState aState, int64_t aSource) {
    if (aSource == 0 && aState != wsConnected)
        FVideoState = aState;
    FtmrVideoState.stop();
    const int32_t image = qel::VideoServerImageIndex(aState, FVideoServerImage);
    if (aState == wsConnected && !FDestroyed)
        FtmrVideoState.start();
    if (image != FVideoServerImage) {
        FVideoServerImage = image;
        emit ViewChanged();
    }
}

void TQelvaniServerMainForm::tmrVideoStateTimer() {
    FtmrVideoState.stop();
    // (Once the video and recording-server clients exist: a connected video client sets
    // FVideoState, is announced to the clients and starts its recording when the client server
    // records; a connected recording server is announced; each runs CheckActivationComplete.)
}

// ---- IqelMeasurementControlCallBack

void TQelvaniServerMainForm::status(int32_t aSystemIndex, int32_t aMessageID,
                                    const QString& aText) {
    FLPMStatusText = aText;
    if (aSystemIndex == FCurrentSystemTab)
        FFieldStatusText = aText;
    emit ViewChanged();
}

void TQelvaniServerMainForm::error(int32_t aSystemIndex, int32_t aMessageID, const QString& aText) {
    if (FServer)
        FServer->SendMessage(emtError, QStringLiteral("%1: %2").arg(aMessageID).arg(aText));
    FLPMErrorText = aText;
    if (aSystemIndex == FCurrentSystemTab)
        FFieldErrorText = aText;
    emit ViewChanged();
}

void TQelvaniServerMainForm::stateChanged(int32_t aSystemIndex, TqelStartupSequence aState) {
    // One system's report says little with roaming pitches: the measurement runs when the
    // slowest of them does.
    const TqelStartupSequence state =
        FMeasurementControl ? FMeasurementControl->GetStartUpSequence() : aState;
    if (state == FLPMState)
        return;
    FLPMState = state;
    if (state != startRunning)
        return;
    if (FServer)
        FServer->SendMessage(emtInformation, qel::Translate("LPM Server measurement started"));
    CheckActivationComplete();
}

void TQelvaniServerMainForm::event(TqelMeasurementSystem* aSender, uint8_t anEventCode,
                                   int32_t aParameter) {
    constexpr uint8_t kTagDataReceived = 6;
    if (anEventCode == kTagDataReceived && FServer && aSender && aSender->Field() &&
        aSender->Field()->SystemType() == mstZXY)
        FServer->SaveTranspondersMacAddress();
}
