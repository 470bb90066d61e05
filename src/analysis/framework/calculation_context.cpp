#include "analysis/framework/calculation_context.h"

#include <algorithm>
#include <cmath>

#include "foundation/model_interfaces.h"
#include "platform/numbers.h"

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
    aMaxHBTimeInMS = aStartTimeInMS;
    const int64_t first = aStartTimeInMS / 1000;
    const int64_t stop =
        std::min<int64_t>(anEndTimeInMS / 1000, DurationInMS() / 1000) - aMinIntervalTimeInSec;
    double best = 0;
    bool found = false;
    for (int64_t s = first; s < stop; ++s) {
        double low = 0;
        double high = 0;
        int64_t highSecond = s;
        for (int64_t k = s; k <= s + aMinIntervalTimeInSec; ++k) {
            const double h = aTransponder.calcHeartbeat(static_cast<int32_t>(k * 1000), false);
            if (k == s || h < low) {
                low = h;
            }
            if (k == s || h > high) {
                high = h;
                highSecond = k;
            }
        }
        const double spread = high - low;
        if ((std::isnan(spread) || spread < aMaxPeakDiffInBPM) && high > best) {
            best = high;
            aMaxHBTimeInMS = static_cast<int32_t>(highSecond * 1000);
            aMaxHeartBeat = static_cast<int32_t>(::Round(high));
            found = true;
        }
    }
    return found;
}

}  // namespace qel
