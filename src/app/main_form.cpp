#include "app/main_form.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include "app/program_priority.h"
#include "app/putty_tools.h"
#include "app/translation.h"
#include "database/database.h"
#include "database/measurement_pitches.h"
#include "database/prepare_recording.h"
#include "foundation/logging/log_window_core.h"
#include "foundation/logging/logger.h"
#include "foundation/settings/ball_tracking_server.h"
#include "foundation/settings/client_config.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "foundation/system/dialogs.h"
#include "foundation/system/version_info.h"
#include "measurement/clients/lpm_server.h"
#include "measurement/control/gauss_weight_table.h"
#include "model/field/field.h"
#include "platform/exception.h"
#include "shared/timeout_manager.h"

namespace {

constexpr int kGUIUpdateIntervalMS = 500;

#ifdef NDEBUG
constexpr const char* kBuildType = "Release";
#else
constexpr const char* kBuildType = "Debug";
#endif

QString ProgramFile() {
    return QCoreApplication::applicationFilePath();
}

QString ProgramFolder() {
    return QFileInfo(ProgramFile()).absolutePath();
}

}  // namespace

TQelvaniServerMainForm::TQelvaniServerMainForm(QObject* aParent) : QObject(aParent) {
    FtimGUIUpdate.setInterval(kGUIUpdateIntervalMS);
    connect(&FtimGUIUpdate, &QTimer::timeout, this, [this] { timGUIUpdateTimer(); });
    connect(&FPitchBox, &qel::ChoiceList::ChoiceChanged, this, [this] { PitchChosen(); });
    FtmrMeasurementActivation.setInterval(kActivationIntervalMS);
    connect(&FtmrMeasurementActivation, &QTimer::timeout, this,
            [this] { tmrMeasurementActivationTimer(); });
    FtmrVideoState.setInterval(100);
    FtmrVideoState.setSingleShot(true);
    connect(&FtmrVideoState, &QTimer::timeout, this, [this] { tmrVideoStateTimer(); });
    FRecordButtonText = qel::Translate("Start Rec");
}

TQelvaniServerMainForm::~TQelvaniServerMainForm() {
    // The database must not report to a root that is going.
    ReleaseReferences();
    FormDestroy();
}

void TQelvaniServerMainForm::FormCreate() {
    if (FCreated)
        return;
    FCreated = true;
    // (The NTP time check starts here in a pool task.)
    FNTPTimeDifference = 0;
    // (The NMEA thread list and the PosiStageNet thread are made here.)
    // The server log does not exist yet: a refusal goes to the framework log.
    qel::RaiseProgramPriority([](const QString& aText) { Logger().LogMessage(aText); });
    qel::LinkPuttyTools(ProgramFolder());
    DatabaseManager = this;

    UpdateMeasurementStatus(imsNone);
    FLPMStatusText = qel::Translate("Measurement selection not activated");
    FLPMErrorText.clear();
    FField = nullptr;
    FSelectedFieldID = -1;
    FSelectedPreparationID = -1;
    FPreparationBox.setValue(-1);

    FMeasurementSystemLog =
        std::make_unique<TqelShowTextDialog>(QStringLiteral("Measurement System log"));
    FBallTrackingLog = std::make_unique<TqelShowTextDialog>(QStringLiteral("BallTracking Log"));
    FVideoServerLog = std::make_unique<TqelShowTextDialog>(QStringLiteral("Video server log"));
    FLPMServerLog = std::make_unique<TqelShowTextDialog>(QStringLiteral("Server log"));
    try {
        FLPMServerLog->setLogToFile(ServerLogFileName(ProgramFile()));
    } catch (const std::exception& e) {
        Logger().error(QStringLiteral("Server log file: %1").arg(qel::DescribeException(e)));
    }
    FLastGUIError.clear();

    FDatabase = std::make_unique<TqelDatabase>(this);
    FRoleChoices = {{qel::Translate("Transponder"), 0},
                    {qel::Translate("Ball"), 1},
                    {qel::Translate("Varuza"), 5}};
    // (The camera frame list is made here.)

    const TVersionInfo& version = qel::VersionInfo();
    FCaption = QStringLiteral("%1 - v%2.%3.%4.%5")
                   .arg(qel::Translate("qelServer"))
                   .arg(version.Major())
                   .arg(version.Minor())
                   .arg(version.Release())
                   .arg(version.Build());
    FCopyright = version.LegalCopyright();

    FMeasurementControl =
        std::make_unique<TqelMeasurementControl>(nullptr, FMeasurementSystemFactory);
    FMeasurementControl->setCallback(this);
    FCaption += u' ' + qel::Translate(kBuildType);

    FServer = std::make_unique<TqelLPMServer>();
    FServer->setCallback(this);
    // (The web interface server and its state object, the video-server, ball-tracking and
    // recording-server clients and the live video compilation are made here.)

    RunStartStep(QStringLiteral("ApplyServerConfig"), [this] { ApplyServerConfig(); });
    RunStartStep(QStringLiteral("data collector"), [this] { FServer->start(); });
    // (The web interface starts here.)
    // (The transponder grid's column visibility is read from the registry here.)
    emit LayoutRestoreRequested();
    FtimGUIUpdate.start();
    // (The video and camera-control programs start here when the settings ask for it.)
    if (ServerConfig()->AutoActivateDefaultPreparation())
        btnActivateFieldClick();
    RunStartStep(QStringLiteral("TimeoutManager"), [] { TimeOutManager()->start(); });
    emit ViewChanged();
}

