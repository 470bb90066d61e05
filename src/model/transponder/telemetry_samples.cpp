#include "model/transponder/telemetry_samples.h"

#include <cmath>

namespace {

int32_t Absolute(int32_t aValue) {
    return aValue < 0 ? qel::WrapNegate(aValue) : aValue;
}

bool IsIntervalType(uint8_t aType) {
    return aType >= 60 && aType <= 63;
}

bool IsDataType(uint8_t aType) {
    return aType >= 56 && aType <= 59;
}

bool IsMillisecondType(uint8_t aType) {
    return aType == 1 || aType >= 252;
}

}  // namespace

void RqelHeartbeatSample::Assign(const RqelHeartbeatSample& aValue) {
    *this = aValue;
    setFTimestampInMS(aValue.GetTimestampInMS());
}

void RqelHeartbeatSample::AddTimeInMS(int32_t aTimeInMS) {
    const int32_t time = qel::WrapAdd(GetTimestampInMS(), aTimeInMS);
    setFTimestampInMS(GetInvalid() ? qel::WrapNegate(time) : time);
}

int32_t RqelHeartbeatSample::GetTimestampInMS() const {
    return Absolute(FTimestampInMS());
}

void RqelHeartbeatSample::SetInvalid(bool aValue) {
    const int32_t time = FTimestampInMS();
    if (aValue ? time > 0 : time < 0) {
        setFTimestampInMS(qel::WrapNegate(time));
    }
}

double RqelHeartbeatSample::GetHeartbeat(bool UseTelemetryIDs, bool aShowSpikes) const {
    if (GetInvalid()) {
        return 0.0;
    }
    const uint8_t type = TelemetryType();
    const bool known =
        !UseTelemetryIDs || IsIntervalType(type) || IsDataType(type) || IsMillisecondType(type);
    if (!known) {
        return 0.0;
    }
    if (!aShowSpikes && TelemetryInvalid() != 0) {
        return TelemetryInvalid();
    }
    return RawHeartbeat(UseTelemetryIDs);
}

double RqelHeartbeatSample::RawHeartbeat(bool UseTelemetryIDs) const {
    const uint8_t type = TelemetryType();
    const uint16_t data = TelemetryData();
    if (!UseTelemetryIDs || IsIntervalType(type)) {
        return data == 0 ? 0.0 : 61440.0 / data;
    }
    if (IsDataType(type)) {
        return data >> 8;
    }
    if (IsMillisecondType(type)) {
        return data == 0 ? 0.0 : 60000.0 / data;
    }
    return 0.0;
}

double RqelAccelerometerFiltered::GetAcceleration() const {
    const double x = XAcceleration;
    const double y = YAcceleration;
    const double z = ZAcceleration;
    return std::sqrt(x * x + y * y + z * z);
}
