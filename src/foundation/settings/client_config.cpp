#include "foundation/settings/client_config.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <span>

#include "database/database.h"
#include "foundation/logging/logger.h"
#include "foundation/settings/colors.h"
#include "foundation/settings/settings_write_rules.h"
#include "foundation/system/relative_paths.h"
#include "platform/exception.h"
#include "platform/ini_file.h"
#include "platform/text_compare.h"

using namespace qel;

namespace {

const QChar kDot = QLatin1Char('.');
const QString kGeneralSection = QStringLiteral("General");
const QString kDatabaseSection = QStringLiteral("Database");
const QString kHistorySection = QStringLiteral("DatabaseConnectionStrings");
constexpr int32_t kHistoryLength = 10;
constexpr int32_t kIniFileVersion = 2;

enum class KeyKind : uint8_t { Text, Password, Folder, Integer, Bool, Float };
// Fixed: a missing key gives the table's load default. Current: it keeps the held value.
// ServerPair: as Current, but read only when [Server] "Address" exists.
enum class LoadRule : uint8_t { Fixed, Current, ServerPair };
// Rule: the write rules against the save default. Always: written as it stands. None: the
// save leaves the key alone.
enum class SaveRule : uint8_t { Rule, Always, None };

struct Default {
    double Number = 0;
    const char* Text = "";
};

struct KeyRow {
    ClientValueId Id;
    const char* Section;
    const char* Key;
    KeyKind Kind;
    LoadRule Load;
    SaveRule Save;
    Default LoadDefault;
    Default SaveDefault;
};

// Host names of the statistics provider's live feed: the save default differs from the load
// default, so that the value a new object holds is always written.
constexpr const char* kStatsLiveHost = "livefeed.qelstats.net";
constexpr const char* kStatsLiveShortHost = "qelstats.net";

constexpr auto T = KeyKind::Text;
constexpr auto P = KeyKind::Password;
constexpr auto D = KeyKind::Folder;
constexpr auto I = KeyKind::Integer;
constexpr auto B = KeyKind::Bool;
constexpr auto F = KeyKind::Float;
constexpr auto Fixed = LoadRule::Fixed;
constexpr auto Current = LoadRule::Current;
constexpr auto Rule = SaveRule::Rule;
constexpr auto Always = SaveRule::Always;

// Every single-valued key of the file, in the order the load reads them.
constexpr KeyRow kKeys[] = {
    // Read once more before the others, for the database initialisation.
    {cvDatabaseConnectionString, "Database", "Connectionstring", T, Fixed, Rule, {}, {}},
    {cvIPCAPIBaseUrl,
     "IPCApplicationSettings",
     "APIBaseUrl",
     T,
     Fixed,
     Rule,
     {.Text = kIPCAPIBaseUrl},
     {.Text = kIPCAPIBaseUrl}},
    {cvIPCAuthenticationBaseURL,
     "IPCApplicationSettings",
     "AuthenticationBaseUrl",
     T,
     Fixed,
     Rule,
     {.Text = kIPCAuthenticationBaseURL},
     {.Text = kIPCAuthenticationBaseURL}},
    {cvLoginRequired, "General", "Login Required", B, Fixed, Rule, {}, {}},
    {cvSport, "General", "Default Sporttype", I, Fixed, Rule, {}, {}},
    {cvCheckServerRunning, "General", "Check Server Running", B, Fixed, Rule, {}, {}},
    {cvServerAddress,
     "Server",
     "Address",
     T,
     LoadRule::ServerPair,
     Rule,
     {.Text = "127.0.0.1"},
     {.Text = "127.0.0.1"}},
    {cvServerPort,
     "Server",
     "Port",
     T,
     LoadRule::ServerPair,
     Rule,
     {.Text = "2378"},
     {.Text = "2378"}},
    {cvServerAutoConnect, "Server", "AutoConnect", B, Fixed, Rule, {1}, {1}},
    {cvUseAccelerometer, "Server", "UseTelemetryID", B, Fixed, Rule, {1}, {1}},
    {cvDatasetDir,
     "Dataset",
     "Directory",
     D,
     Current,
     Rule,
     {.Text = "..\\data\\"},
     {.Text = "..\\data\\"}},
    {cvDataSetDirCreateSub, "Dataset", "CreateSubDirs", B, Fixed, Rule, {}, {}},
    {cvDataSetDirSubFormat, "DataSet", "SubDirFormat", T, Fixed, Rule, {}, {}},
    {cvReportsDir,
     "Dataset",
     "ReportsDir",
     D,
     Current,
     Rule,
     {.Text = "..\\Reports\\"},
     {.Text = "..\\Reports\\"}},
    {cvDefaultField, "Field", "Default", T, Current, Rule, {}, {}},
    {cvPTZPanDir, "PTZ Controller", "Pan Dir", I, Fixed, Rule, {ptzZYaw}, {}},
    {cvPTZPanSense, "PTZ Controller", "Pan Sense", I, Fixed, Rule, {10}, {}},
    {cvPTZPanThreshold, "PTZ Controller", "Pan Threshold", I, Fixed, Rule, {10}, {}},
    {cvPTZPanInvert, "PTZ Controller", "Pan Invert", B, Fixed, Rule, {}, {}},
    {cvPTZTiltDir, "PTZ Controller", "Tilt Dir", I, Fixed, Rule, {ptzXRoll}, {}},
    {cvPTZTiltSense, "PTZ Controller", "Tilt Sense", I, Fixed, Rule, {10}, {}},
    {cvPTZTiltThreshold, "PTZ Controller", "Tilt Threshold", I, Fixed, Rule, {10}, {}},
    {cvPTZTiltInvert, "PTZ Controller", "Tilt Invert", B, Fixed, Rule, {}, {}},
    {cvPTZZoomDir, "PTZ Controller", "Zoom Dir", I, Fixed, Rule, {ptzYMove}, {}},
    {cvPTZZoomSense, "PTZ Controller", "Zoom Sense", I, Fixed, Rule, {10}, {}},
    {cvPTZZoomThreshold, "PTZ Controller", "Zoom Threshold", I, Fixed, Rule, {10}, {}},
    {cvPTZZoomInvert, "PTZ Controller", "Zoom Invert", B, Fixed, Rule, {}, {}},
    {cvCalcHeartbeatInterval,
     "Calculations",
     "CalcHeartbeatInterval",
     I,
     Current,
     Rule,
     {5000},
     {5000}},
    {cvCalcSpeedFrameInterval,
     "Calculations",
     "CalcSpeedFrameInterval",
     I,
     Current,
     Rule,
     {500},
     {500}},
    {cvPositionAlgorithm,
     "Calculations",
     "PositionAlgorithm",
     I,
     Current,
     Rule,
     {posWeightedAverage},
     {posWeightedAverage}},
    {cvPositionSensitivity, "Calculations", "PositionSensitivity", I, Current, Rule, {100}, {100}},
    {cvMaxPower, "Calculations", "MaxPower", F, Current, Rule, {50}, {50}},
    {cvAgilityHTMLFile, "General", "Agility HTML File", T, Fixed, Rule, {}, {}},
    {cvFieldDir,
     "Files",
     "FieldDir",
     D,
     Current,
     Rule,
     {.Text = "..\\field\\"},
     {.Text = "..\\field\\"}},
    // The empty folder resolves to the executable's.
    {cvVideoDir, "Files", "VideoDir", D, Current, Rule, {}, {}},
    {cvCopyVideoFileOnAttach,
     "Files",
     "CopyVideofileOnAttach",
     I,
     Current,
     Rule,
     {coaCopyFiles},
     {coaCopyFiles}},
    {cvMouseWheelSensitivity,
     "User Interface",
     "MouseWheelSensitivity",
     I,
     Current,
     Rule,
     {120},
     {120}},
    {cvMediaSkipSize, "User Interface", "Media Skip Size", I, Current, Rule, {30000}, {30000}},
    {cvSpeedInKMH, "User Interface", "Speed in km/h", B, Current, Rule, {}, {}},
    {cvNameRepresenting,
     "General",
     "NameRepresenting",
     I,
     Fixed,
     Rule,
     {nrpFirstLast},
     {nrpFirstLast}},
    {cvTouchScreenMode, "User Interface", "Touch Screen Mode", B, Fixed, Rule, {}, {}},
    {cvDatabaseFileName, "Database", "AccesDB", T, Current, SaveRule::None, {}, {}},
    {cvDefaultLanguage, "User Interface", "Language", T, Current, Rule, {}, {}},
    {cvUseUnicodeIn3DViewer, "User Interface", "Use Unicode In 3D Viewer", B, Fixed, Rule, {}, {}},
    {cvSportVUDBServer,
     "SportVU Database",
     "Server",
     T,
     Current,
     Rule,
     {.Text = "localhost"},
     {.Text = "localhost"}},
    {cvSportVUDBPort,
     "SportVU Database",
     "Port",
     T,
     Current,
     Rule,
     {.Text = "3306"},
     {.Text = "3306"}},
    {cvSportVUDBUser,
     "SportVU Database",
     "User",
     T,
     Current,
     Rule,
     {.Text = "root"},
     {.Text = "root"}},
    {cvSportVUDBPassword, "SportVU Database", "Password", P, Fixed, Rule, {}, {}},
    {cvmiCoachDBServer,
     "miCoach Database",
     "Server",
     T,
     Current,
     Rule,
     {.Text = "localhost"},
     {.Text = "localhost"}},
    {cvmiCoachDBDatabase,
     "miCoach Database",
     "Database",
     T,
     Current,
     Rule,
     {.Text = "mits_bs_db"},
     {.Text = "mits_bs_db"}},
    {cvmiCoachDBPort,
     "miCoach Database",
     "Port",
     T,
     Current,
     Rule,
     {.Text = "5432"},
     {.Text = "5432"}},
    {cvmiCoachDBUser,
     "miCoach Database",
     "User",
     T,
     Current,
     Rule,
     {.Text = "postgres"},
     {.Text = "postgres"}},
    {cvmiCoachDBPassword, "miCoach Database", "Password", P, Fixed, Rule, {}, {}},
    {cvStatsWebAddress, "Stats", "WebAddress", T, Current, Rule, {}, {}},
    {cvStatsUsername, "Stats", "Username", T, Current, Rule, {}, {}},
    {cvStatsPassword, "Stats", "Password", P, Fixed, Rule, {}, {}},
    {cvStatsFilesDir,
     "Stats",
     "FileDirectory",
     D,
     Current,
     Rule,
     {.Text = "..\\Stats\\"},
     {.Text = "..\\Stats\\"}},
    {cvStatsLiveAddress,
     "StatsLive",
     "Address",
     T,
     Current,
     Rule,
     {.Text = kStatsLiveHost},
     {.Text = kStatsLiveShortHost}},
    {cvStatsLivePort, "StatsLive", "PortNumber", I, Current, Rule, {31151}, {31151}},
    {cvStatsLiveUsername, "StatsLive", "Username", T, Current, Rule, {}, {}},
    {cvStatsLivePassword, "StatsLive", "Password", P, Fixed, Rule, {}, {}},
    {cvStatsLiveScheduleFile,
     "StatsLive",
     "Schedule",
     T,
     Current,
     Rule,
     {.Text = "schedule.xml"},
     {}},
    {cvStatsLiveUseUnicode, "StatsLive", "Use unicode", B, Current, Rule, {}, {}},
    {cvSewioLiveAddress,
     "SewioLive",
     "Address",
     T,
     Current,
     Rule,
     {.Text = "0.0.0.0"},
     {.Text = "0.0.0.0"}},
    {cvSewioLivePort, "SewioLive", "PortNumber", I, Current, Rule, {5300}, {5300}},
    {cvSewioLiveUseUnicode, "SewioLive", "Use unicode", B, Current, Rule, {}, {}},
    {cvProxyServer, "Proxy", "Server", T, Current, Rule, {}, {}},
    {cvProxyPort, "Proxy", "Port", I, Current, Rule, {8080}, {8080}},
    {cvProxyUsername, "Proxy", "User", T, Current, Rule, {}, {}},
    {cvProxyPassword, "Proxy", "Password", P, Fixed, Rule, {}, {}},
    {cvBallPostProcessingPath, "General", "BallPostProcessingPath", T, Fixed, Rule, {}, {}},
    // Its load default is built from the path (see loadFromIni).
    {cvBallPostProcessingTool, "General", "BallPostProcessingTool", T, Fixed, Rule, {}, {}},
    {cvSonyStitchingServer, "Sony", "Stitching server", T, Fixed, Rule, {}, {}},
    {cvSonyStitchingPort, "Sony", "Stitching port", I, Fixed, Rule, {8000}, {8000}},
    {cvVuzixServerAddress, "Vuzix", "Server Address", T, Current, Rule, {.Text = "127.0.0.1"}, {}},
    {cvVuzixServerPort, "Vuzix", "PortNumber", I, Current, Rule, {9000}, {9000}},
    {cvOculusPort, "Oculus", "PortNumber", I, Current, Rule, {9501}, {9501}},
    {cvOculusEnabled, "Oculus", "Enabled", B, Fixed, Rule, {}, {}},
    {cvNodeJSServerAddress,
     "NodeServer",
     "Server Address",
     T,
     Current,
     Rule,
     {.Text = "127.0.0.1"},
     {}},
    {cvNodeJSServerPort, "NodeServer", "PortNumber", I, Current, Rule, {9227}, {9227}},
    {cvTimeOnIceClockUrl, "Time On Ice", "ClockUrl", T, Fixed, Rule, {}, {}},
    {cvTimeOnIceALGEDevice, "Time On Ice", "IsALGEDevice", B, Fixed, Rule, {}, {}},
    {cvTimeOnIcePeriodDurationInSec,
     "Time On Ice",
     "Period Duration In Sec",
     I,
     Fixed,
     Rule,
     {1200},
     {1200}},
    {cvNOSHeartbeatAddress, "NOS Heartbeat", "Address", T, Fixed, Rule, {.Text = "127.0.0.1"}, {}},
    {cvIsMainClient, "General", "Is Main Client", B, Fixed, Rule, {}, {}},
    {cvCanrecord, "General", "Can Record", B, Fixed, Rule, {}, {}},
    {cvUseOldTransponderConfig, "General", "Use old Transponder config", B, Fixed, Rule, {}, {}},
    {cvCSVSeperator, "CSV export", "Seperator", T, Current, Rule, {.Text = ","}, {.Text = ","}},
    {cvCSVFrequency, "CSV export", "Frequency", I, Current, Rule, {10}, {10}},
    {cvReportExcelTemplate, "Reports", "Excel template", T, Current, Rule, {}, {}},
    {cvReportExcelTraining, "Reports", "Taining template", T, Current, Rule, {}, {}},
    {cvReportSpeedZone, "Reports", "SpeedZone", I, Current, Rule, {}, {}},
    {cvReportHeartrateZone, "Reports", "HeartrateZone", I, Current, Rule, {}, {}},
    {cvReportAccelerationZone, "Reports", "AccelerationZone", I, Current, Rule, {}, {}},
    {cvReportBodyloadZone, "Reports", "BodyloadZone", I, Current, Rule, {}, {}},
    {cvReportHeartRate1Minute, "Reports", "HeartRate1Minute", B, Current, Rule, {}, {}},
    {cvDefaultTransponderToString,
     "Visibility",
     "TransponderToString",
     I,
     Current,
     Rule,
     {ttsNameAndShirtNumber},
     {ttsNameAndShirtNumber}},
    {cvNMEAEnabled, "NMEA", "Enabled", B, Fixed, Always, {}, {}},
    {cvNMEAComPort, "NMEA", "Comport", T, Fixed, Always, {}, {}},
    {cvNMEADataBits, "NMEA", "Databits", I, Fixed, Always, {8}, {}},
    {cvNMEABaudRate, "NMEA", "BaudRate", I, Fixed, Always, {9600}, {}},
    {cvNMEAParity, "NMEA", "PartityBits", I, Fixed, Always, {}, {}},
    {cvNMEAStopBits, "NMEA", "StopBits", I, Fixed, Always, {}, {}},
    {cvPieroEnabled, "Piero", "Enabled", B, Fixed, Rule, {}, {}},
    {cvPieroMachineAddress, "Piero", "Hostname", T, Fixed, Rule, {}, {}},
    {cvPieroServerPort, "Piero", "ServerPort", I, Fixed, Rule, {3000}, {3000}},
    {cvPieroClientPort, "Piero", "ClientPort", I, Fixed, Rule, {2003}, {2003}},
    {cvBeyondSportEnabled, "BeyondSport", "Enabled", B, Fixed, Rule, {}, {}},
    {cvBeyondSportPort, "BeyondSport", "Port", I, Fixed, Rule, {}, {}},
    {cvBeyondSportAddress, "BeyondSport", "Address", T, Fixed, Rule, {}, {}},
    {cvOpenWeatherMapsLocation, "Weather", "Location", T, Fixed, Rule, {}, {}},
    {cvOpenWeatherMapsEnabled, "Weather", "Enabled", B, Fixed, Rule, {}, {}},
    {cvOpenWeatherMapsAPIKey, "Weather", "APIKey", T, Fixed, Rule, {}, {}},
};

// The ten zone lists: load and save spell the section names differently; both address the
// same sections. Deceleration lists are read like the acceleration list of their kind.
struct ZoneListRow {
    const char* LoadBase;
    const char* SaveBase;
    const ZoneTable* Table;
    int Like;
};
constexpr ZoneListRow kZoneLists[] = {
    {"Absolute speed zone ", "Absolute speed zone ", &kAbsoluteSpeedZones, -1},
    {"Relative speed zone ", "Relative speed zone ", &kRelativeSpeedZones, -1},
    {"Absolute heartbeat zone ", "Absolute Heartbeat Zone ", &kAbsoluteHeartbeatZones, -1},
    {"Relative heartbeat zone ", "Relative Heartbeat Zone ", &kRelativeHeartbeatZones, -1},
    {"Absolute acceleration zone ", "Absolute Acceleration Zone ", &kAbsoluteAccelerationZones, -1},
    {"Relative acceleration zone ", "Relative Acceleration Zone ", &kRelativeAccelerationZones, -1},
    {"Absolute deceleration zone ", "Absolute Deceleration Zone ", &kAbsoluteAccelerationZones, 4},
    {"Relative deceleration zone ", "Relative Deceleration Zone ", &kRelativeAccelerationZones, 5},
    {"Absolute power zone ", "Absolute Power Zone ", &kAbsolutePowerZones, -1},
    {"Relative power zone ", "Relative Power Zone ", &kRelativePowerZones, -1},
};

QString Text(const char* aText) {
    return QString::fromLatin1(aText);
}

bool EndsWithDelimiter(const QString& aPath) {
    return aPath.endsWith(u'/') || aPath.endsWith(u'\\');
}

// A Windows path from a client program's file keeps its own delimiter.
QString WithDelimiter(const QString& aPath) {
    if (EndsWithDelimiter(aPath)) {
        return aPath;
    }
    return aPath + (aPath.contains(u'\\') && !aPath.contains(u'/') ? u'\\' : u'/');
}

// A zone colour that is neither a colour name nor a number would end the zone load: such a key
// is dropped from the file's image, so the zone takes its default colour, and logged.
void DropUnreadableZoneColors(IniFile& anIni) {
    const QString color = QStringLiteral("Color");
    for (const QString& section : anIni.ReadSections()) {
        if (!section.contains(QStringLiteral("zone "), Qt::CaseInsensitive) ||
            !anIni.ValueExists(section, color)) {
            continue;
        }
        const QString text = anIni.ReadString(section, color, QString());
        try {
            TextToColor(text);
        } catch (const EConvertError&) {
            anIni.DeleteKey(section, color);
            Logger().error(QStringLiteral("Client settings: [%1] Color \"%2\" is no colour, the "
                                          "zone's default colour taken")
                               .arg(section, text));
        }
    }
}

}  // namespace

