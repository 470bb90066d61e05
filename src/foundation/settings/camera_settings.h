#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"
#include "platform/shared_values.h"

class TqelServerConfig;
namespace qel {
class IniFile;

// Highest "Preset count" of a camera section that we read.
constexpr int32_t kMaxPresetCount = 1000;

// Camera type from the manufacturer text (compared exactly, with case).
TqelCameraType CameraTypeOf(const QString& aManufacturer, bool aIsIPCamera);

// The pan offset as kept: rounded to one decimal, halves to even.
double RoundPanOffset(double aValue);

}  // namespace qel

// How a camera follows a transponder.
enum TqelTrackingMethod : uint8_t { trmNone, trmPosition, trmSpeed };

// A named orientation of a camera; pan and tilt in radians.
//
// Edited on the main thread, read by the camera threads: every value guards itself.
class TqelCamPreset {
public:
    TqelCamPreset(const QString& aDescription, double aPan, double aTilt, double aZoom);

    QString Description() const { return FDescription.get(); }
    void setDescription(const QString& aValue) { FDescription.set(aValue); }
    double Pan() const { return FPan; }
    void setPan(double aValue) { FPan = aValue; }
    double Tilt() const { return FTilt; }
    void setTilt(double aValue) { FTilt = aValue; }
    double Zoom() const { return FZoom; }
    void setZoom(double aValue) { FZoom = aValue; }

    // A preset has no time: callers set the time stamp themselves.
    TqelPTZRad PTZ() const;

private:
    qel::SharedText FDescription;
    std::atomic<double> FPan;
    std::atomic<double> FTilt;
    std::atomic<double> FZoom;
};

// The settings of one PTZ camera, an entry of the camera list of the server settings.
//
// Edited on the main thread (settings load, configuration dialog, camera operations); the camera
// threads read it. Every value and the preset list are guarded by FLock. GetPreset hands out a
// shared handle: the preset stays alive for its holder when Assign replaces the presets or the
// camera goes.
class TqelCameraSettings {
public:
    // aConfig, whose camera list holds the camera, is marked modified by its setters; it may be
    // nullptr. It must outlive every handle to the camera (the process-wide settings do).
    explicit TqelCameraSettings(TqelServerConfig* aConfig);
    ~TqelCameraSettings();
    TqelCameraSettings(const TqelCameraSettings&) = delete;
    TqelCameraSettings& operator=(const TqelCameraSettings&) = delete;

    TqelServerConfig* Config() const { return FConfig; }

    // Copies every value and, deeply, the presets; marks nothing modified and keeps the owner.
    void Assign(const TqelCameraSettings& Source);

    // Position in the camera list, from 0.
    uint8_t CameraIndex() const { return get(&Values::CameraIndex); }
    void setCameraIndex(uint8_t aValue) { put(&Values::CameraIndex, aValue); }
    // Stored without marking the owner modified.
    uint16_t CameraNumber() const { return get(&Values::CameraNumber); }
    void setCameraNumber(uint16_t aValue);
    TqelCameraType CameraType() const { return get(&Values::CameraType); }
    void setCameraType(TqelCameraType aValue) { put(&Values::CameraType, aValue); }
    // Both recompute CameraType.
    QString Manufacturer() const { return get(&Values::Manufacturer); }
    void setManufacturer(const QString& aValue);
    bool IsIPCamera() const { return get(&Values::IsIPCamera); }
    void setIsIPCamera(bool aValue);
    QString Port() const { return get(&Values::Port); }
    void setPort(const QString& aValue) { put(&Values::Port, aValue); }
    QString IPAddress() const { return get(&Values::IPAddress); }
    void setIPAddress(const QString& aValue) { put(&Values::IPAddress, aValue); }
    bool PTZCamera() const { return get(&Values::PTZCamera); }
    void setPTZCamera(bool aValue) { put(&Values::PTZCamera, aValue); }

    int32_t PosXinMM() const { return get(&Values::PosXinMM); }
    void setPosXinMM(int32_t aValue) { put(&Values::PosXinMM, aValue); }
    int32_t PosYinMM() const { return get(&Values::PosYinMM); }
    void setPosYinMM(int32_t aValue) { put(&Values::PosYinMM, aValue); }
    int32_t PosZinMM() const { return get(&Values::PosZinMM); }
    void setPosZinMM(int32_t aValue) { put(&Values::PosZinMM, aValue); }

