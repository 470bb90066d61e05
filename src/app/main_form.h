#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/activation_supervision.h"
#include "app/choice_list.h"
#include "app/old_file_cleanup.h"
#include "database/database_manager.h"
#include "foundation/shared_enums.h"
#include "measurement/clients/server_callbacks.h"
#include "measurement/control/measurement_control.h"
#include "measurement/control/measurement_system_factory.h"
#include "platform/date_time.h"
#include "shared/socket_state.h"

class TqelDatabase;
class TqelDBMeasurementPitches;
class TqeldbPrepareRecordings;
class TqelPrepareRecording;
class TqelField;
class TqelFieldSettings;
class TqelLPMServer;
class TqelShowTextDialog;

// The composition root of the server: it creates every server component with itself as the
// component's callback, applies the server settings to them, starts them, and stops and frees
// them in a fixed order. It holds what the operator's window shows (the selection boxes, the
// status texts, the log windows) without being a widget, so the server runs the same with a
// window (qel::MainWindow) or headless.
//
// Threads: main thread only, except LogServerMessage (any thread; the log window queues the
// line) and GetCameraInfo (the recorder's pool thread; it touches no member).
class TQelvaniServerMainForm : public QObject,
                               public IqelDatabaseManager,
                               public IqelMeasurementControlCallBack,
                               public IqelServerCallbacks {
    Q_OBJECT

public:
    // Window messages: a client's activation request (wParam 1) and the socket state of the
    // video client (lParam 0) or the recording-server client (lParam 1).
    static constexpr int UM_FIELD_ACTIVATION = 0x601;
    static constexpr int UM_SOCKET_STATE = 0x602;
    static constexpr int kActivationTicks = 30;
    static constexpr int kActivationIntervalMS = 1000;

    explicit TQelvaniServerMainForm(QObject* aParent = nullptr);
    // Closes first when nobody did (FormClose), then FormDestroy.
    ~TQelvaniServerMainForm() override;
    TQelvaniServerMainForm(const TQelvaniServerMainForm&) = delete;
    TQelvaniServerMainForm& operator=(const TQelvaniServerMainForm&) = delete;

    // Creates, wires and starts every component. A start that fails is logged and reported,
    // and the steps after it still run.
    void FormCreate();
    // Whether the window may close: not while recording or while a client gets live data,
    // unless aForced (Shift held). A refusal shows a warning.
    bool FormCloseQuery(bool aForced);
    // Stores the layout and stops the components; runs once, also on the ways out that skip
    // the window's close.
    void FormClose();
    // Stops and frees the components; runs once (the destructor calls it).
    void FormDestroy();
    // SIGTERM and SIGINT: a forced close, then the event loop ends.
    void CloseForced();

    void ApplyServerConfig();
    void LoadPreparations(int32_t aFieldID);
    void UpdateBallTrackingServers(int32_t aFieldID);
    void FillVisibleToChoices();

    // Activation of a pitch with a preparation; aErrorText is empty on success, else the
    // translated reason. A roaming pitch that cannot take part raises. An activation asked for
    // while one runs (through its waits) does nothing and says so in aErrorText.
    void SetSelectedField(int32_t aFieldID, int32_t aPreparationID, QString& aErrorText);
    // The setter of the measurement status: sends it to the clients and updates the buttons.
    void UpdateMeasurementStatus(TqelMeasurementStatus aStatus);
    // Ends imsInitializing when everything the measurement needs is up.
    void CheckActivationComplete();
    // The operator's buttons; both do nothing while an activation runs.
    void btnActivateFieldClick();
    void btnDeactivateFieldClick();
    // Stops the measurement control, lets messages run for about a second and starts it again.
    void Reconnect();
    // The same for the system at anIndex, which is initialised again.
    void ReconnectSystem(int32_t anIndex);
    // The activation timer's pass.
    void tmrMeasurementActivationTimer();
    // One shot after the video or recording server connected.
    void tmrVideoStateTimer();

    // What the window shows.
    qel::ChoiceList& PitchBox() { return FPitchBox; }
    qel::ChoiceList& PreparationBox() { return FPreparationBox; }
    qel::ChoiceList& BallTrackingServerBox() { return FBallTrackingServerBox; }
    const QStringList& VisibleToChoices() const { return FVisibleToChoices; }
    bool VisibleToColumnVisible() const { return FVisibleToColumnVisible; }
    // Role column choices: values 0, 1 and 5.
    const std::vector<qel::ChoiceList::Item>& RoleChoices() const { return FRoleChoices; }
    bool SelectionGroupVisible() const { return FSelectionGroupVisible; }
    bool BallTrackingGroupVisible() const { return FBallTrackingGroupVisible; }
    bool RecordButtonVisible() const { return FRecordButtonVisible; }
    const QString& Caption() const { return FCaption; }
    const QString& Copyright() const { return FCopyright; }
    const QString& DatabaseHint() const { return FDatabaseHint; }
    const QString& LPMStatusText() const { return FLPMStatusText; }
    const QString& LPMErrorText() const { return FLPMErrorText; }
    TqelDBConnectionState DatabaseState() const { return FDatabaseState; }

    TqelShowTextDialog* MeasurementSystemLog() const { return FMeasurementSystemLog.get(); }
    TqelShowTextDialog* BallTrackingLog() const { return FBallTrackingLog.get(); }
    TqelShowTextDialog* VideoServerLog() const { return FVideoServerLog.get(); }
    TqelShowTextDialog* LPMServerLog() const { return FLPMServerLog.get(); }

    TqelLPMServer* Server() const { return FServer.get(); }
    TqelMeasurementControl* MeasurementControl() const { return FMeasurementControl.get(); }
    TqelDatabase* Database() const { return FDatabase.get(); }
    TqelDBMeasurementPitches* MeasurementPitches() const { return FMeasurementPitches.get(); }
    TqeldbPrepareRecordings* PrepareRec() const { return FPrepareRec.get(); }

    // The id chosen in the pitch box (not the activated one), -1 when none.
    int32_t SelectedFieldID() const { return FPitchBox.Value(-1); }
    // The activated preparation while the measurement control runs, else the chosen one.
    int32_t PrepareRecordingID() const;
    bool MeasurementStarted() const;
    TqelMeasurementStatus MeasurementStatus() const { return FFMeasurementStatus; }
    bool ManualActivated() const { return FManualActivated; }
    TqelField* FieldDef() const { return FFieldDef.get(); }
    bool GUIUpdateActive() const { return FtimGUIUpdate.isActive(); }
    bool ActivateButtonVisible() const { return FActivateButtonVisible; }
    const QString& RecordButtonText() const { return FRecordButtonText; }
    const QString& FieldStatusText() const { return FFieldStatusText; }
    const QString& FieldErrorText() const { return FFieldErrorText; }
    bool ActivationTimerActive() const { return FtmrMeasurementActivation.isActive(); }
    int32_t ActivationTicksLeft() const { return FActivationTicks; }
    bool Activating() const { return FActivating; }
    int32_t VideoServerImage() const { return FVideoServerImage; }
    TSocketState VideoState() const { return FVideoState; }
    // The system tab the status and error texts follow.
    void setCurrentSystemTab(int32_t anIndex) { FCurrentSystemTab = anIndex; }

    // For tests, before FormCreate: the drivers the measurement control makes.
    void setMeasurementSystemFactory(qel::MeasurementSystemFactory aFactory) {
        FMeasurementSystemFactory = std::move(aFactory);
    }
    // For tests: the activation timer's interval and the trash old files go to.
    void setActivationInterval(int aMilliSeconds) {
        FtmrMeasurementActivation.setInterval(aMilliSeconds);
    }
    void setTrash(qel::TrashFile aTrash) { FTrash = std::move(aTrash); }

    // Any thread; lines from other threads than the main thread end with " *".
    void LogServerMessage(const QString& aText);

    // The server log's file: the program file with "_LPM.log" in place of its extension.
    static QString ServerLogFileName(const QString& aProgramFile);

    // IqelDatabaseManager
    TqelDatabase* GetDatabase() override { return FDatabase.get(); }
    void LogMessage(int32_t EventID, int32_t MessageID, const QString& sMessage) override;
    void ConnectionStateChanged(TqelDBConnectionState aState) override;

    // The window messages; other events go to QObject.
    bool event(QEvent* anEvent) override;
    // IqelMeasurementControlCallBack
    void log(int32_t aSystemIndex, const QString& aText) override;
    void status(int32_t aSystemIndex, int32_t aMessageID, const QString& aText) override;
    void error(int32_t aSystemIndex, int32_t aMessageID, const QString& aText) override;
    void stateChanged(int32_t aSystemIndex, TqelStartupSequence aState) override;
    void event(TqelMeasurementSystem* aSender, uint8_t anEventCode, int32_t aParameter) override;
    void positionReceived(IqelMeasurementControl* aControl,
                          const RqelPositionRec& aPosition) override;
    TqelAntennaList* getAntennaList() override;

    // IqelServerCallbacks
    void RequestFieldActivation(int32_t aFieldID, int32_t aPreparationID) override;
    bool DeactivateMeasurement() override;
    int32_t GetCameraInfo(TqelArrayOfCamSetting& aCameraSettings) override;
    int32_t GetSelectedFieldID() override { return SelectedFieldID(); }
    int32_t GetPrepareRecordingID() override { return PrepareRecordingID(); }
    TqelMeasurementStatus GetMeasurementStatus() override { return FFMeasurementStatus; }
    int32_t GetRemainingRecordingTimeInMS() override;
    QString GetLastLPMError() override { return FLPMErrorText; }
    void SetFollowAntennaIDs(uint8_t aCameraIndex, const TqelArrayOfWord& anAntennaIDs) override;
    void GotoPreset(uint8_t aCameraIndex, const QString& aPresetName) override;
    void SetPTZSpeed(uint8_t aCameraIndex, int32_t aPanSpeed, int32_t aTiltSpeed,
                     int32_t aZoomSpeed) override;
    void ZoomChanged(uint8_t aCameraIndex, uint8_t aRelativeZoom) override;
    void CameraStoppedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) override;
    void CameraStartedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) override;
    void ServerRecordingStarted(bool aRecordingOn) override;
    void EnableFieldSelection(bool aEnable) override;
    void LogMessage(const QString& aText) override { LogServerMessage(aText); }
    void SetAthleteName(uint16_t anAntennaID, const QString& anAthleteName) override;
    TDateTime GetNTPTimeDifference() override { return FNTPTimeDifference; }