// --- Creation ---

TqelClientConfig::TqelClientConfig() : FDatabase(std::make_unique<TqelDatabase>()) {
    FIniFileName = WithDelimiter(ExecutableFolder()) +
                   QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                   QStringLiteral(".ini");
    for (const KeyRow& row : kKeys) {
        if (row.Load == LoadRule::Fixed) {
            continue;
        }
        Value& value = FValues[row.Id];
        value.Int = static_cast<int32_t>(row.LoadDefault.Number);
        value.Float = row.LoadDefault.Number;
        value.Text = row.Kind == KeyKind::Folder ? ResolveRelativePath(Text(row.LoadDefault.Text))
                                                 : Text(row.LoadDefault.Text);
    }
    FValues[cvHeartbeatSensitivity].Int = 75;
    for (size_t i = 0; i < FZones.size(); ++i) {
        FillZones(FZones[i], *kZoneLists[i].Table, ZoneTableHigh);
    }
    for (int32_t i = 0; i < kTransponderDefaultCount; ++i) {
        FTransponderDefaults[i] = BuiltInTransponderDefault(i);
    }
}

TqelClientConfig::~TqelClientConfig() = default;

// --- Values ---

QString TqelClientConfig::textValue(ClientValueId anId) const {
    std::lock_guard lock(FLock);
    return FValues[anId].Text;
}

