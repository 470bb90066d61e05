// The partner, recording-server and camera-control settings of TqelServerConfig: their
// special setters and their part of load and Save.

#include "foundation/settings/partner_settings.h"

#include <QByteArray>
#include <QFileInfo>
#include <QUrl>

#include "foundation/system/file_utils.h"
#include "foundation/settings/server_config.h"
#include "platform/ini_file.h"

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kControl = QStringLiteral("Control");
const QString kFiles = QStringLiteral("Files");
const QString kGameOn = QStringLiteral("GameOn");
const QString kNokia = QStringLiteral("Nokia");
const QString kSCG = QStringLiteral("SCG");
const QString kPiero = QStringLiteral("Piero");

const QString kDomeControlSettings = QStringLiteral("settings.ini");
const QString kBallTrackingPPPassword = QStringLiteral("BallTracking PP Location Password");

bool HoldsDomeControlSettings(const QString& aFolder) {
    return !aFolder.isEmpty() && QFileInfo(aFolder + kDomeControlSettings).isFile();
}

QString UserDomeControlFolder() {
    return GetSpecialFolderPath(CSIDL_APPDATA) + QStringLiteral("DomeControl/");
}

QString PercentEncodedUserInfo(const QString& aText) {
    return QString::fromLatin1(QUrl::toPercentEncoding(aText, QByteArrayLiteral("!$&'()*+,;=")));
}

}  // namespace

namespace qel {

QString BuildNokiaURL(const QString& aUsername, const QString& aPassword, const QString& aHost,
                      int32_t aPort) {
    QString url = QStringLiteral("http://");
    if (!aUsername.isEmpty()) {
        url += PercentEncodedUserInfo(aUsername);
        if (!aPassword.isEmpty()) {
            url += u':' + PercentEncodedUserInfo(aPassword);
        }
        url += u'@';
    }
    url += aHost;
    if (aPort != 80) {
        url += u':' + QString::number(aPort);
    }
    return url;
}

QString GameOnHostWithScheme(const QString& aHost) {
    if (aHost.isEmpty() || aHost.startsWith(QLatin1String("http"))) {
        return aHost;
    }
    return QStringLiteral("http://") + aHost;
}

}  // namespace qel

// --- Setters and derived values ---

TqelRecordingBy TqelServerConfig::RecordingBy() const {
    if (VideoRecording()) {
        return UseVideoRecordingServer() ? recRecordingServer : recQelServer;
    }
    if (UseGameOnVideoRecording()) {
        return recGameOn;
    }
    return DomeControlEnabled() ? recDomeControl : recNone;
}

void TqelServerConfig::setRecordingBy(TqelRecordingBy aValue) {
    // Through the flag setters, so that a changed way of recording is saved like any other
    // change.
    if (aValue == recNone || aValue == recDomeControl) {
        setDomeControlEnabled(aValue == recDomeControl);
    }
    setVideoRecording(aValue == recQelServer || aValue == recRecordingServer);
    setUseVideoRecordingServer(aValue == recRecordingServer);
    setUseGameOnVideoRecording(aValue == recGameOn);
}

void TqelServerConfig::setDomeControlDirectory(const QString& aValue) {
    if (FDomeControlDirectory.get() == aValue) {
        return;
    }
    storeFolder(FDomeControlDirectory, aValue);
    const QString folder = DomeControlDirectory();
    if (HoldsDomeControlSettings(folder)) {
        FDomeControlIniDir.set(folder);
    }
    markModified();
}

void TqelServerConfig::initCameraControlFolders() {
    // Set directly: a new object is not modified.
    FDomeControlDirectory.set(GetSpecialFolderPath(CSIDL_PROGRAM_FILES) +
                              QStringLiteral("Abatec/DomeControl/"));
    FDomeControlIniDir.set(UserDomeControlFolder());
}

void TqelServerConfig::findDomeControlIniDir() {
    const QString iniDir = DomeControlIniDir();
    if (HoldsDomeControlSettings(iniDir)) {
        return;
    }
    const QString programDir = DomeControlDirectory();
    if (programDir != iniDir) {
        if (HoldsDomeControlSettings(programDir)) {
            FDomeControlIniDir.set(programDir);
        }
    } else if (const QString userDir = UserDomeControlFolder(); HoldsDomeControlSettings(userDir)) {
        FDomeControlIniDir.set(userDir);
    }
}

