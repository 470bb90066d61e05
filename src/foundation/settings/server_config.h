#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/settings/ball_tracking_server.h"
#include "foundation/settings/camera_settings.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/partner_settings.h"
#include "foundation/settings/power_control_settings.h"
#include "platform/shared_values.h"

namespace qel {
class IniFile;

// Reads the line and rectangle object names of a field definition file for the camera
// settings. Given the file's path in the client settings' field folder; returns false when
// there is no such file. Errors of the field reader propagate.
using CamFieldObjectLoader =
    std::function<bool(const QString& aName, QStringList& aLines, QStringList& aAreas)>;

// The loader every settings object uses; none set: no field file is ever found. Set it on the
// main thread before settings are loaded. Returns the previous loader.
CamFieldObjectLoader SetCamFieldObjectLoader(CamFieldObjectLoader aLoader);

// The decimal separator of the user's locale: "," or ".".
QChar SystemDecimalSeparator();

// Highest counts of the numbered sections that a settings file can make us read.
constexpr int32_t kMaxCameraCount = 256;
constexpr int32_t kMaxListSectionCount = 1000;

}  // namespace qel

// Serial-port settings of the start-signal input.
enum TDataBits : uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TBaudRate : uint8_t {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TParityBits : uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TStopBits : uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

// An account the configuration dialog edits; kept in memory only.
class TqelUser {
public:
    QString Username() const { return FUsername.get(); }
    void setUsername(const QString& aValue) { FUsername.set(aValue); }
    QString Password() const { return FPassword.get(); }
    void setPassword(const QString& aValue) { FPassword.set(aValue); }

private:
    qel::SharedText FUsername;
    qel::SharedText FPassword;
};

// The settings of the server itself, read from and written to one ini file.
//
// Built, loaded, edited and saved on the main thread. Threads of the measurement, output and
// camera subsystems read values while it runs: numbers and flags are atomic, each text has its
// own lock, and the lists (pitches, power controls, ball-tracking servers, cameras, users) are
// guarded by FListLock. Pitches, power controls, ball-tracking servers and cameras are handed
// out as shared handles: a reader's handle keeps its entry alive when the main thread reloads
// the list (load, LoadCameras swap in new entries) or deletes the entry. Users are used by the
// main thread only.
class TqelServerConfig : public qel::ChangeTracker {
public:
    TqelServerConfig();
    ~TqelServerConfig();
    TqelServerConfig(const TqelServerConfig&) = delete;
    TqelServerConfig& operator=(const TqelServerConfig&) = delete;

    // --- File ---

    QString IniFileName() const { return FIniFileName.get(); }
    void setIniFileName(const QString& aValue) { FIniFileName.set(aValue); }
    // "Server IniFile Version" of the file as last read or written; decides how passwords are
    // read.
    int32_t FileVersion() const { return FFileVersion; }
    // The user's decimal separator, with which floats are written (both are read, so any
    // separator but "," is taken as ".").
    QChar DecimalSeparator() const { return QChar(FDecimalSeparator.load()); }
    void setDecimalSeparator(QChar aValue) { FDecimalSeparator = aValue == u',' ? u',' : u'.'; }

    // Reads the whole file; a non-empty aFileName first replaces IniFileName. A missing file
    // reads as all defaults. Clears Modified.
    void load(const QString& aFileName = QString());
    // Writes every setting back to IniFileName after a dated backup of the old file. Raises
    // EIniFileException when the file cannot be written; Modified then stays set.
    void Save();
    // Rebuilds the camera list with aCamCount cameras (at most kMaxCameraCount) from the
    // "Dome n" sections of aIni, or of IniFileName when aIni is nullptr. A list that already
    // has that count is left alone.
    void LoadCameras(int32_t aCamCount, qel::IniFile* aIni);

    // Passwords in the file: Base64 of the scrambled text (scrambled only in files before
    // version 1); "******" stands for aDefault.
    QString ReadPassword(const qel::IniFile& aIni, const QString& aSection, const QString& aKey,
                         const QString& aDefault) const;
    void WritePassword(qel::IniFile& aIni, const QString& aSection, const QString& aKey,
                       const QString& Value) const;

    // --- [General] ---