void TqelClientConfig::setTextValue(ClientValueId anId, const QString& aValue) {
    std::lock_guard lock(FLock);
    if (FValues[anId].Text != aValue) {
        FValues[anId].Text = aValue;
        markModified();
    }
}

int32_t TqelClientConfig::integerValue(ClientValueId anId) const {
    std::lock_guard lock(FLock);
    return FValues[anId].Int;
}

void TqelClientConfig::setIntegerValue(ClientValueId anId, int32_t aValue) {
    std::lock_guard lock(FLock);
    if (FValues[anId].Int != aValue) {
        FValues[anId].Int = aValue;
        markModified();
    }
}

double TqelClientConfig::floatValue(ClientValueId anId) const {
    std::lock_guard lock(FLock);
    return FValues[anId].Float;
}

void TqelClientConfig::setFloatValue(ClientValueId anId, double aValue) {
    std::lock_guard lock(FLock);
    if (FValues[anId].Float != aValue) {
        FValues[anId].Float = aValue;
        markModified();
    }
}

QString TqelClientConfig::folderValue(ClientValueId anId) const {
    return ResolveRelativePath(textValue(anId));
}

void TqelClientConfig::setFolderValue(ClientValueId anId, const QString& aValue) {
    setTextValue(anId, WithDelimiter(aValue));
}

