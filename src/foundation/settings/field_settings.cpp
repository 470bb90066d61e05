#include "foundation/settings/field_settings.h"

#include <QVariant>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "foundation/geometry.h"
#include "foundation/settings/server_config.h"
#include "foundation/settings/settings_write_rules.h"
#include "foundation/text_utils.h"
#include "platform/exception.h"
#include "platform/ini_file.h"
#include "platform/numbers.h"

namespace {

constexpr double kEarthRadiusM = 6371000.0;
constexpr double kPi = std::numbers::pi;
constexpr QChar kQuote = u'\'';

// An item's integer (0 when it is none), taken modulo 256.
uint8_t ListItemByte(const QString& aItem) {
    return static_cast<uint8_t>(VarToIntDef(QVariant(aItem), 0) & 0xFF);
}

// The types the measurement control knows, -1 ("none") included; anything else is damage and
// reads as none, which starts no driver either.
TqelSystemType SystemTypeFromInt(int32_t aValue) {
    return aValue >= mstNone && aValue <= mstSTSP ? static_cast<TqelSystemType>(aValue) : mstNone;
}

int32_t CheckedSum(int64_t aLeft, int64_t aRight, const char* aWhat) {
    const int64_t sum = aLeft + aRight;
    if (sum < std::numeric_limits<int32_t>::min() || sum > std::numeric_limits<int32_t>::max()) {
        throw EInvalidOp(
            QStringLiteral("%1: %2 does not fit 32 bits").arg(QLatin1String(aWhat)).arg(sum));
    }
    return static_cast<int32_t>(sum);
}

// The name of a power-control entry, before its first "=".
QString EntryName(const QString& anEntry) {
    const qsizetype equals = anEntry.indexOf(u'=');
    return equals < 0 ? anEntry : anEntry.left(equals);
}

qsizetype FindEntry(const QStringList& anEntries, const QString& aName) {
    for (qsizetype i = 0; i < anEntries.size(); ++i) {
        if (QString::compare(EntryName(anEntries[i]), aName, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

// A NaN never equals anything, so a value that is no number always counts as changed.
bool Differs(double aLeft, double aRight) {
    return !(aLeft == aRight);
}

}  // namespace

void TqelFieldSettings::setAbatecSettingsDirectory(const QString& aValue) {
    if (!aValue.isEmpty() && !aValue.endsWith(u'\\')) {
        FAbatecSettingsDirectory.set(aValue + u'\\');
    } else {
        FAbatecSettingsDirectory.set(aValue);
    }
}

int32_t TqelFieldSettings::LPMDataSize() const {
    switch (LPMDataProtocol()) {
        case dtpDisabled:
            return 0;
        case dtpShortDataformat:
            return 24;
        case dtpLongDataFormat:
            return 304;
        case dtpDebugDataFormat:
            return 368;
        default:
            return 56;
    }
}

bool TqelFieldSettings::InMeasurementBox(const RqelPositionRec& aPos) const {
    return aPos.Valid && MeasurementBoxXLeft() <= aPos.XinMM &&
           aPos.XinMM <= MeasurementBoxXRight() && MeasurementBoxYBottom() <= aPos.YinMM &&
           aPos.YinMM <= MeasurementBoxYTop();
}

// --- GPS ---

double TqelFieldSettings::GPSFieldAngle() const {
    std::lock_guard lock(FGPSLock);
    return FGPSFieldAngle;
}

void TqelFieldSettings::InitiateGPSOrientation() {
    const double zeroLat = GPSZeroPointLat();
    double cosZeroLat = std::cos(zeroLat * kPi / 180.0);
    // On a pole every longitude is the same place: no east-west metres at all.
    const bool onPole = std::abs(cosZeroLat) < 1e-12;
    if (onPole) {
        cosZeroLat = 0;
    }
    const double latDegreesPerM = 360.0 / (2 * kPi * kEarthRadiusM);
    const double lonDegreesPerM = onPole ? 0.0 : 360.0 / (cosZeroLat * 2 * kPi * kEarthRadiusM);

    const double a =
        cosZeroLat * (GPSPointPosXLon() - GPSPointNegXLon()) * kEarthRadiusM * kPi / 180.0;
    const double b = (GPSPointPosXLat() - GPSPointNegXLat()) * kEarthRadiusM * kPi / 180.0;
    double angle = 0;
    if (a == 0) {
        angle = b >= 0 ? kPi / 2 : -kPi / 2;
    } else if (a > 0) {
        angle = std::atan(b / a);
    } else if (a < 0) {
        angle = std::atan(b / a) + kPi;
    }
    std::lock_guard lock(FGPSLock);
    FGPSFieldAngle = angle;
    FGPSLatDegreesPerM = latDegreesPerM;
    FGPSLonDegreesPerM = lonDegreesPerM;
    FGPSInitiated = true;
}

RqelPositionRec TqelFieldSettings::GPStoMetric(qel::Latitude aLatitude,
                                               qel::Longitude aLongitude) const {
    double angle = 0;
    double latDegreesPerM = 0;
    double lonDegreesPerM = 0;
    {
        std::lock_guard lock(FGPSLock);
        if (!FGPSInitiated) {
            throw EInvalidOp(QStringLiteral("GPStoMetric: the GPS orientation is not initiated"));
        }
        angle = FGPSFieldAngle;
        latDegreesPerM = FGPSLatDegreesPerM;
        lonDegreesPerM = FGPSLonDegreesPerM;
    }
    double x = lonDegreesPerM == 0
                   ? 0.0
                   : (aLongitude.Degrees - GPSZeroPointLon()) * 1000.0 / lonDegreesPerM;
    double y = (aLatitude.Degrees - GPSZeroPointLat()) * 1000.0 / latDegreesPerM;
    RotatePointF(x, y, -angle);
    RqelPositionRec result = RqelPositionRec::Create();
    result.Clear();
    result.XinMM = qel::RoundToInt32(x);
    result.YinMM = qel::RoundToInt32(y);
    return result;
}

// --- Transposition ---

double TqelFieldSettings::TransposeRotation() const {
    std::lock_guard lock(FTransposeLock);
    return FTransposeRotation;
}

void TqelFieldSettings::setTransposeRotation(double aValue) {
    std::lock_guard lock(FTransposeLock);
    FTransposeRotation = aValue;
}

int32_t TqelFieldSettings::TransposeXinMM() const {
    std::lock_guard lock(FTransposeLock);
    return FTransposeXinMM;
}

void TqelFieldSettings::setTransposeXinMM(int32_t aValue) {
    std::lock_guard lock(FTransposeLock);
    FTransposeXinMM = aValue;
}

int32_t TqelFieldSettings::TransposeYinMM() const {
    std::lock_guard lock(FTransposeLock);
    return FTransposeYinMM;
}

void TqelFieldSettings::setTransposeYinMM(int32_t aValue) {
    std::lock_guard lock(FTransposeLock);
    FTransposeYinMM = aValue;
}

RqelPositionRec TqelFieldSettings::TransposePos(const RqelPositionRec& aPos) const {
    RqelPositionRec result = aPos;
    if (aPos.XinMM == 0 && aPos.YinMM == 0) {
        return result;
    }
    std::lock_guard lock(FTransposeLock);
    result.RotateRAD(FTransposeRotation);
    result.XinMM = CheckedSum(result.XinMM, FTransposeXinMM, "TransposePos");
    result.YinMM = CheckedSum(result.YinMM, FTransposeYinMM, "TransposePos");
    return result;
}

RqelPositionRec TqelFieldSettings::RevertePos(const RqelPositionRec& aPos) const {
    RqelPositionRec result = aPos;
    std::lock_guard lock(FTransposeLock);
    result.XinMM = CheckedSum(result.XinMM, -int64_t{FTransposeXinMM}, "RevertePos");
    result.YinMM = CheckedSum(result.YinMM, -int64_t{FTransposeYinMM}, "RevertePos");
    result.RotateRAD(-FTransposeRotation);
    return result;
}

void TqelFieldSettings::TransposeClear() {
    std::lock_guard lock(FTransposeLock);
    FTransposeRotation = 0;
    FTransposeXinMM = 0;
    FTransposeYinMM = 0;
}

// --- Cameras and ball-tracking servers ---

qel::CameraIndexSet TqelFieldSettings::EnabledCameraIndexes() const {
    std::lock_guard lock(FListLock);
    return FEnabledCameraIndexes;
}

void TqelFieldSettings::setEnabledCameraIndexes(const qel::CameraIndexSet& aValue) {
    std::lock_guard lock(FListLock);
    FEnabledCameraIndexes = aValue;
}

void TqelFieldSettings::EnableCamera(uint8_t aCameraIndex) {
    std::lock_guard lock(FListLock);
    FEnabledCameraIndexes.include(aCameraIndex);
}

void TqelFieldSettings::ClearBTS() {
    std::lock_guard lock(FListLock);
    FBTSIds.clear();
}

void TqelFieldSettings::EnableBTS(uint8_t aBTSId) {
    std::lock_guard lock(FListLock);
    if (aBTSId != 0 && std::find(FBTSIds.begin(), FBTSIds.end(), aBTSId) == FBTSIds.end()) {
        FBTSIds.push_back(aBTSId);
    }
}

uint8_t TqelFieldSettings::EnabledBTSID(int aIndex) const {
    std::lock_guard lock(FListLock);
    return aIndex >= 0 && static_cast<size_t>(aIndex) < FBTSIds.size() ? FBTSIds[aIndex] : 0;
}

int TqelFieldSettings::EnabledBTSIDCount() const {
    std::lock_guard lock(FListLock);
    return static_cast<int>(FBTSIds.size());
}

qel::CameraIndexSet TqelFieldSettings::EnabledBTSIDs() const {
    qel::CameraIndexSet result;
    for (uint8_t id : btsIds()) {
        result.include(id);
    }
    return result;
}

std::vector<uint8_t> TqelFieldSettings::btsIds() const {
    std::lock_guard lock(FListLock);
    return FBTSIds;
}

std::shared_ptr<TqelBallTrackingServer> TqelFieldSettings::GetBallTrackingServer(int aIndex) const {
    const uint8_t id = EnabledBTSID(aIndex);
    TqelServerConfig* config = ServerConfig();
    return id != 0 && config ? config->BallTrackingServerByID(id) : nullptr;
}

// --- Power controls ---

QString TqelFieldSettings::EnabledPowerControls() const {
    QString text;
    {
        std::lock_guard lock(FListLock);
        text = FPowerControls.join(u';');
    }
    text.replace(kQuote, QStringLiteral("''"));
    return kQuote + text + kQuote;
}

void TqelFieldSettings::setEnabledPowerControls(const QString& aValue) {
    QString text = aValue;
    if (text.startsWith(kQuote)) {
        QString inner;
        for (qsizetype i = 1; i < text.size(); ++i) {
            if (text[i] == kQuote) {
                if (i + 1 < text.size() && text[i + 1] == kQuote) {
                    inner += kQuote;
                    ++i;
                    continue;
                }
                break;
            }
            inner += text[i];
        }
        if (!inner.isEmpty()) {
            text = inner;
        }
    }
    QStringList entries;
    if (!text.isEmpty() && text != QStringLiteral("''")) {
        entries = text.split(u';');
        for (QString& entry : entries) {
            if (!entry.contains(u'=')) {
                entry += QStringLiteral("=1");  // a name alone is switched on
            }
        }
    }
    std::lock_guard lock(FListLock);
    FPowerControls = entries;
}

void TqelFieldSettings::ClearPowerControls() {
    std::lock_guard lock(FListLock);
    FPowerControls.clear();
}

int32_t TqelFieldSettings::GetPowerControlState(const QString& aDeviceName) const {
    std::lock_guard lock(FListLock);
    const qsizetype index = FindEntry(FPowerControls, aDeviceName);
    if (index < 0) {
        return -1;
    }
    const QString& entry = FPowerControls[index];
    return VarToIntDef(QVariant(entry.mid(entry.indexOf(u'=') + 1)), -1);
}

void TqelFieldSettings::SetPowerControlState(const QString& aDeviceName, int32_t Value) {
    const QString entry = aDeviceName + u'=' + QString::number(Value);
    std::lock_guard lock(FListLock);
    const qsizetype index = FindEntry(FPowerControls, aDeviceName);
    if (index < 0) {
        FPowerControls.append(entry);
    } else {
        FPowerControls[index] = entry;
    }
}

// --- Assign ---

bool TqelFieldSettings::Assign(const TqelFieldSettings& Value) {
    const qel::CameraIndexSet cameras = Value.EnabledCameraIndexes();
    const QString powerControls = Value.EnabledPowerControls();
    const std::vector<uint8_t> servers = Value.btsIds();

    const bool differs =
        cameras != EnabledCameraIndexes() ||
        Value.AbatecSettingsDirectory() != AbatecSettingsDirectory() ||
        Value.FieldName() != FieldName() || Value.FieldID() != FieldID() ||
        powerControls != EnabledPowerControls() || Value.FieldBoxXLeft() != FieldBoxXLeft() ||
        Value.FieldBoxYBottom() != FieldBoxYBottom() ||
        Value.FieldBoxXRight() != FieldBoxXRight() || Value.FieldBoxYTop() != FieldBoxYTop() ||
        Value.SystemType() != SystemType() || servers != btsIds() ||
        Value.PosiStageNetEnabled() != PosiStageNetEnabled() ||
        Value.GameOnEnabled() != GameOnEnabled() || Value.StoreLiveData() != StoreLiveData() ||
        Value.SCGEnabled() != SCGEnabled() || Value.NokiaEnabled() != NokiaEnabled() ||
        Value.QualogyEnabled() != QualogyEnabled() || Value.AMQPEnabled() != AMQPEnabled() ||
        Value.IPAbatecServer() != IPAbatecServer() || Value.IPDataReceiver() != IPDataReceiver() ||
        Value.IPControlePC() != IPControlePC() ||
        Value.NumberOfBaseStations() != NumberOfBaseStations() || Value.EPCHUB() != EPCHUB() ||
        Value.LPMPathLinux() != LPMPathLinux() || Value.LPMPort() != LPMPort() ||
        Value.MeasurementBoxXLeft() != MeasurementBoxXLeft() ||
        Value.MeasurementBoxYBottom() != MeasurementBoxYBottom() ||
        Value.MeasurementBoxXRight() != MeasurementBoxXRight() ||
        Value.MeasurementBoxYTop() != MeasurementBoxYTop() ||
        Differs(Value.GPSZeroPointLat(), GPSZeroPointLat()) ||
        Differs(Value.GPSZeroPointLon(), GPSZeroPointLon()) ||
        Differs(Value.GPSPointNegXLat(), GPSPointNegXLat()) ||
        Differs(Value.GPSPointNegXLon(), GPSPointNegXLon()) ||
        Differs(Value.GPSPointPosXLat(), GPSPointPosXLat()) ||
        Differs(Value.GPSPointPosXLon(), GPSPointPosXLon()) ||
        Value.UDPListenPort() != UDPListenPort() || Value.LPMDataProtocol() != LPMDataProtocol() ||
        Value.ZXYUsername() != ZXYUsername() || Value.ZXYPassword() != ZXYPassword() ||
        Value.ZXYDataPort() != ZXYDataPort() || Value.ZXYControlPort() != ZXYControlPort() ||
        Value.ZXYServerIPAddress() != ZXYServerIPAddress() ||
        Value.STSPServerIPAddress() != STSPServerIPAddress() ||
        Value.STSPDataPort() != STSPDataPort();

    setEnabledCameraIndexes(cameras);
    setAbatecSettingsDirectory(Value.AbatecSettingsDirectory());
    setFieldName(Value.FieldName());
    setFieldID(Value.FieldID());
    setEnabledPowerControls(powerControls);
    setFieldBoxXLeft(Value.FieldBoxXLeft());
    setFieldBoxYBottom(Value.FieldBoxYBottom());
    setFieldBoxXRight(Value.FieldBoxXRight());
    setFieldBoxYTop(Value.FieldBoxYTop());
    setSystemType(Value.SystemType());
    ClearBTS();
    for (uint8_t id : servers) {
        EnableBTS(id);
    }
    setPosiStageNetEnabled(Value.PosiStageNetEnabled());
    setGameOnEnabled(Value.GameOnEnabled());
    setStoreLiveData(Value.StoreLiveData());
    setSCGEnabled(Value.SCGEnabled());
    setNokiaEnabled(Value.NokiaEnabled());
    setQualogyEnabled(Value.QualogyEnabled());
    setAMQPEnabled(Value.AMQPEnabled());
    setIPAbatecServer(Value.IPAbatecServer());
    setIPDataReceiver(Value.IPDataReceiver());
    setIPControlePC(Value.IPControlePC());
    setNumberOfBaseStations(Value.NumberOfBaseStations());
    setEPCHUB(Value.EPCHUB());
    setLPMPathLinux(Value.LPMPathLinux());
    setLPMPort(Value.LPMPort());
    setMeasurementBoxXLeft(Value.MeasurementBoxXLeft());
    setMeasurementBoxYBottom(Value.MeasurementBoxYBottom());
    setMeasurementBoxXRight(Value.MeasurementBoxXRight());
    setMeasurementBoxYTop(Value.MeasurementBoxYTop());
    setGPSZeroPointLat(Value.GPSZeroPointLat());
    setGPSZeroPointLon(Value.GPSZeroPointLon());
    setGPSPointNegXLat(Value.GPSPointNegXLat());
    setGPSPointNegXLon(Value.GPSPointNegXLon());
    setGPSPointPosXLat(Value.GPSPointPosXLat());
    setGPSPointPosXLon(Value.GPSPointPosXLon());
    setUDPListenPort(Value.UDPListenPort());
    setLPMDataProtocol(Value.LPMDataProtocol());
    setZXYUsername(Value.ZXYUsername());
    setZXYPassword(Value.ZXYPassword());
    setZXYDataPort(Value.ZXYDataPort());
    setZXYControlPort(Value.ZXYControlPort());
    setZXYServerIPAddress(Value.ZXYServerIPAddress());
    setSTSPServerIPAddress(Value.STSPServerIPAddress());
    setSTSPDataPort(Value.STSPDataPort());
    return differs;
}

// --- Ini section ---

void TqelFieldSettings::readFromIni(const qel::IniFile& aIni, const QString& aSection,
                                    const qel::FieldSectionDefaults& aDefaults,
                                    const TqelServerConfig& aConfig) {
    const auto readString = [&](const char* aKey, const QString& aDefault) {
        return aIni.ReadString(aSection, QLatin1String(aKey), aDefault);
    };
    const auto readInteger = [&](const char* aKey, int32_t aDefault) {
        return aIni.ReadInteger(aSection, QLatin1String(aKey), aDefault);
    };
    const auto readBool = [&](const char* aKey, bool aDefault) {
        return aIni.ReadBool(aSection, QLatin1String(aKey), aDefault);
    };
    const auto readFloat = [&](const char* aKey) {
        return aIni.ReadFloat(aSection, QLatin1String(aKey), 0.0, aConfig.DecimalSeparator());
    };

    setFieldName(readString("FieldName", QString()));
    setFieldID(readInteger("FieldID", 0));
    setAbatecSettingsDirectory(readString("Abatec settings Directory", QString()));
    const bool wireless = readBool("WirelessSystem", false);
    setSystemType(SystemTypeFromInt(readInteger("SystemType", wireless ? mstLPMWireless : mstLPM)));
    setIPAbatecServer(readString("IP Abatec server", aDefaults.IPAbatecServer));
    setIPControlePC(readString("IP Control PC", aDefaults.IPControlePC));
    setIPDataReceiver(readString("IP Data Receiver", aDefaults.IPDataReceiver));
    setLPMPort(readInteger("LPM Port", 1134));
    setLPMPathLinux(readString("LPM Linux Path", QString()));
    setNumberOfBaseStations(readInteger("Number Of Basestations", 12));
    setPosiStageNetEnabled(readBool("PosiStageEnabled", false));
    setGameOnEnabled(readBool("GameOnEnabled", aDefaults.GameOnEnabled));
    setStoreLiveData(readBool("StoreLiveData", aDefaults.StoreLiveData));
    setSCGEnabled(readBool("SCGEnabled", false));
    setNokiaEnabled(readBool("NokiaEnabled", false));
    setQualogyEnabled(readBool("QualogyEnabled", false));
    setAMQPEnabled(readBool("AMQPEnabled", false));
    setEPCHUB(readString("EPC HUB", QString()));
    setEnabledPowerControls(readString("Enabled powercontrols", QString()));
    setFieldBoxXLeft(readInteger("FieldBox X Left", 0));
    setFieldBoxYBottom(readInteger("FieldBox Y Bottom", 0));
    setFieldBoxXRight(readInteger("FieldBox X Right", 0));
    setFieldBoxYTop(readInteger("FieldBox Y Top", 0));
    setMeasurementBoxXLeft(readInteger("MeasurementBox X Left", 0));
    setMeasurementBoxYBottom(readInteger("MeasurementBox Y Bottom", 0));
    setMeasurementBoxXRight(readInteger("MeasurementBox X Right", 0));
    setMeasurementBoxYTop(readInteger("MeasurementBox Y Top", 0));
    setGPSZeroPointLat(readFloat("GPS Zero Point Lat"));
    setGPSZeroPointLon(readFloat("GPS Zero Point Lon"));
    setGPSPointNegXLat(readFloat("GPS Point Neg X Lat"));
    setGPSPointNegXLon(readFloat("GPS Point Neg X Lon"));
    setGPSPointPosXLat(readFloat("GPS Point Pos X Lat"));
    setGPSPointPosXLon(readFloat("GPS Point Pos X Lon"));
    setUDPListenPort(readInteger("UDP Listen Port", aDefaults.UDPListenPort));
    const int32_t protocol = readInteger("LPM Data Protocol", aDefaults.LPMDataProtocol);
    // An ordinal outside the type is damage and gives the file's usual format.
    setLPMDataProtocol(protocol >= dtpDisabled && protocol <= dtpOldShortDataformat
                           ? static_cast<TlpmDataProtocol>(protocol)
                           : dtpMiddleDataFormat);
    // The ZXY and STSP keys default to the LPM values just read.
    setZXYServerIPAddress(readString("ZXY Server IP Address", IPAbatecServer()));
    setZXYDataPort(readInteger("ZXY DataPort", UDPListenPort()));
    setZXYControlPort(readInteger("ZXY ControlPort", LPMPort()));
    setZXYUsername(readString("ZXY Username", QString()));
    setZXYPassword(ScrambleText(readString("ZXY Password", QString())));
    setSTSPServerIPAddress(readString("STSP Server IP Address", IPAbatecServer()));
    setSTSPDataPort(readInteger("STSP DataPort", LPMPort()));

    setEnabledCameraIndexes({});
    for (const QString& item :
         qel::SplitDelimitedText(readString("Enabled cameras", QString()), u';', false)) {
        EnableCamera(ListItemByte(item));
    }
    ClearBTS();
    if (aDefaults.CarriedOverBallTrackingServerID != 0) {
        EnableBTS(static_cast<uint8_t>(aDefaults.CarriedOverBallTrackingServerID & 0xFF));
    }
    for (const QString& item : qel::SplitDelimitedText(
             readString("Enabled balltracking servers", QString()), u';', false)) {
        EnableBTS(ListItemByte(item));
    }
}

void TqelFieldSettings::writeToIni(qel::IniFile& aIni, const QString& aSection,
                                   const TqelServerConfig& aConfig) const {
    const auto writeString = [&](const char* aKey, const QString& aValue) {
        aIni.WriteString(aSection, QLatin1String(aKey), aValue);
    };
    const auto writeInteger = [&](const char* aKey, int32_t aValue) {
        aIni.WriteInteger(aSection, QLatin1String(aKey), aValue);
    };
    const auto writeBool = [&](const char* aKey, bool aValue) {
        aIni.WriteBool(aSection, QLatin1String(aKey), aValue);
    };
    const auto writeFloat = [&](const char* aKey, double aValue) {
        aIni.WriteFloat(aSection, QLatin1String(aKey), aValue, aConfig.DecimalSeparator());
    };

    writeString("FieldName", FieldName());
    writeInteger("FieldID", FieldID());
    writeString("Abatec settings Directory", AbatecSettingsDirectory());
    writeInteger("SystemType", SystemType());
    writeString("IP Abatec server", IPAbatecServer());
    writeString("IP Control PC", IPControlePC());
    writeString("IP Data Receiver", IPDataReceiver());
    writeInteger("LPM Port", LPMPort());
    writeString("LPM Linux Path", LPMPathLinux());
    writeInteger("Number Of Basestations", NumberOfBaseStations());
    writeBool("PosiStageEnabled", PosiStageNetEnabled());
    writeBool("GameOnEnabled", GameOnEnabled());
    writeBool("StoreLiveData", StoreLiveData());
    writeBool("SCGEnabled", SCGEnabled());
    writeBool("NokiaEnabled", NokiaEnabled());
    writeBool("QualogyEnabled", QualogyEnabled());
    writeBool("AMQPEnabled", AMQPEnabled());
    writeString("EPC HUB", EPCHUB());
    writeString("Enabled powercontrols", EnabledPowerControls());
    writeInteger("FieldBox X Left", FieldBoxXLeft());
    writeInteger("FieldBox Y Bottom", FieldBoxYBottom());
    writeInteger("FieldBox X Right", FieldBoxXRight());
    writeInteger("FieldBox Y Top", FieldBoxYTop());
    writeInteger("MeasurementBox X Left", MeasurementBoxXLeft());
    writeInteger("MeasurementBox Y Bottom", MeasurementBoxYBottom());
    writeInteger("MeasurementBox X Right", MeasurementBoxXRight());
    writeInteger("MeasurementBox Y Top", MeasurementBoxYTop());
    writeFloat("GPS Zero Point Lat", GPSZeroPointLat());
    writeFloat("GPS Zero Point Lon", GPSZeroPointLon());
    writeFloat("GPS Point Neg X Lat", GPSPointNegXLat());
    writeFloat("GPS Point Neg X Lon", GPSPointNegXLon());
    writeFloat("GPS Point Pos X Lat", GPSPointPosXLat());
    writeFloat("GPS Point Pos X Lon", GPSPointPosXLon());
    writeInteger("UDP Listen Port", UDPListenPort());
    writeInteger("LPM Data Protocol", LPMDataProtocol());
    writeString("ZXY Server IP Address", ZXYServerIPAddress());
    writeInteger("ZXY DataPort", ZXYDataPort());
    writeInteger("ZXY ControlPort", ZXYControlPort());
    writeString("ZXY Username", ZXYUsername());
    writeString("ZXY Password", qel::ScramblePasswordForFile(
                                    aSection, QStringLiteral("ZXY Password"), ZXYPassword()));
    writeString("STSP Server IP Address", STSPServerIPAddress());
    writeInteger("STSP DataPort", STSPDataPort());

    // Indexes at or beyond the camera count name no camera and are dropped.
    const qel::CameraIndexSet cameras = EnabledCameraIndexes();
    QStringList cameraItems;
    const int cameraCount = std::min(aConfig.CamCount(), qel::CameraIndexSet::Capacity);
    for (int i = 0; i < cameraCount; ++i) {
        if (cameras.contains(i)) {
            cameraItems.append(QString::number(i));
        }
    }
    writeString("Enabled cameras", cameraItems.join(u';'));
    QStringList serverItems;
    for (uint8_t id : btsIds()) {
        serverItems.append(QString::number(id));
    }
    writeString("Enabled balltracking servers", serverItems.join(u';'));
}