    // The port as decimal text; text that is no integer sets 2378.
    QString ServerPort() const { return QString::number(FServerPort.load()); }
    void setServerPort(const QString& aValue);
    QString ClientIni() const { return FClientIni.get(); }
    void setClientIni(const QString& aValue) { storeText(FClientIni, aValue); }
    bool CreateQelfile() const { return FCreateQelfile; }
    void setCreateQelfile(bool aValue) { store(FCreateQelfile, aValue); }
    QString QelFileLocation() const { return FQelFileLocation.get(); }
    void setQelFileLocation(const QString& aValue) { storeText(FQelFileLocation, aValue); }
    bool AllClientsCanBeMain() const { return FAllClientsCanBeMain; }
    void setAllClientsCanBeMain(bool aValue) { store(FAllClientsCanBeMain, aValue); }
    int32_t PositionSensitivity() const { return FPositionSensitivity; }
    void setPositionSensitivity(int32_t aValue) { store(FPositionSensitivity, aValue); }
    int32_t PositionOffsetCOM() const { return FPositionOffsetCOM; }
    void setPositionOffsetCOM(int32_t aValue) { store(FPositionOffsetCOM, aValue); }
    int32_t PositionOffsetIP() const { return FPositionOffsetIP; }
    void setPositionOffsetIP(int32_t aValue) { store(FPositionOffsetIP, aValue); }
    int32_t PositionIntervalCOM() const { return FPositionIntervalCOM; }
    void setPositionIntervalCOM(int32_t aValue) { store(FPositionIntervalCOM, aValue); }
    int32_t PositionIntervalIP() const { return FPositionIntervalIP; }
    void setPositionIntervalIP(int32_t aValue) { store(FPositionIntervalIP, aValue); }
    double PositionChange() const { return FPositionChange; }
    void setPositionChange(double aValue) { store(FPositionChange, aValue); }
    int32_t MinMovementInMM() const { return FMinMovementInMM; }
    void setMinMovementInMM(int32_t aValue) { store(FMinMovementInMM, aValue); }
    bool SendPositionData() const { return FSendPositionData; }
    void setSendPositionData(bool aValue) { store(FSendPositionData, aValue); }
    bool UseSingleComPort() const { return FUseSingleComPort; }
    void setUseSingleComPort(bool aValue) { store(FUseSingleComPort, aValue); }
    QString SingleComPort() const { return FSingleComPort.get(); }
    void setSingleComPort(const QString& aValue) { storeText(FSingleComPort, aValue); }
    bool Accelerometer() const { return FAccelerometer; }
    void setAccelerometer(bool aValue) { store(FAccelerometer, aValue); }
    bool ShowTelemetryAsHosand() const { return FShowTelemetryAsHosand; }
    void setShowTelemetryAsHosand(bool aValue) { store(FShowTelemetryAsHosand, aValue); }
    bool HosandModulesInSystem() const { return FHosandModulesInSystem; }
    void setHosandModulesInSystem(bool aValue) { store(FHosandModulesInSystem, aValue); }
    int32_t TransponderHeightinMM() const { return FTransponderHeightinMM; }
    void setTransponderHeightinMM(int32_t aValue) { store(FTransponderHeightinMM, aValue); }
    bool RestrictAccess() const { return FRestrictAccess; }
    void setRestrictAccess(bool aValue) { store(FRestrictAccess, aValue); }
    // A folder: the setter adds a trailing path delimiter.
    QString FieldDirectory() const { return FFieldDirectory.get(); }
    void setFieldDirectory(const QString& aValue) { storeFolder(FFieldDirectory, aValue); }
    bool FieldSelectionRequired() const { return FFieldSelectionRequired; }
    void setFieldSelectionRequired(bool aValue) { store(FFieldSelectionRequired, aValue); }
    bool AutoActivateDefaultPreparation() const { return FAutoActivateDefaultPreparation; }
    void setAutoActivateDefaultPreparation(bool aValue) {
        store(FAutoActivateDefaultPreparation, aValue);
    }
    QString DefaultLanguage() const { return FDefaultLanguage.get(); }
    void setDefaultLanguage(const QString& aValue) { storeText(FDefaultLanguage, aValue); }
    int32_t WebServerInterfacePort() const { return FWebServerInterfacePort; }
    void setWebServerInterfacePort(int32_t aValue) { store(FWebServerInterfacePort, aValue); }
    QString NTPTimeServer() const { return FNTPTimeServer.get(); }
    void setNTPTimeServer(const QString& aValue) { storeText(FNTPTimeServer, aValue); }
    bool AutoSelectFollowing() const { return FAutoSelectFollowing; }
    void setAutoSelectFollowing(bool aValue) { store(FAutoSelectFollowing, aValue); }
    QString DefaultMeasurementPitch() const { return FDefaultMeasurementPitch.get(); }
    void setDefaultMeasurementPitch(const QString& aValue) {
        storeText(FDefaultMeasurementPitch, aValue);
    }
    bool MeasurementPitchCanChange() const { return FMeasurementPitchCanChange; }
    void setMeasurementPitchCanChange(bool aValue) { store(FMeasurementPitchCanChange, aValue); }

