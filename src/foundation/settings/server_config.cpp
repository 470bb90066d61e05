#include "foundation/settings/server_config.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QVariant>
#include <algorithm>
#include <array>

#include "foundation/settings/client_config.h"
#include "foundation/settings/settings_write_rules.h"
#include "foundation/system/relative_paths.h"
#include "foundation/text_utils.h"
#include "platform/exception.h"
#include "platform/ini_file.h"
#include "platform/text_compare.h"

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kControl = QStringLiteral("Control");
const QString kFiles = QStringLiteral("Files");
const QString kStartSignal = QStringLiteral("Start Signal");
const QString kDatabase = QStringLiteral("Qelvani Database Connection");
const QString kOldLPM = QStringLiteral("LPM");
const QString kOldServer = QStringLiteral("Server");

const QString kFieldSection = QStringLiteral("Field %1");
const QString kPowerControlSection = QStringLiteral("Power control %1");
const QString kBallTrackingSection = QStringLiteral("BallTracking server %1");
const QString kCameraSection = QStringLiteral("Dome %1");

constexpr int32_t kDefaultServerPort = 2378;
constexpr int32_t kDefaultUDPListenPort = 70;
constexpr int32_t kDefaultLPMDataProtocol = 2;
// Sections beyond the count are erased up to this number when the lists are saved.
constexpr int kErasedSectionLimit = 100;
const QString kHiddenPassword = QStringLiteral("******");

// The rates of TBaudRate from br110 on.
constexpr std::array<int32_t, 15> kBaudRates = {110,   300,   600,    1200,   2400,
                                                4800,  9600,  14400,  19200,  38400,
                                                56000, 57600, 115200, 128000, 256000};

const QString kOldBallTrackingKeys[] = {
    QStringLiteral("Balltracking Enabled"), QStringLiteral("Balltracking server IP"),
    QStringLiteral("Balltracking server Port"), QStringLiteral("Balltracking Record Ball Data")};

std::mutex gLoaderLock;
qel::CamFieldObjectLoader gCamFieldObjectLoader;

// With a trailing delimiter, as the folder defaults of the file are.
QString ExecutableFolderPath() {
    QString folder = qel::ExecutableFolder();
    if (!folder.endsWith(u'/') && !folder.endsWith(u'\\')) {
        folder += u'/';
    }
    return folder;
}

bool FileExists(const QString& aFileName) {
    return !aFileName.isEmpty() && QFileInfo(aFileName).isFile();
}

int32_t Bounded(int32_t aCount, int32_t aLimit) {
    return std::clamp(aCount, 0, aLimit);
}

bool IsDefaultField(const std::shared_ptr<TqelFieldSettings>& aField) {
    return aField->FieldName().isEmpty();
}

void SortByFieldName(std::vector<std::shared_ptr<TqelFieldSettings>>& aFields) {
    std::stable_sort(aFields.begin(), aFields.end(), [](const auto& aLeft, const auto& aRight) {
        return qel::CompareText(aLeft->FieldName(), aRight->FieldName()) < 0;
    });
}

template <typename TList>
void CheckIndex(const TList& aList, int aIndex, const char* aListName) {
    if (aIndex < 0 || static_cast<size_t>(aIndex) >= aList.size()) {
        throw EArgumentOutOfRangeException(QStringLiteral("%1 index %2 is outside 0..%3")
                                               .arg(QLatin1String(aListName))
                                               .arg(aIndex)
                                               .arg(static_cast<qsizetype>(aList.size()) - 1));
    }
}

}  // namespace

namespace qel {

CamFieldObjectLoader SetCamFieldObjectLoader(CamFieldObjectLoader aLoader) {
    std::lock_guard lock(gLoaderLock);
    std::swap(gCamFieldObjectLoader, aLoader);
    return aLoader;
}

QChar SystemDecimalSeparator() {
    return QLocale::system().decimalPoint().startsWith(u',') ? QChar(u',') : QChar(u'.');
}

}  // namespace qel

TqelServerConfig::TqelServerConfig() : FDecimalSeparator(qel::SystemDecimalSeparator().unicode()) {
    const QString folder = ExecutableFolderPath();
    // The executable's name with ".ini" in place of its extension, in its folder.
    FIniFileName.set(folder +
                     QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                     QStringLiteral(".ini"));
    FQelFileLocation.set(folder);
    FFieldDirectory.set(folder);
    FLPMSavePath.set(folder);
    initCameraControlFolders();
}

TqelServerConfig::~TqelServerConfig() = default;

// --- Setters with rules of their own ---

void TqelServerConfig::setServerPort(const QString& aValue) {
    store(FServerPort, VarToIntDef(QVariant(aValue), kDefaultServerPort));
}

void TqelServerConfig::setStoreLiveDataInterval(int32_t aValue) {
    if (FStoreLiveDataInterval == aValue) {
        return;
    }
    // Multiples of 100, halves upward; 64-bit so that the largest values cannot overflow.
    const int64_t rounded = aValue < 100 ? 100 : (int64_t{aValue} + 50) / 100 * 100;
    FStoreLiveDataInterval =
        static_cast<int32_t>(std::min<int64_t>(rounded, INT32_MAX / 100 * 100));
    markModified();
}