void TQelvaniServerMainForm::RunStartStep(const QString& aName,
                                          const std::function<void()>& aStart) {
    LogServerMessage(QStringLiteral("FormCreate: Start %1").arg(aName));
    try {
        aStart();
    } catch (const std::exception& e) {
        ReportFailure(QStringLiteral("FormCreate: ") + aName, e);
    }
}

void TQelvaniServerMainForm::ReportFailure(const QString& aContext, const std::exception& anError) {
    const QString reason = qel::DescribeException(anError);
    LogServerMessage(QStringLiteral("%1 failed (%2)").arg(aContext, reason));
    qel::Dialogs().Message(qel::MessageKind::Error, qel::Translate("qelServer"),
                           qel::Translate("%1 failed: %2").arg(aContext, reason), qel::mbOK,
                           qel::mbOK);
}

bool TQelvaniServerMainForm::FormCloseQuery(bool aForced) {
    if (aForced || !FServer)
        return true;
    if (FServer->Recording() || FServer->NumberClientsLiveData() > 0) {
        qel::Dialogs().Message(qel::MessageKind::Warning, qel::Translate("qelServer"),
                               qel::Translate("You can't close while recording or clients with "
                                              "live data"),
                               qel::mbOK, qel::mbOK);
        return false;
    }
    return true;
}

void TQelvaniServerMainForm::FormClose() {
    if (FClosed || !FCreated)
        return;
    FClosed = true;
    LogServerMessage(QStringLiteral("FormClose: Start"));
    // (The transponder grid's column visibility is stored here.)
    emit LayoutStoreRequested();
    FtimGUIUpdate.stop();
    FtmrMeasurementActivation.stop();
    FtmrVideoState.stop();
    LogServerMessage(QStringLiteral("FormClose: Stop data collector"));
    try {
        FServer->stop();
    } catch (const std::exception& e) {
        LogServerMessage(QStringLiteral("FormClose: %1").arg(qel::DescribeException(e)));
    }
    // (The recording server, ball tracking, the camera frames and the video client stop here,
    // each announced in this log.)
    LogServerMessage(QStringLiteral("FormClose: Finished"));
}

void TQelvaniServerMainForm::CloseForced() {
    if (FormCloseQuery(true))
        FormClose();
    QCoreApplication::quit();
}

void TQelvaniServerMainForm::FormDestroy() {
    if (FDestroyed || !FCreated)
        return;
    // A recording still running must end while the database it saves through exists.
    FormClose();
    FDestroyed = true;
    LogServerMessage(QStringLiteral("FormDestroy: Start"));
    FtimGUIUpdate.stop();
    FMeasurementControl->Stop();
    LogServerMessage(QStringLiteral("FormDestroy: LPMControl stopped"));
    if (TlpmTimeOutManager* manager = TimeOutManager())
        manager->stop();
    LogServerMessage(QStringLiteral("FormDestroy: TimeoutManager Stopped"));
    // (The live video compilation is freed here.)
    if (FMeasurementPitches) {
        FMeasurementPitches.reset();
        LogServerMessage(QStringLiteral("FormDestroy: FMeasurementPitches Freed"));
    }
    // The client server must not keep the activated preparation past its accessor.
    if (FServer)
        FServer->SetPreparation(FMeasurementControl.get(), nullptr);
    FActivePrepareRec.reset();
    if (FPrepareRec) {
        FPrepareRec.reset();
        LogServerMessage(QStringLiteral("FormDestroy: FPrepareRec Freed"));
    }
    if (FDatabase) {
        FDatabase.reset();
        LogServerMessage(QStringLiteral("FormDestroy: FDatabase Freed"));
    }
    // (The ball-tracking and video-server clients are freed here.)
    FServer.reset();
    LogServerMessage(QStringLiteral("FormDestroy: FServer Freed"));
    // (The camera frames and the recording-server client are freed here.)
    if (FFieldDef) {
        FFieldDef.reset();
        LogServerMessage(QStringLiteral("FormDestroy: FFieldDef Freed"));
    }
    LogServerMessage(QStringLiteral("FormDestroy: Finished"));
    // (The web interface server, its state object, the NMEA threads and the PosiStageNet
    // thread are freed here.)
    FMeasurementControl.reset();
    if (DatabaseManager.get() == this)
        DatabaseManager.reset();
}

