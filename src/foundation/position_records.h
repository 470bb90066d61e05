#pragma once

#include <QList>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <type_traits>

#include "foundation/shared_enums.h"
#include "platform/date_time.h"

namespace qel {
// Telemetry types (the upper six bits of the type byte) that the measurement drivers decode.
constexpr uint8_t TelemetryTypeData = 14;
constexpr uint8_t TelemetryTypeHeartRate = 15;
constexpr uint8_t TelemetryTypeBattery = 25;
constexpr uint8_t TelemetryTypeAccelerometer = 31;
}  // namespace qel

// The four-byte telemetry word of a transponder. The bytes are read through several views, so
// they are kept as bytes and every view is an accessor.
struct RqelTelemetry {
    uint8_t bytes[4]{};

    uint32_t Value() const;
    void setValue(uint32_t aValue);

    uint8_t CRC() const { return bytes[0]; }
    void setCRC(uint8_t aValue) { bytes[0] = aValue; }
    // Bytes 1 and 2, little-endian.
    uint16_t Data() const;
    void setData(uint16_t aValue);
    uint8_t Type_() const { return bytes[3]; }
    void setType_(uint8_t aValue) { bytes[3] = aValue; }
    // Upper six bits of the type byte; the lower two are a sub-state.
    uint8_t TelemetryType() const { return bytes[3] >> 2; }

    uint8_t Byte0() const { return bytes[0]; }
    uint8_t Byte1() const { return bytes[1]; }
    uint8_t Byte2() const { return bytes[2]; }
    uint8_t Byte3() const { return bytes[3]; }
    void setByte0(uint8_t aValue) { bytes[0] = aValue; }
    void setByte1(uint8_t aValue) { bytes[1] = aValue; }
    void setByte2(uint8_t aValue) { bytes[2] = aValue; }
    void setByte3(uint8_t aValue) { bytes[3] = aValue; }

    // Accelerometer telemetry.
    int8_t ZAxis() const { return static_cast<int8_t>(bytes[0]); }
    int8_t YAxis() const { return static_cast<int8_t>(bytes[1]); }
    int8_t XAxis() const { return static_cast<int8_t>(bytes[2]); }
    uint8_t AccelType() const { return bytes[3]; }

    // True when byte 0 is the check byte of bytes 1 to 3.
    bool CheckTelemertyCRC() const;
};
static_assert(sizeof(RqelTelemetry) == 4);

// True when the telemetry word's check byte is right (same as CheckTelemertyCRC).
bool TelemetryCheckByte(const RqelTelemetry& aTelemetry);

namespace qel {
// The check byte a telemetry word should carry, computed from bytes 3, 2 and 1.
uint8_t TelemetryCheckValue(const RqelTelemetry& aTelemetry);
}  // namespace qel

// Seven bytes as the dataset file stores them: a little-endian time word (bits 0..30 the time in
// ms, bit 31 the 8 g range flag), then the signed X, Y and Z counts.
struct RqelAccelerometerSample {
    uint8_t bytes[7]{};

    static constexpr uint32_t RangeFlag = 0x80000000u;

    uint32_t TimestampWord() const;
    void setTimestampWord(uint32_t aValue);

    void SetData(int32_t aTimeStampInMS, int8_t aX, int8_t aY, int8_t aZ, bool aAmt8G);

    // The time without the range flag. The setter keeps the flag and never lets the time reach
    // into it.
    int32_t TimestampInMS() const;
    void setTimestampInMS(int32_t aValue);
    void AddTimeInMS(int32_t aTimeInMS);

    bool HighRange() const { return (TimestampWord() & RangeFlag) != 0; }
    void setHighRange(bool aValue);

    int8_t XAcceleration() const { return static_cast<int8_t>(bytes[4]); }
    int8_t YAcceleration() const { return static_cast<int8_t>(bytes[5]); }
    int8_t ZAcceleration() const { return static_cast<int8_t>(bytes[6]); }
    void setXAcceleration(int8_t aValue) { bytes[4] = static_cast<uint8_t>(aValue); }
    void setYAcceleration(int8_t aValue) { bytes[5] = static_cast<uint8_t>(aValue); }
    void setZAcceleration(int8_t aValue) { bytes[6] = static_cast<uint8_t>(aValue); }

    // Counts per g: 14 in the 8 g range, else 56.
    int Divider() const { return HighRange() ? 14 : 56; }
    // Acceleration in g on axis 0 (X), 1 (Y) or 2 (Z); any other axis reads 0.
    double GetAccelValue(int aByte) const;
    // Magnitude of the three axes in g.
    double GetAcceleration() const;

