#pragma once

#include <QList>
#include <functional>

#include "analysis/framework/calculation_context.h"

namespace qel::test {

// A calculation context whose dataset, ball state, groups and clock are plain values. Without
// a dataset (HasDataset false) it stands for a transponder received from a peer.
class FakeCalculationContext : public CalculationContext {
public:
    bool Dataset = true;
    TqelSports Sport = sportSoccer;
    int32_t DtsID = 0;
    uint8_t Source = 1;
    int32_t Recording = 0;
    int32_t Duration = 5400000;
    int32_t Speed = 12;
    double Power = 50;
    RqelFieldBox Box{{-55000, 37000}, {55000, -37000}};
    // A 105 m × 68 m pitch.
    RqelFieldBox Field{{-52500, 34000}, {52500, -34000}};
    // (game, part, transponder) to the team's direction at the part's begin.
    std::function<TqelPlayDirection(int32_t, int32_t, int32_t)> PartDirection =
        [](int32_t, int32_t, int32_t) { return pldNone; };
    std::function<TBallPossesion(int32_t)> Possession = [](int32_t) { return bpNone; };
    std::function<int32_t(int32_t)> AliveExtern = [](int32_t) { return 1; };
    std::function<int32_t(int32_t)> PossessionTeam = [](int32_t) { return 0; };
    QList<CalculationGroup> Groups;
    bool ClockData = false;
    std::function<bool(int32_t)> ClockRunning = [](int32_t) { return true; };
    std::function<GameSpeedReference(int32_t)> References = [](int32_t) {
        return GameSpeedReference{};
    };

    bool HasDataset() const override { return Dataset; }
    TqelSports SportType() const override { return Sport; }
    int32_t DBDtsID() const override { return DtsID; }
    uint8_t DataSource() const override { return Source; }
    int32_t RecordingType() const override { return Recording; }
    int32_t DurationInMS() const override { return Duration; }
    int32_t MaxSpeed() const override { return Speed; }
    double MaxPower() const override { return Power; }
    TqeldbAgilityDefinitions* AgilityDefs() const override { return nullptr; }
    RqelFieldBox MeasureBox() const override { return Box; }
    RqelFieldBox FieldBox() const override { return Field; }
    int32_t PositionToZone(double, double, TqelPlayDirection) const override { return 0; }
    TBallPossesion BallPossesion(int32_t t) const override { return Possession(t); }
    int32_t BallAliveExtern(int32_t t) const override { return AliveExtern(t); }
    int32_t BallPossTeamExtern(int32_t t) const override { return PossessionTeam(t); }
    int32_t GroupCount() const override { return static_cast<int32_t>(Groups.size()); }
    CalculationGroup Group(int32_t anIndex, int32_t) const override { return Groups[anIndex]; }
    TqelPlayDirection PartPlayDirection(int32_t aGameID, int32_t aPartID,
                                        int32_t aTPid) const override {
        return PartDirection(aGameID, aPartID, aTPid);
    }
    bool HasClockData() const override { return ClockData; }
    bool ClockIsRunning(int32_t t) const override { return ClockRunning(t); }
    GameSpeedReference GameSpeedReferences(int32_t aPlayerID) const override {
        return References(aPlayerID);
    }
};

}  // namespace qel::test
