#pragma once

#include <QString>
#include <cstdint>

#include "foundation/shared_enums.h"

namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

// One effort of an athlete, recorded as a sprint.
struct RSprintBin {
    // m/s; the FIFA speed over 950 ms.
    double MaxSpeedMS = 0;
    double MaxFifaSpeed = 0;
    // m/s², during the effort and its lead-in.
    double MaxAccelerationMS2 = 0;
    double LastSpeed = 0;
    // 0 marks the open record as free.
    int32_t StartTimeInMS = 0;
    int32_t EndTimeInMS = 0;
    int32_t HIDSpeedTimeInMS = 0;
    double SprintDistanceInMM = 0;
    double HIDDistanceInMM = 0;
    int32_t SprintTimeInMS = 0;
    int32_t AvgHeartbeat = 0;
    int32_t AccelStartTimeInMS = 0;
    double SpeedIndex = 0;
    double ETLIndex = 0;
    // 1-based; 0 none; -1 while the effort is open.
    int32_t SprintCategory = 0;
    double StartPosXinM = 0;
    double StartPosYinM = 0;
    double EndPosXinM = 0;
    double EndPosYinM = 0;
    // In the play direction, (-pi, pi].
    double DirectionRAD = 0;
    TqelPlayDirection PlayDirection = pldNone;
    int32_t StartFieldZone = 0;
    int32_t EndFieldZone = 0;
    // m, up to and including the first step.
    double CumDistanceStartInM = 0;
    int32_t DurationPossessionInMS = 0;
    int32_t DurationOpponentInMS = 0;
    bool StartPossession = false;
    int32_t OnFieldTime = 0;
    int32_t EffectiveTime = 0;
    bool InitClockRunning = false;

    int32_t DurationInMS() const;
    // The direction's sector: "F", "FR", "R", "BR", "B", "BL", "L" or "FL".
    QString DirectionText() const;

    // A record as stored in a file of version aVersion: groups the version lacks read as 0.
    static RSprintBin Read(qel::BinaryReader& aStream, uint8_t aVersion);
    // Bytes of a record in a file of version aVersion.
    static int32_t StreamSize(uint8_t aVersion);
    // Always the newest layout.
    void Write(qel::BinaryWriter& aStream) const;
};