    void Assign(const RqelAccelerometerSample& aValue);
    void Clear();
};
static_assert(sizeof(RqelAccelerometerSample) == 7);
static_assert(std::is_trivially_copyable_v<RqelAccelerometerSample>);

// One measured position of one transponder, as every measurement driver hands it on.
struct RqelPositionRec {
    uint16_t AntennaID = 0;
    int32_t TimeStampInMS = 0;
    int32_t XinMM = 0;
    int32_t YinMM = 0;
    int32_t ZinMM = 0;
    int16_t VXinMMS = 0;
    int16_t VYinMMS = 0;
    int16_t VZinMMS = 0;
    uint16_t Quality = 0;
    bool Valid = false;
    RqelTelemetry Telemetry;
    RqelAccelerometerSample Accel;
    uint16_t Heartbeat = 0;
    uint16_t BatteryPerc = 0;
    // 65535: no battery value.
    uint16_t BatteryState = 0;
    TqelDataStatus DataState = ldsOK;
    uint16_t NumberBS = 0;
    int32_t DistanceInMM = 0;
    uint16_t SpeedInMMS = 0;
    int16_t AccelInMMss = 0;

    static constexpr uint16_t NoBatteryState = 0xFFFF;

    static RqelPositionRec Create();
    // Keeps Quality, Telemetry and the accelerometer axes and range flag.
    void Clear();
    // Copies everything but DistanceInMM, SpeedInMMS and AccelInMMss.
    void Assign(const RqelPositionRec& aSource);
    void SetTimeStampInMS(int32_t aValue) { TimeStampInMS = aValue; }
    // Length of the velocity in mm/s, rounded half to even.
    int32_t Velocity() const;
    // Magnitude of the accelerometer sample in g.
    double Gravity() const { return Accel.GetAcceleration(); }
    // Rotates X and Y about the origin, each rounded half to even. Raises EInvalidOp (and leaves
    // the position as it was) when a result does not fit 32 bits.
    void RotateRAD(double aAngleRAD);
};

using PqelPositionRec = RqelPositionRec*;
using TqelArrayOfPositionRec = QList<RqelPositionRec>;

// The 32-byte sample of the client server's ring and of the live-data message. Its bytes are a
// wire format, so it is kept as little-endian bytes whatever the host.
//   0 Timestamp u32 (0.1 ms)   4 AntennaID u16   6 Quality u16   8 XinMM i32   12 YinMM i32
//  16 ZinMM i32   20 DistanceMM i32   24 SpeedMMS u16   26 AccelMMSS i16   28 TelemetryType u8
//  29 TelemetryCRC u8   30 TelemetryData u16
struct RqelLPMSample {
    uint8_t bytes[32]{};

    uint32_t Timestamp() const { return getU32(0); }
    void setTimestamp(uint32_t aValue) { setU32(0, aValue); }
    uint16_t AntennaID() const { return getU16(4); }
    void setAntennaID(uint16_t aValue) { setU16(4, aValue); }
    uint16_t Quality() const { return getU16(6); }
    void setQuality(uint16_t aValue) { setU16(6, aValue); }
    int32_t XinMM() const { return static_cast<int32_t>(getU32(8)); }
    void setXinMM(int32_t aValue) { setU32(8, static_cast<uint32_t>(aValue)); }
    int32_t YinMM() const { return static_cast<int32_t>(getU32(12)); }
    void setYinMM(int32_t aValue) { setU32(12, static_cast<uint32_t>(aValue)); }
    int32_t ZinMM() const { return static_cast<int32_t>(getU32(16)); }
    void setZinMM(int32_t aValue) { setU32(16, static_cast<uint32_t>(aValue)); }
    int32_t DistanceMM() const { return static_cast<int32_t>(getU32(20)); }
    void setDistanceMM(int32_t aValue) { setU32(20, static_cast<uint32_t>(aValue)); }
    uint16_t SpeedMMS() const { return getU16(24); }
    void setSpeedMMS(uint16_t aValue) { setU16(24, aValue); }
    int16_t AccelMMSS() const { return static_cast<int16_t>(getU16(26)); }
    void setAccelMMSS(int16_t aValue) { setU16(26, static_cast<uint16_t>(aValue)); }
    uint8_t TelemetryType() const { return bytes[28]; }
    void setTelemetryType(uint8_t aValue) { bytes[28] = aValue; }
    uint8_t TelemetryCRC() const { return bytes[29]; }
    void setTelemetryCRC(uint8_t aValue) { bytes[29] = aValue; }
    uint16_t TelemetryData() const { return getU16(30); }
    void setTelemetryData(uint16_t aValue) { setU16(30, aValue); }

