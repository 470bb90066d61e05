#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/small_set.h"
#include "platform/shared_values.h"

class TqelServerConfig;
class TqelBallTrackingServer;

// The record format of an LPM system.
enum TlpmDataProtocol : uint8_t {
    dtpDisabled,
    dtpShortDataformat,
    dtpMiddleDataFormat,
    dtpLongDataFormat,
    dtpDebugDataFormat,
    dtpOldShortDataformat
};

// The measurement system of a pitch, by which the measurement control picks its driver.
enum TqelSystemType : int8_t {
    mstNone = -1,
    mstLPM = 0,          // LPM with base stations on hubs
    mstLPMWireless = 1,  // LPM with wireless LAN base stations
    mstZXY = 2,
    mstSTSP = 3
};

namespace qel {
class IniFile;

// The defaults a pitch section is read with, gathered from the general keys of the settings
// file before the pitches are read.
struct FieldSectionDefaults {
    int32_t UDPListenPort = 70;
    int32_t LPMDataProtocol = 2;  // ordinal of the LPM record format
    QString IPAbatecServer;
    QString IPControlePC;
    QString IPDataReceiver;
    bool StoreLiveData = false;
    bool GameOnEnabled = false;
    // The server carried over from the old single ball-tracking keys; every pitch read enables
    // it. 0: none.
    int32_t CarriedOverBallTrackingServerID = 0;
};

// GPS coordinates in degrees, typed apart so that latitude and longitude cannot change places
// unnoticed.
struct Latitude {
    explicit Latitude(double aDegrees) : Degrees(aDegrees) {}
    double Degrees;
};
struct Longitude {
    explicit Longitude(double aDegrees) : Degrees(aDegrees) {}
    double Degrees;
};

using CameraIndexSet = SmallSet<256>;

}  // namespace qel

// One pitch of the server settings: where a measurement system locates transponders.
//
// Edited on the main thread (settings load, configuration dialog); the measurement, output and
// camera threads read it: numbers are atomic, each text has its own lock, the enabled cameras,
// ball-tracking server ids and power-control entries are guarded by FListLock, the GPS
// orientation by FGPSLock and the transposition by FTransposeLock. The setters only store: they
// mark nothing modified.
class TqelFieldSettings {
public:
    TqelFieldSettings() = default;
    TqelFieldSettings(const TqelFieldSettings&) = delete;
    TqelFieldSettings& operator=(const TqelFieldSettings&) = delete;

    // --- Identity and measurement system ---