void TqelServerConfig::buildNokiaURL() const {
    std::call_once(FNokiaURLOnce, [this] {
        FNokiaURL = qel::BuildNokiaURL(NokiaUsername(), NokiaPassword(), NokiaHost(), NokiaPort());
    });
}

QString TqelServerConfig::NokiaURL() const {
    buildNokiaURL();
    return FNokiaURL;
}

// --- load ---

void TqelServerConfig::loadPartnerKeys(const qel::IniFile& aIni,
                                       qel::FieldSectionDefaults& aDefaults) {
    setRecordingServerIPAddess(aIni.ReadString(kGeneral, QStringLiteral("Recording Server IP"),
                                               RecordingServerIPAddess()));
    setRecordingServerPortNumber(aIni.ReadInteger(
        kGeneral, QStringLiteral("Recording Server PortNumber"), RecordingServerPortNumber()));
    setRecordingServerUNCMount(aIni.ReadBool(kGeneral, QStringLiteral("Recording Server UNC Mount"),
                                             RecordingServerUNCMount()));
    setRecordingServerUNCPath(aIni.ReadString(kGeneral, QStringLiteral("Recording Server UNC Path"),
                                              RecordingServerUNCPath()));
    setRecordingServerUNCUsername(aIni.ReadString(
        kGeneral, QStringLiteral("Recording Server UNC Username"), RecordingServerUNCUsername()));
    setRecordingServerUNCPassword(
        ReadPassword(aIni, kGeneral, QStringLiteral("Recording Server UNC Password"), QString()));
    // VideoDir has been read: it is the default of the three folders.
    setRecordingServerRecordingDir(
        aIni.ReadString(kGeneral, QStringLiteral("Recording Server Recording Dir"), VideoDir()));
    setRecordingServerTempDir(
        aIni.ReadString(kGeneral, QStringLiteral("Recording Server Temp Dir"), VideoDir()));
    setRecordingServerDeleteTemp(aIni.ReadBool(
        kGeneral, QStringLiteral("Recording Server Delete Temp"), RecordingServerDeleteTemp()));
    setRecordingServerExportDir(
        aIni.ReadString(kGeneral, QStringLiteral("Recording Server Export Dir"), VideoDir()));
    setRecordingServerCreateSubDirs(
        aIni.ReadBool(kGeneral, QStringLiteral("Recording Server Create Sub Dirs"),
                      RecordingServerCreateSubDirs()));
    setVideoRecording(aIni.ReadBool(kFiles, QStringLiteral("Video recording"), false));
    setUseVideoRecordingServer(
        aIni.ReadBool(kFiles, QStringLiteral("Use Video Recording Server"), false));
    setUseGameOnVideoRecording(
        aIni.ReadBool(kFiles, QStringLiteral("Use GameOn Video Recording"), false));
    setAutoStartVideo(aIni.ReadBool(kGeneral, QStringLiteral("Autostart qelVideo"), false));

    setDomeControlEnabled(
        aIni.ReadBool(kControl, QStringLiteral("DomeControl Enabled"), DomeControlEnabled()));
    setDomeControlServerPort(aIni.ReadInteger(kControl, QStringLiteral("DomeControl server Port"),
                                              DomeControlServerPort()));
    setDomeControlServerIP(
        aIni.ReadString(kControl, QStringLiteral("DomeControl server IP"), DomeControlServerIP()));
    setDomeControlDirectory(
        aIni.ReadString(kControl, QStringLiteral("DomeControl Directory"), DomeControlDirectory()));
    setDomeControlIniDir(aIni.ReadString(kControl, QStringLiteral("DomeControl Ini Directory"),
                                         DomeControlIniDir()));
    findDomeControlIniDir();

    // Files before the [GameOn] section kept these keys in [Files].
    if (aIni.SectionExists(kGameOn)) {
        aDefaults.GameOnEnabled = aIni.ReadBool(kGameOn, QStringLiteral("Enabled"), false);
        setGameOnDir(aIni.ReadString(kGameOn, QStringLiteral("Directory"), GameOnDir()));
        setGameOnDirUser(aIni.ReadString(kGameOn, QStringLiteral("Username"), QString()));
        setGameOnDirPassword(ReadPassword(aIni, kGameOn, QStringLiteral("Password"), QString()));
        setGameonHost(aIni.ReadString(kGameOn, QStringLiteral("Host"), GameonHost()));
    } else {
        setGameOnDir(aIni.ReadString(kFiles, QStringLiteral("GameOnDir"), GameOnDir()));
        setGameOnDirUser(aIni.ReadString(kFiles, QStringLiteral("GameOnDirUsername"), QString()));
        setGameOnDirPassword(
            ReadPassword(aIni, kFiles, QStringLiteral("GameOnDirPassword"), QString()));
        setGameonHost(aIni.ReadString(kFiles, QStringLiteral("GameOnHost"), GameonHost()));
        aDefaults.GameOnEnabled = !GameonHost().isEmpty();
    }

    setNokiaHost(aIni.ReadString(kNokia, QStringLiteral("Host"), NokiaHost()));
    setNokiaPassword(ReadPassword(aIni, kNokia, QStringLiteral("Password"), NokiaPassword()));
    setNokiaUsername(aIni.ReadString(kNokia, QStringLiteral("Username"), QString()));
    setNokiaPort(aIni.ReadInteger(kNokia, QStringLiteral("Port"), NokiaPort()));

    setQualogyServer(aIni.ReadString(kGeneral, QStringLiteral("Qualogy Server"), QualogyServer()));
    setPosiStageNetUDPDestination(aIni.ReadString(
        kGeneral, QStringLiteral("PosiStageNet UDP Destination"), PosiStageNetUDPDestination()));
    setPosiStageNetPredictTimeMS(aIni.ReadInteger(
        kGeneral, QStringLiteral("PosiStageNetPredictionTimeMS"), PosiStageNetPredictTimeMS()));
    setSCGUDPDestination(
        aIni.ReadString(kSCG, QStringLiteral("UDP Destination"), QStringLiteral("127.0.0.1")));
    setSCGUDPLocal(aIni.ReadString(kSCG, QStringLiteral("UDP Local"), QStringLiteral("0.0.0.0")));
    setSCGUDPPort(aIni.ReadInteger(kSCG, QStringLiteral("UDP Port"), 2005));
    FPieroMachineAddress = aIni.ReadString(kPiero, QStringLiteral("Machine Address"), QString());
    FPieroServerPort = aIni.ReadInteger(kPiero, QStringLiteral("Server port"), 3000);
    FPieroClientPort = aIni.ReadInteger(kPiero, QStringLiteral("Client Port"), 2003);

    setBallTrackingPostProcessingLocation(aIni.ReadString(
        kControl, QStringLiteral("BallTracking PostProcessing Location"), QString()));
    setBallTrackingPostProcessingTool(
        aIni.ReadString(kControl, QStringLiteral("BallTracking PostProcessing Tool"), QString()));
    const QString ppPassword = aIni.ReadString(kControl, kBallTrackingPPPassword, QString());
    setBallTrackingPPLPassword(QString::fromUtf8(QByteArray::fromBase64(ppPassword.toLatin1())));
    setBallTrackingPPLUsername(
        aIni.ReadString(kControl, QStringLiteral("BallTracking PP Location Username"), QString()));
}