void TQelvaniServerMainForm::ApplyServerConfig() {
    TqelServerConfig& settings = *ServerConfig();
    ConnectDatabase();
    FDatabaseHint = FDatabase->Catalogus();
    // (The transponder grid's camera and "D.n.a.s." columns are set up here.)
    ClientConfig()->loadFromIni(settings.ClientIni());
    MatchPitchRows();
    FillPitchBox();
    UpdateBallTrackingServers(FPitchBox.Value(-1));
    FSelectionGroupVisible = FDatabase->Connected() && settings.EnableRemoteControl();
    FPitchBox.setEnabled(settings.MeasurementPitchCanChange() && settings.FieldSelectionRequired());
    // (The camera pages are rebuilt and re-initialised here.)
    BuildGaussWeightTable(settings.PositionSensitivity());
    // (The camera columns, the video-server client and group are brought in line here.)
    FRecordButtonVisible = settings.CreateQelfile();
    // (The recording server connects or disconnects and the NTP check restarts here.)
    FillVisibleToChoices();
    // (The web interface is told that the configuration changed here.)
    emit ViewChanged();
}

void TQelvaniServerMainForm::ConnectDatabase() {
    QString error;
    FDatabase->Initialize(ServerConfig()->DatabaseConnectionString(), false, false, error, nullptr,
                          false);
    const TSetOfqelDBInitResult result = FDatabase->ConnectResult();
    if (result.contains(dbinitError)) {
        LogServerMessage(QStringLiteral("ApplyServerConfig: %1").arg(FDatabase->ConnectionError()));
        FPrepareRec.reset();
        FMeasurementPitches.reset();
        qel::Dialogs().Message(qel::MessageKind::Error, qel::Translate("qelServer"),
                               qel::Translate("Could not connect to the database. Please setup "
                                              "the right connection and try again"),
                               qel::mbOK, qel::mbOK);
        return;
    }
    if (!result.contains(dbinitConneted))
        return;
    if (!FPrepareRec)
        FPrepareRec = std::make_unique<TqeldbPrepareRecordings>(FDatabase.get());
    if (!FMeasurementPitches)
        FMeasurementPitches = std::make_unique<TqelDBMeasurementPitches>(FDatabase.get());
    if (result.contains(dbinitChangedDB)) {
        FPrepareRec->Clear();
        FMeasurementPitches->Clear();
    }
    if (result.contains(dbinitDBOlder)) {
        qel::Dialogs().Message(qel::MessageKind::Warning, qel::Translate("qelServer"),
                               FDatabase->ConnectionError(), qel::mbOK, qel::mbOK);
    }
}

void TQelvaniServerMainForm::MatchPitchRows() {
    if (!FMeasurementPitches)
        return;
    TqelServerConfig& settings = *ServerConfig();
    FMeasurementPitches->GetAll(false);
    for (int i = 0; i < settings.FieldSettingsCount(); ++i) {
        const std::shared_ptr<TqelFieldSettings> field = settings.FieldSettings(i);
        const QString name = field->FieldName();
        TqelMeasurementPitch* row = FMeasurementPitches->PitchByDescription(name);
        if (!row && name.isEmpty())
            row = FMeasurementPitches->PitchByID(0);
        if (!row) {
            row = FMeasurementPitches->AddMeasurementPitch();
            row->setDescription(name.isEmpty() ? qel::Translate("Default") : name);
            row->setActive(false);
        }
        // The unnamed pitch is the default pitch, id 0; a second row with that key would
        // clash with the one that has it.
        if ((name.isEmpty() || row->Description().isEmpty()) && row->MPTid() != 0) {
            if (FMeasurementPitches->PitchByID(0)) {
                LogServerMessage(QStringLiteral("ApplyServerConfig: pitch \"%1\" keeps id %2, "
                                                "another pitch has id 0")
                                     .arg(row->Description())
                                     .arg(row->MPTid()));
            } else {
                row->setMPTid(0);
            }
        }
        row->setConfigFieldIndex(i);
        if (!row->Active() && settings.EnableRemoteControl()) {
            if (!settings.FieldSelectionRequired()) {
                if (row->MPTid() == 0)
                    row->setActive(true);
            } else if (row->MPTid() != 0 &&
                       (settings.MeasurementPitchCanChange() ||
                        row->Description().compare(settings.DefaultMeasurementPitch(),
                                                   Qt::CaseInsensitive) == 0)) {
                row->setActive(true);
            }
        }
        if (row->Modified() && row->Active()) {
            FMeasurementPitches->Save(row);
            row->setModified(false);
        }
        field->setFieldID(row->MPTid());
    }
}