TqelClientConfig::Values TqelClientConfig::valuesSnapshot() const {
    std::lock_guard lock(FLock);
    return FValues;
}

QString TqelClientConfig::IniFileName() const {
    std::lock_guard lock(FLock);
    return FIniFileName;
}

void TqelClientConfig::setIniFileName(const QString& aValue) {
    std::lock_guard lock(FLock);
    FIniFileName = aValue;
}

int32_t TqelClientConfig::FileVersion() const {
    std::lock_guard lock(FLock);
    return FFileVersion;
}

QString TqelClientConfig::LoadError() const {
    std::lock_guard lock(FLock);
    return FLoadError;
}

bool TqelClientConfig::SettingsFromDatabase() const {
    std::lock_guard lock(FLock);
    return FSettingsFromDatabase;
}

QString TqelClientConfig::BallPostProcessingPath() const {
    return WithDelimiter(textValue(cvBallPostProcessingPath));
}

void TqelClientConfig::setBallPostProcessingPath(const QString& aValue) {
    setTextValue(cvBallPostProcessingPath, WithDelimiter(aValue));
}

void TqelClientConfig::setIPCAPIBaseUrl(const QString& aValue) {
    setTextValue(cvIPCAPIBaseUrl, aValue.endsWith(u'/') ? aValue : aValue + u'/');
}