// --- Save ---

void TqelServerConfig::savePartnerKeys(qel::IniFile& aIni) const {
    aIni.WriteString(kGeneral, QStringLiteral("Recording Server IP"), RecordingServerIPAddess());
    aIni.WriteInteger(kGeneral, QStringLiteral("Recording Server PortNumber"),
                      RecordingServerPortNumber());
    aIni.WriteBool(kGeneral, QStringLiteral("Recording Server UNC Mount"),
                   RecordingServerUNCMount());
    aIni.WriteString(kGeneral, QStringLiteral("Recording Server UNC Path"),
                     RecordingServerUNCPath());
    aIni.WriteString(kGeneral, QStringLiteral("Recording Server UNC Username"),
                     RecordingServerUNCUsername());
    WritePassword(aIni, kGeneral, QStringLiteral("Recording Server UNC Password"),
                  RecordingServerUNCPassword());
    aIni.WriteString(kGeneral, QStringLiteral("Recording Server Recording Dir"),
                     RecordingServerRecordingDir());
    aIni.WriteString(kGeneral, QStringLiteral("Recording Server Temp Dir"),
                     RecordingServerTempDir());
    aIni.WriteBool(kGeneral, QStringLiteral("Recording Server Delete Temp"),
                   RecordingServerDeleteTemp());
    aIni.WriteString(kGeneral, QStringLiteral("Recording Server Export Dir"),
                     RecordingServerExportDir());
    aIni.WriteBool(kGeneral, QStringLiteral("Recording Server Create Sub Dirs"),
                   RecordingServerCreateSubDirs());
    aIni.WriteBool(kFiles, QStringLiteral("Video recording"), VideoRecording());
    aIni.WriteBool(kFiles, QStringLiteral("Use Video Recording Server"), UseVideoRecordingServer());
    aIni.WriteBool(kFiles, QStringLiteral("Use GameOn Video Recording"), UseGameOnVideoRecording());
    aIni.WriteBool(kGeneral, QStringLiteral("Autostart qelVideo"), AutoStartVideo());

    aIni.WriteBool(kControl, QStringLiteral("DomeControl Enabled"), DomeControlEnabled());
    aIni.WriteInteger(kControl, QStringLiteral("DomeControl server Port"), DomeControlServerPort());
    aIni.WriteString(kControl, QStringLiteral("DomeControl server IP"), DomeControlServerIP());
    aIni.WriteString(kControl, QStringLiteral("DomeControl Directory"), DomeControlDirectory());

    aIni.WriteString(kGameOn, QStringLiteral("Directory"), GameOnDir());
    aIni.WriteString(kGameOn, QStringLiteral("Username"), GameOnDirUser());
    WritePassword(aIni, kGameOn, QStringLiteral("Password"), GameOnDirPassword());
    aIni.WriteString(kGameOn, QStringLiteral("Host"), GameonHost());

    aIni.WriteString(kNokia, QStringLiteral("Host"), NokiaHost());
    WritePassword(aIni, kNokia, QStringLiteral("Password"), NokiaPassword());
    aIni.WriteString(kNokia, QStringLiteral("Username"), NokiaUsername());
    aIni.WriteInteger(kNokia, QStringLiteral("Port"), NokiaPort());

    aIni.WriteString(kGeneral, QStringLiteral("Qualogy Server"), QualogyServer());
    aIni.WriteString(kGeneral, QStringLiteral("PosiStageNet UDP Destination"),
                     PosiStageNetUDPDestination());
    aIni.WriteInteger(kGeneral, QStringLiteral("PosiStageNetPredictionTimeMS"),
                      PosiStageNetPredictTimeMS());
    aIni.WriteString(kSCG, QStringLiteral("UDP Destination"), SCGUDPDestination());
    aIni.WriteString(kSCG, QStringLiteral("UDP Local"), SCGUDPLocal());
    aIni.WriteInteger(kSCG, QStringLiteral("UDP Port"), SCGUDPPort());
    aIni.WriteString(kPiero, QStringLiteral("Machine Address"), FPieroMachineAddress);
    aIni.WriteInteger(kPiero, QStringLiteral("Server port"), FPieroServerPort);
    aIni.WriteInteger(kPiero, QStringLiteral("Client Port"), FPieroClientPort);

    aIni.WriteString(kControl, QStringLiteral("BallTracking PostProcessing Location"),
                     BallTrackingPostProcessingLocation());
    aIni.WriteString(kControl, QStringLiteral("BallTracking PostProcessing Tool"),
                     BallTrackingPostProcessingTool());
    aIni.WriteString(kControl, kBallTrackingPPPassword,
                     QString::fromLatin1(BallTrackingPPLPassword().toUtf8().toBase64()));
    aIni.WriteString(kControl, QStringLiteral("BallTracking PP Location Username"),
                     BallTrackingPPLUsername());
}
