#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <type_traits>

#include "foundation/settings/category_records.h"
#include "foundation/settings/client_config_lists.h"
#include "foundation/settings/zones.h"
#include "foundation/shared_enums.h"
#include "foundation/text_utils.h"
#include "platform/format_settings.h"
#include "platform/shared_values.h"

class TqelDatabase;

// Ordinals as the client settings and the dataset files store them.
enum TqelSports : uint8_t {
    sportGeneric = 0,
    sportSoccer = 1,
    sportHandball = 3,
    sportHockey = 4,
    sportIceHockey = 6,
    sportTrack = 7,
    sportEquestrian = 8
};

enum TqelPositionAlgorithm : uint8_t {
    posLastKnown,
    posClosestKnown,
    posLinearInterpolation,
    posWeightedAverage,
    posWeightedSportVU
};

enum TqelCopyfileOnAttach : uint8_t { coaAttachOnly, coaCopyFiles, coaMoveFiles };

enum TqelPTZMovements : uint8_t {
    ptzNone,
    ptzXMove,
    ptzYMove,
    ptzZMove,
    ptzXRoll,
    ptzYPitch,
    ptzZYaw
};

namespace qel {

// One stored value of the client settings; the key table in the source maps each to its
// section, key, kind and defaults.
enum ClientValueId : uint16_t {
    cvLoginRequired,
    cvSport,
    cvCheckServerRunning,
    cvNameRepresenting,
    cvAgilityHTMLFile,
    cvBallPostProcessingPath,
    cvBallPostProcessingTool,
    cvIsMainClient,
    cvCanrecord,
    cvUseOldTransponderConfig,
    cvDatabaseConnectionString,
    cvDatabaseFileName,
    cvIPCAPIBaseUrl,
    cvIPCAuthenticationBaseURL,
    cvServerAddress,
    cvServerPort,
    cvServerAutoConnect,
    cvUseAccelerometer,
    cvDatasetDir,
    cvDataSetDirCreateSub,
    cvDataSetDirSubFormat,
    cvReportsDir,
    cvDefaultField,
    cvFieldDir,
    cvVideoDir,
    cvCopyVideoFileOnAttach,
    cvPTZPanDir,
    cvPTZPanSense,
    cvPTZPanThreshold,
    cvPTZPanInvert,
    cvPTZTiltDir,
    cvPTZTiltSense,
    cvPTZTiltThreshold,
    cvPTZTiltInvert,
    cvPTZZoomDir,
    cvPTZZoomSense,
    cvPTZZoomThreshold,
    cvPTZZoomInvert,
    cvCalcHeartbeatInterval,
    cvCalcSpeedFrameInterval,
    cvPositionAlgorithm,
    cvPositionSensitivity,
    cvMaxPower,
    cvMouseWheelSensitivity,
    cvMediaSkipSize,
    cvSpeedInKMH,
    cvTouchScreenMode,
    cvDefaultLanguage,
    cvUseUnicodeIn3DViewer,
    cvDefaultTransponderToString,
    cvSportVUDBServer,
    cvSportVUDBPort,
    cvSportVUDBUser,
    cvSportVUDBPassword,
    cvmiCoachDBServer,
    cvmiCoachDBDatabase,
    cvmiCoachDBPort,
    cvmiCoachDBUser,
    cvmiCoachDBPassword,
    cvStatsWebAddress,
    cvStatsUsername,
    cvStatsPassword,
    cvStatsFilesDir,
    cvStatsLiveAddress,
    cvStatsLivePort,
    cvStatsLiveUsername,
    cvStatsLivePassword,
    cvStatsLiveScheduleFile,
    cvStatsLiveUseUnicode,
    cvSewioLiveAddress,
    cvSewioLivePort,
    cvSewioLiveUseUnicode,
    cvProxyServer,
    cvProxyPort,
    cvProxyUsername,
    cvProxyPassword,
    cvSonyStitchingServer,
    cvSonyStitchingPort,
    cvVuzixServerAddress,
    cvVuzixServerPort,
    cvOculusPort,
    cvOculusEnabled,
    cvNodeJSServerAddress,
    cvNodeJSServerPort,
    cvTimeOnIceClockUrl,
    cvTimeOnIceALGEDevice,
    cvTimeOnIcePeriodDurationInSec,
    cvNOSHeartbeatAddress,
    cvCSVSeperator,
    cvCSVFrequency,
    cvReportExcelTemplate,
    cvReportExcelTraining,
    cvReportSpeedZone,
    cvReportHeartrateZone,
    cvReportAccelerationZone,
    cvReportBodyloadZone,
    cvReportHeartRate1Minute,
    cvNMEAEnabled,
    cvNMEAComPort,
    cvNMEADataBits,
    cvNMEABaudRate,
    cvNMEAParity,
    cvNMEAStopBits,
    cvPieroEnabled,
    cvPieroMachineAddress,
    cvPieroServerPort,
    cvPieroClientPort,
    cvBeyondSportEnabled,
    cvBeyondSportPort,
    cvBeyondSportAddress,
    cvOpenWeatherMapsLocation,
    cvOpenWeatherMapsEnabled,
    cvOpenWeatherMapsAPIKey,
    cvHeartbeatSensitivity,
    cvSelectedLanguage,
    ClientValueCount
};

// Base URLs of the product's cloud services, the defaults of [IPCApplicationSettings].
inline constexpr const char* kIPCAPIBaseUrl = "https://api.qelvani.cloud/";
inline constexpr const char* kIPCAuthenticationBaseURL = "https://identity.qelvani.cloud/";

}  // namespace qel