    // Kept rounded to one decimal.
    double PanOffset() const { return get(&Values::PanOffset); }
    void setPanOffset(double aValue);
    double TiltOffset() const { return get(&Values::TiltOffset); }
    void setTiltOffset(double aValue) { put(&Values::TiltOffset, aValue); }
    int32_t MinPanSpeed() const { return get(&Values::MinPanSpeed); }
    void setMinPanSpeed(int32_t aValue) { put(&Values::MinPanSpeed, aValue); }
    int32_t MinTiltSpeed() const { return get(&Values::MinTiltSpeed); }
    void setMinTiltSpeed(int32_t aValue) { put(&Values::MinTiltSpeed, aValue); }
    int32_t MinPan() const { return get(&Values::MinPan); }
    void setMinPan(int32_t aValue) { put(&Values::MinPan, aValue); }
    int32_t MaxPan() const { return get(&Values::MaxPan); }
    void setMaxPan(int32_t aValue) { put(&Values::MaxPan, aValue); }
    int32_t MinZoomAtInMM() const { return get(&Values::MinZoomAtInMM); }
    void setMinZoomAtInMM(int32_t aValue) { put(&Values::MinZoomAtInMM, aValue); }
    int32_t MaxZoomAtInMM() const { return get(&Values::MaxZoomAtInMM); }
    void setMaxZoomAtInMM(int32_t aValue) { put(&Values::MaxZoomAtInMM, aValue); }
    int32_t MinZoomLength() const { return get(&Values::MinZoomLength); }
    void setMinZoomLength(int32_t aValue) { put(&Values::MinZoomLength, aValue); }
    int32_t MaxZoomLength() const { return get(&Values::MaxZoomLength); }
    void setMaxZoomLength(int32_t aValue) { put(&Values::MaxZoomLength, aValue); }
    int32_t MaxZoomSpeed() const { return get(&Values::MaxZoomSpeed); }
    void setMaxZoomSpeed(int32_t aValue) { put(&Values::MaxZoomSpeed, aValue); }

    double PanTPSpeedFactor() const { return get(&Values::PanTPSpeedFactor); }
    void setPanTPSpeedFactor(double aValue) { put(&Values::PanTPSpeedFactor, aValue); }
    double TiltTPSpeedFactor() const { return get(&Values::TiltTPSpeedFactor); }
    void setTiltTPSpeedFactor(double aValue) { put(&Values::TiltTPSpeedFactor, aValue); }
    double ZoomTPSpeedFactor() const { return get(&Values::ZoomTPSpeedFactor); }
    void setZoomTPSpeedFactor(double aValue) { put(&Values::ZoomTPSpeedFactor, aValue); }
    double PanCamSpeedFactor() const { return get(&Values::PanCamSpeedFactor); }
    void setPanCamSpeedFactor(double aValue) { put(&Values::PanCamSpeedFactor, aValue); }
    double TiltCamSpeedFactor() const { return get(&Values::TiltCamSpeedFactor); }
    void setTiltCamSpeedFactor(double aValue) { put(&Values::TiltCamSpeedFactor, aValue); }
    double ZoomCamSpeedFactor() const { return get(&Values::ZoomCamSpeedFactor); }
    void setZoomCamSpeedFactor(double aValue) { put(&Values::ZoomCamSpeedFactor, aValue); }
    // In metres; the file holds millimetres.
    double MinPosOffset() const { return get(&Values::MinPosOffset); }
    void setMinPosOffset(double aValue) { put(&Values::MinPosOffset, aValue); }
    double PositionFactor() const { return get(&Values::PositionFactor); }
    void setPositionFactor(double aValue) { put(&Values::PositionFactor, aValue); }
    int32_t VertAngleX() const { return get(&Values::VertAngleX); }
    void setVertAngleX(int32_t aValue) { put(&Values::VertAngleX, aValue); }
    int32_t VertAngleY() const { return get(&Values::VertAngleY); }
    void setVertAngleY(int32_t aValue) { put(&Values::VertAngleY, aValue); }
    int32_t PredictTimeInMS() const { return get(&Values::PredictTimeInMS); }
    void setPredictTimeInMS(int32_t aValue) { put(&Values::PredictTimeInMS, aValue); }
    // Not stored in the file.
    TqelTrackingMethod TrackingMethod() const { return get(&Values::TrackingMethod); }
    void setTrackingMethod(TqelTrackingMethod aValue) { put(&Values::TrackingMethod, aValue); }