void TqelClientConfig::setIPCAuthenticationBaseURL(const QString& aValue) {
    setTextValue(cvIPCAuthenticationBaseURL, aValue.endsWith(u'/') ? aValue : aValue + u'/');
}

QString TqelClientConfig::DefaultField() const {
    return FieldDir() + textValue(cvDefaultField);
}

void TqelClientConfig::setDefaultField(const QString& aValue) {
    qsizetype start = aValue.size();
    while (start > 0 && aValue[start - 1] != u'/' && aValue[start - 1] != u'\\') {
        --start;
    }
    setTextValue(cvDefaultField, aValue.mid(start));
}

void TqelClientConfig::setDefaultLanguage(const QString& aValue) {
    setTextValue(cvDefaultLanguage, aValue);
    setTextValue(cvSelectedLanguage, aValue);
}

// --- Connection-string history ---

QString TqelClientConfig::DatabaseConnectionString() const {
    return textValue(cvDatabaseConnectionString);
}

void TqelClientConfig::setDatabaseConnectionString(const QString& aValue) {
    const QString fileName = textValue(cvDatabaseFileName);
    setTextValue(cvDatabaseConnectionString, aValue);
    const QString iniName = IniFileName();
    if (iniName.isEmpty() || fileName == aValue) {
        return;
    }
    try {
        IniFile ini(iniName);
        QStringList entries;
        for (const QString& key : ini.ReadSection(kHistorySection)) {
            entries.append(ini.ReadString(kHistorySection, key, QString()));
        }
        const auto removeFirst = [&entries](const QString& anEntry) {
            for (qsizetype i = 0; i < entries.size(); ++i) {
                if (SameText(entries[i], anEntry)) {
                    entries.removeAt(i);
                    return;
                }
            }
        };
        removeFirst(aValue);
        entries.prepend(aValue);
        if (!fileName.isEmpty()) {
            removeFirst(fileName);
            entries.insert(1, fileName);
        }
        while (entries.size() > kHistoryLength) {
            entries.removeAt(kHistoryLength);
        }
        ini.EraseSection(kHistorySection);
        int32_t key = 0;
        for (const QString& entry : entries) {
            if (!Trim(entry).isEmpty()) {
                ini.WriteString(kHistorySection, QString::number(++key), entry);
            }
        }
        ini.UpdateFile();
    } catch (const Exception& e) {
        Logger().error(QStringLiteral("Client settings: connection-string history not written: "
                                      "%1 - %2")
                           .arg(e.ClassName(), e.Message()));
    }
}