void TqelServerConfig::storeFolder(qel::SharedText& aField, const QString& aValue) {
    if (aField.get() == aValue) {
        return;
    }
    // Either delimiter ends a folder: the file may come from a Windows installation.
    const bool delimited = aValue.endsWith(u'/') || aValue.endsWith(u'\\');
    aField.set(delimited ? aValue : aValue + u'/');
    markModified();
}

void TqelServerConfig::setCamFieldDef(const QString& aValue) {
    if (FCamFieldDef.get() == aValue) {
        return;
    }
    FCamFieldLines.set({});
    FCamFieldAreas.set({});
    FCamFieldDef.set(aValue);
    qel::CamFieldObjectLoader loader;
    {
        std::lock_guard lock(gLoaderLock);
        loader = gCamFieldObjectLoader;
    }
    QStringList lines;
    QStringList areas;
    // Marked modified also when there is no such file: the name has changed.
    markModified();
    const TqelClientConfig* client = ClientConfig();
    const QString path = client ? client->FieldDir() + aValue : aValue;
    if (loader && loader(path, lines, areas)) {
        FCamFieldLines.set(lines);
        FCamFieldAreas.set(areas);
    }
}

QString TqelServerConfig::GetSelectedLanguage() const {
    QString language = SelectedLanguage();
    if (language.isEmpty()) {
        language = DefaultLanguage();
    }
    return language.isEmpty() ? QStringLiteral("en") : language;
}

QString TqelServerConfig::UserFile() const {
    return ExpandRelativeFileName(FUserFile.get());
}

QString TqelServerConfig::TransponderFile() const {
    return ExpandRelativeFileName(FTransponderFile.get());
}

// --- Passwords ---

QString TqelServerConfig::ReadPassword(const qel::IniFile& aIni, const QString& aSection,
                                       const QString& aKey, const QString& aDefault) const {
    if (FileVersion() < 1) {
        const QString text = aIni.ReadString(aSection, aKey, kHiddenPassword);
        return text == kHiddenPassword ? aDefault : ScrambleText(text);
    }
    if (!aIni.ValueExists(aSection, aKey)) {
        return aDefault;
    }
    const QString text = aIni.ReadString(aSection, aKey, QString());
    if (text.isEmpty()) {
        return QString();
    }
    if (text == kHiddenPassword) {
        return aDefault;
    }
    return ScrambleText(QString::fromUtf8(QByteArray::fromBase64(text.toLatin1())));
}

void TqelServerConfig::WritePassword(qel::IniFile& aIni, const QString& aSection,
                                     const QString& aKey, const QString& Value) const {
    const QString scrambled = qel::ScramblePasswordForFile(aSection, aKey, Value);
    aIni.WriteString(aSection, aKey, QString::fromLatin1(scrambled.toUtf8().toBase64()));
}

// --- load ---

void TqelServerConfig::load(const QString& aFileName) {
    if (!aFileName.isEmpty()) {
        setIniFileName(aFileName);
    }
    // Changes to this copy (the carried-over old keys) are never written by load.
    qel::IniFile ini(IniFileName());
    FFileVersion = ini.ReadInteger(kGeneral, QStringLiteral("Server IniFile Version"), 0);

    qel::FieldSectionDefaults defaults;
    if (ini.ValueExists(kOldLPM, QStringLiteral("Port"))) {
        defaults.UDPListenPort = ini.ReadInteger(kOldLPM, QStringLiteral("Port"), 70);
        ini.WriteInteger(kGeneral, QStringLiteral("UDP Listen Port"), defaults.UDPListenPort);
        ini.DeleteKey(kOldLPM, QStringLiteral("Port"));
        defaults.LPMDataProtocol = kDefaultLPMDataProtocol;
    } else {
        defaults.UDPListenPort =
            ini.ReadInteger(kGeneral, QStringLiteral("UDP Listen Port"), kDefaultUDPListenPort);
        defaults.LPMDataProtocol =
            ini.ReadInteger(kGeneral, QStringLiteral("LPM Data protocol"), kDefaultLPMDataProtocol);
    }
    if (defaults.UDPListenPort == 0) {
        defaults.UDPListenPort = kDefaultUDPListenPort;
    }
    ini.EraseSection(kOldLPM);

    int32_t port = FServerPort;
    if (ini.ValueExists(kOldServer, QStringLiteral("Port"))) {
        port = ini.ReadInteger(kOldServer, QStringLiteral("Port"), port);
        ini.WriteInteger(kGeneral, QStringLiteral("TCP Server Port"), port);
        ini.DeleteKey(kOldServer, QStringLiteral("Port"));
    } else {
        port = ini.ReadInteger(kGeneral, QStringLiteral("TCP Server Port"), port);
    }
    FServerPort = port == 0 ? kDefaultServerPort : port;
    ini.EraseSection(kOldServer);

    QString clientIni = ExecutableFolderPath() + QStringLiteral("qelClient.ini");
    setClientIni(FileExists(clientIni) ? clientIni : QString());
    clientIni = ini.ReadString(kGeneral, QStringLiteral("Client Ini Location"), ClientIni());
    if (FileExists(clientIni)) {
        setClientIni(clientIni);
    }

    loadGeneralKeys(ini, defaults);
    loadControlKeys(ini, defaults);
    loadFileKeys(ini, defaults);
    loadStartSignalKeys(ini);
    setDatabaseConnectionString(
        ini.ReadString(kDatabase, QStringLiteral("ConnectionString"), QString()));
    loadPartnerKeys(ini, defaults);

    LoadCameras(
        Bounded(ini.ReadInteger(kGeneral, QStringLiteral("Camera Count"), 0), qel::kMaxCameraCount),
        &ini);
    setCamFieldDef(
        ini.ReadString(kGeneral, QStringLiteral("Camera Field Definition Field"), QString()));
    loadBallTrackingServers(ini, defaults);
    loadFieldSettings(ini, defaults);
    loadPowerControls(ini);
    setModified(false);
}

