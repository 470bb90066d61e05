#include "foundation/position_records.h"

#include <QtEndian>
#include <cmath>
#include <numbers>

#include "platform/numbers.h"

// --- RqelTelemetry ---

uint32_t RqelTelemetry::Value() const {
    return qFromLittleEndian<uint32_t>(bytes);
}

void RqelTelemetry::setValue(uint32_t aValue) {
    qToLittleEndian<uint32_t>(aValue, bytes);
}

uint16_t RqelTelemetry::Data() const {
    return qFromLittleEndian<uint16_t>(bytes + 1);
}

void RqelTelemetry::setData(uint16_t aValue) {
    qToLittleEndian<uint16_t>(aValue, bytes + 1);
}

bool RqelTelemetry::CheckTelemertyCRC() const {
    return qel::TelemetryCheckValue(*this) == bytes[0];
}

bool TelemetryCheckByte(const RqelTelemetry& aTelemetry) {
    return aTelemetry.CheckTelemertyCRC();
}

namespace qel {

uint8_t TelemetryCheckValue(const RqelTelemetry& aTelemetry) {
    uint8_t check = 0;
    for (int i = 3; i >= 1; --i) {
        const uint8_t b = aTelemetry.bytes[i];
        check = static_cast<uint8_t>(b ^ check ^ (b << 1));
    }
    return check;
}

}  // namespace qel

// --- RqelAccelerometerSample ---

namespace {
constexpr uint32_t TimeMask = 0x7FFFFFFFu;
}

uint32_t RqelAccelerometerSample::TimestampWord() const {
    return qFromLittleEndian<uint32_t>(bytes);
}

void RqelAccelerometerSample::setTimestampWord(uint32_t aValue) {
    qToLittleEndian<uint32_t>(aValue, bytes);
}

void RqelAccelerometerSample::SetData(int32_t aTimeStampInMS, int8_t aX, int8_t aY, int8_t aZ,
                                      bool aAmt8G) {
    setTimestampWord((static_cast<uint32_t>(aTimeStampInMS) & TimeMask) | (aAmt8G ? RangeFlag : 0));
    setXAcceleration(aX);
    setYAcceleration(aY);
    setZAcceleration(aZ);
}

int32_t RqelAccelerometerSample::TimestampInMS() const {
    return static_cast<int32_t>(TimestampWord() & TimeMask);
}

void RqelAccelerometerSample::setTimestampInMS(int32_t aValue) {
    // A time that reached into bit 31 would switch the range; it keeps its low 31 bits instead.
    setTimestampWord((static_cast<uint32_t>(aValue) & TimeMask) | (TimestampWord() & RangeFlag));
}

void RqelAccelerometerSample::AddTimeInMS(int32_t aTimeInMS) {
    // Unsigned arithmetic: wraps within 31 bits instead of overflowing.
    setTimestampInMS(
        static_cast<int32_t>((TimestampWord() + static_cast<uint32_t>(aTimeInMS)) & TimeMask));
}

void RqelAccelerometerSample::setHighRange(bool aValue) {
    const uint32_t word = TimestampWord();
    setTimestampWord(aValue ? (word | RangeFlag) : (word & TimeMask));
}

double RqelAccelerometerSample::GetAccelValue(int aByte) const {
    int count = 0;
    switch (aByte) {
        case 0:
            count = XAcceleration();
            break;
        case 1:
            count = YAcceleration();
            break;
        case 2:
            count = ZAcceleration();
            break;
        default:
            break;
    }
    return static_cast<double>(count) / Divider();
}

double RqelAccelerometerSample::GetAcceleration() const {
    const double x = GetAccelValue(0);
    const double y = GetAccelValue(1);
    const double z = GetAccelValue(2);
    return std::sqrt(x * x + y * y + z * z);
}

void RqelAccelerometerSample::Assign(const RqelAccelerometerSample& aValue) {
    *this = aValue;
}

void RqelAccelerometerSample::Clear() {
    *this = RqelAccelerometerSample{};
}

// --- RqelPositionRec ---

RqelPositionRec RqelPositionRec::Create() {
    RqelPositionRec result;
    result.Clear();
    return result;
}

void RqelPositionRec::Clear() {
    AntennaID = 0;
    TimeStampInMS = 0;
    XinMM = 0;
    YinMM = 0;
    ZinMM = 0;
    VXinMMS = 0;
    VYinMMS = 0;
    VZinMMS = 0;
    Valid = false;
    DataState = ldsOK;
    Heartbeat = 0;
    BatteryPerc = 0;
    BatteryState = NoBatteryState;
    NumberBS = 0;
    Accel.setTimestampInMS(0);
    DistanceInMM = 0;
    SpeedInMMS = 0;
    AccelInMMss = 0;
}

void RqelPositionRec::Assign(const RqelPositionRec& aSource) {
    const int32_t distance = DistanceInMM;
    const uint16_t speed = SpeedInMMS;
    const int16_t accel = AccelInMMss;
    *this = aSource;
    DistanceInMM = distance;
    SpeedInMMS = speed;
    AccelInMMss = accel;
}

