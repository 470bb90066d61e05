#include "foundation/settings/camera_settings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/settings/server_config.h"
#include "platform/exception.h"
#include "platform/ini_file.h"
#include "platform/numbers.h"

namespace {

constexpr int32_t kNoOwnerPositionValue = 1000;
constexpr int32_t kDefaultMaxZoomAt = 100000;
constexpr double kDefaultPresetZoom = 32;

// Floats of the camera sections, written with either decimal separator: ReadFloat takes both,
// and empty or bad text gives the default.
double ReadCameraFloat(const qel::IniFile& aIni, const QString& aSection, const QString& aKey,
                       double aDefault) {
    return aIni.ReadFloat(aSection, aKey, aDefault, QLatin1Char('.'));
}

// A number outside the property's type is damage: it gives the default like bad text.
template <typename T>
T ReadSmallInteger(const qel::IniFile& aIni, const QString& aSection, const QString& aKey,
                   T aDefault) {
    const int32_t value = aIni.ReadInteger(aSection, aKey, aDefault);
    return value >= 0 && value <= std::numeric_limits<T>::max() ? static_cast<T>(value) : aDefault;
}

// Millimetres of a value in metres, halves to even, held inside 32 bits.
int32_t MetresToMillimetres(double aMetres) {
    const double millimetres = aMetres * 1000;
    if (std::isnan(millimetres)) {
        return 0;
    }
    return static_cast<int32_t>(Round(std::clamp<double>(millimetres, INT32_MIN, INT32_MAX)));
}

}  // namespace

namespace qel {

TqelCameraType CameraTypeOf(const QString& aManufacturer, bool aIsIPCamera) {
    if (aManufacturer == QLatin1String("Bosch")) {
        return aIsIPCamera ? ctBoschIP : ctBoschSD;
    }
    if (aManufacturer == QLatin1String("Hikvision")) {
        return ctHikvision;
    }
    if (aManufacturer == QLatin1String("Pixellot")) {
        return ctPixellot;
    }
    return ctNone;
}

double RoundPanOffset(double aValue) {
    const double tenths = aValue * 10;
    // Beyond 2^53 every double is whole already; NaN and infinities stay as they are.
    if (!std::isfinite(tenths) || std::fabs(tenths) >= 9007199254740992.0) {
        return aValue;
    }
    return static_cast<double>(Round(tenths)) / 10;
}

}  // namespace qel

// --- TqelCamPreset ---

TqelCamPreset::TqelCamPreset(const QString& aDescription, double aPan, double aTilt, double aZoom)
    : FDescription(aDescription), FPan(aPan), FTilt(aTilt), FZoom(aZoom) {}

TqelPTZRad TqelCamPreset::PTZ() const {
    TqelPTZRad ptz;
    ptz.Pan = Pan();
    ptz.Tilt = Tilt();
    ptz.Zoom = Zoom();
    return ptz;
}

// --- TqelCameraSettings ---

TqelCameraSettings::TqelCameraSettings(TqelServerConfig* aConfig) : FConfig(aConfig) {}

TqelCameraSettings::~TqelCameraSettings() = default;

void TqelCameraSettings::markModified() {
    if (FConfig) {
        FConfig->setModified(true);
    }
}

void TqelCameraSettings::Assign(const TqelCameraSettings& Source) {
    if (&Source == this) {
        return;
    }
    std::vector<std::shared_ptr<TqelCamPreset>> presets;
    std::scoped_lock lock(FLock, Source.FLock);
    presets.reserve(Source.FPresets.size());
    for (const auto& preset : Source.FPresets) {
        presets.push_back(std::make_shared<TqelCamPreset>(preset->Description(), preset->Pan(),
                                                          preset->Tilt(), preset->Zoom()));
    }
    FValues = Source.FValues;
    FPresets.swap(presets);
}

void TqelCameraSettings::setCameraNumber(uint16_t aValue) {
    std::lock_guard lock(FLock);
    FValues.CameraNumber = aValue;
}

void TqelCameraSettings::setManufacturer(const QString& aValue) {
    {
        std::lock_guard lock(FLock);
        if (FValues.Manufacturer == aValue) {
            return;
        }
        FValues.Manufacturer = aValue;
        FValues.CameraType = qel::CameraTypeOf(aValue, FValues.IsIPCamera);
    }
    markModified();
}