void TqelServerConfig::loadGeneralKeys(const qel::IniFile& aIni,
                                       qel::FieldSectionDefaults& aDefaults) {
    setCreateQelfile(aIni.ReadBool(kGeneral, QStringLiteral("Create QEL-file"), false));
    setQelFileLocation(
        aIni.ReadString(kGeneral, QStringLiteral("Qel File Location"), ExecutableFolderPath()));
    setAllClientsCanBeMain(
        aIni.ReadBool(kGeneral, QStringLiteral("All Client Can Be Main"), AllClientsCanBeMain()));
    setPositionSensitivity(
        aIni.ReadInteger(kGeneral, QStringLiteral("Position Sensitivity"), PositionSensitivity()));
    setPositionOffsetCOM(
        aIni.ReadInteger(kGeneral, QStringLiteral("Position Offset"), PositionOffsetCOM()));
    setPositionOffsetIP(
        aIni.ReadInteger(kGeneral, QStringLiteral("Position Offset IP"), PositionOffsetIP()));
    setPositionIntervalCOM(
        aIni.ReadInteger(kGeneral, QStringLiteral("Position Interval"), PositionIntervalCOM()));
    setPositionIntervalIP(
        aIni.ReadInteger(kGeneral, QStringLiteral("Position Interval IP"), PositionIntervalIP()));
    setPositionChange(aIni.ReadFloat(kGeneral, QStringLiteral("Position Change"), PositionChange(),
                                     DecimalSeparator()));
    setMinMovementInMM(
        aIni.ReadInteger(kGeneral, QStringLiteral("Minimal movement"), MinMovementInMM()));
    setSendPositionData(
        aIni.ReadBool(kGeneral, QStringLiteral("Send Position Data"), SendPositionData()));
    setUseSingleComPort(
        aIni.ReadBool(kGeneral, QStringLiteral("Use Single Comport"), UseSingleComPort()));
    setSingleComPort(aIni.ReadString(kGeneral, QStringLiteral("Single Comport"), SingleComPort()));
    setAccelerometer(aIni.ReadBool(kGeneral, QStringLiteral("Accelerometer"), Accelerometer()));
    setShowTelemetryAsHosand(
        aIni.ReadBool(kGeneral, QStringLiteral("Show hosand"), ShowTelemetryAsHosand()));
    setHosandModulesInSystem(
        aIni.ReadBool(kGeneral, QStringLiteral("Hosand in system"), HosandModulesInSystem()));
    setTransponderHeightinMM(
        aIni.ReadInteger(kGeneral, QStringLiteral("Transponder height"), TransponderHeightinMM()));
    setRestrictAccess(
        aIni.ReadBool(kGeneral, QStringLiteral("Restricted Access"), RestrictAccess()));
    setFieldDirectory(
        aIni.ReadString(kGeneral, QStringLiteral("Field directory"), FieldDirectory()));
    setFieldSelectionRequired(
        aIni.ReadBool(kGeneral, QStringLiteral("Field selection required"), false));
    setAutoActivateDefaultPreparation(
        aIni.ReadBool(kGeneral, QStringLiteral("Auto activate default preparation"), false));
    setDefaultLanguage(
        aIni.ReadString(kGeneral, QStringLiteral("Default Language"), DefaultLanguage()));
    if (SelectedLanguage().isEmpty()) {
        setSelectedLanguage(DefaultLanguage());
    }
    setWebServerInterfacePort(aIni.ReadInteger(kGeneral, QStringLiteral("WebServer Port"), 12345));
    setNTPTimeServer(aIni.ReadString(kGeneral, QStringLiteral("NTP Timeserver"), NTPTimeServer()));
    setAutoSelectFollowing(aIni.ReadBool(kGeneral, QStringLiteral("AutoSelectFollowing"), false));
}

void TqelServerConfig::loadControlKeys(const qel::IniFile& aIni,
                                       qel::FieldSectionDefaults& aDefaults) {
    setIPAbatecServer(
        aIni.ReadString(kControl, QStringLiteral("IP Abatec server"), IPAbatecServer()));
    setIPControlePC(aIni.ReadString(kControl, QStringLiteral("IP Control PC"), IPControlePC()));
    setIPUPDReceiverPC(
        aIni.ReadString(kControl, QStringLiteral("IP Data Receiver"), IPUPDReceiverPC()));
    aDefaults.IPAbatecServer = IPAbatecServer();
    aDefaults.IPControlePC = IPControlePC();
    aDefaults.IPDataReceiver = IPUPDReceiverPC();
    setEnableRemoteControl(
        aIni.ReadBool(kControl, QStringLiteral("Enable remote control"), EnableRemoteControl()));
    setLogCommunication(
        aIni.ReadBool(kControl, QStringLiteral("Log communication"), LogCommunication()));
    setLPMPauseTimeInMS(aIni.ReadInteger(kControl, QStringLiteral("Transponder Pause Time in MS"),
                                         LPMPauseTimeInMS()));
    setLPMTPInFieldMM(
        aIni.ReadInteger(kControl, QStringLiteral("Transponder In Field mm"), LPMTPInFieldMM()));
    setLPMTPOffFieldMM(
        aIni.ReadInteger(kControl, QStringLiteral("Transponder Off Field mm"), LPMTPOffFieldMM()));
    setLPMTPOffFieldTimeMS(aIni.ReadInteger(
        kControl, QStringLiteral("Transponder off-field time ms"), LPMTPOffFieldTimeMS()));
    setLPMTransponder3D(aIni.ReadBool(kControl, QStringLiteral("LPM Transponder 3D"), false));
    setLPMStoreDataLog(aIni.ReadBool(kControl, QStringLiteral("LPM Store Data.log"), false));
    setLPMSavePath(
        aIni.ReadString(kControl, QStringLiteral("LPM Save path"), ExecutableFolderPath()));
}