    // The field definition whose line and area names the camera settings offer. The setter
    // reloads CamFieldLines and CamFieldAreas through the field object loader and sets
    // Modified, also when the file is missing.
    QString CamFieldDef() const { return FCamFieldDef.get(); }
    void setCamFieldDef(const QString& aValue);
    QStringList CamFieldLines() const { return FCamFieldLines.get(); }
    QStringList CamFieldAreas() const { return FCamFieldAreas.get(); }

    // The language in use; not stored in the file.
    QString SelectedLanguage() const { return FSelectedLanguage.get(); }
    void setSelectedLanguage(const QString& aValue) { storeText(FSelectedLanguage, aValue); }
    // SelectedLanguage, else DefaultLanguage, else "en".
    QString GetSelectedLanguage() const;

    // --- [Control] ---

    QString IPAbatecServer() const { return FIPAbatecServer.get(); }
    void setIPAbatecServer(const QString& aValue) { storeText(FIPAbatecServer, aValue); }
    QString IPControlePC() const { return FIPControlePC.get(); }
    void setIPControlePC(const QString& aValue) { storeText(FIPControlePC, aValue); }
    QString IPUPDReceiverPC() const { return FIPUPDReceiverPC.get(); }
    void setIPUPDReceiverPC(const QString& aValue) { storeText(FIPUPDReceiverPC, aValue); }
    bool EnableRemoteControl() const { return FEnableRemoteControl; }
    void setEnableRemoteControl(bool aValue) { store(FEnableRemoteControl, aValue); }
    bool LogCommunication() const { return FLogCommunication; }
    void setLogCommunication(bool aValue) { store(FLogCommunication, aValue); }
    int32_t LPMPauseTimeInMS() const { return FLPMPauseTimeInMS; }
    void setLPMPauseTimeInMS(int32_t aValue) { store(FLPMPauseTimeInMS, aValue); }
    int32_t LPMTPInFieldMM() const { return FLPMTPInFieldMM; }
    void setLPMTPInFieldMM(int32_t aValue) { store(FLPMTPInFieldMM, aValue); }
    int32_t LPMTPOffFieldMM() const { return FLPMTPOffFieldMM; }
    void setLPMTPOffFieldMM(int32_t aValue) { store(FLPMTPOffFieldMM, aValue); }
    int32_t LPMTPOffFieldTimeMS() const { return FLPMTPOffFieldTimeMS; }
    void setLPMTPOffFieldTimeMS(int32_t aValue) { store(FLPMTPOffFieldTimeMS, aValue); }
    bool LPMTransponder3D() const { return FLPMTransponder3D; }
    void setLPMTransponder3D(bool aValue) { store(FLPMTransponder3D, aValue); }
    bool LPMStoreDataLog() const { return FLPMStoreDataLog; }
    void setLPMStoreDataLog(bool aValue) { store(FLPMStoreDataLog, aValue); }
    QString LPMSavePath() const { return FLPMSavePath.get(); }
    void setLPMSavePath(const QString& aValue) { storeText(FLPMSavePath, aValue); }

    // --- [Files] ---

    // Both read as the stored name resolved against the executable's folder when its folder
    // begins with "." or "..".
    QString UserFile() const;
    void setUserFile(const QString& aValue) { storeText(FUserFile, aValue); }
    QString TransponderFile() const;
    void setTransponderFile(const QString& aValue) { storeText(FTransponderFile, aValue); }
    QString VideoDir() const { return FVideoDir.get(); }
    void setVideoDir(const QString& aValue) { storeFolder(FVideoDir, aValue); }
    bool CleanupVideo() const { return FCleanupVideo; }
    void setCleanupVideo(bool aValue) { store(FCleanupVideo, aValue); }
    bool CleanupLPMFiles() const { return FCleanupLPMFiles; }
    void setCleanupLPMFiles(bool aValue) { store(FCleanupLPMFiles, aValue); }
    // The setter stores at least 100 and rounds to a multiple of 100, halves upward.
    int32_t StoreLiveDataInterval() const { return FStoreLiveDataInterval; }
    void setStoreLiveDataInterval(int32_t aValue);
    // Not stored in the file.
    QString PositionFile() const { return FPositionFile.get(); }