void TqelCameraSettings::setIsIPCamera(bool aValue) {
    {
        std::lock_guard lock(FLock);
        if (FValues.IsIPCamera == aValue) {
            return;
        }
        FValues.IsIPCamera = aValue;
        FValues.CameraType = qel::CameraTypeOf(FValues.Manufacturer, aValue);
    }
    markModified();
}

void TqelCameraSettings::setPanOffset(double aValue) {
    const double rounded = qel::RoundPanOffset(aValue);
    {
        std::lock_guard lock(FLock);
        if (qel::RoundPanOffset(FValues.PanOffset) == rounded) {
            return;
        }
        FValues.PanOffset = rounded;
    }
    markModified();
}

int32_t TqelCameraSettings::PositionInterval() const {
    if (!FConfig) {
        return kNoOwnerPositionValue;
    }
    return IsIPCamera() ? FConfig->PositionIntervalIP() : FConfig->PositionIntervalCOM();
}

int32_t TqelCameraSettings::PositionOffset() const {
    if (!FConfig) {
        return kNoOwnerPositionValue;
    }
    return IsIPCamera() ? FConfig->PositionOffsetIP() : FConfig->PositionOffsetCOM();
}

int TqelCameraSettings::AddPreset(const QString& aDescription, double aPan, double aTilt,
                                  double aZoom) {
    std::lock_guard lock(FLock);
    FPresets.push_back(std::make_shared<TqelCamPreset>(aDescription, aPan, aTilt, aZoom));
    return static_cast<int>(FPresets.size()) - 1;
}

std::shared_ptr<TqelCamPreset> TqelCameraSettings::GetPreset(int aIndex) const {
    std::lock_guard lock(FLock);
    if (aIndex < 0 || static_cast<size_t>(aIndex) >= FPresets.size()) {
        throw EArgumentOutOfRangeException(QStringLiteral("Presets index %1 is outside 0..%2")
                                               .arg(aIndex)
                                               .arg(static_cast<qsizetype>(FPresets.size()) - 1));
    }
    return FPresets[aIndex];
}

int TqelCameraSettings::PresetCount() const {
    std::lock_guard lock(FLock);
    return static_cast<int>(FPresets.size());
}

// --- The file ---