    // Accelerometer view of the telemetry bytes.
    int8_t TelemZAcceleration() const { return static_cast<int8_t>(bytes[29]); }
    int8_t TelemXAcceleration() const { return static_cast<int8_t>(bytes[30]); }
    int8_t TelemYAcceleration() const { return static_cast<int8_t>(bytes[31]); }

    // Byte 28 is the telemetry's type byte (byte 3), bytes 29 to 31 its bytes 0 to 2.
    void setTelemetry(const RqelTelemetry& aTelemetry);
    RqelTelemetry Telemetry() const;

    // Fills every field from a position (Timestamp in 0.1 ms). Allocates nothing: it runs for
    // every live sample.
    void AssignPosition(const RqelPositionRec& aPosition);
    static RqelLPMSample FromPosition(const RqelPositionRec& aPosition);

private:
    uint16_t getU16(int anOffset) const;
    uint32_t getU32(int anOffset) const;
    void setU16(int anOffset, uint16_t aValue);
    void setU32(int anOffset, uint32_t aValue);
};
static_assert(sizeof(RqelLPMSample) == 32);
static_assert(std::is_trivially_copyable_v<RqelLPMSample>);
static_assert(std::is_standard_layout_v<RqelLPMSample>);

// A position for the analyses, in metres.
struct RqelCalculatedPosition {
    double XinM = 0;
    double YinM = 0;
    double ZinM = 0;
    double Angle = 0;
    int32_t SpikeLow = 0;
    int32_t SpikeHigh = 0;
    int32_t TransponderID = 0;
    bool OnField = false;
    bool ValideForSpeed = false;

    void Clear();
    void Init(double aXinM, double aYinM, double aZinM, double aAngle, int32_t aSpikeLow,
              int32_t aSpikeHigh, int32_t aTransponderID, bool aOnField, bool aValidForSpeed);
    // Rotation of (XinM, YinM) about the origin, not rounded.
    void Rotate(double aDegrees);
    void RotateRAD(double aAngleRAD);
};

using TqelCalculatedPositionArray = QList<RqelCalculatedPosition>;

// A camera orientation; pan and tilt in radians.
struct TqelPTZRad {
    int32_t TimeStampInMS = 0;
    double Pan = 0;
    double Tilt = 0;
    double Zoom = 0;

    void Clear();
    void Init() { Clear(); }
};

// One recorded camera sample (the encoded values of RqelCamPosCommunication).
struct TqelCameraPosition {
    int32_t Timestamp = 0;
    uint16_t PanInRad = 0;
    uint16_t Tilt = 0;
    uint16_t Zoom = 0;
    TqelTransponderSet Transponders;

    // Timestamp - anOffset (wrapping, as 32-bit arithmetic does).
    int32_t TimeStampInMS(int32_t anOffset) const;
};

// A camera position as sent to the client programs: pan and tilt in milliradians, zoom x 100.
struct RqelCamPosCommunication {
    uint8_t CameraIndex = 0;
    uint32_t TimeStampInMS = 0;
    uint16_t PanInRad = 0;
    uint16_t Tilt = 0;
    uint16_t Zoom = 0;
    TqelArrayOfWord Antennas;

    void SetAntennas(const TqelArrayOfWord& aAntennas) { Antennas = aAntennas; }
};

// One camera as reported to the client programs.
struct TqelCamSetting {
    uint8_t CameraID = 0;
    TqelArrayOfWord FollowingAntennaIDs;
    TqelTrackingMode TrackingMode = trkNone;
    uint8_t ZoomLevel = 0;
    QString IPAddress;
    TqelCamConnection CamState = comNA;
    TqelArrayOfString Presets;
    QString Manufacturer;
    QString RecordingType;
    int32_t LineIndex = 0;
    QString Username;
    QString Password;
    QString Filename;
    bool EnableAudio = false;
    int32_t LPMStartTime = 0;
    QString GameOnID;
    QString RTSPStream;

    // Keeps EnableAudio, GameOnID and RTSPStream.
    void Clear();
};

using TqelArrayOfCamSetting = QList<TqelCamSetting>;

// An event raised through the web interface or a client, for the data model and the clients.
struct RqelEventFromWeb {
    // 255 moves the existing event or marker with EventGUID to EventTime.
    uint8_t EventType = 0;
    TDateTime EventTime = 0;
    QString EventText;
    uint32_t EventLPMTime = 0;
    QUuid EventGUID;
};