    // --- [Start Signal] ---

    bool StartSignalEnabled() const { return FStartSignalEnabled; }
    void setStartSignalEnabled(bool aValue) { store(FStartSignalEnabled, aValue); }
    QString StartSignalComPort() const { return FStartSignalComPort.get(); }
    void setStartSignalComPort(const QString& aValue) { storeText(FStartSignalComPort, aValue); }
    TDataBits StartSignalDataBits() const { return FStartSignalDataBits; }
    void setStartSignalDataBits(TDataBits aValue) { store(FStartSignalDataBits, aValue); }
    TBaudRate StartSignalBaudRate() const { return FStartSignalBaudRate; }
    void setStartSignalBaudRate(TBaudRate aValue) { store(FStartSignalBaudRate, aValue); }
    TParityBits StartSignalParity() const { return FStartSignalParity; }
    void setStartSignalParity(TParityBits aValue) { store(FStartSignalParity, aValue); }
    TStopBits StartSignalStopBits() const { return FStartSignalStopBits; }
    void setStartSignalStopBits(TStopBits aValue) { store(FStartSignalStopBits, aValue); }

    // --- [Qelvani Database Connection] ---

    QString DatabaseConnectionString() const { return FDatabaseConnectionString.get(); }
    void setDatabaseConnectionString(const QString& aValue) {
        storeText(FDatabaseConnectionString, aValue);
    }

    // --- Recording server and video recording ---

    QString RecordingServerIPAddess() const { return FRecordingServerIPAddess.get(); }
    void setRecordingServerIPAddess(const QString& aValue) {
        storeText(FRecordingServerIPAddess, aValue);
    }
    int32_t RecordingServerPortNumber() const { return FRecordingServerPortNumber; }
    void setRecordingServerPortNumber(int32_t aValue) { store(FRecordingServerPortNumber, aValue); }
    bool RecordingServerUNCMount() const { return FRecordingServerUNCMount; }
    void setRecordingServerUNCMount(bool aValue) { store(FRecordingServerUNCMount, aValue); }
    QString RecordingServerUNCPath() const { return FRecordingServerUNCPath.get(); }
    void setRecordingServerUNCPath(const QString& aValue) {
        storeText(FRecordingServerUNCPath, aValue);
    }
    QString RecordingServerUNCUsername() const { return FRecordingServerUNCUsername.get(); }
    void setRecordingServerUNCUsername(const QString& aValue) {
        storeText(FRecordingServerUNCUsername, aValue);
    }
    QString RecordingServerUNCPassword() const { return FRecordingServerUNCPassword.get(); }
    void setRecordingServerUNCPassword(const QString& aValue) {
        storeText(FRecordingServerUNCPassword, aValue);
    }
    // Folders: the setters add a trailing path delimiter. A load defaults them to VideoDir.
    QString RecordingServerRecordingDir() const { return FRecordingServerRecordingDir.get(); }
    void setRecordingServerRecordingDir(const QString& aValue) {
        storeFolder(FRecordingServerRecordingDir, aValue);
    }
    QString RecordingServerTempDir() const { return FRecordingServerTempDir.get(); }
    void setRecordingServerTempDir(const QString& aValue) {
        storeFolder(FRecordingServerTempDir, aValue);
    }
    bool RecordingServerDeleteTemp() const { return FRecordingServerDeleteTemp; }
    void setRecordingServerDeleteTemp(bool aValue) { store(FRecordingServerDeleteTemp, aValue); }
    QString RecordingServerExportDir() const { return FRecordingServerExportDir.get(); }
    void setRecordingServerExportDir(const QString& aValue) {
        storeFolder(FRecordingServerExportDir, aValue);
    }
    bool RecordingServerCreateSubDirs() const { return FRecordingServerCreateSubDirs; }
    void setRecordingServerCreateSubDirs(bool aValue) {
        store(FRecordingServerCreateSubDirs, aValue);
    }
    bool VideoRecording() const { return FVideoRecording; }
    void setVideoRecording(bool aValue) { store(FVideoRecording, aValue); }
    bool UseVideoRecordingServer() const { return FUseVideoRecordingServer; }
    void setUseVideoRecordingServer(bool aValue) { store(FUseVideoRecordingServer, aValue); }
    bool UseGameOnVideoRecording() const { return FUseGameOnVideoRecording; }
    void setUseGameOnVideoRecording(bool aValue) { store(FUseGameOnVideoRecording, aValue); }
    bool AutoStartVideo() const { return FAutoStartVideo; }
    void setAutoStartVideo(bool aValue) { store(FAutoStartVideo, aValue); }
    // Derived from VideoRecording, UseVideoRecordingServer, UseGameOnVideoRecording and
    // DomeControlEnabled; the setter sets those flags.
    TqelRecordingBy RecordingBy() const;
    void setRecordingBy(TqelRecordingBy aValue);