int32_t RqelPositionRec::Velocity() const {
    const int64_t vx = VXinMMS;
    const int64_t vy = VYinMMS;
    const int64_t vz = VZinMMS;
    // At most 3 * 2^30: exact as a double.
    const int64_t squares = vx * vx + vy * vy + vz * vz;
    return static_cast<int32_t>(Round(std::sqrt(static_cast<double>(squares))));
}

void RqelPositionRec::RotateRAD(double aAngleRAD) {
    const double c = std::cos(aAngleRAD);
    const double s = std::sin(aAngleRAD);
    const double x = XinMM;
    const double y = YinMM;
    const int32_t newX = qel::RoundToInt32(c * x - s * y);
    const int32_t newY = qel::RoundToInt32(s * x + c * y);
    XinMM = newX;
    YinMM = newY;
}

// --- RqelLPMSample ---

uint16_t RqelLPMSample::getU16(int anOffset) const {
    return qFromLittleEndian<uint16_t>(bytes + anOffset);
}

uint32_t RqelLPMSample::getU32(int anOffset) const {
    return qFromLittleEndian<uint32_t>(bytes + anOffset);
}

void RqelLPMSample::setU16(int anOffset, uint16_t aValue) {
    qToLittleEndian<uint16_t>(aValue, bytes + anOffset);
}

void RqelLPMSample::setU32(int anOffset, uint32_t aValue) {
    qToLittleEndian<uint32_t>(aValue, bytes + anOffset);
}

void RqelLPMSample::setTelemetry(const RqelTelemetry& aTelemetry) {
    bytes[28] = aTelemetry.bytes[3];
    bytes[29] = aTelemetry.bytes[0];
    bytes[30] = aTelemetry.bytes[1];
    bytes[31] = aTelemetry.bytes[2];
}

RqelTelemetry RqelLPMSample::Telemetry() const {
    RqelTelemetry result;
    result.bytes[0] = bytes[29];
    result.bytes[1] = bytes[30];
    result.bytes[2] = bytes[31];
    result.bytes[3] = bytes[28];
    return result;
}

void RqelLPMSample::AssignPosition(const RqelPositionRec& aPosition) {
    // 0.1 ms in 32 unsigned bits: wraps as the measurement system's own counter does.
    setTimestamp(static_cast<uint32_t>(aPosition.TimeStampInMS) * 10u);
    setAntennaID(aPosition.AntennaID);
    setQuality(aPosition.Quality);
    setXinMM(aPosition.XinMM);
    setYinMM(aPosition.YinMM);
    setZinMM(aPosition.ZinMM);
    setDistanceMM(aPosition.DistanceInMM);
    setSpeedMMS(aPosition.SpeedInMMS);
    setAccelMMSS(aPosition.AccelInMMss);
    setTelemetry(aPosition.Telemetry);
}

RqelLPMSample RqelLPMSample::FromPosition(const RqelPositionRec& aPosition) {
    RqelLPMSample result;
    result.AssignPosition(aPosition);
    return result;
}

// --- RqelCalculatedPosition ---

void RqelCalculatedPosition::Clear() {
    *this = RqelCalculatedPosition{};
}

void RqelCalculatedPosition::Init(double aXinM, double aYinM, double aZinM, double aAngle,
                                  int32_t aSpikeLow, int32_t aSpikeHigh, int32_t aTransponderID,
                                  bool aOnField, bool aValidForSpeed) {
    XinM = aXinM;
    YinM = aYinM;
    ZinM = aZinM;
    Angle = aAngle;
    SpikeLow = aSpikeLow;
    SpikeHigh = aSpikeHigh;
    TransponderID = aTransponderID;
    OnField = aOnField;
    ValideForSpeed = aValidForSpeed;
}

void RqelCalculatedPosition::Rotate(double aDegrees) {
    RotateRAD(aDegrees * std::numbers::pi / 180.0);
}

void RqelCalculatedPosition::RotateRAD(double aAngleRAD) {
    const double c = std::cos(aAngleRAD);
    const double s = std::sin(aAngleRAD);
    const double x = XinM;
    const double y = YinM;
    XinM = c * x - s * y;
    YinM = s * x + c * y;
}

// --- camera records ---

void TqelPTZRad::Clear() {
    TimeStampInMS = 0;
    Pan = 0.0;
    Tilt = 0.0;
    Zoom = 0.0;
}

int32_t TqelCameraPosition::TimeStampInMS(int32_t anOffset) const {
    return static_cast<int32_t>(static_cast<uint32_t>(Timestamp) - static_cast<uint32_t>(anOffset));
}

void TqelCamSetting::Clear() {
    CameraID = 0;
    FollowingAntennaIDs.clear();
    TrackingMode = trkNone;
    ZoomLevel = 0;
    IPAddress.clear();
    CamState = comNA;
    Presets.clear();
    Manufacturer.clear();
    RecordingType.clear();
    LineIndex = 0;
    Username.clear();
    Password.clear();
    Filename.clear();
    LPMStartTime = 0;
}