void TqelServerConfig::loadFileKeys(const qel::IniFile& aIni,
                                    qel::FieldSectionDefaults& aDefaults) {
    setUserFile(aIni.ReadString(kFiles, QStringLiteral("Users"), FUserFile.get()));
    setTransponderFile(
        aIni.ReadString(kFiles, QStringLiteral("Transponders"), FTransponderFile.get()));
    setVideoDir(aIni.ReadString(kFiles, QStringLiteral("VideoDir"), VideoDir()));
    setCleanupVideo(
        aIni.ReadBool(kFiles, QStringLiteral("Cleanup after recording"), CleanupVideo()));
    setCleanupLPMFiles(
        aIni.ReadBool(kFiles, QStringLiteral("Cleanup LPM files"), CleanupLPMFiles()));
    aDefaults.StoreLiveData = aIni.ReadBool(kFiles, QStringLiteral("Store Livedata"), false);
    // Taken as read: the setter's rounding is for the operator's input.
    FStoreLiveDataInterval = aIni.ReadInteger(kFiles, QStringLiteral("Store Livedata Interval"),
                                              StoreLiveDataInterval());
}

void TqelServerConfig::loadStartSignalKeys(const qel::IniFile& aIni) {
    setStartSignalEnabled(aIni.ReadBool(kStartSignal, QStringLiteral("Enabled"), false));
    setStartSignalComPort(aIni.ReadString(kStartSignal, QStringLiteral("Comport"), QString()));
    const int32_t dataBits = aIni.ReadInteger(kStartSignal, QStringLiteral("Databits"), 8);
    if (dataBits >= 5 && dataBits <= 8) {
        setStartSignalDataBits(static_cast<TDataBits>(dataBits - 5));
    }
    const int32_t rate = aIni.ReadInteger(kStartSignal, QStringLiteral("BaudRate"), 57600);
    const auto found = std::find(kBaudRates.begin(), kBaudRates.end(), rate);
    setStartSignalBaudRate(found == kBaudRates.end()
                               ? br57600
                               : static_cast<TBaudRate>(br110 + (found - kBaudRates.begin())));
    // An ordinal outside the type is damage: it gives the default like any other bad number.
    const int32_t parity = aIni.ReadInteger(kStartSignal, QStringLiteral("PartityBits"), 0);
    setStartSignalParity(parity >= prNone && parity <= prSpace ? static_cast<TParityBits>(parity)
                                                               : prNone);
    const int32_t stopBits = aIni.ReadInteger(kStartSignal, QStringLiteral("StopBits"), 0);
    setStartSignalStopBits(stopBits >= sbOneStopBit && stopBits <= sbTwoStopBits
                               ? static_cast<TStopBits>(stopBits)
                               : sbOneStopBit);
}

void TqelServerConfig::loadBallTrackingServers(qel::IniFile& aIni,
                                               qel::FieldSectionDefaults& aDefaults) {
    std::vector<std::shared_ptr<TqelBallTrackingServer>> servers;
    if (aIni.ReadBool(kControl, QStringLiteral("Balltracking Enabled"), false)) {
        const auto carried = servers.emplace_back(std::make_shared<TqelBallTrackingServer>());
        carried->setID(static_cast<int32_t>(servers.size()));
        carried->setIPAddress(
            aIni.ReadString(kControl, QStringLiteral("Balltracking server IP"), QString()));
        carried->setPortNr(
            aIni.ReadInteger(kControl, QStringLiteral("Balltracking server Port"), 0));
        carried->setRecordBallData(
            aIni.ReadBool(kControl, QStringLiteral("Balltracking Record Ball Data"), false));
        carried->setDescription(QStringLiteral("Balltracking server"));
        aDefaults.CarriedOverBallTrackingServerID = carried->ID();
        for (const QString& key : kOldBallTrackingKeys) {
            aIni.DeleteKey(kControl, key);
        }
    }
    const int32_t count =
        Bounded(aIni.ReadInteger(kGeneral, QStringLiteral("BallTrackingServers"), 0),
                qel::kMaxListSectionCount);
    for (int32_t n = 1; n <= count; ++n) {
        const QString section = kBallTrackingSection.arg(n);
        if (!aIni.SectionExists(section)) {
            continue;
        }
        const auto added = servers.emplace_back(std::make_shared<TqelBallTrackingServer>());
        added->readFromIni(aIni, section, static_cast<int32_t>(servers.size()) + 1, *this);
    }
    std::lock_guard lock(FListLock);
    FBallTrackingServers.swap(servers);
}