    // --- Camera-control program ---

    bool DomeControlEnabled() const { return FDomeControlEnabled; }
    void setDomeControlEnabled(bool aValue) { store(FDomeControlEnabled, aValue); }
    int32_t DomeControlServerPort() const { return FDomeControlServerPort; }
    void setDomeControlServerPort(int32_t aValue) { store(FDomeControlServerPort, aValue); }
    QString DomeControlServerIP() const { return FDomeControlServerIP.get(); }
    void setDomeControlServerIP(const QString& aValue) { storeText(FDomeControlServerIP, aValue); }
    // A folder; when it holds a "settings.ini", DomeControlIniDir becomes the same folder.
    QString DomeControlDirectory() const { return FDomeControlDirectory.get(); }
    void setDomeControlDirectory(const QString& aValue);
    // A folder; not saved.
    QString DomeControlIniDir() const { return FDomeControlIniDir.get(); }
    void setDomeControlIniDir(const QString& aValue) { storeFolder(FDomeControlIniDir, aValue); }

    // --- Partners and outputs ---

    QString GameOnDir() const { return FGameOnDir.get(); }
    void setGameOnDir(const QString& aValue) { storeFolder(FGameOnDir, aValue); }
    QString GameOnDirUser() const { return FGameOnDirUser.get(); }
    void setGameOnDirUser(const QString& aValue) { storeText(FGameOnDirUser, aValue); }
    QString GameOnDirPassword() const { return FGameOnDirPassword.get(); }
    void setGameOnDirPassword(const QString& aValue) { storeText(FGameOnDirPassword, aValue); }
    // The setter puts "http://" in front of a host without a scheme.
    QString GameonHost() const { return FGameonHost.get(); }
    void setGameonHost(const QString& aValue) {
        storeText(FGameonHost, qel::GameOnHostWithScheme(aValue));
    }

    QString NokiaHost() const { return FNokiaHost.get(); }
    void setNokiaHost(const QString& aValue) { storeText(FNokiaHost, aValue); }
    QString NokiaPassword() const { return FNokiaPassword.get(); }
    void setNokiaPassword(const QString& aValue) { storeText(FNokiaPassword, aValue); }
    QString NokiaUsername() const { return FNokiaUsername.get(); }
    void setNokiaUsername(const QString& aValue) { storeText(FNokiaUsername, aValue); }
    int32_t NokiaPort() const { return FNokiaPort; }
    void setNokiaPort(int32_t aValue) { store(FNokiaPort, aValue); }
    // The partner's base address, built once by the first read and kept: later changes of
    // host, port, user or password do not change it. Safe to read from any thread.
    QString NokiaURL() const;

    QString QualogyServer() const { return FQualogyServer.get(); }
    void setQualogyServer(const QString& aValue) { storeText(FQualogyServer, aValue); }
    QString PosiStageNetUDPDestination() const { return FPosiStageNetUDPDestination.get(); }
    void setPosiStageNetUDPDestination(const QString& aValue) {
        storeText(FPosiStageNetUDPDestination, aValue);
    }
    int32_t PosiStageNetPredictTimeMS() const { return FPosiStageNetPredictTimeMS; }
    void setPosiStageNetPredictTimeMS(int32_t aValue) { store(FPosiStageNetPredictTimeMS, aValue); }
    QString SCGUDPDestination() const { return FSCGUDPDestination.get(); }
    void setSCGUDPDestination(const QString& aValue) { storeText(FSCGUDPDestination, aValue); }
    QString SCGUDPLocal() const { return FSCGUDPLocal.get(); }
    void setSCGUDPLocal(const QString& aValue) { storeText(FSCGUDPLocal, aValue); }
    int32_t SCGUDPPort() const { return FSCGUDPPort; }
    void setSCGUDPPort(int32_t aValue) { store(FSCGUDPPort, aValue); }