void TqelCameraSettings::readFromIni(const qel::IniFile& aIni, const QString& aSection,
                                     const TqelServerConfig& aConfig) {
    const QString& s = aSection;
    setPort(aIni.ReadString(s, QStringLiteral("Port"), QString()));
    setCameraNumber(ReadSmallInteger<uint16_t>(aIni, s, QStringLiteral("Camera Number"), 1));
    setPosXinMM(aIni.ReadInteger(s, QStringLiteral("X"), 0));
    setPosYinMM(aIni.ReadInteger(s, QStringLiteral("Y"), 0));
    setPosZinMM(aIni.ReadInteger(s, QStringLiteral("Height"), 0));
    setPanOffset(ReadCameraFloat(aIni, s, QStringLiteral("Pan offset"), 0));
    setMinPanSpeed(aIni.ReadInteger(s, QStringLiteral("Min Pan Speed"), 1));
    setTiltOffset(ReadCameraFloat(aIni, s, QStringLiteral("Tilt offset"), 0));
    setMinTiltSpeed(aIni.ReadInteger(s, QStringLiteral("Min Tilt Speed"), 1));
    setMinPosOffset(aIni.ReadInteger(s, QStringLiteral("Min Position offset"), 10) / 1000.0);
    setMinZoomAtInMM(aIni.ReadInteger(s, QStringLiteral("Min zoom at"), 0));
    setMaxZoomAtInMM(aIni.ReadInteger(s, QStringLiteral("Max zoom at"), kDefaultMaxZoomAt));
    if (MaxZoomAtInMM() == 0) {
        setMaxZoomAtInMM(kDefaultMaxZoomAt);
    }
    if (MinZoomAtInMM() >= MaxZoomAtInMM()) {
        setMinZoomAtInMM(0);
        setMaxZoomAtInMM(kDefaultMaxZoomAt);
    }
    setMaxZoomLength(aIni.ReadInteger(s, QStringLiteral("Max zoom Lenght"), 1224));
    setMinZoomLength(aIni.ReadInteger(s, QStringLiteral("Min zoom Length"), 34));
    setMaxZoomSpeed(aIni.ReadInteger(s, QStringLiteral("Max zoom speed"), 3));
    setZoomTPSpeedFactor(ReadCameraFloat(aIni, s, QStringLiteral("Zoom Speed Factor"), 1));
    setZoomCamSpeedFactor(ReadCameraFloat(aIni, s, QStringLiteral("Zoom Cam Speed Factor"), 1));
    setVertAngleX(aIni.ReadInteger(s, QStringLiteral("Vertical angle X"), 0));
    setVertAngleY(aIni.ReadInteger(s, QStringLiteral("Vertical angle Y"), 0));
    setPanTPSpeedFactor(ReadCameraFloat(aIni, s, QStringLiteral("Pan TP Speed Factor"), 4));
    setPanCamSpeedFactor(ReadCameraFloat(aIni, s, QStringLiteral("Pan Cam Speed Factor"), 1));
    setPositionFactor(ReadCameraFloat(aIni, s, QStringLiteral("Position Factor"), 0));
    setIPAddress(aIni.ReadString(s, QStringLiteral("IP Address"), QString()));
    setIsIPCamera(aIni.ReadBool(s, QStringLiteral("Is IP Camera"), false));
    setPTZCamera(aIni.ReadBool(s, QStringLiteral("PTZ Camera"), true));
    setInversePicture(aIni.ReadBool(s, QStringLiteral("Inverse picture"), false));
    // The old name of the key, read only as its default.
    const bool panKalmanVelo = aIni.ReadBool(s, QStringLiteral("Pan Kalman Velo"), false);
    setFollowOnlyOneTP(aIni.ReadBool(s, QStringLiteral("Follow only 1 TP"), panKalmanVelo));
    setMaxPan(aIni.ReadInteger(s, QStringLiteral("Max Pan Position"), 0));
    setMinPan(aIni.ReadInteger(s, QStringLiteral("Min Pan Position"), 0));
    setTiltTPSpeedFactor(ReadCameraFloat(aIni, s, QStringLiteral("Tilt TP Speed Factor"), 1));
    setTiltCamSpeedFactor(ReadCameraFloat(aIni, s, QStringLiteral("Tilt Cam Speed Factor"), 1));
    setPredictTimeInMS(aIni.ReadInteger(s, QStringLiteral("Predict time in msec"), 100));
    setDailyHomingAtFirstStart(aIni.ReadBool(s, QStringLiteral("Daily Find Home At Start"), false));
    setCalibrateTime(aIni.ReadBool(s, QStringLiteral("Calibrate time"), false));

    const int32_t presetCount =
        std::clamp(aIni.ReadInteger(s, QStringLiteral("Preset count"), 0), 0, qel::kMaxPresetCount);
    for (int32_t m = 1; m <= presetCount; ++m) {
        const QString preset = s + QStringLiteral(" Preset %1").arg(m);
        AddPreset(aIni.ReadString(preset, QStringLiteral("Description"), QString()),
                  ReadCameraFloat(aIni, preset, QStringLiteral("Pan"), 0),
                  ReadCameraFloat(aIni, preset, QStringLiteral("Tilt"), 0),
                  ReadCameraFloat(aIni, preset, QStringLiteral("Zoom"), kDefaultPresetZoom));
    }

    setAutoFollowMode(aIni.ReadBool(s, QStringLiteral("Auto Follow Mode"), false));
    setStartLine(aIni.ReadString(s, QStringLiteral("Startline"), QString()));
    setStartLineDirection(
        ReadSmallInteger<uint8_t>(aIni, s, QStringLiteral("StartLineDirection"), 0));
    setStartLineHeightInMM(aIni.ReadInteger(s, QStringLiteral("StartLineHeight"), 0));
    setFinishLine(aIni.ReadString(s, QStringLiteral("Finishline"), QString()));
    setFinishLineDirection(
        ReadSmallInteger<uint8_t>(aIni, s, QStringLiteral("FinishLineDirection"), 0));
    setFinishLineHeightInMM(aIni.ReadInteger(s, QStringLiteral("FinishLineHeight"), 0));
    setCamAreaName(aIni.ReadString(s, QStringLiteral("Area"), QString()));
    setManufacturer(aIni.ReadString(s, QStringLiteral("Manufacturer"), QStringLiteral("Bosch")));
    setCameraType(qel::CameraTypeOf(Manufacturer(), IsIPCamera()));
    setRecordingType(aIni.ReadString(s, QStringLiteral("RecordingType"), QStringLiteral("ffmpeg")));
    setMuxer(aIni.ReadString(s, QStringLiteral("Muxer"), QStringLiteral("mp4")));
    setRTSPUsername(aIni.ReadString(s, QStringLiteral("RTSPUsername"), QString()));
    setRTSPPassword(aConfig.ReadPassword(aIni, s, QStringLiteral("RTSPPassword"), QString()));
    setStreamIndex(aIni.ReadInteger(s, QStringLiteral("StreamIndex"), 1));
    setLineIndex(aIni.ReadInteger(s, QStringLiteral("LineIndex"), 1));
    setEnableAudio(aIni.ReadBool(s, QStringLiteral("Enable Audio"), false));
    setIDSIndex(aIni.ReadInteger(s, QStringLiteral("IDS Index"), 0));
    setIDSFPS(aIni.ReadInteger(s, QStringLiteral("IDS FPS"), 30));
    setIDSExposureTime(aIni.ReadInteger(s, QStringLiteral("IDS ExposureTime"), 0));
    setIDSUndistortEnabled(aIni.ReadBool(s, QStringLiteral("IDS Undistort Enabled"), false));
    setVLCEnableTranscoding(aIni.ReadBool(s, QStringLiteral("VLC enable Transcode"), false));
    setVLCTranscodeVideoCodec(
        aIni.ReadString(s, QStringLiteral("VLC Transcode video codec"), QStringLiteral("H264")));
    setVLCTranscodeAudioCodec(
        aIni.ReadString(s, QStringLiteral("VLC Transcode audio codec"), QStringLiteral("mp3")));
    setVLCTranscodeBitrate(aIni.ReadInteger(s, QStringLiteral("VLC Transcode Bitrate"), 3500));
    setVLCTranscodeResolution(
        aIni.ReadString(s, QStringLiteral("VLC Transcode Resolution"), QStringLiteral("1280x720")));
    setVLCTranscodeFPS(aIni.ReadInteger(s, QStringLiteral("VLC Transcode FPS"), 30));
    setFFMpegTransport(
        aIni.ReadString(s, QStringLiteral("FFMpeg Transport"), QStringLiteral("tcp")));
    setFFMpegTimeoutMS(aIni.ReadInteger(s, QStringLiteral("FFMpeg Timeout"), 0));
    setVideoBufferInCam(aIni.ReadInteger(s, QStringLiteral("Videobuffer in Camera"), 330));
    setGameOnID(aIni.ReadString(s, QStringLiteral("GameOn ID"), QString()));
    setBoschPTZEnabled(aIni.ReadBool(s, QStringLiteral("Bosch PTZ Enabled"), false));
    setRecordingServerID(aIni.ReadInteger(s, QStringLiteral("Recorder Server ID"), -1));
    setDoRecord(aIni.ReadBool(s, QStringLiteral("Do Record"), true));
    setDoShow(aIni.ReadBool(s, QStringLiteral("Do Show"), true));
    // Written by Save but never taken from the file.
    setFFMpegFragKeyFrame(false);
    setFFMpegMinFragDurSec(0);
}

