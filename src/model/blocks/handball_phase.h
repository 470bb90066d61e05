#pragma once

#include <cstdint>

class TqelDataset;
class TqelGame;
class TqelGroup;
class TqelTransponderData;
namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

enum TqelGamePhases : uint8_t {
    gmpNone,
    gmpNoPlay,
    gmpFastBreak,
    gmpFastCounterAttack,
    gmpOrganizationalPhase,
    gmpOrganizedAttack,
    gmpOrganizedTurnOver,
    gmpFastTurnover,
    gmpFastResumption,
    gmpKeeperSave,
    gmpPenalty,
    gmpRebound
};

enum TqelBallRegainedOnHalf : uint8_t { regUndecided, regOwnHalf, regOppHalf };

enum TqelGoalAttempt : uint8_t { gaNo, gaGoal, gaCircle, gaBlocked };

// One phase of handball play in a game, in which one team attacks. The game owns its phases;
// players and teams belong to the dataset, and the dataset's delete paths clear them here.
//
// Threads: read and changed under the dataset's ModelLock(), like the game that owns it.
class TqelHandballGamePhase {
public:
    // The phase block: 58 bytes.
    static constexpr int32_t StreamSize = 58;
    // The first file version that carries phases, then the versions that added rows.
    static constexpr int32_t FirstStreamVersion = 66;
    static constexpr int32_t LastPossessionVersion = 67;
    static constexpr int32_t FirstPassVersion = 69;

    TqelHandballGamePhase(TqelGame* aGame, int32_t aID);

    void Reset();

    // Its index + 1.
    int32_t ID() const { return FID + 1; }
    int32_t PhaseIndex() const { return FID; }
    void setPhaseIndex(int32_t aValue) { FID = aValue; }
    TqelGame* Game() const { return FGame; }

    int32_t Passes() const { return FPasses; }
    void setPasses(int32_t aValue) { FPasses = aValue; }
    TqelGroup* AttackingTeam() const { return FAttackingTeam; }
    void setAttackingTeam(TqelGroup* aValue) { FAttackingTeam = aValue; }
    TqelGroup* DefendingTeam() const { return FDefendingTeam; }
    void setDefendingTeam(TqelGroup* aValue) { FDefendingTeam = aValue; }
    int32_t BeginTimeInMS() const { return FBeginTimeInMS; }
    void setBeginTimeInMS(int32_t aValue) { FBeginTimeInMS = aValue; }
    int32_t TimeFirstPass() const { return FTimeFirstPass; }
    void setTimeFirstPass(int32_t aValue) { FTimeFirstPass = aValue; }
    int32_t EndTimeInMS() const { return FEndTimeInMS; }
    void setEndTimeInMS(int32_t aValue) { FEndTimeInMS = aValue; }
    int32_t LastPossessionTimeInMS() const { return FLastPossessionTimeInMS; }
    void setLastPossessionTimeInMS(int32_t aValue) { FLastPossessionTimeInMS = aValue; }
    int32_t DurationInMS() const { return FEndTimeInMS - FBeginTimeInMS; }
    TqelTransponderData* FirstPlayerWithBall() const { return FFirstPlayerWithBall; }
    // Takes the player's team as the attacker, its opponent as the defender, and where he was at
    // the phase's begin as the half the ball was won on. Raises when the player is in none of
    // the game's teams (the player stays set, the attacking team nil). Nil clears the player
    // and both teams.
    void setFirstPlayerWithBall(TqelTransponderData* aPlayer);
    TqelTransponderData* LastPlayerWithBall() const { return FLastPlayerWithBall; }
    void setLastPlayerWithBall(TqelTransponderData* aValue) { FLastPlayerWithBall = aValue; }
    // The player who had the ball at the last counted pass; not stored.
    TqelTransponderData* LastPlayer() const { return FLastPlayer; }
    TqelGamePhases GamePhase() const { return FGamePhase; }
    void setGamePhase(TqelGamePhases aValue) { FGamePhase = aValue; }
    TqelGoalAttempt GoalAttempt() const { return FGoalAttempt; }
    void setGoalAttempt(TqelGoalAttempt aValue) { FGoalAttempt = aValue; }
    bool Goal() const { return FGoal; }
    void setGoal(bool aValue) { FGoal = aValue; }
    int32_t GoalTimeInMS() const { return FGoalTimeInMS; }
    void setGoalTimeInMS(int32_t aValue) { FGoalTimeInMS = aValue; }
    TqelBallRegainedOnHalf BallRegained() const { return FBallRegained; }

    // Counts a pass when the ball reached another player than the last one; nil counts nothing.
    void CheckPass(TqelTransponderData* aLastPlayerWithBall);

    // Drop references to a transponder or group that the dataset frees.
    void ForgetPlayer(const TqelTransponderData* aPlayer);
    void ForgetTeam(const TqelGroup* aTeam);

    // Below FirstStreamVersion nothing is read; rows an older version lacks keep their values.
    // Players and teams are looked up in the game's dataset (nil when not found, 0 included).
    // A short block raises EReadError and changes nothing.
    void readFromStream(qel::BinaryReader& aReader, int32_t aVersion);
    void writeToStream(qel::BinaryWriter& aWriter) const;

private:
    TqelDataset* FDataSet = nullptr;
    TqelGame* FGame = nullptr;
    int32_t FID = 0;
    TqelGroup* FAttackingTeam = nullptr;
    TqelGamePhases FGamePhase = gmpNone;
    TqelBallRegainedOnHalf FBallRegained = regUndecided;
    TqelGoalAttempt FGoalAttempt = gaNo;
    TqelTransponderData* FFirstPlayerWithBall = nullptr;
    TqelGroup* FDefendingTeam = nullptr;
    int32_t FEndTimeInMS = 0;
    TqelTransponderData* FLastPlayerWithBall = nullptr;
    TqelTransponderData* FLastPlayer = nullptr;
    int32_t FBeginTimeInMS = 0;
    bool FGoal = false;
    int32_t FGoalTimeInMS = 0;
    int32_t FPasses = 0;
    int32_t FLastPossessionTimeInMS = 0;
    int32_t FTimeFirstPass = 0;
};