signals:
    // The window restores its layout from the registry (FormCreate) or stores it (FormClose).
    void LayoutRestoreRequested();
    void LayoutStoreRequested();
    // Something the window shows besides the boxes changed (caption, status texts,
    // visibility of groups, the database state).
    void ViewChanged();

private:
    // Runs one start of FormCreate; a raise is logged and reported and does not stop the
    // steps after it.
    void RunStartStep(const QString& aName, const std::function<void()>& aStart);
    // Logs a failure with the exception's class and message and reports it by dialog.
    void ReportFailure(const QString& aContext, const std::exception& anError);
    // ApplyServerConfig's steps.
    void ConnectDatabase();
    void MatchPitchRows();
    void FillPitchBox();
    // The pitch box's choice changed (the operator's or the program's).
    void PitchChosen();
    void timGUIUpdateTimer();
    // The activation's steps (the order of SetSelectedField).
    void RunSetSelectedField(int32_t aFieldID, int32_t aPreparationID, QString& aErrorText);
    bool ActivationRefused() const;
    void AddRoamingFields(TqelPrepareRecording& aPreparation);
    void LoadFieldDefinition(TqelPrepareRecording& aPreparation);
    void StartMeasurementControl();
    // Message 0x601 with wParam 1.
    void HandleActivationRequest();
    void HandleSocketState(TSocketState aState, int64_t aSource);
    // What the supervision of the starting measurement looks at now.
    qel::ActivationConditions CurrentActivationConditions() const;
    void CleanOldFiles();
    bool PitchBoxMayChange() const;

    std::unique_ptr<TqelLPMServer> FServer;
    TDateTime FNTPTimeDifference = 0;
    std::unique_ptr<TqelMeasurementControl> FMeasurementControl;
    TqelStartupSequence FLPMState = startNone;
    int32_t FSelectedFieldID = -1;
    int32_t FSelectedPreparationID = -1;
    TqelFieldSettings* FField = nullptr;
    std::unique_ptr<TqelField> FFieldDef;
    std::unique_ptr<TqelShowTextDialog> FMeasurementSystemLog;
    std::unique_ptr<TqelShowTextDialog> FBallTrackingLog;
    std::unique_ptr<TqelShowTextDialog> FVideoServerLog;
    std::unique_ptr<TqelShowTextDialog> FLPMServerLog;
    QString FLastGUIError;
    std::unique_ptr<TqelDatabase> FDatabase;
    std::unique_ptr<TqelDBMeasurementPitches> FMeasurementPitches;
    std::unique_ptr<TqeldbPrepareRecordings> FPrepareRec;
    int32_t FRequestedFieldID = -1;
    int32_t FRequestedPreparationID = -1;
    TqelMeasurementStatus FFMeasurementStatus = imsNone;
    bool FManualActivated = false;
    int32_t FNumberMissedPackages = 0;

    qel::ChoiceList FPitchBox;
    qel::ChoiceList FPreparationBox;
    qel::ChoiceList FBallTrackingServerBox;
    QStringList FVisibleToChoices;
    bool FVisibleToColumnVisible = false;
    std::vector<qel::ChoiceList::Item> FRoleChoices;
    bool FSelectionGroupVisible = false;
    bool FBallTrackingGroupVisible = false;
    bool FRecordButtonVisible = false;
    QString FCaption;
    QString FCopyright;
    QString FDatabaseHint;
    QString FLPMStatusText;
    QString FLPMErrorText;
    TqelDBConnectionState FDatabaseState{};
    QTimer FtimGUIUpdate;
    QTimer FtmrMeasurementActivation;
    int32_t FActivationTicks = 0;
    QTimer FtmrVideoState;
    TSocketState FVideoState = wsClosed;
    int32_t FVideoServerImage = 0;
    bool FActivateButtonVisible = true;
    QString FRecordButtonText;
    QString FFieldStatusText;
    QString FFieldErrorText;
    int32_t FCurrentSystemTab = 0;
    // The activated preparation lives in an accessor of its own: the preparation box's list
    // is refilled while the measurement control and the client server hold it.
    std::unique_ptr<TqeldbPrepareRecordings> FActivePrepareRec;
    qel::MeasurementSystemFactory FMeasurementSystemFactory;
    qel::TrashFile FTrash;
    // An activation runs; its waits let events in. A client's request meanwhile runs after it.
    bool FActivating = false;
    bool FActivationRequestPending = false;

    bool FCreated = false;
    bool FClosed = false;
    bool FDestroyed = false;
};