    int32_t FieldID() const { return FFieldID; }
    void setFieldID(int32_t aValue) { FFieldID = aValue; }
    // The pitch with an empty name is the default pitch.
    QString FieldName() const { return FFieldName.get(); }
    void setFieldName(const QString& aValue) { FFieldName.set(aValue); }
    TqelSystemType SystemType() const { return FSystemType; }
    void setSystemType(TqelSystemType aValue) { FSystemType = aValue; }
    QString IPAbatecServer() const { return FIPAbatecServer.get(); }
    void setIPAbatecServer(const QString& aValue) { FIPAbatecServer.set(aValue); }
    QString IPDataReceiver() const { return FIPDataReceiver.get(); }
    void setIPDataReceiver(const QString& aValue) { FIPDataReceiver.set(aValue); }
    QString IPControlePC() const { return FIPControlePC.get(); }
    void setIPControlePC(const QString& aValue) { FIPControlePC.set(aValue); }
    // LPM control port.
    int32_t LPMPort() const { return FLPMPort; }
    void setLPMPort(int32_t aValue) { FLPMPort = aValue; }
    // UDP port on which LPM data arrive.
    int32_t UDPListenPort() const { return FUDPListenPort; }
    void setUDPListenPort(int32_t aValue) { FUDPListenPort = aValue; }
    TlpmDataProtocol LPMDataProtocol() const { return FLPMDataProtocol; }
    void setLPMDataProtocol(TlpmDataProtocol aValue) { FLPMDataProtocol = aValue; }
    // Bytes per LPM record of LPMDataProtocol.
    int32_t LPMDataSize() const;
    QString LPMPathLinux() const { return FLPMPathLinux.get(); }
    void setLPMPathLinux(const QString& aValue) { FLPMPathLinux.set(aValue); }
    int32_t NumberOfBaseStations() const { return FNumberOfBaseStations; }
    void setNumberOfBaseStations(int32_t aValue) { FNumberOfBaseStations = aValue; }
    // A folder on the LPM side: a non-empty value gets a trailing "\".
    QString AbatecSettingsDirectory() const { return FAbatecSettingsDirectory.get(); }
    void setAbatecSettingsDirectory(const QString& aValue);
    QString ZXYServerIPAddress() const { return FZXYServerIPAddress.get(); }
    void setZXYServerIPAddress(const QString& aValue) { FZXYServerIPAddress.set(aValue); }
    int32_t ZXYDataPort() const { return FZXYDataPort; }
    void setZXYDataPort(int32_t aValue) { FZXYDataPort = aValue; }
    int32_t ZXYControlPort() const { return FZXYControlPort; }
    void setZXYControlPort(int32_t aValue) { FZXYControlPort = aValue; }
    QString ZXYUsername() const { return FZXYUsername.get(); }
    void setZXYUsername(const QString& aValue) { FZXYUsername.set(aValue); }
    // Plain text in memory.
    QString ZXYPassword() const { return FZXYPassword.get(); }
    void setZXYPassword(const QString& aValue) { FZXYPassword.set(aValue); }
    QString STSPServerIPAddress() const { return FSTSPServerIPAddress.get(); }
    void setSTSPServerIPAddress(const QString& aValue) { FSTSPServerIPAddress.set(aValue); }
    int32_t STSPDataPort() const { return FSTSPDataPort; }
    void setSTSPDataPort(int32_t aValue) { FSTSPDataPort = aValue; }
    // Name of the power switch of the pitch's hub.
    QString EPCHUB() const { return FEPCHUB.get(); }
    void setEPCHUB(const QString& aValue) { FEPCHUB.set(aValue); }

    // --- Boxes, mm ---

    int32_t FieldBoxXLeft() const { return FFieldBoxXLeft; }
    void setFieldBoxXLeft(int32_t aValue) { FFieldBoxXLeft = aValue; }
    int32_t FieldBoxYBottom() const { return FFieldBoxYBottom; }
    void setFieldBoxYBottom(int32_t aValue) { FFieldBoxYBottom = aValue; }
    int32_t FieldBoxXRight() const { return FFieldBoxXRight; }
    void setFieldBoxXRight(int32_t aValue) { FFieldBoxXRight = aValue; }
    int32_t FieldBoxYTop() const { return FFieldBoxYTop; }
    void setFieldBoxYTop(int32_t aValue) { FFieldBoxYTop = aValue; }
    int32_t MeasurementBoxXLeft() const { return FMeasurementBoxXLeft; }
    void setMeasurementBoxXLeft(int32_t aValue) { FMeasurementBoxXLeft = aValue; }
    int32_t MeasurementBoxYBottom() const { return FMeasurementBoxYBottom; }
    void setMeasurementBoxYBottom(int32_t aValue) { FMeasurementBoxYBottom = aValue; }
    int32_t MeasurementBoxXRight() const { return FMeasurementBoxXRight; }
    void setMeasurementBoxXRight(int32_t aValue) { FMeasurementBoxXRight = aValue; }
    int32_t MeasurementBoxYTop() const { return FMeasurementBoxYTop; }
    void setMeasurementBoxYTop(int32_t aValue) { FMeasurementBoxYTop = aValue; }
    // A valid position inside the measurement box, bounds included.
    bool InMeasurementBox(const RqelPositionRec& aPos) const;

    // --- GPS reference, degrees ---

