#include "analysis/sprints/sprint_bin.h"

#include <numbers>

#include "platform/binary_stream.h"

namespace {

// The versions from which the record's field groups are stored, in stream order. The groups
// were not added in version order, so each is gated on its own.
constexpr uint8_t kStartPositionVersion = 115;
constexpr uint8_t kEndPositionVersion = 131;
constexpr uint8_t kZonesVersion = 132;
constexpr uint8_t kCumDistanceVersion = 116;
constexpr uint8_t kPossessionVersion = 121;
// From here the possession byte is the start possession itself, before an old code.
constexpr uint8_t kStartPossessionVersion = 132;
constexpr uint8_t kClockVersion = 143;

// The old possession codes in which the own team has the ball.
bool OwnTeamPossession(uint8_t aCode) {
    return aCode == 1 || aCode == 3;
}

TqelPlayDirection PlayDirectionFromStream(int32_t aValue) {
    return aValue >= pldNone && aValue <= pldRightToLeft ? static_cast<TqelPlayDirection>(aValue)
                                                         : pldNone;
}

}  // namespace

int32_t RSprintBin::DurationInMS() const {
    return static_cast<int32_t>(static_cast<int64_t>(EndTimeInMS) - StartTimeInMS);
}

QString RSprintBin::DirectionText() const {
    const double d = DirectionRAD * 180 / std::numbers::pi;
    if (d < -157.5 || d >= 157.5) {
        return QStringLiteral("B");
    }
    if (d < -112.5) {
        return QStringLiteral("BL");
    }
    if (d < -67.5) {
        return QStringLiteral("L");
    }
    if (d < -22.5) {
        return QStringLiteral("FL");
    }
    if (d < 22.5) {
        return QStringLiteral("F");
    }
    if (d < 67.5) {
        return QStringLiteral("FR");
    }
    if (d < 112.5) {
        return QStringLiteral("R");
    }
    return QStringLiteral("BR");
}

int32_t RSprintBin::StreamSize(uint8_t aVersion) {
    int32_t size = 4 * 8 + 3 * 4 + 2 * 8 + 3 * 4 + 2 * 8 + 4;
    if (aVersion >= kStartPositionVersion) {
        size += 2 * 8;
    }
    if (aVersion >= kEndPositionVersion) {
        size += 3 * 8;
    }
    if (aVersion >= kZonesVersion) {
        size += 3 * 4;
    }
    if (aVersion >= kCumDistanceVersion) {
        size += 8;
    }
    if (aVersion >= kPossessionVersion) {
        size += 2 * 4 + 1;
    }
    if (aVersion >= kClockVersion) {
        size += 1 + 2 * 4;
    }
    return size;
}

RSprintBin RSprintBin::Read(qel::BinaryReader& aStream, uint8_t aVersion) {
    RSprintBin bin;
    bin.MaxSpeedMS = aStream.readDouble();
    bin.MaxFifaSpeed = aStream.readDouble();
    bin.MaxAccelerationMS2 = aStream.readDouble();
    bin.LastSpeed = aStream.readDouble();
    bin.StartTimeInMS = aStream.readI32();
    bin.EndTimeInMS = aStream.readI32();
    bin.HIDSpeedTimeInMS = aStream.readI32();
    bin.SprintDistanceInMM = aStream.readDouble();
    bin.HIDDistanceInMM = aStream.readDouble();
    bin.SprintTimeInMS = aStream.readI32();
    bin.AvgHeartbeat = aStream.readI32();
    bin.AccelStartTimeInMS = aStream.readI32();
    bin.SpeedIndex = aStream.readDouble();
    bin.ETLIndex = aStream.readDouble();
    bin.SprintCategory = aStream.readI32();
    if (aVersion >= kStartPositionVersion) {
        bin.StartPosXinM = aStream.readDouble();
        bin.StartPosYinM = aStream.readDouble();
    }
    if (aVersion >= kEndPositionVersion) {
        bin.EndPosXinM = aStream.readDouble();
        bin.EndPosYinM = aStream.readDouble();
        bin.DirectionRAD = aStream.readDouble();
    }
    if (aVersion >= kZonesVersion) {
        bin.PlayDirection = PlayDirectionFromStream(aStream.readI32());
        bin.StartFieldZone = aStream.readI32();
        bin.EndFieldZone = aStream.readI32();
    }
    if (aVersion >= kCumDistanceVersion) {
        bin.CumDistanceStartInM = aStream.readDouble();
    }
    if (aVersion >= kPossessionVersion) {
        bin.DurationPossessionInMS = aStream.readI32();
        bin.DurationOpponentInMS = aStream.readI32();
        const uint8_t possession = aStream.readU8();
        bin.StartPossession =
            aVersion >= kStartPossessionVersion ? possession != 0 : OwnTeamPossession(possession);
    }
    if (aVersion >= kClockVersion) {
        bin.InitClockRunning = aStream.readBool();
        bin.OnFieldTime = aStream.readI32();
        bin.EffectiveTime = aStream.readI32();
    }
    return bin;
}

void RSprintBin::Write(qel::BinaryWriter& aStream) const {
    aStream.writeDouble(MaxSpeedMS);
    aStream.writeDouble(MaxFifaSpeed);
    aStream.writeDouble(MaxAccelerationMS2);
    aStream.writeDouble(LastSpeed);
    aStream.writeI32(StartTimeInMS);
    aStream.writeI32(EndTimeInMS);
    aStream.writeI32(HIDSpeedTimeInMS);
    aStream.writeDouble(SprintDistanceInMM);
    aStream.writeDouble(HIDDistanceInMM);
    aStream.writeI32(SprintTimeInMS);
    aStream.writeI32(AvgHeartbeat);
    aStream.writeI32(AccelStartTimeInMS);
    aStream.writeDouble(SpeedIndex);
    aStream.writeDouble(ETLIndex);
    aStream.writeI32(SprintCategory);
    aStream.writeDouble(StartPosXinM);
    aStream.writeDouble(StartPosYinM);
    aStream.writeDouble(EndPosXinM);
    aStream.writeDouble(EndPosYinM);
    aStream.writeDouble(DirectionRAD);
    aStream.writeI32(PlayDirection);
    aStream.writeI32(StartFieldZone);
    aStream.writeI32(EndFieldZone);
    aStream.writeDouble(CumDistanceStartInM);
    aStream.writeI32(DurationPossessionInMS);
    aStream.writeI32(DurationOpponentInMS);
    aStream.writeBool(StartPossession);
    aStream.writeBool(InitClockRunning);
    aStream.writeI32(OnFieldTime);
    aStream.writeI32(EffectiveTime);
}
