#pragma once

#include <cstdint>

#include "analysis/intensity/mip_windows.h"
#include "foundation/settings/client_config.h"
#include "foundation/shared_enums.h"
#include "model/transponder/field_records.h"

class IqelTransponderData;
class TqeldbAgilityDefinitions;

// Possession code of the dataset's ball state.
enum TBallPossesion : uint8_t { bpNone, bpHome, bpAway, bpA2H, bpH2A };

namespace qel {

// A group of the athlete as one step sees it.
struct CalculationGroup {
    // Groups without a game are passed over.
    bool HasGame = false;
    int32_t GameBeginTimeInMS = 0;
    int32_t GameEndTimeInMS = 0;
    int32_t ID = 0;
    // The game's team 0.
    bool IsHomeTeam = false;
    TqelPlayDirection PlayDirection = pldNone;
};

// What a step gathers beside the athlete's own values.
struct GameContext {
    TqelPlayDirection PlayDirection = pldNone;
    bool TeamHasPossession = false;
    bool BallAlive = true;
    bool ClockIsRunning = true;
};

// Everything an athlete's analyses read beyond the transponder itself: the dataset's settings,
// its field, ball state and game clock, and the athlete's groups. The analyses reach the model
// and the database only through it. Every call may come from the stepping thread.
class CalculationContext {
public:
    virtual ~CalculationContext() = default;

    // Without a dataset the other answers are defaults.
    virtual bool HasDataset() const = 0;
    virtual TqelSports SportType() const = 0;
    virtual int32_t DBDtsID() const = 0;
    virtual uint8_t DataSource() const = 0;
    virtual int32_t RecordingType() const = 0;
    virtual int32_t DurationInMS() const = 0;
    // m/s.
    virtual int32_t MaxSpeed() const = 0;
    // W/kg: the highest metabolic power the energy analysis counts.
    virtual double MaxPower() const = 0;
    // Null or not empty.
    virtual TqeldbAgilityDefinitions* AgilityDefs() const = 0;
    virtual RqelFieldBox MeasureBox() const = 0;
    // The box the field's drawing lies in; all zero without a field.
    virtual RqelFieldBox FieldBox() const = 0;
    virtual int32_t PositionToZone(double aPosXinM, double aPosYinM,
                                   TqelPlayDirection aPlayDirection) const = 0;

    virtual TBallPossesion BallPossesion(int32_t aTimeInMS) const = 0;
    virtual int32_t BallAliveExtern(int32_t aTimeInMS) const = 0;
    virtual int32_t BallPossTeamExtern(int32_t aTimeInMS) const = 0;

    virtual int32_t GroupCount() const = 0;
    virtual CalculationGroup Group(int32_t anIndex, int32_t aTimeInMS) const = 0;
    // The play direction, 1 ms after the part's begin, of the team of game aGameID that holds
    // transponder aTPid as a member; pldNone when the game, its part aPartID or such a team is
    // missing.
    virtual TqelPlayDirection PartPlayDirection(int32_t aGameID, int32_t aPartID,
                                                int32_t aTPid) const = 0;

    // The game clock of an ice-hockey recording: a clock with samples.
    virtual bool HasClockData() const = 0;
    virtual bool ClockIsRunning(int32_t aTimeInMS) const = 0;

    // The distance reference values of athlete aPlayerID for the most-intense-period analysis.
    // None by default (no database).
    virtual GameSpeedReference GameSpeedReferences(int32_t aPlayerID) const;

    // Play direction, possession, ball and clock state at aTimeInMS.
    GameContext GameContextAt(int32_t aTimeInMS) const;

    // The highest heart rate of aTransponder that stays within aMaxPeakDiffInBPM over
    // aMinIntervalTimeInSec seconds between the two times; False when none was found (the time
    // is then aStartTimeInMS).
    bool calcMaxHeartbeat(IqelTransponderData& aTransponder, int32_t aStartTimeInMS,
                          int32_t anEndTimeInMS, int32_t aMinIntervalTimeInSec,
                          int32_t aMaxPeakDiffInBPM, int32_t& aMaxHBTimeInMS,
                          int32_t& aMaxHeartBeat) const;
};

}  // namespace qel