void TQelvaniServerMainForm::FillPitchBox() {
    TqelServerConfig& settings = *ServerConfig();
    FPitchBox.BeginUpdate();
    QString remembered = FPitchBox.Text();
    if (remembered.isEmpty())
        remembered = settings.DefaultMeasurementPitch();
    FPitchBox.Clear();
    std::optional<int32_t> preselected;
    for (int i = 0; i < settings.FieldSettingsCount(); ++i) {
        const std::shared_ptr<TqelFieldSettings> field = settings.FieldSettings(i);
        QString text = field->FieldName();
        if (text.isEmpty()) {
            if (settings.FieldSelectionRequired())
                continue;
            text = qel::Translate("Default");
            preselected = field->FieldID();
        }
        FPitchBox.Add(text, field->FieldID());
        if (!preselected && text.compare(remembered, Qt::CaseInsensitive) == 0)
            preselected = field->FieldID();
    }
    if (FPitchBox.Count() > 0) {
        if (preselected)
            FPitchBox.setValue(*preselected);
        else
            FPitchBox.setItemIndex(0);
    }
    FPitchBox.EndUpdate();
}

void TQelvaniServerMainForm::PitchChosen() {
    const int32_t fieldID = FPitchBox.Value(-1);
    try {
        LoadPreparations(fieldID);
    } catch (const std::exception& e) {
        ReportFailure(QStringLiteral("LoadPreparations"), e);
    }
    UpdateBallTrackingServers(fieldID);
}

void TQelvaniServerMainForm::LoadPreparations(int32_t aFieldID) {
    FPreparationBox.BeginUpdate();
    struct EndUpdate {
        qel::ChoiceList& box;
        ~EndUpdate() { box.EndUpdate(); }
    } endUpdate{FPreparationBox};

    FPreparationBox.Clear();
    const QString transponderFile = ServerConfig()->TransponderFile();
    if (!transponderFile.isEmpty() && QFileInfo(transponderFile).isFile()) {
        FPreparationBox.Add(qel::Translate("System"), 0);
        FPreparationBox.setValue(0);
    }
    if (!FPrepareRec)
        return;
    FPrepareRec->GetAll(true, true);
    std::optional<int32_t> first;
    for (const bool dated : {true, false}) {
        for (const auto& preparation : FPrepareRec->PrepareRecordings()) {
            if (preparation->FieldID() != aFieldID || (preparation->ExpectDate() != 0) != dated)
                continue;
            FPreparationBox.Add(preparation->Description(), preparation->PrcID());
            if (!first)
                first = preparation->PrcID();
        }
    }
    if (FPreparationBox.Count() > 0)
        FPreparationBox.setValue(first.value_or(0));
}

void TQelvaniServerMainForm::UpdateBallTrackingServers(int32_t aFieldID) {
    FBallTrackingServerBox.BeginUpdate();
    FBallTrackingServerBox.Clear();
    const TqelServerConfig& settings = *ServerConfig();
    const std::shared_ptr<TqelFieldSettings> field = settings.GetFieldSettings(aFieldID);
    if (field) {
        for (int i = 0; i < field->EnabledBTSIDCount(); ++i) {
            const uint8_t id = field->EnabledBTSID(i);
            if (const auto server = settings.BallTrackingServerByID(id))
                FBallTrackingServerBox.Add(server->Description(), id);
        }
        FBallTrackingGroupVisible = field->BallTrackingEnabled();
        if (FBallTrackingServerBox.Count() == 1)
            FBallTrackingServerBox.setItemIndex(0);
    } else {
        FBallTrackingGroupVisible = false;
    }
    FBallTrackingServerBox.setVisible(FBallTrackingGroupVisible);
    FBallTrackingServerBox.EndUpdate();
}