QString TqelClientConfig::DatabaseConnectionStringHistory() const {
    QStringList entries;
    try {
        const IniFile ini(IniFileName());
        for (int32_t key = 1; key <= kHistoryLength; ++key) {
            if (ini.ValueExists(kHistorySection, QString::number(key))) {
                entries.append(ini.ReadString(kHistorySection, QString::number(key), QString()));
            }
        }
    } catch (const EIniFileException&) {
        // An unreadable file has no history.
    }
    const QString current = DatabaseConnectionString();
    if (!current.isEmpty() &&
        std::none_of(entries.begin(), entries.end(),
                     [&current](const QString& anEntry) { return SameText(anEntry, current); })) {
        entries.prepend(current);
    }
    if (entries.size() == 1 && entries.first().isEmpty()) {
        return QStringLiteral("\"\"");
    }
    QStringList quoted;
    for (const QString& entry : entries) {
        if (entry.contains(u',') || entry.contains(u'"')) {
            quoted.append(u'"' + QString(entry).replace(u'"', QStringLiteral("\"\"")) + u'"');
        } else {
            quoted.append(entry);
        }
    }
    return quoted.join(u',');
}

// --- Video player folder ---

QString TqelClientConfig::VLCInstallDirectory() {
    const QString key = QStringLiteral("InstallDir");
    QString folder = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                               QStringLiteral("VideoLAN"), QStringLiteral("VLC"))
                         .value(key)
                         .toString();
    if (folder.isEmpty()) {
        folder = QSettings(QSettings::NativeFormat, QSettings::SystemScope,
                           QStringLiteral("VideoLAN"), QStringLiteral("VLC"))
                     .value(key)
                     .toString();
    }
    FVLCInstallDirectory = folder;
    return folder;
}

void TqelClientConfig::setVLCInstallDirectory(const QString& aValue) {
    if (aValue == FVLCInstallDirectory) {
        return;
    }
    FVLCInstallDirectory = aValue;
    const QString key = QStringLiteral("InstallDir");
    const QString machine = QSettings(QSettings::NativeFormat, QSettings::SystemScope,
                                      QStringLiteral("VideoLAN"), QStringLiteral("VLC"))
                                .value(key)
                                .toString();
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("VideoLAN"),
                   QStringLiteral("VLC"));
    if (aValue != machine) {
        user.setValue(key, aValue);
    } else if (user.contains(key)) {
        // The machine-wide folder applies again.
        user.setValue(key, QString());
    }
}

// --- Lists ---

SprintCategoryList TqelClientConfig::SprintCategories() const {
    std::lock_guard lock(FLock);
    return FSprintCategories;
}

ImpactCategoryList TqelClientConfig::ImpactCategories() const {
    std::lock_guard lock(FLock);
    return FImpactCategories;
}

AccelCategoryList TqelClientConfig::AccelCategories() const {
    std::lock_guard lock(FLock);
    return FAccelCategories;
}

AccelCategoryList TqelClientConfig::DecelCategories() const {
    std::lock_guard lock(FLock);
    return FDecelCategories;
}

EventTimeList TqelClientConfig::EventTimes() const {
    std::lock_guard lock(FLock);
    return FEventTimes;
}

QStringList TqelClientConfig::ExerciseNames() const {
    std::lock_guard lock(FLock);
    return FExerciseNames;
}

QStringList TqelClientConfig::CSVExportSelectedFields() const {
    std::lock_guard lock(FLock);
    return FCSVExportSelectedFields;
}

void TqelClientConfig::setSprintCategories(const SprintCategoryList& aList) {
    std::lock_guard lock(FLock);
    FSprintCategories = aList;
    markModified();
}

void TqelClientConfig::setImpactCategories(const ImpactCategoryList& aList) {
    std::lock_guard lock(FLock);
    FImpactCategories = aList;
    markModified();
}

void TqelClientConfig::setAccelCategories(const AccelCategoryList& aList) {
    std::lock_guard lock(FLock);
    FAccelCategories = aList;
    markModified();
}

void TqelClientConfig::setDecelCategories(const AccelCategoryList& aList) {
    std::lock_guard lock(FLock);
    FDecelCategories = aList;
    markModified();
}

void TqelClientConfig::setEventTimes(const EventTimeList& aList) {
    std::lock_guard lock(FLock);
    FEventTimes = aList;
    markModified();
}

void TqelClientConfig::setExerciseNames(const QStringList& aList) {
    std::lock_guard lock(FLock);
    FExerciseNames = aList;
    markModified();
}

void TqelClientConfig::setCSVExportSelectedFields(const QStringList& aList) {
    std::lock_guard lock(FLock);
    FCSVExportSelectedFields = aList;
    markModified();
}

int32_t TqelClientConfig::EventTimeBeforeInMS() const {
    std::lock_guard lock(FLock);
    return FEventTimeBeforeInMS;
}

void TqelClientConfig::setEventTimeBeforeInMS(int32_t aValue) {
    std::lock_guard lock(FLock);
    if (FEventTimeBeforeInMS != aValue) {
        FEventTimeBeforeInMS = aValue;
        markModified();
    }
}

int32_t TqelClientConfig::EventTimeAfterInMS() const {
    std::lock_guard lock(FLock);
    return FEventTimeAfterInMS;
}

