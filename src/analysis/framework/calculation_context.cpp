#include "analysis/framework/calculation_context.h"

#include "foundation/model_interfaces.h"
#include "model/transponder/heart_values.h"

namespace qel {

namespace {

// Ball data from an outside source.
constexpr uint8_t kExternalBallData = 4;

bool HomeHasBall(TBallPossesion aCode) {
    return aCode == bpHome || aCode == bpA2H;
}
bool AwayHasBall(TBallPossesion aCode) {
    return aCode == bpAway || aCode == bpH2A;
}

}  // namespace

GameSpeedReference CalculationContext::GameSpeedReferences(int32_t) const {
    return std::nullopt;
}

GameContext CalculationContext::GameContextAt(int32_t aTimeInMS) const {
    GameContext result;
    if (!HasDataset()) {
        return result;
    }
    const TqelSports sport = SportType();
    if (sport == sportSoccer) {
        const bool external = DataSource() == kExternalBallData;
        TBallPossesion code = bpNone;
        int32_t possessionTeam = 0;
        if (external) {
            result.BallAlive = BallAliveExtern(aTimeInMS) != 0;
            possessionTeam = BallPossTeamExtern(aTimeInMS);
        } else {
            code = BallPossesion(aTimeInMS);
        }
        const int32_t count = GroupCount();
        for (int32_t i = 0; i < count; ++i) {
            const CalculationGroup group = Group(i, aTimeInMS);
            if (!group.HasGame || aTimeInMS < group.GameBeginTimeInMS ||
                aTimeInMS > group.GameEndTimeInMS) {
                continue;
            }
            result.PlayDirection = group.PlayDirection;
            if (external) {
                result.TeamHasPossession = group.ID == possessionTeam;
            } else {
                result.TeamHasPossession = group.IsHomeTeam ? HomeHasBall(code) : AwayHasBall(code);
            }
            break;
        }
    } else if (sport == sportIceHockey && RecordingType() == 1 && HasClockData()) {
        result.ClockIsRunning = ClockIsRunning(aTimeInMS);
    }
    return result;
}

bool CalculationContext::calcMaxHeartbeat(IqelTransponderData& aTransponder, int32_t aStartTimeInMS,
                                          int32_t anEndTimeInMS, int32_t aMinIntervalTimeInSec,
                                          int32_t aMaxPeakDiffInBPM, int32_t& aMaxHBTimeInMS,
                                          int32_t& aMaxHeartBeat) const {
    return SteadyHeartbeatMaximum(
        aStartTimeInMS, anEndTimeInMS, DurationInMS(), aMinIntervalTimeInSec, aMaxPeakDiffInBPM,
        [&aTransponder](int32_t aTimeInMS) { return aTransponder.calcHeartbeat(aTimeInMS, false); },
        aMaxHBTimeInMS, aMaxHeartBeat);
}

}  // namespace qel