void TQelvaniServerMainForm::FillVisibleToChoices() {
    const TqelServerConfig& settings = *ServerConfig();
    FVisibleToColumnVisible = settings.RestrictAccess();
    FVisibleToChoices = {qel::Translate("all clients"), qel::Translate("none")};
    for (int i = 0; i < settings.UserCount(); ++i)
        FVisibleToChoices << settings.GetUser(i)->Username();
}

int32_t TQelvaniServerMainForm::PrepareRecordingID() const {
    if (MeasurementStarted())
        return FSelectedPreparationID;
    return FPreparationBox.Value(-1);
}

bool TQelvaniServerMainForm::MeasurementStarted() const {
    return FMeasurementControl && FMeasurementControl->GetStartUpSequence() != startNone;
}

void TQelvaniServerMainForm::LogServerMessage(const QString& aText) {
    if (!FLPMServerLog)
        return;
    const bool mainThread = QThread::currentThread() == thread();
    FLPMServerLog->AddText(mainThread ? aText : aText + QStringLiteral(" *"));
}

QString TQelvaniServerMainForm::ServerLogFileName(const QString& aProgramFile) {
    const QFileInfo info(aProgramFile);
    return info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral("_LPM.log");
}

void TQelvaniServerMainForm::timGUIUpdateTimer() {
    // (The status display refreshes here.)
}

// ---- IqelDatabaseManager

void TQelvaniServerMainForm::LogMessage(int32_t EventID, int32_t MessageID,
                                        const QString& sMessage) {
    LogServerMessage(sMessage);
}

void TQelvaniServerMainForm::ConnectionStateChanged(TqelDBConnectionState aState) {
    FDatabaseState = aState;
    emit ViewChanged();
}

// ---- IqelMeasurementControlCallBack

void TQelvaniServerMainForm::log(int32_t aSystemIndex, const QString& aText) {
    if (FMeasurementSystemLog && ServerConfig()->LogCommunication())
        FMeasurementSystemLog->AddText(aText);
}

void TQelvaniServerMainForm::positionReceived(IqelMeasurementControl* aControl,
                                              const RqelPositionRec& aPosition) {
    if (FServer)
        FServer->PositionDataRecevied(aControl, aPosition);
}

TqelAntennaList* TQelvaniServerMainForm::getAntennaList() {
    return FServer ? FServer->AntennaList() : nullptr;
}

// ---- IqelServerCallbacks

int32_t TQelvaniServerMainForm::GetCameraInfo(TqelArrayOfCamSetting& aCameraSettings) {
    // (The camera frames fill the list here.)
    aCameraSettings.clear();
    return 0;
}

int32_t TQelvaniServerMainForm::GetRemainingRecordingTimeInMS() {
    return FServer ? FServer->RemainingRecordingTimeInMS() : 0;
}

void TQelvaniServerMainForm::SetFollowAntennaIDs(uint8_t aCameraIndex,
                                                 const TqelArrayOfWord& anAntennaIDs) {
    // (The camera services take the follow list here.)
}

void TQelvaniServerMainForm::GotoPreset(uint8_t aCameraIndex, const QString& aPresetName) {
    // (The camera services move the camera here.)
}

void TQelvaniServerMainForm::SetPTZSpeed(uint8_t aCameraIndex, int32_t aPanSpeed,
                                         int32_t aTiltSpeed, int32_t aZoomSpeed) {
    // (The camera services move the camera here.)
}

void TQelvaniServerMainForm::ZoomChanged(uint8_t aCameraIndex, uint8_t aRelativeZoom) {
    // (The camera services zoom here.)
}

void TQelvaniServerMainForm::CameraStoppedFollowing(int32_t aCameraIndex,
                                                    TqelAntennaData* anAntennaData) {
    // (The transponder grid shows the follow state here.)
}

void TQelvaniServerMainForm::CameraStartedFollowing(int32_t aCameraIndex,
                                                    TqelAntennaData* anAntennaData) {
    // (The transponder grid shows the follow state here.)
}

void TQelvaniServerMainForm::ServerRecordingStarted(bool aRecordingOn) {
    // (The recording callbacks start and stop data logging and the cameras here.)
}

void TQelvaniServerMainForm::EnableFieldSelection(bool aEnable) {}

void TQelvaniServerMainForm::SetAthleteName(uint16_t anAntennaID, const QString& anAthleteName) {
    // (The transponder grid shows the athlete here.)
}