void TqelServerConfig::loadFieldSettings(const qel::IniFile& aIni,
                                         const qel::FieldSectionDefaults& aDefaults) {
    setDefaultMeasurementPitch(
        aIni.ReadString(kGeneral, QStringLiteral("Default MeasurementPitch"), QString()));
    const int32_t fieldCount = aIni.ReadInteger(kGeneral, QStringLiteral("Fieldcount"), 0);
    setMeasurementPitchCanChange(
        aIni.ReadBool(kGeneral, QStringLiteral("Measurement Pitch Can Change"), fieldCount > 1));
    std::vector<std::shared_ptr<TqelFieldSettings>> fields;
    const int32_t count = Bounded(fieldCount, qel::kMaxListSectionCount);
    for (int32_t n = 1; n <= count; ++n) {
        const QString section = kFieldSection.arg(n);
        if (aIni.SectionExists(section)) {
            fields.emplace_back(std::make_shared<TqelFieldSettings>())
                ->readFromIni(aIni, section, aDefaults, *this);
        }
    }
    SortByFieldName(fields);

    if (!FieldSelectionRequired() && std::none_of(fields.begin(), fields.end(), IsDefaultField)) {
        fields.emplace_back(std::make_shared<TqelFieldSettings>())
            ->setAbatecSettingsDirectory(
                aIni.ReadString(kControl, QStringLiteral("Abatec Inifiles location"), QString()));
    }
    std::lock_guard lock(FListLock);
    FFieldSettings.swap(fields);
}

void TqelServerConfig::loadPowerControls(const qel::IniFile& aIni) {
    std::vector<std::shared_ptr<TqelEPCConfig>> controls;
    const int32_t count =
        Bounded(aIni.ReadInteger(kGeneral, QStringLiteral("Power Control count"), 0),
                qel::kMaxListSectionCount);
    for (int32_t n = 1; n <= count; ++n) {
        const QString section = kPowerControlSection.arg(n);
        if (aIni.SectionExists(section)) {
            controls.emplace_back(std::make_shared<TqelEPCConfig>())
                ->readFromIni(aIni, section, *this);
        }
    }
    std::lock_guard lock(FListLock);
    FExpertPowerControls.swap(controls);
}

void TqelServerConfig::LoadCameras(int32_t aCamCount, qel::IniFile* aIni) {
    const int32_t count = Bounded(aCamCount, qel::kMaxCameraCount);
    if (CamCount() == count) {
        return;
    }
    markModified();
    std::unique_ptr<qel::IniFile> opened;
    if (!aIni) {
        opened = std::make_unique<qel::IniFile>(IniFileName());
        aIni = opened.get();
    }
    // Built apart and swapped in, so that readers never meet a half-built list; on an error
    // the cameras built so far replace the old ones all the same.
    std::vector<std::shared_ptr<TqelCameraSettings>> cameras;
    const auto swapIn = [this, &cameras] {
        std::lock_guard lock(FListLock);
        FCameras.swap(cameras);
    };
    try {
        for (int32_t n = 1; n <= count; ++n) {
            const auto camera = std::make_shared<TqelCameraSettings>(this);
            camera->readFromIni(*aIni, kCameraSection.arg(n), *this);
            camera->setCameraIndex(static_cast<uint8_t>(n - 1));
            cameras.push_back(camera);
        }
    } catch (...) {
        swapIn();
        throw;
    }
    swapIn();
}

// --- Save ---

void TqelServerConfig::Save() {
    const QString fileName = IniFileName();
    // A failed backup must not keep the settings from being saved.
    qel::BackupIniFile(fileName);
    qel::IniFile ini(fileName);
    ini.WriteInteger(kGeneral, QStringLiteral("Server IniFile Version"), 1);
    saveGeneralKeys(ini);
    saveControlKeys(ini);
    saveFileKeys(ini);
    saveStartSignalKeys(ini);
    ini.WriteString(kDatabase, QStringLiteral("ConnectionString"), DatabaseConnectionString());
    savePartnerKeys(ini);
    removeCarriedOverKeys(ini);
    saveBallTrackingServers(ini);
    ini.WriteString(kGeneral, QStringLiteral("Camera Field Definition Field"), CamFieldDef());
    saveCameras(ini);
    saveFieldSettings(ini);
    savePowerControls(ini);
    ini.UpdateFile();
    // Passwords read later from this file (by LoadCameras) are in the form just written.
    FFileVersion = 1;
    setModified(false);
}

