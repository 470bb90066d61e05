#include "measurement/drivers/lpm_position_data.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

#include "foundation/text_utils.h"
#include "platform/date_time.h"
#include "platform/numbers.h"

namespace qel {

namespace {

// Offsets of the record's fields.
constexpr int kTimeStamp = 0;
constexpr int kAntennaWord = 4;
constexpr int kQualityWord = 6;
constexpr int kTelemetry = 8;
constexpr int kX = 12;
constexpr int kY = 16;
constexpr int kZ = 20;
constexpr int kVX = 24;
constexpr int kVY = 26;
constexpr int kVZ = 28;
constexpr int kVelocityEnd = 30;

constexpr uint16_t kAntennaMask = 0x3FFF;
constexpr int kStateShift = 14;
constexpr int kBaseStationShift = 6;
constexpr uint16_t kBaseStationMask = 0x1F;

// Gaps and steps back of the LPM clock, in ms.
constexpr int64_t kLPMClockRestart = 100;
constexpr int64_t kLPMSampleGap = 10;
// A heart-rate value is the beat period in 1/1024 min.
constexpr double kHeartRateDividend = 61440.0;

int32_t I32(const uint8_t* aAt) {
    return qFromLittleEndian<int32_t>(aAt);
}

int16_t I16(const uint8_t* aAt) {
    return qFromLittleEndian<int16_t>(aAt);
}

uint16_t U16(const uint8_t* aAt) {
    return qFromLittleEndian<uint16_t>(aAt);
}

void DecodeTelemetry(const LPMDecodeContext& aContext, RqelPositionRec& aPosition) {
    const RqelTelemetry& telemetry = aPosition.Telemetry;
    const uint8_t subValue = telemetry.Type_() & 3;
    switch (telemetry.TelemetryType() & 0x3F) {
        case TelemetryTypeBattery:
            if (TelemetryCheckByte(telemetry)) {
                aPosition.BatteryState = subValue;
                aPosition.BatteryPerc =
                    static_cast<uint16_t>(Round(BatteryPercentFromMilliVolts(telemetry.Data())));
            }
            break;
        case TelemetryTypeHeartRate:
            aPosition.Heartbeat =
                telemetry.Data() == 0
                    ? 0
                    : static_cast<uint16_t>(Round(kHeartRateDividend / telemetry.Data()));
            break;
        case TelemetryTypeData:
            aPosition.Heartbeat = telemetry.Data() >> 8;
            break;
        case TelemetryTypeAccelerometer:
            // X is the data's high byte, Y its low byte, Z the check byte's place.
            aPosition.Accel.SetData(static_cast<int32_t>(aContext.AccelTimeMS),
                                    static_cast<int8_t>(telemetry.Byte2()),
                                    static_cast<int8_t>(telemetry.Byte1()),
                                    static_cast<int8_t>(telemetry.Byte0()), subValue == 0);
            break;
        default:
            break;
    }
}

}  // namespace

uint32_t LPMRecordTimeMS(const uint8_t* aRecord) {
    return qFromLittleEndian<uint32_t>(aRecord + kTimeStamp) / 10u;
}

uint8_t LPMRecordState(const uint8_t* aRecord) {
    return static_cast<uint8_t>(U16(aRecord + kAntennaWord) >> kStateShift);
}

void DecodeLPMRecord(const uint8_t* aRecord, int32_t aSize, const LPMDecodeContext& aContext,
                     RqelPositionRec& aPosition) {
    const uint16_t antennaWord = U16(aRecord + kAntennaWord);
    const uint16_t quality = U16(aRecord + kQualityWord);
    const int32_t x = I32(aRecord + kX);
    const int32_t y = I32(aRecord + kY);
    uint8_t state = static_cast<uint8_t>(antennaWord >> kStateShift);
    if (state == 0 && x == 0 && y == 0) {
        state = ldsAllZeroCoords;
    }

    aPosition.AntennaID = antennaWord & kAntennaMask;
    aPosition.TimeStampInMS = aContext.TimeStampInMS;
    aPosition.XinMM = x;
    aPosition.YinMM = y;
    aPosition.ZinMM = aContext.Transponder3D ? I32(aRecord + kZ) : aContext.TransponderHeightinMM;
    const bool hasVelocity = aSize >= kVelocityEnd;
    aPosition.VXinMMS = hasVelocity ? I16(aRecord + kVX) : 0;
    aPosition.VYinMMS = hasVelocity ? I16(aRecord + kVY) : 0;
    aPosition.VZinMMS = hasVelocity ? I16(aRecord + kVZ) : 0;
    aPosition.Quality = quality;
    aPosition.Valid = state == 0;
    std::memcpy(aPosition.Telemetry.bytes, aRecord + kTelemetry, sizeof(RqelTelemetry));
    aPosition.Accel.Clear();
    aPosition.Heartbeat = 0;
    aPosition.BatteryPerc = 0;
    aPosition.BatteryState = RqelPositionRec::NoBatteryState;
    aPosition.DataState = static_cast<TqelDataStatus>(state);
    aPosition.NumberBS = (quality >> kBaseStationShift) & kBaseStationMask;
    aPosition.DistanceInMM = 0;
    // At most sqrt(3) * 32768: fits.
    aPosition.SpeedInMMS = static_cast<uint16_t>(aPosition.Velocity());
    aPosition.AccelInMMss = 0;
    DecodeTelemetry(aContext, aPosition);
}

// --- LPMTimeBookkeeping ---

void LPMTimeBookkeeping::Reset() {
    FLastTimeStampInMS = 0;
    FFirstLPMDatetime = 0;
    FMissedPackets = 0;
}

void LPMTimeBookkeeping::Note(uint32_t aTimeMS, int32_t& aFirstMeasurementMS) {
    const int64_t t = aTimeMS;
    if (aFirstMeasurementMS == 0 && t != 0) {
        aFirstMeasurementMS = static_cast<int32_t>(aTimeMS);
        const TDateTime now = Now();
        const int64_t day = DateTimeToMs(DateOf(now)) / kMSecsPerDay;
        if (FFirstBaseDay < 0) {
            FFirstBaseDay = day;
        }
        FFirstLPMDatetime = MilliSecondOfTheDay(now) + (day - FFirstBaseDay) * kMSecsPerDay;
    }
    if (t + kLPMClockRestart < FLastTimeStampInMS) {
        FLastTimeStampInMS = t;
    }
    if (FLastTimeStampInMS < t) {
        if (FLastTimeStampInMS < t - kLPMSampleGap) {
            ++FMissedPackets;
        }
        FLastTimeStampInMS = t;
    }
}

int32_t LPMTimeBookkeeping::ToDateTimestamp(uint32_t aTimeMS, int32_t aFirstMeasurementMS) const {
    // Wraps as the position's 32-bit time does.
    return static_cast<int32_t>(FFirstLPMDatetime + static_cast<int64_t>(aTimeMS) -
                                aFirstMeasurementMS);
}

// --- LPMReassemblyBuffer ---

LPMReassemblyBuffer::LPMReassemblyBuffer() : FBuffer(kInitialSize) {}

bool LPMReassemblyBuffer::Prepare(int64_t aLength, uint32_t aSender) {
    bool dropped = false;
    if (Remainder() > 0 && aSender != FRemainderSender) {
        FRead = FWritten = 0;
        dropped = true;
    }
    const int64_t needed = FWritten + aLength;
    if (needed > Size()) {
        FBuffer.resize(static_cast<size_t>(needed));
    }
    FRemainderSender = aSender;
    return dropped;
}

const uint8_t* LPMReassemblyBuffer::Next(int64_t aStep) const {
    return aStep > 0 && FWritten - FRead >= aStep ? FBuffer.data() + FRead : nullptr;
}

bool LPMReassemblyBuffer::Finish() {
    const int64_t left = Remainder();
    if (left > 0 && FRead > 0) {
        std::memmove(FBuffer.data(), FBuffer.data() + FRead, static_cast<size_t>(left));
    }
    FRead = 0;
    FWritten = left;
    return left > 0;
}

}  // namespace qel