void TqelClientConfig::setEventTimeAfterInMS(int32_t aValue) {
    std::lock_guard lock(FLock);
    if (FEventTimeAfterInMS != aValue) {
        FEventTimeAfterInMS = aValue;
        markModified();
    }
}

RqelEventTime TqelClientConfig::GetEventTime(const QString& aDescription) const {
    std::lock_guard lock(FLock);
    return FindEventTime(FEventTimes, aDescription, FEventTimeBeforeInMS, FEventTimeAfterInMS);
}

RqelTransponderDefaults& TqelClientConfig::getTransponderDefault(int32_t anIndex) {
    if (anIndex >= 0 && anIndex < kTransponderDefaultCount) {
        return FTransponderDefaults[anIndex];
    }
    FOutOfRangeDefault = BuiltInTransponderDefault(anIndex);
    return FOutOfRangeDefault;
}

// --- Load ---

void TqelClientConfig::loadFromIni(const QString& aFileName, bool aDontShowMessage) {
    if (!aFileName.isEmpty()) {
        setIniFileName(aFileName);
    }
    IniFile ini(IniFileName());
    DropUnreadableZoneColors(ini);

    Values next = valuesSnapshot();
    const int32_t fileVersion =
        ini.ReadInteger(kGeneralSection, QStringLiteral("IniFileVersion"), 0);

    const QString connectionString =
        ini.ReadString(kDatabaseSection, QStringLiteral("Connectionstring"), QString());
    next[cvDatabaseConnectionString].Text = connectionString;
    QString connectError;
    const bool connected = FDatabase->Initialize(connectionString, false, aDontShowMessage,
                                                 connectError, nullptr, true);

    const bool serverAddress = ini.ValueExists(QStringLiteral("Server"), QStringLiteral("Address"));
    for (const KeyRow& row : kKeys) {
        if (row.Load == LoadRule::ServerPair && !serverAddress) {
            continue;
        }
        const QString section = Text(row.Section);
        const QString key = Text(row.Key);
        Value& value = next[row.Id];
        const bool fixed = row.Load == LoadRule::Fixed;
        switch (row.Kind) {
            case KeyKind::Text:
            case KeyKind::Folder:
                value.Text =
                    ini.ReadString(section, key, fixed ? Text(row.LoadDefault.Text) : value.Text);
                break;
            case KeyKind::Password:
                value.Text = ScrambleText(ini.ReadString(section, key, QString()));
                break;
            case KeyKind::Integer:
                value.Int = ini.ReadInteger(
                    section, key, fixed ? static_cast<int32_t>(row.LoadDefault.Number) : value.Int);
                break;
            case KeyKind::Bool:
                value.Int = ini.ReadBool(section, key,
                                         fixed ? row.LoadDefault.Number != 0 : value.Int != 0);
                break;
            case KeyKind::Float:
                value.Float =
                    ini.ReadFloat(section, key, fixed ? row.LoadDefault.Number : value.Float, kDot);
                break;
        }
    }
    // A missing tool is the post-processing program in the path just read.
    if (!ini.ValueExists(kGeneralSection, QStringLiteral("BallPostProcessingTool"))) {
        next[cvBallPostProcessingTool].Text = WithDelimiter(next[cvBallPostProcessingPath].Text) +
                                              QStringLiteral("post_processing.exe");
    }
    if (next[cvSelectedLanguage].Text.isEmpty()) {
        next[cvSelectedLanguage].Text = next[cvDefaultLanguage].Text;
    }
    Value& frameInterval = next[cvCalcSpeedFrameInterval];
    frameInterval.Int = std::clamp(frameInterval.Int, 50, 500);
    Value& sensitivity = next[cvPositionSensitivity];
    sensitivity.Int = std::clamp(sensitivity.Int, 1, 100);
    Value& algorithm = next[cvPositionAlgorithm];
    if (algorithm.Int < posLastKnown || algorithm.Int > posWeightedSportVU) {
        algorithm.Int = posWeightedAverage;
    }
    Value& toString = next[cvDefaultTransponderToString];
    if (toString.Int < ttsName || toString.Int > ttsShirtNumber) {
        toString.Int = ttsNameAndTransponderID;
    }

    LoadTransponderDefaults(ini, FTransponderDefaults);

    std::array<TqelZones, 10> zones;
    for (size_t i = 0; i < zones.size(); ++i) {
        const ZoneListRow& row = kZoneLists[i];
        zones[i].Assign(FZones[i]);
        if (row.Like < 0) {
            LoadZones(ini, Text(row.LoadBase), ZoneTableHigh, *row.Table, zones[i]);
        } else {
            LoadZonesLike(ini, Text(row.LoadBase), fileVersion, zones[row.Like], zones[i]);
        }
    }
    for (size_t i = 0; i < zones.size(); ++i) {
        FZones[i].Assign(zones[i]);
    }

    auto sprint = LoadSprintCategories(ini);
    auto impact = LoadImpactCategories(ini);
    auto accel = LoadAccelCategories(ini);
    auto decel = LoadDecelCategories(ini);
    QStringList csvFields = LoadCSVExportFields(ini);
    int32_t before = EventTimeBeforeInMS();
    int32_t after = EventTimeAfterInMS();
    auto eventTimes = LoadEventTimes(ini, before, after);
    QStringList exerciseNames = LoadExerciseNames(ini);

    std::lock_guard lock(FLock);
    FValues = std::move(next);
    FFileVersion = fileVersion;
    if (!connected) {
        FLoadError = connectError;
    }
    FSettingsFromDatabase = false;
    FSprintCategories = std::move(sprint);
    FImpactCategories = std::move(impact);
    FAccelCategories = std::move(accel);
    FDecelCategories = std::move(decel);
    FCSVExportSelectedFields = std::move(csvFields);
    FEventTimeBeforeInMS = before;
    FEventTimeAfterInMS = after;
    FEventTimes = std::move(eventTimes);
    FExerciseNames = std::move(exerciseNames);
    setModified(false);
}