void TqelCameraSettings::writeToIni(qel::IniFile& aIni, const QString& aSection,
                                    const TqelServerConfig& aConfig) const {
    Values v;
    std::vector<TqelPTZRad> presetValues;
    QStringList presetNames;
    {
        std::lock_guard lock(FLock);
        v = FValues;
        for (const auto& preset : FPresets) {
            presetValues.push_back(preset->PTZ());
            presetNames.append(preset->Description());
        }
    }
    const QString& s = aSection;
    const QChar separator = aConfig.DecimalSeparator();
    auto writeFloat = [&aIni, separator](const QString& aSection, const QString& aKey,
                                         double aValue) {
        aIni.WriteFloat(aSection, aKey, aValue, separator);
    };
    aIni.WriteString(s, QStringLiteral("Port"), v.Port);
    aIni.WriteInteger(s, QStringLiteral("Camera Number"), v.CameraNumber);
    aIni.WriteInteger(s, QStringLiteral("X"), v.PosXinMM);
    aIni.WriteInteger(s, QStringLiteral("Y"), v.PosYinMM);
    aIni.WriteInteger(s, QStringLiteral("Height"), v.PosZinMM);
    writeFloat(s, QStringLiteral("Pan offset"), v.PanOffset);
    aIni.WriteInteger(s, QStringLiteral("Min Pan Speed"), v.MinPanSpeed);
    writeFloat(s, QStringLiteral("Tilt offset"), v.TiltOffset);
    aIni.WriteInteger(s, QStringLiteral("Min Tilt Speed"), v.MinTiltSpeed);
    aIni.WriteInteger(s, QStringLiteral("Min Position offset"),
                      MetresToMillimetres(v.MinPosOffset));
    aIni.WriteInteger(s, QStringLiteral("Min zoom at"), v.MinZoomAtInMM);
    aIni.WriteInteger(s, QStringLiteral("Max zoom at"), v.MaxZoomAtInMM);
    aIni.WriteInteger(s, QStringLiteral("Max zoom Lenght"), v.MaxZoomLength);
    aIni.WriteInteger(s, QStringLiteral("Min zoom Length"), v.MinZoomLength);
    aIni.WriteInteger(s, QStringLiteral("Max zoom speed"), v.MaxZoomSpeed);
    writeFloat(s, QStringLiteral("Zoom Speed Factor"), v.ZoomTPSpeedFactor);
    writeFloat(s, QStringLiteral("Zoom Cam Speed Factor"), v.ZoomCamSpeedFactor);
    aIni.WriteInteger(s, QStringLiteral("Vertical angle X"), v.VertAngleX);
    aIni.WriteInteger(s, QStringLiteral("Vertical angle Y"), v.VertAngleY);
    writeFloat(s, QStringLiteral("Pan TP Speed Factor"), v.PanTPSpeedFactor);
    writeFloat(s, QStringLiteral("Pan Cam Speed Factor"), v.PanCamSpeedFactor);
    writeFloat(s, QStringLiteral("Position Factor"), v.PositionFactor);
    aIni.WriteString(s, QStringLiteral("IP Address"), v.IPAddress);
    aIni.WriteBool(s, QStringLiteral("Is IP Camera"), v.IsIPCamera);
    aIni.WriteBool(s, QStringLiteral("PTZ Camera"), v.PTZCamera);
    aIni.WriteBool(s, QStringLiteral("Inverse picture"), v.InversePicture);
    aIni.WriteBool(s, QStringLiteral("Follow only 1 TP"), v.FollowOnlyOneTP);
    aIni.WriteInteger(s, QStringLiteral("Max Pan Position"), v.MaxPan);
    aIni.WriteInteger(s, QStringLiteral("Min Pan Position"), v.MinPan);
    writeFloat(s, QStringLiteral("Tilt TP Speed Factor"), v.TiltTPSpeedFactor);
    writeFloat(s, QStringLiteral("Tilt Cam Speed Factor"), v.TiltCamSpeedFactor);
    aIni.WriteInteger(s, QStringLiteral("Predict time in msec"), v.PredictTimeInMS);
    aIni.WriteBool(s, QStringLiteral("Daily Find Home At Start"), v.DailyHomingAtFirstStart);
    aIni.WriteBool(s, QStringLiteral("Calibrate time"), v.CalibrateTime);
    aIni.WriteInteger(s, QStringLiteral("Preset count"), static_cast<int32_t>(presetNames.size()));
    aIni.WriteBool(s, QStringLiteral("Auto Follow Mode"), v.AutoFollowMode);
    aIni.WriteString(s, QStringLiteral("Startline"), v.StartLine);
    aIni.WriteInteger(s, QStringLiteral("StartLineDirection"), v.StartLineDirection);
    aIni.WriteInteger(s, QStringLiteral("StartLineHeight"), v.StartLineHeightInMM);
    aIni.WriteString(s, QStringLiteral("Finishline"), v.FinishLine);
    aIni.WriteInteger(s, QStringLiteral("FinishLineDirection"), v.FinishLineDirection);
    aIni.WriteInteger(s, QStringLiteral("FinishLineHeight"), v.FinishLineHeightInMM);
    aIni.WriteString(s, QStringLiteral("Area"), v.CamAreaName);
    aIni.WriteString(s, QStringLiteral("Manufacturer"), v.Manufacturer);
    aIni.WriteInteger(s, QStringLiteral("CameraType"), v.CameraType);
    aIni.WriteString(s, QStringLiteral("RecordingType"), v.RecordingType);
    aIni.WriteString(s, QStringLiteral("Muxer"), v.Muxer);
    aIni.WriteString(s, QStringLiteral("RTSPUsername"), v.RTSPUsername);
    aConfig.WritePassword(aIni, s, QStringLiteral("RTSPPassword"), v.RTSPPassword);
    aIni.WriteInteger(s, QStringLiteral("StreamIndex"), v.StreamIndex);
    aIni.WriteInteger(s, QStringLiteral("LineIndex"), v.LineIndex);
    aIni.WriteBool(s, QStringLiteral("Enable Audio"), v.EnableAudio);
    aIni.WriteInteger(s, QStringLiteral("IDS Index"), v.IDSIndex);
    aIni.WriteInteger(s, QStringLiteral("IDS FPS"), v.IDSFPS);
    aIni.WriteInteger(s, QStringLiteral("IDS ExposureTime"), v.IDSExposureTime);
    aIni.WriteBool(s, QStringLiteral("IDS Undistort Enabled"), v.IDSUndistortEnabled);
    aIni.WriteBool(s, QStringLiteral("VLC enable Transcode"), v.VLCEnableTranscoding);
    aIni.WriteString(s, QStringLiteral("VLC Transcode video codec"), v.VLCTranscodeVideoCodec);
    aIni.WriteString(s, QStringLiteral("VLC Transcode audio codec"), v.VLCTranscodeAudioCodec);
    aIni.WriteInteger(s, QStringLiteral("VLC Transcode Bitrate"), v.VLCTranscodeBitrate);
    aIni.WriteString(s, QStringLiteral("VLC Transcode Resolution"), v.VLCTranscodeResolution);
    aIni.WriteInteger(s, QStringLiteral("VLC Transcode FPS"), v.VLCTranscodeFPS);
    aIni.WriteString(s, QStringLiteral("FFMpeg Transport"), v.FFMpegTransport);
    aIni.WriteInteger(s, QStringLiteral("FFMpeg Timeout"), v.FFMpegTimeoutMS);
    aIni.WriteBool(s, QStringLiteral("FFMpeg Frag Keyframe"), v.FFMpegFragKeyFrame);
    aIni.WriteInteger(s, QStringLiteral("FFMpeg Min frag duration"), v.FFMpegMinFragDurSec);
    aIni.WriteInteger(s, QStringLiteral("Videobuffer in Camera"), v.VideoBufferInCam);
    aIni.WriteString(s, QStringLiteral("GameOn ID"), v.GameOnID);
    aIni.WriteBool(s, QStringLiteral("Bosch PTZ Enabled"), v.BoschPTZEnabled);
    aIni.WriteInteger(s, QStringLiteral("Recorder Server ID"), v.RecordingServerID);
    aIni.WriteBool(s, QStringLiteral("Do Record"), v.DoRecord);
    aIni.WriteBool(s, QStringLiteral("Do Show"), v.DoShow);

    for (qsizetype m = 0; m < presetNames.size(); ++m) {
        const QString preset = s + QStringLiteral(" Preset %1").arg(m + 1);
        aIni.WriteString(preset, QStringLiteral("Description"), presetNames[m]);
        writeFloat(preset, QStringLiteral("Pan"), presetValues[m].Pan);
        writeFloat(preset, QStringLiteral("Tilt"), presetValues[m].Tilt);
        writeFloat(preset, QStringLiteral("Zoom"), presetValues[m].Zoom);
    }
}