    // --- Ball-tracking post-processing ---

    QString BallTrackingPostProcessingLocation() const {
        return FBallTrackingPostProcessingLocation.get();
    }
    void setBallTrackingPostProcessingLocation(const QString& aValue) {
        storeText(FBallTrackingPostProcessingLocation, aValue);
    }
    QString BallTrackingPostProcessingTool() const { return FBallTrackingPostProcessingTool.get(); }
    void setBallTrackingPostProcessingTool(const QString& aValue) {
        storeText(FBallTrackingPostProcessingTool, aValue);
    }
    QString BallTrackingPPLUsername() const { return FBallTrackingPPLUsername.get(); }
    void setBallTrackingPPLUsername(const QString& aValue) {
        storeText(FBallTrackingPPLUsername, aValue);
    }
    // The file holds Base64 of the plain text, not scrambled.
    QString BallTrackingPPLPassword() const { return FBallTrackingPPLPassword.get(); }
    void setBallTrackingPPLPassword(const QString& aValue) {
        storeText(FBallTrackingPPLPassword, aValue);
    }

    // --- Pitches ---

    int FieldSettingsCount() const;
    // Raises EArgumentOutOfRangeException outside the list.
    std::shared_ptr<TqelFieldSettings> FieldSettings(int aIndex) const;
    std::shared_ptr<TqelFieldSettings> AddFieldSetting();
    // The first pitch with that FieldID, or nullptr.
    std::shared_ptr<TqelFieldSettings> GetFieldSettings(int32_t aFieldID) const;
    // The first pitch without a name; one is appended when there is none.
    std::shared_ptr<TqelFieldSettings> DefaultField();
    void DeleteFieldSetting(int aIndex);
    // By field name, A to Z without regard to case.
    void SortFieldSettings();

    // --- Power controls ---

    int ExpertPowerControlCount() const;
    std::shared_ptr<TqelEPCConfig> GetExpertPowerControl(int aIndex) const;
    std::shared_ptr<TqelEPCConfig> AddPowerControl();
    // Matched exactly / without regard to the case of A to Z; nullptr when none matches.
    std::shared_ptr<TqelEPCConfig> ExpertPowerControlByName(const QString& aDescription) const;
    std::shared_ptr<TqelEPCConfig> GetPowerControl(const QString& aDeviceName) const;
    void DeletePowerControl(int aIndex);

    // --- Ball-tracking servers ---

    int BallTrackingserverCount() const;
    std::shared_ptr<TqelBallTrackingServer> GetBallTrackingServer(int aIndex) const;
    // Appends a server whose ID is one above the highest in the list.
    std::shared_ptr<TqelBallTrackingServer> BallTrackingServerAdd();
    std::shared_ptr<TqelBallTrackingServer> BallTrackingServerByID(int32_t aID) const;
    // False, changing nothing, for an index outside the list.
    bool BallTrackingServerDelete(int aIndex);

    // --- Cameras ---

    int CamCount() const;
    std::shared_ptr<TqelCameraSettings> GetCamera(int aIndex) const;

    // --- Users ---

    int UserCount() const;
    TqelUser* GetUser(int aIndex) const;
    TqelUser* AddUser();
    // Names compared in upper case; nullptr / nothing done when there is no such user.
    TqelUser* FindUser(const QString& aUsername) const;
    void DeleteUser(const QString& aUsername);

private:
    void storeFolder(qel::SharedText& aField, const QString& aValue);
    // The camera-control folders of a new object: the program's installation folder and the
    // user's application-data folder.
    void initCameraControlFolders();
    // Where the camera-control program keeps its "settings.ini", when the folder read has none.
    void findDomeControlIniDir();
    void buildNokiaURL() const;