void TqelServerConfig::saveGeneralKeys(qel::IniFile& aIni) const {
    aIni.WriteInteger(kGeneral, QStringLiteral("TCP Server Port"), FServerPort);
    aIni.WriteString(kGeneral, QStringLiteral("Client Ini Location"), ClientIni());
    aIni.WriteBool(kGeneral, QStringLiteral("Create QEL-file"), CreateQelfile());
    aIni.WriteString(kGeneral, QStringLiteral("Qel File Location"), QelFileLocation());
    aIni.WriteBool(kGeneral, QStringLiteral("All Client Can Be Main"), AllClientsCanBeMain());
    aIni.WriteInteger(kGeneral, QStringLiteral("Position Sensitivity"), PositionSensitivity());
    aIni.WriteInteger(kGeneral, QStringLiteral("Position Offset"), PositionOffsetCOM());
    aIni.WriteInteger(kGeneral, QStringLiteral("Position Offset IP"), PositionOffsetIP());
    aIni.WriteInteger(kGeneral, QStringLiteral("Position Interval"), PositionIntervalCOM());
    aIni.WriteInteger(kGeneral, QStringLiteral("Position Interval IP"), PositionIntervalIP());
    aIni.WriteFloat(kGeneral, QStringLiteral("Position Change"), PositionChange(),
                    DecimalSeparator());
    aIni.WriteInteger(kGeneral, QStringLiteral("Minimal movement"), MinMovementInMM());
    aIni.WriteBool(kGeneral, QStringLiteral("Send Position Data"), SendPositionData());
    aIni.WriteBool(kGeneral, QStringLiteral("Use Single Comport"), UseSingleComPort());
    aIni.WriteString(kGeneral, QStringLiteral("Single Comport"), SingleComPort());
    aIni.WriteBool(kGeneral, QStringLiteral("Accelerometer"), Accelerometer());
    aIni.WriteBool(kGeneral, QStringLiteral("Show hosand"), ShowTelemetryAsHosand());
    aIni.WriteBool(kGeneral, QStringLiteral("Hosand in system"), HosandModulesInSystem());
    aIni.WriteInteger(kGeneral, QStringLiteral("Transponder height"), TransponderHeightinMM());
    aIni.WriteBool(kGeneral, QStringLiteral("Restricted Access"), RestrictAccess());
    aIni.WriteString(kGeneral, QStringLiteral("Field Directory"), FieldDirectory());
    aIni.WriteBool(kGeneral, QStringLiteral("Field selection required"), FieldSelectionRequired());
    aIni.WriteBool(kGeneral, QStringLiteral("Auto activate default preparation"),
                   AutoActivateDefaultPreparation() && !FieldSelectionRequired());
    aIni.WriteString(kGeneral, QStringLiteral("Default Language"), DefaultLanguage());
    aIni.WriteInteger(kGeneral, QStringLiteral("WebServer Port"), WebServerInterfacePort());
    aIni.WriteString(kGeneral, QStringLiteral("NTP Timeserver"), NTPTimeServer());
    aIni.WriteBool(kGeneral, QStringLiteral("AutoSelectFollowing"), AutoSelectFollowing());
}

void TqelServerConfig::saveControlKeys(qel::IniFile& aIni) const {
    aIni.WriteString(kControl, QStringLiteral("IP Abatec server"), IPAbatecServer());
    aIni.WriteString(kControl, QStringLiteral("IP Control PC"), IPControlePC());
    aIni.WriteString(kControl, QStringLiteral("IP Data Receiver"), IPUPDReceiverPC());
    aIni.WriteBool(kControl, QStringLiteral("Enable remote control"), EnableRemoteControl());
    aIni.WriteBool(kControl, QStringLiteral("Log communication"), LogCommunication());
    aIni.WriteInteger(kControl, QStringLiteral("Transponder Pause Time in MS"), LPMPauseTimeInMS());
    aIni.WriteInteger(kControl, QStringLiteral("Transponder In Field mm"), LPMTPInFieldMM());
    aIni.WriteInteger(kControl, QStringLiteral("Transponder Off Field mm"), LPMTPOffFieldMM());
    aIni.WriteInteger(kControl, QStringLiteral("Transponder off-field time ms"),
                      LPMTPOffFieldTimeMS());
    aIni.WriteBool(kControl, QStringLiteral("LPM Transponder 3D"), LPMTransponder3D());
    aIni.WriteBool(kControl, QStringLiteral("LPM Store Data.log"), LPMStoreDataLog());
    aIni.WriteString(kControl, QStringLiteral("LPM Save path"), LPMSavePath());
}

void TqelServerConfig::saveFileKeys(qel::IniFile& aIni) const {
    // The names as stored, so that relative names stay relative.
    aIni.WriteString(kFiles, QStringLiteral("Users"), FUserFile.get());
    aIni.WriteString(kFiles, QStringLiteral("Transponders"), FTransponderFile.get());
    aIni.WriteString(kFiles, QStringLiteral("VideoDir"), VideoDir());
    aIni.WriteBool(kFiles, QStringLiteral("Cleanup after recording"), CleanupVideo());
    aIni.WriteBool(kFiles, QStringLiteral("Cleanup LPM files"), CleanupLPMFiles());
    aIni.WriteInteger(kFiles, QStringLiteral("Store Livedata Interval"), StoreLiveDataInterval());
}

void TqelServerConfig::saveStartSignalKeys(qel::IniFile& aIni) const {
    aIni.WriteBool(kStartSignal, QStringLiteral("Enabled"), StartSignalEnabled());
    aIni.WriteString(kStartSignal, QStringLiteral("Comport"), StartSignalComPort());
    aIni.WriteInteger(kStartSignal, QStringLiteral("Databits"), StartSignalDataBits() + 5);
    const TBaudRate rate = StartSignalBaudRate();
    aIni.WriteInteger(kStartSignal, QStringLiteral("BaudRate"),
                      rate == brCustom ? 57600 : kBaudRates[rate - br110]);
    aIni.WriteInteger(kStartSignal, QStringLiteral("PartityBits"), StartSignalParity());
    aIni.WriteInteger(kStartSignal, QStringLiteral("StopBits"), StartSignalStopBits());
}