    bool FollowOnlyOneTP() const { return get(&Values::FollowOnlyOneTP); }
    void setFollowOnlyOneTP(bool aValue) { put(&Values::FollowOnlyOneTP, aValue); }
    bool InversePicture() const { return get(&Values::InversePicture); }
    void setInversePicture(bool aValue) { put(&Values::InversePicture, aValue); }
    bool AutoFollowMode() const { return get(&Values::AutoFollowMode); }
    void setAutoFollowMode(bool aValue) { put(&Values::AutoFollowMode, aValue); }
    bool DailyHomingAtFirstStart() const { return get(&Values::DailyHomingAtFirstStart); }
    void setDailyHomingAtFirstStart(bool aValue) { put(&Values::DailyHomingAtFirstStart, aValue); }
    bool CalibrateTime() const { return get(&Values::CalibrateTime); }
    void setCalibrateTime(bool aValue) { put(&Values::CalibrateTime, aValue); }

    // Line and area names of the camera field definition of the server settings; the
    // directions are crossing directions (255: none chosen).
    QString StartLine() const { return get(&Values::StartLine); }
    void setStartLine(const QString& aValue) { put(&Values::StartLine, aValue); }
    uint8_t StartLineDirection() const { return get(&Values::StartLineDirection); }
    void setStartLineDirection(uint8_t aValue) { put(&Values::StartLineDirection, aValue); }
    int32_t StartLineHeightInMM() const { return get(&Values::StartLineHeightInMM); }
    void setStartLineHeightInMM(int32_t aValue) { put(&Values::StartLineHeightInMM, aValue); }
    QString FinishLine() const { return get(&Values::FinishLine); }
    void setFinishLine(const QString& aValue) { put(&Values::FinishLine, aValue); }
    uint8_t FinishLineDirection() const { return get(&Values::FinishLineDirection); }
    void setFinishLineDirection(uint8_t aValue) { put(&Values::FinishLineDirection, aValue); }
    int32_t FinishLineHeightInMM() const { return get(&Values::FinishLineHeightInMM); }
    void setFinishLineHeightInMM(int32_t aValue) { put(&Values::FinishLineHeightInMM, aValue); }
    QString CamAreaName() const { return get(&Values::CamAreaName); }
    void setCamAreaName(const QString& aValue) { put(&Values::CamAreaName, aValue); }

    QString RecordingType() const { return get(&Values::RecordingType); }
    void setRecordingType(const QString& aValue) { put(&Values::RecordingType, aValue); }
    QString Muxer() const { return get(&Values::Muxer); }
    void setMuxer(const QString& aValue) { put(&Values::Muxer, aValue); }
    QString RTSPUsername() const { return get(&Values::RTSPUsername); }
    void setRTSPUsername(const QString& aValue) { put(&Values::RTSPUsername, aValue); }
    // Plain text in memory; the file holds it in the password form of the settings.
    QString RTSPPassword() const { return get(&Values::RTSPPassword); }
    void setRTSPPassword(const QString& aValue) { put(&Values::RTSPPassword, aValue); }
    int32_t StreamIndex() const { return get(&Values::StreamIndex); }
    void setStreamIndex(int32_t aValue) { put(&Values::StreamIndex, aValue); }
    int32_t LineIndex() const { return get(&Values::LineIndex); }
    void setLineIndex(int32_t aValue) { put(&Values::LineIndex, aValue); }
    bool EnableAudio() const { return get(&Values::EnableAudio); }
    void setEnableAudio(bool aValue) { put(&Values::EnableAudio, aValue); }