// Accessor pairs of the stored values: the getter has the property's name, the setter stores a
// differing value and marks the settings modified.
#define QEL_CLIENT_TEXT(aName)                \
    QString aName() const {                   \
        return textValue(qel::cv##aName);     \
    }                                         \
    void set##aName(const QString& aValue) {  \
        setTextValue(qel::cv##aName, aValue); \
    }
#define QEL_CLIENT_INTEGER(aType, aName)                               \
    aType aName() const {                                              \
        return fromOrdinal<aType>(integerValue(qel::cv##aName));       \
    }                                                                  \
    void set##aName(aType aValue) {                                    \
        setIntegerValue(qel::cv##aName, static_cast<int32_t>(aValue)); \
    }
#define QEL_CLIENT_BOOL(aName)                    \
    bool aName() const {                          \
        return integerValue(qel::cv##aName) != 0; \
    }                                             \
    void set##aName(bool aValue) {                \
        setIntegerValue(qel::cv##aName, aValue);  \
    }
#define QEL_CLIENT_FLOAT(aName)                \
    double aName() const {                     \
        return floatValue(qel::cv##aName);     \
    }                                          \
    void set##aName(double aValue) {           \
        setFloatValue(qel::cv##aName, aValue); \
    }
// Folders: read resolved against the executable's folder, stored with a trailing delimiter.
#define QEL_CLIENT_FOLDER(aName)                \
    QString aName() const {                     \
        return folderValue(qel::cv##aName);     \
    }                                           \
    void set##aName(const QString& aValue) {    \
        setFolderValue(qel::cv##aName, aValue); \
    }

// The settings the server shares with its client programs, read from their ini file.
//
// Loaded (and saved, by the client programs) on the main thread. Other threads read while a
// reload runs: the feeds and the live-data computation the categories, the recorder the
// [Weather] values. So every stored value and list lives under FLock; a load reads the file
// into new values and lists aside and swaps them in under the lock, and the list getters hand
// out snapshots that stay valid and unchanged while the reader holds them. The zone lists, the
// transponder defaults and Database belong to the main thread.
class TqelClientConfig : public qel::ChangeTracker {
public:
    TqelClientConfig();
    ~TqelClientConfig();
    TqelClientConfig(const TqelClientConfig&) = delete;
    TqelClientConfig& operator=(const TqelClientConfig&) = delete;

    // Reads the file; a non-empty aFileName first replaces IniFileName. A missing file reads
    // as one without keys. aDontShowMessage goes to the database initialisation. Clears
    // Modified.
    void loadFromIni(const QString& aFileName, bool aDontShowMessage = false);
    // Writes IniFileName after a dated backup of the old file. False, with the reason logged,
    // when the file could not be written.
    bool saveToIni();

    QString IniFileName() const;
    void setIniFileName(const QString& aValue);
    // [General] "IniFileVersion" of the last load; 0 without the key.
    int32_t FileVersion() const;
    // The message of the latest database connection failure of a load.
    QString LoadError() const;
    bool SettingsFromDatabase() const;
    TqelDatabase* Database() const { return FDatabase.get(); }
    const qel::FormatSettings& FormatSetting() const { return FFormatSetting; }

    // --- [General] ---
    QEL_CLIENT_BOOL(LoginRequired)
    QEL_CLIENT_INTEGER(TqelSports, Sport)
    QEL_CLIENT_BOOL(CheckServerRunning)
    QEL_CLIENT_INTEGER(TqelNameRepresenting, NameRepresenting)
    QEL_CLIENT_TEXT(AgilityHTMLFile)
    // Read and written with a trailing path delimiter.
    QString BallPostProcessingPath() const;
    void setBallPostProcessingPath(const QString& aValue);
    QEL_CLIENT_TEXT(BallPostProcessingTool)
    QEL_CLIENT_BOOL(IsMainClient)
    QEL_CLIENT_BOOL(Canrecord)
    QEL_CLIENT_BOOL(UseOldTransponderConfig)

    // --- [Database] ---
    QString DatabaseConnectionString() const;
    // Stores the value and puts it first in the file's connection-string history.
    void setDatabaseConnectionString(const QString& aValue);
    // The history, newest first, as one comma-separated text.
    QString DatabaseConnectionStringHistory() const;

    // --- [IPCApplicationSettings]: the setters append "/" when missing ---
    QString IPCAPIBaseUrl() const { return textValue(qel::cvIPCAPIBaseUrl); }
    void setIPCAPIBaseUrl(const QString& aValue);
    QString IPCAuthenticationBaseURL() const { return textValue(qel::cvIPCAuthenticationBaseURL); }
    void setIPCAuthenticationBaseURL(const QString& aValue);

    // --- [Server] ---
    QEL_CLIENT_TEXT(ServerAddress)
    QEL_CLIENT_TEXT(ServerPort)
    QEL_CLIENT_BOOL(ServerAutoConnect)
    QEL_CLIENT_BOOL(UseAccelerometer)

    // --- [Dataset], [Field], [Files] ---
    QEL_CLIENT_FOLDER(DatasetDir)
    QEL_CLIENT_BOOL(DataSetDirCreateSub)
    QEL_CLIENT_TEXT(DataSetDirSubFormat)
    QEL_CLIENT_FOLDER(ReportsDir)
    // FieldDir followed by the stored file name; the setter keeps only the name.
    QString DefaultField() const;
    void setDefaultField(const QString& aValue);
    QString GetDefaultField() const { return DefaultField(); }
    QEL_CLIENT_FOLDER(FieldDir)
    QString GetFieldDir() const { return FieldDir(); }
    QEL_CLIENT_FOLDER(VideoDir)
    QEL_CLIENT_INTEGER(TqelCopyfileOnAttach, CopyVideoFileOnAttach)

    // --- [PTZ Controller] ---
    QEL_CLIENT_INTEGER(TqelPTZMovements, PTZPanDir)
    QEL_CLIENT_INTEGER(int32_t, PTZPanSense)
    QEL_CLIENT_INTEGER(int32_t, PTZPanThreshold)
    QEL_CLIENT_BOOL(PTZPanInvert)
    QEL_CLIENT_INTEGER(TqelPTZMovements, PTZTiltDir)
    QEL_CLIENT_INTEGER(int32_t, PTZTiltSense)
    QEL_CLIENT_INTEGER(int32_t, PTZTiltThreshold)
    QEL_CLIENT_BOOL(PTZTiltInvert)
    QEL_CLIENT_INTEGER(TqelPTZMovements, PTZZoomDir)
    QEL_CLIENT_INTEGER(int32_t, PTZZoomSense)
    QEL_CLIENT_INTEGER(int32_t, PTZZoomThreshold)
    QEL_CLIENT_BOOL(PTZZoomInvert)

    // --- [Calculations] ---
    QEL_CLIENT_INTEGER(int32_t, CalcHeartbeatInterval)
    QEL_CLIENT_INTEGER(int32_t, CalcSpeedFrameInterval)
    QEL_CLIENT_INTEGER(TqelPositionAlgorithm, PositionAlgorithm)
    QEL_CLIENT_INTEGER(int32_t, PositionSensitivity)
    QEL_CLIENT_FLOAT(MaxPower)
    // Not stored in the file.
    QEL_CLIENT_INTEGER(int32_t, HeartbeatSensitivity)

    // --- [User Interface] ---
    QEL_CLIENT_INTEGER(int32_t, MouseWheelSensitivity)
    QEL_CLIENT_INTEGER(int32_t, MediaSkipSize)
    QEL_CLIENT_BOOL(SpeedInKMH)
    QEL_CLIENT_BOOL(TouchScreenMode)
    QString DefaultLanguage() const { return textValue(qel::cvDefaultLanguage); }
    // Sets SelectedLanguage as well.
    void setDefaultLanguage(const QString& aValue);
    // The language in use; not stored in the file.
    QEL_CLIENT_TEXT(SelectedLanguage)
    QEL_CLIENT_BOOL(UseUnicodeIn3DViewer)

    // --- [Visibility] ---
    QEL_CLIENT_INTEGER(TqelTransponderToStringType, DefaultTransponderToString)

    // --- Services of the client programs ---
    QEL_CLIENT_TEXT(SportVUDBServer)
    QEL_CLIENT_TEXT(SportVUDBPort)
    QEL_CLIENT_TEXT(SportVUDBUser)
    QEL_CLIENT_TEXT(SportVUDBPassword)
    QEL_CLIENT_TEXT(miCoachDBServer)
    QEL_CLIENT_TEXT(miCoachDBDatabase)
    QEL_CLIENT_TEXT(miCoachDBPort)
    QEL_CLIENT_TEXT(miCoachDBUser)
    QEL_CLIENT_TEXT(miCoachDBPassword)
    QEL_CLIENT_TEXT(StatsWebAddress)
    QEL_CLIENT_TEXT(StatsUsername)
    QEL_CLIENT_TEXT(StatsPassword)
    QEL_CLIENT_FOLDER(StatsFilesDir)
    QEL_CLIENT_TEXT(StatsLiveAddress)
    QEL_CLIENT_INTEGER(int32_t, StatsLivePort)
    QEL_CLIENT_TEXT(StatsLiveUsername)
    QEL_CLIENT_TEXT(StatsLivePassword)
    // Read through the folder resolution, as the client programs expect.
    QString StatsLiveScheduleFile() const { return folderValue(qel::cvStatsLiveScheduleFile); }
    void setStatsLiveScheduleFile(const QString& aValue) {
        setTextValue(qel::cvStatsLiveScheduleFile, aValue);
    }
    QEL_CLIENT_BOOL(StatsLiveUseUnicode)
    QEL_CLIENT_TEXT(SewioLiveAddress)
    QEL_CLIENT_INTEGER(int32_t, SewioLivePort)
    QEL_CLIENT_BOOL(SewioLiveUseUnicode)
    QEL_CLIENT_TEXT(ProxyServer)
    QEL_CLIENT_INTEGER(int32_t, ProxyPort)
    QEL_CLIENT_TEXT(ProxyUsername)
    QEL_CLIENT_TEXT(ProxyPassword)
    QEL_CLIENT_TEXT(SonyStitchingServer)
    QEL_CLIENT_INTEGER(int32_t, SonyStitchingPort)
    QEL_CLIENT_TEXT(VuzixServerAddress)
    QEL_CLIENT_INTEGER(int32_t, VuzixServerPort)
    QEL_CLIENT_INTEGER(int32_t, OculusPort)
    QEL_CLIENT_BOOL(OculusEnabled)
    bool OculusUse() const { return OculusEnabled(); }
    QEL_CLIENT_TEXT(NodeJSServerAddress)
    QEL_CLIENT_INTEGER(int32_t, NodeJSServerPort)
    QEL_CLIENT_TEXT(TimeOnIceClockUrl)
    QEL_CLIENT_BOOL(TimeOnIceALGEDevice)
    uint32_t TimeOnIcePeriodDurationInSec() const {
        return static_cast<uint32_t>(integerValue(qel::cvTimeOnIcePeriodDurationInSec));
    }
    void setTimeOnIcePeriodDurationInSec(uint32_t aValue) {
        setIntegerValue(qel::cvTimeOnIcePeriodDurationInSec, static_cast<int32_t>(aValue));
    }
    QEL_CLIENT_TEXT(NOSHeartbeatAddress)
    QEL_CLIENT_TEXT(CSVSeperator)
    QEL_CLIENT_INTEGER(int32_t, CSVFrequency)
    QEL_CLIENT_TEXT(ReportExcelTemplate)
    QEL_CLIENT_TEXT(ReportExcelTraining)
    QEL_CLIENT_INTEGER(int32_t, ReportSpeedZone)
    QEL_CLIENT_INTEGER(int32_t, ReportHeartrateZone)
    QEL_CLIENT_INTEGER(int32_t, ReportAccelerationZone)
    QEL_CLIENT_INTEGER(int32_t, ReportBodyloadZone)
    QEL_CLIENT_BOOL(ReportHeartRate1Minute)
    QEL_CLIENT_BOOL(NMEAEnabled)
    QEL_CLIENT_TEXT(NMEAComPort)
    QEL_CLIENT_INTEGER(int32_t, NMEADataBits)
    QEL_CLIENT_INTEGER(int32_t, NMEABaudRate)
    QEL_CLIENT_INTEGER(int32_t, NMEAParity)
    QEL_CLIENT_INTEGER(int32_t, NMEAStopBits)
    QEL_CLIENT_BOOL(PieroEnabled)
    QEL_CLIENT_TEXT(PieroMachineAddress)
    QEL_CLIENT_INTEGER(int32_t, PieroServerPort)
    QEL_CLIENT_INTEGER(int32_t, PieroClientPort)
    QEL_CLIENT_BOOL(BeyondSportEnabled)
    QEL_CLIENT_INTEGER(int32_t, BeyondSportPort)
    QEL_CLIENT_TEXT(BeyondSportAddress)

    // --- [Weather] (read by the recorder's pool task) ---
    QEL_CLIENT_TEXT(OpenWeatherMapsLocation)
    QEL_CLIENT_BOOL(OpenWeatherMapsEnabled)
    QEL_CLIENT_TEXT(OpenWeatherMapsAPIKey)

    // The video player's install folder, from the player's own settings of the user, else of
    // the machine; writing keeps a per-user folder only where it differs from the machine's.
    QString VLCInstallDirectory();
    void setVLCInstallDirectory(const QString& aValue);

    // --- Zones (main thread) ---
    TqelZones& AbsoluteSpeedZones() { return FZones[0]; }
    TqelZones& RelativeSpeedZones() { return FZones[1]; }
    TqelZones& AbsoluteHeartbeatZones() { return FZones[2]; }
    TqelZones& RelativeHeartbeatZones() { return FZones[3]; }
    TqelZones& AbsoluteAccelerationZones() { return FZones[4]; }
    TqelZones& RelativeAccelerationZones() { return FZones[5]; }
    TqelZones& AbsoluteDecelerationZones() { return FZones[6]; }
    TqelZones& RelativeDecelerationZones() { return FZones[7]; }
    TqelZones& AbsolutePowerZones() { return FZones[8]; }
    TqelZones& RelativePowerZones() { return FZones[9]; }
    int32_t getAbsoluteSpeedZoneIndexFor(double aSpeed) const {
        return qel::ZoneIndexFor(FZones[0], aSpeed);
    }
    uint32_t getColorForAbsoluteSpeedZone(double aSpeed) const {
        return qel::ZoneColorFor(FZones[0], aSpeed);
    }

    // --- Lists: each call gives a copy that shares the loaded data (implicitly shared, so no
    // items are copied) and that later loads leave unchanged ---
    qel::SprintCategoryList SprintCategories() const;
    qel::ImpactCategoryList ImpactCategories() const;
    qel::AccelCategoryList AccelCategories() const;
    qel::AccelCategoryList DecelCategories() const;
    qel::EventTimeList EventTimes() const;
    QStringList ExerciseNames() const;
    QStringList CSVExportSelectedFields() const;
    // Replace a whole list (the client programs' editors).
    void setSprintCategories(const qel::SprintCategoryList& aList);
    void setImpactCategories(const qel::ImpactCategoryList& aList);
    void setAccelCategories(const qel::AccelCategoryList& aList);
    void setDecelCategories(const qel::AccelCategoryList& aList);
    void setEventTimes(const qel::EventTimeList& aList);
    void setExerciseNames(const QStringList& aList);
    void setCSVExportSelectedFields(const QStringList& aList);

    int32_t EventTimeBeforeInMS() const;
    void setEventTimeBeforeInMS(int32_t aValue);
    int32_t EventTimeAfterInMS() const;
    void setEventTimeAfterInMS(int32_t aValue);
    // The window of the first event time of exactly that description, else the global one.
    RqelEventTime GetEventTime(const QString& aDescription) const;

    // Entry anIndex of the transponder defaults (main thread), to read or change. Ids beyond
    // 0 .. 99 get a scratch entry holding the built-in values, so a caller never reaches
    // outside the table.
    RqelTransponderDefaults& getTransponderDefault(int32_t anIndex);

private:
    // The raw value of one key; booleans and integers in Int.
    struct Value {
        int32_t Int = 0;
        double Float = 0;
        QString Text;
    };
    using Values = std::array<Value, qel::ClientValueCount>;

    template <typename T>
    static T fromOrdinal(int32_t aValue) {
        if constexpr (std::is_enum_v<T>) {
            return static_cast<T>(static_cast<std::underlying_type_t<T>>(aValue));
        } else {
            return static_cast<T>(aValue);
        }
    }

    QString textValue(qel::ClientValueId anId) const;
    void setTextValue(qel::ClientValueId anId, const QString& aValue);
    int32_t integerValue(qel::ClientValueId anId) const;
    void setIntegerValue(qel::ClientValueId anId, int32_t aValue);
    double floatValue(qel::ClientValueId anId) const;
    void setFloatValue(qel::ClientValueId anId, double aValue);
    QString folderValue(qel::ClientValueId anId) const;
    void setFolderValue(qel::ClientValueId anId, const QString& aValue);
    Values valuesSnapshot() const;

    void loadLists(const qel::IniFile& anIni);
    void saveValues(qel::IniFile& anIni, const Values& aValues) const;

    mutable std::mutex FLock;
    // Everything below up to the zone lists is guarded by FLock.
    Values FValues;
    QString FIniFileName;
    int32_t FFileVersion = 0;
    QString FLoadError;
    bool FSettingsFromDatabase = false;
    qel::SprintCategoryList FSprintCategories;
    qel::ImpactCategoryList FImpactCategories;
    qel::AccelCategoryList FAccelCategories;
    qel::AccelCategoryList FDecelCategories;
    qel::EventTimeList FEventTimes;
    int32_t FEventTimeBeforeInMS = 0;
    int32_t FEventTimeAfterInMS = 0;
    QStringList FExerciseNames;
    QStringList FCSVExportSelectedFields;

    // Main thread only.
    std::array<TqelZones, 10> FZones;
    std::array<RqelTransponderDefaults, qel::kTransponderDefaultCount> FTransponderDefaults;
    RqelTransponderDefaults FOutOfRangeDefault;
    std::unique_ptr<TqelDatabase> FDatabase;
    qel::FormatSettings FFormatSetting;
    QString FVLCInstallDirectory;
};

#undef QEL_CLIENT_TEXT
#undef QEL_CLIENT_INTEGER
#undef QEL_CLIENT_BOOL
#undef QEL_CLIENT_FLOAT
#undef QEL_CLIENT_FOLDER

// The process-wide client settings, created with their creation defaults on the first call
// (on the main thread, before other threads start). Freed with the application object (or, when
// there never was one, with the program's static objects); returns nullptr from then on.
TqelClientConfig* ClientConfig();
