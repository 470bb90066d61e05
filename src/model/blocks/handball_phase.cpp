#include "model/blocks/handball_phase.h"

#include "app/translation.h"
#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/transponder/transponder_data.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "platform/format_text.h"

namespace {

int32_t TransponderIdOf(const TqelTransponderData* aPlayer) {
    return aPlayer ? aPlayer->TPid() : 0;
}

int32_t GroupIdOf(const TqelGroup* aGroup) {
    return aGroup ? aGroup->ID() : 0;
}

// The half on which a team playing in aDirection won the ball at X; a NaN X is its own half.
TqelBallRegainedOnHalf HalfOf(TqelPlayDirection aDirection, double aXinM) {
    const bool opponentsHalf = aDirection == pldLeftToRight ? aXinM >= 0 : aXinM <= 0;
    return opponentsHalf ? regOppHalf : regOwnHalf;
}

}  // namespace

TqelHandballGamePhase::TqelHandballGamePhase(TqelGame* aGame, int32_t aID)
    : FDataSet(aGame ? aGame->Dataset() : nullptr), FGame(aGame) {
    Reset();
    FID = aID;
}

void TqelHandballGamePhase::Reset() {
    FID = 0;
    FBeginTimeInMS = 0;
    FEndTimeInMS = 0;
    FGoalTimeInMS = 0;
    FPasses = 0;
    FBallRegained = regUndecided;
    FGamePhase = gmpNone;
    FGoalAttempt = gaNo;
    FGoal = false;
    FFirstPlayerWithBall = nullptr;
    FLastPlayerWithBall = nullptr;
    FAttackingTeam = nullptr;
    FDefendingTeam = nullptr;
}

void TqelHandballGamePhase::setFirstPlayerWithBall(TqelTransponderData* aPlayer) {
    FFirstPlayerWithBall = aPlayer;
    if (!aPlayer) {
        FAttackingTeam = nullptr;
        FDefendingTeam = nullptr;
        return;
    }
    FAttackingTeam = FGame ? FGame->GetTeamByMember(aPlayer->TPid()) : nullptr;
    if (!FAttackingTeam) {
        throw Exception(qel::Format(qel::Translate("Player %s is not a member of a team"),
                                    {aPlayer->ToString(ttsNameAndTransponderID)}));
    }
    FDefendingTeam = FGame->GetOpponentTeam(aPlayer->TPid());
    FLastPlayer = aPlayer;
    const RqelCalculatedPosition position = aPlayer->calcPosition(FBeginTimeInMS);
    FBallRegained = HalfOf(FAttackingTeam->PlayDirection(), position.XinM);
}

void TqelHandballGamePhase::CheckPass(TqelTransponderData* aLastPlayerWithBall) {
    if (aLastPlayerWithBall && aLastPlayerWithBall != FLastPlayer) {
        ++FPasses;
        FLastPlayer = aLastPlayerWithBall;
    }
}

void TqelHandballGamePhase::ForgetPlayer(const TqelTransponderData* aPlayer) {
    if (FFirstPlayerWithBall == aPlayer) {
        FFirstPlayerWithBall = nullptr;
    }
    if (FLastPlayerWithBall == aPlayer) {
        FLastPlayerWithBall = nullptr;
    }
    if (FLastPlayer == aPlayer) {
        FLastPlayer = nullptr;
    }
}

void TqelHandballGamePhase::ForgetTeam(const TqelGroup* aTeam) {
    if (FAttackingTeam == aTeam) {
        FAttackingTeam = nullptr;
    }
    if (FDefendingTeam == aTeam) {
        FDefendingTeam = nullptr;
    }
}

void TqelHandballGamePhase::readFromStream(qel::BinaryReader& aReader, int32_t aVersion) {
    if (aVersion < FirstStreamVersion) {
        return;
    }
    aReader.readI32();  // the owning game's id
    const int32_t id = aReader.readI32();
    const int32_t begin = aReader.readI32();
    const int32_t timeFirstPass = aVersion >= FirstPassVersion ? aReader.readI32() : FTimeFirstPass;
    const int32_t end = aReader.readI32();
    const int32_t lastPossession =
        aVersion >= LastPossessionVersion ? aReader.readI32() : FLastPossessionTimeInMS;
    const auto gamePhase = static_cast<TqelGamePhases>(aReader.readI32() & 0xFF);
    const auto ballRegained = static_cast<TqelBallRegainedOnHalf>(aReader.readI32() & 0xFF);
    const int32_t firstPlayer = aReader.readI32();
    const int32_t lastPlayer = aReader.readI32();
    const int32_t attackingTeam = aReader.readI32();
    const int32_t defendingTeam = aReader.readI32();
    const auto goalAttempt = static_cast<TqelGoalAttempt>(aReader.readU8());
    const bool goal = aReader.readBool();
    const int32_t goalTime = aReader.readI32();
    const int32_t passes = aReader.readI32();

    FID = id;
    FBeginTimeInMS = begin;
    FTimeFirstPass = timeFirstPass;
    FEndTimeInMS = end;
    FLastPossessionTimeInMS = lastPossession;
    FGamePhase = gamePhase;
    FBallRegained = ballRegained;
    // The block cannot tell "none" from transponder or group 0: 0 is looked up too.
    FFirstPlayerWithBall = FDataSet ? FDataSet->GetTransponderByTP(firstPlayer) : nullptr;
    FLastPlayerWithBall = FDataSet ? FDataSet->GetTransponderByTP(lastPlayer) : nullptr;
    FAttackingTeam = FDataSet ? FDataSet->getGroupByID(attackingTeam) : nullptr;
    FDefendingTeam = FDataSet ? FDataSet->getGroupByID(defendingTeam) : nullptr;
    FGoalAttempt = goalAttempt;
    FGoal = goal;
    FGoalTimeInMS = goalTime;
    FPasses = passes;
}

void TqelHandballGamePhase::writeToStream(qel::BinaryWriter& aWriter) const {
    aWriter.writeI32(FGame ? FGame->ID() : 0);
    aWriter.writeI32(FID);
    aWriter.writeI32(FBeginTimeInMS);
    aWriter.writeI32(FTimeFirstPass);
    aWriter.writeI32(FEndTimeInMS);
    aWriter.writeI32(FLastPossessionTimeInMS);
    aWriter.writeI32(FGamePhase);
    aWriter.writeI32(FBallRegained);
    aWriter.writeI32(TransponderIdOf(FFirstPlayerWithBall));
    aWriter.writeI32(TransponderIdOf(FLastPlayerWithBall));
    aWriter.writeI32(GroupIdOf(FAttackingTeam));
    aWriter.writeI32(GroupIdOf(FDefendingTeam));
    aWriter.writeU8(FGoalAttempt);
    aWriter.writeBool(FGoal);
    aWriter.writeI32(FGoalTimeInMS);
    aWriter.writeI32(FPasses);
}