    // The steps of load and Save, in file order. Each reads or writes the keys of its part.
    void loadGeneralKeys(const qel::IniFile& aIni, qel::FieldSectionDefaults& aDefaults);
    void loadControlKeys(const qel::IniFile& aIni, qel::FieldSectionDefaults& aDefaults);
    void loadFileKeys(const qel::IniFile& aIni, qel::FieldSectionDefaults& aDefaults);
    void loadStartSignalKeys(const qel::IniFile& aIni);
    // The partner, recording and camera-control keys; "VideoDir" has been read before.
    void loadPartnerKeys(const qel::IniFile& aIni, qel::FieldSectionDefaults& aDefaults);
    // Clears the server list and carries the old single server of [Control] over.
    void loadBallTrackingServers(qel::IniFile& aIni, qel::FieldSectionDefaults& aDefaults);
    void loadFieldSettings(const qel::IniFile& aIni, const qel::FieldSectionDefaults& aDefaults);
    void loadPowerControls(const qel::IniFile& aIni);

    void saveGeneralKeys(qel::IniFile& aIni) const;
    void saveControlKeys(qel::IniFile& aIni) const;
    void saveFileKeys(qel::IniFile& aIni) const;
    void saveStartSignalKeys(qel::IniFile& aIni) const;
    void savePartnerKeys(qel::IniFile& aIni) const;
    // Once their values live in [General] and in the server sections, the old keys go, so
    // that the next load does not carry them over again.
    void removeCarriedOverKeys(qel::IniFile& aIni) const;
    void saveBallTrackingServers(qel::IniFile& aIni) const;
    void saveCameras(qel::IniFile& aIni) const;
    void saveFieldSettings(qel::IniFile& aIni) const;
    void savePowerControls(qel::IniFile& aIni) const;

    qel::SharedText FIniFileName;
    std::atomic<int32_t> FFileVersion{0};
    std::atomic<char16_t> FDecimalSeparator;

    std::atomic<int32_t> FServerPort{2378};
    qel::SharedText FClientIni;
    std::atomic<bool> FCreateQelfile{false};
    qel::SharedText FQelFileLocation;
    std::atomic<bool> FAllClientsCanBeMain{false};
    std::atomic<int32_t> FPositionSensitivity{85};
    std::atomic<int32_t> FPositionOffsetCOM{40};
    std::atomic<int32_t> FPositionOffsetIP{500};
    std::atomic<int32_t> FPositionIntervalCOM{40};
    std::atomic<int32_t> FPositionIntervalIP{100};
    std::atomic<double> FPositionChange{1.0};
    std::atomic<int32_t> FMinMovementInMM{30};
    std::atomic<bool> FSendPositionData{false};
    std::atomic<bool> FUseSingleComPort{false};
    qel::SharedText FSingleComPort;
    std::atomic<bool> FAccelerometer{false};
    std::atomic<bool> FShowTelemetryAsHosand{true};
    std::atomic<bool> FHosandModulesInSystem{true};
    std::atomic<int32_t> FTransponderHeightinMM{1500};
    std::atomic<bool> FRestrictAccess{false};
    qel::SharedText FFieldDirectory;
    std::atomic<bool> FFieldSelectionRequired{false};
    std::atomic<bool> FAutoActivateDefaultPreparation{false};
    qel::SharedText FDefaultLanguage{QStringLiteral("EN")};
    std::atomic<int32_t> FWebServerInterfacePort{12345};
    qel::SharedText FNTPTimeServer{QStringLiteral("pool.ntp.org")};
    std::atomic<bool> FAutoSelectFollowing{false};
    qel::SharedText FDefaultMeasurementPitch;
    std::atomic<bool> FMeasurementPitchCanChange{false};
    qel::SharedText FCamFieldDef;
    qel::SharedTextList FCamFieldLines;
    qel::SharedTextList FCamFieldAreas;
    qel::SharedText FSelectedLanguage;

    qel::SharedText FIPAbatecServer;
    qel::SharedText FIPControlePC;
    qel::SharedText FIPUPDReceiverPC;
    std::atomic<bool> FEnableRemoteControl{false};
    std::atomic<bool> FLogCommunication{false};
    std::atomic<int32_t> FLPMPauseTimeInMS{500};
    std::atomic<int32_t> FLPMTPInFieldMM{500};
    std::atomic<int32_t> FLPMTPOffFieldMM{500};
    std::atomic<int32_t> FLPMTPOffFieldTimeMS{1000};
    std::atomic<bool> FLPMTransponder3D{false};
    std::atomic<bool> FLPMStoreDataLog{false};
    qel::SharedText FLPMSavePath;