void TqelServerConfig::removeCarriedOverKeys(qel::IniFile& aIni) const {
    // What load would carry over from [LPM] goes where load looks when [LPM] is gone.
    if (aIni.ValueExists(kOldLPM, QStringLiteral("Port"))) {
        aIni.WriteInteger(kGeneral, QStringLiteral("UDP Listen Port"),
                          aIni.ReadInteger(kOldLPM, QStringLiteral("Port"), kDefaultUDPListenPort));
        aIni.WriteInteger(kGeneral, QStringLiteral("LPM Data protocol"), kDefaultLPMDataProtocol);
    }
    aIni.EraseSection(kOldLPM);
    // "TCP Server Port" holds the port in use, which came from [Server] when it was there.
    aIni.EraseSection(kOldServer);
    // The carried-over server is saved as a server section like the others.
    for (const QString& key : kOldBallTrackingKeys) {
        aIni.DeleteKey(kControl, key);
    }
}

void TqelServerConfig::saveBallTrackingServers(qel::IniFile& aIni) const {
    std::lock_guard lock(FListLock);
    aIni.WriteInteger(kGeneral, QStringLiteral("BallTrackingServers"),
                      static_cast<int32_t>(FBallTrackingServers.size()));
    for (size_t i = 0; i < FBallTrackingServers.size(); ++i) {
        FBallTrackingServers[i]->writeToIni(aIni, kBallTrackingSection.arg(i + 1), *this);
    }
}

void TqelServerConfig::saveCameras(qel::IniFile& aIni) const {
    std::lock_guard lock(FListLock);
    aIni.WriteInteger(kGeneral, QStringLiteral("Camera count"),
                      static_cast<int32_t>(FCameras.size()));
    for (size_t i = 0; i < FCameras.size(); ++i) {
        FCameras[i]->writeToIni(aIni, kCameraSection.arg(i + 1), *this);
    }
}

void TqelServerConfig::saveFieldSettings(qel::IniFile& aIni) const {
    aIni.WriteString(kGeneral, QStringLiteral("Default MeasurementPitch"),
                     DefaultMeasurementPitch());
    aIni.WriteBool(kGeneral, QStringLiteral("Measurement Pitch Can Change"),
                   MeasurementPitchCanChange());
    std::lock_guard lock(FListLock);
    const int count = static_cast<int>(FFieldSettings.size());
    aIni.WriteInteger(kGeneral, QStringLiteral("Fieldcount"), count);
    for (int i = 0; i < count; ++i) {
        FFieldSettings[i]->writeToIni(aIni, kFieldSection.arg(i + 1), *this);
    }
    for (int k = count + 1; k <= kErasedSectionLimit; ++k) {
        aIni.EraseSection(kFieldSection.arg(k));
    }
}

void TqelServerConfig::savePowerControls(qel::IniFile& aIni) const {
    std::lock_guard lock(FListLock);
    const int count = static_cast<int>(FExpertPowerControls.size());
    aIni.WriteInteger(kGeneral, QStringLiteral("Power Control count"), count);
    for (int i = 0; i < count; ++i) {
        FExpertPowerControls[i]->writeToIni(aIni, kPowerControlSection.arg(i + 1), *this);
    }
    for (int k = count + 1; k <= kErasedSectionLimit; ++k) {
        aIni.EraseSection(kPowerControlSection.arg(k));
    }
}

// --- Pitches ---

int TqelServerConfig::FieldSettingsCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int>(FFieldSettings.size());
}

std::shared_ptr<TqelFieldSettings> TqelServerConfig::FieldSettings(int aIndex) const {
    std::lock_guard lock(FListLock);
    CheckIndex(FFieldSettings, aIndex, "FieldSettings");
    return FFieldSettings[aIndex];
}

std::shared_ptr<TqelFieldSettings> TqelServerConfig::AddFieldSetting() {
    std::lock_guard lock(FListLock);
    return FFieldSettings.emplace_back(std::make_shared<TqelFieldSettings>());
}

std::shared_ptr<TqelFieldSettings> TqelServerConfig::GetFieldSettings(int32_t aFieldID) const {
    std::lock_guard lock(FListLock);
    for (const auto& field : FFieldSettings) {
        if (field->FieldID() == aFieldID) {
            return field;
        }
    }
    return nullptr;
}

std::shared_ptr<TqelFieldSettings> TqelServerConfig::DefaultField() {
    std::lock_guard lock(FListLock);
    const auto found = std::find_if(FFieldSettings.begin(), FFieldSettings.end(), IsDefaultField);
    return found != FFieldSettings.end() ? *found : AddFieldSetting();
}

void TqelServerConfig::DeleteFieldSetting(int aIndex) {
    std::lock_guard lock(FListLock);
    CheckIndex(FFieldSettings, aIndex, "FieldSettings");
    FFieldSettings.erase(FFieldSettings.begin() + aIndex);
}

void TqelServerConfig::SortFieldSettings() {
    std::lock_guard lock(FListLock);
    SortByFieldName(FFieldSettings);
}

// --- Power controls ---

int TqelServerConfig::ExpertPowerControlCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int>(FExpertPowerControls.size());
}