    double GPSZeroPointLat() const { return FGPSZeroPointLat; }
    void setGPSZeroPointLat(double aValue) { FGPSZeroPointLat = aValue; }
    double GPSZeroPointLon() const { return FGPSZeroPointLon; }
    void setGPSZeroPointLon(double aValue) { FGPSZeroPointLon = aValue; }
    double GPSPointNegXLat() const { return FGPSPointNegXLat; }
    void setGPSPointNegXLat(double aValue) { FGPSPointNegXLat = aValue; }
    double GPSPointNegXLon() const { return FGPSPointNegXLon; }
    void setGPSPointNegXLon(double aValue) { FGPSPointNegXLon = aValue; }
    double GPSPointPosXLat() const { return FGPSPointPosXLat; }
    void setGPSPointPosXLat(double aValue) { FGPSPointPosXLat = aValue; }
    double GPSPointPosXLon() const { return FGPSPointPosXLon; }
    void setGPSPointPosXLon(double aValue) { FGPSPointPosXLon = aValue; }
    // Direction of the pitch's X axis, radians; set by InitiateGPSOrientation.
    double GPSFieldAngle() const;
    // Derives the pitch's orientation and the degrees-per-metre factors from the GPS values.
    void InitiateGPSOrientation();
    // The GPS point in the pitch's frame, mm, in a cleared record (Valid false). Raises
    // EInvalidOp before InitiateGPSOrientation has run and when the point lies beyond 32 bits of
    // millimetres.
    RqelPositionRec GPStoMetric(qel::Latitude aLatitude, qel::Longitude aLongitude) const;

    // --- Transposition onto a base pitch while roaming ---

    double TransposeRotation() const;
    void setTransposeRotation(double aValue);
    int32_t TransposeXinMM() const;
    void setTransposeXinMM(int32_t aValue);
    int32_t TransposeYinMM() const;
    void setTransposeYinMM(int32_t aValue);
    // Rotated by TransposeRotation, then shifted; a position at (0, 0) stays as it is.
    RqelPositionRec TransposePos(const RqelPositionRec& aPos) const;
    // The inverse: unshifted, then rotated back; exact to the millimetre rounding of the two
    // rotations (at most 1 mm per axis). Raises EInvalidOp when a result leaves 32 bits.
    RqelPositionRec RevertePos(const RqelPositionRec& aPos) const;
    void TransposeClear();

    // --- Outputs and partner feeds enabled on the pitch ---

    bool PosiStageNetEnabled() const { return FPosiStageNetEnabled; }
    void setPosiStageNetEnabled(bool aValue) { FPosiStageNetEnabled = aValue; }
    bool GameOnEnabled() const { return FGameOnEnabled; }
    void setGameOnEnabled(bool aValue) { FGameOnEnabled = aValue; }
    bool StoreLiveData() const { return FStoreLiveData; }
    void setStoreLiveData(bool aValue) { FStoreLiveData = aValue; }
    bool SCGEnabled() const { return FSCGEnabled; }
    void setSCGEnabled(bool aValue) { FSCGEnabled = aValue; }
    bool NokiaEnabled() const { return FNokiaEnabled; }
    void setNokiaEnabled(bool aValue) { FNokiaEnabled = aValue; }
    bool QualogyEnabled() const { return FQualogyEnabled; }
    void setQualogyEnabled(bool aValue) { FQualogyEnabled = aValue; }
    bool AMQPEnabled() const { return FAMQPEnabled; }
    void setAMQPEnabled(bool aValue) { FAMQPEnabled = aValue; }

    // --- Cameras, by their index in the camera list ---

    qel::CameraIndexSet EnabledCameraIndexes() const;
    void setEnabledCameraIndexes(const qel::CameraIndexSet& aValue);
    void EnableCamera(uint8_t aCameraIndex);

    // --- Ball-tracking servers, by ID, in the order enabled, without 0 and without repeats ---

    void ClearBTS();
    void EnableBTS(uint8_t aBTSId);
    // 0 outside 0 .. count-1.
    uint8_t EnabledBTSID(int aIndex) const;
    int EnabledBTSIDCount() const;
    qel::CameraIndexSet EnabledBTSIDs() const;
    bool BallTrackingEnabled() const { return EnabledBTSIDCount() > 0; }
    // The server of the process-wide settings whose ID is at that index of the list; nullptr
    // outside the list or when no server has that ID.
    std::shared_ptr<TqelBallTrackingServer> GetBallTrackingServer(int aIndex) const;

    // --- Power switches of the pitch, entries "name=state" ---

    // The entries joined by ";", in single quotes with inner single quotes doubled ("''" for
    // none). The setter takes that form or the bare list; an entry without "=" gets "=1".
    QString EnabledPowerControls() const;
    void setEnabledPowerControls(const QString& aValue);
    void ClearPowerControls();
    // The state of the entry of that name (case ignored); -1 when there is none or its state is
    // no integer.
    int32_t GetPowerControlState(const QString& aDeviceName) const;
    // Replaces that entry's state, or appends such an entry.
    void SetPowerControlState(const QString& aDeviceName, int32_t Value);