    int32_t IDSIndex() const { return get(&Values::IDSIndex); }
    void setIDSIndex(int32_t aValue) { put(&Values::IDSIndex, aValue); }
    int32_t IDSFPS() const { return get(&Values::IDSFPS); }
    void setIDSFPS(int32_t aValue) { put(&Values::IDSFPS, aValue); }
    int32_t IDSExposureTime() const { return get(&Values::IDSExposureTime); }
    void setIDSExposureTime(int32_t aValue) { put(&Values::IDSExposureTime, aValue); }
    bool IDSUndistortEnabled() const { return get(&Values::IDSUndistortEnabled); }
    void setIDSUndistortEnabled(bool aValue) { put(&Values::IDSUndistortEnabled, aValue); }

    bool VLCEnableTranscoding() const { return get(&Values::VLCEnableTranscoding); }
    void setVLCEnableTranscoding(bool aValue) { put(&Values::VLCEnableTranscoding, aValue); }
    QString VLCTranscodeVideoCodec() const { return get(&Values::VLCTranscodeVideoCodec); }
    void setVLCTranscodeVideoCodec(const QString& aValue) {
        put(&Values::VLCTranscodeVideoCodec, aValue);
    }
    QString VLCTranscodeAudioCodec() const { return get(&Values::VLCTranscodeAudioCodec); }
    void setVLCTranscodeAudioCodec(const QString& aValue) {
        put(&Values::VLCTranscodeAudioCodec, aValue);
    }
    int32_t VLCTranscodeBitrate() const { return get(&Values::VLCTranscodeBitrate); }
    void setVLCTranscodeBitrate(int32_t aValue) { put(&Values::VLCTranscodeBitrate, aValue); }
    QString VLCTranscodeResolution() const { return get(&Values::VLCTranscodeResolution); }
    void setVLCTranscodeResolution(const QString& aValue) {
        put(&Values::VLCTranscodeResolution, aValue);
    }
    int32_t VLCTranscodeFPS() const { return get(&Values::VLCTranscodeFPS); }
    void setVLCTranscodeFPS(int32_t aValue) { put(&Values::VLCTranscodeFPS, aValue); }

    QString FFMpegTransport() const { return get(&Values::FFMpegTransport); }
    void setFFMpegTransport(const QString& aValue) { put(&Values::FFMpegTransport, aValue); }
    int32_t FFMpegTimeoutMS() const { return get(&Values::FFMpegTimeoutMS); }
    void setFFMpegTimeoutMS(int32_t aValue) { put(&Values::FFMpegTimeoutMS, aValue); }
    // Saved, but never read back from the file: a load resets them.
    bool FFMpegFragKeyFrame() const { return get(&Values::FFMpegFragKeyFrame); }
    void setFFMpegFragKeyFrame(bool aValue) { put(&Values::FFMpegFragKeyFrame, aValue); }
    int32_t FFMpegMinFragDurSec() const { return get(&Values::FFMpegMinFragDurSec); }
    void setFFMpegMinFragDurSec(int32_t aValue) { put(&Values::FFMpegMinFragDurSec, aValue); }
    int32_t VideoBufferInCam() const { return get(&Values::VideoBufferInCam); }
    void setVideoBufferInCam(int32_t aValue) { put(&Values::VideoBufferInCam, aValue); }

    QString GameOnID() const { return get(&Values::GameOnID); }
    void setGameOnID(const QString& aValue) { put(&Values::GameOnID, aValue); }
    bool BoschPTZEnabled() const { return get(&Values::BoschPTZEnabled); }
    void setBoschPTZEnabled(bool aValue) { put(&Values::BoschPTZEnabled, aValue); }
    int32_t RecordingServerID() const { return get(&Values::RecordingServerID); }
    void setRecordingServerID(int32_t aValue) { put(&Values::RecordingServerID, aValue); }
    bool DoRecord() const { return get(&Values::DoRecord); }
    void setDoRecord(bool aValue) { put(&Values::DoRecord, aValue); }
    bool DoShow() const { return get(&Values::DoShow); }
    void setDoShow(bool aValue) { put(&Values::DoShow, aValue); }

    // The owner's IP or serial-port value by IsIPCamera; 1000 without owner.
    int32_t PositionInterval() const;
    int32_t PositionOffset() const;

    // Appends a preset and returns its index.
    int AddPreset(const QString& aDescription, double aPan, double aTilt, double aZoom);
    // Raises EArgumentOutOfRangeException outside the list.
    std::shared_ptr<TqelCamPreset> GetPreset(int aIndex) const;
    int PresetCount() const;