std::shared_ptr<TqelEPCConfig> TqelServerConfig::GetExpertPowerControl(int aIndex) const {
    std::lock_guard lock(FListLock);
    CheckIndex(FExpertPowerControls, aIndex, "ExpertPowerControls");
    return FExpertPowerControls[aIndex];
}

std::shared_ptr<TqelEPCConfig> TqelServerConfig::AddPowerControl() {
    std::lock_guard lock(FListLock);
    return FExpertPowerControls.emplace_back(std::make_shared<TqelEPCConfig>());
}

std::shared_ptr<TqelEPCConfig> TqelServerConfig::ExpertPowerControlByName(
    const QString& aDescription) const {
    std::lock_guard lock(FListLock);
    for (const auto& control : FExpertPowerControls) {
        if (control->DeviceName() == aDescription) {
            return control;
        }
    }
    return nullptr;
}

std::shared_ptr<TqelEPCConfig> TqelServerConfig::GetPowerControl(const QString& aDeviceName) const {
    std::lock_guard lock(FListLock);
    for (const auto& control : FExpertPowerControls) {
        if (qel::SameText(control->DeviceName(), aDeviceName)) {
            return control;
        }
    }
    return nullptr;
}

void TqelServerConfig::DeletePowerControl(int aIndex) {
    std::lock_guard lock(FListLock);
    CheckIndex(FExpertPowerControls, aIndex, "ExpertPowerControls");
    FExpertPowerControls.erase(FExpertPowerControls.begin() + aIndex);
}

// --- Ball-tracking servers ---

int TqelServerConfig::BallTrackingserverCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int>(FBallTrackingServers.size());
}

std::shared_ptr<TqelBallTrackingServer> TqelServerConfig::GetBallTrackingServer(int aIndex) const {
    std::lock_guard lock(FListLock);
    CheckIndex(FBallTrackingServers, aIndex, "BallTrackingServers");
    return FBallTrackingServers[aIndex];
}

std::shared_ptr<TqelBallTrackingServer> TqelServerConfig::BallTrackingServerAdd() {
    std::lock_guard lock(FListLock);
    int32_t highest = 0;
    for (const auto& server : FBallTrackingServers) {
        highest = std::max(highest, server->ID());
    }
    const auto server =
        FBallTrackingServers.emplace_back(std::make_shared<TqelBallTrackingServer>());
    server->setID(highest == INT32_MAX ? highest : highest + 1);
    return server;
}

std::shared_ptr<TqelBallTrackingServer> TqelServerConfig::BallTrackingServerByID(
    int32_t aID) const {
    std::lock_guard lock(FListLock);
    for (const auto& server : FBallTrackingServers) {
        if (server->ID() == aID) {
            return server;
        }
    }
    return nullptr;
}

bool TqelServerConfig::BallTrackingServerDelete(int aIndex) {
    std::lock_guard lock(FListLock);
    if (aIndex < 0 || static_cast<size_t>(aIndex) >= FBallTrackingServers.size()) {
        return false;
    }
    FBallTrackingServers.erase(FBallTrackingServers.begin() + aIndex);
    return true;
}

// --- Cameras ---

int TqelServerConfig::CamCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int>(FCameras.size());
}

std::shared_ptr<TqelCameraSettings> TqelServerConfig::GetCamera(int aIndex) const {
    std::lock_guard lock(FListLock);
    CheckIndex(FCameras, aIndex, "Cameras");
    return FCameras[aIndex];
}

// --- Users ---

int TqelServerConfig::UserCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int>(FUsers.size());
}

TqelUser* TqelServerConfig::GetUser(int aIndex) const {
    std::lock_guard lock(FListLock);
    CheckIndex(FUsers, aIndex, "Users");
    return FUsers[aIndex].get();
}

TqelUser* TqelServerConfig::AddUser() {
    std::lock_guard lock(FListLock);
    FUsers.push_back(std::make_unique<TqelUser>());
    return FUsers.back().get();
}

TqelUser* TqelServerConfig::FindUser(const QString& aUsername) const {
    std::lock_guard lock(FListLock);
    for (const auto& user : FUsers) {
        if (qel::SameText(user->Username(), aUsername)) {
            return user.get();
        }
    }
    return nullptr;
}

void TqelServerConfig::DeleteUser(const QString& aUsername) {
    std::lock_guard lock(FListLock);
    const auto found = std::find_if(FUsers.begin(), FUsers.end(), [&aUsername](const auto& aUser) {
        return qel::SameText(aUser->Username(), aUsername);
    });
    if (found != FUsers.end()) {
        FUsers.erase(found);
    }
}

// --- The process-wide object ---

namespace {

// Constant-initialised, so they are valid before any constructor and after every destructor.
constinit std::mutex gSingletonLock;
constinit TqelServerConfig* gServerConfig = nullptr;
constinit bool gServerConfigAllowed = true;

// Frees the object when the program's static objects are torn down; later calls get nullptr.
struct ServerConfigFinalizer {
    ~ServerConfigFinalizer() {
        std::lock_guard lock(gSingletonLock);
        gServerConfigAllowed = false;
        delete gServerConfig;
        gServerConfig = nullptr;
    }
} gServerConfigFinalizer;

}  // namespace

TqelServerConfig* ServerConfig() {
    std::lock_guard lock(gSingletonLock);
    if (!gServerConfig && gServerConfigAllowed) {
        gServerConfig = new TqelServerConfig();
    }
    return gServerConfig;
}