    // Set by the configuration dialog after it copied the operator's edits in.
    bool Modified() const { return FModified; }
    void setModified(bool aValue) { FModified = aValue; }

    // Copies every setting of the file but the transposition and the GPS orientation; true when
    // any of them differed (a GPS value that is not a number always differs).
    bool Assign(const TqelFieldSettings& Value);

    void readFromIni(const qel::IniFile& aIni, const QString& aSection,
                     const qel::FieldSectionDefaults& aDefaults, const TqelServerConfig& aConfig);
    void writeToIni(qel::IniFile& aIni, const QString& aSection,
                    const TqelServerConfig& aConfig) const;

private:
    std::vector<uint8_t> btsIds() const;

    std::atomic<int32_t> FFieldID{0};
    qel::SharedText FFieldName;
    std::atomic<TqelSystemType> FSystemType{mstLPM};
    qel::SharedText FIPAbatecServer;
    qel::SharedText FIPDataReceiver;
    qel::SharedText FIPControlePC;
    std::atomic<int32_t> FLPMPort{1135};
    std::atomic<int32_t> FUDPListenPort{70};
    std::atomic<TlpmDataProtocol> FLPMDataProtocol{dtpLongDataFormat};
    qel::SharedText FLPMPathLinux;
    std::atomic<int32_t> FNumberOfBaseStations{0};
    qel::SharedText FAbatecSettingsDirectory;
    qel::SharedText FZXYServerIPAddress{QStringLiteral("10.19.0.2")};
    std::atomic<int32_t> FZXYDataPort{7049};
    std::atomic<int32_t> FZXYControlPort{1818};
    qel::SharedText FZXYUsername;
    qel::SharedText FZXYPassword;
    qel::SharedText FSTSPServerIPAddress;
    std::atomic<int32_t> FSTSPDataPort{40013};
    qel::SharedText FEPCHUB;

    std::atomic<int32_t> FFieldBoxXLeft{0};
    std::atomic<int32_t> FFieldBoxYBottom{0};
    std::atomic<int32_t> FFieldBoxXRight{0};
    std::atomic<int32_t> FFieldBoxYTop{0};
    std::atomic<int32_t> FMeasurementBoxXLeft{0};
    std::atomic<int32_t> FMeasurementBoxYBottom{0};
    std::atomic<int32_t> FMeasurementBoxXRight{0};
    std::atomic<int32_t> FMeasurementBoxYTop{0};

    std::atomic<double> FGPSZeroPointLat{0};
    std::atomic<double> FGPSZeroPointLon{0};
    std::atomic<double> FGPSPointNegXLat{0};
    std::atomic<double> FGPSPointNegXLon{0};
    std::atomic<double> FGPSPointPosXLat{0};
    std::atomic<double> FGPSPointPosXLon{0};
    // The orientation is read as a whole: the angle and the two factors.
    mutable std::mutex FGPSLock;
    double FGPSFieldAngle = 0;
    double FGPSLatDegreesPerM = 0;
    double FGPSLonDegreesPerM = 0;  // 0 once initiated: the zero point lies on a pole
    bool FGPSInitiated = false;

    mutable std::mutex FTransposeLock;
    double FTransposeRotation = 0;
    int32_t FTransposeXinMM = 0;
    int32_t FTransposeYinMM = 0;

    std::atomic<bool> FPosiStageNetEnabled{false};
    std::atomic<bool> FGameOnEnabled{false};
    std::atomic<bool> FStoreLiveData{false};
    std::atomic<bool> FSCGEnabled{false};
    std::atomic<bool> FNokiaEnabled{false};
    std::atomic<bool> FQualogyEnabled{false};
    std::atomic<bool> FAMQPEnabled{false};

    mutable std::mutex FListLock;
    qel::CameraIndexSet FEnabledCameraIndexes;
    std::vector<uint8_t> FBTSIds;
    QStringList FPowerControls;

    std::atomic<bool> FModified{false};
};