// --- Save ---

void TqelClientConfig::saveValues(IniFile& anIni, const Values& aValues) const {
    for (const KeyRow& row : kKeys) {
        if (row.Save == SaveRule::None) {
            continue;
        }
        const QString section = Text(row.Section);
        const QString key = Text(row.Key);
        const Value& value = aValues[row.Id];
        const bool always = row.Save == SaveRule::Always;
        const auto number = static_cast<int32_t>(row.SaveDefault.Number);
        switch (row.Kind) {
            case KeyKind::Text:
                if (always) {
                    anIni.WriteString(section, key, value.Text);
                } else {
                    SaveTextKey(anIni, section, key, value.Text, Text(row.SaveDefault.Text));
                }
                break;
            case KeyKind::Folder: {
                // Compared resolved, but written as held: a relative folder stays relative.
                const QString resolvedDefault = ResolveRelativePath(Text(row.SaveDefault.Text));
                const bool isDefault = SameText(ResolveRelativePath(value.Text), resolvedDefault);
                SaveTextKey(anIni, section, key, value.Text,
                            isDefault ? value.Text : resolvedDefault);
                break;
            }
            case KeyKind::Password:
                SaveTextKey(anIni, section, key, ScramblePasswordForFile(section, key, value.Text),
                            ScrambleText(Text(row.SaveDefault.Text)));
                break;
            case KeyKind::Integer:
                if (always) {
                    anIni.WriteInteger(section, key, value.Int);
                } else {
                    SaveIntegerKey(anIni, section, key, value.Int, number);
                }
                break;
            case KeyKind::Bool:
                if (always) {
                    anIni.WriteBool(section, key, value.Int != 0);
                } else {
                    SaveBoolKey(anIni, section, key, value.Int != 0, number != 0);
                }
                break;
            case KeyKind::Float:
                SaveFloatKey(anIni, section, key, value.Float, row.SaveDefault.Number);
                break;
        }
    }
    anIni.DeleteKey(QStringLiteral("Calculations"), QStringLiteral("CalcFreqInterval"));
}

bool TqelClientConfig::saveToIni() {
    const QString fileName = IniFileName();
    BackupIniFile(fileName);
    try {
        IniFile ini(fileName);
        ini.WriteInteger(kGeneralSection, QStringLiteral("IniFileVersion"), kIniFileVersion);
        ini.WriteBool(kGeneralSection, QStringLiteral("SettingsFromDatabase"),
                      SettingsFromDatabase());
        saveValues(ini, valuesSnapshot());
        SaveTransponderDefaults(ini, FTransponderDefaults);
        for (size_t i = 0; i < FZones.size(); ++i) {
            SaveZones(ini, Text(kZoneLists[i].SaveBase), ZoneTableHigh, *kZoneLists[i].Table,
                      FZones[i]);
        }
        SaveSprintCategories(ini, SprintCategories());
        SaveImpactCategories(ini, ImpactCategories());
        SaveAccelCategories(ini, AccelCategories());
        SaveDecelCategories(ini, DecelCategories());
        SaveCSVExportFields(ini, CSVExportSelectedFields());
        SaveExerciseNames(ini, ExerciseNames());
        SaveEventTimes(ini, EventTimeBeforeInMS(), EventTimeAfterInMS(), EventTimes());
        EraseEmptySections(ini);
        ini.UpdateFile();
    } catch (const Exception& e) {
        Logger().error(QStringLiteral("Client settings not saved to %1: %2 - %3")
                           .arg(fileName, e.ClassName(), e.Message()));
        return false;
    }
    setModified(false);
    return true;
}

// --- The process-wide object ---

namespace {

// Constant-initialised, so they are valid before any constructor and after every destructor.
constinit std::mutex gClientConfigLock;
constinit TqelClientConfig* gClientConfig = nullptr;
constinit bool gClientConfigAllowed = true;

// The object owns a database, whose connection must go while Qt's SQL registry still exists:
// it is freed when the application object goes (a post routine), or, in a program that never
// made one, when the static objects are torn down. Later calls get nullptr.
void FreeClientConfig() {
    std::lock_guard lock(gClientConfigLock);
    gClientConfigAllowed = false;
    delete gClientConfig;
    gClientConfig = nullptr;
}

struct ClientConfigFinalizer {
    ~ClientConfigFinalizer() { FreeClientConfig(); }
} gClientConfigFinalizer;

}  // namespace

TqelClientConfig* ClientConfig() {
    std::lock_guard lock(gClientConfigLock);
    if (!gClientConfig && gClientConfigAllowed) {
        gClientConfig = new TqelClientConfig();
        qAddPostRoutine(FreeClientConfig);
    }
    return gClientConfig;
}