    qel::SharedText FUserFile{QStringLiteral("..\\cfg\\users.ini")};
    qel::SharedText FTransponderFile{QStringLiteral("..\\cfg\\transponder.ini")};
    qel::SharedText FVideoDir;
    std::atomic<bool> FCleanupVideo{false};
    std::atomic<bool> FCleanupLPMFiles{true};
    std::atomic<int32_t> FStoreLiveDataInterval{100};
    qel::SharedText FPositionFile{QStringLiteral("..\\cfg\\positions.ini")};

    std::atomic<bool> FStartSignalEnabled{false};
    qel::SharedText FStartSignalComPort;
    std::atomic<TDataBits> FStartSignalDataBits{dbFive};
    std::atomic<TBaudRate> FStartSignalBaudRate{brCustom};
    std::atomic<TParityBits> FStartSignalParity{prNone};
    std::atomic<TStopBits> FStartSignalStopBits{sbOneStopBit};

    qel::SharedText FDatabaseConnectionString;

    qel::SharedText FRecordingServerIPAddess{QStringLiteral("127.0.0.1")};
    std::atomic<int32_t> FRecordingServerPortNumber{4001};
    std::atomic<bool> FRecordingServerUNCMount{false};
    qel::SharedText FRecordingServerUNCPath;
    qel::SharedText FRecordingServerUNCUsername;
    qel::SharedText FRecordingServerUNCPassword;
    qel::SharedText FRecordingServerRecordingDir;
    qel::SharedText FRecordingServerTempDir;
    std::atomic<bool> FRecordingServerDeleteTemp{false};
    qel::SharedText FRecordingServerExportDir;
    std::atomic<bool> FRecordingServerCreateSubDirs{true};
    std::atomic<bool> FVideoRecording{false};
    std::atomic<bool> FUseVideoRecordingServer{false};
    std::atomic<bool> FUseGameOnVideoRecording{false};
    std::atomic<bool> FAutoStartVideo{false};
    std::atomic<bool> FDomeControlEnabled{false};
    std::atomic<int32_t> FDomeControlServerPort{4000};
    qel::SharedText FDomeControlServerIP{QStringLiteral("127.0.0.1")};
    qel::SharedText FDomeControlDirectory;
    qel::SharedText FDomeControlIniDir;
    qel::SharedText FGameOnDir;
    qel::SharedText FGameOnDirUser;
    qel::SharedText FGameOnDirPassword;
    qel::SharedText FGameonHost;
    qel::SharedText FNokiaHost{QStringLiteral("127.0.0.1")};
    qel::SharedText FNokiaPassword{QStringLiteral("QTX7358")};
    qel::SharedText FNokiaUsername{QStringLiteral("qelvani")};
    std::atomic<int32_t> FNokiaPort{9998};
    // Written once under FNokiaURLOnce, read-only afterwards.
    mutable std::once_flag FNokiaURLOnce;
    mutable QString FNokiaURL;
    qel::SharedText FQualogyServer;
    qel::SharedText FPosiStageNetUDPDestination{QStringLiteral("236.10.10.10")};
    std::atomic<int32_t> FPosiStageNetPredictTimeMS{0};
    qel::SharedText FSCGUDPDestination;
    qel::SharedText FSCGUDPLocal;
    std::atomic<int32_t> FSCGUDPPort{0};
    // [Piero]: only read and written back; main thread only.
    QString FPieroMachineAddress;
    int32_t FPieroServerPort = 3000;
    int32_t FPieroClientPort = 2003;
    qel::SharedText FBallTrackingPostProcessingLocation;
    qel::SharedText FBallTrackingPostProcessingTool;
    qel::SharedText FBallTrackingPPLUsername;
    qel::SharedText FBallTrackingPPLPassword;

    // Guards the five lists below (not the entries' values, which guard themselves).
    mutable std::recursive_mutex FListLock;
    std::vector<std::shared_ptr<TqelFieldSettings>> FFieldSettings;
    std::vector<std::shared_ptr<TqelEPCConfig>> FExpertPowerControls;
    std::vector<std::shared_ptr<TqelBallTrackingServer>> FBallTrackingServers;
    std::vector<std::shared_ptr<TqelCameraSettings>> FCameras;
    std::vector<std::unique_ptr<TqelUser>> FUsers;
};

// The process-wide settings, created (with defaults, without reading the file) on the first
// call. After the program's static objects are torn down it returns nullptr instead of
// creating a second object.
TqelServerConfig* ServerConfig();
