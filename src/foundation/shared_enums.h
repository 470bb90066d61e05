#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "foundation/small_set.h"

// Enumerations, sets and array types exchanged by every subsystem. Ordinals are stored and sent,
// so the order of the values must not change; every enumeration takes one byte.

enum TqelDataStatus : uint8_t {
    ldsOK,
    ldsNoReference,
    ldsNoTransponder,
    ldsReservedLPM,
    ldsNotEnoughStations,
    ldsAllZeroCoords,
    ldsVolatile,
    ldsInvalidated,
    ldsRemoved,
    ldsPaused,
    ldsBeforeBeginDts
};

enum TqelCamConnection : uint8_t {
    comNA,
    comConnected,
    comNotconnected,
    comUnknown,
    comRecording,
    comNotRecording
};

enum TqelCameraType : uint8_t { ctNone, ctBoschSD, ctBoschIP, ctHikvision, ctPixellot };

enum TqelTrackingMode : uint8_t { trkNone, trkJoystick, trkTransponder, trkPosition, trkAuto };

enum TqelHeatmapResolution : uint8_t { hmrNone, hmrSmall, hmrMedium, hmrLarge };

// The kinds of game-speed values: by distance, by high-intensity distance, by heart rate.
enum TqelGameSpeedTypes : uint8_t { gstNone, gstDistance, gstHid, gstHeartRate };

enum TqelPlayDirection : uint8_t { pldNone, pldLeftToRight, pldRightToLeft };

enum TqelTransponderToStringType : uint8_t {
    ttsDefault,
    ttsName,
    ttsNameAndTransponderID,
    ttsNameAndShirtNumber,
    ttsTransponderID,
    ttsShirtNumber
};

enum TqelStartupSequence : uint8_t {
    startNone,
    startSendControlPCIP,
    startSendUPDReceiverIP,
    startSendConnect,
    startSendParameterIni,
    startSendTransponderIni,
    startSendSystemINI,
    startSendInitialize,
    startSendStart,
    startRunning,
    startStopping,
    startDisconnected,
    startFinished
};

enum TqelCalculationType : uint8_t {
    calcSpeedInfo,
    calcAccelInfo,
    calcHeartInfo,
    calcETLInfo,
    calcSprintAct,
    calcAccelAct,
    calcCovertArea,
    calcEnergy,
    calcHeatmap,
    calcIceHockeyActions,
    calcAgilityTest,
    calcDistance,
    calcImpact,
    calcIceHockeyShifts,
    calcMechanicalPower,
    calcHMLDistance,
    calcGallops,
    calcAngularVelocity,
    calcGameSpeedDistanceInfo
};

enum TqelEventKind : uint8_t {
    evkUnknown,
    evkPass,
    evkReception,
    evkInterception,
    evkRunningWithball,
    evkThrouIn,
    evkCorner,
    evkPenalty,
    evkFreeKick,
    evkTransitionH2A,
    evkTransitionA2H,
    evkGoal,
    evkOut,
    evkOrganizedAttack,
    evkBPH,
    evkBPA,
    evkSprint,
    evkNearball,
    evkAcceleration,
    evkDeceleration,
    evkShift,
    evkClockRunning,
    evkClockStopped,
    evkPause,
    evkYellowCard,
    evkRedCard,
    evkFoul,
    evkSubstitudeIn,
    evkSubstitudeOut,
    evkOffside
};

namespace qel {
constexpr int CalculationTypeCount = calcGameSpeedDistanceInfo + 1;
// Transponder ids a transponder set can hold: 0 .. 103 (13 bytes).
constexpr int TransponderSetCapacity = 104;
}  // namespace qel

// A transponder id as a member of a transponder set.
using TqelTransponders = int;
// 13 bytes, stored and sent as they are.
using TqelTransponderSet = qel::SmallSet<qel::TransponderSetCapacity>;
using TqelSetOfByte = qel::SmallSet<256>;
using TqelCalculationTypes = qel::SmallSet<qel::CalculationTypeCount>;

using TqelArrayOfWord = QList<uint16_t>;
using TqelArrayOfString = QStringList;
using Tqel2DIntegerArray = QList<QList<int32_t>>;

using TqelLogMessageEvent = std::function<void(const QString& aMessage)>;