    // The keys of the camera's section (aSection, "Dome n") and of its preset sections
    // (aSection + " Preset m"), read through the setters. aConfig decides how passwords are
    // read and floats written.
    void readFromIni(const qel::IniFile& aIni, const QString& aSection,
                     const TqelServerConfig& aConfig);
    void writeToIni(qel::IniFile& aIni, const QString& aSection,
                    const TqelServerConfig& aConfig) const;

private:
    struct Values {
        uint8_t CameraIndex = 0;
        uint16_t CameraNumber = 0;
        TqelCameraType CameraType = ctNone;
        QString Manufacturer;
        bool IsIPCamera = false;
        QString Port;
        QString IPAddress;
        bool PTZCamera = false;
        int32_t PosXinMM = 0;
        int32_t PosYinMM = 0;
        int32_t PosZinMM = 0;
        double PanOffset = 0;
        double TiltOffset = 0;
        int32_t MinPanSpeed = 0;
        int32_t MinTiltSpeed = 0;
        int32_t MinPan = 0;
        int32_t MaxPan = 0;
        int32_t MinZoomAtInMM = 0;
        int32_t MaxZoomAtInMM = 0;
        int32_t MinZoomLength = 0;
        int32_t MaxZoomLength = 0;
        int32_t MaxZoomSpeed = 0;
        double PanTPSpeedFactor = 0;
        double TiltTPSpeedFactor = 0;
        double ZoomTPSpeedFactor = 0;
        double PanCamSpeedFactor = 0;
        double TiltCamSpeedFactor = 0;
        double ZoomCamSpeedFactor = 0;
        double MinPosOffset = 0;
        double PositionFactor = 0;
        int32_t VertAngleX = 0;
        int32_t VertAngleY = 0;
        int32_t PredictTimeInMS = 0;
        TqelTrackingMethod TrackingMethod = trmSpeed;
        bool FollowOnlyOneTP = false;
        bool InversePicture = false;
        bool AutoFollowMode = false;
        bool DailyHomingAtFirstStart = false;
        bool CalibrateTime = false;
        QString StartLine;
        uint8_t StartLineDirection = 0;
        int32_t StartLineHeightInMM = 0;
        QString FinishLine;
        uint8_t FinishLineDirection = 0;
        int32_t FinishLineHeightInMM = 0;
        QString CamAreaName;
        QString RecordingType;
        QString Muxer;
        QString RTSPUsername;
        QString RTSPPassword;
        int32_t StreamIndex = 0;
        int32_t LineIndex = 0;
        bool EnableAudio = false;
        int32_t IDSIndex = 0;
        int32_t IDSFPS = 0;
        int32_t IDSExposureTime = 0;
        bool IDSUndistortEnabled = false;
        bool VLCEnableTranscoding = false;
        QString VLCTranscodeVideoCodec;
        QString VLCTranscodeAudioCodec;
        int32_t VLCTranscodeBitrate = 0;
        QString VLCTranscodeResolution;
        int32_t VLCTranscodeFPS = 0;
        QString FFMpegTransport;
        int32_t FFMpegTimeoutMS = 0;
        bool FFMpegFragKeyFrame = false;
        int32_t FFMpegMinFragDurSec = 0;
        int32_t VideoBufferInCam = 0;
        QString GameOnID;
        bool BoschPTZEnabled = false;
        int32_t RecordingServerID = 0;
        bool DoRecord = false;
        bool DoShow = false;
    };

    template <typename T>
    T get(T Values::*aField) const {
        std::lock_guard lock(FLock);
        return FValues.*aField;
    }
    // The setters' rule: store and mark the owner modified only when the value differs.
    template <typename T>
    void put(T Values::*aField, const T& aValue) {
        {
            std::lock_guard lock(FLock);
            if (FValues.*aField == aValue) {
                return;
            }
            FValues.*aField = aValue;
        }
        markModified();
    }
    void markModified();

    TqelServerConfig* FConfig;  // not owned
    mutable std::mutex FLock;
    Values FValues;
    std::vector<std::shared_ptr<TqelCamPreset>> FPresets;
};
